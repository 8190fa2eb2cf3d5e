// The shell's folder browser and its allocator, seen without <shlobj.h>.
#pragma once

#include <cstdint>
#include <string>

#include "ui.h"

namespace orvel {

using ItemIdList = void*;  // a PIDL, opaque here

// BROWSEINFOA, member for member.
struct TBrowseInfo {
  WindowHandle hwndOwner;
  ItemIdList pidlRoot;
  char* pszDisplayName;
  const char* lpszTitle;
  std::uint32_t ulFlags;
  int (*lpfn)(WindowHandle window, std::uint32_t message, std::intptr_t lParam, std::intptr_t data);
  std::intptr_t lParam;
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
  virtual std::int32_t SHGetMalloc(IShellMalloc** allocator) = 0;
  virtual std::int32_t SHGetSpecialFolderLocation(WindowHandle owner, int folder, ItemIdList* list) = 0;
  virtual ItemIdList SHBrowseForFolderA(TBrowseInfo* info) = 0;
  virtual std::intptr_t SendMessageA(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                     std::intptr_t lParam) = 0;
};

}  // namespace orvel
