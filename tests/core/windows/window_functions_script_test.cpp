// The window script's native functions that the library does not already exercise: labels,
// hot-key texts, positions, commands, rectangles, settings, enabling and toggling, the
// current-window stack, modal windows, messages, movies and window destruction.
#include <gtest/gtest.h>

#include "core/windows/modal_window.h"
#include "core/windows/window_style.h"
#include "tests/core/windows/window_test_support.h"

namespace {

using window_test::FakeButton;
using window_test::ProbeWindow;
using window_test::WindowFixture;

class WindowFunctionsTest : public WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    dialog = new TModalWindow();
    dialog->SetWindowName("dialog");
    manager->PushModal(dialog);
    ok = new FakeButton("ok", 0, &events);
    dialog->AddChild(ok, false);
    plain = new ProbeWindow("plain", TRect(10, 10, 60, 40), &events);
    dialog->AddChild(plain, false);
  }
  std::string Call(const std::string& expression) {
    Run("result = " + expression);
    return GlobalString("result");
  }
  TModalWindow* dialog;
  FakeButton* ok;
  ProbeWindow* plain;
};

TEST_F(WindowFunctionsTest, LabelsOfButtonsAndOtherWindows) {
  Run("SetLabel('ok', 'Fine'); SetLabel('plain', 'ignored')");
  EXPECT_EQ(Call("GetLabel('ok')"), "Fine");
  EXPECT_EQ(Call("GetLabel('plain')"), "plain_is_not_a_TText_window_or_TButton");
  EXPECT_EQ(Call("GetLabel('missing')"), "missing_is_not_found");
}

TEST_F(WindowFunctionsTest, HotKeyTextsAndAmpersandKeys) {
  struct Case {
    const char* call;
    const char* expected;
  } cases[] = {
      {"TagHotKey('@Q', 'Quit', '')", "<u>Q</u>uit"},
      {"TagHotKey('@q', 'Quit', '')", "<u>Q</u>uit"},
      {"TagHotKey('@t', 'Quit', '')", "Qui<u>t</u>"},
      {"TagHotKey('', 'Quit', '')", "Quit"},
      {"TagHotKey('@z', 'Quit', '')", "Quit"},
      {"table.concat({ StripKeyFromLabel('&Quit') }, '|')", "Quit|@Q"},
      {"table.concat({ StripKeyFromLabel('Sa&ve') }, '|')", "Save|@v"},
      {"table.concat({ StripKeyFromLabel('Quit') }, '|')", "Quit|"},
      {"table.concat({ StripKeyFromLabel('&\xc3\xa9t\xc3\xa9') }, '|')", "\xc3\xa9t\xc3\xa9|"},
      {"table.concat({ StripKeyFromLabel('end&') }, '|')", "end|"},
  };
  for (const Case& c : cases) EXPECT_EQ(Call(c.call), c.expected) << c.call;
}

TEST_F(WindowFunctionsTest, PositionsResolveLikeCreationKeys) {
  Run("SetPosition('plain', kCenter, -40)");
  EXPECT_EQ(plain->GetRect(), TRect(375, 560, 425, 590));
  Run("SetPosition('plain', 5, 6)");
  EXPECT_EQ(plain->GetRect(), TRect(5, 6, 55, 36));
}

TEST_F(WindowFunctionsTest, CommandsGoToButtonsOnly) {
  Run("SetCommand('ok', function() clicked = 1 end); SetCommand('plain', function() end)");
  ASSERT_NE(ok->GetCommand(), nullptr);
  ok->GetCommand()->Call();
  lua_pop(L(), 1);
  EXPECT_EQ(GlobalNumber("clicked"), 1);
  Run("SetCommand('ok', 5)");
  EXPECT_EQ(ok->GetCommand(), nullptr);
}

TEST_F(WindowFunctionsTest, FillRectIsClippedToTheScreen) {
  Run("FillRect({ -10, 20, 900 }, { 1, 0, 0, 1 })");
  ASSERT_EQ(host.fills.size(), 1u);
  EXPECT_EQ(host.fills[0], TRect(0, 20, 800, 0));
}

TEST_F(WindowFunctionsTest, TimerSettingsAndClipboard) {
  SetSetting("tries", "3");
  EXPECT_EQ(Call("GetTimer()"), "1000");
  EXPECT_EQ(Call("GetConfig('tries', 'none') .. GetConfig('absent', 'none')"), "3none");
  EXPECT_EQ(Call("tostring(IsEnabled('tries')) .. tostring(IsEnabled('absent'))"), "truefalse");
  EXPECT_EQ(Call("StringToClipboard('copied')"), "true");
  EXPECT_EQ(host.clipboard, "copied");
}

TEST_F(WindowFunctionsTest, EnablingAndTogglingSearchUpTheModalChain) {
  auto* top = new TModalWindow();
  manager->PushModal(top);
  EXPECT_EQ(Call("EnableWindow('ok', false)"), "true");  // found under the modal below
  EXPECT_FALSE(ok->GetFlags() & kWindowEnabled);
  EXPECT_EQ(events.back(), "ok:leave");
  EXPECT_EQ(Call("EnableWindow('ok', true)"), "true");
  EXPECT_TRUE(ok->GetFlags() & kWindowEnabled);
  EXPECT_EQ(Call("EnableWindow('nobody', true)"), "false");
  EXPECT_EQ(Call("GetButtonToggleState('ok')"), "false");
  Run("SetButtonToggleState('ok', true)");
  EXPECT_EQ(Call("GetButtonToggleState('ok')"), "true");
  EXPECT_EQ(Call("GetButtonToggleState('plain')"), "false");
}

