#include "language.h"

#include <charconv>
#include <optional>

#include "form1.h"
#include "form_definition.h"

namespace orvel {
namespace {

constexpr std::uint16_t PrimaryLanguageMask = 0x3FF;  // PRIMARYLANGID
constexpr std::uint16_t LangGerman = 0x07;
constexpr std::uint16_t LangSpanish = 0x0A;

constexpr std::uint64_t HexLimit = 0xFFFFFFFFu;       // any 32-bit pattern
constexpr std::uint64_t DecimalLimit = 0x80000000u;   // magnitude of the most negative value
constexpr std::uint64_t PositiveLimit = 0x7FFFFFFFu;

// The value of a non-empty run of digits, or nothing when a character is no digit or it exceeds limit.
std::optional<std::uint64_t> DigitsValue(std::string_view digits, int base, std::uint64_t limit) {
  std::uint64_t value = 0;
  const char* const end = digits.data() + digits.size();
  const auto [stop, error] = std::from_chars(digits.data(), end, value, base);
  if (digits.empty() || error != std::errc() || stop != end || value > limit) return std::nullopt;
  return value;
}

std::size_t HexPrefixLength(std::string_view text) {
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) return 2;
  if (!text.empty() && (text[0] == '$' || text[0] == 'x' || text[0] == 'X')) return 1;
  return 0;
}

// Two's complement of the magnitude when negative, as a signed 32-bit value.
std::int32_t Signed(std::uint64_t magnitude, bool negative) {
  const auto bits = static_cast<std::uint32_t>(magnitude);
  return static_cast<std::int32_t>(negative ? 0u - bits : bits);
}

}  // namespace

std::int32_t LanguageOfLangId(std::uint16_t langId) {
  switch (langId & PrimaryLanguageMask) {
    case LangGerman: return LanguageGerman;
    case LangSpanish: return LanguageSpanish;
    default: return LanguageEnglish;
  }
}

std::int32_t ArgumentToInteger(std::string_view text) {
  const std::size_t start = text.find_first_not_of(' ');
  if (start == std::string_view::npos) return 0;
  text.remove_prefix(start);
  const bool negative = text.front() == '-';
  if (negative || text.front() == '+') text.remove_prefix(1);

  if (const std::size_t prefix = HexPrefixLength(text)) {
    const auto pattern = DigitsValue(text.substr(prefix), 16, HexLimit);
    return pattern ? Signed(*pattern, negative) : 0;
  }
  const auto magnitude = DigitsValue(text, 10, DecimalLimit);
  if (!magnitude || (!negative && *magnitude > PositiveLimit)) return 0;
  return Signed(*magnitude, negative);
}

std::int32_t ChosenLanguage(std::uint16_t langId, const std::vector<std::string>& arguments) {
  if (arguments.size() < 2 || arguments[1] != "/language") return LanguageOfLangId(langId);
  return arguments.size() > 2 ? ArgumentToInteger(arguments[2]) : 0;
}

std::int32_t TextLanguage(std::int32_t language) {
  return language >= LanguageEnglish && language <= LanguageSpanish ? language : LanguageEnglish;
}

void TForm1::ChooseLanguage() {
  FLanguage = ChosenLanguage(Services.System.GetUserDefaultLangID(), Services.System.CommandLineArguments());
}

// German and Spanish replace the form definition's English captions; any other value keeps them.
void TForm1::Relabel() {
  if (TextLanguage(FLanguage) == LanguageEnglish) return;
  UserLabel.SetCaption(Text(txtUserCaption));
  PassLabel.SetCaption(Text(txtPasswordCaption));
  for (std::size_t column = 0; column < ProcessColumns.size(); ++column)
    if (const auto caption = ProcessColumns[column].relabel)
      ListView1.SetColumnCaption(static_cast<int>(column), Text(*caption));
  StartButton.SetCaption(Text(txtScanNow));
}

}  // namespace orvel
