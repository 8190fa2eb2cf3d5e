// The process list over the real list view: rows and their texts, selection, the window
// procedure chain, the sort callback's exception fence, minimum widths and notifications.
#include <iterator>
#include <stdexcept>
#include <vector>

#include "toolkit_fixture.h"

namespace orvel::toolkit_test {
namespace {

void Select(HWND list, int item) {
  LVITEMW state{};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&state));
}

TListRow MakeRow(const std::string& name, int number) {
  return {name, {"C:\\Windows\\" + name, std::to_string(number), "4", std::to_string(number * 10) + " K", "", "120", "0",
                 "12", "8"}};
}

int ByCaptionDescending(const TListRow& a, const TListRow& b, std::int32_t key) {
  return key < 0 ? b.Caption.compare(a.Caption) : a.Caption.compare(b.Caption);
}

int Throwing(const TListRow&, const TListRow&, std::int32_t) { throw std::runtime_error("comparison failed"); }

class ListViewTest : public ToolkitTest {
 protected:
  TListView& List() { return Control<TListView>("ListView1"); }
  HWND ListWindow() { return WindowOf("ListView1"); }
  HWND Header() { return reinterpret_cast<HWND>(::SendMessageW(ListWindow(), LVM_GETHEADER, 0, 0)); }

  // WM_NOTIFY of a divider change as the header sends it to the list.
  LRESULT HeaderChanging(UINT code, int column, int width) {
    HDITEMW item{};
    item.mask = HDI_WIDTH;
    item.cxy = width;
    NMHEADERW change{};
    change.hdr.hwndFrom = Header();
    change.hdr.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(Header()));
    change.hdr.code = code;
    change.iItem = column;
    change.pitem = &item;
    return ::SendMessageW(ListWindow(), WM_NOTIFY, change.hdr.idFrom, reinterpret_cast<LPARAM>(&change));
  }
};

TEST_F(ListViewTest, RowsAreItemsWithTheirTexts) {
  List().AddRow(MakeRow("svchost.exe", 640));
  List().AddRow({"System", {}});
  List().AddRow({"short.exe", {"C:\\short.exe", "7"}});
  ASSERT_EQ(::SendMessageW(ListWindow(), LVM_GETITEMCOUNT, 0, 0), 3);
  ASSERT_EQ(List().RowCount(), 3);
  for (int i = 0; i < 3; ++i) {
    const TListRow& row = List().Row(i);
    EXPECT_EQ(ItemText(ListWindow(), i, 0), row.Caption) << i;
    for (int column = 1; column < List().ColumnCount(); ++column) {
      const auto sub = static_cast<std::size_t>(column - 1);
      EXPECT_EQ(ItemText(ListWindow(), i, column), sub < row.SubItems.size() ? row.SubItems[sub] : "")
          << "row " << i << " column " << column;
    }
  }
  EXPECT_THROW(List().Row(3), std::out_of_range);
  wchar_t cut[6] = {};
  LVITEMW item{};
  item.iSubItem = 1;
  item.pszText = cut;
  item.cchTextMax = 6;
  ::SendMessageW(ListWindow(), LVM_GETITEMTEXTW, 2, reinterpret_cast<LPARAM>(&item));
  EXPECT_STREQ(cut, L"C:\\sh") << "cut to the asker's buffer";
}

TEST_F(ListViewTest, SelectedIsTheFirstSelectedRowFromTheTop) {
  EXPECT_EQ(List().Selected(), nullptr);
  for (const char* name : {"a.exe", "b.exe", "c.exe"}) List().AddRow({name, {}});
  EXPECT_EQ(List().Selected(), nullptr);
  Select(ListWindow(), 2);
  ASSERT_NE(List().Selected(), nullptr);
  EXPECT_EQ(List().Selected()->Caption, "c.exe");
  Select(ListWindow(), 1);
  EXPECT_EQ(List().Selected()->Caption, "b.exe") << "single selection: the new one replaces the old";
}

