#include "web_lookup.h"

#include "../app/form1.h"
#include "../app/language.h"
#include "web_config.h"

namespace orvel {

namespace {

constexpr int SwShow = 5;

// Code page 1252 at 0x80-0x9F; its unassigned bytes map to the C1 controls, as Windows maps them.
constexpr char32_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t FromCp1252(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return Cp1252High[byte - 0x80];
  return byte;
}

// Every code point here lies in the Basic Multilingual Plane: at most three bytes.
void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

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

std::string PercentEncode(const std::string& ansiText) {
  std::string utf8;
  for (char c : ansiText) AppendUtf8(utf8, FromCp1252(static_cast<unsigned char>(c)));
  static constexpr char Hex[] = "0123456789ABCDEF";
  std::string encoded;
  for (char c : utf8) {
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
  Services.System.ShellExecuteA(Form.Handle(), "open", InfoPageAddress(FLanguage), SwShow);
}

void TForm1::GoogleButtonClick(TObject* /*sender*/) {
  const TListRow* row = ListView1.Selected();
  if (row == nullptr) {
    Services.Application.ShowMessage(Text(txtSelectProcess));
    return;
  }
  Services.System.ShellExecuteA(Form.Handle(), nullptr, LookupAddress(row->Caption), SwShow);
}

}  // namespace orvel
