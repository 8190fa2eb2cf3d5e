// The balloon over the list: its creation, its state machine and the list's hooked window procedure.
#include <cstring>

#include "fake_tooltip.h"
#include "fake_wmi.h"
#include "form_fixture.h"
#include "web_config.h"

namespace orvel::fakes {
namespace {

constexpr WindowHandle kMain = 0x100;
constexpr WindowHandle kList = 0x101;
constexpr WindowHandle kTooltip = 0x7000;
constexpr std::uint32_t kWmNotify = 0x4E;
constexpr std::int32_t kTtnShow = -521;
constexpr std::int32_t kTtnPop = -522;
constexpr std::int32_t kTtnLinkClick = -523;
constexpr std::intptr_t kShowing = 5;

const std::string kClick = "               CLICK";
const std::string kActivate = "SendMessageW 0x7000 0x401 1";
const std::string kPopup = "SendMessageW 0x7000 0x422 0";
const std::string kHide = "ShowWindow 0x7000 0";

class BalloonTest : public FormFixture {
 protected:
  BalloonTest() {
    auto api = std::make_unique<FakeTooltipApi>();
    tooltip = api.get();
    windows = std::move(api);
    listOwnProc = ListView1.WindowProc();
  }

  // Program start through the first paint: the balloon exists and the list's procedure is hooked.
  void Start() {
    Create();
    Form.OnPaint(&Form);
  }
  // A fresh program start over the same controls, in another language.
  void Restart(const char* language) {
    ListView1.SetWindowProc(listOwnProc);
    *tooltip = FakeTooltipApi{};
    System.arguments = {"Orvelkit.exe", "/language", language};
    Start();
  }
  // Forgets what came before, so that a check sees only the effects of what follows.
  void Forget() {
    tooltip->log.clear();
    tooltip->messages.clear();
    System.traces.clear();
    ListView1.received.clear();
  }

  // A WM_NOTIFY to the list, through the list's current window procedure.
  TMessage Notify(WindowHandle from, std::int32_t code) {
    TNotifyHeader header{from, from, static_cast<std::uint32_t>(code)};
    TMessage message{kWmNotify, from, reinterpret_cast<std::intptr_t>(&header), 0};
    ListView1.WindowProc()(message);
    return message;
  }
  void Tooltip(std::int32_t code) { Notify(kTooltip, code); }
  void PopAt(std::uint32_t tick) {
    System.tickCount = tick;
    Tooltip(kTtnPop);
  }
  void ClickAt(std::uint32_t tick) {
    System.tickCount = tick;
    ListView1.OnClick(&ListView1);
  }
  std::intptr_t State() const { return form1->ToolInfo().lParam; }

