// The window library "gScreenInit": its constants and globals and each of its functions, run
// in the window script on the manual clock.
#include <gtest/gtest.h>

#include "core/windows/modal_window.h"
#include "core/windows/text.h"
#include "core/windows/window_style.h"
#include "tests/core/windows/window_test_support.h"

namespace {

using window_test::FakeImage;
using window_test::WindowFixture;

TWindow* MakeLayers() { return new TLayeredWindow(2); }

// Refuses every parent.
class Refuser : public TWindow {
 public:
  bool OnNewParent() override { return false; }
  static TWindow* Factory() { return new Refuser(); }
};

class Movie : public TMoviePlayer {
 public:
  bool Start() override { return starts; }
  bool IsPlaying() override { return playing; }
  void Stop() override { stops++; }
  static bool starts, playing;
  static int stops;
};
bool Movie::starts = true;
bool Movie::playing = true;
int Movie::stops = 0;

class ScreenInitTest : public WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    manager->RegisterWindowClass("Layers", &MakeLayers);
    manager->RegisterWindowClass("Refuser", &Refuser::Factory);
    manager->RegisterWindowClass("Image", &FakeImage::Factory);
  }
  void TearDown() override {
    SetMoviePlayerMaker(nullptr);
    WindowFixture::TearDown();
  }
  // Runs a dialog file's text in a new modal window the way DoModal fills it.
  TWindow* Dialog(const std::string& text) {
    AddFile("assets/ui/test.lua", text);
    Run("gId = PushModal('ui/test.lua'); ReadFile('ui/test.lua')");
    return manager->GetTopModal();
  }
  std::string Names(TWindow* parent) {
    std::string s;
    for (TWindow* w : parent->GetChildren()) s += std::string(w->GetName().c_str()) + " ";
    return s;
  }
};

TEST_F(ScreenInitTest, ConstantsAndGlobals) {
  struct Case {
    const char* expression;
    const char* expected;
  } cases[] = {
      {"kHAlignCenter + kHAlignRight + kVAlignCenter + kVAlignBottom", "15"},
      {"kPush .. kToggle .. kRadio .. kAllLayers", "012-1"},
      {"kCenter .. ' ' .. kMax .. ' ' .. kDefault", "80000 160000 128"},
      {"kPushButtonAlignment .. kRadioButtonAlignment .. kToggleButtonAlignment", "545"},
      {"kGeneric .. kCloseWindow .. kDefaultAction .. kButtonPress .. kPressAnyKey .. kQuitNow .. kModalClosed", "0123456"},
      {"kTextEditChanged .. kCommandOnly .. kSliderValChanged .. kSliderMouseUp .. kSliderPageUp .. kSliderPageDown",
       "789101112"},
      {"kUserMessageBase", "1000"},
      {"kCmdLine .. kLevel .. kSubLevel .. kPause .. kMute .. kBreakNow .. kScore",
       "cmdlinelevelsublevelpausemutebreaknowscore"},
      {"kGameMode .. kGameOver .. kRestartButton .. kSystemMode", "gamemodegameoverrestartbuttonsystemmode"},
      {"kCheatMode .. kComputerId .. kGameName .. kGameVersion", "cheatmodecomputeridgamenameversion"},
      {"kEncryptionKey .. kHiscoreLocalOnly .. kHiscoreAnonymous", "encryptionkeyhiscorelocalhiscoreanon"},
      {"gCurID .. gBeginGroup .. table.getn(idtable) .. table.getn(gParent)", "100000"},
      {"type(gCurrentDefaultStyle) .. type(gClosedWindows) .. type(gCommandQueue) .. type(gMessageQueue) .. "
       "type(gDialogTable) .. type(gReturnValue)",
       "tabletabletabletabletablenil"},
  };
  for (const Case& c : cases) {
    Run(std::string("value = ") + c.expression);
    EXPECT_EQ(GlobalString("value"), c.expected) << c.expression;
  }
  // Running text replaces LUA_PATH with the host's search path, so look before any runs.
  TWindowScript fresh;
  lua_State* state = fresh.GetState();
  lua_pushliteral(state, "LUA_PATH");
  lua_gettable(state, LUA_GLOBALSINDEX);
  EXPECT_STREQ(lua_tostring(state, -1), "?;../?;../../?");
  lua_pop(state, 1);
}

