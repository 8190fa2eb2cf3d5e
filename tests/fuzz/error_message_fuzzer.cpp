// The message text M of a failed call and the hint it is formatted into, from hostile error
// descriptions: format specifiers, control characters, texts of 64 KiB, only blanks and full stops.
// The box text itself is joined inside ScanProcesses, so its two pure pieces are fuzzed here.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/language_texts.h"
#include "fuzz_support.h"
#include "scan/row_texts.h"
#include "scan/wmi_values.h"

namespace {

using orvel::FormatWithArgument;
using orvel::TrimMessageText;
using orvel::fuzz::Number;
using orvel::fuzz::NumberField;

constexpr std::size_t kMaxRepeatedLength = 70000;

bool Trimmed(char c) { return static_cast<unsigned char>(c) <= 32 || c == '.'; }

// The trimmed text is the original without a tail made only of trimmed characters.
void CheckTrim(const std::string& original) {
  const std::string text = TrimMessageText(original);
  FUZZ_CHECK(text.empty() || !Trimmed(text.back()));
  FUZZ_CHECK(original.compare(0, text.size(), text) == 0);
  FUZZ_CHECK(std::all_of(original.begin() + static_cast<std::ptrdiff_t>(text.size()), original.end(), Trimmed));
}

// "%" doubled, so that the text comes out of the formatting as it is.
std::string Escaped(const std::string& text) {
  std::string escaped;
  for (const char c : text) escaped += c == '%' ? std::string("%%") : std::string(1, c);
  return escaped;
}

void CheckMessage(const std::string& message, const std::string& description, const std::string& systemText,
                  std::int32_t code) {
  FUZZ_CHECK(!message.empty() && !Trimmed(message.back()));
  const std::string fromDescription = TrimMessageText(description);
  const std::string fromSystem = TrimMessageText(systemText);
  if (!fromDescription.empty()) {
    FUZZ_CHECK(message == fromDescription);
  } else if (!fromSystem.empty()) {
    FUZZ_CHECK(message == fromSystem);
  } else {
    const std::string prefix = "OLE-Fehler ";
    FUZZ_CHECK(message.size() == prefix.size() + 8 && message.compare(0, prefix.size(), prefix) == 0);
    const std::string digits = message.substr(prefix.size());
    FUZZ_CHECK(digits.find_first_not_of("0123456789ABCDEF") == std::string::npos);
    FUZZ_CHECK(Number<std::uint32_t>(digits, 16) == static_cast<std::uint32_t>(code));
  }
}

// The hint of every language holds M once, literally, in place of its placeholder.
void CheckHint(const std::string& message, std::int32_t language) {
  const std::string pattern = orvel::LookupText(orvel::txtErrorHint, language);
  const std::size_t placeholder = pattern.find("%s");
  FUZZ_CHECK(placeholder != std::string::npos && pattern.find('%', placeholder + 1) == std::string::npos);
  const std::string hint = FormatWithArgument(pattern, message);
  FUZZ_CHECK(hint == pattern.substr(0, placeholder) + message + pattern.substr(placeholder + 2));
}

// Patterns around the argument: text before and after it comes out unchanged, a second
// placeholder stays as it is written, and nothing grows beyond pattern and argument.
void CheckFormatting(const std::string& before, const std::string& after, const std::string& argument) {
  const std::string head = Escaped(before);
  const std::string tail = Escaped(after);
  FUZZ_CHECK(FormatWithArgument(head + "%s" + tail, argument) == before + argument + after);
  FUZZ_CHECK(FormatWithArgument(head + "%d" + tail + "%s", argument) == before + argument + after + "%s");
  FUZZ_CHECK(FormatWithArgument(head, argument) == before);
  const std::string raw = FormatWithArgument(before, argument);
  FUZZ_CHECK(raw.size() <= before.size() + argument.size());
}

std::string Repeated(const std::string& text, std::size_t length) {
  std::string repeated = text;
  while (!text.empty() && repeated.size() < length) repeated += text;
  return repeated;
}

}  // namespace

// Lines: code (hexadecimal), length to repeat the description to, language, system text,
// text before and after the placeholder; the rest is the description.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto fields = orvel::fuzz::Fields(data, size, 7);
  const auto code = static_cast<std::int32_t>(Number<std::uint32_t>(fields[0], 16).value_or(0x80041003u));
  const std::size_t length = std::min<std::size_t>(Number<std::uint32_t>(fields[1]).value_or(0), kMaxRepeatedLength);
  const auto language = NumberField<std::int32_t>(fields[2]);
  const std::string& systemText = fields[3];
  const std::string description = Repeated(fields[6], length);

  CheckTrim(description);
  CheckTrim(systemText);
  const std::string message = orvel::OleMessageText(description, systemText, code);
  CheckMessage(message, description, systemText, code);
  for (const std::int32_t each : {0, 1, 2, language}) CheckHint(message, each);
  CheckFormatting(fields[4], fields[5], message);
  CheckFormatting(fields[6], systemText, fields[6]);
  return 0;
}