TEST_F(ListViewTest, ClearRemovesItemsAndRows) {
  for (int i = 0; i < 5; ++i) List().AddRow(MakeRow("p" + std::to_string(i), i));
  List().Clear();
  EXPECT_EQ(::SendMessageW(ListWindow(), LVM_GETITEMCOUNT, 0, 0), 0);
  EXPECT_EQ(List().RowCount(), 0);
  List().AddRow(MakeRow("after.exe", 1));
  EXPECT_EQ(ItemText(ListWindow(), 0, 0), "after.exe");
}

// The rows' cells move with a column put in or taken out, the list's texts with them; a new one is empty.
TEST_F(ListViewTest, ColumnsPutInAndTakenOutCarryTheRowsCells) {
  auto listShowsTheRows = [&] {
    for (int i = 0; i < List().RowCount(); ++i)
      for (int column = 0; column < List().ColumnCount(); ++column)
        EXPECT_EQ(ItemText(ListWindow(), i, column), List().Row(i).Cell(static_cast<std::size_t>(column))) << i;
  };
  for (int i = 0; i < 3; ++i) List().AddRow(MakeRow("p" + std::to_string(i) + ".exe", i));
  List().InsertColumn(10, "Computer", 80, false);
  List().AddRow({"x.exe", {"C:\\x.exe", "5", "4", "", "", "", "", "", "", "PC7"}});
  List().InsertColumn(2, "Extra", 40, true);
  ASSERT_EQ(List().ColumnCount(), 12);
  EXPECT_EQ(List().Row(3).Cell(11), "PC7");
  EXPECT_EQ(List().Row(0).Cell(3), "0");
  EXPECT_EQ(List().Row(0).Cell(2), "");
  listShowsTheRows();
  List().DeleteColumn(2);
  List().DeleteColumn(10);
  ASSERT_EQ(List().ColumnCount(), 10);
  EXPECT_EQ(List().Row(0).Cell(2), "0");
  EXPECT_EQ(List().Row(3).Cell(10), "");
  listShowsTheRows();
  EXPECT_THROW(List().DeleteColumn(0), std::out_of_range) << "the captions' column stays";
}

// The rows the vertical scroll bar covers; 0 while it has no range.
int ScrolledRows(HWND list) {
  SCROLLINFO range{};
  range.cbSize = sizeof range;
  range.fMask = SIF_RANGE;
  return ::GetScrollInfo(list, SB_VERT, &range) ? range.nMax - range.nMin + 1 : 0;
}

// Ten thousand rows inside one update bracket on a shown window: a list that redraws per row
// recomputes its scroll bar per row, which takes minutes under Wine. Until the outer bracket
// closes the scroll bar stays as it was; closing it brings the list up to date at once.
TEST_F(ListViewTest, TenThousandRowsInOneUpdateBracket) {
  ShowActive();
  List().BeginUpdate();
  List().BeginUpdate();
  for (int i = 0; i < 10000; ++i) List().AddRow(MakeRow("process" + std::to_string(i) + ".exe", i));
  List().EndUpdate();
  EXPECT_LT(ScrolledRows(ListWindow()), 2) << "the inner bracket closed the outer one";
  List().EndUpdate();
  EXPECT_EQ(ScrolledRows(ListWindow()), 10000);
  ASSERT_EQ(::SendMessageW(ListWindow(), LVM_GETITEMCOUNT, 0, 0), 10000);
  EXPECT_EQ(ItemText(ListWindow(), 9999, 2), "9999");
  EXPECT_EQ(List().Row(5000).Caption, "process5000.exe");
  // The bracket closed: an item added now is drawn without further ado.
  EXPECT_TRUE(::IsWindowVisible(ListWindow()));
}

