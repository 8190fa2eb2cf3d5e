// CompareItems over three rows and a key from the input: the list control's sort needs an
// ordering, so it must be antisymmetric, reflexive and transitive for every key and every text.
#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "platform/utf.h"
#include "scan/sorting.h"

namespace {

using orvel::CompareItems;
using orvel::TListRow;
using orvel::fuzz::Sign;

// One line of the input: the caption, then the sub-items, separated by tabs.
TListRow DecodeRow(std::string_view line) {
  std::vector<std::string> parts;
  for (;;) {
    const std::size_t tab = line.find('\t');
    parts.emplace_back(line.substr(0, tab));
    if (tab == std::string_view::npos) break;
    line.remove_prefix(tab + 1);
  }
  TListRow row;
  row.Caption = parts.front();
  row.SubItems.assign(parts.begin() + 1, parts.end());
  return row;
}

std::uint32_t Magnitude(std::int32_t key) {
  return key < 0 ? 0u - static_cast<std::uint32_t>(key) : static_cast<std::uint32_t>(key);
}

// The text the key's column shows for the row; nothing when the row lacks that column.
std::string_view Column(const TListRow& row, std::int32_t key) {
  const std::uint32_t magnitude = Magnitude(key);
  if (magnitude == 1) return row.Caption;
  if (magnitude < 2 || magnitude - 2 >= row.SubItems.size()) return {};
  return row.SubItems[magnitude - 2];
}

TListRow UpperCased(TListRow row) {
  const auto upper = [](std::string& text) {
    for (char& c : text) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
    }
  };
  upper(row.Caption);
  for (auto& item : row.SubItems) upper(item);
  return row;
}

bool PlainDecimal(std::string_view text) {
  return orvel::fuzz::AllDigits(text) && (text.size() == 1 || text[0] != '0');
}

// Numbers of any length: the longer one is larger, else the first differing digit decides.
int CompareDecimal(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return Sign(a.compare(b));
}

void CheckPair(const TListRow& a, const TListRow& b, std::int32_t key) {
  const int forward = CompareItems(a, b, key);
  FUZZ_CHECK(Sign(forward) == -Sign(CompareItems(b, a, key)));
  const std::string_view textA = Column(a, key);
  const std::string_view textB = Column(b, key);
  const int direction = key > 0 ? 1 : -1;
  if (textA == textB) FUZZ_CHECK(forward == 0);
  if (PlainDecimal(textA) && PlainDecimal(textB)) FUZZ_CHECK(Sign(forward) == CompareDecimal(textA, textB) * direction);
  const std::size_t lengthA = orvel::utf::Utf16Length(textA), lengthB = orvel::utf::Utf16Length(textB);
  if (lengthA != lengthB && textA.find_first_of(std::string_view("\0\1", 2)) == std::string_view::npos &&
      textB.find_first_of(std::string_view("\0\1", 2)) == std::string_view::npos) {
    // Length in UTF-16 units first: the fill unit is below every unit these texts hold.
    FUZZ_CHECK(Sign(forward) == (lengthA < lengthB ? -direction : direction));
  }
  if (key > 0) FUZZ_CHECK(Sign(CompareItems(a, b, -key)) == -Sign(forward));
}

void CheckKey(const std::array<TListRow, 3>& rows, std::int32_t key) {
  for (const auto& row : rows) {
    FUZZ_CHECK(CompareItems(row, row, key) == 0);
    FUZZ_CHECK(CompareItems(row, UpperCased(row), key) == 0);
  }
  for (const auto& a : rows) {
    for (const auto& b : rows) {
      CheckPair(a, b, key);
      for (const auto& c : rows) {
        if (CompareItems(a, b, key) <= 0 && CompareItems(b, c, key) <= 0) FUZZ_CHECK(CompareItems(a, c, key) <= 0);
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto fields = orvel::fuzz::Fields(data, size, 4);
  const std::array<TListRow, 3> rows = {DecodeRow(fields[1]), DecodeRow(fields[2]), DecodeRow(fields[3])};
  const auto key = orvel::fuzz::NumberField<std::int32_t>(fields[0]);
  CheckKey(rows, key);
  // The keys the header click produces, and the extremes a caller could pass.
  for (const std::int32_t other : {1, -1, 2, -10, 0, std::numeric_limits<std::int32_t>::min(),
                                   std::numeric_limits<std::int32_t>::max()}) {
    CheckKey(rows, other);
  }
  return 0;
}
