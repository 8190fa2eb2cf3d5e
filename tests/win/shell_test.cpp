// The Windows shell behind IShell: the allocator adapter, the callback trampoline and the error mode
// around the real folder browser, which a helper thread cancels once it is up.
#include <gtest/gtest.h>

// The Windows headers as the toolkit includes them, so that the application object's MessageBox keeps its name.
#include "platform/win32/win32_api.h"
#include <objbase.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <vector>

#include "companions/browser.h"
#include "platform/win32/shell.h"
#include "platform/win32/system.h"
#include "toolkit_fixture.h"

namespace orvel {
namespace {

using toolkit_test::ClassNameOf;

// The folder browser's new style needs an apartment on the calling thread.
class Apartment {
 public:
  Apartment() : initialised_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~Apartment() {
    if (initialised_) ::CoUninitialize();
  }
  Apartment(const Apartment&) = delete;
  Apartment& operator=(const Apartment&) = delete;

 private:
  bool initialised_;
};

struct DialogSearch {
  const wchar_t* title;
  HWND found;
};

BOOL CALLBACK FindTitledDialog(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<DialogSearch*>(data);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  if (pid != ::GetCurrentProcessId() || !::IsWindowVisible(window) || ClassNameOf(window) != "#32770") return TRUE;
  if (!::FindWindowExW(window, nullptr, L"Static", search->title)) return TRUE;
  search->found = window;
  return FALSE;
}

// Waits on its own thread for the dialog with the title (found by its UTF-16 text), notes the error
// mode, and cancels it.
class DialogCanceller {
 public:
  explicit DialogCanceller(const wchar_t* title)
      : thread_([this, title] {
          const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
          while (std::chrono::steady_clock::now() < end) {
            DialogSearch search{title, nullptr};
            ::EnumWindows(FindTitledDialog, reinterpret_cast<LPARAM>(&search));
            if (search.found) {
              errorModeSeen_ = ::GetErrorMode();
              found_ = true;
              ::PostMessageW(search.found, WM_COMMAND, IDCANCEL, 0);
              return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
          }
        }) {}
  ~DialogCanceller() { thread_.join(); }
  DialogCanceller(const DialogCanceller&) = delete;
  DialogCanceller& operator=(const DialogCanceller&) = delete;

  bool Found() const { return found_; }
  UINT ErrorModeSeen() const { return errorModeSeen_; }

 private:
  std::atomic<bool> found_{false};
  std::atomic<UINT> errorModeSeen_{0xFFFFFFFF};
  std::thread thread_;
};

TEST(Win32Shell, AllocatorHandsOutWritableBlocks) {
  Win32Shell shell;
  IShellMalloc* allocator = nullptr;
  ASSERT_EQ(shell.SHGetMalloc(&allocator), 0);
  ASSERT_NE(allocator, nullptr);
  void* block = allocator->Alloc(BrowseNameSize * sizeof(char16_t));
  ASSERT_NE(block, nullptr);
  std::memset(block, 'x', BrowseNameSize * sizeof(char16_t));
  allocator->Free(block);
  allocator->Release();
}

struct CallbackCall {
  IShell* shell;
  std::string windowClass;
  std::uint32_t message;
};

// Records each call in the vector its data points to, then fails: the shell must never see that.
int RecordAndThrow(IShell& shell, WindowHandle window, std::uint32_t message, std::intptr_t, std::intptr_t data) {
  auto* calls = reinterpret_cast<std::vector<CallbackCall>*>(data);
  calls->push_back({&shell, ClassNameOf(reinterpret_cast<HWND>(window)), message});
  throw std::runtime_error("not for the shell");
}

TEST(Win32Shell, BrowserCallsThePortableCallbackWithItsDataAndStopsItsExceptions) {
  Apartment com;
  Win32Shell shell;
  char16_t name[BrowseNameSize] = u"untouched";
  std::vector<CallbackCall> calls;
  TBrowseInfo info{};
  info.pszDisplayName = name;
  info.lpszTitle = u"Trampoline check";
  info.ulFlags = BifBrowseForComputer | BifNewDialogStyle;
  info.lpfn = RecordAndThrow;
  info.lParam = reinterpret_cast<std::intptr_t>(&calls);

  ItemIdList chosen = nullptr;
  {
    DialogCanceller canceller(L"Trampoline check");
    chosen = shell.SHBrowseForFolderW(&info);
    EXPECT_TRUE(canceller.Found());
  }

  EXPECT_EQ(chosen, nullptr);
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls[0].message, BffmInitialized);
  EXPECT_EQ(calls[0].shell, &shell);
  EXPECT_EQ(calls[0].windowClass, "#32770");
}

TEST(Win32Shell, BrowseForComputerQuietsCriticalErrorsOnlyWhileTheDialogRuns) {
  Apartment com;
  Win32Shell shell;
  Win32System system;
  const UINT original = ::SetErrorMode(SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);

  std::string result = "unset";
  UINT during = 0;
  {
    // A title beyond Latin-1 reaches the dialog unchanged.
    DialogCanceller canceller(L"Choose a computer \u03A9 \u65E5\u672C");
    result = BrowseForComputer(shell, system, 0, "Choose a computer \u03A9 \u65E5\u672C", "xxxx777");
    EXPECT_TRUE(canceller.Found());
    during = canceller.ErrorModeSeen();
  }
  const UINT after = ::SetErrorMode(original);

  EXPECT_EQ(result, "");
  EXPECT_EQ(during, static_cast<UINT>(SEM_FAILCRITICALERRORS));
  EXPECT_EQ(after, static_cast<UINT>(SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX));
}

}  // namespace
}  // namespace orvel
