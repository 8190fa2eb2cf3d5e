// The web lookup's address from any process name a remote computer could report: the name can
// neither leave the search query nor change its host, and the encoding loses nothing.
#include <cstdint>
#include <string>
#include <string_view>

#include "companions/web_lookup.h"
#include "fuzz_support.h"
#include "web_config.h"

namespace {

bool Unreserved(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~';
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Only unreserved characters and %XX with upper-case digits; gives the bytes it stands for.
std::string Decoded(const std::string& encoded) {
  std::string bytes;
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    if (Unreserved(encoded[i])) {
      bytes += encoded[i];
      continue;
    }
    FUZZ_CHECK(encoded[i] == '%' && i + 2 < encoded.size());
    const int high = HexValue(encoded[i + 1]);
    const int low = HexValue(encoded[i + 2]);
    FUZZ_CHECK(high >= 0 && low >= 0);
    const auto byte = static_cast<char>(high * 16 + low);
    // An unreserved character is never encoded: one spelling per text.
    FUZZ_CHECK(!Unreserved(byte));
    bytes += byte;
    i += 2;
  }
  return bytes;
}

// Any bytes, UTF-8 or not, come back unchanged from their encoding.
void CheckEncoding(const std::string& bytes) { FUZZ_CHECK(Decoded(orvel::PercentEncode(bytes)) == bytes); }

// The query holds exactly the term's bytes, its UTF-8 unchanged, so nothing can smuggle in "&", "#" or "/".
void CheckQuery(const std::string& query, const std::string& term) { FUZZ_CHECK(Decoded(query) == term); }

void CheckSearchTerm(const std::string& name, const std::string& term) {
  FUZZ_CHECK(term.size() <= name.size());
  FUZZ_CHECK(name.compare(name.size() - term.size(), term.size(), term) == 0);
  FUZZ_CHECK(term.find_first_of("\\:") == std::string::npos);
  if (term.size() < name.size()) {
    const char separator = name[name.size() - term.size() - 1];
    FUZZ_CHECK(separator == '\\' || separator == ':');
  }
}

void CheckAddress(const std::string& name, const std::string& term) {
  const std::string address = orvel::LookupAddress(name);
  for (const char c : address) FUZZ_CHECK(c > 0x20 && c < 0x7F);
  FUZZ_CHECK(address.find('#') == std::string::npos);
  FUZZ_CHECK(address.find('&') == std::string::npos);
  if (name == "System" || name == "System Idle Process" || name == "Orvelkit.exe") {
    FUZZ_CHECK(address.find("/search?") == std::string::npos);
    return;
  }
  const std::string_view prefix = "http://" ORVEL_SEARCH_HOST "/search?q=";
  const std::string_view suffix = "+site%3A" ORVEL_INFO_DOMAIN;
  FUZZ_CHECK(address.starts_with(prefix) && address.ends_with(suffix));
  const std::string query = address.substr(prefix.size(), address.size() - prefix.size() - suffix.size());
  CheckQuery(query, term);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string name(reinterpret_cast<const char*>(data), size);
  const std::string term = orvel::SearchTerm(name);
  CheckSearchTerm(name, term);
  CheckEncoding(name);
  CheckAddress(name, term);
  return 0;
}
