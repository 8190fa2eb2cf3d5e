// Sorting the real list view: LVM_SORTITEMS through the toolkit's list with the program's comparison,
// header clicks through the form to TForm1, and the minimum width held on divider drags.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/win32/scan_workers.h"
#include "platform/win32/toolkit.h"
#include "host/fake_platform.h"
#include "host/fakes.h"
#include "scan/sorting.h"
#include "toolkit_fixture.h"

namespace orvel {
namespace {

constexpr int kColumns = 10;
constexpr int kParentPid = 3;

using toolkit_test::ItemText;

std::string ColumnText(const TListRow& row, int column) {
  if (column == 0) return row.Caption;
  const auto index = static_cast<std::size_t>(column - 1);
  return index < row.SubItems.size() ? row.SubItems[index] : std::string();
}

// Texts that compare equal differ at most in the case of ASCII letters (no text holds a 0x01 byte).
std::string Folded(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
  return text;
}

// A few hundred rows like a scan's, with the texts that matter for the order: names of every length
// and letter case, Latin-1 letters and other scripts, numbers of every length, missing sub-items.
std::vector<TListRow> GeneratedRows(std::size_t count) {
  std::mt19937 random(1252);
  auto below = [&](std::uint32_t n) { return static_cast<std::uint32_t>(random() % n); };
  const char* names[] = {"svchost.exe", "SVCHOST.EXE", "explorer.exe", "cmd.exe", "System", "\u00C4pfel.exe",
                         "\u00E4pfel.exe", "_setup.exe", "abc.exe", "ABC.EXE", "b\u00FCcherwurm.exe", "a",
                         "System Idle Process", "lsass.exe", "Zz.exe", "conhost.exe", "\u03A9mega.exe",
                         "\u65E5\u672C\u8A9E.exe"};
  const char* folders[] = {"C:\\Windows\\System32", "C:\\Windows", "C:\\Program Files\\B\u00FCcherwurm", "",
                           "c:\\tools", "C:\\Users\\\u0141ukasz"};
  std::vector<TListRow> rows;
  for (std::size_t i = 0; i < count; ++i) {
    TListRow row;
    row.Caption = names[below(std::size(names))];
    const std::uint32_t seconds = below(4) == 0 ? 0 : below(5000);
    const std::string cpu = seconds == 0 ? "" : seconds < 60 ? std::to_string(seconds) + " s"
                                                            : "0:" + std::to_string(seconds / 60 % 60 + 10) + ":" + std::to_string(seconds % 50 + 10);
    row.SubItems = {
        std::string(folders[below(std::size(folders))]) + (below(2) ? "\\" + row.Caption : ""),
        std::to_string(below(3) == 0 ? below(100) : random() >> below(32)),
        std::to_string(below(70000)),
        std::to_string(below(2) ? below(1000) : random() >> 12) + " K",
        cpu,
        std::to_string(below(5000)),
        std::to_string(below(3)),
        std::to_string(1 + below(200)),
        std::to_string(below(32)),
    };
    // Now and then a row with fewer sub-items: the missing ones read as empty.
    if (below(8) == 0) row.SubItems.resize(below(9));
    rows.push_back(std::move(row));
  }
  return rows;
}

class ListSortingTest : public ::testing::Test {
 protected:
  ListSortingTest()
      : toolkit(::GetModuleHandleW(nullptr), SW_HIDE),
        formWindow(toolkit.CreateMainForm()),
        list(toolkit.MainForm()->Find<Win32ListView>("ListView1")),
        window(list.Window()),
        header(reinterpret_cast<HWND>(::SendMessageW(window, LVM_GETHEADER, 0, 0))) {}

  // The window logic over the real controls; the services are never reached by a column click.
  void BindForm() {
    form = std::make_unique<TForm1>(formWindow, TForm1Services{toolkit.Application(), system, wmi, shell, windows, scans});
  }

  void Fill(const std::vector<TListRow>& rows) {
    list.BeginUpdate();
    for (const TListRow& row : rows) list.AddRow(row);
    list.EndUpdate();
  }

  // The texts of one column as the list shows them, top to bottom, checking that every item still
  // shows the row it carries.
  std::vector<std::string> ShownColumn(int column) {
    std::vector<std::string> texts;
    const int count = static_cast<int>(::SendMessageW(window, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      EXPECT_EQ(ItemText(window, i, 0), list.Row(i).Caption) << "item " << i;
      texts.push_back(ItemText(window, i, column));
    }
    return texts;
  }

  RECT HeaderItem(int column) {
    RECT rect{};
    ::SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&rect));
    return rect;
  }

  // Mouse messages to the header, as a press, a move and a release there deliver them.
  void Press(int x) { ::SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 5)); }
  void Move(int x) { ::SendMessageW(header, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(static_cast<WORD>(x), 5)); }
  void Release(int x) { ::SendMessageW(header, WM_LBUTTONUP, 0, MAKELPARAM(static_cast<WORD>(x), 5)); }

  void ClickHeader(int column) {
    const RECT item = HeaderItem(column);
    const int x = (item.left + item.right) / 2;
    Press(x);
    Release(x);
  }

  // Drags the column's right divider to make the column the given width (negative: past its left edge).
  void DragDivider(int column, int width) {
    const RECT item = HeaderItem(column);
    Press(item.right - 2);
    Move(item.left + width - 2);
    Release(item.left + width - 2);
  }

  int Width(int column) { return static_cast<int>(::SendMessageW(window, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0)); }

  Win32Toolkit toolkit;
  TFormWindow& formWindow;
  Win32ListView& list;
  HWND window;
  HWND header;
  fakes::Journal journal;
  fakes::FakeSystem system{journal};
  fakes::NoWmi wmi;
  fakes::NoShell shell;
  fakes::RecordingWindowApi windows;
  Win32ComputerScans scans{toolkit.Application()};
  std::unique_ptr<TForm1> form;
};

