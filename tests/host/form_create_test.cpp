// Start-up: the creation handler, the local machine's names, the size readout, and the program
// around the window (COM apartment, escaped errors).
#include <algorithm>
#include <cstring>
#include <functional>
#include <stdexcept>

#include "app/program.h"
#include "form_fixture.h"

namespace orvel::fakes {
namespace {

constexpr std::uint32_t kTooltipShow = static_cast<std::uint32_t>(-521);  // TTN_SHOW
const std::string kTitle = "Orvel for Windows Networks";

using FormCreateTest = FormFixture;

std::vector<std::string> Tail(const std::vector<std::string>& entries, std::size_t count) {
  return {entries.end() - static_cast<std::ptrdiff_t>(std::min(count, entries.size())), entries.end()};
}

TEST_F(FormCreateTest, StepsRunInOrderWithTheClipFirst) {
  for (const char* language : {"0", "1"}) {
    SCOPED_TRACE(language);
    journal.entries.clear();
    UserComboBox.items.clear();
    System.arguments = {"Orvelkit.exe", "/language", language};
    Create();
    ASSERT_FALSE(journal.entries.empty());
    EXPECT_EQ(journal.entries.front(), "Animate1.clip=152");
    const std::string title = LookupText(txtTitle, form1->Language());
    EXPECT_EQ(Tail(journal.entries, 5),
              (std::vector<std::string>{"Form.caption=" + title, "Application.title=" + title,
                                        "PcComboBox.text=WORKSTATION7", "UserComboBox.add=Administrator",
                                        "UserComboBox.add=jdoe"}));
  }
  EXPECT_EQ(PcComboBox.Count(), 0);
  EXPECT_EQ(UserComboBox.Text(), "");
}

// Before Vista the common find-computer clip of the form definition stays.
TEST_F(FormCreateTest, ClipByOperatingSystemVersion) {
  struct Case { std::uint32_t major; bool common; };
  const Case cases[] = {{4, true}, {5, true}, {6, false}, {10, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.major);
    Animate1.ownClip = 0;
    journal.entries.clear();
    System.osMajor = c.major;
    Create();
    EXPECT_EQ(Animate1.UsesCommonClip(), c.common);
    EXPECT_EQ(journal.Contains("Animate1.clip=152"), !c.common);
    EXPECT_FALSE(Animate1.Visible());
    EXPECT_FALSE(Animate1.Playing());
  }
}

TEST_F(FormCreateTest, BindsTheApplicationsDeactivationToHideTheBalloon) {
  form1 = std::make_unique<TForm1>(Form, Services());
  EXPECT_FALSE(Application.OnDeactivate) << "bound by the creation handler, not by the form definition";
  Form.OnCreate(&Form);
  Form.OnPaint(&Form);
  ASSERT_TRUE(Application.OnDeactivate);
  auto& api = static_cast<RecordingWindowApi&>(*windows);
  api.calls.clear();
  Application.OnDeactivate(nullptr);
  ASSERT_EQ(api.calls.size(), 1u);
  EXPECT_EQ(api.calls[0].what, "ShowWindow");
  EXPECT_EQ(api.calls[0].window, form1->HintWindow());
  EXPECT_NE(form1->HintWindow(), 0u);
}

TEST_F(FormCreateTest, ClearsTheBalloonWindowAndEveryByteOfTheToolDescription) {
  Create();
  Form.OnPaint(&Form);
  TNotifyHeader header{form1->HintWindow(), 0, kTooltipShow};
  TMessage show{0x4E, 0, reinterpret_cast<std::intptr_t>(&header), 0};
  ListView1.WindowProc()(show);
  ASSERT_NE(form1->HintWindow(), 0u);
  ASSERT_NE(form1->ToolInfo().lParam, 0);

  Form.OnCreate(&Form);
  EXPECT_EQ(form1->HintWindow(), 0u);
  const unsigned char zero[sizeof(TToolInfo)] = {};
  EXPECT_EQ(std::memcmp(&form1->ToolInfo(), zero, sizeof zero), 0);
}

// The fake fails as the API does when the text and its NUL do not fit the size given.
TEST_F(FormCreateTest, ComputerFieldFromTheLocalName) {
  struct Case { const char* name; std::optional<std::string> computer; std::string field; };
  const Case cases[] = {
      {"plain", std::string("WORKSTATION7"), "WORKSTATION7"},
      {"15 characters", std::string("ABCDEFGHIJKLMNO"), "ABCDEFGHIJKLMNO"},
      {"16 characters do not fit", std::string("ABCDEFGHIJKLMNOP"), ""},
      {"call fails", std::nullopt, ""},
      {"empty", std::string(""), ""},
      {"up to the first NUL", std::string("PC\0XY", 5), "PC"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    System.computerName = c.computer;
    PcComboBox.SetText("stale");
    Create();
    EXPECT_EQ(PcComboBox.Text(), c.field);
    EXPECT_EQ(LocalComputerName(System), c.field);
    EXPECT_EQ(PcComboBox.Count(), 0);
  }
}

// Fields by their labels as shown in the language, the list and the captionless browse button by a
// name of their own.
TEST_F(FormCreateTest, ControlsNamedForAssistiveTechnologyInTheLanguage) {
  struct Case { std::uint16_t langId; std::vector<std::string> names; };
  const Case cases[] = {{0x0409, {"Computer", "User", "Password", "Processes", "Browse for computer"}},
                        {0x0407, {"Computer", "Benutzer", "Passwort", "Prozesse", "Computer suchen"}}};
  for (const Case& c : cases) {
    System.langId = c.langId;
    Create();
    EXPECT_EQ((std::vector<std::string>{PcComboBox.accessibleName, UserComboBox.accessibleName,
                                        PasswordEdit.accessibleName, ListView1.accessibleName,
                                        DirButton.accessibleName}),
              c.names);
  }
}

TEST_F(FormCreateTest, UserListIsAdministratorThenTheLoggedOnUser) {
  const std::string longest(255, 'u');
  struct Case { const char* name; std::optional<std::string> user; std::string second; };
  const Case cases[] = {
      {"plain", std::string("jdoe"), "jdoe"},
      {"also Administrator", std::string("Administrator"), "Administrator"},
      {"empty", std::string(""), ""},
      {"call fails", std::nullopt, ""},
      {"255 characters", longest, longest},
      {"256 characters do not fit", longest + "u", ""},
      {"up to the first NUL", std::string("ann\0bob", 7), "ann"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    System.userName = c.user;
    UserComboBox.items.clear();
    Create();
    EXPECT_EQ(UserComboBox.items, (std::vector<std::string>{"Administrator", c.second}));
    EXPECT_EQ(UserComboBox.Text(), "");
  }
}

TEST_F(FormCreateTest, StatusBarClickShowsTheCurrentOuterSize) {
  struct Case { int width, height; const char* text; };
  const Case cases[] = {{930, 697, "930 \u00D7 697"}, {1280, 1024, "1280 \u00D7 1024"}, {150, 38, "150 \u00D7 38"},
                        {12345, 7, "12345 \u00D7 7"}};
  Create();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    StatusBar.texts.clear();
    Form.width = c.width;
    Form.height = c.height;
    StatusBar.OnClick(&StatusBar);
    EXPECT_EQ(StatusBar.texts, std::vector<std::string>{c.text});
  }
}

// --- Escaped errors ------------------------------------------------------------------------

// A full stop follows a last character above "." in unsigned byte order.
TEST(EscapedError, FullStopRule) {
  struct Case { std::string message, text; };
  const Case cases[] = {
      {"Access denied", "Access denied."},
      {"Done.", "Done."},
      {"Stop!", "Stop!"},
      {"(code 5)", "(code 5)"},
      {"range a-", "range a-"},            // 0x2D, just below "."
      {"path a/", "path a/."},             // 0x2F, just above "."
      {"Zugriff verweigert: \u00FC", "Zugriff verweigert: \u00FC."},  // above 0x7F
      {"OLE-Fehler 80041003", "OLE-Fehler 80041003."},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(EscapedErrorText(c.message), c.text) << c.message;
}

TEST(EscapedError, ShownInTheErrorBoxAndAFailingBoxIsSwallowed) {
  Journal journal;
  FakeApplication application(journal);
  ReportEscapedError(application, std::runtime_error("Disk full"));
  EXPECT_EQ(application.errorBoxes, std::vector<std::string>{"Disk full."});
  EXPECT_TRUE(application.boxes.empty());
  EXPECT_TRUE(application.messages.empty());

  // The error box itself may fail; nothing of that may leave the report.
  struct FailingBox : FakeApplication {
    using FakeApplication::FakeApplication;
    void ShowErrorBox(const std::string&) override {
      ++attempts;
      throw std::runtime_error("no box");
    }
    int attempts = 0;
  } failing(journal);
  ReportEscapedError(failing, std::runtime_error("Disk full"));
  EXPECT_EQ(failing.attempts, 1);
}

// --- Program start and end -----------------------------------------------------------------

// Records each error box with the application title it would carry as its caption.
class CaptionedApplication : public FakeApplication {
 public:
  using FakeApplication::FakeApplication;
  void ShowErrorBox(const std::string& text) override {
    FakeApplication::ShowErrorBox(text);
    captions.push_back(Title());
  }
  std::vector<std::string> captions;
};

// A system whose user-name call can fail by throwing, after the window's title is set.
class ThrowingSystem : public FakeSystem {
 public:
  using FakeSystem::FakeSystem;
  bool GetUserNameW(char16_t* buffer, std::uint32_t* size) override {
    if (throwAtUserName) throwAtUserName();
    return FakeSystem::GetUserNameW(buffer, size);
  }
  std::function<void()> throwAtUserName;
};

class FakeToolkit : public IToolkit {
 public:
  FakeToolkit(Journal& journal, TApplication& application, std::function<TFormWindow&()> create)
      : journal_(journal), application_(application), create_(std::move(create)) {}
  TApplication& Application() override { return application_; }
  TFormWindow& CreateMainForm() override {
    journal_.Add("CreateMainForm");
    if (failCreate) throw std::runtime_error("no window class");
    return create_();
  }
  void Run() override {
    journal_.Add("Run");
    if (whileRunning) whileRunning();
    if (failRun) throw std::runtime_error("loop failed");
  }
  bool failCreate = false;
  bool failRun = false;
  std::function<void()> whileRunning;

 private:
  Journal& journal_;
  TApplication& application_;
  std::function<TFormWindow&()> create_;
};

class ProgramTest : public FormFixture {
 protected:
  int Run() { return RunProgram(toolkit, {application, system, *wmi, *shell, *windows, scans}); }

  // The program's milestones in the journal; the caption write marks the creation handler.
  std::vector<std::string> Milestones() const {
    std::vector<std::string> milestones;
    for (const std::string& entry : journal.entries)
      if (entry == "CoInitialize" || entry == "CoUninitialize" || entry == "CreateMainForm" || entry == "Run" ||
          entry.rfind("Form.caption=", 0) == 0)
        milestones.push_back(entry);
    return milestones;
  }

  CaptionedApplication application{journal};
  ThrowingSystem system{journal};
  FakeToolkit toolkit{journal, application, [this]() -> TFormWindow& { return Form; }};
};

TEST_F(ProgramTest, ComIsEnteredBeforeTheWindowAndLeftOnlyWhenEntered) {
  struct Case { bool initOk; bool failCreate; bool failRun; std::vector<std::string> milestones; };
  const std::string created = "Form.caption=" + kTitle;
  const Case cases[] = {
      {true, false, false, {"CoInitialize", "CreateMainForm", created, "Run", "CoUninitialize"}},
      {false, false, false, {"CoInitialize", "CreateMainForm", created, "Run"}},
      {true, true, false, {"CoInitialize", "CreateMainForm", "CoUninitialize"}},
      {false, true, false, {"CoInitialize", "CreateMainForm"}},
      {true, false, true, {"CoInitialize", "CreateMainForm", created, "Run", "CoUninitialize"}},
      {false, false, true, {"CoInitialize", "CreateMainForm", created, "Run"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "init " << c.initOk << ", create fails " << c.failCreate
                                      << ", loop fails " << c.failRun);
    journal.entries.clear();
    system.coInitializeResult = c.initOk;
    toolkit.failCreate = c.failCreate;
    toolkit.failRun = c.failRun;
    if (c.failCreate || c.failRun) {
      EXPECT_THROW(Run(), std::runtime_error);
    } else {
      EXPECT_EQ(Run(), 0);
    }
    EXPECT_EQ(Milestones(), c.milestones);
    EXPECT_TRUE(application.errorBoxes.empty());
  }
}

TEST_F(ProgramTest, TheWindowLogicIsAliveWhileTheLoopRuns) {
  toolkit.whileRunning = [&] { StatusBar.OnClick(&StatusBar); };
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(StatusBar.SimpleText(), "930 \u00D7 697");
}

TEST_F(ProgramTest, AFailingCreationHandlerShowsOneErrorBoxAndTheProgramRuns) {
  struct Case { const char* name; std::function<void()> fault; std::string box; };
  const Case cases[] = {
      {"std::exception", [] { throw std::runtime_error("Access is denied"); }, "Access is denied."},
      {"COM failure", [] { throw EOleError("Zugriff verweigert!", static_cast<std::int32_t>(0x80070005)); },
       "Zugriff verweigert!"},
      {"not a std::exception", [] { throw 42; }, "Unknown exception."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    journal.entries.clear();
    application.errorBoxes.clear();
    application.captions.clear();
    system.throwAtUserName = c.fault;
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(application.errorBoxes, std::vector<std::string>{c.box});
    EXPECT_EQ(application.captions, std::vector<std::string>{kTitle});
    EXPECT_EQ(Milestones(), (std::vector<std::string>{"CoInitialize", "CreateMainForm", "Form.caption=" + kTitle,
                                                      "Run", "CoUninitialize"}));
  }
}

}  // namespace
}  // namespace orvel::fakes
