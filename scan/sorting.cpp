#include "sorting.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "../app/form1.h"
#include "../platform/utf.h"

namespace orvel {
namespace {

constexpr char16_t kFill = 0x01;

unsigned Fold(char16_t c) noexcept { return (c >= u'a' && c <= u'z') ? c - 0x20u : c; }

// |key| without overflow: INT32_MIN has no positive int32 counterpart.
std::uint32_t Magnitude(std::int32_t key) noexcept {
  const auto bits = static_cast<std::uint32_t>(key);
  return key < 0 ? 0u - bits : bits;
}

// The text of the column a key names; key 0 names none and reads as empty.
std::string_view ColumnText(const TListRow& row, std::uint32_t magnitude) noexcept {
  return magnitude == 0 ? std::string_view() : row.Cell(magnitude - 1);
}

bool Ascii(std::string_view text) noexcept {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// ASCII texts, most of any list: each byte is its UTF-16 unit, so the bytes are compared directly.
int CompareAsciiPadded(std::string_view a, std::string_view b) noexcept {
  const std::size_t length = std::max(a.size(), b.size());
  const std::size_t padA = length - a.size(), padB = length - b.size();
  for (std::size_t i = 0; i < length; ++i) {
    const unsigned ca = Fold(i < padA ? kFill : static_cast<char16_t>(a[i - padA]));
    const unsigned cb = Fold(i < padB ? kFill : static_cast<char16_t>(b[i - padB]));
    if (ca != cb) return static_cast<int>(ca) - static_cast<int>(cb);
  }
  return 0;
}

// Unit by unit in UTF-16, the shorter text padded in front to the longer one's length; a Latin-1
// character's unit equals its code page byte, so such texts keep the order they always had.
int ComparePadded(std::string_view a, std::string_view b) noexcept {
  if (Ascii(a) && Ascii(b)) return CompareAsciiPadded(a, b);
  const std::size_t lengthA = utf::Utf16Length(a), lengthB = utf::Utf16Length(b);
  const std::size_t length = std::max(lengthA, lengthB);
  utf::Utf16Units unitsA(a), unitsB(b);
  for (std::size_t i = 0; i < length; ++i) {
    const unsigned ca = Fold(i < length - lengthA ? kFill : unitsA.Next());
    const unsigned cb = Fold(i < length - lengthB ? kFill : unitsB.Next());
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
  FSortKey = key;
  ListView1.SortItems(key, &CompareItems);
}

}  // namespace orvel
