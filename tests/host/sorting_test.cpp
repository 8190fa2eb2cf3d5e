#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "fake_wmi.h"
#include "form_fixture.h"
#include "platform/utf.h"
#include "scan/sorting.h"

namespace orvel::fakes {
namespace {

constexpr std::int32_t kProcess = 1, kProcessId = 3, kRam = 5;

TListRow Named(std::string caption) { return {std::move(caption), {}}; }

// A row whose sub-item for the key's column holds the text; the others hold "-".
TListRow WithColumn(std::int32_t key, std::string text) {
  const int column = key < 0 ? -key : key;
  if (column == 1) return Named(std::move(text));
  TListRow row{"-", std::vector<std::string>(static_cast<std::size_t>(column - 1), "-")};
  row.SubItems.back() = std::move(text);
  return row;
}

struct CompareCase {
  const char* what;
  TListRow first;
  TListRow second;
  std::int32_t key;
  int expected;  // the first unequal UTF-16 unit pair's difference, times the direction
};

const std::vector<CompareCase>& CompareCases() {
  static const std::vector<CompareCase> cases = {
      // The longer name goes first descending: 'E' (0x45) meets the fill byte 0x01.
      {"explorer.exe before svchost.exe descending", Named("explorer.exe"), Named("svchost.exe"), -kProcess, -0x44},
      {"svchost.exe before explorer.exe ascending", Named("svchost.exe"), Named("explorer.exe"), kProcess, -0x44},
      {"4 before 88 ascending", WithColumn(kProcessId, "4"), WithColumn(kProcessId, "88"), kProcessId, 0x01 - '8'},
      {"88 before 100 ascending", WithColumn(kProcessId, "88"), WithColumn(kProcessId, "100"), kProcessId, 0x01 - '1'},
      {"100 before 1234 ascending", WithColumn(kProcessId, "100"), WithColumn(kProcessId, "1234"), kProcessId, 0x01 - '1'},
      {"88 after 100 descending", WithColumn(kProcessId, "88"), WithColumn(kProcessId, "100"), -kProcessId, '1' - 0x01},
      {"1234 before 100 descending", WithColumn(kProcessId, "1234"), WithColumn(kProcessId, "100"), -kProcessId, 0x01 - '1'},
      {"equal length, first digit decides", WithColumn(kProcessId, "1234"), WithColumn(kProcessId, "1243"), kProcessId, '3' - '4'},
      {"RAM texts in numeric order", WithColumn(kRam, "9876 K"), WithColumn(kRam, "10240 K"), kRam, 0x01 - '1'},
      {"letter case of ASCII ignored", Named("ABC.EXE"), Named("abc.exe"), kProcess, 0},
      {"letter case ignored descending", Named("abc.exe"), Named("ABC.EXE"), -kProcess, 0},
      {"both rows lack the sub-item", Named("a"), Named("b"), kProcessId, 0},
      {"missing sub-item first ascending", Named("a"), WithColumn(kProcessId, "0"), kProcessId, 0x01 - '0'},
      {"missing sub-item last descending", Named("a"), WithColumn(kProcessId, "0"), -kProcessId, '0' - 0x01},
      {"each row tested on its own", WithColumn(4, "7"), WithColumn(3, "7"), 4, '7' - 0x01},
      {"_a after ab ascending", Named("_a"), Named("ab"), kProcess, '_' - 'A'},
      {"_a before ab descending", Named("_a"), Named("ab"), -kProcess, 'A' - '_'},
      {"folding only to upper case", Named("a"), Named("["), kProcess, 'A' - '['},
      {"0xC4 before 0xE4 ascending", Named("\u00C4x"), Named("\u00E4x"), kProcess, 0xC4 - 0xE4},
      {"0xE4 after 0xC4 descending", Named("\u00E4"), Named("\u00C4"), -kProcess, 0xC4 - 0xE4},
      {"bytes above 0x7F unsigned", Named("\u00FF"), Named("\x7F"), kProcess, 0xFF - 0x7F},
      // Beyond Latin-1 each character counts as its UTF-16 units, in length and in value; nothing but
      // ASCII folds.
      {"Greek not folded", Named("\u03A9mega.exe"), Named("\u03C9mega.exe"), kProcess, 0x03A9 - 0x03C9},
      {"CJK name shorter than its bytes", Named("\u65E5\u672C\u8A9E.exe"), Named("notepad.exe"), kProcess, 0x01 - 'N'},
      {"CJK after Latin-1 of one length", Named("\u65E5.exe"), Named("\u00E4.exe"), kProcess, 0x65E5 - 0xE4},
      {"outside the BMP two units", Named("\U0001F600"), Named("ab"), kProcess, 0xD83D - 'A'},
      {"fill byte against a real 0x01", Named("\x01" "a"), Named("a"), kProcess, 0},
      {"fill byte against 0x00", Named(std::string(1, '\0')), Named(""), kProcess, -0x01},
      {"last sub-item of ten columns", WithColumn(10, "12"), WithColumn(10, "9"), 10, '1' - 0x01},
      {"beyond the last column both empty", WithColumn(10, "1"), WithColumn(10, "22"), 11, 0},
      {"key 0 names no column", Named("a"), WithColumn(2, "b"), 0, 0},
      {"lowest key names no column", WithColumn(3, "1"), WithColumn(3, "22"), std::numeric_limits<std::int32_t>::min(), 0},
      {"highest key names no column", WithColumn(3, "1"), WithColumn(3, "22"), std::numeric_limits<std::int32_t>::max(), 0},
  };
  return cases;
}

TEST(CompareItems, FollowsTheLengthFirstUnitRule) {
  for (const CompareCase& c : CompareCases()) {
    EXPECT_EQ(CompareItems(c.first, c.second, c.key), c.expected) << c.what;
    EXPECT_EQ(CompareItems(c.second, c.first, c.key), -c.expected) << c.what << " (swapped)";
  }
}

TEST(CompareItems, ReversesWithTheSignOfTheKey) {
  for (std::int32_t column = 1; column <= 10; ++column) {
    const TListRow a = WithColumn(column, "abc"), b = WithColumn(column, "abd");
    EXPECT_LT(CompareItems(a, b, column), 0) << column;
    EXPECT_GT(CompareItems(a, b, -column), 0) << column;
  }
}

// The padding is compared in place; an explicitly padded copy of the UTF-16 units must give the same answer.
int PaddedReference(const std::string& utf8A, const std::string& utf8B) {
  std::u16string a = utf::ToUtf16(utf8A), b = utf::ToUtf16(utf8B);
  const std::size_t length = std::max(a.size(), b.size());
  a.insert(0, length - a.size(), u'\x01');
  b.insert(0, length - b.size(), u'\x01');
  auto fold = [](char16_t c) { return c >= u'a' && c <= u'z' ? c - 0x20 : int{c}; };
  for (std::size_t i = 0; i < length; ++i)
    if (fold(a[i]) != fold(b[i])) return fold(a[i]) - fold(b[i]);
  return 0;
}

TEST(CompareItems, AgreesWithExplicitPaddingOnRandomTexts) {
  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> length(0, 6), byte(0, 255), pick(0, 3);
  // Characters of one to four UTF-8 bytes, among them letters that fold and the fill's 0x01.
  const std::string alphabet[] = {"a", "A", "b", "B", "_", "\x01", "\u00E4", "\u00C4", "\u03A9", "\u65E5", "\U0001F600"};
  auto text = [&] {
    std::string t;
    // Mostly the small alphabet, so equal texts and ties of length happen often; now and then a
    // byte of its own, which may leave the text malformed.
    for (int n = length(random); n > 0; --n)
      t += pick(random) == 0 ? std::string(1, static_cast<char>(byte(random)))
                             : alphabet[static_cast<std::size_t>(byte(random)) % std::size(alphabet)];
    return t;
  };
  for (int i = 0; i < 20000; ++i) {
    const std::string a = text(), b = text();
    const int expected = PaddedReference(a, b);
    ASSERT_EQ(CompareItems(WithColumn(2, a), WithColumn(2, b), 2), expected) << i;
    ASSERT_EQ(CompareItems(WithColumn(2, a), WithColumn(2, b), -2), -expected) << i;
  }
}

TEST(CompareItems, SortsDecimalColumnsInNumericOrder) {
  std::mt19937 random(7);
  std::vector<std::uint32_t> numbers = {0, 4, 88, 100, 1234, 4294967295u};
  for (int i = 0; i < 500; ++i) numbers.push_back(static_cast<std::uint32_t>(random() >> (random() % 32)));
  for (const char* suffix : {"", " K"}) {
    std::vector<TListRow> rows;
    for (std::uint32_t n : numbers) rows.push_back(WithColumn(kRam, std::to_string(n) + suffix));
    std::sort(rows.begin(), rows.end(), [](const TListRow& a, const TListRow& b) { return CompareItems(a, b, kRam) < 0; });
    std::sort(numbers.begin(), numbers.end());
    for (std::size_t i = 0; i < numbers.size(); ++i) ASSERT_EQ(rows[i].SubItems[3], std::to_string(numbers[i]) + suffix) << i;
  }
}

// ---- header clicks on the form ----

class ColumnClickTest : public FormFixture {
 protected:
  void AddRows() {
    ListView1.AddRow({"svchost.exe", {"C:\\Windows\\System32\\svchost.exe", "708", "600", "10240 K"}});
    ListView1.AddRow({"explorer.exe", {"C:\\Windows\\explorer.exe", "2044", "1900", "98304 K"}});
    ListView1.AddRow({"cmd.exe", {"C:\\Windows\\System32\\cmd.exe", "88", "2044", "2048 K"}});
  }
  std::vector<std::string> Captions() const {
    std::vector<std::string> captions;
    for (int i = 0; i < ListView1.RowCount(); ++i) captions.push_back(ListView1.Row(i).Caption);
    return captions;
  }
  void Click(int column) { ListView1.OnColumnClick(&ListView1, column); }

