// Keyboard and mouse on the real main window: key events of the entry fields, Tab order, focus
// on activation, speed buttons and their accelerators, and the exception firewall of events.
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
    for (TEdit* edit : {&controls->PasswordEdit}) edit->OnKeyDown = Recorder();
    for (TComboBox* combo : {&controls->PcComboBox, &controls->UserComboBox}) combo->OnKeyDown = Recorder();
  }

  TKeyEvent Recorder() {
    return [this](TObject* sender, std::uint16_t& key, TShiftState shift) {
      keys.push_back({sender, key, shift});
      if (key == swallow) key = 0;
    };
  }

  // The window that receives the keys of each entry field.
  HWND KeyWindowOf(ControlId id) {
    if (id == ControlId::PcComboBox) return Form().PcComboBox.EditWindow();
    if (id == ControlId::UserComboBox) return Form().UserComboBox.EditWindow();
    return WindowOf(id);
  }

  void PressKey(HWND window, UINT key) { ::SendMessageA(window, WM_KEYDOWN, key, 1); }

  // A key as the message loop would deliver it to the focused window.
  void PostToFocus(UINT message, WPARAM key, LPARAM data = 1) {
    ::PostMessageA(::GetFocus(), message, key, data);
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
    ::SendMessageA(button, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
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
  for (const ControlId id : {ControlId::PcComboBox, ControlId::PasswordEdit, ControlId::UserComboBox}) {
    keys.clear();
    PressKey(KeyWindowOf(id), VK_RETURN);
    ASSERT_EQ(keys.size(), 1u) << DefOf(id).name;
    EXPECT_EQ(keys[0].sender, &ControlOf(id)) << DefOf(id).name;
    EXPECT_EQ(keys[0].key, 13) << DefOf(id).name;
    EXPECT_EQ(keys[0].shift, 0) << DefOf(id).name;
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
    PressKey(KeyWindowOf(ControlId::PasswordEdit), VK_RETURN);
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].shift, c.shift);
  }
}

// The field still handles its keys after the event: Down steps through the simple combo's items,
// typed characters arrive; a key set to 0 by the handler never reaches the field.
TEST_F(InputTest, FieldsHandleKeysAfterTheEventUnlessSwallowed) {
  controls->UserComboBox.AddItem("Administrator");
  controls->UserComboBox.AddItem("jdoe");
  const HWND userEdit = KeyWindowOf(ControlId::UserComboBox);
  PressKey(userEdit, VK_DOWN);
  EXPECT_EQ(controls->UserComboBox.Text(), "Administrator");
  ASSERT_EQ(keys.size(), 1u);
  EXPECT_EQ(keys[0].key, VK_DOWN);

  swallow = VK_DOWN;
  PressKey(userEdit, VK_DOWN);
  EXPECT_EQ(controls->UserComboBox.Text(), "Administrator") << "swallowed";
  swallow = 0;
  PressKey(userEdit, VK_DOWN);
  EXPECT_EQ(controls->UserComboBox.Text(), "jdoe");

  const HWND password = KeyWindowOf(ControlId::PasswordEdit);
  for (const char c : std::string("s3cret")) ::SendMessageA(password, WM_CHAR, static_cast<unsigned char>(c), 1);
  EXPECT_EQ(controls->PasswordEdit.Text(), "s3cret");
}

TEST_F(InputTest, ActivationFocusesTheComputerFieldAndTabFollowsTheSequence) {
  ShowActive();
  EXPECT_EQ(FocusedControl(), WindowOf(ControlId::PcComboBox));

  ControlId sequence[static_cast<int>(ControlId::Count)];
  const int count = TabSequence(sequence, static_cast<int>(ControlId::Count));
  for (int step = 1; step <= count; ++step) {
    PostToFocus(WM_KEYDOWN, VK_TAB);
    EXPECT_EQ(FocusedControl(), WindowOf(sequence[step % count])) << "Tab " << step;
  }
  {
    const HeldKeys shift({VK_SHIFT});
    for (int step = 1; step <= count; ++step) {
      PostToFocus(WM_KEYDOWN, VK_TAB);
      EXPECT_EQ(FocusedControl(), WindowOf(sequence[(count - step) % count])) << "Shift+Tab " << step;
    }
  }
  EXPECT_TRUE(keys.empty()) << "Tab is the window's, not the fields' key";
}

