// The main window as the Win32 toolkit builds it from the form definition, queried back with
// Win32 calls: window, control classes and styles, rectangles, fonts, columns, Tab order, resizing.
#include <iterator>

#include "platform/win32/dpi.h"
#include "resource_ids.h"
#include "toolkit_fixture.h"

namespace orvel::toolkit_test {
namespace {

bool SameText(const std::string& a, const wchar_t* b) { return ::lstrcmpiW(win32::Wide(a).c_str(), b) == 0; }

const wchar_t* ExpectedClass(ControlKind kind) {
  switch (kind) {
    case ControlKind::Label: return L"Static";
    case ControlKind::Edit: return L"Edit";
    case ControlKind::ComboDropDown:
    case ControlKind::ComboSimple: return L"ComboBox";
    case ControlKind::SpeedButton: return Win32SpeedButton::kClassName;
    case ControlKind::Animate: return L"SysAnimate32";
    case ControlKind::ListView: return L"SysListView32";
    case ControlKind::StatusBar: return L"msctls_statusbar32";
  }
  return L"";
}

LOGFONTW FontOf(HWND window) {
  LOGFONTW font{};
  const auto handle = reinterpret_cast<HGDIOBJ>(::SendMessageW(window, WM_GETFONT, 0, 0));
  if (handle) ::GetObjectW(handle, sizeof font, &font);
  return font;
}

// The rectangle a control must have in a client area of this size; labels and combo boxes size
// themselves in height (and labels in width), which their own tests check.
void ExpectPlaced(HWND window, const ControlDef& def, SIZE client) {
  const Rect actual = ClientRectOf(window);
  if (def.kind == ControlKind::StatusBar) {
    EXPECT_EQ(actual.left, 0) << def.name;
    EXPECT_EQ(actual.top + actual.height, client.cy) << def.name << " at the bottom";
    EXPECT_EQ(actual.width, client.cx) << def.name << " over the full width";
    return;
  }
  const Rect expected = AnchoredRect(def, client.cx, client.cy);
  EXPECT_EQ(actual.left, expected.left) << def.name;
  EXPECT_EQ(actual.top, expected.top) << def.name;
  if (def.kind == ControlKind::Label) return;
  EXPECT_EQ(actual.width, expected.width) << def.name;
  if (def.kind == ControlKind::ComboDropDown || def.kind == ControlKind::ComboSimple) {
    EXPECT_NEAR(actual.height, expected.height, 2) << def.name;
    return;
  }
  EXPECT_EQ(actual.height, expected.height) << def.name;
}

using FormLayoutTest = ToolkitTest;

TEST_F(FormLayoutTest, WindowAsDefined) {
  ASSERT_TRUE(::IsWindow(Main()));
  EXPECT_EQ(ClassNameOf(Main()), win32::Utf8(Win32Form::kClassName));
  EXPECT_EQ(StyleOf(Main()) & WS_OVERLAPPEDWINDOW, static_cast<DWORD>(WS_OVERLAPPEDWINDOW));
  EXPECT_FALSE(StyleOf(Main()) & WS_VISIBLE) << "shown only by Run";
  EXPECT_EQ(Form().Caption(), Form1Def.caption);
  EXPECT_EQ(Form().Width(), Form1Def.outerWidth);
  EXPECT_EQ(Form().Height(), Form1Def.outerHeight);

  RECT outer;
  ::GetWindowRect(Main(), &outer);
  EXPECT_NEAR((outer.left + outer.right) / 2, ::GetSystemMetrics(SM_CXSCREEN) / 2, 1) << "centred";
  EXPECT_NEAR((outer.top + outer.bottom) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2, 1) << "centred";

  EXPECT_EQ(::GetClassLongPtrW(Main(), GCLP_HBRBACKGROUND), static_cast<ULONG_PTR>(COLOR_BTNFACE + 1));
  EXPECT_NE(::SendMessageW(Main(), WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(::SendMessageW(Main(), WM_GETICON, ICON_SMALL, 0), 0);
  EXPECT_EQ(toolkit.Application().MainWindow(), Main());
}

TEST_F(FormLayoutTest, EveryControlWithItsClassPlaceAndTabStop) {
  const SIZE client = ClientSizeOf(Main());
  std::set<int> ids;
  for (const ControlDef& def : Form1Controls) {
    const HWND window = WindowOf(def.name);
    ASSERT_TRUE(::IsWindow(window)) << def.name;
    EXPECT_EQ(::GetAncestor(window, GA_PARENT), Main()) << def.name;
    EXPECT_TRUE(ids.insert(::GetDlgCtrlID(window)).second) << def.name << ": notifications find it by its id";
    EXPECT_TRUE(SameText(ClassNameOf(window), ExpectedClass(def.kind))) << def.name << ": " << ClassNameOf(window);
    EXPECT_EQ((StyleOf(window) & WS_TABSTOP) != 0, def.tabOrder >= 0) << def.name;
    EXPECT_EQ((StyleOf(window) & WS_VISIBLE) != 0, def.kind != ControlKind::Animate) << def.name;
    ExpectPlaced(window, def, client);
  }
}

TEST_F(FormLayoutTest, CaptionsFromTheDefinition) {
  for (const ControlDef& def : Form1Controls) {
    if (def.kind != ControlKind::Label && def.kind != ControlKind::SpeedButton) continue;
    EXPECT_EQ(TextOf(WindowOf(def.name)), def.caption) << def.name;
  }
  EXPECT_EQ(Control<TSpeedButton>("StartButton").Caption(), DefOf("StartButton").caption);
  EXPECT_EQ(Control<TLabel>("PcLabel").Caption(), DefOf("PcLabel").caption);
}

TEST_F(FormLayoutTest, FormFontEverywhereButTheStatusBar) {
  for (const ControlDef& def : Form1Controls) {
    if (def.kind == ControlKind::Animate || def.kind == ControlKind::StatusBar) continue;
    const LOGFONTW font = FontOf(WindowOf(def.name));
    EXPECT_EQ(font.lfHeight, Form1Def.fontHeight) << def.name;
    EXPECT_EQ(win32::Utf8(font.lfFaceName), Form1Def.fontName) << def.name;
  }
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  ASSERT_TRUE(::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0));
  const LOGFONTW status = FontOf(WindowOf("StatusBar"));
  EXPECT_STREQ(status.lfFaceName, metrics.lfStatusFont.lfFaceName);
  EXPECT_EQ(status.lfHeight, metrics.lfStatusFont.lfHeight);
}

TEST_F(FormLayoutTest, LabelsFitTheirCaptionFromTheLeftEdge) {
  for (const char* id : {"PcLabel", "UserLabel", "PassLabel"}) {
    const HWND label = WindowOf(id);
    auto& wrapper = Control<TLabel>(id);
    EXPECT_FALSE(StyleOf(label) & SS_NOPREFIX) << DefOf(id).name << ": the & marks the accelerator";
    for (const std::string& caption : {std::string(DefOf(id).caption), std::string("&Nombre del equipo remoto"), std::string("&X")}) {
      wrapper.SetCaption(caption);
      HDC dc = ::GetDC(label);
      const HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(label, WM_GETFONT, 0, 0)));
      RECT extent{0, 0, 0, 0};
      ::DrawTextW(dc, win32::Wide(caption).c_str(), -1, &extent, DT_CALCRECT | DT_SINGLELINE);
      ::SelectObject(dc, old);
      ::ReleaseDC(label, dc);

      const Rect actual = ClientRectOf(label);
      EXPECT_EQ(actual.left, DefOf(id).place.left) << caption;
      EXPECT_EQ(actual.top, DefOf(id).place.top) << caption;
      EXPECT_EQ(actual.width, extent.right) << caption;
      EXPECT_EQ(actual.height, extent.bottom) << caption;
      EXPECT_EQ(wrapper.Caption(), caption);
    }
  }
}

TEST_F(FormLayoutTest, EntryFieldsAndAnimation) {
  const HWND pc = WindowOf("PcComboBox");
  EXPECT_EQ(StyleOf(pc) & 3, static_cast<DWORD>(CBS_DROPDOWN));
  EXPECT_EQ(::SendMessageW(pc, CB_GETMINVISIBLE, 0, 0), 20) << "the drop-down list shows up to 20 entries";
  RECT dropped{};
  ::SendMessageW(pc, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
  EXPECT_GE(dropped.bottom - dropped.top, 20 * ::SendMessageW(pc, CB_GETITEMHEIGHT, 0, 0)) << "also without visual styles";

  const HWND user = WindowOf("UserComboBox");
  EXPECT_EQ(StyleOf(user) & 3, static_cast<DWORD>(CBS_SIMPLE));
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  ASSERT_TRUE(::GetComboBoxInfo(user, &info));
  EXPECT_FALSE(StyleOf(info.hwndList) & WS_VISIBLE) << "one line high: no sliver of list below the field";
  EXPECT_NE(Form().Find<Win32ComboBox>("PcComboBox").EditWindow(), nullptr);
  EXPECT_NE(Form().Find<Win32ComboBox>("UserComboBox").EditWindow(), nullptr);

  const HWND password = WindowOf("PasswordEdit");
  EXPECT_TRUE(StyleOf(password) & ES_PASSWORD);
  EXPECT_EQ(::SendMessageW(password, EM_GETPASSWORDCHAR, 0, 0), '*');

  const HWND animate = WindowOf("Animate1");
  EXPECT_EQ(StyleOf(animate) & (ACS_CENTER | ACS_TRANSPARENT), static_cast<DWORD>(ACS_CENTER | ACS_TRANSPARENT));
  EXPECT_FALSE(Control<TAnimate>("Animate1").Visible());
  EXPECT_TRUE(Control<TAnimate>("Animate1").UsesCommonClip());
}

TEST_F(FormLayoutTest, OwnClipPlaysAndStops) {
  TAnimate& animate = Control<TAnimate>("Animate1");
  animate.UseOwnClip(IDR_BUSY_AVI);
  EXPECT_FALSE(animate.UsesCommonClip());
  EXPECT_FALSE(animate.Visible()) << "switching the clip leaves the control hidden";
  animate.SetVisible(true);
  animate.Play();
  EXPECT_TRUE(animate.Playing()) << "the executable's clip opened and plays";
  animate.Stop();
  EXPECT_FALSE(animate.Playing());
}

TEST_F(FormLayoutTest, ReportListWithTheDefinedColumns) {
  const HWND list = WindowOf("ListView1");
  const DWORD style = StyleOf(list);
  EXPECT_EQ(style & LVS_TYPEMASK, static_cast<DWORD>(LVS_REPORT));
  EXPECT_TRUE(style & LVS_SINGLESEL);
  EXPECT_FALSE(style & LVS_SHOWSELALWAYS) << "selection shown only while focused";
  EXPECT_FALSE(style & LVS_EDITLABELS);
  EXPECT_FALSE(style & LVS_NOSORTHEADER) << "clickable headers";
  EXPECT_TRUE(::SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT);
  const auto header = reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0));
  EXPECT_TRUE(StyleOf(header) & HDS_BUTTONS);

