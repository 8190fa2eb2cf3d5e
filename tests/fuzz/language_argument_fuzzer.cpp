// The "/language" argument: any bytes convert to a value or to 0, as the C library converts them.
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/language.h"
#include "fuzz_support.h"

namespace {

using orvel::ArgumentToInteger;
using orvel::fuzz::AllDigits;

std::int32_t Negated(std::int32_t value) {
  return static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(value));
}

bool AllHexDigits(std::string_view text) {
  for (const char c : text) {
    const bool hex = orvel::fuzz::IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (!hex) return false;
  }
  return !text.empty();
}

std::size_t HexPrefix(std::string_view text) {
  if (text.substr(0, 2) == "0x" || text.substr(0, 2) == "0X") return 2;
  if (!text.empty() && (text[0] == '$' || text[0] == 'x' || text[0] == 'X')) return 1;
  return 0;
}

// The expected value by strtoull/strtoll, once the shape of the text has been checked here.
std::int32_t Expected(std::string_view text) {
  const std::size_t start = text.find_first_not_of(' ');
  if (start == std::string_view::npos) return 0;
  text.remove_prefix(start);
  const bool negative = text[0] == '-';
  if (negative || text[0] == '+') text.remove_prefix(1);
  errno = 0;
  if (const std::size_t prefix = HexPrefix(text)) {
    const std::string digits(text.substr(prefix));
    if (!AllHexDigits(digits)) return 0;
    const unsigned long long pattern = std::strtoull(digits.c_str(), nullptr, 16);
    if (errno == ERANGE || pattern > 0xFFFFFFFFull) return 0;
    const auto bits = static_cast<std::int32_t>(static_cast<std::uint32_t>(pattern));
    return negative ? Negated(bits) : bits;
  }
  if (!AllDigits(text)) return 0;
  const std::string digits = (negative ? "-" : "") + std::string(text);
  const long long value = std::strtoll(digits.c_str(), nullptr, 10);
  if (errno == ERANGE || value < INT32_MIN || value > INT32_MAX) return 0;
  return static_cast<std::int32_t>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::int32_t value = ArgumentToInteger(text);
  FUZZ_CHECK(value == Expected(text));

  // Leading blanks never matter; a character that is no digit in any base spoils any text.
  FUZZ_CHECK(ArgumentToInteger("  " + text) == value);
  FUZZ_CHECK(ArgumentToInteger(text + "g") == 0);

  const std::size_t start = text.find_first_not_of(' ');
  const bool hasSign = start != std::string::npos && (text[start] == '-' || text[start] == '+');
  if (start != std::string::npos && !hasSign) {
    const std::string unsignedPart = text.substr(start);
    FUZZ_CHECK(ArgumentToInteger("+" + unsignedPart) == value);
    if (value != 0) FUZZ_CHECK(ArgumentToInteger("-" + unsignedPart) == Negated(value));
  }

  // The switch decides alone, whatever the user's language; the text table has a column for any value.
  const std::vector<std::string> arguments = {"Orvelkit.exe", "/language", text};
  FUZZ_CHECK(orvel::ChosenLanguage(0x0407, arguments) == value);
  const std::int32_t column = orvel::TextLanguage(value);
  FUZZ_CHECK(column >= orvel::LanguageEnglish && column <= orvel::LanguageSpanish);
  return 0;
}
