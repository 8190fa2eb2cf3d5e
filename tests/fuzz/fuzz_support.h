// What the fuzz targets share: the input split into text fields, numbers read from them,
// and the check that turns a broken property into a finding.
#pragma once

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace orvel::fuzz {

// A broken property is a finding: abort, so that libFuzzer keeps the input that broke it.
[[noreturn]] inline void Fail(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: property does not hold: %s\n", file, line, condition);
  std::abort();
}

#define FUZZ_CHECK(condition) ((condition) ? static_cast<void>(0) : ::orvel::fuzz::Fail(#condition, __FILE__, __LINE__))

// The input as `count` fields: the first count - 1 lines, then the rest with its line ends.
// Missing fields are empty, so every input decodes.
inline std::vector<std::string> Fields(const std::uint8_t* data, std::size_t size, std::size_t count) {
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> fields;
  while (fields.size() + 1 < count) {
    const std::size_t end = rest.find('\n');
    fields.emplace_back(rest.substr(0, end));
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
  }
  fields.emplace_back(rest);
  return fields;
}

// The whole text as a number in the base, or nothing.
template <class T>
std::optional<T> Number(std::string_view text, int base = 10) {
  T value{};
  const char* last = text.data() + text.size();
  const auto [end, error] = std::from_chars(text.data(), last, value, base);
  if (error != std::errc() || end != last) return std::nullopt;
  return value;
}

// The first bytes of the text as the value's bit pattern, so that every value is reachable.
template <class T>
T RawBits(std::string_view text) {
  T value{};
  std::memcpy(&value, text.data(), text.size() < sizeof value ? text.size() : sizeof value);
  return value;
}

// A field as a number: decimal when it reads as one, else its bytes.
template <class T>
T NumberField(std::string_view text) {
  const auto value = Number<T>(text);
  return value ? *value : RawBits<T>(text);
}

inline int Sign(int value) { return (value > 0) - (value < 0); }

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

inline bool AllDigits(std::string_view text) {
  for (const char c : text) {
    if (!IsDigit(c)) return false;
  }
  return !text.empty();
}

}  // namespace orvel::fuzz