TEST_F(ScreenInitTest, ColorScalesBytesAndFColorKeepsFloats) {
  Run("a = Color(255, 0, 0); b = Color(255, 255, 255, 0); c = FColor(0.5, 0.25, 0); d = FColor(1, 1, 1, false)");
  Run("s = a[1] .. a[2] .. a[3] .. a[4] .. ' ' .. b[4] .. ' ' .. c[1] .. c[2] .. c[4] .. ' ' .. d[4]");
  EXPECT_EQ(GlobalString("s"), "1001 0 0.50.251 1");
}

TEST_F(ScreenInitTest, PushAndPopWorkAtTheFrontOfGParent) {
  Run("Push('a'); Push('b'); first = gParent[1]; Pop(); after = gParent[1]; n = table.getn(gParent)");
  EXPECT_EQ(GlobalString("first"), "b");
  EXPECT_EQ(GlobalString("after"), "a");
  EXPECT_EQ(GlobalNumber("n"), 1);
}

TEST_F(ScreenInitTest, DoWindowAndMakeDialogBuildTheTreeInOrderAndRestoreTheCurrentWindow) {
  TWindow* dialog = Dialog(
      "MakeDialog {\n"
      "  Window { name = 'panel', x = 10, y = 10, fit = true,\n"
      "    Window { name = 'first', w = 40, h = 20 },\n"
      "    Window { name = 'second', x = 50, w = 40, h = 30 },\n"
      "  },\n"
      "  Window { name = 'after', w = 5, h = 5 },\n"
      "}");
  EXPECT_EQ(Names(dialog), "after panel ");  // the front is the last created
  TWindow* panel = dialog->FindChild("panel");
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(Names(panel), "second first ");
  EXPECT_EQ(panel->GetRect(), TRect(10, 10, 100, 40));  // fitted in PostCreate
  EXPECT_EQ(script->GetCurrentWindow(), dialog);
  EXPECT_TRUE(GlobalIsNil("typename"));  // the outer table has no type
  EXPECT_EQ(GlobalNumber("gDialogWidth"), 5);  // the last window created
  Run("Window { name = 'direct', w = 1, h = 1 }()");
  EXPECT_EQ(GlobalString("typename"), "Window");
  Run("DoDialogCommand(1, function() ran = 1 end)");
  EXPECT_EQ(GlobalNumber("ran"), 1);
}

TEST_F(ScreenInitTest, AWindowThatCannotBeMadeTakesNothingFromItsParent) {
  TWindow* dialog = Dialog(
      "MakeDialog {\n"
      "  Window { name = 'keep', w = 10, h = 10 },\n"
      "  Unknown = Window\n"
      "}\n"
      "t = { name = 'ghost', typename = 'NoSuchClass', fit = true, Window { name = 'orphan', w = 500, h = 500 } }\n"
      "DoWindow(t)\n"
      "Refuser { name = 'refused', fit = true, Window { name = 'orphan2', w = 500, h = 500 } }()\n"
      "MakeDialog { Window { name = 'later', w = 10, h = 10 } }");
  EXPECT_EQ(dialog->GetName(), TStr("ui/test.lua"));  // not renamed to 'ghost'
  EXPECT_EQ(dialog->FindChild("orphan"), nullptr);
  EXPECT_EQ(dialog->FindChild("orphan2"), nullptr);
  EXPECT_EQ(dialog->FindChild("refused"), nullptr);
  EXPECT_EQ(Names(dialog), "later keep ");
  EXPECT_EQ(dialog->GetRect(), TRect(0, 0, 800, 600));  // no fit from the lost table
  EXPECT_EQ(script->GetCurrentWindow(), dialog);  // the stack kept its parent
  Idle();  // the stand-ins go at the next event
}

TEST_F(ScreenInitTest, CreatingAndCustomCreatorAndSetDefaultDoNothing) {
  Run("Creating('x', {}); CustomCreator(1); f = SetDefault(3); r = f()");
  EXPECT_TRUE(GlobalIsNil("r"));
  EXPECT_EQ(GlobalString("f") != "nil", true);
}

TEST_F(ScreenInitTest, BeginGroupMarksOnlyTheNextWindow) {
  Dialog("");
  Run("a = { typename = 'Window', w = 1, h = 1 }; b = { typename = 'Window', w = 1, h = 1 };"
      " c = { typename = 'Window', w = 1, h = 1 }");
  Run("DoWindow(a); BeginGroup()(); DoWindow(b); DoWindow(c); SetBeginGroup(); g = gBeginGroup");
  Run("marks = a.beginGroup .. b.beginGroup .. c.beginGroup");
  EXPECT_EQ(GlobalString("marks"), "010");
  EXPECT_EQ(GlobalNumber("g"), 1);
}

