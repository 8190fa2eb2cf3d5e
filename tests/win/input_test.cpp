// Keyboard and mouse on the real main window: key events of the entry fields, Tab order, focus
// on activation, speed buttons and their accelerators, and the exception firewall of events.
#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/ole_error.h"
#include "toolkit_fixture.h"

namespace orvel::toolkit_test {
namespace {

constexpr LPARAM kAltDown = 1 << 29;  // context code of WM_SYSCHAR

struct KeyEvent {
  TObject* sender;
  std::uint16_t key;
  TShiftState shift;
};

class InputTest : public ToolkitTest {
 protected:
  InputTest() {
    Control<TEdit>("PasswordEdit").OnKeyDown = Recorder();
    for (const char* combo : {"PcComboBox", "UserComboBox"}) Control<TComboBox>(combo).OnKeyDown = Recorder();
  }

  TKeyEvent Recorder() {
    return [this](TObject* sender, std::uint16_t& key, TShiftState shift) {
      keys.push_back({sender, key, shift});
      if (key == swallow) key = 0;
    };
  }

  // The window that receives the keys of each entry field.
  HWND KeyWindowOf(std::string_view name) {
    if (auto* combo = dynamic_cast<Win32ComboBox*>(&Control(name))) return combo->EditWindow();
    return WindowOf(name);
  }

  void PressKey(HWND window, UINT key) { ::SendMessageW(window, WM_KEYDOWN, key, 1); }

  // A key as the message loop would deliver it to the focused window.
  void PostToFocus(UINT message, WPARAM key, LPARAM data = 1) {
    ::PostMessageW(::GetFocus(), message, key, data);
    Pump(toolkit);
  }

  // What a speed button looks like now, drawn into a bitmap.
  std::vector<COLORREF> Pixels(HWND button) {
    RECT r;
    ::GetClientRect(button, &r);
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, r.right, r.bottom);
    const HGDIOBJ old = ::SelectObject(dc, bitmap);
    ::SendMessageW(button, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < r.bottom; ++y)
      for (int x = 0; x < r.right; ++x) pixels.push_back(::GetPixel(dc, x, y));
    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    return pixels;
  }

  std::vector<KeyEvent> keys;
  std::uint16_t swallow = 0;
};

TEST_F(InputTest, EnterInEachFieldFiresKeyDownWithItsSender) {
  for (const char* field : {"PcComboBox", "PasswordEdit", "UserComboBox"}) {
    keys.clear();
    PressKey(KeyWindowOf(field), VK_RETURN);
    ASSERT_EQ(keys.size(), 1u) << field;
    EXPECT_EQ(keys[0].sender, &Control(field)) << field;
    EXPECT_EQ(keys[0].key, 13) << field;
    EXPECT_EQ(keys[0].shift, 0) << field;
  }
}

TEST_F(InputTest, ModifierKeysAreReported) {
  struct Case { std::initializer_list<int> held; TShiftState shift; };
  const Case cases[] = {
      {{VK_SHIFT}, static_cast<TShiftState>(TShiftFlag::Shift)},
      {{VK_CONTROL}, static_cast<TShiftState>(TShiftFlag::Ctrl)},
      {{VK_SHIFT, VK_CONTROL, VK_MENU},
       static_cast<TShiftState>(static_cast<int>(TShiftFlag::Shift) | static_cast<int>(TShiftFlag::Ctrl) |
                                static_cast<int>(TShiftFlag::Alt))}};
  for (const Case& c : cases) {
    keys.clear();
    const HeldKeys held(c.held);
    PressKey(KeyWindowOf("PasswordEdit"), VK_RETURN);
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].shift, c.shift);
  }
}

