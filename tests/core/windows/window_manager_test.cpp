// The window manager: the modal stack, focus, mouse trackers, message routing, deferred
// deletion and paced frames on the manual clock.
#include "core/windows/window_manager.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "core/windows/modal_window.h"
#include "core/windows/window_anim.h"
#include "tests/core/windows/window_test_support.h"

namespace {

using window_test::Collector;
using window_test::ProbeWindow;
using window_test::WindowFixture;

class WindowManagerTest : public WindowFixture {
 protected:
  // A probe modal window pushed on the stack.
  class ProbeModal : public TModalWindow {
   public:
    ProbeModal(const char* name, std::vector<std::string>* log) : mLog(log) { mName = name; }
    void OnSetFocus(TWindow* previous) override {
      mLog->push_back(std::string(mName.c_str()) + ":focus");
      TModalWindow::OnSetFocus(previous);
    }
    void Draw() override { mLog->push_back(std::string(mName.c_str()) + ":draw"); }
    std::vector<std::string>* mLog;
  };
  ProbeModal* Push(const char* name) {
    auto* m = new ProbeModal(name, &events);
    manager->PushModal(m);
    return m;
  }
  int Frames() { return host.frames; }
};

TEST_F(WindowManagerTest, PushingAModalWindowCutsTrackingAndHandsItTheFocus) {
  auto* tracker = new ProbeWindow("T", TRect(0, 0, 50, 50), &events);
  screen->AddChild(tracker, false);
  manager->AddMouseTracker(tracker);
  manager->AddMouseTracker(tracker);
  ProbeModal* dialog = Push("D");
  EXPECT_FALSE(manager->IsMouseTracker(tracker));
  EXPECT_EQ(events, (std::vector<std::string>{"T:leave", "D:focus"}));
  EXPECT_EQ(manager->GetTopModal(), dialog);
  EXPECT_EQ(dialog->GetParent(), screen);
  EXPECT_EQ(dialog->GetRect(), TRect(0, 0, 800, 600));  // sized to its parent
  EXPECT_EQ(manager->GetFocus(), dialog);
  EXPECT_EQ(script->GetCurrentWindow(), dialog);
  EXPECT_TRUE(screen->GetClock().IsPaused());
  EXPECT_FALSE(dialog->GetClock().IsPaused());
}

TEST_F(WindowManagerTest, PoppingTellsTheWindowsBeneathAndRestartsTheLevelBelow) {
  ProbeModal* first = Push("first");
  ProbeModal* second = Push("second");
  auto* inner = new ProbeWindow("inner", TRect(0, 0, 5, 5), &events);
  auto* leaf = new ProbeWindow("leaf", TRect(0, 0, 5, 5), &events);
  second->AddChild(inner, false);
  inner->AddChild(leaf, false);
  second->AddTask(new TWindowAnim(inner));
  events.clear();
  EXPECT_TRUE(first->GetClock().IsPaused());
  manager->PopModal();
  EXPECT_EQ(manager->GetTopModal(), first);
  EXPECT_EQ(second->GetParent(), nullptr);
  EXPECT_EQ(second->GetTaskList().Count(), 0u);
  EXPECT_EQ(events, (std::vector<std::string>{"first:focus", "leaf:popped", "inner:popped"}));
  EXPECT_FALSE(first->GetClock().IsPaused());
  EXPECT_EQ(script->GetCurrentWindow(), first);
  manager->PopModal();
  manager->PopModal();  // the root screen stays
  manager->PopModalsTo("_screen_");
  EXPECT_EQ(manager->GetTopModal(), screen);
  EXPECT_EQ(manager->GetModalCount(), 1u);
}

TEST_F(WindowManagerTest, PoppingToANameFindsItOnTheChainOrPopsNothing) {
  ProbeModal* a = Push("a");
  Push("b");
  Push("c");
  manager->PopModalsTo("nobody");
  EXPECT_EQ(manager->GetModalCount(), 4u);
  manager->PopModalsTo("b");  // the window under the top: two go
  EXPECT_EQ(manager->GetTopModal(), a);
  Push("d");
  manager->PopModalsTo(a->GetIdString());
  EXPECT_EQ(manager->GetTopModal(), screen);
  EXPECT_FALSE(screen->GetClock().IsPaused());
}

TEST_F(WindowManagerTest, KeysGoToTheFocusWindowOrElseTheTopModal) {
  auto* field = new ProbeWindow("field", TRect(0, 0, 5, 5), &events, true);
  screen->AddChild(field, false);
  manager->StoreFocus(nullptr);
  events.clear();
  Send(kEventKeyDown, 'A');  // the screen takes it (and posts its raw text)
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(manager->GetQueuedCount(), 0u);  // processed: delivered to the script's queue
  manager->StoreFocus(field);
  Send(kEventKeyDown, 'A');
  Send(kEventChar, 'a');
  EXPECT_EQ(events, (std::vector<std::string>{"field:key", "field:char"}));
}

TEST_F(WindowManagerTest, TrackersTakeEveryMouseEventUntilThePointerLeavesThem) {
  auto* under = new ProbeWindow("under", TRect(0, 0, 800, 600), &events, true);
  auto* tracker = new ProbeWindow("T", TRect(100, 100, 200, 200), &events, true);
  screen->AddChild(under, false);
  under->AddChild(tracker, false);
  manager->AddMouseTracker(tracker);
  events.clear();
  Send(kEventMouseMove, 0, 150, 160);
  EXPECT_EQ(events, (std::vector<std::string>{"T:move@50,60"}));
  events.clear();
  Click(500, 500);  // outside: the tracker leaves and nobody else sees the press
  EXPECT_EQ(events, (std::vector<std::string>{"T:leave", "under:up@500,500"}));
  EXPECT_FALSE(manager->IsMouseTracker(tracker));
  // Relative mouse mode: moves reach trackers unconverted and never test for leaving.
  manager->AddMouseTracker(tracker);
  host.mouseMode = 1;
  events.clear();
  Send(kEventMouseMove, 0, 3, -2);
  EXPECT_EQ(events, (std::vector<std::string>{"T:move@3,-2"}));
  manager->RemoveMouseTracker(tracker);
  events.clear();
  Send(kEventMouseMove, 0, 3, -2);  // without trackers such moves are dropped
  EXPECT_TRUE(events.empty());
}

TEST_F(WindowManagerTest, TheTrackerWalkSurvivesTrackersRemovedOnTheWay) {
  // The first tracker's leave removes the second, which then hears nothing.
  struct Remover : ProbeWindow {
    using ProbeWindow::ProbeWindow;
    bool OnMouseLeave() override {
      TWindowManager::Get()->RemoveMouseTracker(victim);
      return ProbeWindow::OnMouseLeave();
    }
    TWindow* victim = nullptr;
  };
  auto* first = new Remover("first", TRect(0, 0, 10, 10), &events);
  auto* second = new ProbeWindow("second", TRect(0, 0, 10, 10), &events);
  first->victim = second;
  screen->AddChild(first, false);
  screen->AddChild(second, false);
  manager->AddMouseTracker(first);
  manager->AddMouseTracker(second);
  events.clear();
  Send(kEventMouseMove, 0, 400, 400);
  EXPECT_EQ(events, (std::vector<std::string>{"first:leave"}));
  manager->AddMouseTracker(first);
  manager->AddMouseTracker(second);
  events.clear();
  Send(kEventMouseLost);
  EXPECT_EQ(events, (std::vector<std::string>{"first:leave"}));
}

TEST_F(WindowManagerTest, UnhandledMouseUpBecomesPressAnyKeyOnceEitherWay) {
  std::vector<std::string> seen;
  manager->AddMessageListener(new Collector(&seen));
  Click(10, 10);
  SetSetting("overlaymouse", "1");
  Click(10, 10);
  EXPECT_EQ(seen, (std::vector<std::string>{"4:mouse:up", "4:mouse:up"}));
}

TEST_F(WindowManagerTest, MessagesGoToListenersThenFocusThenTopModalOrTheirWindow) {
  auto* focus = new ProbeWindow("focus", TRect(0, 0, 5, 5), &events);
  auto* named = new ProbeWindow("named", TRect(0, 0, 5, 5), &events);
  screen->AddChild(focus, false);
  screen->AddChild(named, false);
  std::vector<std::string> seen;
  auto* listener = new Collector(&seen, false);
  manager->AddMessageListener(listener);
  events.clear();
  manager->StoreFocus(focus);
  manager->PostMessage(new TMessage(1000, "a"));
  manager->PostMessage(new TMessage(1000, "b", named));
  manager->ProcessMessages();
  EXPECT_EQ(seen, (std::vector<std::string>{"1000:a"}));  // only what names no window
  EXPECT_EQ(events, (std::vector<std::string>{"focus:msg1000=a", "named:msg1000=b"}));
  EXPECT_TRUE(manager->RemoveMessageListener(listener));
  EXPECT_FALSE(manager->RemoveMessageListener(listener));
  delete listener;
  manager->StoreFocus(nullptr);
  manager->PostMessage(new TMessage(1000, "c"));
  manager->PostMessage(new TMessage(kQuitNow, ""));
  manager->ProcessMessages();
  EXPECT_TRUE(host.WasQuitPosted());
  Run("n = table.getn(gMessageQueue); last = gMessageQueue[n].name");  // the top modal, then the script
  EXPECT_EQ(GlobalString("last"), "c");
}

TEST_F(WindowManagerTest, DeletionWaitsForTheNextEventAndForgetsTheWindowEverywhere) {
  auto* parent = new ProbeWindow("parent", TRect(0, 0, 100, 100), &events);
  auto* child = new ProbeWindow("child", TRect(0, 0, 10, 10), &events);
  screen->AddChild(parent, false);
  parent->AddChild(child, false);
  manager->StoreFocus(child);
  screen->SetFocus(child);
  manager->AddMouseTracker(child);
  auto* message = new TMessage(1000, "for child", child);
  manager->PostMessage(message);
  screen->RemoveChild(parent);
  manager->ScheduleDelete(child);  // scheduled twice over: with its parent and alone
  manager->ScheduleDelete(parent);
  EXPECT_EQ(message->GetWindow(), nullptr);
  EXPECT_FALSE(manager->IsMouseTracker(child));
  EXPECT_EQ(child->GetName(), TStr("child"));  // still valid during this event
  manager->ProcessMessages();
  Send(kEventOther);  // ignored altogether
  Idle();
  EXPECT_EQ(manager->GetFocus(), nullptr);
  EXPECT_EQ(screen->GetFocusChild(), nullptr);
}

TEST_F(WindowManagerTest, FramesAreDrawnOnDemandAtMostEveryTwelveMilliseconds) {
  Idle();
  int first = Frames();
  EXPECT_EQ(first, 1);
  for (int i = 0; i < 100; i++) {
    manager->Invalidate();
    Send(kEventIdle);
  }
  EXPECT_EQ(Frames(), 1);
  Advance(11);
  Send(kEventIdle);
  EXPECT_EQ(Frames(), 1);
  Advance(1);
  Send(kEventIdle);
  EXPECT_EQ(Frames(), 2);
  Advance(100);
  Send(kEventIdle);
  EXPECT_EQ(Frames(), 2);  // nothing asked for a redraw
  Send(kEventPaint);
  EXPECT_EQ(Frames(), 3);
}

// The mouse thread asks for frames while the main thread draws them: a request made while the
// main thread is busy is answered by a frame, never lost.
TEST_F(WindowManagerTest, ARedrawAskedForByAnotherThreadIsAnswered) {
  Idle();
  std::atomic<bool> stop{false};
  std::atomic<int> asked{0};
  std::thread mouse([&] {
    while (!stop) {
      manager->Invalidate();
      ++asked;
    }
  });
  while (asked == 0) std::this_thread::yield();
  for (int frame = 0; frame < 50; frame++) {
    Advance(12);
    Send(kEventIdle);
  }
  stop = true;
  mouse.join();
  Advance(12);
  Send(kEventIdle);
  EXPECT_FALSE(manager->NeedsRedraw());
  EXPECT_GT(Frames(), 1);
}

TEST_F(WindowManagerTest, InactiveWindowsDrawEveryTwoHundredMillisecondsUnlessHosted) {
  struct Case {
    bool pq, embedded;
    uint32_t interval;
  } cases[] = {{false, false, 200}, {true, false, 12}, {false, true, 12}};
  for (const Case& c : cases) {
    host.active = false;
    host.pq = c.pq;
    host.embedded = c.embedded;
    Advance(1000);
    manager->Invalidate();
    Send(kEventIdle);
    int frames = Frames();
    manager->Invalidate();
    Advance(c.interval - 1);
    Send(kEventIdle);
    EXPECT_EQ(Frames(), frames);
    Advance(1);
    Send(kEventIdle);
    EXPECT_EQ(Frames(), frames + 1) << c.interval;
  }
}

TEST_F(WindowManagerTest, NoFrameWhileAFlipRunsOrAMoviePlaysAndARefusedFrameIsRetried) {
  Advance(100);
  host.frameDone = false;
  Send(kEventIdle);
  EXPECT_EQ(Frames(), 0);
  host.frameDone = true;
  manager->SetMoviePlaying(true);
  Send(kEventIdle);
  EXPECT_EQ(Frames(), 0);
  manager->SetMoviePlaying(false);
  host.beginSucceeds = false;
  Send(kEventIdle);
  EXPECT_EQ(host.beginCalls, 1);
  EXPECT_TRUE(manager->NeedsRedraw());
  host.beginSucceeds = true;
  Advance(12);
  Send(kEventIdle);
  EXPECT_EQ(Frames(), 1);
  EXPECT_FALSE(manager->NeedsRedraw());
}

TEST_F(WindowManagerTest, TheStackIsDrawnFromTheHighestOpaqueFullScreenWindow) {
  ProbeModal* low = Push("low");
  ProbeModal* high = Push("high");
  events.clear();
  Advance(20);
  Idle();
  EXPECT_EQ(events, (std::vector<std::string>{"low:draw", "high:draw"}));
  // A cover of high's size makes high opaque: low (and the screen) are not drawn.
  auto* cover = new ProbeWindow("cover", TRect(0, 0, 800, 600), &events);
  high->AddChild(cover, false);
  cover->SetFlags(cover->GetFlags() | kWindowOpaque);
  EXPECT_TRUE(high->GetFlags() & kWindowOpaque);
  events.clear();
  Advance(20);
  manager->Invalidate();
  Idle();
  EXPECT_EQ(events, (std::vector<std::string>{"high:draw", "cover:draw"}));
  manager->SetTopModalOnly(true);
  cover->SetSize(10, 10);  // no longer a cover
  EXPECT_FALSE(high->GetFlags() & kWindowOpaque);
  events.clear();
  Advance(20);
  Idle();
  EXPECT_EQ(events, (std::vector<std::string>{"high:draw", "cover:draw"}));
  (void)low;
}

TEST_F(WindowManagerTest, TheScreenClearsOnlyWhileOnTopUnlessItAlwaysFills) {
  Advance(20);
  Idle();
  ASSERT_EQ(host.fills.size(), 1u);
  EXPECT_EQ(host.fills[0], TRect(0, 0, 800, 600));
  Push("dialog");
  Advance(20);
  Idle();
  EXPECT_EQ(host.fills.size(), 1u);  // the screen is drawn, not cleared
  screen->SetFill(true, false);
  manager->Invalidate();
  Advance(20);
  Idle();
  EXPECT_EQ(host.fills.size(), 2u);
}

TEST_F(WindowManagerTest, TheRootScreenIsMadeWhenTheFirstDisplayModeAsksForItsRectangle) {
  TWindowManager fresh;  // a manager of its own, as the platform makes it
  window_test::RecordingHost freshHost;
  freshHost.SetViewport(TRect(0, 0, 640, 480));
  fresh.SetHost(&freshHost);
  int left, top, right, bottom;
  fresh.GetRootRect(left, top, right, bottom);
  ASSERT_NE(fresh.GetScreen(), nullptr);
  EXPECT_EQ(TRect(left, top, right, bottom), TRect(0, 0, 640, 480));
  EXPECT_EQ(fresh.GetTopModal(), fresh.GetScreen());
  // Cleared under every frame, whatever lies above it.
  fresh.PushModal(new TModalWindow());
  Advance(20);
  TPlatformEvent idle;
  idle.type = kEventIdle;
  fresh.HandleEvent(idle);
  EXPECT_EQ(freshHost.fills.size(), 1u);
}

TEST_F(WindowManagerTest, TearingDownDeletesListenersWindowsAndQueuedMessages) {
  std::vector<std::string> seen;
  manager->AddMessageListener(new Collector(&seen));
  Push("dialog")->AddChild(new ProbeWindow("w", TRect(0, 0, 5, 5), &events), false);
  manager->PostMessage(new TMessage(1000, "never"));
  delete manager;  // the sanitizer build checks that nothing leaks
  manager = nullptr;
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(TWindowManager::Get(), nullptr);
}

}  // namespace
