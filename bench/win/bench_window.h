// The real main window for the benchmark: TForm1 over the Win32 toolkit's controls and the real
// Windows services, WMI answered by the stand-in. Message boxes are recorded instead of shown.
#pragma once

// First: <windows.h> must come through the toolkit's header, which keeps MessageBox unrenamed.
#include "platform/win32/win32_api.h"

#include <memory>
#include <string>
#include <vector>

#include "app/form1.h"
#include "platform/win32/scan_workers.h"
#include "platform/win32/shell.h"
#include "platform/win32/system.h"
#include "platform/win32/toolkit.h"
#include "platform/win32/window_api.h"
#include "platform/win32/wmi_client.h"

namespace orvel::bench {

class BenchWindow {
 public:
  BenchWindow();
  BenchWindow(const BenchWindow&) = delete;
  BenchWindow& operator=(const BenchWindow&) = delete;
  ~BenchWindow();

  // Shows the window; its first paint runs the start sequence, whose scan must bring this many rows.
  void ShowAndAwaitFirstScan(int rows);
  // Dispatches what is queued (paints, mostly).
  void Pump();

  TForm1& Form() { return *form_; }
  ISystem& System() { return system_; }
  HWND ListWindow() const;
  // Texts of the message boxes shown so far; a benchmark that shows one measured a failure.
  const std::vector<std::string>& Boxes() const { return boxes_; }

 private:
  // COM for this thread as the program has it, from before the window to after it.
  class Apartment {
   public:
    explicit Apartment(ISystem& system);
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;
    ~Apartment();

   private:
    ISystem& system_;
    bool initialized_;
  };

  Win32Toolkit toolkit_;
  Win32System system_;
  Win32Wmi wmi_;
  Win32Shell shell_;
  Win32WindowApi windows_;
  Win32ComputerScans scans_;
  Apartment apartment_;
  std::vector<std::string> boxes_;
  TFormWindow& window_;
  std::unique_ptr<TForm1> form_;
};

}  // namespace orvel::bench
