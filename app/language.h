// The language choice: from the user's default language, overridden by "/language N".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvel {

// Values of TForm1::FLanguage that have a column of their own in LanguageTexts.
enum : std::int32_t { LanguageEnglish = 0, LanguageGerman = 1, LanguageSpanish = 2 };

// The language of a LANGID: German and Spanish by their primary language, English otherwise.
std::int32_t LanguageOfLangId(std::uint16_t langId);

// A command-line argument as a signed 32-bit integer: leading blanks, an optional sign, then
// decimal digits or hexadecimal ones after "$", "x", "X", "0x" or "0X" up to the end. 0 when it
// does not convert or does not fit; up to 32 bits of hexadecimal are taken as the bit pattern.
std::int32_t ArgumentToInteger(std::string_view text);

// The language for this run: "/language N" as the first argument decides alone, any N.
std::int32_t ChosenLanguage(std::uint16_t langId, const std::vector<std::string>& arguments);

// The table column a language reads; values without a column of their own read English.
std::int32_t TextLanguage(std::int32_t language);

}  // namespace orvel