TEST_F(ScreenInitTest, GetTagTreatsFalseAsMissingAndFollowsOnlyTheDefaultStylesParents) {
  Run("gCurrentDefaultStyle = { a = 'style', parent = { b = 'parent' } }");
  struct Case {
    const char* call;
    const char* expected;
  } cases[] = {
      {"GetTag({ a = 'own' }, 'a')", "own"},
      {"GetTag({ a = false }, 'a')", "style"},
      {"GetTag({}, 'b')", "parent"},
      {"GetTag({ parent = { c = 'x' } }, 'c')", "nil"},
      {"GetTag({ parent = { c = 'x' } }, 'c', true)", "x"},
  };
  for (const Case& c : cases) {
    Run(std::string("v = ") + c.call);
    EXPECT_EQ(GlobalString("v"), c.expected) << c.call;
  }
}

TEST_F(ScreenInitTest, StylesApplyToTheWindowsThatFollowAndAreRestoredAfterTheTable) {
  TWindow* dialog = Dialog(
      "outer = {}\n"
      "SetDefaultStyle(outer)\n"
      "MakeDialog { SetStyle { w = 50, h = 20 }, Window { name = 'a' },\n"
      "             AppendStyle { h = 30 }, Window { name = 'b' } }\n"
      "restored = (gCurrentDefaultStyle == outer)");
  EXPECT_EQ(dialog->FindChild("a")->GetRect(), TRect(0, 0, 50, 20));
  EXPECT_EQ(dialog->FindChild("b")->GetRect(), TRect(0, 0, 50, 30));
  EXPECT_EQ(GlobalString("restored"), "true");
}

TEST_F(ScreenInitTest, SetFocusGivesTheFocusToANamedWindowOfTheCurrentWindow) {
  TWindow* dialog = Dialog("MakeDialog { Window { name = 'field', w = 5, h = 5 } }");
  Run("SetFocus('field')");
  EXPECT_EQ(manager->GetFocus(), dialog->FindChild("field"));
  Run("SetFocus('none')");
  EXPECT_EQ(manager->GetFocus(), nullptr);
}

TEST_F(ScreenInitTest, DistributeSpreadsOverTheDialogSize) {
  Run("gDialogWidth = 400; gDialogHeight = 90; x = DistributeX(3); y = DistributeY(2)");
  Run("s = x[1] .. ' ' .. x[2] .. ' ' .. x[3] .. ' ' .. table.getn(x) .. ' ' .. y[1] .. ' ' .. y[2]");
  EXPECT_EQ(GlobalString("s"), "100 200 300 3 30 60");
}

TEST_F(ScreenInitTest, WaitForCloseMessageRemembersOtherClosesAndReturnsAtOnceForThem) {
  StartMain("WaitForCloseMessage('b'); gotB = 1; WaitForCloseMessage('a'); gotA = 1");
  script->DeliverMessage(new TMessage(kModalClosed, "a"), nullptr);
  EXPECT_TRUE(GlobalIsNil("gotB"));
  script->DeliverMessage(new TMessage(kModalClosed, "b"), nullptr);
  EXPECT_EQ(GlobalNumber("gotB"), 1);
  Idle();  // one pass: 'a' had closed during the first wait
  EXPECT_EQ(GlobalNumber("gotA"), 1);
  Run("left = gClosedWindows['a']; last = gLastMessage.name");
  EXPECT_TRUE(GlobalIsNil("left"));
  EXPECT_EQ(GlobalString("last"), "b");
}

TEST_F(ScreenInitTest, DoModalReturnsTheValueGivenToCloseWindowOnceTheModalClosed) {
  AddFile("assets/ui/ask.lua", "MakeDialog { Window { name = 'inside', x = 20, y = 30, w = 100, h = 50 } }");
  StartMain("answer = DoModal('ui/ask.lua'); after = gReturnValue");
  TWindow* modal = manager->GetTopModal();
  EXPECT_EQ(modal->GetName(), TStr("ui/ask.lua"));
  EXPECT_EQ(modal->GetRect(), TRect(0, 0, 800, 600));  // sized to its parent, fit never shrinks
  Run("CloseWindow('yes')");
  EXPECT_EQ(GlobalString("gReturnValue"), "yes");
  Idle(2);
  EXPECT_EQ(GlobalString("answer"), "yes");
  EXPECT_TRUE(GlobalIsNil("after"));
  EXPECT_EQ(manager->GetTopModal(), screen);
}