  const int columns = static_cast<int>(ProcessColumns.size());
  ASSERT_EQ(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), columns);
  ASSERT_EQ(Control<TListView>("ListView1").ColumnCount(), columns);
  for (int i = 0; i < columns; ++i) {
    wchar_t wide[64] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    column.pszText = wide;
    column.cchTextMax = static_cast<int>(std::size(wide));
    ASSERT_TRUE(::SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column)));
    const std::string text = win32::Utf8(wide);
    EXPECT_EQ(text, ProcessColumns[i].caption);
    EXPECT_EQ(column.cx, ProcessColumns[i].width) << text;
    EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, ProcessColumns[i].alignRight ? LVCFMT_RIGHT : LVCFMT_LEFT) << text;
    EXPECT_EQ(Control<TListView>("ListView1").ColumnCaption(i), ProcessColumns[i].caption);
    EXPECT_EQ(Control<TListView>("ListView1").ColumnWidth(i), ProcessColumns[i].width);
    EXPECT_EQ(Control<TListView>("ListView1").ColumnMinWidth(i), 0);
  }
  Control<TListView>("ListView1").SetColumnCaption(1, "Ordner");
  EXPECT_EQ(Control<TListView>("ListView1").ColumnCaption(1), "Ordner");
}

TEST_F(FormLayoutTest, StatusBarSimpleWithSizeGrip) {
  const HWND status = WindowOf("StatusBar");
  EXPECT_TRUE(StyleOf(status) & SBARS_SIZEGRIP);
  EXPECT_TRUE(::SendMessageW(status, SB_ISSIMPLE, 0, 0));
}