TEST_F(ListViewTest, SortReordersItemsByTheComparison) {
  for (const char* name : {"b.exe", "c.exe", "a.exe"}) List().AddRow({name, {}});
  List().SortItems(-1, &ByCaptionDescending);
  EXPECT_EQ(ItemText(ListWindow(), 0, 0), "c.exe");
  EXPECT_EQ(ItemText(ListWindow(), 2, 0), "a.exe");
  EXPECT_EQ(List().Row(0).Caption, "c.exe");
  List().SortItems(1, &ByCaptionDescending);
  EXPECT_EQ(List().Row(0).Caption, "a.exe");
  EXPECT_EQ(ItemText(ListWindow(), 0, 0), "a.exe");
}

// The list keeps states by index: after a sort they must still mark the rows they marked.
TEST_F(ListViewTest, SelectionAndFocusMoveWithTheirRowWhenSorted) {
  for (const char* name : {"b.exe", "c.exe", "a.exe"}) List().AddRow({name, {}});
  Select(ListWindow(), 0);
  List().SortItems(1, &ByCaptionDescending);
  ASSERT_NE(List().Selected(), nullptr);
  EXPECT_EQ(List().Selected()->Caption, "b.exe");
  EXPECT_EQ(::SendMessageW(ListWindow(), LVM_GETSELECTEDCOUNT, 0, 0), 1);
  EXPECT_EQ(::SendMessageW(ListWindow(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), 1);
}

// Typing a name's first letters selects the next row whose caption starts so, ignoring case.
TEST_F(ListViewTest, TypedLettersFindTheRowByItsCaption) {
  for (const char* name : {"alpha.exe", "Beta.exe", "bravo.exe"}) List().AddRow({name, {}});
  ::SendMessageW(ListWindow(), WM_CHAR, 'b', 1);  // a repeat count of 1, as typed
  ASSERT_NE(List().Selected(), nullptr);
  EXPECT_EQ(List().Selected()->Caption, "Beta.exe");
  ::SendMessageW(ListWindow(), WM_CHAR, 'R', 1);
  ASSERT_NE(List().Selected(), nullptr);
  EXPECT_EQ(List().Selected()->Caption, "bravo.exe");
}

TEST_F(ListViewTest, ComparisonFailureReachesTheCallerAfterTheSort) {
  for (const char* name : {"b.exe", "c.exe", "a.exe"}) List().AddRow({name, {}});
  EXPECT_THROW(List().SortItems(1, &Throwing), std::runtime_error);
  EXPECT_EQ(List().RowCount(), 3);
  List().SortItems(1, &ByCaptionDescending);
  EXPECT_EQ(List().Row(0).Caption, "a.exe") << "the next sort works again";
}

TEST_F(ListViewTest, WindowProcChainSeesEveryMessageAndForwards) {
  std::vector<UINT> seen;
  const TWndMethod original = List().WindowProc();
  List().SetWindowProc([&](TMessage& message) {
    seen.push_back(message.Msg);
    original(message);
  });
  List().AddRow({"x.exe", {}});
  EXPECT_EQ(::SendMessageW(ListWindow(), LVM_GETITEMCOUNT, 0, 0), 1) << "the result comes back through the chain";
  EXPECT_NE(std::find(seen.begin(), seen.end(), static_cast<UINT>(LVM_GETITEMCOUNT)), seen.end());
  EXPECT_NE(std::find(seen.begin(), seen.end(), static_cast<UINT>(LVM_SETITEMCOUNT)), seen.end());

  // A method that answers itself: the control never sees the message.
  List().SetWindowProc([&](TMessage& message) {
    if (message.Msg == LVM_GETITEMCOUNT) {
      message.Result = 77;
      return;
    }
    original(message);
  });
  EXPECT_EQ(::SendMessageW(ListWindow(), LVM_GETITEMCOUNT, 0, 0), 77);
  List().SetWindowProc(original);  // the methods above refer to this test's locals
}

TEST_F(ListViewTest, MinWidthRefusesNarrowerDividerChanges) {
  constexpr int kColumn = 4;
  const int width = List().ColumnWidth(kColumn);
  List().SetColumnMinWidth(kColumn, 30);
  EXPECT_EQ(List().ColumnMinWidth(kColumn), 30);
  EXPECT_EQ(List().ColumnWidth(kColumn), width) << "setting the minimum changes no width";

  struct Case { UINT code; int requested; bool refused; };
  const Case cases[] = {{HDN_ITEMCHANGINGA, 10, true}, {HDN_ITEMCHANGINGW, 29, true},
                        {HDN_ITEMCHANGINGW, 30, false}, {HDN_ITEMCHANGINGA, 200, false}};
  for (const Case& c : cases) {
    ::SendMessageW(ListWindow(), LVM_SETCOLUMNWIDTH, kColumn, MAKELPARAM(width, 0));
    const LRESULT result = HeaderChanging(c.code, kColumn, c.requested);
    EXPECT_EQ(result != 0, c.refused) << c.requested;
    if (c.refused) {
      EXPECT_EQ(List().ColumnWidth(kColumn), 30) << "set to the minimum instead of " << c.requested;
    }
  }
  // The 1-pixel column with the smallest flag value keeps its width.
  List().SetColumnMinWidth(3, 1);
  EXPECT_EQ(HeaderChanging(HDN_ITEMCHANGINGW, 3, 0), TRUE);
  EXPECT_EQ(List().ColumnWidth(3), 1);
}

// A new caption keeps the column's alignment, in the list and in the header that draws it.
TEST_F(ListViewTest, RelabelledColumnsKeepTheirAlignment) {
  struct Case { int column; const char* caption; int listFormat; int headerFormat; };
  const Case cases[] = {{4, "Memoria", LVCFMT_RIGHT, HDF_RIGHT},
                        {9, "Priorit\u00E4t", LVCFMT_RIGHT, HDF_RIGHT},
                        {2, "Prozess ID", LVCFMT_RIGHT, HDF_RIGHT},
                        {1, "Ordner", LVCFMT_LEFT, HDF_LEFT},
                        {0, "Proceso", LVCFMT_LEFT, HDF_LEFT}};
  for (const Case& c : cases) {
    List().SetColumnCaption(c.column, c.caption);

    wchar_t listText[64] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_TEXT;
    column.pszText = listText;
    column.cchTextMax = static_cast<int>(std::size(listText));
    ASSERT_TRUE(::SendMessageW(ListWindow(), LVM_GETCOLUMNW, static_cast<WPARAM>(c.column),
                               reinterpret_cast<LPARAM>(&column))) << c.caption;
    EXPECT_EQ(win32::Utf8(listText), c.caption);
    EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, c.listFormat) << c.caption;

    wchar_t headerText[64] = {};
    HDITEMW item{};
    item.mask = HDI_FORMAT | HDI_TEXT;
    item.pszText = headerText;
    item.cchTextMax = static_cast<int>(std::size(headerText));
    ASSERT_TRUE(::SendMessageW(Header(), HDM_GETITEMW, static_cast<WPARAM>(c.column), reinterpret_cast<LPARAM>(&item)))
        << c.caption;
    EXPECT_EQ(win32::Utf8(headerText), c.caption);
    EXPECT_EQ(item.fmt & HDF_JUSTIFYMASK, c.headerFormat) << c.caption << std::hex << " format " << item.fmt;
    EXPECT_TRUE(item.fmt & HDF_STRING) << c.caption << ": the header still draws the text";
    EXPECT_EQ(List().ColumnCaption(c.column), c.caption);
  }
}