  FakeTooltipApi* tooltip = nullptr;
  TWndMethod listOwnProc;
};

TEST_F(BalloonTest, FirstPaintCreatesTheTooltipAndRegistersTheList) {
  Start();
  ASSERT_EQ(tooltip->creations.size(), 1u);
  const auto& created = tooltip->creations[0];
  EXPECT_EQ(created.exStyle, 0x8u);
  EXPECT_EQ(created.className, "tooltips_class32");
  EXPECT_FALSE(created.windowName.has_value());
  EXPECT_EQ(created.style, 0x80000143u);
  EXPECT_EQ((std::vector<int>{created.x, created.y, created.width, created.height}), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(created.parent, kMain);
  EXPECT_EQ(form1->HintWindow(), kTooltip);

  ASSERT_EQ(tooltip->placements.size(), 1u);
  const auto& placed = tooltip->placements[0];
  EXPECT_EQ(placed.window, kTooltip);
  EXPECT_EQ(placed.insertAfter, static_cast<WindowHandle>(-1));
  EXPECT_EQ((std::vector<int>{placed.x, placed.y, placed.cx, placed.cy}), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(placed.flags, 0x13u);

  EXPECT_EQ(tooltip->log, (std::vector<std::string>{
                              "CreateWindowExW", "SetWindowPos 0x7000", "SendMessageW 0x7000 0x421 1",
                              "SendMessageW 0x7000 0x403 3 32000", "SendMessageW 0x7000 0x403 2 32000",
                              "SendMessageW 0x7000 0x403 1 32000", "SendMessageW 0x7000 0x401 0",
                              "SendMessageW 0x7000 0x432 0"}));
  EXPECT_EQ(tooltip->Last(0x401)->lParam, 0);
  EXPECT_EQ(System.traces, std::vector<std::string>{"--- created ---"});
}

TEST_F(BalloonTest, TheToolAsHandedToTheTooltip) {
  Start();
  const auto* added = tooltip->Last(0x432);
  ASSERT_TRUE(added && added->tool);
  EXPECT_EQ(added->lParam, reinterpret_cast<std::intptr_t>(&form1->ToolInfo()));
  const TToolInfo& tool = *added->tool;
  // TTTOOLINFOW_V2_SIZE: 44 bytes with 32-bit pointers, 64 with 64-bit ones.
  EXPECT_EQ(tool.cbSize, sizeof(void*) == 4 ? 44u : 64u);
  EXPECT_EQ(tool.uFlags, 0x1111u);
  EXPECT_EQ(tool.hwnd, kList);
  EXPECT_EQ(tool.uId, kList);
  EXPECT_EQ((std::vector<std::int32_t>(tool.rect, tool.rect + 4)), (std::vector<std::int32_t>{0, 0, 0, 0}));
  EXPECT_EQ(tool.hinst, 0u);
  EXPECT_EQ(tool.lParam, 0);
  EXPECT_EQ(added->text.substr(0, 34), "Get a detailed description and a s");
  EXPECT_NE(added->text.find("<A>free version</A>"), std::string::npos);
  // The body text was the caller's: no pointer to it may stay behind in the window's field.
  EXPECT_EQ(form1->ToolInfo().lpszText, nullptr);
}

TEST_F(BalloonTest, FirstPaintHasTheBalloonAndTheHookInPlaceBeforeTheScanStarts) {
  auto fake = std::make_unique<FakeWmi>(journal);
  FakeWmi& watching = *fake;
  wmi = std::move(fake);
  int locators = 0;
  WindowHandle hintAtScan = 0;
  bool toolAddedAtScan = false;
  std::vector<std::string> tracesOfTooltipAtScan;
  watching.whileCreatingLocator = [&] {
    ++locators;
    hintAtScan = form1->HintWindow();
    toolAddedAtScan = tooltip->Last(0x432) != nullptr;
    // A pop from the tooltip is traced only by the hooked procedure, and changes no state when idle.
    const std::size_t before = System.traces.size();
    Tooltip(kTtnPop);
    tracesOfTooltipAtScan.assign(System.traces.begin() + static_cast<std::ptrdiff_t>(before), System.traces.end());
  };
  Start();
  EXPECT_EQ(locators, 1);
  EXPECT_EQ(hintAtScan, kTooltip);
  EXPECT_TRUE(toolAddedAtScan);
  EXPECT_EQ(tracesOfTooltipAtScan, std::vector<std::string>{"-- hide"});
  EXPECT_EQ(State(), 0);
  EXPECT_EQ(StatusBar.SimpleText(), "0 processes");
}

TEST_F(BalloonTest, TitleAndBodyFollowTheLanguage) {
  struct Case { const char* language; const char* title; const char* bodyStart; };
  const Case cases[] = {{"0", "More details ...", "Get a detailed"},
                        {"1", "Mehr Details ...", "Eine genaue Beschreibung"},
                        {"2", "M\u00E1s detalles ...", "Una descripci\u00F3n"},
                        {"7", "More details ...", "Get a detailed"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.language);
    Restart(c.language);
    EXPECT_EQ(tooltip->Last(0x421)->text, c.title);
    EXPECT_EQ(tooltip->Last(0x432)->text.rfind(c.bodyStart, 0), 0u) << tooltip->Last(0x432)->text;
  }
}

TEST_F(BalloonTest, ASecondCreationChangesNothing) {
  Start();
  Tooltip(kTtnShow);
  const TToolInfo before = form1->ToolInfo();
  Forget();
  form1->CreateBalloonHint("Another title", "Another body");
  EXPECT_TRUE(tooltip->log.empty());
  EXPECT_TRUE(System.traces.empty());
  EXPECT_EQ(form1->HintWindow(), kTooltip);
  EXPECT_EQ(std::memcmp(&before, &form1->ToolInfo(), sizeof before), 0);
  EXPECT_EQ(State(), kShowing);
}

// Every row of the state machine: from a state, one event, to the next state with its effects.
TEST_F(BalloonTest, StateTable) {
  enum class From { Idle, Showing, HiddenAt10000 };
  enum class Event { Show, Pop, LinkClick, Deactivate, Click };
  struct Row {
    const char* name;
    From from;
    Event event;
    std::uint32_t tick;
    std::intptr_t next;
    std::vector<std::string> traces;
    std::vector<std::string> calls;
  };
  const std::vector<std::string> linkTrace{"-- TTN_LINKCLICK"};
  const std::vector<std::string> showing{kClick, "just showing"};
  const std::vector<std::string> hidden{kClick, "just hidden"};
  const std::vector<std::string> popup{kClick, "just popup"};
  const Row rows[] = {
      {"idle, TTN_SHOW", From::Idle, Event::Show, 20000, kShowing, {"-- show"}, {}},
      {"showing, TTN_SHOW", From::Showing, Event::Show, 20000, kShowing, {"-- show"}, {}},
      {"hidden, TTN_SHOW", From::HiddenAt10000, Event::Show, 20000, kShowing, {"-- show"}, {}},
      {"showing, TTN_POP", From::Showing, Event::Pop, 20000, 20000, {"-- hide"}, {}},
      {"idle, TTN_POP", From::Idle, Event::Pop, 20000, 0, {"-- hide"}, {}},
      {"hidden, TTN_POP", From::HiddenAt10000, Event::Pop, 20000, 10000, {"-- hide"}, {}},
      {"idle, link", From::Idle, Event::LinkClick, 20000, 0, linkTrace, {kHide}},
      {"showing, link", From::Showing, Event::LinkClick, 20000, 0, linkTrace, {kHide}},
      {"hidden, link", From::HiddenAt10000, Event::LinkClick, 20000, 0, linkTrace, {kHide}},
      {"idle, deactivation", From::Idle, Event::Deactivate, 20000, 0, {}, {kHide}},
      {"showing, deactivation", From::Showing, Event::Deactivate, 20000, 0, {}, {kHide}},
      {"hidden, deactivation", From::HiddenAt10000, Event::Deactivate, 20000, 0, {}, {kHide}},
      {"showing, click", From::Showing, Event::Click, 20000, kShowing, showing, {}},
      {"idle, click before 500 ms", From::Idle, Event::Click, 499, 0, hidden, {}},
      {"idle, click at 500 ms", From::Idle, Event::Click, 500, 0, popup, {kActivate, kPopup}},
      {"hidden, click after 499 ms", From::HiddenAt10000, Event::Click, 10499, 10000, hidden, {}},
      {"hidden, click after 500 ms", From::HiddenAt10000, Event::Click, 10500, 10000, popup, {kActivate, kPopup}},
  };
  Start();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Form.OnDeactivate(&Form);
    if (row.from != From::Idle) Tooltip(kTtnShow);
    if (row.from == From::HiddenAt10000) PopAt(10000);
    Forget();
    System.tickCount = row.tick;
    switch (row.event) {
      case Event::Show: Tooltip(kTtnShow); break;
      case Event::Pop: Tooltip(kTtnPop); break;
      case Event::LinkClick: Tooltip(kTtnLinkClick); break;
      case Event::Deactivate: Form.OnDeactivate(&Form); break;
      case Event::Click: ListView1.OnClick(&ListView1); break;
    }
    EXPECT_EQ(State(), row.next);
    EXPECT_EQ(System.traces, row.traces);
    EXPECT_EQ(tooltip->log, row.calls);
  }
}

TEST_F(BalloonTest, ClickAfterStartPopsTheBalloonUp) {
  Start();
  ClickAt(100000);
  Tooltip(kTtnShow);
  EXPECT_EQ(System.traces, (std::vector<std::string>{"--- created ---", kClick, "just popup", "-- show"}));
  EXPECT_EQ(std::vector<std::string>(tooltip->log.end() - 2, tooltip->log.end()),
            (std::vector<std::string>{kActivate, kPopup}));
  EXPECT_EQ(State(), kShowing);
}

TEST_F(BalloonTest, QuickClickWhileShowingClosesItAndALaterOneReopensIt) {
  Start();
  Tooltip(kTtnShow);
  Forget();
  PopAt(200000);  // the button goes down over the list
  ClickAt(200120);
  EXPECT_TRUE(tooltip->log.empty());
  ClickAt(200620);
  EXPECT_EQ(System.traces, (std::vector<std::string>{"-- hide", kClick, "just hidden", kClick, "just popup"}));
  EXPECT_EQ(tooltip->log, (std::vector<std::string>{kActivate, kPopup}));
}

TEST_F(BalloonTest, AfterHidingByItselfTheNextClickPopsUp) {
  Start();
  System.tickCount = 300000;
  Tooltip(kTtnShow);
  PopAt(332000);
  Forget();
  ClickAt(340000);
  EXPECT_EQ(System.traces, (std::vector<std::string>{kClick, "just popup"}));
}

TEST_F(BalloonTest, SwitchingToAnotherProgramHidesAndTheNextClickPopsUpAtOnce) {
  Start();
  Tooltip(kTtnShow);
  Forget();
  System.tickCount = 400000;
  Application.OnDeactivate(nullptr);
  EXPECT_EQ(tooltip->log, std::vector<std::string>{kHide});
  EXPECT_EQ(State(), 0);
  Tooltip(kTtnPop);  // the tooltip reports the hide after the fact
  EXPECT_EQ(State(), 0);
  ClickAt(400010);
  EXPECT_EQ(System.traces, (std::vector<std::string>{"-- hide", kClick, "just popup"}));
}

// The elapsed time is taken modulo 2^32, also where the tick count wraps or crosses 2^31.
TEST_F(BalloonTest, ElapsedTimeAcrossTheTickCountsWrap) {
  struct Case { std::uint32_t hiddenAt, clickAt; const char* verdict; };
  const Case cases[] = {
      {4294967040u, 16, "just hidden"},           // 2^32 - 256, 272 ms later after the wrap
      {4294967040u, 244, "just popup"},           // 500 ms later
      {2147483904u, 2147484004u, "just hidden"},  // 2^31 + 256, 100 ms later
      {2147483904u, 2147484404u, "just popup"},
      {2147483548u, 2147483948u, "just hidden"},  // 2^31 - 100, 400 ms later
      {0, 300, "just hidden"},
      {5, 300, "just hidden"},  // a hide at tick 5 must not read as showing
      {5, 600, "just popup"},
  };
  Start();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.hiddenAt) + " -> " + std::to_string(c.clickAt));
    Form.OnDeactivate(&Form);
    Tooltip(kTtnShow);
    PopAt(c.hiddenAt);
    Forget();
    ClickAt(c.clickAt);
    EXPECT_EQ(System.traces, (std::vector<std::string>{kClick, c.verdict}));
  }
}