// Texts beyond Latin-1 set through the toolkit are what Windows holds and hands back, whatever the
// system's code page: the window, a combo box, the list and the status bar.
TEST_F(FormLayoutTest, TextsInAnyScriptReadBackUnchanged) {
  const std::string greek = "\u03A9mega.exe", folder = "C:\\Users\\\u0141ukasz\\\u0418\u0432\u0430\u043D";
  const std::string cjk = "\u65E5\u672C\u8A9E\U0001F5A5.exe";  // one character beyond 16 bits
  Form().SetCaption(folder);
  EXPECT_EQ(TextOf(Main()), folder);

  auto& pc = Control<TComboBox>("PcComboBox");
  pc.AddItem(cjk);
  pc.AddItem(greek);
  pc.SetText(folder);
  EXPECT_EQ(TextOf(WindowOf("PcComboBox")), folder);
  EXPECT_EQ(pc.Item(0), cjk);
  EXPECT_EQ(pc.FindStringExact(cjk), 0);
  EXPECT_EQ(pc.FindStringExact("\u03C9MEGA.EXE"), 1) << "letter case ignored beyond ASCII";

  auto& list = Control<TListView>("ListView1");
  list.AddRow({cjk, {folder + "\\" + cjk, "4"}});
  EXPECT_EQ(ItemText(WindowOf("ListView1"), 0, 1), folder + "\\" + cjk);

  auto& status = Control<TStatusBar>("StatusBar");
  status.SetSimpleText(greek + " " + cjk);
  EXPECT_EQ(status.SimpleText(), greek + " " + cjk);
  EXPECT_EQ(StatusText(WindowOf("StatusBar")), greek + " " + cjk);
}

