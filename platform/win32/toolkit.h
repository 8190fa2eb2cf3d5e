// The user-interface toolkit over Win32 and the common controls: the application object, the main
// window and the message loop.
#pragma once

#include <memory>

#include "app/program.h"
#include "application.h"
#include "form_window.h"
#include "handles.h"

namespace orvel {

class Win32Toolkit : public IToolkit {
 public:
  // startShowCommand: the show command the process was started with (WinMain's nCmdShow).
  Win32Toolkit(HINSTANCE instance, int startShowCommand);
  Win32Toolkit(const Win32Toolkit&) = delete;
  Win32Toolkit& operator=(const Win32Toolkit&) = delete;
  ~Win32Toolkit() override;

  Win32Application& Application() override { return application_; }
  TFormWindow& CreateMainForm() override;
  void Run() override;

  // One message of the loop: the window's key handler, Tab and Alt+accelerator keys for the main
  // window first, then the usual translation and dispatch.
  void ProcessMessage(const MSG& message);
  Win32Form* MainForm() const noexcept { return form_.get(); }

 private:
  bool PreTranslate(MSG& message);

  HINSTANCE instance_;
  int startShowCommand_;
  HICON icon_ = nullptr;       // the class's shared icons at the system's density: the system frees them
  HICON smallIcon_ = nullptr;
  Win32Application application_;
  std::unique_ptr<Win32Form> form_;
};

}  // namespace orvel