// The field still handles its keys after the event: Down steps through the simple combo's items,
// typed characters arrive; a key set to 0 by the handler never reaches the field.
TEST_F(InputTest, FieldsHandleKeysAfterTheEventUnlessSwallowed) {
  Control<TComboBox>("UserComboBox").AddItem("Administrator");
  Control<TComboBox>("UserComboBox").AddItem("jdoe");
  const HWND userEdit = KeyWindowOf("UserComboBox");
  PressKey(userEdit, VK_DOWN);
  EXPECT_EQ(Control<TComboBox>("UserComboBox").Text(), "Administrator");
  ASSERT_EQ(keys.size(), 1u);
  EXPECT_EQ(keys[0].key, VK_DOWN);

  swallow = VK_DOWN;
  PressKey(userEdit, VK_DOWN);
  EXPECT_EQ(Control<TComboBox>("UserComboBox").Text(), "Administrator") << "swallowed";
  swallow = 0;
  PressKey(userEdit, VK_DOWN);
  EXPECT_EQ(Control<TComboBox>("UserComboBox").Text(), "jdoe");

  const HWND password = KeyWindowOf("PasswordEdit");
  for (const wchar_t c : std::wstring(L"s3cret\u00DF\u0416")) ::SendMessageW(password, WM_CHAR, c, 1);
  EXPECT_EQ(Control<TEdit>("PasswordEdit").Text(), "s3cret\u00DF\u0416");
}

// The window's handler sees a key of any control first, and one it swallows never reaches the control.
TEST_F(InputTest, TheWindowSeesKeysBeforeTheFocusedControl) {
  Form().OnKeyDown = Recorder();
  ShowActive();
  ::SetFocus(KeyWindowOf("PasswordEdit"));
  PostToFocus(WM_KEYDOWN, VK_ESCAPE);
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(keys[0].sender, &Form());
  EXPECT_EQ(keys[1].sender, &Control("PasswordEdit"));
  swallow = VK_ESCAPE;
  PostToFocus(WM_KEYDOWN, VK_ESCAPE);
  ASSERT_EQ(keys.size(), 3u);
  EXPECT_EQ(keys[2].sender, &Form());
}

// The order the user meets, spelt out rather than taken from the tab orders: activation puts the
// focus in the computer field, Tab goes to the password field, the list, the user field and round,
// Shift+Tab back the same way; the fields never see the key.
TEST_F(InputTest, ActivationFocusesTheComputerFieldAndTabGoesPasswordListUserAndRound) {
  const std::vector<std::string> order{"PcComboBox", "PasswordEdit", "ListView1", "UserComboBox", "PcComboBox"};
  auto nameOf = [&](HWND window) -> std::string {
    for (const std::string& name : order)
      if (WindowOf(name) == window) return name;
    return window ? "another window: " + ClassNameOf(window) : "no window";
  };
  ShowActive();
  std::vector<std::string> visited{nameOf(FocusedControl())};
  for (int step = 0; step < 4; ++step) {
    PostToFocus(WM_KEYDOWN, VK_TAB);
    visited.push_back(nameOf(FocusedControl()));
  }
  EXPECT_EQ(visited, order);
  std::vector<std::string> back{nameOf(FocusedControl())};
  {
    const HeldKeys shift({VK_SHIFT});
    for (int step = 0; step < 4; ++step) {
      PostToFocus(WM_KEYDOWN, VK_TAB);
      back.push_back(nameOf(FocusedControl()));
    }
  }
  EXPECT_EQ(back, std::vector<std::string>(order.rbegin(), order.rend()));
  EXPECT_TRUE(keys.empty()) << "Tab is the window's, not the fields' key";
}

TEST_F(InputTest, ReactivationRestoresTheFocusedControl) {
  int deactivations = 0;
  Form().OnDeactivate = [&](TObject* sender) {
    EXPECT_EQ(sender, &Form());
    ++deactivations;
  };
  ShowActive();
  ::SetFocus(WindowOf("ListView1"));

  const HWND other = ::CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                       ::GetModuleHandleW(nullptr), nullptr);
  ::SetForegroundWindow(other);
  ::SetActiveWindow(other);
  EXPECT_TRUE(PumpUntil(toolkit, [&] { return ::GetActiveWindow() == other; }));
  EXPECT_EQ(deactivations, 1);

  ::SetForegroundWindow(Main());
  ::SetActiveWindow(Main());
  EXPECT_TRUE(PumpUntil(toolkit, [&] { return ::GetActiveWindow() == Main(); }));
  EXPECT_EQ(FocusedControl(), WindowOf("ListView1"));
  ::DestroyWindow(other);
}

