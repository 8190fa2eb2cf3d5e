// The property value conversions over any value WMI could deliver: a kind from the first line,
// the value from the rest. Every conversion either gives a value within its rules or fails
// with EOleError; nothing else may leave them.
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "fuzz_support.h"
#include "platform/ole_error.h"
#include "scan/wmi_values.h"

namespace {

using orvel::WmiValue;

constexpr double kTwoPow32 = 4294967296.0;
constexpr double kTwoPow63 = 9223372036854775808.0;

// "N" null, "I" integer, "R" real from its text, "B" real from its bytes, anything else text.
WmiValue Decode(const std::string& kind, const std::string& payload) {
  switch (kind.empty() ? 'T' : kind[0]) {
    case 'N': return WmiValue::Null();
    case 'I': return WmiValue::FromInteger(orvel::fuzz::NumberField<std::int64_t>(payload));
    case 'R': return WmiValue::FromReal(std::strtod(payload.c_str(), nullptr));
    case 'B': return WmiValue::FromReal(orvel::fuzz::RawBits<double>(payload));
    default: return WmiValue::FromText(payload);
  }
}

// The conversion's result, or nothing when it failed as a value that does not convert.
template <class Conversion>
auto Converted(Conversion convert) -> std::optional<decltype(convert())> {
  try {
    return convert();
  } catch (const orvel::EOleError& failure) {
    FUZZ_CHECK(failure.Code() == orvel::kTypeMismatch);
    FUZZ_CHECK(*failure.what() != '\0');
    return std::nullopt;
  }
}

// Whole decimal text within the signed 64-bit range, by strtoll.
std::optional<std::int64_t> DecimalText(const std::string& text) {
  const std::size_t digits = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
  if (!orvel::fuzz::AllDigits(std::string_view(text).substr(digits))) return std::nullopt;
  errno = 0;
  const long long value = std::strtoll(text.c_str(), nullptr, 10);
  if (errno == ERANGE) return std::nullopt;
  return value;
}

// Seconds must be the count of 100-ns units rounded half to even, taken modulo 2^32. The
// distance is measured to the nearest value congruent to the result, never to a value reduced
// modulo 2^32 first: that reduction loses the fraction of a negative count.
void CheckSeconds(double ticks, std::uint32_t seconds) {
  const double exact = ticks / 10000000.0;
  const double wraps = std::nearbyint((exact - static_cast<double>(seconds)) / kTwoPow32);
  const double difference = exact - (static_cast<double>(seconds) + wraps * kTwoPow32);
  FUZZ_CHECK(std::fabs(difference) <= 0.5);
  if (std::fabs(difference) == 0.5) FUZZ_CHECK(seconds % 2 == 0);
}

void CheckKilobytes(std::int64_t bytes, std::uint32_t kilobytes) {
  const std::uint64_t magnitude = bytes < 0 ? 0 - static_cast<std::uint64_t>(bytes) : static_cast<std::uint64_t>(bytes);
  const std::uint64_t whole = magnitude >> 10;
  FUZZ_CHECK(kilobytes == static_cast<std::uint32_t>(bytes < 0 ? 0 - whole : whole));
}

void CheckNumbers(const WmiValue& value, const std::optional<std::int64_t>& integer) {
  const auto low32 = Converted([&] { return orvel::WmiLow32(value); });
  const auto kilobytes = Converted([&] { return orvel::WmiKilobytes(value); });
  FUZZ_CHECK(low32.has_value() == integer.has_value());
  FUZZ_CHECK(kilobytes.has_value() == integer.has_value());
  if (integer) {
    FUZZ_CHECK(*low32 == static_cast<std::uint32_t>(static_cast<std::uint64_t>(*integer)));
    CheckKilobytes(*integer, *kilobytes);
  }
  const auto real = Converted([&] { return orvel::WmiReal(value); });
  const auto seconds = Converted([&] { return orvel::WmiSeconds(value); });
  FUZZ_CHECK(real.has_value() == seconds.has_value());
  if (real) {
    FUZZ_CHECK(std::isfinite(*real));
    CheckSeconds(*real, *seconds);
  }
}

void CheckInteger(const WmiValue& value, const std::optional<std::int64_t>& integer) {
  FUZZ_CHECK(integer && *integer == value.integer);
  const std::string text = orvel::WmiText(value);
  FUZZ_CHECK(DecimalText(text) == value.integer);
  FUZZ_CHECK(orvel::WmiInteger(WmiValue::FromText(text)) == value.integer);
}

void CheckReal(const WmiValue& value, const std::optional<std::int64_t>& integer) {
  const double real = value.real;
  const bool inRange = std::isfinite(real) && real >= -kTwoPow63 && real < kTwoPow63;
  FUZZ_CHECK(integer.has_value() == inRange);
  if (integer) FUZZ_CHECK(std::fabs(static_cast<double>(*integer) - real) <= 0.5);
  const std::string text = orvel::WmiText(value);
  FUZZ_CHECK(!text.empty());
  // The shortest text that reads back as the same number.
  if (std::isfinite(real)) FUZZ_CHECK(std::strtod(text.c_str(), nullptr) == real);
}

void CheckText(const WmiValue& value, const std::optional<std::int64_t>& integer) {
  FUZZ_CHECK(integer == DecimalText(value.text));
  FUZZ_CHECK(orvel::WmiText(value) == value.text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto fields = orvel::fuzz::Fields(data, size, 2);
  const WmiValue value = Decode(fields[0], fields[1]);
  const auto integer = Converted([&] { return orvel::WmiInteger(value); });
  CheckNumbers(value, integer);
  switch (value.kind) {
    case WmiValue::Kind::Null:
      FUZZ_CHECK(!integer);
      FUZZ_CHECK(orvel::WmiText(value).empty());
      break;
    case WmiValue::Kind::Integer: CheckInteger(value, integer); break;
    case WmiValue::Kind::Real: CheckReal(value, integer); break;
    case WmiValue::Kind::Text: CheckText(value, integer); break;
  }
  return 0;
}