// The order the user meets, spelt out rather than taken from the tab orders: computer, password,
// list, user, and round to the computer again.
TEST_F(InputTest, TabGoesComputerPasswordListUserAndRound) {
  const std::pair<TControl*, const char*> named[] = {{&controls->PcComboBox, "PcComboBox"},
                                                      {&controls->PasswordEdit, "PasswordEdit"},
                                                      {&controls->ListView1, "ListView1"},
                                                      {&controls->UserComboBox, "UserComboBox"}};
  auto nameOf = [&](HWND window) -> std::string {
    for (const auto& [control, name] : named)
      if (reinterpret_cast<HWND>(control->Handle()) == window) return name;
    return window ? "another window: " + ClassNameOf(window) : "no window";
  };
  ShowActive();
  std::vector<std::string> visited{nameOf(FocusedControl())};
  for (int step = 0; step < 4; ++step) {
    PostToFocus(WM_KEYDOWN, VK_TAB);
    visited.push_back(nameOf(FocusedControl()));
  }
  EXPECT_EQ(visited,
            (std::vector<std::string>{"PcComboBox", "PasswordEdit", "ListView1", "UserComboBox", "PcComboBox"}));
}

TEST_F(InputTest, ReactivationRestoresTheFocusedControl) {
  int deactivations = 0;
  controls->Form.OnDeactivate = [&](TObject* sender) {
    EXPECT_EQ(sender, &controls->Form);
    ++deactivations;
  };
  ShowActive();
  ::SetFocus(WindowOf(ControlId::ListView1));

  const HWND other = ::CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                       ::GetModuleHandleA(nullptr), nullptr);
  ::SetForegroundWindow(other);
  ::SetActiveWindow(other);
  EXPECT_TRUE(PumpUntil(toolkit, [&] { return ::GetActiveWindow() == other; }));
  EXPECT_EQ(deactivations, 1);

  ::SetForegroundWindow(Main());
  ::SetActiveWindow(Main());
  EXPECT_TRUE(PumpUntil(toolkit, [&] { return ::GetActiveWindow() == Main(); }));
  EXPECT_EQ(FocusedControl(), WindowOf(ControlId::ListView1));
  ::DestroyWindow(other);
}

TEST_F(InputTest, ApplicationDeactivationFiresTheApplicationEvent) {
  int fired = 0;
  toolkit.Application().OnDeactivate = [&](TObject*) { ++fired; };
  ::SendMessageA(Main(), WM_ACTIVATEAPP, TRUE, 0);
  EXPECT_EQ(fired, 0);
  ::SendMessageA(Main(), WM_ACTIVATEAPP, FALSE, 0);
  EXPECT_EQ(fired, 1);
}

TEST_F(InputTest, SpeedButtonClicksWithoutTakingTheFocus) {
  ShowActive();
  ::SetFocus(WindowOf(ControlId::PasswordEdit));
  int clicks = 0;
  TObject* clickedBy = nullptr;
  controls->StartButton.OnClick = [&](TObject* sender) {
    ++clicks;
    clickedBy = sender;
  };
  const HWND button = WindowOf(ControlId::StartButton);
  ::SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  ::SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(clickedBy, &controls->StartButton);
  EXPECT_EQ(FocusedControl(), WindowOf(ControlId::PasswordEdit));

  // Released outside: no click.
  ::SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  ::SendMessageA(button, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(static_cast<WORD>(-20), 300));
  ::SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(static_cast<WORD>(-20), 300));
  EXPECT_EQ(clicks, 1);
}

