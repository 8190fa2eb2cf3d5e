#include "shell.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <new>
#include <utility>

namespace orvel {

namespace {

// IMalloc behind IShellMalloc; Release drops the reference and the adapter with it.
class ComShellMalloc final : public IShellMalloc {
 public:
  explicit ComShellMalloc(Microsoft::WRL::ComPtr<IMalloc> malloc) : malloc_(std::move(malloc)) {}
  void* Alloc(std::size_t size) override { return malloc_->Alloc(size); }
  void Free(void* block) override { malloc_->Free(block); }
  void Release() override { delete this; }

 private:
  ~ComShellMalloc() = default;
  Microsoft::WRL::ComPtr<IMalloc> malloc_;
};

// What the real callback needs to call the portable one: it travels as the dialog's lParam.
struct CallbackBridge {
  IShell* shell;
  TBrowseCallback callback;
  std::intptr_t data;
};

// BFFCALLBACK with the Windows calling convention; no exception may unwind into the shell.
int CALLBACK BrowseTrampoline(HWND window, UINT message, LPARAM lParam, LPARAM data) noexcept {
  const auto* bridge = reinterpret_cast<const CallbackBridge*>(data);
  try {
    return bridge->callback(*bridge->shell, reinterpret_cast<WindowHandle>(window), message, lParam, bridge->data);
  } catch (...) {
    return 0;
  }
}

}  // namespace

std::int32_t Win32Shell::SHGetMalloc(IShellMalloc** allocator) {
  *allocator = nullptr;
  Microsoft::WRL::ComPtr<IMalloc> malloc;
  const HRESULT result = ::SHGetMalloc(malloc.GetAddressOf());
  if (FAILED(result) || !malloc) return result;
  *allocator = new (std::nothrow) ComShellMalloc(std::move(malloc));
  return *allocator ? result : E_OUTOFMEMORY;
}

std::int32_t Win32Shell::SHGetSpecialFolderLocation(WindowHandle owner, int folder, ItemIdList* list) {
  PIDLIST_ABSOLUTE found = nullptr;
  const HRESULT result = ::SHGetSpecialFolderLocation(reinterpret_cast<HWND>(owner), folder, &found);
  *list = found;
  return result;
}

ItemIdList Win32Shell::SHBrowseForFolderW(TBrowseInfo* info) {
  // The portable side's UTF-16 units, as the W functions take them: both types are 16 bits here.
  static_assert(sizeof(char16_t) == sizeof(wchar_t), "UTF-16 code units on both sides");
  BROWSEINFOW shellInfo{};
  shellInfo.hwndOwner = reinterpret_cast<HWND>(info->hwndOwner);
  shellInfo.pidlRoot = static_cast<PCIDLIST_ABSOLUTE>(info->pidlRoot);
  shellInfo.pszDisplayName = reinterpret_cast<wchar_t*>(info->pszDisplayName);
  shellInfo.lpszTitle = reinterpret_cast<const wchar_t*>(info->lpszTitle);
  shellInfo.ulFlags = info->ulFlags;
  shellInfo.lParam = info->lParam;
  shellInfo.iImage = info->iImage;
  CallbackBridge bridge{this, info->lpfn, info->lParam};
  if (info->lpfn != nullptr) {
    shellInfo.lpfn = &BrowseTrampoline;
    shellInfo.lParam = reinterpret_cast<LPARAM>(&bridge);
  }
  PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&shellInfo);
  info->iImage = shellInfo.iImage;
  return chosen;
}

std::intptr_t Win32Shell::SendMessageW(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                       std::intptr_t lParam) {
  return ::SendMessageW(reinterpret_cast<HWND>(window), message, wParam, lParam);
}

}  // namespace orvel
