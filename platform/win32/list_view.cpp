#include "list_view.h"

#include <algorithm>
#include <cstddef>
#include <exception>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include <windowsx.h>

#include "app/form_layout.h"
#include "event_guard.h"
#include "text.h"

namespace orvel {

namespace {

constexpr int kCaptionBuffer = 256;

// The comparison of the sort in progress; LVM_SORTITEMS calls back synchronously on the one UI thread.
struct SortContext {
  TRowCompare compare;
  std::exception_ptr failure;
};
SortContext* activeSort = nullptr;

int CALLBACK CompareRows(LPARAM first, LPARAM second, LPARAM key) noexcept {
  SortContext* sort = activeSort;
  if (!sort || sort->failure) return 0;
  try {
    return sort->compare(*reinterpret_cast<const TListRow*>(first), *reinterpret_cast<const TListRow*>(second),
                         static_cast<std::int32_t>(key));
  } catch (...) {
    // Kept until the list has finished, then re-thrown to the caller of SortItems.
    sort->failure = std::current_exception();
    return 0;
  }
}

class ActiveSortScope {
 public:
  explicit ActiveSortScope(SortContext& sort) noexcept : previous_(std::exchange(activeSort, &sort)) {}
  ActiveSortScope(const ActiveSortScope&) = delete;
  ActiveSortScope& operator=(const ActiveSortScope&) = delete;
  ~ActiveSortScope() { activeSort = previous_; }