TEST_F(ScreenInitTest, DoMainWindowEndsWhenItsWindowIsPopped) {
  AddFile("assets/ui/main.lua", "MakeDialog { Window { name = 'body', w = 10, h = 10 } }");
  StartMain("DoMainWindow('ui/main.lua'); done = 1");
  manager->PostMessage(new TMessage(1000, "note"));
  Idle();
  EXPECT_TRUE(GlobalIsNil("done"));
  Run("last = gLastMessage.name");
  EXPECT_EQ(GlobalString("last"), "note");
  manager->PopModal();
  Idle();
  EXPECT_EQ(GlobalNumber("done"), 1);
}

TEST_F(ScreenInitTest, ModalReturnSetsTheReturnValue) {
  Run("ModalReturn(42)");
  EXPECT_EQ(GlobalNumber("gReturnValue"), 42);
}

TEST_F(ScreenInitTest, DisplaySplashPlaysAMovieUntilItEndsOrPopsWithoutAnImage) {
  StartMain("DisplaySplash(nil, nil, 100); empty = GetWindowDepth()");
  EXPECT_EQ(GlobalNumber("empty"), 1);  // nothing to show: the splash modal is gone at once
  SetMoviePlayerMaker([](TStr, bool, bool) -> TMoviePlayer* { return new Movie(); });
  Movie::playing = true;
  Movie::stops = 0;
  StartMain("DisplaySplash('intro.swf', nil, 0); shown = inMovie; done = 1");
  for (int i = 0; i < 3; i++) {
    Advance(5000);
    Idle();
  }
  EXPECT_TRUE(GlobalIsNil("done"));  // a movie is not limited by the duration
  Movie::playing = false;
  Advance(1);
  Idle();
  EXPECT_EQ(GlobalNumber("done"), 1);
  EXPECT_EQ(GlobalString("shown"), "true");
  EXPECT_EQ(Movie::stops, 1);
  EXPECT_EQ(manager->GetTopModal(), screen);
  // Any key ends it unless the style disables aborting.
  Movie::playing = true;
  StartMain("DisplaySplash('intro.swf', nil, 0); done2 = 1");
  Send(kEventKeyDown, 'X');
  Idle();
  EXPECT_EQ(GlobalNumber("done2"), 1);
}

TEST_F(ScreenInitTest, FlushMessagesEmptiesBothQueues) {
  script->DeliverMessage(new TMessage(1000, "old"), nullptr);
  StartMain("FlushMessages(); n = table.getn(gMessageQueue) + table.getn(gCommandQueue)");
  Advance(1);
  Idle();
  EXPECT_EQ(GlobalNumber("n"), 0);
}

TEST_F(ScreenInitTest, WaitForMessageTakesTheLatestQueuedMessageOrSkipsTheQueue) {
  script->DeliverMessage(new TMessage(1000, "queued"), nullptr);
  StartMain("a = WaitForMessage(10, true); b = WaitForMessage().name; c = message.name");
  EXPECT_EQ(manager->GetQueuedCount(), 0u);
  Advance(10);
  Idle();
  EXPECT_TRUE(GlobalIsNil("a"));  // the queue was skipped; the wait timed out
  EXPECT_EQ(GlobalString("b"), "queued");
  EXPECT_EQ(GlobalString("c"), "queued");
}

TEST_F(ScreenInitTest, YieldIsAPlainYieldOfTheCoroutine) {
  StartMain("count = 1; Yield(); count = 2");
  EXPECT_EQ(GlobalNumber("count"), 1);
  Idle();
  EXPECT_EQ(GlobalNumber("count"), 2);
}

TEST_F(ScreenInitTest, ReadFileRunsAFileUnderAssets) {
  AddFile("assets/ui/value.lua", "return 7");
  Run("v = ReadFile('ui/value.lua')");
  EXPECT_EQ(GlobalNumber("v"), 7);
}

TEST_F(ScreenInitTest, CloseWindowPostsACloseMessageForTheCurrentWindow) {
  TWindow* dialog = Dialog("");
  Run("CloseWindow()");
  EXPECT_TRUE(GlobalIsNil("gReturnValue"));
  EXPECT_EQ(manager->GetQueuedCount(), 1u);
  manager->ProcessMessages();
  EXPECT_EQ(manager->GetTopModal(), screen);
  (void)dialog;
}