// Flat: the face alone at rest, a raised edge (light top-left) under the mouse, sunken (dark
// top-left) while pressed.
TEST_F(InputTest, SpeedButtonBorderOnlyUnderTheMouse) {
  const HWND button = WindowOf(ControlId::GoogleButton);
  const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
  EXPECT_EQ(Pixels(button).front(), face);
  ::SendMessageA(button, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  EXPECT_EQ(Pixels(button).front(), ::GetSysColor(COLOR_BTNHIGHLIGHT));
  ::SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  EXPECT_EQ(Pixels(button).front(), ::GetSysColor(COLOR_BTNSHADOW));
  ::SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  ::SendMessageA(button, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(Pixels(button).front(), face);
}

// The glyph is drawn, and the colour of its bottom-left pixel nowhere.
TEST_F(InputTest, GlyphsDrawnWithTheirTransparentColourLeftOut) {
  for (const ControlDef& def : Form1ControlDefs) {
    if (def.kind != ControlKind::SpeedButton || def.glyph == 0) continue;
    const auto glyph = static_cast<HBITMAP>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(def.glyph),
                                                         IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(glyph, nullptr) << def.name;
    BITMAP info{};
    ::GetObjectA(glyph, sizeof info, &info);
    HDC dc = ::CreateCompatibleDC(nullptr);
    const HGDIOBJ old = ::SelectObject(dc, glyph);
    const COLORREF transparent = ::GetPixel(dc, 0, info.bmHeight - 1);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    ::DeleteObject(glyph);

    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    const std::vector<COLORREF> pixels = Pixels(WindowOf(def.id));
    const auto painted = std::count_if(pixels.begin(), pixels.end(), [&](COLORREF p) { return p != face; });
    EXPECT_GT(painted, 40) << def.name;
    if (transparent != face) {
      EXPECT_EQ(std::count(pixels.begin(), pixels.end(), transparent), 0) << def.name;
    }
  }
}

TEST_F(InputTest, AltAcceleratorsClickVisibleEnabledSpeedButtons) {
  std::vector<std::string> clicked;
  controls->StartButton.OnClick = [&](TObject*) { clicked.push_back("start"); };
  controls->GoogleButton.OnClick = [&](TObject*) { clicked.push_back("google"); };
  controls->InfoButton.OnClick = [&](TObject*) { clicked.push_back("info"); };
  ShowActive();

  struct Case { char key; const char* clicks; };
  const Case cases[] = {{'s', "start"}, {'S', "start"}, {'g', "google"}, {'I', "info"}, {'c', nullptr}, {'x', nullptr}};
  for (const Case& c : cases) {
    clicked.clear();
    PostToFocus(WM_SYSCHAR, static_cast<unsigned char>(c.key), kAltDown);
    if (c.clicks) {
      EXPECT_EQ(clicked, std::vector<std::string>{c.clicks}) << c.key;
    } else {
      EXPECT_TRUE(clicked.empty()) << c.key << ": a label's accelerator does nothing";
    }
  }
  clicked.clear();
  controls->StartButton.SetEnabled(false);
  PostToFocus(WM_SYSCHAR, 's', kAltDown);
  controls->StartButton.SetEnabled(true);
  controls->StartButton.SetVisible(false);
  PostToFocus(WM_SYSCHAR, 's', kAltDown);
  EXPECT_TRUE(clicked.empty()) << "a disabled or hidden button is not clicked";
}

// An exception out of any event handler ends in the error box and the program goes on.
TEST_F(InputTest, EscapedErrorsGoToTheErrorBox) {
  struct Case {
    const char* what;
    std::function<void()> bind;
    std::function<void()> trigger;
    const char* text;
  };
  const HWND list = WindowOf(ControlId::ListView1);
  const TWndMethod listProc = controls->ListView1.WindowProc();
  const Case cases[] = {
      {"status bar click", [&] { controls->StatusBar.OnClick = [](TObject*) { throw EOleError("Access is denied", 5); }; },
       [&] {
         NMHDR click{WindowOf(ControlId::StatusBar), static_cast<UINT_PTR>(ControlWindowId(ControlId::StatusBar)),
                     static_cast<UINT>(NM_CLICK)};
         ::SendMessageA(Main(), WM_NOTIFY, click.idFrom, reinterpret_cast<LPARAM>(&click));
       },
       "Access is denied."},
      {"speed button", [&] { controls->DirButton.OnClick = [](TObject*) { throw std::runtime_error("ends with a stop."); }; },
       [&] { Form().DirButton.Click(); }, "ends with a stop."},
      {"key down", [&] { controls->PasswordEdit.OnKeyDown = [](TObject*, std::uint16_t&, TShiftState) { throw 42; }; },
       [&] { ::SendMessageA(KeyWindowOf(ControlId::PasswordEdit), WM_KEYDOWN, VK_RETURN, 1); }, "Unknown exception."},
      {"list window procedure",
       [&] {
         controls->ListView1.SetWindowProc([&](TMessage& m) {
           if (m.Msg == WM_APP + 7) throw std::out_of_range("index 9 out of range");
           listProc(m);
         });
       },
       [&] { ::SendMessageA(list, WM_APP + 7, 0, 0); }, "index 9 out of range."},
      {"paint", [&] { controls->Form.OnPaint = [](TObject*) { throw std::runtime_error("paint failed"); }; },
       [&] {
         ::ShowWindow(Main(), SW_SHOW);
         ::InvalidateRect(Main(), nullptr, TRUE);
         ::UpdateWindow(Main());
         controls->Form.OnPaint = nullptr;
       },
       "paint failed."},
      {"close", [&] { controls->Form.OnClose = [](TObject*, TCloseAction&) { throw std::runtime_error("not now"); }; },
       [&] { ::SendMessageA(Main(), WM_CLOSE, 0, 0); }, "not now."},
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
  EXPECT_EQ(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 0) << "the list still answers";
}

TEST_F(InputTest, PaintEventAfterPaintingUntilUnbound) {
  int paints = 0;
  controls->Form.OnPaint = [&](TObject* sender) {
    EXPECT_EQ(sender, &controls->Form);
    controls->Form.OnPaint = nullptr;  // as the one-shot start sequence does, inside its own call
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