TEST_F(BalloonTest, LinkClickOpensThePageOfTheLanguage) {
  const std::string german = "http://" ORVEL_MAKER_HOST "/kestrawatch/deutsch/index.html?ref=orvl";
  const std::string other = "http://" ORVEL_MAKER_HOST "/kestrawatch/index.html?ref=orvl";
  struct Case { const char* language; std::string page; };
  const Case cases[] = {{"0", other}, {"1", german}, {"2", other}, {"7", other}, {"-1", other}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.language);
    System.shellCalls.clear();
    System.beeps.clear();
    Restart(c.language);
    Tooltip(kTtnShow);
    Forget();
    Tooltip(kTtnLinkClick);
    ASSERT_EQ(System.shellCalls.size(), 1u);
    EXPECT_EQ(System.shellCalls[0].owner, kMain);
    EXPECT_EQ(System.shellCalls[0].verb, "open");
    EXPECT_EQ(System.shellCalls[0].file, c.page);
    EXPECT_EQ(System.shellCalls[0].show, 5);
    EXPECT_EQ(tooltip->log, std::vector<std::string>{kHide});
    EXPECT_EQ(System.traces, std::vector<std::string>{"-- TTN_LINKCLICK"});
    EXPECT_EQ(System.beeps, std::vector<std::uint32_t>{0});
    EXPECT_EQ(State(), 0);
  }
}