 private:
  SortContext* previous_;
};

// A cell's text as UTF-16 into a buffer kept across cells: painting and searching convert many texts.
using win32::WideInto;

// LVM_INSERTCOLUMNW of one column at the density's width; the index the list gave it (-1: refused).
LRESULT InsertListColumn(HWND list, int index, const std::string& caption, int width, bool alignRight, int dpi) {
  std::wstring text = win32::Wide(caption);
  LVCOLUMNW column{};
  column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  column.fmt = alignRight ? LVCFMT_RIGHT : LVCFMT_LEFT;
  column.cx = Scaled(width, dpi);
  column.pszText = text.data();
  column.iSubItem = index;
  return Send(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

bool IsDividerNotification(UINT code) {
  return code == HDN_ITEMCHANGINGA || code == HDN_ITEMCHANGINGW || code == HDN_TRACKA || code == HDN_TRACKW;
}

}  // namespace

Win32ListView::Win32ListView(TApplication& application)
    : Win32Control(application), windowProc_([this](TMessage& message) { OriginalWindowProc(message); }) {}

void Win32ListView::Create(const ControlCreation& c) {
  // No LVS_SHOWSELALWAYS: the selection shows only while the list has the focus. Owner data: the
  // list holds no items, so adding a scan's rows costs one message, however many there are.
  CreateChildWindow(c, WC_LISTVIEWW, "", WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL | LVS_OWNERDATA, WS_EX_CLIENTEDGE);
  Send(window_, WM_SETFONT, reinterpret_cast<WPARAM>(c.font), FALSE);
  Send(window_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  int index = 0;
  for (const ColumnDef& def : c.def.columns) {
    InsertListColumn(window_, index, def.caption, def.width, def.alignRight, c.dpi);
    ++index;
  }
  minWidths_.assign(static_cast<std::size_t>(index), 0);
  dpi_ = c.dpi;
  Subclass(window_);
}

// Every column keeps its width, the designed one or one the user dragged, scaled to the density.
void Win32ListView::ChangeDpi(int previousDpi, int dpi, HFONT font, const Rect& rect) {
  Win32ChildControl::ChangeDpi(previousDpi, dpi, font, rect);
  dpi_ = dpi;
  for (int column = 0; column < ColumnCount(); ++column)
    Send(window_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(::MulDiv(ColumnWidth(column), dpi, previousDpi), 0));
}

bool Win32ListView::Notify(NMHDR& header, LRESULT& result) {
  result = 0;
  switch (header.code) {
    case NM_CLICK:
      FireEvent(application_, OnClick, this);
      return true;
    case NM_DBLCLK:
      FireEvent(application_, OnDblClick, this);
      return true;
    case LVN_COLUMNCLICK:
      FireEvent(application_, OnColumnClick, this, reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
      return true;
    case LVN_GETDISPINFOW:
      CopyCellText(reinterpret_cast<NMLVDISPINFOW&>(header).item);
      return true;
    case LVN_ODFINDITEMW:
      result = FindRow(reinterpret_cast<const NMLVFINDITEMW&>(header));
      return true;
    default:
      return false;
  }
}

// --- columns -------------------------------------------------------------------------------------

int Win32ListView::ColumnCount() const { return static_cast<int>(minWidths_.size()); }

void Win32ListView::SetColumnCaption(int column, const std::string& caption) {
  // The format goes along with the text: Wine's list rebuilds the header item's format from what
  // it is given, and a text alone would left-align a right-aligned header.
  LVCOLUMNW data{};
  data.mask = LVCF_FMT;
  if (!Send(window_, LVM_GETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&data))) return;
  std::wstring text = win32::Wide(caption);
  data.mask = LVCF_FMT | LVCF_TEXT;
  data.pszText = text.data();
  Send(window_, LVM_SETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&data));
}

std::string Win32ListView::ColumnCaption(int column) const {
  wchar_t buffer[kCaptionBuffer] = {};
  LVCOLUMNW data{};
  data.mask = LVCF_TEXT;
  data.pszText = buffer;
  data.cchTextMax = kCaptionBuffer;
  if (!Send(window_, LVM_GETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&data))) return {};
  return win32::Utf8(data.pszText);
}

int Win32ListView::ColumnWidth(int column) const {
  return static_cast<int>(Send(window_, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column)));
}

void Win32ListView::SetColumnMinWidth(int column, int minWidth) {
  minWidths_.at(static_cast<std::size_t>(column)) = minWidth;
}

int Win32ListView::ColumnMinWidth(int column) const { return minWidths_.at(static_cast<std::size_t>(column)); }

void Win32ListView::InsertColumn(int column, const std::string& caption, int width, bool alignRight) {
  if (column < 1 || column > ColumnCount()) throw std::out_of_range("list column index");
  if (window_ && InsertListColumn(window_, column, caption, width, alignRight, dpi_) != column)
    throw std::runtime_error("The list refused another column");
  minWidths_.insert(minWidths_.begin() + column, 0);
  const auto sub = static_cast<std::size_t>(column) - 1;
  for (TListRow& row : rows_)
    if (sub < row.SubItems.size()) row.SubItems.insert(row.SubItems.begin() + static_cast<std::ptrdiff_t>(sub), std::string());
  if (window_) ::InvalidateRect(window_, nullptr, TRUE);
}

void Win32ListView::DeleteColumn(int column) {
  if (column < 1 || column >= ColumnCount()) throw std::out_of_range("list column index");
  if (window_ && !Send(window_, LVM_DELETECOLUMN, static_cast<WPARAM>(column)))
    throw std::runtime_error("The list kept a column");
  minWidths_.erase(minWidths_.begin() + column);
  const auto sub = static_cast<std::size_t>(column) - 1;
  for (TListRow& row : rows_)
    if (sub < row.SubItems.size()) row.SubItems.erase(row.SubItems.begin() + static_cast<std::ptrdiff_t>(sub));
  if (window_) ::InvalidateRect(window_, nullptr, TRUE);
}

// --- rows ----------------------------------------------------------------------------------------

void Win32ListView::Clear() {
  // The list first: it must not ask for a row that is gone.
  Send(window_, LVM_DELETEALLITEMS);
  shownCount_ = 0;
  order_.clear();
  rows_.clear();
}

void Win32ListView::BeginUpdate() {
  if (updateDepth_++ == 0) Send(window_, WM_SETREDRAW, FALSE);
}

void Win32ListView::EndUpdate() {
  if (updateDepth_ == 0 || --updateDepth_ != 0) return;
  ShowRowCount();
  Send(window_, WM_SETREDRAW, TRUE);
  if (window_) ::InvalidateRect(window_, nullptr, TRUE);
}

// The list asks for every cell's text as it needs it (LVN_GETDISPINFO) and keeps no copies; inside
// an update bracket it learns of the new rows when the bracket closes.
void Win32ListView::AddRow(TListRow row) {
  TListRow& stored = rows_.emplace_back(std::move(row));
  try {
    order_.push_back(&stored);
  } catch (...) {
    rows_.pop_back();
    throw;
  }
  if (updateDepth_ == 0) ShowRowCount();
}

void Win32ListView::ShowRowCount() {
  const int count = RowCount();
  if (!window_ || count == shownCount_) return;
  // Past the tooltip's hook, as every row message: it only relays mouse messages.
  if (!Perform(LVM_SETITEMCOUNT, static_cast<WPARAM>(count), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL))
    throw std::runtime_error("The list refused its rows");
  shownCount_ = count;
}

// Into the list's buffer, cut to its size: also another program's, which asked with LVM_GETITEMTEXT.
void Win32ListView::CopyCellText(LVITEMW& item) const {
  if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
  // The row by the item's index: no documentation says the notification carries the item's lParam.
  const TListRow* row = RowAt(item.iItem);
  WideInto(cellText_, row && item.iSubItem >= 0 ? row->Cell(static_cast<std::size_t>(item.iSubItem)) : "");
  const std::size_t length = std::min(cellText_.size(), static_cast<std::size_t>(item.cchTextMax) - 1);
  std::copy_n(cellText_.data(), length, item.pszText);
  item.pszText[length] = L'\0';
}

int Win32ListView::RowCount() const { return static_cast<int>(order_.size()); }

const TListRow* Win32ListView::RowAt(int index) const {
  return (index >= 0 && index < RowCount()) ? order_[static_cast<std::size_t>(index)] : nullptr;
}

const TListRow& Win32ListView::Row(int index) const {
  const TListRow* row = RowAt(index);
  if (!row) throw std::out_of_range("list row index");
  return *row;
}

const TListRow* Win32ListView::Selected() const {
  if (!window_) return nullptr;
  const auto index = static_cast<int>(Send(window_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  return index < 0 ? nullptr : RowAt(index);
}

void Win32ListView::SortItems(std::int32_t key, TRowCompare compare) {
  if (!window_ || !compare) return;
  SortContext sort{compare, nullptr};
  {
    const ActiveSortScope active(sort);
    // Past the tooltip's hook, as the rows are added: it only relays mouse messages.
    Perform(LVM_SORTITEMS, static_cast<WPARAM>(static_cast<LPARAM>(key)), reinterpret_cast<LPARAM>(&CompareRows));
  }
  if (sort.failure) std::rethrow_exception(sort.failure);
}

// A stable sort of the rows, each given to the comparison by its address, as a list of items sorts
// by their values. Only the toolkit's own comparison is called: a pointer sent from elsewhere is refused.
bool Win32ListView::SortRows(LPARAM key, PFNLVCOMPARE compare) {
  if (compare != &CompareRows) return false;
  const auto itemWith = [this](UINT flag) { return static_cast<int>(Default(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), flag)); };
  const TListRow* selected = RowAt(itemWith(LVNI_SELECTED));
  const TListRow* focused = RowAt(itemWith(LVNI_FOCUSED));
  std::stable_sort(order_.begin(), order_.end(), [&](const TListRow* first, const TListRow* second) {
    return compare(reinterpret_cast<LPARAM>(first), reinterpret_cast<LPARAM>(second), key) < 0;
  });
  // The list keeps states by index: they move with their rows.
  if (selected || focused) {
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    Default(LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    for (int index = 0; index < RowCount(); ++index) {
      const TListRow* row = order_[static_cast<std::size_t>(index)];
      state.state = (row == selected ? LVIS_SELECTED : 0u) | (row == focused ? LVIS_FOCUSED : 0u);
      if (state.state == 0) continue;
      Default(LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&state));
      if (row == selected) Default(LVM_SETSELECTIONMARK, 0, index);
    }
  }
  ::InvalidateRect(window_, nullptr, TRUE);
  ::NotifyWinEvent(EVENT_OBJECT_REORDER, window_, OBJID_CLIENT, CHILDID_SELF);
  return true;
}

// Ignoring case, from the row the list names, round to the top when the list asks to wrap.
int Win32ListView::FindRow(const NMLVFINDITEMW& request) const {
  const LVFINDINFOW& find = request.lvfi;
  if (!(find.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.psz) return -1;
  const int wantedLength = ::lstrlenW(find.psz);
  const int count = RowCount();
  const int start = (request.iStart >= 0 && request.iStart < count) ? request.iStart : 0;
  for (int step = 0; step < count; ++step) {
    int index = start + step;
    if (index >= count) {
      if (!(find.flags & LVFI_WRAP)) break;
      index -= count;
    }
    WideInto(cellText_, order_[static_cast<std::size_t>(index)]->Caption);
    const int length = static_cast<int>(cellText_.size());
    if ((find.flags & LVFI_PARTIAL) ? length < wantedLength : length != wantedLength) continue;
    if (::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, cellText_.data(), wantedLength, find.psz,
                         wantedLength) == CSTR_EQUAL)
      return index;
  }
  return -1;
}

// --- window procedure ----------------------------------------------------------------------------

// The row count and the sort go in through Perform, past the balloon's TTF_SUBCLASS hook, which only
// relays mouse messages: under Wine every message through it costs two wineserver round trips (GetProp).
LRESULT Win32ListView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  TMessage record{message, wParam, lParam, 0};
  FireEvent(application_, windowProc_, record);
  return record.Result;
}

void Win32ListView::OriginalWindowProc(TMessage& message) {
  if (!window_) return;
  LRESULT refused = 0;
  if (message.Msg == WM_NOTIFY && KeepMinWidth(*reinterpret_cast<const NMHDR*>(message.LParam), refused)) {
    message.Result = refused;
    return;
  }
  if (message.Msg == WM_CONTEXTMENU && OnContextPopup) {
    // -1, -1: Shift+F10 or the menu key.
    POINT at{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
    if (at.x == -1 && at.y == -1) at = KeyboardMenuPoint();
    FireEvent(application_, OnContextPopup, this, static_cast<int>(at.x), static_cast<int>(at.y));
    message.Result = 0;
    return;
  }
  if (message.Msg == LVM_SORTITEMS && SortRows(static_cast<LPARAM>(message.WParam), reinterpret_cast<PFNLVCOMPARE>(message.LParam))) {
    message.Result = TRUE;
    return;
  }
  WPARAM wParam = message.WParam;
  if (message.Msg == WM_KEYDOWN && !PassKeyDown(application_, OnKeyDown, *this, wParam)) return;
  message.Result = Default(message.Msg, wParam, message.LParam);
}

POINT Win32ListView::KeyboardMenuPoint() {
  POINT at{0, 0};
  const auto selected = static_cast<int>(Send(window_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  RECT row{};
  row.left = LVIR_LABEL;
  if (selected >= 0) {
    Send(window_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(selected), FALSE);
    if (Send(window_, LVM_GETITEMRECT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(&row)))
      at = {row.left, row.bottom};
  }
  ::ClientToScreen(window_, &at);
  return at;
}

// A divider drag below a column's minimum width is refused and the column set to its minimum:
// the header ignores a width corrected inside HDN_ITEMCHANGING, so the change must be refused.
bool Win32ListView::KeepMinWidth(const NMHDR& header, LRESULT& result) {
  if (!IsDividerNotification(header.code)) return false;
  if (header.hwndFrom != reinterpret_cast<HWND>(Send(window_, LVM_GETHEADER))) return false;
  // Both forms alike up to the item's text, which is not read.
  auto& change = const_cast<NMHEADERW&>(reinterpret_cast<const NMHEADERW&>(header));
  if (!change.pitem || !(change.pitem->mask & HDI_WIDTH)) return false;
  if (change.iItem < 0 || change.iItem >= ColumnCount()) return false;
  const int minWidth = minWidths_[static_cast<std::size_t>(change.iItem)];
  if (change.pitem->cxy >= minWidth) return false;
  change.pitem->cxy = minWidth;
  // Tracking goes on, shown at the minimum; only the change itself can be refused.
  if (header.code == HDN_TRACKA || header.code == HDN_TRACKW) return false;
  if (ColumnWidth(change.iItem) != minWidth)
    Send(window_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(change.iItem), MAKELPARAM(minWidth, 0));
  result = TRUE;
  return true;
}

}  // namespace orvel
