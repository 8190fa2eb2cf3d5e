#include "browser.h"

#include <algorithm>

#include "../app/form1.h"
#include "../platform/utf.h"

namespace orvel {

namespace {

constexpr const char* InitialSelection = "xxxx777";

// The allocator reference from SHGetMalloc, released on every path.
class AllocatorRef {
 public:
  explicit AllocatorRef(IShellMalloc* allocator) : allocator_(allocator) {}
  ~AllocatorRef() {
    if (allocator_ != nullptr) allocator_->Release();
  }
  AllocatorRef(const AllocatorRef&) = delete;
  AllocatorRef& operator=(const AllocatorRef&) = delete;
  IShellMalloc* Get() const { return allocator_; }

 private:
  IShellMalloc* allocator_;
};

// A block of the shell allocator (buffer or item list), freed with it.
class ShellBlock {
 public:
  ShellBlock(IShellMalloc& allocator, void* block) : allocator_(allocator), block_(block) {}
  ~ShellBlock() {
    if (block_ != nullptr) allocator_.Free(block_);
  }
  ShellBlock(const ShellBlock&) = delete;
  ShellBlock& operator=(const ShellBlock&) = delete;
  void* Get() const { return block_; }

 private:
  IShellMalloc& allocator_;
  void* block_;
};

// Replaces the process error mode and puts the previous one back, also when unwinding.
class ErrorModeScope {
 public:
  ErrorModeScope(ISystem& system, std::uint32_t mode) : system_(system), previous_(system.SetErrorMode(mode)) {}
  ~ErrorModeScope() { system_.SetErrorMode(previous_); }
  ErrorModeScope(const ErrorModeScope&) = delete;
  ErrorModeScope& operator=(const ErrorModeScope&) = delete;

 private:
  ISystem& system_;
  std::uint32_t previous_;
};

// Browses for computers; the callback only when there is something to preselect.
TBrowseInfo ComputerBrowseInfo(WindowHandle owner, ItemIdList root, char16_t* name, const std::u16string& title,
                               const std::u16string& initialSelection) {
  TBrowseInfo info{};
  info.hwndOwner = owner;
  info.pidlRoot = root;
  info.pszDisplayName = name;
  info.lpszTitle = title.c_str();
  info.ulFlags = BifBrowseForComputer | BifNewDialogStyle;
  if (!initialSelection.empty()) {
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<std::intptr_t>(initialSelection.c_str());
  }
  return info;
}

ItemIdList RunDialog(IShell& shell, ISystem& system, TBrowseInfo& info) {
  // No critical-error box may pop up over the dialog while it touches network drives.
  ErrorModeScope quiet(system, SemFailCriticalErrors);
  return shell.SHBrowseForFolderW(&info);
}

}  // namespace

std::string BrowseForComputer(IShell& shell, ISystem& system, WindowHandle owner, const std::string& title,
                              const std::string& initialSelection) {
  IShellMalloc* rawAllocator = nullptr;
  const std::int32_t result = shell.SHGetMalloc(&rawAllocator);
  const AllocatorRef allocator(rawAllocator);
  if (result != 0 || allocator.Get() == nullptr) return {};
  IShellMalloc& shellMalloc = *allocator.Get();

  const ShellBlock buffer(shellMalloc, shellMalloc.Alloc(BrowseNameSize * sizeof(char16_t)));
  // The dialog writes the display name into this buffer: it must never get a null one.
  if (buffer.Get() == nullptr) return {};
  auto* name = static_cast<char16_t*>(buffer.Get());
  name[0] = u'\0';

  ItemIdList rawRoot = nullptr;
  shell.SHGetSpecialFolderLocation(owner, CsidlNetwork, &rawRoot);
  const ShellBlock root(shellMalloc, rawRoot);

  // The dialog reads both texts while it runs.
  const std::u16string wideTitle = utf::ToUtf16(title), wideSelection = utf::ToUtf16(initialSelection);
  TBrowseInfo info = ComputerBrowseInfo(owner, root.Get(), name, wideTitle, wideSelection);
  const ShellBlock chosen(shellMalloc, RunDialog(shell, system, info));
  if (chosen.Get() == nullptr) return {};
  const char16_t* end = std::find(name, name + BrowseNameSize, u'\0');
  return utf::ToUtf8(std::u16string_view(name, static_cast<std::size_t>(end - name)));
}

int BrowseCallback(IShell& shell, WindowHandle window, std::uint32_t message, std::intptr_t /*lParam*/,
                   std::intptr_t data) noexcept {
  if (message != BffmInitialized || data == 0) return 0;
  try {
    shell.SendMessageW(window, BffmSetSelectionW, 1, data);
  } catch (...) {
    // The preselection is a courtesy: the user chooses as usual without it.
  }
  return 0;
}

void TForm1::DirButtonClick(TObject* /*sender*/) {
  const std::string name =
      BrowseForComputer(Services.Shell, Services.System, Form.Handle(), Text(txtChooseComputer), InitialSelection);
  if (!name.empty()) PcComboBox.SetText(name);
}

}  // namespace orvel