TEST_F(ListViewTest, NotificationsBecomeEvents) {
  std::vector<std::string> events;
  List().OnClick = [&](TObject* sender) { events.push_back(sender == &List() ? "click" : "click from elsewhere"); };
  List().OnDblClick = [&](TObject*) { events.push_back("double-click"); };
  List().OnColumnClick = [&](TObject*, int column) { events.push_back("column " + std::to_string(column)); };
  Control<TStatusBar>("StatusBar").OnClick = [&](TObject* sender) {
    events.push_back(sender == &Control<TStatusBar>("StatusBar") ? "status" : "status from elsewhere");
  };

  struct Case { const char* from; UINT code; int column; const char* event; };
  const Case cases[] = {{"ListView1", NM_CLICK, 0, "click"},
                        {"ListView1", NM_DBLCLK, 0, "double-click"},
                        {"ListView1", LVN_COLUMNCLICK, 5, "column 5"},
                        {"StatusBar", NM_CLICK, 0, "status"},
                        {"StatusBar", NM_DBLCLK, 0, nullptr}};
  for (const Case& c : cases) {
    events.clear();
    NMLISTVIEW notification{};
    notification.hdr.hwndFrom = WindowOf(c.from);
    notification.hdr.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(WindowOf(c.from)));
    notification.hdr.code = c.code;
    notification.iSubItem = c.column;
    ::SendMessageW(Main(), WM_NOTIFY, notification.hdr.idFrom, reinterpret_cast<LPARAM>(&notification));
    if (c.event) {
      EXPECT_EQ(events, std::vector<std::string>{c.event});
    } else {
      EXPECT_TRUE(events.empty());
    }
  }
  // A notification with a control's id from another window is not the control's.
  events.clear();
  NMHDR spoofed{WindowOf("PasswordEdit"), static_cast<UINT_PTR>(::GetDlgCtrlID(WindowOf("ListView1"))),
                static_cast<UINT>(NM_CLICK)};
  ::SendMessageW(Main(), WM_NOTIFY, spoofed.idFrom, reinterpret_cast<LPARAM>(&spoofed));
  EXPECT_TRUE(events.empty());
}

