// A scriptable shell: an allocator that keeps a ledger of its blocks, and a browse dialog that
// replays notifications to the callback and then cancels, chooses a name or throws.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/ole_error.h"
#include "platform/shell.h"
#include "platform/utf.h"

namespace orvel::fakes {

constexpr std::int32_t EFail = static_cast<std::int32_t>(0x80004005);

// Real heap blocks, so that the sanitizer sees any overrun of the name buffer.
class FakeShellMalloc : public IShellMalloc {
 public:
  FakeShellMalloc() = default;
  FakeShellMalloc(const FakeShellMalloc&) = delete;
  FakeShellMalloc& operator=(const FakeShellMalloc&) = delete;
  ~FakeShellMalloc() {
    for (void* block : live) std::free(block);
  }
  void* Alloc(std::size_t size) override {
    allocSizes.push_back(size);
    return failAlloc ? nullptr : Track(size);
  }
  void Free(void* block) override {
    if (live.erase(block) == 0) {
      ++badFrees;
      return;
    }
    std::free(block);
    ++frees;
  }
  void Release() override { --references; }

  // A block handed out by the shell itself (an item list).
  void* Track(std::size_t size) {
    void* block = std::malloc(size);
    live.insert(block);
    return block;
  }

  bool failAlloc = false;
  std::vector<std::size_t> allocSizes;
  std::set<void*> live;
  int frees = 0;
  int badFrees = 0;  // frees of blocks not (or no longer) allocated
  int references = 0;
};

class FakeShell : public IShell {
 public:
  struct Notification {
    std::uint32_t message;
    std::intptr_t lParam;
  };
  struct Sent {
    WindowHandle window;
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
  };
  // The record as the dialog received it, with the texts it pointed to (as UTF-8).
  struct Dialog {
    TBrowseInfo info;
    std::string title;
    std::string selectionData;  // the text lParam pointed to, when set
  };

  std::int32_t SHGetMalloc(IShellMalloc** out) override {
    ++getMallocCalls;
    *out = nullptr;
    if (mallocResult != 0 && !allocatorDespiteFailure) return mallocResult;
    if (!withoutAllocator) {
      ++allocator.references;
      *out = &allocator;
    }
    return mallocResult;
  }
  std::int32_t SHGetSpecialFolderLocation(WindowHandle owner, int folder, ItemIdList* list) override {
    folderRequests.push_back({owner, folder, *list});
    if (networkMissing) return EFail;
    *list = networkRoot = allocator.Track(4);
    return 0;
  }
  ItemIdList SHBrowseForFolderW(TBrowseInfo* info) override {
    Dialog dialog{*info, info->lpszTitle ? utf::ToUtf8(info->lpszTitle) : "(null)", {}};
    if (info->lParam != 0) dialog.selectionData = utf::ToUtf8(reinterpret_cast<const char16_t*>(info->lParam));
    dialogs.push_back(dialog);
    if (info->lpfn != nullptr) {
      for (const Notification& n : notifications)
        callbackResults.push_back(info->lpfn(*this, dialogWindow, n.message, n.lParam, info->lParam));
    }
    if (duringDialog) duringDialog(*info);
    if (throwInDialog) throw EOleError("the dialog failed", EFail);
    if (!choice) return nullptr;
    // As the shell writes it: UTF-16, terminated when it fits in MAX_PATH units.
    const std::u16string name = utf::ToUtf16(*choice);
    std::memcpy(info->pszDisplayName, name.data(), std::min<std::size_t>(name.size(), 260) * sizeof(char16_t));
    if (name.size() < 260) info->pszDisplayName[name.size()] = u'\0';
    return allocator.Track(4);
  }
  std::intptr_t SendMessageW(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam) override {
    sent.push_back({window, message, wParam, lParam});
    if (throwInSend) throw EOleError("the dialog is gone", EFail);
    return 1;
  }

  // Script.
  std::int32_t mallocResult = 0;
  bool withoutAllocator = false;         // SHGetMalloc hands out none
  bool allocatorDespiteFailure = false;  // a failing SHGetMalloc still hands one out
  bool networkMissing = false;
  std::vector<Notification> notifications{{1, 0}, {2, 0x5000}, {3, 0}, {4, 0}, {5, 0}, {2, 0x5004}};
  std::function<void(const TBrowseInfo&)> duringDialog;
  bool throwInDialog = false;
  bool throwInSend = false;
  std::optional<std::string> choice;  // UTF-8; nullopt: the user cancels
  WindowHandle dialogWindow = 0x4242;

  // Record.
  FakeShellMalloc allocator;
  int getMallocCalls = 0;
  struct FolderRequest {
    WindowHandle owner;
    int folder;
    ItemIdList preset;
  };
  std::vector<FolderRequest> folderRequests;
  ItemIdList networkRoot = nullptr;
  std::vector<Dialog> dialogs;
  std::vector<int> callbackResults;
  std::vector<Sent> sent;
};

}  // namespace orvel::fakes
