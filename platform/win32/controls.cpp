#include "controls.h"

#include <stdexcept>

#include "dpi.h"
#include "event_guard.h"
#include "text.h"
#include "win32_error.h"

namespace orvel {

namespace {

constexpr int kDropDownRows = 20;       // the computer field's list shows up to this many entries
constexpr int kCommonClipId = 152;      // the shell's find-computer clip (type "AVI" in shell32.dll)
constexpr int kBusyClipLastFrame = 7;   // frames 1 to 8 of either clip

LPARAM TextParam(const std::wstring& text) { return reinterpret_cast<LPARAM>(text.c_str()); }

}  // namespace

std::wstring WideWindowText(HWND window) {
  if (!window) return {};
  const int length = ::GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return text;
}

std::string WindowText(HWND window) { return win32::Utf8(WideWindowText(window)); }

wchar_t UpperCase(wchar_t c) {
  // CharUpperW takes a single character in the low word of its pointer argument.
  const auto upper = reinterpret_cast<UINT_PTR>(::CharUpperW(reinterpret_cast<LPWSTR>(static_cast<UINT_PTR>(c))));
  return static_cast<wchar_t>(upper & 0xFFFF);
}

// Read from the window's UTF-16 text: the marked letter is one unit there, whatever its script.
wchar_t AcceleratorKey(HWND window) {
  const std::wstring caption = WideWindowText(window);
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != L'&') continue;
    if (caption[++i] != L'&') return UpperCase(caption[i]);
  }
  return 0;
}

TShiftState CurrentShiftState() {
  TShiftState state = 0;
  if (::GetKeyState(VK_SHIFT) < 0) state |= static_cast<TShiftState>(TShiftFlag::Shift);
  if (::GetKeyState(VK_MENU) < 0) state |= static_cast<TShiftState>(TShiftFlag::Alt);
  if (::GetKeyState(VK_CONTROL) < 0) state |= static_cast<TShiftState>(TShiftFlag::Ctrl);
  return state;
}

// --- Win32ChildControl ---------------------------------------------------------------------------

bool Win32ChildControl::Notify(NMHDR&, LRESULT&) { return false; }

void Win32ChildControl::ChangeDpi(int, int, HFONT font, const Rect& rect) {
  ::SetWindowPos(window_, nullptr, rect.left, rect.top, rect.width, rect.height, SWP_NOZORDER | SWP_NOACTIVATE);
  Send(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

HWND Win32ChildControl::CreateChildWindow(const ControlCreation& c, const wchar_t* className, std::string_view text,
                                          DWORD style, DWORD exStyle, bool ownClass) {
  if (c.def.tabOrder >= 0) style |= WS_TABSTOP;
  window_ = ::CreateWindowExW(exStyle, className, win32::Wide(text).c_str(), WS_CHILD | style, c.rect.left,
                              c.rect.top, c.rect.width, c.rect.height, c.parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.windowId)), c.instance,
                              ownClass ? CreationParameter() : nullptr);
  if (!window_) ThrowLastError(c.def.name);
  return window_;
}

// --- ComboBoxEdit --------------------------------------------------------------------------------

bool PassKeyDown(TApplication& application, const TKeyEvent& event, TObject& sender, WPARAM& wParam) {
  auto key = static_cast<std::uint16_t>(wParam);
  FireEvent(application, event, &sender, key, CurrentShiftState());
  wParam = key;
  return key != 0;
}

LRESULT ComboBoxEdit::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if ((message == WM_KEYDOWN || message == WM_SYSKEYDOWN) && !PassKeyDown(application_, event_, sender_, wParam)) return 0;
  return Default(message, wParam, lParam);
}

// --- Win32Label ----------------------------------------------------------------------------------

void Win32Label::Create(const ControlCreation& c) {
  // No SS_NOPREFIX: the "&" of the caption marks its accelerator.
  CreateChildWindow(c, L"STATIC", c.def.caption ? c.def.caption : "", WS_VISIBLE | SS_LEFT, 0);
  Send(window_, WM_SETFONT, reinterpret_cast<WPARAM>(c.font), FALSE);
  AutoSize();
}

