#include "toolkit.h"

#include <stdexcept>

#include "app/form_layout.h"
#include "speed_button.h"
#include "resource_ids.h"
#include "win32_error.h"

namespace orvel {

namespace {

void InitCommonControlClasses() {
  INITCOMMONCONTROLSEX classes{};
  classes.dwSize = sizeof classes;
  classes.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
  ::InitCommonControlsEx(&classes);
}

HICON LoadMainIcon(HINSTANCE instance, int widthMetric, int heightMetric) {
  return static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_MAIN), IMAGE_ICON,
                                         ::GetSystemMetrics(widthMetric), ::GetSystemMetrics(heightMetric), LR_SHARED));
}

}  // namespace

Win32Toolkit::Win32Toolkit(HINSTANCE instance, int startShowCommand)
    : instance_(instance), startShowCommand_(startShowCommand) {
  InitCommonControlClasses();
  icon_ = LoadMainIcon(instance, SM_CXICON, SM_CYICON);
  smallIcon_ = LoadMainIcon(instance, SM_CXSMICON, SM_CYSMICON);
  Win32Form::RegisterWindowClass(instance, icon_, smallIcon_);
  Win32SpeedButton::RegisterWindowClass(instance);
}

Win32Toolkit::~Win32Toolkit() = default;

TFormWindow& Win32Toolkit::CreateMainForm() {
  if (form_) throw std::logic_error("The main form exists already");
  auto form = std::make_unique<Win32Form>(application_);
  form->Create(instance_);
  form_ = std::move(form);
  return *form_;
}

void Win32Toolkit::Run() {
  if (!form_ || !form_->Window()) return;
  ::ShowWindow(form_->Window(), MainWindowShowCommand(startShowCommand_));
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) ProcessMessage(message);
  // Ended by something other than closing: the window goes while its handlers still exist.
  form_->Destroy();
}

void Win32Toolkit::ProcessMessage(const MSG& queued) {
  MSG message = queued;  // the window's key handler may change the key
  if (PreTranslate(message)) return;
  ::TranslateMessage(&message);
  ::DispatchMessageW(&message);
}

bool Win32Toolkit::PreTranslate(MSG& message) {
  const HWND main = form_ ? form_->Window() : nullptr;
  if (!main || !message.hwnd || (message.hwnd != main && !::IsChild(main, message.hwnd))) return false;
  if (message.message == WM_KEYDOWN && !form_->PreviewKeyDown(message.wParam)) return true;
  if (message.message == WM_KEYDOWN && message.wParam == VK_TAB) {
    const TShiftState shift = CurrentShiftState();
    constexpr auto kCtrlAlt = static_cast<TShiftState>(TShiftFlag::Ctrl) | static_cast<TShiftState>(TShiftFlag::Alt);
    if (!(shift & kCtrlAlt)) return form_->MoveFocusByTab((shift & static_cast<TShiftState>(TShiftFlag::Shift)) != 0);
  }
  if (message.message == WM_SYSCHAR) return form_->ClickAccelerator(static_cast<wchar_t>(message.wParam));
  if (message.message == WM_KEYDOWN) {
    constexpr auto kCtrl = static_cast<TShiftState>(TShiftFlag::Ctrl);
    constexpr auto kAlt = static_cast<TShiftState>(TShiftFlag::Alt);
    if ((CurrentShiftState() & (kCtrl | kAlt)) == kCtrl)
      return form_->ClickShortcut(static_cast<std::uint16_t>(message.wParam));
  }
  return false;
}

}  // namespace orvel
