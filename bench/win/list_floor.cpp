#include "list_floor.h"

#include <commctrl.h>

#include <stdexcept>

#include "measure.h"

namespace orvel::bench {
namespace {

constexpr int kMaxColumns = 16;

LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return ::SendMessageA(window, message, wParam, lParam);
}

RECT PlaceInParent(HWND window) {
  RECT rect;
  ::GetWindowRect(window, &rect);
  ::MapWindowPoints(nullptr, ::GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void CopyColumns(HWND model, HWND copy) {
  for (int index = 0; index < kMaxColumns; ++index) {
    char caption[256] = {};
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.pszText = caption;
    column.cchTextMax = sizeof caption;
    if (!Send(model, LVM_GETCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column))) return;
    Send(copy, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
  }
}

}  // namespace

BareList::BareList(HWND model) {
  const RECT place = PlaceInParent(model);
  // A list that holds its items (no owner data): the floor of filling and sorting a list item by item.
  const auto style = static_cast<DWORD>(::GetWindowLongPtrA(model, GWL_STYLE)) & ~(WS_VISIBLE | LVS_OWNERDATA);
  const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrA(model, GWL_EXSTYLE));
  window_ = ::CreateWindowExA(exStyle, WC_LISTVIEWA, "", style, place.left, place.top, place.right - place.left,
                              place.bottom - place.top, ::GetParent(model), nullptr, ::GetModuleHandleA(nullptr),
                              nullptr);
  if (!window_) throw std::runtime_error("cannot create the bare list view");
  Send(window_, WM_SETFONT, static_cast<WPARAM>(Send(model, WM_GETFONT)), FALSE);
  const auto extended = static_cast<LPARAM>(Send(model, LVM_GETEXTENDEDLISTVIEWSTYLE));
  Send(window_, LVM_SETEXTENDEDLISTVIEWSTYLE, static_cast<WPARAM>(extended), extended);
  CopyColumns(model, window_);
}

BareList::~BareList() {
  if (window_) ::DestroyWindow(window_);
}

double BareList::TimedFill(const std::vector<RowTexts>& rows) {
  Clear();
  const Stopwatch watch;
  Send(window_, WM_SETREDRAW, FALSE);
  int index = 0;
  for (const RowTexts& texts : rows) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index;
    item.pszText = const_cast<char*>(texts[0].c_str());
    item.lParam = index;
    const auto at = static_cast<int>(Send(window_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    for (std::size_t column = 1; column < texts.size(); ++column) {
      if (texts[column].empty()) continue;
      LVITEMA text{};
      text.iSubItem = static_cast<int>(column);
      text.pszText = const_cast<char*>(texts[column].c_str());
      Send(window_, LVM_SETITEMTEXTA, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&text));
    }
    ++index;
  }
  Send(window_, WM_SETREDRAW, TRUE);
  ::InvalidateRect(window_, nullptr, TRUE);
  PaintNow(window_);
  return watch.Milliseconds();
}

void BareList::Clear() {
  Send(window_, WM_SETREDRAW, FALSE);
  Send(window_, LVM_DELETEALLITEMS);
  Send(window_, WM_SETREDRAW, TRUE);
}

void PaintNow(HWND window) { ::UpdateWindow(window); }

}  // namespace orvel::bench