// A label's size follows its caption in the new font; only its place comes from the layout.
void Win32Label::ChangeDpi(int, int, HFONT font, const Rect& rect) {
  ::SetWindowPos(window_, nullptr, rect.left, rect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  Send(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  AutoSize();
}

void Win32Label::SetCaption(const std::string& caption) {
  if (!window_) return;
  ::SetWindowTextW(window_, win32::Wide(caption).c_str());
  AutoSize();
}

void Win32Label::AutoSize() {
  const std::wstring caption = WideWindowText(window_);
  WindowDC dc(window_);
  const SelectObjectScope font(dc.get(), reinterpret_cast<HGDIOBJ>(Send(window_, WM_GETFONT)));
  RECT extent{0, 0, 0, 0};
  ::DrawTextW(dc.get(), caption.c_str(), static_cast<int>(caption.size()), &extent, DT_CALCRECT | DT_SINGLELINE | DT_LEFT);
  ::SetWindowPos(window_, nullptr, 0, 0, extent.right - extent.left, extent.bottom - extent.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::InvalidateRect(window_, nullptr, TRUE);
}

// --- Win32Edit -----------------------------------------------------------------------------------

void Win32Edit::Create(const ControlCreation& c) {
  CreateChildWindow(c, L"EDIT", "", WS_VISIBLE | ES_AUTOHSCROLL | ES_PASSWORD, WS_EX_CLIENTEDGE);
  Send(window_, WM_SETFONT, reinterpret_cast<WPARAM>(c.font), FALSE);
  // The asterisk, as the field always showed it: a Unicode field would fall back on a round dot.
  Send(window_, EM_SETPASSWORDCHAR, L'*');
  Subclass(window_);
}

LRESULT Win32Edit::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if ((message == WM_KEYDOWN || message == WM_SYSKEYDOWN) && !PassKeyDown(application_, OnKeyDown, *this, wParam)) return 0;
  return Default(message, wParam, lParam);
}

void Win32Edit::SetText(const std::string& text) {
  if (window_) ::SetWindowTextW(window_, win32::Wide(text).c_str());
}

// --- Win32ComboBox -------------------------------------------------------------------------------

void Win32ComboBox::Create(const ControlCreation& c) {
  const bool dropDown = c.def.kind == ControlKind::ComboDropDown;
  const DWORD style = WS_VISIBLE | CBS_AUTOHSCROLL | (dropDown ? (CBS_DROPDOWN | WS_VSCROLL) : CBS_SIMPLE);
  CreateChildWindow(c, L"COMBOBOX", "", style, 0);
  Send(window_, WM_SETFONT, reinterpret_cast<WPARAM>(c.font), FALSE);
  fieldHeight_ = c.rect.height;
  FitList();
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (::GetComboBoxInfo(window_, &info) && info.hwndItem) edit_.Attach(info.hwndItem);
  Subclass(window_);  // so that assistive technology hears the field's name
}

// The edit field holds the focus for the box: it goes by the same name.
void Win32ComboBox::SetAccessibleName(const std::string& name) {
  Win32Control::SetAccessibleName(name);
  if (edit_.Window()) edit_.NameChanged(edit_.Window());
}

void Win32ComboBox::ChangeDpi(int previousDpi, int dpi, HFONT font, const Rect& rect) {
  Win32ChildControl::ChangeDpi(previousDpi, dpi, font, rect);
  fieldHeight_ = rect.height;
  FitList();
}

void Win32ComboBox::FitList() {
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (!::GetComboBoxInfo(window_, &info)) return;
  const bool dropDown = (::GetWindowLongW(window_, GWL_STYLE) & CBS_DROPDOWN) != 0;
  GrowField(dropDown ? nullptr : info.hwndList);
  if (dropDown) {
    SizeDropDownList();
  } else {
    HideSliverOfList(info.hwndList);
  }
}

// The frame around the field keeps its pixels at every density: the field is made as high as the
// layout's box, as it is at 96 pixels per inch by itself.
void Win32ComboBox::GrowField(HWND list) {
  // Measured again after each change: the control places the field anew, and some versions answer
  // CB_GETITEMHEIGHT with a little more than they were given.
  auto itemHeight = static_cast<int>(Send(window_, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1)));
  for (int attempt = 0; attempt < 3; ++attempt) {
    RECT box, listRect;
    ::GetWindowRect(window_, &box);
    // A simple combo box's field ends where its list begins, a drop-down one's with the box.
    const int field = list && ::GetWindowRect(list, &listRect) ? listRect.top - box.top + 1 : box.bottom - box.top;
    const int missing = fieldHeight_ - field;
    // Lower than the layout only when the density is not the design's: never shrunk.
    if (missing == 0 || (attempt == 0 && missing < 0)) return;
    itemHeight += missing;
    Send(window_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), itemHeight);
  }
}

