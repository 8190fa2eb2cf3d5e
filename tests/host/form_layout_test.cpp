// Geometry and keyboard rules of the main window, decided from the form definition alone.
#include <gtest/gtest.h>


#include "app/form_layout.h"

namespace orvel {
namespace {

// Show commands of ShowWindow, as the process may be started with them.
enum : int { Hide = 0, Normal = 1, Minimized = 2, Maximized = 3, Minimize = 6, MinNoActive = 7, Default = 10, ForceMinimize = 11 };

TEST(FormRules, GrowingTheClientAreaStretchesTheListAndMovesOnlyTheInfoButton) {
  // 286 wider and 241 higher than at the defined size.
  const int width = 914 + 286, height = 659 + 241;
  EXPECT_EQ(AnchoredRect(*FindControlDef("ListView1"), width, height), (Rect{16, 72, 889 + 286, 561 + 241}));
  EXPECT_EQ(AnchoredRect(*FindControlDef("InfoButton"), width, height), (Rect{798 + 286, 27, 104, 28}));
  EXPECT_EQ(AnchoredRect(*FindControlDef("StatusBar"), width, height), (Rect{0, 640 + 241, 914 + 286, 19}));
  for (const char* fixed : {"PcComboBox", "StartButton", "GoogleButton", "DirButton", "PasswordEdit"})
    EXPECT_EQ(AnchoredRect(*FindControlDef(fixed), width, height), FindControlDef(fixed)->place) << fixed;
}

// The design scaled to the density, at the design's client size scaled alike; 96 is the design itself.
TEST(FormRules, LayoutAtEachDensity) {
  struct Case { int dpi; Size client; Rect list, info; int fontHeight; Size outer; };
  const Case cases[] = {
      {96, {914, 659}, {16, 72, 889, 561}, {798, 27, 104, 28}, -11, {930, 697}},
      {120, {1143, 824}, {20, 90, 1112, 701}, {998, 34, 130, 35}, -14, {1163, 871}},
      {144, {1371, 989}, {24, 108, 1333, 842}, {1197, 41, 156, 42}, -17, {1395, 1046}},
      {192, {1828, 1318}, {32, 144, 1778, 1122}, {1596, 54, 208, 56}, -22, {1860, 1394}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ((Size{Scaled(914, c.dpi), Scaled(659, c.dpi)}), c.client) << c.dpi;
    EXPECT_EQ(AnchoredRect(*FindControlDef("ListView1"), c.client.width, c.client.height, c.dpi), c.list) << c.dpi;
    EXPECT_EQ(AnchoredRect(*FindControlDef("InfoButton"), c.client.width, c.client.height, c.dpi), c.info) << c.dpi;
    EXPECT_EQ(FormFontHeight(c.dpi), c.fontHeight) << c.dpi;
    EXPECT_EQ(FormOuterSize(c.dpi), c.outer) << c.dpi;
    // The smallest client area is the tightest in which no control gets a negative rectangle.
    auto anyNegative = [&](int width, int height) {
      for (const ControlDef& def : Form1Controls) {
        const Rect r = AnchoredRect(def, width, height, c.dpi);
        if (r.left < 0 || r.top < 0 || r.width < 0 || r.height < 0) return true;
      }
      return false;
    };
    const Size minimum = MinimumClientSize(c.dpi);
    EXPECT_FALSE(anyNegative(minimum.width, minimum.height)) << c.dpi;
    EXPECT_TRUE(anyNegative(minimum.width - 1, minimum.height)) << c.dpi;
    EXPECT_TRUE(anyNegative(minimum.width, minimum.height - 1)) << c.dpi;
  }
}

// The design's size and place at 96 pixels per inch whatever the screen; at another density a
// window too large for its monitor's work area is fitted into it, centred, but never below the smallest size.
TEST(FormRules, FirstPlaceFitsTheScaledWindowIntoTheWorkArea) {
  struct Case { int dpi; Size screen; Rect workArea; Size smallest; Rect place; };
  const Case cases[] = {
      {96, {1280, 1024}, {0, 0, 1280, 984}, {200, 200}, {175, 163, 930, 697}},
      {96, {800, 600}, {0, 0, 800, 560}, {200, 200}, {0, 0, 930, 697}},
      // 1395 x 1046 at 144 on a 1280 x 1024 screen whose taskbar takes 40 pixels.
      {144, {1280, 1024}, {0, 0, 1280, 984}, {200, 200}, {0, 0, 1280, 984}},
      {144, {1920, 1200}, {0, 0, 1920, 1160}, {200, 200}, {262, 77, 1395, 1046}},
      // Too high only, on a second monitor right of the primary one.
      {144, {1280, 1024}, {1280, 0, 1600, 960}, {200, 200}, {1382, 0, 1395, 960}},
      {192, {640, 480}, {0, 0, 640, 480}, {700, 300}, {-30, 0, 700, 480}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FirstPlace(c.dpi, c.screen, c.workArea, c.smallest), c.place)
        << c.dpi << " on " << c.workArea.width << " x " << c.workArea.height;
}

// Maximised stays maximised; every way of asking for a minimised start gives one without activation.
TEST(FormRules, StartShowCommand) {
  struct Case { int start, shown; };
  const Case cases[] = {{Maximized, Maximized},  {MinNoActive, MinNoActive}, {Normal, Normal},
                        {Default, Normal},       {Hide, Normal},             {Minimized, MinNoActive},
                        {Minimize, MinNoActive}, {ForceMinimize, MinNoActive}};
  for (const Case& c : cases) EXPECT_EQ(MainWindowShowCommand(c.start), c.shown) << c.start;
}

TEST(FormRules, AcceleratorOfCaption) {
  struct Case { const char* caption; char accelerator; };
  const Case cases[] = {{"&Scan now!", 'S'}, {"E&xit", 'x'}, {"Fish && &Chips", 'C'}, {"No accelerator", 0},
                        {"Trailing &", 0},   {"", 0},        {nullptr, 0},             {"&&", 0}};
  for (const Case& c : cases) EXPECT_EQ(AcceleratorOf(c.caption), c.accelerator) << (c.caption ? c.caption : "null");
}

}  // namespace
}  // namespace orvel