TEST_F(InputTest, ApplicationDeactivationFiresTheApplicationEvent) {
  int fired = 0;
  toolkit.Application().OnDeactivate = [&](TObject*) { ++fired; };
  ::SendMessageW(Main(), WM_ACTIVATEAPP, TRUE, 0);
  EXPECT_EQ(fired, 0);
  ::SendMessageW(Main(), WM_ACTIVATEAPP, FALSE, 0);
  EXPECT_EQ(fired, 1);
}

TEST_F(InputTest, SpeedButtonClicksWithoutTakingTheFocus) {
  ShowActive();
  ::SetFocus(WindowOf("PasswordEdit"));
  int clicks = 0;
  TObject* clickedBy = nullptr;
  Control<TSpeedButton>("StartButton").OnClick = [&](TObject* sender) {
    ++clicks;
    clickedBy = sender;
  };
  const HWND button = WindowOf("StartButton");
  ::SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  ::SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(clickedBy, &Control<TSpeedButton>("StartButton"));
  EXPECT_EQ(FocusedControl(), WindowOf("PasswordEdit"));

  // Released outside: no click.
  ::SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  ::SendMessageW(button, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(static_cast<WORD>(-20), 300));
  ::SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(static_cast<WORD>(-20), 300));
  EXPECT_EQ(clicks, 1);
}

