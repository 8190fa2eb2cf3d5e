// The shell's folder browser and its allocator, seen without <shlobj.h>.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ui.h"

namespace orvel {

using ItemIdList = void*;  // a PIDL, opaque here

class IShell;

// BFFCALLBACK, given the shell it runs under so that it can answer the dialog through it.
using TBrowseCallback = int (*)(IShell& shell, WindowHandle window, std::uint32_t message, std::intptr_t lParam,
                                std::intptr_t data);

// BROWSEINFOW, member for member; its texts are UTF-16.
struct TBrowseInfo {
  WindowHandle hwndOwner;
  ItemIdList pidlRoot;
  char16_t* pszDisplayName;  // at least MAX_PATH (260) units
  const char16_t* lpszTitle;
  std::uint32_t ulFlags;
  TBrowseCallback lpfn;
  std::intptr_t lParam;  // handed to lpfn as its data
  int iImage;
};

class IShellMalloc {  // IMalloc
 public:
  virtual void* Alloc(std::size_t size) = 0;
  virtual void Free(void* block) = 0;
  virtual void Release() = 0;

 protected:
  ~IShellMalloc() = default;
};

class IShell {
 public:
  virtual ~IShell() = default;
  // The allocator comes with one reference, which the caller releases.
  virtual std::int32_t SHGetMalloc(IShellMalloc** allocator) = 0;
  virtual std::int32_t SHGetSpecialFolderLocation(WindowHandle owner, int folder, ItemIdList* list) = 0;
  // Modal; calls info->lpfn (when set) with info->lParam as its data on the calling thread.
  virtual ItemIdList SHBrowseForFolderW(TBrowseInfo* info) = 0;
  virtual std::intptr_t SendMessageW(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                     std::intptr_t lParam) = 0;
};

}  // namespace orvel
