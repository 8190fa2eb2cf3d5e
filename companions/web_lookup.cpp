#include "web_lookup.h"

#include "../app/form1.h"
#include "../app/language.h"
#include "web_config.h"

namespace orvel {

namespace {

constexpr int SwShow = 5;

bool Unreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~';
}

}  // namespace

std::string InfoPageAddress(std::int32_t language) {
  if (language == LanguageGerman) return "http://" ORVEL_INFO_HOST "/orvel/index-de.html?ref=orvl";
  return "http://" ORVEL_INFO_HOST "/orvel/index.html?ref=orvl";
}

std::string SearchTerm(const std::string& processName) {
  const std::size_t separator = processName.find_last_of("\\:");
  if (separator == std::string::npos) return processName;
  return processName.substr(separator + 1);
}

std::string PercentEncode(std::string_view utf8Text) {
  static constexpr char Hex[] = "0123456789ABCDEF";
  std::string encoded;
  for (char c : utf8Text) {
    const auto byte = static_cast<unsigned char>(c);
    if (Unreserved(byte)) {
      encoded += c;
    } else {
      encoded += '%';
      encoded += Hex[byte >> 4];
      encoded += Hex[byte & 0x0F];
    }
  }
  return encoded;
}

std::string LookupAddress(const std::string& processName) {
  if (processName == "System") return "http://" ORVEL_MAKER_HOST "/kestrawatch/process/system%20.html";
  if (processName == "System Idle Process") return "https://" ORVEL_WIKIPEDIA_HOST "/wiki/System_Idle_Process";
  if (processName == "Orvelkit.exe") return "http://" ORVEL_INFO_HOST "/orvel/";
  // The name comes from the scanned computer: encoded, it cannot change or cut off the query.
  return "http://" ORVEL_SEARCH_HOST "/search?q=" + PercentEncode(SearchTerm(processName)) +
         "+site%3A" ORVEL_INFO_DOMAIN;
}

void TForm1::InfoButtonClick(TObject* /*sender*/) {
  Services.System.ShellExecuteW(Form.Handle(), "open", InfoPageAddress(FLanguage), SwShow);
}

void TForm1::GoogleButtonClick(TObject* /*sender*/) {
  const TListRow* row = ListView1.Selected();
  if (row == nullptr) {
    Services.Application.ShowMessage(Text(txtSelectProcess));
    return;
  }
  Services.System.ShellExecuteW(Form.Handle(), nullptr, LookupAddress(row->Caption), SwShow);
}

}  // namespace orvel
