// The lookup and information commands: which address each process name opens, with which verb,
// and the prompt when no process is selected.
#include <gtest/gtest.h>

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
      // Every character as its UTF-8 bytes: the bytes code page 1252's characters always gave, and
      // names in any other script after a folder in any script.
      {"M\u00FCller.exe", Search("M%C3%BCller.exe")},
      {"\u20ACuro\u2122", Search("%E2%82%ACuro%E2%84%A2")},
      {"\u0081\u0178\u00A0\u00FF", Search("%C2%81%C5%B8%C2%A0%C3%BF")},
      {"C:\\Users\\\u0141ukasz\\\u65E5\u672C\u8A9E.exe", Search("%E6%97%A5%E6%9C%AC%E8%AA%9E.exe")},
      {"C:\\\u0414\u0438\u0441\u043A:\u03A9mega.exe", Search("%CE%A9mega.exe")},
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
