// The computer browser against a scripted shell: what the dialog gets, what the field gets,
// the error mode around the dialog, and the allocator's ledger on every way out.
#include <gtest/gtest.h>

#include "companions/browser.h"
#include "fake_shell.h"
#include "form_fixture.h"

namespace orvel::fakes {
namespace {

class BrowserTest : public FormFixture {
 protected:
  BrowserTest() { UseFreshShell(); }

  void UseFreshShell() {
    auto fake = std::make_unique<FakeShell>();
    Shell = fake.get();
    shell = std::move(fake);
  }

  // Nothing outstanding and nothing freed twice: the allocator's ledger balances.
  void ExpectBalanced() const {
    EXPECT_TRUE(Shell->allocator.live.empty()) << Shell->allocator.live.size() << " blocks left";
    EXPECT_EQ(Shell->allocator.badFrees, 0);
    EXPECT_EQ(Shell->allocator.references, 0);
  }

  std::string Browse(const std::string& selection = "xxxx777", const std::string& title = "Pick") {
    return BrowseForComputer(*Shell, System, 0x100, title, selection);
  }

  FakeShell* Shell;
};

TEST_F(BrowserTest, CancelLeavesTheTypedText) {
  Create();
  PcComboBox.items = {"ALPHA", "BETA"};
  PcComboBox.SetText("half-typed");
  journal.entries.clear();

  DirButton.OnClick(&DirButton);

  ASSERT_EQ(Shell->dialogs.size(), 1u);
  EXPECT_EQ(PcComboBox.Text(), "half-typed");
  EXPECT_TRUE(journal.entries.empty()) << journal.entries.front();
  ExpectBalanced();
}

TEST_F(BrowserTest, ChosenNameReplacesTheFieldUnchangedWithoutTouchingHistoryOrScanning) {
  Create();
  PcComboBox.items = {"ALPHA", "BETA", "GAMMA"};
  PcComboBox.SetText("ALPHA");
  journal.entries.clear();
  // Copied as the shell wrote it: no trimming, no case change, backslashes kept.
  Shell->choice = "\\\\Server 9\\x ";

  DirButton.OnClick(&DirButton);

  EXPECT_EQ(PcComboBox.Text(), "\\\\Server 9\\x ");
  EXPECT_EQ(PcComboBox.items, (std::vector<std::string>{"ALPHA", "BETA", "GAMMA"}));
  EXPECT_EQ(PcComboBox.itemIndex, -1);
  // The only effect is the field's text: no scan clears the list or starts the animation.
  EXPECT_EQ(journal.entries, (std::vector<std::string>{"PcComboBox.text=\\\\Server 9\\x "}));
  EXPECT_FALSE(Animate1.Playing());
  ExpectBalanced();
}

TEST_F(BrowserTest, DialogGetsTheRecordAsDescribed) {
  Create();
  DirButton.OnClick(&DirButton);

  ASSERT_EQ(Shell->dialogs.size(), 1u);
  const FakeShell::Dialog& d = Shell->dialogs[0];
  EXPECT_EQ(d.info.hwndOwner, Form.Handle());
  ASSERT_EQ(Shell->folderRequests.size(), 1u);
  EXPECT_EQ(Shell->folderRequests[0].owner, Form.Handle());
  EXPECT_EQ(Shell->folderRequests[0].folder, 18);
  EXPECT_EQ(Shell->folderRequests[0].preset, nullptr);
  EXPECT_EQ(d.info.pidlRoot, Shell->networkRoot);
  EXPECT_NE(d.info.pszDisplayName, nullptr);
  EXPECT_EQ(Shell->allocator.allocSizes, (std::vector<std::size_t>{260 * sizeof(char16_t)}));
  EXPECT_EQ(d.info.ulFlags, 0x1040u);
  EXPECT_EQ(d.selectionData, "xxxx777");
  EXPECT_EQ(d.info.iImage, 0);
}

TEST_F(BrowserTest, TitleFollowsTheLanguage) {
  struct Case {
    const char* language;
    const char* title;
  } cases[] = {{"0", "Choose a computer"}, {"1", "Computer ausw\u00E4hlen"}, {"2", "Choose a computer"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.language);
    System.arguments = {"Orvelkit.exe", "/language", c.language};
    Shell->dialogs.clear();
    Create();
    DirButton.OnClick(&DirButton);
    ASSERT_EQ(Shell->dialogs.size(), 1u);
    EXPECT_EQ(Shell->dialogs[0].title, c.title);
  }
}

TEST_F(BrowserTest, EmptyTitleIsAnEmptyTextNotNull) {
  Browse("xxxx777", "");
  ASSERT_EQ(Shell->dialogs.size(), 1u);
  EXPECT_EQ(Shell->dialogs[0].title, "");
}

TEST_F(BrowserTest, MissingNetworkFolderRootsTheDialogAtTheDesktop) {
  Shell->networkMissing = true;
  Shell->choice = "PC1";
  EXPECT_EQ(Browse(), "PC1");
  ASSERT_EQ(Shell->dialogs.size(), 1u);
  EXPECT_EQ(Shell->dialogs[0].info.pidlRoot, nullptr);
  EXPECT_EQ(Shell->dialogs[0].info.ulFlags, 0x1040u);
  ExpectBalanced();
}

TEST_F(BrowserTest, ErrorModeIsExactlyOneDuringTheDialogAndRestoredAfter) {
  for (bool throws : {false, true}) {
    for (std::uint32_t previous : {0x0u, 0x1u, 0x8003u, 0x8000u, 0xFFFFFFFFu}) {
      SCOPED_TRACE(testing::Message() << "previous " << previous << (throws ? " throwing" : ""));
      System.errorMode = previous;
      System.errorModes.clear();
      Shell->throwInDialog = throws;
      std::optional<std::uint32_t> during;
      Shell->duringDialog = [&](const TBrowseInfo&) { during = System.errorMode; };

      if (throws) {
        EXPECT_THROW(Browse(), EOleError);
      } else {
        Browse();
      }

      EXPECT_EQ(during, 1u);
      EXPECT_EQ(System.errorMode, previous);
      EXPECT_EQ(System.errorModes, (std::vector<std::uint32_t>{1u, previous}));
      ExpectBalanced();
    }
  }
}

TEST_F(BrowserTest, CallbackIsInstalledOnlyForANonEmptySelection) {
  Browse("");
  ASSERT_EQ(Shell->dialogs.size(), 1u);
  EXPECT_EQ(Shell->dialogs[0].info.lpfn, nullptr);
  EXPECT_EQ(Shell->dialogs[0].info.lParam, 0);
  EXPECT_TRUE(Shell->sent.empty());

  const std::string selection = "\\\\FILESERVER";
  Browse(selection);
  ASSERT_EQ(Shell->dialogs.size(), 2u);
  EXPECT_NE(Shell->dialogs[1].info.lpfn, nullptr);
  EXPECT_EQ(Shell->dialogs[1].selectionData, selection);
  // The notifications replayed include selection changes and validation failures; one request only.
  ASSERT_EQ(Shell->sent.size(), 1u);
  EXPECT_EQ(Shell->sent[0].window, Shell->dialogWindow);
  EXPECT_EQ(Shell->sent[0].message, 0x467u);
  EXPECT_EQ(Shell->sent[0].wParam, 1u);
  EXPECT_EQ(Shell->sent[0].lParam, Shell->dialogs[1].info.lParam);
  EXPECT_EQ(Shell->callbackResults, std::vector<int>(Shell->notifications.size(), 0));
}

TEST_F(BrowserTest, CallbackAnswersOnlyTheInitialisationWithData) {
  const char16_t* path = u"xxxx777";
  const auto data = reinterpret_cast<std::intptr_t>(path);
  struct Case {
    std::uint32_t message;
    std::intptr_t data;
    bool sends;
  } cases[] = {{1, data, true}, {1, 0, false}, {2, data, false}, {3, data, false},
               {4, data, false}, {5, data, false}, {0, data, false}, {0x467, data, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "message " << c.message << " data " << c.data);
    Shell->sent.clear();
    EXPECT_EQ(BrowseCallback(*Shell, 0x77, c.message, 0x5000, c.data), 0);
    ASSERT_EQ(Shell->sent.size(), c.sends ? 1u : 0u);
    if (c.sends) {
      EXPECT_EQ(Shell->sent[0].window, 0x77u);
      EXPECT_EQ(Shell->sent[0].message, 0x467u);
      EXPECT_EQ(Shell->sent[0].wParam, 1u);
      EXPECT_EQ(Shell->sent[0].lParam, data);
    }
  }
}

TEST_F(BrowserTest, CallbackSwallowsAFailingRequest) {
  Shell->throwInSend = true;
  int result = -1;
  EXPECT_NO_THROW(result = BrowseCallback(*Shell, 0x77, 1, 0, reinterpret_cast<std::intptr_t>(u"x")));
  EXPECT_EQ(result, 0);
  EXPECT_EQ(Shell->sent.size(), 1u);
}

TEST_F(BrowserTest, NoAllocatorOrNoBufferGivesTheEmptyResultWithoutADialog) {
  struct Case {
    const char* name;
    std::function<void(FakeShell&)> script;
  } cases[] = {
      {"SHGetMalloc fails", [](FakeShell& s) { s.mallocResult = EFail; }},
      {"SHGetMalloc fails yet hands one out",
       [](FakeShell& s) {
         s.mallocResult = EFail;
         s.allocatorDespiteFailure = true;
       }},
      {"SHGetMalloc succeeds without one", [](FakeShell& s) { s.withoutAllocator = true; }},
      {"Alloc yields no buffer", [](FakeShell& s) { s.allocator.failAlloc = true; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UseFreshShell();
    c.script(*Shell);
    Shell->choice = "PC1";
    System.errorModes.clear();
    Create();
    PcComboBox.SetText("typed");

    DirButton.OnClick(&DirButton);

    EXPECT_EQ(PcComboBox.Text(), "typed");
    EXPECT_TRUE(Shell->dialogs.empty());
    EXPECT_TRUE(System.errorModes.empty());
    EXPECT_TRUE(Application.messages.empty());
    EXPECT_TRUE(Application.boxes.empty());
    ExpectBalanced();
  }
}

TEST_F(BrowserTest, EveryAllocationIsFreedOnEveryPath) {
  struct Case {
    const char* name;
    std::function<void(FakeShell&)> script;
    bool throws;
  } cases[] = {
      {"cancel", [](FakeShell&) {}, false},
      {"choose", [](FakeShell& s) { s.choice = "PC1"; }, false},
      {"no network folder", [](FakeShell& s) { s.networkMissing = true; s.choice = "PC1"; }, false},
      {"dialog throws", [](FakeShell& s) { s.throwInDialog = true; }, true},
      {"callback request throws", [](FakeShell& s) { s.throwInSend = true; s.choice = "PC1"; }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UseFreshShell();
    c.script(*Shell);
    Create();
    PcComboBox.SetText("typed");

    if (c.throws) {
      EXPECT_THROW(DirButton.OnClick(&DirButton), EOleError);
      EXPECT_EQ(PcComboBox.Text(), "typed");
    } else {
      EXPECT_NO_THROW(DirButton.OnClick(&DirButton));
    }

    EXPECT_EQ(Shell->getMallocCalls, 1);
    // Buffer, network root (when found) and chosen item: all came back.
    const int expectedFrees = 1 + (Shell->networkMissing ? 0 : 1) + (Shell->choice && !c.throws ? 1 : 0);
    EXPECT_EQ(Shell->allocator.frees, expectedFrees);
    ExpectBalanced();
  }
}

TEST_F(BrowserTest, NameFillingTheWholeBufferIsReadNoFurther) {
  Shell->choice = std::string(260, 'N');
  EXPECT_EQ(Browse(), std::string(260, 'N'));
  ExpectBalanced();
}

TEST_F(BrowserTest, NameEndsAtItsFirstZeroByte) {
  Shell->choice = std::string("PC7\0stale", 9);
  EXPECT_EQ(Browse(), "PC7");
}

TEST_F(BrowserTest, NameInAnyScriptArrivesUnchanged) {
  Shell->choice = "\u03A9MEGA-\u65E5\u672C-\U0001F5A5";
  EXPECT_EQ(Browse(), "\u03A9MEGA-\u65E5\u672C-\U0001F5A5");
}

// Shortcuts are matched as key codes: the numeric keypad's 2 (0x62) is "b" only as a character.
TEST(BrowserShortcut, CtrlBIsTheLetterKeyOnly) {
  const ControlDef* button = FindShortcutControlDef('B');
  ASSERT_NE(button, nullptr);
  EXPECT_STREQ(button->name, "DirButton");
  EXPECT_EQ(FindShortcutControlDef(0x62), nullptr) << "Ctrl+Numpad2";
}

}  // namespace
}  // namespace orvel::fakes