// Nothing but the tooltip's three notifications is handled; everything reaches the list unchanged.
TEST_F(BalloonTest, OtherMessagesPassUntouched) {
  // Without a header record the message carries the lParam given.
  struct Case { const char* name; std::uint32_t msg; WindowHandle from; std::int32_t code; bool header; std::intptr_t lParam; };
  const Case cases[] = {
      {"link click from another window", kWmNotify, 0x555, kTtnLinkClick, true, 0},
      {"show from the list itself", kWmNotify, kList, kTtnShow, true, 0},
      {"pop from the main window", kWmNotify, kMain, kTtnPop, true, 0},
      {"TTN_GETDISPINFOA from the tooltip", kWmNotify, kTooltip, -520, true, 0},
      {"NM_CUSTOMDRAW from the tooltip", kWmNotify, kTooltip, -12, true, 0},
      {"another message with a tooltip header", 0x4F, kTooltip, kTtnLinkClick, true, 0},
      {"WM_NOTIFY without a record", kWmNotify, 0, 0, false, 0},
      {"WM_LBUTTONDOWN", 0x201, 0, 0, false, 0x00200010},
  };
  Start();
  ListView1.defaultResult = 0x1234;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Tooltip(kTtnShow);
    Forget();
    TNotifyHeader header{c.from, 77, static_cast<std::uint32_t>(c.code)};
    const TNotifyHeader copy = header;
    TMessage message{c.msg, 3, c.header ? reinterpret_cast<std::intptr_t>(&header) : c.lParam, 0};
    ListView1.WindowProc()(message);
    ASSERT_EQ(ListView1.received.size(), 1u);
    EXPECT_EQ(ListView1.received[0].Msg, c.msg);
    EXPECT_EQ(ListView1.received[0].WParam, 3u);
    EXPECT_EQ(ListView1.received[0].LParam, message.LParam);
    EXPECT_EQ(std::memcmp(&header, &copy, sizeof header), 0);
    EXPECT_EQ(message.Result, 0x1234);
    EXPECT_TRUE(System.traces.empty());
    EXPECT_TRUE(tooltip->log.empty());
    EXPECT_TRUE(System.shellCalls.empty());
    EXPECT_EQ(State(), kShowing);
  }
}