// The context menu is asked for at the pointer, or from the keyboard at the selected row, else at
// the list's corner, all on the screen; a key reaches the key event before the list.
TEST_F(ListViewTest, ContextMenuPointAndKeysBecomeEvents) {
  for (int i = 0; i < 80; ++i) List().AddRow(MakeRow("p" + std::to_string(i) + ".exe", i));
  std::vector<POINT> asked;
  List().OnContextPopup = [&](TObject*, int x, int y) { asked.push_back({x, y}); };
  POINT corner{0, 0};
  ::ClientToScreen(ListWindow(), &corner);
  ::SendMessageW(ListWindow(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(ListWindow()), MAKELPARAM(321, 123));
  ::SendMessageW(ListWindow(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(ListWindow()), -1);
  Select(ListWindow(), 70);
  ::SendMessageW(ListWindow(), LVM_ENSUREVISIBLE, 0, FALSE);  // the selected row out of view: scrolled back in
  ::SendMessageW(ListWindow(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(ListWindow()), -1);
  ASSERT_EQ(asked.size(), 3u);
  EXPECT_EQ(asked[0].x, 321);
  EXPECT_EQ(asked[0].y, 123);
  EXPECT_EQ(asked[1].x, corner.x);
  EXPECT_EQ(asked[1].y, corner.y);
  RECT row{LVIR_LABEL, 0, 0, 0};
  ::SendMessageW(ListWindow(), LVM_GETITEMRECT, 70, reinterpret_cast<LPARAM>(&row));
  POINT below{row.left, row.bottom};
  ::ClientToScreen(ListWindow(), &below);
  EXPECT_EQ(asked[2].x, below.x);
  EXPECT_EQ(asked[2].y, below.y);
  RECT client;
  ::GetClientRect(ListWindow(), &client);
  EXPECT_GT(row.top, 0);
  EXPECT_LT(row.bottom, client.bottom) << "the selected row is in view";

  std::vector<std::uint16_t> keys;
  List().OnKeyDown = [&](TObject*, std::uint16_t& key, TShiftState) {
    keys.push_back(key);
    if (key == VK_DOWN) key = 0;
  };
  ::SendMessageW(ListWindow(), WM_KEYDOWN, 'C', 1);
  ::SendMessageW(ListWindow(), WM_KEYDOWN, VK_DOWN, 1);
  EXPECT_EQ(keys, (std::vector<std::uint16_t>{'C', VK_DOWN}));
  EXPECT_EQ(List().Selected(), &List().Row(70)) << "a swallowed key does not move the selection";
}

}  // namespace
}  // namespace orvel::toolkit_test