TEST_F(ScreenInitTest, GetStringFillsMissingArgumentsAndReadsHashIdsLiterally) {
  Run("a = GetString('LABEL', 'x', nil, false, 4); b = GetString('#plain')");
  EXPECT_EQ(GlobalString("a"), "LABEL(x,,,4,)");
  EXPECT_EQ(GlobalString("b"), "plain");
}

TEST_F(ScreenInitTest, SetBitmapDefaultsTheScaleToOne) {
  TWindow* dialog = Dialog("MakeDialog { Image { name = 'pic', w = 5, h = 5 } }");
  auto* image = dynamic_cast<FakeImage*>(dialog->FindChild("pic"));
  ASSERT_NE(image, nullptr);
  Run("SetBitmap('pic', 'images/none'); SetBitmap('pic', 'images/none', 0.5); SetBitmap('nobody', 'x')");
  EXPECT_EQ(image->calls, 2);
  EXPECT_EQ(image->lastScale, 0.5f);
  Run("loaded = ImageLoaded('pic')");
  EXPECT_EQ(GlobalString("loaded"), "false");
  image->mHas = true;
  Run("loaded = ImageLoaded('pic')");
  EXPECT_EQ(GlobalString("loaded"), "true");
}

TEST_F(ScreenInitTest, PopModalPopsDownToTheNamedWindow) {
  Dialog("");
  Run("PopModal('ui/test.lua')");
  EXPECT_EQ(manager->GetTopModal(), screen);
}

TEST_F(ScreenInitTest, SwapToModalRefillsTheTopModalInPlace) {
  TWindow* dialog = Dialog("MakeDialog { Window { name = 'old', w = 900, h = 700 } }");
  dialog->SetAnimTimer(10, true, true, false);
  AddFile("assets/ui/new.lua", "MakeDialog { Window { name = 'new', w = 30, h = 20 } }");
  Run("SwapToModal('ui/new.lua')");
  EXPECT_EQ(manager->GetTopModal(), dialog);
  EXPECT_EQ(Names(dialog), "new ");
  EXPECT_EQ(dialog->GetRect(), TRect(0, 0, 30, 20));
  EXPECT_EQ(static_cast<TModalWindow*>(dialog)->GetTaskList().Count(), 0u);
}

TEST_F(ScreenInitTest, DisplayDialogPassesItsTableAndReturnsTheResult) {
  Run("r = DisplayDialog({ '' }); depth = GetWindowDepth()");
  EXPECT_TRUE(GlobalIsNil("r"));
  EXPECT_EQ(GlobalNumber("depth"), 1);
  AddFile("assets/ui/show.lua", "shownWith = gDialogTable.text");
  StartMain("r = DisplayDialog({ 'ui/show.lua', text = 'hello' })");
  EXPECT_EQ(GlobalString("shownWith"), "hello");
  Run("CloseWindow('fine')");
  Idle(2);
  EXPECT_EQ(GlobalString("r"), "fine");
}

TEST_F(ScreenInitTest, SelectLayerGroupAndFitToChildrenAreCommands) {
  TWindow* dialog = Dialog(
      "MakeDialog { Layers { name = 'layers', w = 10, h = 10, SelectLayer(1),"
      " Group { Window { name = 'grouped', w = 300, h = 5 } } },"
      " FitToChildren() }");
  auto* layers = static_cast<TLayeredWindow*>(dialog->FindChild("layers"));
  EXPECT_EQ(layers->GetCurrentLayer(), 1u);
  EXPECT_EQ(dialog->FindChild("grouped")->GetParent(), layers);  // a group has no window
  EXPECT_EQ(layers->GetLayer(1).size(), 1u);
  EXPECT_EQ(dialog->GetWidth(), 800);  // fitted, never shrunk
  Run("SelectLayer(kAllLayers)()");    // the current window is the dialog: not layered
  EXPECT_EQ(layers->GetCurrentLayer(), 1u);
}