TEST_F(ListSortingTest, EveryColumnSortsBothWays) {
  const std::vector<TListRow> rows = GeneratedRows(300);
  Fill(rows);
  ASSERT_EQ(::SendMessageW(window, LVM_GETITEMCOUNT, 0, 0), 300);
  for (int column = 0; column < kColumns; ++column) {
    for (const std::int32_t key : {-(column + 1), column + 1}) {
      list.SortItems(key, &CompareItems);
      std::vector<TListRow> expected = rows;
      std::stable_sort(expected.begin(), expected.end(),
                       [key](const TListRow& a, const TListRow& b) { return CompareItems(a, b, key) < 0; });
      std::vector<std::string> expectedTexts, shownTexts;
      for (const TListRow& row : expected) expectedTexts.push_back(Folded(ColumnText(row, column)));
      for (const std::string& text : ShownColumn(column)) shownTexts.push_back(Folded(text));
      EXPECT_EQ(shownTexts, expectedTexts) << "key " << key;

      std::set<const TListRow*> distinct;
      for (int i = 0; i < list.RowCount(); ++i) distinct.insert(&list.Row(i));
      EXPECT_EQ(distinct.size(), rows.size()) << "every row once, key " << key;
    }
  }
}

// Independent of the comparison: the number columns come out in numeric order.
TEST_F(ListSortingTest, NumberColumnsInNumericOrder) {
  Fill(GeneratedRows(300));
  for (const int column : {2, 3, 4, 6, 7, 8, 9}) {
    for (const std::int32_t key : {-(column + 1), column + 1}) {
      list.SortItems(key, &CompareItems);
      std::vector<unsigned long> numbers;
      for (const std::string& text : ShownColumn(column))
        if (!text.empty()) numbers.push_back(std::stoul(text));  // "123 K" reads as 123
      if (key < 0) std::reverse(numbers.begin(), numbers.end());
      EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end())) << "key " << key;
    }
  }
}

TEST_F(ListSortingTest, HeaderClicksAlternateAndKeepTheParentPidWidth) {
  BindForm();
  Fill(GeneratedRows(200));
  std::vector<int> widths;
  for (int column = 0; column < kColumns; ++column) widths.push_back(Width(column));
  ASSERT_EQ(widths[kParentPid], 1);

  for (const int column : {4, 0, 4, kParentPid, kParentPid, kParentPid, 2}) {
    const int flagBefore = list.ColumnMinWidth(column);
    ClickHeader(column);
    ASSERT_EQ(list.ColumnMinWidth(column), 1 - flagBefore) << "column " << column;
    const bool descending = flagBefore == 0;
    std::vector<std::string> shown = ShownColumn(column);
    if (descending) std::reverse(shown.begin(), shown.end());
    for (std::size_t i = 1; i < shown.size(); ++i) {
      ASSERT_LE(CompareItems({shown[i - 1], {}}, {shown[i], {}}, 1), 0)
          << "column " << column << (descending ? " descending" : " ascending") << " at " << i;
    }
    for (int c = 0; c < kColumns; ++c) EXPECT_EQ(Width(c), widths[static_cast<std::size_t>(c)]) << "column " << c;
  }
  EXPECT_EQ(list.ColumnMinWidth(kParentPid), 1);
  EXPECT_EQ(list.ColumnMinWidth(4), 0);
  EXPECT_EQ(list.ColumnMinWidth(0), 1);
}

TEST_F(ListSortingTest, DividerDragStopsAtTheMinimumWidth) {
  constexpr int kRam = 4;
  struct Case { int flag; int dragTo; int expected; };
  const Case cases[] = {{1, -20, 1}, {0, -20, 0}, {1, 40, 40}, {1, 0, 1}, {0, 0, 0}, {1, 1, 1}, {0, 25, 25}};
  for (const Case& c : cases) {
    ::SendMessageW(window, LVM_SETCOLUMNWIDTH, kRam, MAKELPARAM(80, 0));
    list.SetColumnMinWidth(kRam, c.flag);
    ASSERT_EQ(Width(kRam), 80) << "setting the flag leaves the width";
    DragDivider(kRam, c.dragTo);
    EXPECT_EQ(Width(kRam), c.expected) << "flag " << c.flag << " dragged to " << c.dragTo;
  }
}

TEST(ListWithoutWindow, SortsNothing) {
  Win32Application application;
  Win32ListView list(application);
  for (const char* name : {"b.exe", "a.exe", "cc.exe"}) list.AddRow({name, {}});
  list.SortItems(-1, &CompareItems);
  ASSERT_EQ(list.RowCount(), 3);
  EXPECT_EQ(list.Row(0).Caption, "b.exe");
  EXPECT_EQ(list.Row(1).Caption, "a.exe");
  EXPECT_EQ(list.Row(2).Caption, "cc.exe");
}

}  // namespace
}  // namespace orvel
