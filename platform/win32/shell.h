// The Windows shell behind IShell: its allocator, special folders and the folder browser.
#pragma once

#include "platform/shell.h"

namespace orvel {

class Win32Shell : public IShell {
 public:
  std::int32_t SHGetMalloc(IShellMalloc** allocator) override;
  std::int32_t SHGetSpecialFolderLocation(WindowHandle owner, int folder, ItemIdList* list) override;
  ItemIdList SHBrowseForFolderW(TBrowseInfo* info) override;
  std::intptr_t SendMessageW(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam) override;
};

}  // namespace orvel
