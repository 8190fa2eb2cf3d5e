// Fakes of the WMI, shell and window services, the defaults that TForm1 tests start from.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/computer_scans.h"
#include "platform/ole_error.h"
#include "platform/shell.h"
#include "platform/window_api.h"
#include "platform/wmi.h"

namespace orvel::fakes {

// A WMI without a locator class; scan tests script their own.
class NoWmi : public IWmi {
 public:
  std::unique_ptr<IWmiLocator> CreateLocator() override {
    throw EOleError("Class not registered", static_cast<std::int32_t>(0x80040154));
  }
};

// A shell without an allocator: the browser shows no dialog.
class NoShell : public IShell {
 public:
  std::int32_t SHGetMalloc(IShellMalloc** allocator) override { *allocator = nullptr; return static_cast<std::int32_t>(0x80004005); }
  std::int32_t SHGetSpecialFolderLocation(WindowHandle, int, ItemIdList*) override { return static_cast<std::int32_t>(0x80004005); }
  ItemIdList SHBrowseForFolderW(TBrowseInfo*) override { return nullptr; }
  std::intptr_t SendMessageW(WindowHandle, std::uint32_t, std::uintptr_t, std::intptr_t) override { return 0; }
};

// Records window calls; created windows get consecutive handles from 0x7000.
class RecordingWindowApi : public IWindowApi {
 public:
  struct Call { std::string what; WindowHandle window; std::uint32_t message; std::uintptr_t wParam; std::intptr_t lParam; };
  WindowHandle CreateWindowExW(std::uint32_t, const char16_t*, const char16_t*, std::uint32_t, int, int, int, int, WindowHandle) override {
    calls.push_back({"CreateWindowExW", 0, 0, 0, 0});
    return nextHandle++;
  }
  void SetWindowPos(WindowHandle window, WindowHandle, int, int, int, int, std::uint32_t flags) override {
    calls.push_back({"SetWindowPos", window, flags, 0, 0});
  }
  std::intptr_t SendMessageW(WindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override {
    calls.push_back({"SendMessageW", window, message, wParam, lParam});
    return 0;
  }
  void ShowWindow(WindowHandle window, int command) override { calls.push_back({"ShowWindow", window, static_cast<std::uint32_t>(command), 0, 0}); }
  void DestroyWindow(WindowHandle window) override { calls.push_back({"DestroyWindow", window, 0, 0, 0}); }
  std::vector<Call> calls;
  WindowHandle nextHandle = 0x7000;
};

// Computer scans that answer only when the test says so, in the order it chooses; after AbandonAll
// none answers, as the workers' answers are dropped.
class ScriptedScans : public IComputerScans {
 public:
  struct Started { std::size_t index; std::string computer, user, password; TDone done; bool abandoned = false; };
  void Start(std::size_t index, const std::string& computer, const std::string& user, const std::string& password,
             TDone done) override {
    if (index == failStartAt) throw std::runtime_error("no thread");
    started.push_back({index, computer, user, password, std::move(done)});
  }
  void AbandonAll() override {
    ++abandonCalls;
    for (Started& scan : started) scan.abandoned = true;
  }
  // The computer's answer reaches the window's thread: false when it was dropped or never started.
  bool Answer(const std::string& computer, TComputerScan result) {
    for (Started& scan : started) {
      if (scan.computer != computer || !scan.done) continue;
      const TDone done = std::move(scan.done);
      scan.done = nullptr;
      if (scan.abandoned) return false;
      done(scan.index, std::move(result));
      return true;
    }
    return false;
  }
  std::vector<Started> started;
  int abandonCalls = 0;
  std::size_t failStartAt = static_cast<std::size_t>(-1);  // Start throws for this index
};

}  // namespace orvel::fakes
