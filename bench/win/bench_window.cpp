#include "bench_window.h"

#include <stdexcept>

#include "platform/win32/text.h"

namespace orvel::bench {

BenchWindow::Apartment::Apartment(ISystem& system) : system_(system), initialized_(system.CoInitialize()) {}

BenchWindow::Apartment::~Apartment() {
  if (initialized_) system_.CoUninitialize();
}

BenchWindow::BenchWindow()
    : toolkit_(::GetModuleHandleW(nullptr), SW_SHOWNORMAL),
      scans_(toolkit_.Application()),
      apartment_(system_),
      window_(toolkit_.CreateMainForm()) {
  toolkit_.Application().SetMessageBoxFunction([this](HWND, const wchar_t* text, const wchar_t*, UINT) {
    boxes_.push_back(win32::Utf8(text));
    return IDOK;
  });
  form_ = std::make_unique<TForm1>(window_, TForm1Services{toolkit_.Application(), system_, wmi_, shell_, windows_, scans_});
  window_.OnCreate(&window_);
}

BenchWindow::~BenchWindow() {
  // The window goes first, while the handlers it may still call exist.
  toolkit_.MainForm()->Destroy();
  Pump();
}

void BenchWindow::ShowAndAwaitFirstScan(int rows) {
  ::ShowWindow(toolkit_.MainForm()->Window(), SW_SHOWNORMAL);
  const DWORD start = ::GetTickCount();
  while (form_->ListView1.RowCount() != rows || !boxes_.empty()) {
    if (!boxes_.empty()) throw std::runtime_error("the first scan showed a message: " + boxes_.front());
    if (::GetTickCount() - start > 60000) throw std::runtime_error("the first scan did not fill the list");
    Pump();
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  Pump();
}

void BenchWindow::Pump() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
    if (message.message != WM_QUIT) toolkit_.ProcessMessage(message);
}

HWND BenchWindow::ListWindow() const { return reinterpret_cast<HWND>(form_->ListView1.Handle()); }

}  // namespace orvel::bench