TEST_F(WindowFunctionsTest, TheCurrentWindowStackNeverEmptiesItself) {
  Run("SetWindowName('renamed'); PopWindow(); PopWindow(); DoFitToChildren()");
  EXPECT_EQ(dialog->GetName(), TStr("renamed"));
  EXPECT_EQ(script->GetCurrentWindow(), dialog);
  EXPECT_EQ(script->GetWindowDepth(), 1u);
  Run("RealSetFocus('plain')");
  EXPECT_EQ(manager->GetFocus(), plain);
}

TEST_F(WindowFunctionsTest, ModalWindowsFromScripts) {
  std::string id = Call("PushModal('second')");
  EXPECT_EQ(id, manager->GetTopModal()->GetIdString().c_str());
  EXPECT_EQ(Call("GetWindowDepth()"), "3");
  Run("DoPopModal('second')");
  EXPECT_EQ(Call("GetWindowDepth()"), "2");
  dialog->SetAnimTimer(5, true, true, false);
  Run("ClearModalChildren()");
  EXPECT_TRUE(dialog->GetChildren().empty());
  EXPECT_EQ(dialog->GetRect(), TRect());
  EXPECT_EQ(dialog->GetTaskList().Count(), 0u);
  Idle();  // the children go at the next event
}

TEST_F(WindowFunctionsTest, MessagesMadeByScripts) {
  EXPECT_EQ(Call("CreateNamedMessage(1234, 'x').type"), "1234");
  EXPECT_EQ(Call("CreateCloseMessage().name"), dialog->GetIdString().c_str());
  EXPECT_EQ(Call("CreateCloseMessage().type"), "1");
  Run("PostMessageToParent(CreateNamedMessage(1001, 'up'))");
  ASSERT_EQ(manager->GetQueuedCount(), 1u);
  std::vector<std::string> seen;
  screen->SetFocus(nullptr);
  auto* listener = new window_test::Collector(&seen);
  manager->AddMessageListener(listener);
  manager->ProcessMessages();
  EXPECT_TRUE(seen.empty());  // it names the screen, so no listener sees it
}

TEST_F(WindowFunctionsTest, DestroyWindowDetachesAndDefersButRefusesModalWindows) {
  Run("DestroyWindow('plain'); DestroyWindow('dialog'); DestroyWindow('nobody')");
  EXPECT_EQ(plain->GetParent(), nullptr);
  EXPECT_EQ(manager->GetTopModal(), dialog);
  EXPECT_EQ(dialog->GetParent(), screen);
  Idle();
  EXPECT_EQ(dialog->FindChild("plain"), nullptr);
}

TEST_F(WindowFunctionsTest, MoviesStartThroughTheInstalledMakerAndAnAbortEndsTheWait) {
  EXPECT_EQ(Call("StartMovie('intro', false, false)"), "false");  // no control host here
  struct Player : TMoviePlayer {
    bool Start() override { return true; }
    bool IsPlaying() override { return true; }
    void Stop() override {}
  };
  SetMoviePlayerMaker([](TStr name, bool, bool) -> TMoviePlayer* { return new Player(); });
  EXPECT_EQ(Call("StartMovie('', false, false)"), "false");
  EXPECT_EQ(Call("StartMovie('intro', true, true)"), "true");
  EXPECT_EQ(Call("IsMoviePlaying()"), "true");
  Run("StopMovie()");
  EXPECT_EQ(Call("IsMoviePlaying()"), "false");
  Run("StartMovie('intro', true, true)");
  StartMain("HandleGetMessage(); aborted = 1");
  script->AbortMovie();
  EXPECT_EQ(GlobalNumber("aborted"), 1);
  EXPECT_EQ(Call("IsMoviePlaying()"), "false");
  SetMoviePlayerMaker(nullptr);
}

TEST_F(WindowFunctionsTest, ClassesHooksAndTranslatedLabels) {
  struct Hook : TWindowCreationHook {
    void OnWindowCreated(TWindow* window, TWindowStyle& style) override {
      names.push_back(window->GetName().c_str() + std::string("/") + style.GetString("extra", "").c_str());
    }
    std::vector<std::string> names;
  } hook;
  script->SetCreationHook(&hook);
  manager->RegisterWindowClass("Thing", &TModalWindow::ClassId);  // an identity, not a factory
  manager->RegisterWindowClass("Thing", &TWindow::GetFactory);     // the later one wins
  Run("Thing { name = 'made', extra = 'x', w = 1, h = 1 }()");
  EXPECT_NE(dialog->FindChild("made"), nullptr);
  EXPECT_EQ(hook.names, (std::vector<std::string>{"made/x"}));
  script->SetCreationHook(nullptr);
  manager->SetTranslateLabels(true);
  EXPECT_TRUE(script->GetTranslateLabels());
  EXPECT_TRUE(script->SetTranslateLabels(false));  // answers the previous value
  EXPECT_FALSE(script->GetTranslateLabels());
}

}  // namespace
