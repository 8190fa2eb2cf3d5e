#include "wmi_values.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "../platform/ole_error.h"

namespace orvel {
namespace {

constexpr double kTwoPow32 = 4294967296.0;
constexpr double kTwoPow63 = 9223372036854775808.0;
constexpr double kTicksPerSecond = 10000000.0;

[[noreturn]] void ThrowNotConvertible(const std::string& what) {
  throw EOleError("Could not convert " + what + " into a number", kTypeMismatch);
}

// Strict decimal: an optional sign and digits only, within the signed 64-bit range.
std::int64_t ParseDecimal(const std::string& text) {
  const char* first = text.data();
  const char* last = first + text.size();
  if (first != last && *first == '+') ++first;
  std::int64_t result = 0;
  const auto [end, error] = std::from_chars(first, last, result);
  const bool whole = error == std::errc() && end == last && first != last && (first == text.data() || *first != '-');
  if (!whole) ThrowNotConvertible("the text \"" + text + "\"");
  return result;
}

std::int64_t RealToInteger(double value) {
  if (!std::isfinite(value)) ThrowNotConvertible("a value that is not finite");
  const double rounded = RoundHalfEven(value);
  if (rounded < -kTwoPow63 || rounded >= kTwoPow63) ThrowNotConvertible("a value out of range");
  return static_cast<std::int64_t>(rounded);
}

// The low 32 bits of an integral double of any size, without leaving the defined conversions.
std::uint32_t Low32OfIntegral(double value) {
  if (value >= 0 && value < kTwoPow32) return static_cast<std::uint32_t>(value);
  double remainder = std::fmod(value, kTwoPow32);
  if (remainder < 0) remainder += kTwoPow32;
  return static_cast<std::uint32_t>(remainder);
}

bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= 32 || c == '.'; }

}  // namespace

double RoundHalfEven(double value) {
  const double lower = std::floor(value);
  const double fraction = value - lower;
  if (fraction < 0.5) return lower;
  if (fraction > 0.5) return lower + 1;
  return std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
}

std::int64_t WmiInteger(const WmiValue& value) {
  switch (value.kind) {
    case WmiValue::Kind::Integer: return value.integer;
    case WmiValue::Kind::Real: return RealToInteger(value.real);
    case WmiValue::Kind::Text: return ParseDecimal(value.text);
    case WmiValue::Kind::Null: break;
  }
  ThrowNotConvertible("a null value");
}

double WmiReal(const WmiValue& value) {
  if (value.kind != WmiValue::Kind::Real) return static_cast<double>(WmiInteger(value));
  if (!std::isfinite(value.real)) ThrowNotConvertible("a value that is not finite");
  return value.real;
}

std::uint32_t WmiLow32(const WmiValue& value) {
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(WmiInteger(value)));
}

std::uint32_t WmiKilobytes(const WmiValue& value) {
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(WmiInteger(value) / 1024));
}

std::uint32_t WmiSeconds(const WmiValue& value) {
  return Low32OfIntegral(RoundHalfEven(WmiReal(value) / kTicksPerSecond));
}

std::string WmiText(const WmiValue& value) {
  switch (value.kind) {
    case WmiValue::Kind::Text: return value.text;
    case WmiValue::Kind::Integer: return std::to_string(value.integer);
    case WmiValue::Kind::Real: {
      char buffer[32];
      const auto result = std::to_chars(buffer, buffer + sizeof buffer, value.real);
      return std::string(buffer, result.ptr);
    }
    case WmiValue::Kind::Null: break;
  }
  return {};
}

std::string TrimMessageText(std::string text) {
  while (!text.empty() && IsTrimmed(text.back())) text.pop_back();
  return text;
}

std::string OleMessageText(const std::string& description, const std::string& systemText, std::int32_t code) {
  std::string text = TrimMessageText(description);
  if (!text.empty()) return text;
  text = TrimMessageText(systemText);
  if (!text.empty()) return text;
  char fallback[32];
  std::snprintf(fallback, sizeof fallback, "OLE-Fehler %.8X", static_cast<unsigned>(static_cast<std::uint32_t>(code)));
  return fallback;
}

}  // namespace orvel
