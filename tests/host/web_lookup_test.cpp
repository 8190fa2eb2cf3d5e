// The lookup and information commands: which address each process name opens, with which verb,
// and the prompt when no process is selected.
#include <gtest/gtest.h>

#include <string_view>

#include "companions/web_lookup.h"
#include "form_fixture.h"
#include "web_config.h"

namespace orvel::fakes {
namespace {

const std::string SearchPrefix = "http://" ORVEL_SEARCH_HOST "/search?q=";
const std::string SiteRestriction = "+site%3A" ORVEL_INFO_DOMAIN;

std::string Search(const std::string& encodedTerm) { return SearchPrefix + encodedTerm + SiteRestriction; }

class WebLookupTest : public FormFixture {
 protected:
  void CreateIn(const char* language) {
    System.arguments = {"Orvelkit.exe", "/language", language};
    Create();
  }
  void ListProcesses(const std::vector<std::string>& names) {
    for (const std::string& name : names) ListView1.AddRow(TListRow{name, {"C:\\x", "4"}});
  }
  void ExpectOneCall(const std::optional<std::string>& verb, const std::string& address) {
    ASSERT_EQ(System.shellCalls.size(), 1u);
    const FakeSystem::ShellCall& call = System.shellCalls[0];
    EXPECT_EQ(call.owner, Form.Handle());
    EXPECT_EQ(call.verb, verb);
    EXPECT_EQ(call.file, address);
    EXPECT_EQ(call.show, 5);
  }
};

struct LookupCase {
  std::string name;
  std::string address;
};

TEST_F(WebLookupTest, EachNameOpensItsAddressWithTheDefaultVerb) {
  const LookupCase cases[] = {
      {"System", "http://" ORVEL_MAKER_HOST "/kestrawatch/process/system%20.html"},
      {"System Idle Process", "https://" ORVEL_WIKIPEDIA_HOST "/wiki/System_Idle_Process"},
      {"Orvelkit.exe", "http://" ORVEL_INFO_HOST "/orvel/"},
      // The fixed pages need the whole name, byte for byte.
      {"system", Search("system")},
      {"System ", Search("System%20")},
      {"SYSTEM IDLE PROCESS", Search("SYSTEM%20IDLE%20PROCESS")},
      {"orvelkit.exe", Search("orvelkit.exe")},
      {"C:\\System", Search("System")},
      {"C:\\x\\Orvelkit.exe", Search("Orvelkit.exe")},
      // Only the part after the last "\" or ":" is searched for.
      {"C:\\x\\svchost.exe", Search("svchost.exe")},
      {"x:y", Search("y")},
      {"a:b\\c:d.exe", Search("d.exe")},
      {"C:\\Windows\\", Search("")},
      {"", Search("")},
      {"svchost.exe", Search("svchost.exe")},
      // Encoded, so that nothing in a name can change or cut off the query.
      {"Host Process.exe", Search("Host%20Process.exe")},
      {"a&q=evil.exe", Search("a%26q%3Devil.exe")},
      {"tool#1.exe", Search("tool%231.exe")},
      {"100%.exe", Search("100%25.exe")},
      {"c++.exe", Search("c%2B%2B.exe")},
      {"a/b?c.exe", Search("a%2Fb%3Fc.exe")},
      {"AZaz09-._~", Search("AZaz09-._~")},
      // Code page 1252 bytes travel as UTF-8.
      {"M\xFCller.exe", Search("M%C3%BCller.exe")},
      {"\x80uro\x99", Search("%E2%82%ACuro%E2%84%A2")},
      {"\x81\x9F\xA0\xFF", Search("%C2%81%C5%B8%C2%A0%C3%BF")},
  };
  for (const LookupCase& c : cases) {
    SCOPED_TRACE("name \"" + c.name + "\"");
    System.shellCalls.clear();
    ListView1.Clear();
    Create();
    ListProcesses({"first.exe", c.name, "last.exe"});
    ListView1.selected = 1;

    GoogleButton.OnClick(&GoogleButton);

    ExpectOneCall(std::nullopt, c.address);
    EXPECT_TRUE(Application.messages.empty());
  }
}

// Code page 1251 for its letters: А to я at 0xC0-0xFF are U+0410-U+044F.
std::string Cp1251LettersToUtf8(std::string_view text) {
  std::string utf8;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0xC0) {
      utf8 += c;
      continue;
    }
    cp1252::AppendUtf8(utf8, 0x0410 + (byte - 0xC0));
  }
  return utf8;
}

