#include "sorting.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "../app/form1.h"

namespace orvel {
namespace {

constexpr unsigned char kFill = 0x01;

unsigned Fold(unsigned char c) noexcept { return (c >= 'a' && c <= 'z') ? c - 0x20u : c; }

// |key| without overflow: INT32_MIN has no positive int32 counterpart.
std::uint32_t Magnitude(std::int32_t key) noexcept {
  const auto bits = static_cast<std::uint32_t>(key);
  return key < 0 ? 0u - bits : bits;
}

// The text of the column a key names; key 0 names none and reads as empty.
std::string_view ColumnText(const TListRow& row, std::uint32_t magnitude) noexcept {
  return magnitude == 0 ? std::string_view() : row.Cell(magnitude - 1);
}

// The byte at position i of the text padded in front to the given length.
unsigned char PaddedByte(std::string_view text, std::size_t length, std::size_t i) noexcept {
  const std::size_t padding = length - text.size();
  return i < padding ? kFill : static_cast<unsigned char>(text[i - padding]);
}

int ComparePadded(std::string_view a, std::string_view b) noexcept {
  const std::size_t length = std::max(a.size(), b.size());
  for (std::size_t i = 0; i < length; ++i) {
    const unsigned ca = Fold(PaddedByte(a, length, i));
    const unsigned cb = Fold(PaddedByte(b, length, i));
    if (ca != cb) return static_cast<int>(ca) - static_cast<int>(cb);
  }
  return 0;
}

}  // namespace

int CompareItems(const TListRow& first, const TListRow& second, std::int32_t key) noexcept {
  const int direction = key <= 0 ? -1 : 1;
  const std::uint32_t magnitude = Magnitude(key);
  return ComparePadded(ColumnText(first, magnitude), ColumnText(second, magnitude)) * direction;
}

// Each column keeps its direction in MinWidth (1: last sorted descending); the first click descends.
void TForm1::ListView1ColumnClick(TObject* /*sender*/, int column) {
  if (column < 0 || column >= ListView1.ColumnCount()) return;
  const int flag = ListView1.ColumnMinWidth(column) == 0 ? 1 : 0;
  ListView1.SetColumnMinWidth(column, flag);
  const std::int32_t key = flag == 1 ? -(column + 1) : column + 1;
  ListView1.SortItems(key, &CompareItems);
}

}  // namespace orvel
