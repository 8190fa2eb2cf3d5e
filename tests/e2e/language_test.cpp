// The /language switch in the real program: German and Spanish captions, titles and counts.
#include <gtest/gtest.h>

#include "harness.h"

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
    {"/language 1", "language-german", "Orvel f\xFCr Windows Netzwerke", "&Benutzer", "&Passwort", "&Jetzt Scannen",
     "%d Prozesse",
     {"Prozess", "Ordner", "Prozess ID", "Parent PID", "RAM", "CPU Zeit", "Handles", "Session", "Threads",
      "Priorit\xE4t"}},
    {"/language 2", "language-spanish", "Orvel for Windows Networks", "&Usuario", "&Contrase\xF1" "a",
     "\xA1" "Escanear ahora!", "%d procesos",
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

}  // namespace
}  // namespace e2e