TEST_F(BalloonTest, TheTooltipsNotificationsArePassedOnAfterHandling) {
  // The list's own procedure notes how many traces the hook had written when the message arrived.
  std::vector<std::size_t> tracesOnArrival;
  ListView1.SetWindowProc([&](TMessage& message) {
    tracesOnArrival.push_back(System.traces.size());
    message.Result = 99;
  });
  Start();
  Forget();
  for (std::int32_t code : {kTtnShow, kTtnPop, kTtnLinkClick}) {
    SCOPED_TRACE(code);
    tracesOnArrival.clear();
    const std::size_t before = System.traces.size();
    EXPECT_EQ(Notify(kTooltip, code).Result, 99);
    EXPECT_EQ(tracesOnArrival, std::vector<std::size_t>{before + 1});
  }
}

TEST_F(BalloonTest, CloseRemovesTheToolAndDestroysTheTooltip) {
  Start();
  Tooltip(kTtnShow);
  Forget();
  TCloseAction action = TCloseAction::Free;
  Form.OnClose(&Form, action);
  EXPECT_EQ(tooltip->log, (std::vector<std::string>{"SendMessageW 0x7000 0x433 0", "DestroyWindow 0x7000"}));
  const auto* removed = tooltip->Last(0x433);
  EXPECT_EQ(removed->lParam, reinterpret_cast<std::intptr_t>(&form1->ToolInfo()));
  EXPECT_EQ(removed->tool->hwnd, kList);
  EXPECT_EQ(removed->tool->uId, kList);
  EXPECT_EQ(removed->tool->cbSize, sizeof(TToolInfo));
  EXPECT_EQ(action, TCloseAction::Free);
  EXPECT_EQ(form1->HintWindow(), kTooltip);
}

TEST_F(BalloonTest, DeactivationAndCloseBeforeTheBalloonExistsReachNoWindow) {
  Create();
  Form.OnDeactivate(&Form);
  Application.OnDeactivate(nullptr);
  TCloseAction action = TCloseAction::Hide;
  Form.OnClose(&Form, action);
  EXPECT_EQ(tooltip->log, (std::vector<std::string>{"ShowWindow 0x0 0", "ShowWindow 0x0 0",
                                                    "SendMessageW 0x0 0x433 0", "DestroyWindow 0x0"}));
  EXPECT_TRUE(System.traces.empty());
  EXPECT_EQ(State(), 0);
  EXPECT_EQ(action, TCloseAction::Hide);
}

TEST_F(BalloonTest, WithoutATooltipWindowNothingPretendsToComeFromIt) {
  tooltip->createResult = 0;
  Start();
  EXPECT_EQ(form1->HintWindow(), 0u);
  Forget();
  Notify(0, kTtnLinkClick);
  Notify(0, kTtnShow);
  EXPECT_TRUE(System.shellCalls.empty());
  EXPECT_TRUE(System.traces.empty());
  EXPECT_EQ(ListView1.received.size(), 2u);
  ClickAt(100000);
  EXPECT_EQ(tooltip->log, (std::vector<std::string>{"SendMessageW 0x0 0x401 1", "SendMessageW 0x0 0x422 0"}));
}

}  // namespace
}  // namespace orvel::fakes