TEST_F(ScreenInitTest, PauseQueuesWhatArrivesAndEndsEarlyOnAKeyWhenAsked) {
  StartMain("Pause(100); paused = 1; Pause(1000, true); early = GetTimer()");
  manager->PostMessage(new TMessage(1000, "during"));
  Advance(50);
  Idle();
  EXPECT_TRUE(GlobalIsNil("paused"));
  Advance(50);
  Idle();
  EXPECT_EQ(GlobalNumber("paused"), 1);
  Run("n = table.getn(gMessageQueue); q = gMessageQueue[1].name");
  EXPECT_EQ(GlobalNumber("n"), 1);
  EXPECT_EQ(GlobalString("q"), "during");
  Advance(10);
  Click(5, 5);  // an unhandled click posts "mouse:up"
  EXPECT_EQ(GlobalNumber("early"), 1110);
}

TEST_F(ScreenInitTest, SetStateConvertsBooleansAndTexts) {
  Run("function _SetState(k, v) got = k .. '=' .. v end");
  Run("SetState(kPause, true)");
  EXPECT_EQ(GlobalString("got"), "pause=1");
  Run("SetState(3, false)");
  EXPECT_EQ(GlobalString("got"), "3=0");
  Run("SetState('level', 2.5)");
  EXPECT_EQ(GlobalString("got"), "level=2.5");
}

TEST_F(ScreenInitTest, RegisterHotkeyNeedsBothKeyAndName) {
  auto* dialog = static_cast<TModalWindow*>(Dialog(""));
  Run("RegisterHotkey('ctrl-q', 'quit'); RegisterHotkey(nil, 'x'); RegisterHotkey('ctrl-x', false)");
  EXPECT_EQ(dialog->GetKeyCommand("Control-Q"), TStr("quit"));
  EXPECT_EQ(dialog->GetKeyCommand("ctrl-x"), TStr(""));
}

}  // namespace

namespace {

// Windows and texts that count how many of them live.
int gLiveWindows = 0;
class CountedWindow : public TWindow {
 public:
  CountedWindow() { gLiveWindows++; }
  ~CountedWindow() override { gLiveWindows--; }
  static TWindow* Factory() { return new CountedWindow(); }
};
class CountedText : public TText {
 public:
  CountedText() { gLiveWindows++; }
  ~CountedText() override { gLiveWindows--; }
  static TWindow* Factory() { return new CountedText(); }
};

class DialogCycleTest : public ScreenInitTest {
 protected:
  // Closes the open dialog from outside and lets the next one open.
  void Cycle() {
    Run("CloseWindow(gCount)");
    Idle(2);
  }
};

TEST_F(DialogCycleTest, AThousandDialogsOpenAndCloseInFlatMemory) {
  manager->RegisterWindowClass("Window", &CountedWindow::Factory);
  manager->RegisterWindowClass("Text", &CountedText::Factory);
  AddFile("assets/ui/cycle.lua",
          "MakeDialog {\n"
          "  Window { name = 'panel', x = kCenter, y = kCenter, w = 300, h = 200,\n"
          "    Text { name = 'title', w = kMax, h = 30, label = 'Title ' .. gCount },\n"
          "    Window { name = 'inner', y = 40, w = 100, h = 100 },\n"
          "  },\n"
          "}\n"
          "RegisterHotkey('ctrl-q', 'panel')\n"
          "SetFocus('inner')\n"
          "PostMessage(CreateNamedMessage(1000, 'opened'))\n");
  StartMain(
      "gCount = 0\n"
      "while true do gCount = gCount + 1; gLast = DoModal('ui/cycle.lua') end");
  for (int i = 0; i < 100; i++) Cycle();
  Run("collectgarbage()");
  int luaKb = lua_getgccount(L());
  EXPECT_EQ(gLiveWindows, 3);  // the open dialog's
  for (int i = 0; i < 1000; i++) Cycle();
  Run("collectgarbage()");
  EXPECT_EQ(GlobalNumber("gCount"), 1101);
  EXPECT_EQ(GlobalNumber("gLast"), 1100);
  EXPECT_EQ(gLiveWindows, 3);
  EXPECT_EQ(manager->GetModalCount(), 2u);
  EXPECT_EQ(manager->GetQueuedCount(), 0u);
  EXPECT_EQ(script->GetWindowDepth(), 1u);
  EXPECT_LE(lua_getgccount(L()), luaKb + 2);  // kilobytes: nothing piles up in the script
  Run("n = table.getn(gMessageQueue) + table.getn(gCommandQueue); for k in gClosedWindows do n = n + 1 end");
  EXPECT_EQ(GlobalNumber("n"), 0);
  delete manager;  // the last dialog's windows go with the manager
  manager = nullptr;
  EXPECT_EQ(gLiveWindows, 0);
}

}  // namespace