// A simple combo box one line high leaves its list a sliver below the field, which covers the
// field's lower edge. The list is kept (Up and Down step through it) but hidden, and the box ends
// with the field's frame, on whose last row the list begins.
void Win32ComboBox::HideSliverOfList(HWND list) {
  if (!list) return;
  RECT box, listRect;
  ::GetWindowRect(window_, &box);
  ::GetWindowRect(list, &listRect);
  const auto itemHeight = static_cast<int>(Send(window_, CB_GETITEMHEIGHT, 0));
  if (box.bottom - listRect.top >= itemHeight) return;  // room for an item: a real list
  ::ShowWindow(list, SW_HIDE);
  ::SetWindowPos(window_, nullptr, 0, 0, box.right - box.left, listRect.top - box.top + 1,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Common controls 6 size the list by the minimum visible count, older ones by the window height.
void Win32ComboBox::SizeDropDownList() {
  Send(window_, CB_SETMINVISIBLE, kDropDownRows);
  RECT closed{};
  ::GetWindowRect(window_, &closed);
  const auto itemHeight = static_cast<int>(Send(window_, CB_GETITEMHEIGHT, 0));
  const int droppedHeight = (closed.bottom - closed.top) + kDropDownRows * itemHeight + 2;
  ::SetWindowPos(window_, nullptr, 0, 0, closed.right - closed.left, droppedHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32ComboBox::SetText(const std::string& text) {
  if (window_) ::SetWindowTextW(window_, win32::Wide(text).c_str());
}

int Win32ComboBox::Count() const { return static_cast<int>(Send(window_, CB_GETCOUNT)); }

std::string Win32ComboBox::Item(int index) const {
  const auto length = Send(window_, CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
  if (length == CB_ERR) throw std::out_of_range("combo box item index");
  std::wstring item(static_cast<std::size_t>(length) + 1, L'\0');
  const auto copied = Send(window_, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(item.data()));
  item.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return win32::Utf8(item);
}

int Win32ComboBox::FindStringExact(const std::string& text) const {
  const auto found = Send(window_, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), TextParam(win32::Wide(text)));
  return found == CB_ERR ? -1 : static_cast<int>(found);
}

void Win32ComboBox::AddItem(const std::string& text) { Send(window_, CB_ADDSTRING, 0, TextParam(win32::Wide(text))); }

void Win32ComboBox::InsertItem(int index, const std::string& text) {
  Send(window_, CB_INSERTSTRING, static_cast<WPARAM>(index), TextParam(win32::Wide(text)));
}

void Win32ComboBox::DeleteItem(int index) { Send(window_, CB_DELETESTRING, static_cast<WPARAM>(index)); }

void Win32ComboBox::SetItemIndex(int index) { Send(window_, CB_SETCURSEL, static_cast<WPARAM>(index)); }

// --- Win32StatusBar ------------------------------------------------------------------------------

void Win32StatusBar::Create(const ControlCreation& c) {
  CreateChildWindow(c, STATUSCLASSNAMEW, "", WS_VISIBLE | SBARS_SIZEGRIP, 0);
  UseFontFor(c.dpi);
  Send(window_, SB_SIMPLE, TRUE);
  Send(window_, WM_SIZE);  // docks itself at the bottom of the parent's client area
}

void Win32StatusBar::ChangeDpi(int, int dpi, HFONT, const Rect&) {
  UseFontFor(dpi);
  Send(window_, WM_SIZE);
}

void Win32StatusBar::UseFontFor(int dpi) {
  const LOGFONTW status = StatusFontForDpi(dpi);
  if (status.lfHeight == 0 && status.lfFaceName[0] == L'\0') return;
  UniqueFont font(::CreateFontIndirectW(&status));
  if (!font) return;
  Send(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
  font_ = std::move(font);
}

bool Win32StatusBar::Notify(NMHDR& header, LRESULT& result) {
  if (header.code != static_cast<UINT>(NM_CLICK)) return false;
  FireEvent(application_, OnClick, this);
  result = 0;
  return true;
}

void Win32StatusBar::SetSimpleText(const std::string& text) {
  text_ = text;
  // The bar copies the text.
  if (window_) Send(window_, SB_SETTEXTW, SB_SIMPLEID, TextParam(win32::Wide(text_)));
}

// --- Win32Animate --------------------------------------------------------------------------------

void Win32Animate::Create(const ControlCreation& c) {
  CreateChildWindow(c, ANIMATE_CLASSW, "", ACS_CENTER | ACS_TRANSPARENT, 0);
  // The form definition's clip is the shell's; shell32 is loaded for the program's own use anyway.
  const HMODULE shell = ::GetModuleHandleW(L"shell32.dll");
  if (shell) Send(window_, ACM_OPENW, reinterpret_cast<WPARAM>(shell), reinterpret_cast<LPARAM>(MAKEINTRESOURCEW(kCommonClipId)));
}

// The control keeps the size of its clip's frames.
void Win32Animate::ChangeDpi(int, int, HFONT, const Rect& rect) {
  ::SetWindowPos(window_, nullptr, rect.left, rect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Animate::UseOwnClip(int resourceId) {
  usesCommonClip_ = false;
  playing_ = false;
  Send(window_, ACM_OPENW, reinterpret_cast<WPARAM>(::GetModuleHandleW(nullptr)),
       reinterpret_cast<LPARAM>(MAKEINTRESOURCEW(resourceId)));
}

void Win32Animate::Play() {
  playing_ = Send(window_, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, kBusyClipLastFrame)) != 0;
}

void Win32Animate::Stop() {
  Send(window_, ACM_STOP);
  playing_ = false;
}

}  // namespace orvel