TEST_F(WebLookupTest, SearchTermIsReadInTheSystemsCodePage) {
  std::vector<std::string> converted;
  System.ansiToUtf8 = [&](std::string_view text) {
    converted.emplace_back(text);
    return Cp1251LettersToUtf8(text);
  };
  Create();
  // "Диск.exe" and "д" in code page 1251; as code page 1252 they would read "Äèñê" and "ä".
  ListProcesses({"C:\\x\\\xC4\xE8\xF1\xEA.exe", "\xE4", "System"});
  for (int row : {0, 1, 2}) {
    ListView1.selected = row;
    GoogleButton.OnClick(&GoogleButton);
  }

  ASSERT_EQ(System.shellCalls.size(), 3u);
  EXPECT_EQ(System.shellCalls[0].file, Search("%D0%94%D0%B8%D1%81%D0%BA.exe"));
  EXPECT_EQ(System.shellCalls[1].file, Search("%D0%B4"));
  EXPECT_EQ(System.shellCalls[2].file, "http://" ORVEL_MAKER_HOST "/kestrawatch/process/system%20.html");
  // Only the search term is converted, and only for the search.
  EXPECT_EQ(converted, (std::vector<std::string>{"\xC4\xE8\xF1\xEA.exe", "\xE4"}));
}

TEST_F(WebLookupTest, FailedConversionOpensNothing) {
  System.ansiToUtf8 = [](std::string_view) -> std::string {
    throw EOleError("No mapping for the Unicode character.", static_cast<std::int32_t>(0x80070459));
  };
  Create();
  ListProcesses({"svchost.exe", "System Idle Process"});
  ListView1.selected = 0;
  EXPECT_THROW(GoogleButton.OnClick(&GoogleButton), EOleError);
  EXPECT_TRUE(System.shellCalls.empty());

  ListView1.selected = 1;
  GoogleButton.OnClick(&GoogleButton);
  ASSERT_EQ(System.shellCalls.size(), 1u) << "a fixed page needs no conversion";
  EXPECT_EQ(System.shellCalls[0].file, "https://" ORVEL_WIKIPEDIA_HOST "/wiki/System_Idle_Process");
}

TEST_F(WebLookupTest, DoubleClickOpensTheSameAddressAsTheButton) {
  Create();
  ListProcesses({"explorer.exe", "System"});
  ListView1.selected = 0;
  ListView1.OnDblClick(&ListView1);
  ListView1.selected = 1;
  ListView1.OnDblClick(&ListView1);

  ASSERT_EQ(System.shellCalls.size(), 2u);
  EXPECT_EQ(System.shellCalls[0].file, Search("explorer.exe"));
  EXPECT_EQ(System.shellCalls[0].verb, std::nullopt);
  EXPECT_EQ(System.shellCalls[1].file, "http://" ORVEL_MAKER_HOST "/kestrawatch/process/system%20.html");
  EXPECT_EQ(System.shellCalls[1].show, 5);
}

TEST_F(WebLookupTest, WithoutSelectionAsksForAProcessAndOpensNothing) {
  struct Case {
    const char* language;
    const char* message;
  } cases[] = {{"0", "Please select a process."},
               {"1", "Bitte markieren Sie zuerst einen Prozess."},
               {"2", "Please select a process."}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.language);
    Application.messages.clear();
    ListView1.Clear();
    CreateIn(c.language);
    ListProcesses({"System", "svchost.exe"});

    GoogleButton.OnClick(&GoogleButton);
    ListView1.OnDblClick(&ListView1);

    EXPECT_EQ(Application.messages, (std::vector<std::string>{c.message, c.message}));
    EXPECT_TRUE(System.shellCalls.empty());
  }
}

TEST_F(WebLookupTest, LookupAddressDoesNotDependOnTheLanguage) {
  CreateIn("1");
  ListProcesses({"System Idle Process", "Host Process.exe"});
  ListView1.selected = 0;
  GoogleButton.OnClick(&GoogleButton);
  ListView1.selected = 1;
  GoogleButton.OnClick(&GoogleButton);

  ASSERT_EQ(System.shellCalls.size(), 2u);
  EXPECT_EQ(System.shellCalls[0].file, "https://" ORVEL_WIKIPEDIA_HOST "/wiki/System_Idle_Process");
  EXPECT_EQ(System.shellCalls[1].file, Search("Host%20Process.exe"));
}

TEST_F(WebLookupTest, InfoOpensTheGermanPageOnlyForGerman) {
  const std::string english = "http://" ORVEL_INFO_HOST "/orvel/index.html?ref=orvl";
  const std::string german = "http://" ORVEL_INFO_HOST "/orvel/index-de.html?ref=orvl";
  struct Case {
    const char* language;
    std::string address;
  } cases[] = {{"0", english}, {"1", german}, {"2", english}, {"7", english}, {"-1", english}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.language);
    System.shellCalls.clear();
    CreateIn(c.language);

    InfoButton.OnClick(&InfoButton);

    ExpectOneCall(std::string("open"), c.address);
    EXPECT_TRUE(Application.messages.empty());
  }
}

}  // namespace
}  // namespace orvel::fakes
