// What an accessibility client reads of the real controls through Active Accessibility: the speed
// buttons as push buttons it can press, the fields and the list by their names.
// First: <windows.h> must come through the toolkit's header, which keeps MessageBox unrenamed.
#include "toolkit_fixture.h"

#include <oleacc.h>
#include <wrl/client.h>

#include <string>

namespace orvel::toolkit_test {
namespace {

using Microsoft::WRL::ComPtr;

// A BSTR answer as UTF-8, freed.
std::string Utf8Of(BSTR text) {
  const std::string utf8 = win32::Utf8(text, ::SysStringLen(text));
  ::SysFreeString(text);
  return utf8;
}

class AccessibilityTest : public ToolkitTest {
 protected:
  AccessibilityTest() { ::CoInitialize(nullptr); }
  ~AccessibilityTest() override { ::CoUninitialize(); }

  // Everything a client asks of one control, as it asks: through AccessibleObjectFromWindow.
  struct Answers {
    long role = 0, state = -1;
    std::string name, shortcut, action;
  };
  ComPtr<IAccessible> Object(HWND window) {
    ComPtr<IAccessible> object;
    EXPECT_EQ(::AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                           reinterpret_cast<void**>(object.GetAddressOf())),
              S_OK)
        << ClassNameOf(window);
    return object;
  }
  ComPtr<IAccessible> Object(const char* control) { return Object(WindowOf(control)); }
  Answers Ask(const char* control) { return Ask(WindowOf(control)); }
  Answers Ask(HWND window) {
    Answers answers;
    const ComPtr<IAccessible> object = Object(window);
    if (!object) return answers;
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    VARIANT value{};
    if (object->get_accRole(self, &value) == S_OK) answers.role = value.lVal;
    if (object->get_accState(self, &value) == S_OK) answers.state = value.lVal;
    BSTR text = nullptr;
    if (object->get_accName(self, &text) == S_OK) answers.name = Utf8Of(text);
    if (object->get_accKeyboardShortcut(self, &text) == S_OK) answers.shortcut = Utf8Of(text);
    if (object->get_accDefaultAction(self, &text) == S_OK) answers.action = Utf8Of(text);
    return answers;
  }
};

TEST_F(AccessibilityTest, SpeedButtonsArePushButtonsThatCanBePressed) {
  Control("DirButton").SetAccessibleName("Browse for computer");
  struct Case { const char* button; const char* name; const char* shortcut; };
  const Case cases[] = {{"StartButton", "Scan now!", "Alt+S"}, {"GoogleButton", "Google", "Alt+G"},
                        {"InfoButton", "Info", "Alt+I"}, {"DirButton", "Browse for computer", "Ctrl+B"}};
  ShowActive();
  for (const Case& c : cases) {
    const Answers answers = Ask(c.button);
    EXPECT_EQ(answers.role, ROLE_SYSTEM_PUSHBUTTON) << c.button;
    EXPECT_EQ(answers.name, c.name);
    EXPECT_EQ(answers.shortcut, c.shortcut);
    EXPECT_EQ(answers.action, "Press");
    EXPECT_EQ(answers.state, 0) << c.button << ": enabled and visible";
  }
  Control<TSpeedButton>("StartButton").SetCaption("&Jetzt Scannen");
  EXPECT_EQ(Ask("StartButton").name, "Jetzt Scannen") << "the caption as it is now";

  int pressed = 0;
  Control("StartButton").OnClick = [&](TObject*) { ++pressed; };
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  EXPECT_EQ(Object("StartButton")->accDoDefaultAction(self), S_OK);
  EXPECT_EQ(pressed, 0) << "pressed from the queue, not inside the client's call";
  EXPECT_TRUE(PumpUntil(toolkit, [&] { return pressed == 1; }));

  Control("StartButton").SetEnabled(false);
  EXPECT_EQ(Ask("StartButton").state, STATE_SYSTEM_UNAVAILABLE);
  EXPECT_NE(Object("StartButton")->accDoDefaultAction(self), S_OK);
  Control("StartButton").SetEnabled(true);
  Control("StartButton").SetVisible(false);
  EXPECT_EQ(Ask("StartButton").state, STATE_SYSTEM_INVISIBLE);
  Pump(toolkit);
  EXPECT_EQ(pressed, 1);
}

// Every window that takes the focus, the combo boxes' edit fields included (where the focus sits),
// answers with the field's name; a new name is heard at once.
TEST_F(AccessibilityTest, FieldsAndTheListAnswerTheirNames) {
  const std::pair<const char*, const char*> named[] = {
      {"PcComboBox", "Computer"}, {"UserComboBox", "User"}, {"PasswordEdit", "Password"}, {"ListView1", "Processes"}};
  for (const auto& [control, name] : named) {
    Control(control).SetAccessibleName(name);
    EXPECT_EQ(Ask(control).name, name) << control;
  }
  for (const auto& [combo, name] : {named[0], named[1]}) {
    const HWND edit = Form().Find<Win32ComboBox>(combo).EditWindow();
    ASSERT_TRUE(edit) << combo;
    EXPECT_EQ(Ask(edit).name, name) << combo << "'s edit field";
  }
  const std::string greek = "\u03A5\u03C0\u03BF\u03BB\u03BF\u03B3\u03B9\u03C3\u03C4\u03AE\u03C2";
  Control("PcComboBox").SetAccessibleName(greek);
  EXPECT_EQ(Ask(Form().Find<Win32ComboBox>("PcComboBox").EditWindow()).name, greek);
}

// A client through IDispatch (a script) hears the control's own answers, not the standard object's.
TEST_F(AccessibilityTest, IDispatchAnswersAsIAccessibleDoes) {
  Control("PcComboBox").SetAccessibleName("Computer");
  auto property = [&](HWND window, DISPID id) {
    VARIANT self{}, result{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    DISPPARAMS arguments{&self, nullptr, 1, 0};
    EXPECT_EQ(Object(window)->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &arguments, &result,
                                     nullptr, nullptr),
              S_OK)
        << id;
    return result;
  };
  VARIANT name = property(Form().Find<Win32ComboBox>("PcComboBox").EditWindow(), DISPID_ACC_NAME);
  ASSERT_EQ(name.vt, VT_BSTR);
  EXPECT_EQ(Utf8Of(name.bstrVal), "Computer");
  const VARIANT role = property(WindowOf("StartButton"), DISPID_ACC_ROLE);
  EXPECT_EQ(role.vt, VT_I4);
  EXPECT_EQ(role.lVal, ROLE_SYSTEM_PUSHBUTTON);
}

}  // namespace
}  // namespace orvel::toolkit_test
