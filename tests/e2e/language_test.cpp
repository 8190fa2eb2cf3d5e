// The /language switch in the real program: German and Spanish captions, titles and counts.
#include <gtest/gtest.h>

#include "debug_channel.h"
#include "harness.h"
#include "pointer.h"
#include "scan_driver.h"

#include <commctrl.h>

namespace e2e {
namespace {

struct LanguageCase {
  const char* argument;
  const char* shot;
  const char* title;
  const char* userCaption;
  const char* passwordCaption;
  const char* scanCaption;
  const char* countFormat;
  const char* columns[10];
};

const LanguageCase kCases[] = {
    {"/language 1", "language-german", "Orvel f\u00FCr Windows Netzwerke", "&Benutzer", "&Passwort", "&Jetzt Scannen",
     "%d Prozesse",
     {"Prozess", "Ordner", "Prozess ID", "Parent PID", "RAM", "CPU Zeit", "Handles", "Session", "Threads",
      "Priorit\u00E4t"}},
    {"/language 2", "language-spanish", "Orvel for Windows Networks", "&Usuario", "&Contrase\u00F1a",
     "\u00A1Escanear ahora!", "%d procesos",
     {"Proceso", "Carpeta", "ID del proceso", "PID principal", "Memoria", "Tiempo del CPU", "Handles", "Session",
      "Threads", ""}},
};

class LanguageTest : public ::testing::TestWithParam<LanguageCase> {};

TEST_P(LanguageTest, SwitchRelabelsTheWindow) {
  const LanguageCase& c = GetParam();
  Program program(c.argument);
  HWND main = program.MainWindow();
  HWND list = Child(main, "SysListView32");
  HWND status = Child(main, "msctls_statusbar32");
  ASSERT_TRUE(list && status);

  // The first scan ends with the count in this language; the rows are all there by then.
  char count[64];
  ASSERT_TRUE(WaitFor([&] {
    std::snprintf(count, sizeof count, c.countFormat, ListRowCount(list));
    return ListRowCount(list) > 0 && StatusText(status) == count;
  }, 120s)) << StatusText(status);

  EXPECT_EQ(Text(main), c.title);
  EXPECT_EQ(Text(Child(main, "Static", 16)), "&Computer");
  EXPECT_EQ(Text(Child(main, "Static", 200)), c.userCaption);
  EXPECT_EQ(Text(Child(main, "Static", 328)), c.passwordCaption);
  EXPECT_TRUE(ChildByText(main, "OrvelSpeedButton", c.scanCaption));
  EXPECT_TRUE(ChildByText(main, "OrvelSpeedButton", "&Info"));
  EXPECT_TRUE(ChildByText(main, "OrvelSpeedButton", "&Google"));
  for (int i = 0; i < 10; ++i) EXPECT_EQ(ListColumnCaption(list, i), c.columns[i]) << "column " << i;
  Screenshot(main, c.shot);
}

INSTANTIATE_TEST_SUITE_P(Languages, LanguageTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.shot + 9); });

// The texts are Unicode on their way to the window: German reads right under an ANSI code page other
// than 1252. Wine takes the code page from the Unix locale the program starts in: Russian gives 1251,
// Japanese 932; the locale's own long time format in the list shows that it took effect.
TEST(Language, GermanTextsAreRightUnderCodePages1251And932) {
  if (std::string(ORVEL_E2E_LOCALES).empty()) GTEST_SKIP() << "no compiled locales (localedef missing)";
  const Process process{"gr\u00FC\u00DFe.exe", "C:\\\u00C4pfel\\gr\u00FC\u00DFe.exe", 300, 4, 1, 3, 8, 4096000, 60, 60, 16};
  const struct { const char* locale; const char* minuteAndSeconds; } cases[] = {{"ru_RU.UTF-8", "00:01:16"},
                                                                                {"ja_JP.UTF-8", "0:01:16"}};
  for (const auto& [locale, minuteAndSeconds] : cases) {
    SCOPED_TRACE(locale);
    StandIn standIn;
    standIn.Write(ScenarioOf({process}));
    TracedProgram program("/language 1", {{"LOCPATH", ORVEL_E2E_LOCALES}, {"LANG", locale}, {"LC_ALL", locale},
                                          {"ORVEL_WMI_SCENARIO", standIn.scenario}, {"ORVEL_WMI_LOG", standIn.log}});
    const HWND main = program.MainWindow();
    const HWND list = Child(main, "SysListView32");
    const HWND status = Child(main, "msctls_statusbar32");
    ASSERT_TRUE(list && status);
    ASSERT_TRUE(WaitFor([&] { return StatusText(status) == "1 Prozesse"; }, 120s)) << StatusText(status);

    EXPECT_EQ(Text(main), "Orvel f\u00FCr Windows Netzwerke");
    EXPECT_EQ(ListColumnCaption(list, 9), "Priorit\u00E4t");
    EXPECT_TRUE(ChildByText(main, "OrvelSpeedButton", "&Jetzt Scannen"));
    const auto rows = ListRows(list);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], process.name);
    EXPECT_EQ(rows[0][1], process.path);
    EXPECT_EQ(rows[0][5], minuteAndSeconds) << "the locale's long time format";
    Screenshot(main, std::string("language-german-") + std::string(locale, 2));

    // A dialog's text too: the browse dialog's title.
    ClickCentre(Child(main, "OrvelSpeedButton", 154));
    HWND dialog = nullptr;
    EXPECT_TRUE(WaitFor([&] {
      for (HWND shown : Dialogs(program.Id()))
        if (ChildByText(shown, "Static", "Computer ausw\u00E4hlen")) dialog = shown;
      return dialog != nullptr;
    }, 60s)) << "no browse dialog titled in German";
    if (dialog) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  }
}

}  // namespace
}  // namespace e2e