// Flat: the face alone at rest, a raised edge (light top-left) under the mouse, sunken (dark
// top-left) while pressed.
TEST_F(InputTest, SpeedButtonBorderOnlyUnderTheMouse) {
  const HWND button = WindowOf("GoogleButton");
  const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
  EXPECT_EQ(Pixels(button).front(), face);
  ::SendMessageW(button, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  EXPECT_EQ(Pixels(button).front(), ::GetSysColor(COLOR_BTNHIGHLIGHT));
  ::SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  EXPECT_EQ(Pixels(button).front(), ::GetSysColor(COLOR_BTNSHADOW));
  ::SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  ::SendMessageW(button, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(Pixels(button).front(), face);
}

// A high-contrast theme's colours reach every pixel the button draws itself: face, caption and the
// glyph's transparent background.
TEST_F(InputTest, SpeedButtonsDrawInTheSystemsColours) {
  const int elements[] = {COLOR_BTNFACE, COLOR_BTNTEXT};
  COLORREF saved[2] = {::GetSysColor(COLOR_BTNFACE), ::GetSysColor(COLOR_BTNTEXT)};
  const COLORREF contrast[2] = {RGB(0, 0, 0), RGB(255, 255, 0)};
  ASSERT_TRUE(::SetSysColors(2, elements, contrast));
  ::SendMessageW(Main(), WM_SYSCOLORCHANGE, 0, 0);
  const std::vector<COLORREF> pixels = Pixels(WindowOf("StartButton"));
  ::SetSysColors(2, elements, saved);
  ::SendMessageW(Main(), WM_SYSCOLORCHANGE, 0, 0);
  EXPECT_EQ(pixels.front(), contrast[0]) << "the face";
  EXPECT_NE(std::find(pixels.begin(), pixels.end(), contrast[1]), pixels.end()) << "the caption";
  EXPECT_EQ(std::find(pixels.begin(), pixels.end(), saved[0]), pixels.end()) << "no pixel of the former face";
}

// The glyph is drawn, and the colour of its bottom-left pixel nowhere.
TEST_F(InputTest, GlyphsDrawnWithTheirTransparentColourLeftOut) {
  for (const ControlDef& def : Form1Controls) {
    if (def.kind != ControlKind::SpeedButton || def.glyph == 0) continue;
    const auto glyph = static_cast<HBITMAP>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(def.glyph),
                                                         IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(glyph, nullptr) << def.name;
    BITMAP info{};
    ::GetObjectW(glyph, sizeof info, &info);
    HDC dc = ::CreateCompatibleDC(nullptr);
    const HGDIOBJ old = ::SelectObject(dc, glyph);
    const COLORREF transparent = ::GetPixel(dc, 0, info.bmHeight - 1);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    ::DeleteObject(glyph);

    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    const std::vector<COLORREF> pixels = Pixels(WindowOf(def.name));
    const auto painted = std::count_if(pixels.begin(), pixels.end(), [&](COLORREF p) { return p != face; });
    EXPECT_GT(painted, 40) << def.name;
    if (transparent != face) {
      EXPECT_EQ(std::count(pixels.begin(), pixels.end(), transparent), 0) << def.name;
    }
  }
}

TEST_F(InputTest, AltAcceleratorsClickVisibleEnabledSpeedButtons) {
  std::vector<std::string> clicked;
  Control<TSpeedButton>("StartButton").OnClick = [&](TObject*) { clicked.push_back("start"); };
  Control<TSpeedButton>("GoogleButton").OnClick = [&](TObject*) { clicked.push_back("google"); };
  Control<TSpeedButton>("InfoButton").OnClick = [&](TObject*) { clicked.push_back("info"); };
  ShowActive();

  // U+0153 and U+0167 end in the bytes of "S" and "g": a character is compared whole.
  struct Case { wchar_t key; const char* clicks; };
  const Case cases[] = {{L's', "start"}, {L'S', "start"}, {L'g', "google"}, {L'I', "info"}, {L'c', nullptr},
                        {L'x', nullptr}, {L'\u0153', nullptr}, {L'\u0167', nullptr}};
  for (const Case& c : cases) {
    clicked.clear();
    PostToFocus(WM_SYSCHAR, c.key, kAltDown);
    if (c.clicks) {
      EXPECT_EQ(clicked, std::vector<std::string>{c.clicks}) << static_cast<int>(c.key);
    } else {
      EXPECT_TRUE(clicked.empty()) << static_cast<int>(c.key) << ": no button's accelerator";
    }
  }
  clicked.clear();
  Control<TSpeedButton>("StartButton").SetEnabled(false);
  PostToFocus(WM_SYSCHAR, 's', kAltDown);
  Control<TSpeedButton>("StartButton").SetEnabled(true);
  Control<TSpeedButton>("StartButton").SetVisible(false);
  PostToFocus(WM_SYSCHAR, 's', kAltDown);
  EXPECT_TRUE(clicked.empty()) << "a disabled or hidden button is not clicked";
}

// The browse button has no caption: Ctrl+B clicks it from any control; B alone stays the field's.
TEST_F(InputTest, CtrlBBrowsesFromAnywhere) {
  int browsed = 0;
  Control<TSpeedButton>("DirButton").OnClick = [&](TObject*) { ++browsed; };
  ShowActive();
  for (const char* from : {"PcComboBox", "PasswordEdit", "ListView1"}) {
    ::SetFocus(KeyWindowOf(from));
    const HeldKeys ctrl({VK_CONTROL});
    PostToFocus(WM_KEYDOWN, 'B');
  }
  EXPECT_EQ(browsed, 3);
  PostToFocus(WM_KEYDOWN, 'B');
  const HeldKeys ctrlAlt({VK_CONTROL, VK_MENU});
  PostToFocus(WM_KEYDOWN, 'B');
  EXPECT_EQ(browsed, 3);
}

// A control wrapper whose own procedure fails, as a subclassed control's may.
class FailingControl : public Win32Label {
 public:
  using Win32Label::Win32Label;
  void Attach(HWND window) { Subclass(window); }

 private:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_APP + 9) throw std::length_error("the control failed");
    return Default(message, wParam, lParam);
  }
};