  using Names = std::vector<std::string>;
};

// From the keyboard in the list: Ctrl with the column's number (0 for the tenth) clicks its header.
TEST_F(ColumnClickTest, CtrlAndTheColumnsNumberSortsAsItsHeader) {
  Create();
  AddRows();
  const auto ctrl = static_cast<TShiftState>(TShiftFlag::Ctrl);
  struct Press { std::uint16_t key; TShiftState shift; std::int32_t sortKey; };
  for (const Press press : {Press{'5', ctrl, -5}, Press{'5', ctrl, 5}, Press{'0', ctrl, -10}, Press{'1', ctrl, -1},
                            Press{'2', 0, -1}, Press{'2', static_cast<TShiftState>(ctrl | static_cast<int>(TShiftFlag::Alt)), -1}}) {
    std::uint16_t key = press.key;
    ListView1.OnKeyDown(&ListView1, key, press.shift);
    EXPECT_EQ(ListView1.lastSortKey, press.sortKey) << static_cast<char>(press.key) << " " << int{press.shift};
  }
  EXPECT_EQ(Captions(), (Names{"explorer.exe", "svchost.exe", "cmd.exe"})) << "Process, descending";
}

TEST_F(ColumnClickTest, RamProcessRamSortsDescendingDescendingAscending) {
  Create();
  AddRows();
  struct Step { int column; std::int32_t key; Names order; std::vector<int> flags; };
  const Step steps[] = {
      {4, -5, {"explorer.exe", "svchost.exe", "cmd.exe"}, {0, 0, 0, 0, 1, 0, 0, 0, 0, 0}},
      {0, -1, {"explorer.exe", "svchost.exe", "cmd.exe"}, {1, 0, 0, 0, 1, 0, 0, 0, 0, 0}},
      {4, 5, {"cmd.exe", "svchost.exe", "explorer.exe"}, {1, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {0, 1, {"cmd.exe", "svchost.exe", "explorer.exe"}, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {2, -3, {"explorer.exe", "svchost.exe", "cmd.exe"}, {0, 0, 1, 0, 0, 0, 0, 0, 0, 0}},
  };
  int calls = 0;
  for (const Step& step : steps) {
    Click(step.column);
    EXPECT_EQ(ListView1.sortCalls, ++calls);
    EXPECT_EQ(ListView1.lastSortKey, step.key) << "column " << step.column;
    EXPECT_EQ(Captions(), step.order) << "column " << step.column;
    EXPECT_EQ(ListView1.minWidths, step.flags) << "column " << step.column;
  }
}

TEST_F(ColumnClickTest, EveryColumnAlternatesStartingDescending) {
  Create();
  AddRows();
  for (int column = 0; column < 10; ++column) {
    for (int click = 0; click < 4; ++click) {
      Click(column);
      const std::int32_t expected = click % 2 == 0 ? -(column + 1) : column + 1;
      EXPECT_EQ(ListView1.lastSortKey, expected) << "column " << column << " click " << click;
      EXPECT_EQ(ListView1.ColumnMinWidth(column), click % 2 == 0 ? 1 : 0);
    }
  }
}

TEST_F(ColumnClickTest, ClickOutsideTheColumnsChangesNothing) {
  Create();
  AddRows();
  for (int column : {-1, 10, std::numeric_limits<int>::max()}) Click(column);
  EXPECT_EQ(ListView1.sortCalls, 0);
  EXPECT_EQ(ListView1.minWidths, std::vector<int>(10, 0));
}

TEST_F(ColumnClickTest, WithoutAWindowTheFlagTurnsButNothingMoves) {
  Create();
  AddRows();
  ListView1.SetHandle(0);
  Click(0);
  EXPECT_EQ(ListView1.ColumnMinWidth(0), 1);
  EXPECT_EQ(ListView1.lastSortKey, -1);
  EXPECT_EQ(Captions(), (Names{"svchost.exe", "explorer.exe", "cmd.exe"}));
}

TEST_F(ColumnClickTest, AScanKeepsTheFlagsAndShowsScanOrder) {
  auto scripted = std::make_unique<FakeWmi>(journal);
  scripted->processes = {{{"Name", Txt("svchost.exe")}}, {{"Name", Txt("explorer.exe")}}, {{"Name", Txt("cmd.exe")}}};
  wmi = std::move(scripted);
  Create();

  StartButton.OnClick(&StartButton);
  ASSERT_EQ(Captions(), (Names{"svchost.exe", "explorer.exe", "cmd.exe"}));
  Click(0);
  ASSERT_EQ(Captions(), (Names{"explorer.exe", "svchost.exe", "cmd.exe"}));
  Click(4);

  StartButton.OnClick(&StartButton);
  EXPECT_EQ(Captions(), (Names{"svchost.exe", "explorer.exe", "cmd.exe"})) << "rows in scan order";
  EXPECT_EQ(ListView1.ColumnMinWidth(0), 1);
  EXPECT_EQ(ListView1.ColumnMinWidth(4), 1);
  Click(0);
  EXPECT_EQ(ListView1.lastSortKey, 1) << "the opposite of the last sort by Process";
  EXPECT_EQ(Captions(), (Names{"cmd.exe", "svchost.exe", "explorer.exe"}));
}

}  // namespace
}  // namespace orvel::fakes