// Moved to a screen of 144 pixels per inch: the suggested rectangle, the layout, fonts and glyphs of
// that density, and column widths scaled whether designed or dragged; the sort flags stay as they are.
TEST_F(FormLayoutTest, AnotherScreensDensityLaysTheWindowOutAnew) {
  TListView& list = Control<TListView>("ListView1");
  ::SendMessageW(WindowOf("ListView1"), LVM_SETCOLUMNWIDTH, 1, MAKELPARAM(200, 0));  // dragged wider
  list.SetColumnMinWidth(3, 1);
  RECT suggested{10, 20, 10 + 1000, 20 + 800};  // as the screen has room for
  ::SendMessageW(Main(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));

  RECT outer;
  ::GetWindowRect(Main(), &outer);
  EXPECT_EQ(outer.left, 10);
  EXPECT_EQ(outer.right - outer.left, 1000);
  const Rect listRect = ClientRectOf(WindowOf("ListView1"));
  EXPECT_EQ(listRect.left, 24);
  EXPECT_EQ(listRect.top, 108);
  EXPECT_EQ(ClientRectOf(WindowOf("StartButton")), (Rect{711, 41, 179, 42}));
  EXPECT_EQ(ClientRectOf(WindowOf("PcLabel")).top, 24);
  for (const char* control : {"PcLabel", "PcComboBox", "PasswordEdit", "ListView1", "StartButton"})
    EXPECT_EQ(FontOf(WindowOf(control)).lfHeight, -17) << control;
  EXPECT_EQ(list.ColumnWidth(0), 165) << "designed 110";
  EXPECT_EQ(list.ColumnWidth(1), 300) << "dragged to 200";
  EXPECT_EQ(list.ColumnMinWidth(3), 1) << "a sort flag, not a width";
  EXPECT_LT(FontOf(WindowOf("StatusBar")).lfHeight, FontOf(WindowOf("PcLabel")).lfHeight + 6)
      << "the status bar's font of that density too";
  ICONINFO icon{};
  ASSERT_TRUE(::GetIconInfo(reinterpret_cast<HICON>(::SendMessageW(Main(), WM_GETICON, ICON_SMALL, 0)), &icon));
  BITMAP mask{};
  ::GetObjectW(icon.hbmMask, sizeof mask, &mask);
  ::DeleteObject(icon.hbmMask);
  if (icon.hbmColor) ::DeleteObject(icon.hbmColor);
  EXPECT_EQ(mask.bmWidth, 24) << "the small icon at 144 pixels per inch";
}

