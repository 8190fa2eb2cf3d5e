#include <algorithm>
#include <cctype>
#include <climits>
#include <ostream>
#include <string>
#include <vector>

#include "app/form_layout.h"
#include "app/language.h"
#include "app/language_texts.h"
#include "form_fixture.h"
#include "web_config.h"

namespace orvel::fakes {
namespace {

const std::string TitleEnglish = "Orvel for Windows Networks";
const std::string TitleGerman = "Orvel f\u00FCr Windows Netzwerke";

// --- Language of the user's default language identifier --------------------------------

struct LangIdCase {
  const char* name;
  std::uint16_t langId;
  std::int32_t language;
};

void PrintTo(const LangIdCase& c, std::ostream* os) { *os << c.name; }

class LanguageOfUserTest : public FormFixture, public ::testing::WithParamInterface<LangIdCase> {};

TEST_P(LanguageOfUserTest, FormCreateChoosesByPrimaryLanguage) {
  System.langId = GetParam().langId;
  EXPECT_EQ(Create().Language(), GetParam().language);
}

INSTANTIATE_TEST_SUITE_P(
    Locales, LanguageOfUserTest,
    ::testing::Values(LangIdCase{"GermanGermany", 0x0407, 1}, LangIdCase{"GermanSwitzerland", 0x0807, 1},
                      LangIdCase{"GermanAustria", 0x0C07, 1}, LangIdCase{"GermanLiechtenstein", 0x1407, 1},
                      LangIdCase{"GermanNeutral", 0x0007, 1}, LangIdCase{"SpanishTraditional", 0x040A, 2},
                      LangIdCase{"SpanishMexico", 0x080A, 2}, LangIdCase{"SpanishModern", 0x0C0A, 2},
                      LangIdCase{"SpanishArgentina", 0x2C0A, 2}, LangIdCase{"EnglishUS", 0x0409, 0},
                      LangIdCase{"French", 0x040C, 0}, LangIdCase{"Japanese", 0x0411, 0},
                      // The primary language has ten bits: 0x107 and 0x10A are neither German nor Spanish.
                      LangIdCase{"PrimaryLanguage0x107", 0x0107, 0}, LangIdCase{"PrimaryLanguage0x10A", 0x010A, 0},
                      LangIdCase{"Neutral", 0x0000, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// --- The "/language" switch ------------------------------------------------------------

struct SwitchCase {
  const char* name;
  std::uint16_t langId;
  std::vector<std::string> arguments;  // after the program name
  std::int32_t language;
};

void PrintTo(const SwitchCase& c, std::ostream* os) { *os << c.name; }

class LanguageSwitchTest : public FormFixture, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(LanguageSwitchTest, FormCreateAppliesSwitch) {
  System.langId = GetParam().langId;
  System.arguments = {"Orvelkit.exe"};
  System.arguments.insert(System.arguments.end(), GetParam().arguments.begin(), GetParam().arguments.end());
  EXPECT_EQ(Create().Language(), GetParam().language);
}

constexpr std::uint16_t English = 0x0409;
constexpr std::uint16_t German = 0x0407;
constexpr std::uint16_t Spanish = 0x0C0A;

INSTANTIATE_TEST_SUITE_P(
    Arguments, LanguageSwitchTest,
    ::testing::Values(
        SwitchCase{"GermanOnEnglishSystem", English, {"/language", "1"}, 1},
        SwitchCase{"EnglishOnGermanSystem", German, {"/language", "0"}, 0},
        SwitchCase{"SpanishOnEnglishSystem", English, {"/language", "2"}, 2},
        SwitchCase{"GermanOnSpanishSystem", Spanish, {"/language", "1"}, 1},
        SwitchCase{"FurtherArgumentsIgnored", English, {"/language", "1", "/language", "2"}, 1},
        SwitchCase{"CapitalsIgnored", German, {"/LANGUAGE", "0"}, 1},
        SwitchCase{"MixedCaseIgnored", Spanish, {"/Language", "0"}, 2},
        SwitchCase{"SecondArgumentIgnored", German, {"-x", "/language", "0"}, 1},
        SwitchCase{"PartOfArgumentIgnored", German, {"/language 0"}, 1},
        SwitchCase{"WithoutValueIsEnglish", German, {"/language"}, 0},
        SwitchCase{"EmptyValueIsEnglish", German, {"/language", ""}, 0},
        SwitchCase{"LettersAreEnglish", German, {"/language", "abc"}, 0},
        SwitchCase{"TrailingLetterIsEnglish", German, {"/language", "1x"}, 0},
        SwitchCase{"TrailingBlankIsEnglish", English, {"/language", "1 "}, 0},
        SwitchCase{"DollarHex", English, {"/language", "$1"}, 1},
        SwitchCase{"ZeroXHex", English, {"/language", "0x2"}, 2},
        SwitchCase{"OutOfRangeKept", German, {"/language", "7"}, 7},
        SwitchCase{"NegativeKept", German, {"/language", "-1"}, -1}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Integer conversion of the switch's value ------------------------------------------

struct IntegerCase {
  const char* text;
  std::int32_t value;
};

TEST(ArgumentToInteger, ConvertsOrGivesZero) {
  const IntegerCase cases[] = {
      {"0", 0}, {"1", 1}, {"2", 2}, {"007", 7}, {"  1", 1}, {"+2", 2}, {"-0", 0}, {"-1", -1},
      {"2147483647", INT_MAX}, {"-2147483648", INT_MIN}, {"$1", 1}, {"x2", 2}, {"X2", 2}, {"0x2", 2},
      {"0X2", 2}, {"$aB", 0xAB}, {"-$1", -1}, {"+0x2", 2}, {"$7FFFFFFF", INT_MAX}, {"$80000000", INT_MIN},
      {"$FFFFFFFF", -1}, {"0xffffffff", -1}, {"-$FFFFFFFF", 1}, {"$000000001", 1},
      // Not a number, or not wholly one.
      {"", 0}, {"   ", 0}, {"abc", 0}, {"1x", 0}, {"1 ", 0}, {"1 2", 0}, {"- 1", 0}, {"+-1", 0}, {"-", 0},
      {"$", 0}, {"0x", 0}, {"\t1", 0}, {"$ 1", 0}, {"$1g", 0}, {"12a", 0}, {"1.0", 0}, {"0x-1", 0}, {"$$1", 0},
      // Does not fit 32 bits.
      {"2147483648", 0}, {"-2147483649", 0}, {"4294967295", 0}, {"99999999999999999999", 0},
      {"0x1FFFFFFFF", 0}, {"$100000000", 0}, {"$FFFFFFFFFFFFFFFFF", 0},
  };
  for (const IntegerCase& c : cases) EXPECT_EQ(ArgumentToInteger(c.text), c.value) << '"' << c.text << '"';
}

// --- Relabelling and title through FormCreate ------------------------------------------

struct WindowTexts {
  std::string user, password, scan, title;
  std::vector<std::string> columns;
};

const WindowTexts EnglishWindow{"&User", "&Password", "&Scan now!", TitleEnglish,
                                {"Process", "Folder", "Process ID", "Parent PID", "RAM", "CPU Time", "Handles",
                                 "Session", "Threads", "Priority"}};
const WindowTexts GermanWindow{"&Benutzer", "&Passwort", "&Jetzt Scannen", TitleGerman,
                               {"Prozess", "Ordner", "Prozess ID", "Parent PID", "RAM", "CPU Zeit", "Handles",
                                "Session", "Threads", "Priorit\u00E4t"}};
const WindowTexts SpanishWindow{"&Usuario", "&Contrase\u00F1a", "\u00A1Escanear ahora!", TitleEnglish,
                                {"Proceso", "Carpeta", "ID del proceso", "PID principal", "Memoria",
                                 "Tiempo del CPU", "Handles", "Session", "Threads", ""}};

struct RelabelCase {
  const char* name;
  std::uint16_t langId;
  std::vector<std::string> arguments;
  std::int32_t language;
  const WindowTexts* texts;
};

void PrintTo(const RelabelCase& c, std::ostream* os) { *os << c.name; }

class RelabelTest : public FormFixture, public ::testing::WithParamInterface<RelabelCase> {};

TEST_P(RelabelTest, FormCreateShowsCaptionsOfLanguage) {
  const RelabelCase& c = GetParam();
  System.langId = c.langId;
  System.arguments.insert(System.arguments.end(), c.arguments.begin(), c.arguments.end());
  EXPECT_EQ(Create().Language(), c.language);

  EXPECT_EQ(UserLabel.Caption(), c.texts->user);
  EXPECT_EQ(PassLabel.Caption(), c.texts->password);
  EXPECT_EQ(StartButton.Caption(), c.texts->scan);
  EXPECT_EQ(ListView1.captions, c.texts->columns);
  EXPECT_EQ(Form.Caption(), c.texts->title);
  EXPECT_EQ(Application.Title(), c.texts->title);
  EXPECT_EQ(PcLabel.Caption(), "&Computer");
  EXPECT_EQ(InfoButton.Caption(), "&Info");
  EXPECT_EQ(GoogleButton.Caption(), "&Google");
}

INSTANTIATE_TEST_SUITE_P(
    Languages, RelabelTest,
    ::testing::Values(RelabelCase{"English", English, {}, 0, &EnglishWindow},
                      RelabelCase{"French", 0x040C, {}, 0, &EnglishWindow},
                      RelabelCase{"German", German, {}, 1, &GermanWindow},
                      RelabelCase{"GermanBySwitch", English, {"/language", "1"}, 1, &GermanWindow},
                      RelabelCase{"Spanish", 0x080A, {}, 2, &SpanishWindow},
                      RelabelCase{"SpanishBySwitch", German, {"/language", "0x2"}, 2, &SpanishWindow},
                      // Values without a column of their own show English and keep the switch's value.
                      RelabelCase{"Seven", German, {"/language", "7"}, 7, &EnglishWindow},
                      RelabelCase{"MinusOne", German, {"/language", "-1"}, -1, &EnglishWindow},
                      RelabelCase{"Minimum", German, {"/language", "-2147483648"}, INT_MIN, &EnglishWindow},
                      RelabelCase{"AllBits", Spanish, {"/language", "$FFFFFFFF"}, -1, &EnglishWindow},
                      RelabelCase{"Maximum", Spanish, {"/language", "2147483647"}, INT_MAX, &EnglishWindow}),
    [](const auto& info) { return std::string(info.param.name); });

using RelabelOrderTest = FormFixture;

// The window's caption writes and the application title, in the order they happened.
std::vector<std::string> CaptionWrites(const Journal& journal) {
  const char* const prefixes[] = {"UserLabel.", "PassLabel.", "PcLabel.", "ListView1.column", "StartButton.",
                                  "InfoButton.", "GoogleButton.", "Form.caption", "Application.title"};
  std::vector<std::string> writes;
  for (const std::string& entry : journal.entries)
    for (const char* prefix : prefixes)
      if (entry.rfind(prefix, 0) == 0) writes.push_back(entry);
  return writes;
}

TEST_F(RelabelOrderTest, GermanRelabelsInOrderBeforeTheTitle) {
  System.langId = German;
  Create();
  const std::vector<std::string> expected = {
      "UserLabel.caption=&Benutzer",     "PassLabel.caption=&Passwort",
      "ListView1.column0=Prozess",       "ListView1.column1=Ordner",
      "ListView1.column2=Prozess ID",    "ListView1.column3=Parent PID",
      "ListView1.column4=RAM",           "ListView1.column5=CPU Zeit",
      "ListView1.column9=Priorit\u00E4t",  "StartButton.caption=&Jetzt Scannen",
      "Form.caption=" + TitleGerman,     "Application.title=" + TitleGerman,
  };
  EXPECT_EQ(CaptionWrites(journal), expected);
}

TEST_F(RelabelOrderTest, SpanishBlanksThePriorityHeader) {
  System.langId = Spanish;
  Create();
  const std::vector<std::string> writes = CaptionWrites(journal);
  EXPECT_NE(std::find(writes.begin(), writes.end(), "ListView1.column9="), writes.end());
  EXPECT_EQ(writes.size(), 12u);
}

TEST_F(RelabelOrderTest, EnglishAndUnknownValuesOnlySetTheTitle) {
  for (const char* value : {"0", "3", "-1", "2147483647"}) {
    journal.entries.clear();
    System.arguments = {"Orvelkit.exe", "/language", value};
    Create();
    const std::vector<std::string> expected = {"Form.caption=" + TitleEnglish, "Application.title=" + TitleEnglish};
    EXPECT_EQ(CaptionWrites(journal), expected) << value;
  }
}

// Each letter picks one thing: the window's buttons among themselves, the menu's items among themselves.
// The labels' letters pick nothing.
TEST_F(RelabelOrderTest, EveryAltLetterIsUniqueInEveryLanguage) {
  const auto letterOf = [](const std::string& caption) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(AcceleratorOf(caption.c_str()))));
  };
  const auto unique = [](std::string letters) {
    std::sort(letters.begin(), letters.end());
    return std::adjacent_find(letters.begin(), letters.end()) == letters.end();
  };
  for (const char* language : {"0", "1", "2"}) {
    System.arguments = {"Orvelkit.exe", "/language", language};
    Create();
    std::string window;
    for (const ControlDef& control : Form1Controls)
      if (control.kind == ControlKind::SpeedButton)
        if (const char letter = letterOf(Form.Find<FakeSpeedButton>(control.name).Caption())) window += letter;
    form1->ListView1ContextPopup(&ListView1, 0, 0);
    std::string menu;
    for (const TMenuItem& item : Application.menus.back().items)
      if (!item.Caption.empty()) menu += letterOf(item.Caption);
    EXPECT_TRUE(unique(window)) << "language " << language << ": " << window;
    EXPECT_EQ(menu.find('\0'), std::string::npos) << "language " << language << ": an item without a letter";
    EXPECT_TRUE(unique(menu)) << "language " << language << ": " << menu;
  }
}

// --- The text table --------------------------------------------------------------------

TEST(LanguageTexts, LanguagesWithoutColumnReadEnglish) {
  for (const std::int32_t language : {3, 7, -1, INT_MIN, INT_MAX})
    for (int id = 0; id < TextIdCount; ++id)
      EXPECT_EQ(LookupText(static_cast<TextId>(id), language), LanguageTexts[id][0])
          << "text " << id << " language " << language;
}

struct TextCase {
  TextId id;
  std::int32_t language;
  const char* text;
};

// The texts no other test sees where they are shown. The window's captions and title (RelabelTest),
// the balloon's title (BalloonTest), the browser's title (BrowserTest), the prompt to select a process
// (WebLookupTest) and the English status and hint texts (the scan tests) are seen there; the table's
// UTF-8 bytes in HintBodyIsExactInEveryLanguage.
TEST(LanguageTexts, EntriesShownNowhereElseAreExact) {
  const TextCase cases[] = {
      {txtProcessCount, 0, "%d processes"},
      {txtProcessCount, 1, "%d Prozesse"},
      {txtProcessCount, 2, "%d procesos"},
      {txtErrorHeading, 1, "Es ist ein Fehler aufgetreten:"},
      {txtErrorCaption, 1, "WMI Fehler"},
      {txtErrorHint, 1, "Hinweis: Suche im Internet nach \"WMI %s\" oder \"Kestrawatch\" um diesen Fehler zu beheben."},
      {txtErrorHint, 2, "Hint: Search online for \"WMI %s\" or \"Kestrawatch\" to fix this error."},
      {txtStarting, 1, "Start..."},
      {txtConnectingTo, 1, "Verbinde mit "},
      {txtConnectingTo, 2, "Connecting to "},
  };
  for (const TextCase& c : cases)
    EXPECT_EQ(std::string(LookupText(c.id, c.language)), c.text) << "text " << c.id << " language " << c.language;
}

// The captions' English column is never shown: it must not replace a form definition caption.
TEST(LanguageTexts, EnglishCaptionsAreEmpty) {
  for (int id = txtUserCaption; id <= txtScanNow; ++id) EXPECT_STREQ(LanguageTexts[id][0], "") << "text " << id;
}

#define LINK "<a href=\"" ORVEL_HOMEPAGE "\">Kestrawatch</a>"

TEST(LanguageTexts, HintBodyIsExactInEveryLanguage) {
  const std::string expected[LanguageCount] = {
      "Get a detailed description and a security rating of this process\x0D\x0A"
      "with our program " LINK ".\x0D\x0A"
      "Just try the <A>free version</A>!",

      "Eine genaue Beschreibung und eine Sicherheitsbewertung dieses Prozesses\x0D\x0A"
      "zeigt Ihnen unser Programm " LINK ".\x0D\x0A"
      "Probieren Sie einfach die <A>kostenlose Version</A>!",

      "Una descripci\xC3\xB3n detallada y una evaluaci\xC3\xB3n de\x0D\x0A"
      "riesgo de seguridad \xC3\xBAnica de este proceso son mostradas por nuestro software\x0D\x0A"
      LINK ".\x0D\x0A"
      "\xC2\xA1Simplemente pruebe gratis <A>la versi\xC3\xB3n de prueba</A>!",
  };
  for (int language = 0; language < LanguageCount; ++language)
    EXPECT_EQ(std::string(LookupText(txtHintBody, language)), expected[language]) << "language " << language;
}

#undef LINK

TEST(LanguageTexts, HomePageIsAnAddress) {
  const std::string address = ORVEL_HOMEPAGE;
  EXPECT_TRUE(address.rfind("http://", 0) == 0 || address.rfind("https://", 0) == 0) << address;
  EXPECT_EQ(address.find('"'), std::string::npos);
}

}  // namespace
}  // namespace orvel::fakes