// An exception out of any event handler or window procedure ends in the error box and the program goes on.
TEST_F(InputTest, EscapedErrorsGoToTheErrorBox) {
  FailingControl failing(toolkit.Application());
  struct Case {
    const char* what;
    std::function<void()> bind;
    std::function<void()> trigger;
    const char* text;
  };
  const HWND list = WindowOf("ListView1");
  const TWndMethod listProc = Control<TListView>("ListView1").WindowProc();
  const Case cases[] = {
      {"status bar click", [&] { Control<TStatusBar>("StatusBar").OnClick = [](TObject*) { throw EOleError("Access is denied", 5); }; },
       [&] {
         NMHDR click{WindowOf("StatusBar"), static_cast<UINT_PTR>(::GetDlgCtrlID(WindowOf("StatusBar"))),
                     static_cast<UINT>(NM_CLICK)};
         ::SendMessageW(Main(), WM_NOTIFY, click.idFrom, reinterpret_cast<LPARAM>(&click));
       },
       "Access is denied."},
      {"speed button", [&] { Control<TSpeedButton>("DirButton").OnClick = [](TObject*) { throw std::runtime_error("ends with a stop."); }; },
       [&] { Form().Find<Win32SpeedButton>("DirButton").Click(); }, "ends with a stop."},
      {"key down", [&] { Control<TEdit>("PasswordEdit").OnKeyDown = [](TObject*, std::uint16_t&, TShiftState) { throw 42; }; },
       [&] { ::SendMessageW(KeyWindowOf("PasswordEdit"), WM_KEYDOWN, VK_RETURN, 1); }, "Unknown exception."},
      {"list window procedure",
       [&] {
         Control<TListView>("ListView1").SetWindowProc([&](TMessage& m) {
           if (m.Msg == WM_APP + 7) throw std::out_of_range("index 9 out of range");
           listProc(m);
         });
       },
       [&] { ::SendMessageW(list, WM_APP + 7, 0, 0); }, "index 9 out of range."},
      {"paint", [&] { Form().OnPaint = [](TObject*) { throw std::runtime_error("paint failed"); }; },
       [&] {
         ::ShowWindow(Main(), SW_SHOW);
         ::InvalidateRect(Main(), nullptr, TRUE);
         ::UpdateWindow(Main());
         Form().OnPaint = nullptr;
       },
       "paint failed."},
      {"control's own procedure",
       [&] { failing.Attach(::CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 1, 1, Main(), nullptr, nullptr, nullptr)); },
       [&] { ::SendMessageW(failing.Window(), WM_APP + 9, 0, 0); }, "the control failed."},
      {"close", [&] { Form().OnClose = [](TObject*, TCloseAction&) { throw std::runtime_error("not now"); }; },
       [&] { ::SendMessageW(Main(), WM_CLOSE, 0, 0); }, "not now."},
  };
  for (const Case& c : cases) {
    boxes.clear();
    c.bind();
    c.trigger();
    ASSERT_EQ(boxes.size(), 1u) << c.what;
    EXPECT_EQ(boxes[0].text, c.text) << c.what;
    EXPECT_EQ(boxes[0].caption, toolkit.Application().Title()) << c.what;
    EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_ICONERROR | MB_OK)) << c.what;
    EXPECT_EQ(boxes[0].owner, Main()) << c.what;
  }
  EXPECT_TRUE(::IsWindow(Main())) << "a failing close handler keeps the window";
  EXPECT_EQ(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 0) << "the list still answers";
  // The failing procedures refer to this test's locals: the windows' last messages must not reach them.
  Control<TListView>("ListView1").SetWindowProc(listProc);
  ::DestroyWindow(failing.Window());
}

TEST_F(InputTest, PaintEventAfterPaintingUntilUnbound) {
  int paints = 0;
  Form().OnPaint = [&](TObject* sender) {
    EXPECT_EQ(sender, &Form());
    Form().OnPaint = nullptr;  // as the one-shot start sequence does, inside its own call
    ++paints;
    ::InvalidateRect(Main(), nullptr, TRUE);
  };
  ShowActive();
  ASSERT_TRUE(PumpUntil(toolkit, [&] { return paints == 1; }));
  ::InvalidateRect(Main(), nullptr, TRUE);
  ::UpdateWindow(Main());
  Pump(toolkit);
  EXPECT_EQ(paints, 1);
}

}  // namespace
}  // namespace orvel::toolkit_test