// Where GetDpiForWindow is missing (Windows 8.1), the window's monitor tells its density.
TEST_F(FormLayoutTest, TheMonitorTellsTheWindowsDensity) { EXPECT_EQ(MonitorDpi(Main()), WindowDpi(Main())); }

TEST_F(FormLayoutTest, ResizingFollowsTheAnchors) {
  const SIZE sizes[] = {{1200, 900}, {700, 500}, {Form1Def.outerWidth, Form1Def.outerHeight}};
  for (const SIZE size : sizes) {
    ::SetWindowPos(Main(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(Form().Width(), size.cx);
    EXPECT_EQ(Form().Height(), size.cy);
    const SIZE client = ClientSizeOf(Main());
    for (const ControlDef& def : Form1Controls) ExpectPlaced(WindowOf(def.name), def, client);
  }
}

TEST_F(FormLayoutTest, CannotShrinkBelowNonNegativeRectangles) {
  ::SetWindowPos(Main(), nullptr, 0, 0, 20, 20, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  const SIZE client = ClientSizeOf(Main());
  const Size minimum = MinimumClientSize();
  EXPECT_GE(client.cx, minimum.width);
  EXPECT_GE(client.cy, minimum.height);
  for (const ControlDef& def : Form1Controls) {
    const Rect r = ClientRectOf(WindowOf(def.name));
    EXPECT_GE(r.left, 0) << def.name;
    EXPECT_GE(r.top, 0) << def.name;
    EXPECT_GE(r.width, 0) << def.name;
    EXPECT_GE(r.height, 0) << def.name;
  }
}

TEST_F(FormLayoutTest, SecondMainFormIsRefused) { EXPECT_THROW(toolkit.CreateMainForm(), std::logic_error); }

TEST_F(FormLayoutTest, ClosingDestroysTheWindowAndDetachesTheControls) {
  int closes = 0;
  Form().OnClose = [&](TObject* sender, TCloseAction& action) {
    EXPECT_EQ(sender, &Form());
    EXPECT_EQ(action, TCloseAction::Free);
    ++closes;
  };
  ::SendMessageW(Main(), WM_CLOSE, 0, 0);
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(Form().Handle(), 0u);
  EXPECT_EQ(Control<TListView>("ListView1").Handle(), 0u);
  EXPECT_EQ(Control<TSpeedButton>("StartButton").Handle(), 0u);
  EXPECT_EQ(toolkit.Application().MainWindow(), nullptr);
  Control<TListView>("ListView1").SortItems(1, [](const TListRow&, const TListRow&, std::int32_t) { return 0; });
}

TEST_F(FormLayoutTest, CloseActionNoneKeepsTheWindow) {
  Form().OnClose = [](TObject*, TCloseAction& action) { action = TCloseAction::None; };
  const HWND main = Main();
  ::SendMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(::IsWindow(main));
}

}  // namespace
}  // namespace orvel::toolkit_test
