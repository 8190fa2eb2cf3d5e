#include "balloon.h"

#include <initializer_list>

#include "../app/form1.h"
#include "../app/language.h"
#include "../platform/utf.h"
#include "web_config.h"

namespace orvel {

// TOOLINFOW up to lParam (TTTOOLINFOW_V2_SIZE): 44 bytes in 32-bit programs, 64 in 64-bit ones.
static_assert(sizeof(TToolInfo) == 24 + 5 * sizeof(void*), "TToolInfo must match TOOLINFOW up to lParam");

namespace balloon {

std::string CompanionPage(std::int32_t language) {
  const char* path = language == LanguageGerman ? "/kestrawatch/deutsch/index.html?ref=orvl" : "/kestrawatch/index.html?ref=orvl";
  return std::string("http://") + ORVEL_MAKER_HOST + path;
}

}  // namespace balloon

using namespace balloon;

namespace {

template <class T>
std::intptr_t PointerParam(const T* pointer) {
  return reinterpret_cast<std::intptr_t>(pointer);
}

// FHintState for a hide at this tick count: the 32-bit value, whatever the width of lParam.
std::int32_t HiddenAt(std::uint32_t tick) {
  // A hide at tick 5 would read as showing and swallow every click until a deactivation.
  if (tick == static_cast<std::uint32_t>(Showing)) --tick;
  return static_cast<std::int32_t>(tick);
}

// The tick count wraps after 2^32 ms; the unsigned difference still gives the time since the hide.
bool JustHidden(std::uint32_t now, std::intptr_t hintState) {
  const std::uint32_t elapsed = now - static_cast<std::uint32_t>(hintState);
  return elapsed < ClosingClickMs;
}

}  // namespace

void TForm1::CreateBalloonHint(const std::string& title, const std::string& body) {
  if (FHintWnd != 0) return;
  IWindowApi& windows = Services.Windows;
  FHintWnd = windows.CreateWindowExW(ExStyle, ClassName, nullptr, Style, 0, 0, 0, 0, Form.Handle());
  windows.SetWindowPos(FHintWnd, InsertTopmost, 0, 0, 0, 0, TopmostFlags);
  FToolInfo.cbSize = sizeof(TToolInfo);
  FToolInfo.hwnd = ListView1.Handle();
  FToolInfo.hinst = 0;
  FToolInfo.uFlags = ToolFlags;
  FToolInfo.uId = ListView1.Handle();
  const std::u16string wideTitle = utf::ToUtf16(title), wideBody = utf::ToUtf16(body);
  FToolInfo.lpszText = wideBody.c_str();
  windows.SendMessageW(FHintWnd, TtmSetTitleW, TtiInfo, PointerParam(wideTitle.c_str()));
  for (std::uintptr_t which : {TtdtInitial, TtdtAutoPop, TtdtReshow})
    windows.SendMessageW(FHintWnd, TtmSetDelayTime, which, Delay);
  windows.SendMessageW(FHintWnd, TtmActivate, 0, 0);
  windows.SendMessageW(FHintWnd, TtmAddToolW, 0, PointerParam(&FToolInfo));
  // The tooltip copied the body; the caller's text does not outlive this call.
  FToolInfo.lpszText = nullptr;
  DebugTrace(Services.System, "--- created ---");
  FToolInfo.lParam = Idle;
}

void TForm1::ListViewWndProc(TMessage& message) {
  const auto* header = message.Msg == WmNotify ? reinterpret_cast<const TNotifyHeader*>(message.LParam) : nullptr;
  if (header && FHintWnd != 0 && header->hwndFrom == FHintWnd) {
    ISystem& system = Services.System;
    switch (static_cast<std::int32_t>(header->code)) {
      case TtnShow:
        DebugTrace(system, "-- show");
        FToolInfo.lParam = Showing;
        break;
      case TtnPop:
        if (FToolInfo.lParam == Showing) FToolInfo.lParam = HiddenAt(system.GetTickCount());
        DebugTrace(system, "-- hide");
        break;
      case TtnLinkClick:
        system.ShellExecuteW(Form.Handle(), "open", CompanionPage(FLanguage), SwShow);
        Services.Windows.ShowWindow(FHintWnd, SwHide);
        FToolInfo.lParam = Idle;
        DebugTrace(system, "-- TTN_LINKCLICK");
        system.MessageBeep(0);
        break;
      default:
        break;
    }
  }
  FOldListViewProc(message);
}

void TForm1::ListView1Click(TObject* /*sender*/) {
  ISystem& system = Services.System;
  DebugTrace(system, "               CLICK");
  if (FToolInfo.lParam == Showing) {
    DebugTrace(system, "just showing");
    return;
  }
  // In the idle state (0) the elapsed time is the tick count itself.
  if (JustHidden(system.GetTickCount(), FToolInfo.lParam)) {
    DebugTrace(system, "just hidden");
    return;
  }
  DebugTrace(system, "just popup");
  Services.Windows.SendMessageW(FHintWnd, TtmActivate, 1, 0);
  Services.Windows.SendMessageW(FHintWnd, TtmPopup, 0, 0);
}

void TForm1::FormDeactivate(TObject* /*sender*/) {
  Services.Windows.ShowWindow(FHintWnd, SwHide);
  FToolInfo.lParam = Idle;
}

void TForm1::FormClose(TObject* /*sender*/, TCloseAction& /*action*/) {
  AbandonManyScan();
  Services.Windows.SendMessageW(FHintWnd, TtmDelToolW, 0, PointerParam(&FToolInfo));
  Services.Windows.DestroyWindow(FHintWnd);
}

void DebugTrace(ISystem& system, const std::string& text) { system.OutputDebugStringW(text); }

}  // namespace orvel
