// The web addresses of the lookup and information commands, as pure functions of their input.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvel {

// The product's information page: German for language 1, English otherwise.
std::string InfoPageAddress(std::int32_t language);

// The page about a process: a fixed page for three exact names, else the site-restricted search
// for its search term.
std::string LookupAddress(const std::string& processName);

// The part of a process name after its last "\" or ":".
std::string SearchTerm(const std::string& processName);

// Every byte of UTF-8 text as %XX except for A-Z a-z 0-9 - . _ ~.
std::string PercentEncode(std::string_view utf8Text);

}  // namespace orvel
