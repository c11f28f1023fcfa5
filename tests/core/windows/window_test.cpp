// The window tree: layout from the creation keys, event delivery and focus, hit testing, tree
// operations, flags, drawing, message climbing and animation tasks.
#include "core/windows/window.h"

#include <gtest/gtest.h>

#include "core/windows/modal_window.h"
#include "core/windows/window_anim.h"
#include "core/windows/window_spider.h"
#include "core/windows/window_style.h"
#include "tests/core/windows/window_test_support.h"

namespace {

using window_test::ProbeWindow;
using window_test::WindowFixture;

class WindowTest : public WindowFixture {
 protected:
  // A child of a parent of the given size, initialised from the keys.
  TRect Layout(const std::string& keys, int parentW = 800, int parentH = 600, TRect start = TRect()) {
    TWindow parent;
    parent.SetSize(parentW, parentH);
    auto* child = new TWindow();
    parent.AddChild(child, false);
    if (start != TRect()) {
      child->SetPosition(start.left, start.top);
      child->SetSize(start.Width(), start.Height());
    }
    std::unique_ptr<TLuaTable> table(Table("{" + keys + "}"));
    TWindowStyle style(table.get());
    child->Init(style);
    return child->GetRect();
  }
};

TEST_F(WindowTest, LayoutResolvesPositionsAndSizesAgainstTheParent) {
  struct Case {
    const char* keys;
    TRect expected;
  } cases[] = {
      {"x = 10, y = 20, w = 100, h = 50", TRect(10, 20, 110, 70)},
      {"x = kCenter, w = 100, h = 10", TRect(350, 0, 450, 10)},
      {"x = kCenter + 20, w = 100, h = 10", TRect(370, 0, 470, 10)},
      {"x = kMax - 10, w = 100, h = 10", TRect(790, 0, 890, 10)},
      {"x = kMax - 10, w = 100, h = 10, align = kHAlignRight", TRect(690, 0, 790, 10)},
      {"x = 10, w = kMax, h = 10", TRect(10, 0, 800, 10)},
      {"x = 10, w = kMax - 20, h = 10", TRect(10, 0, 780, 10)},
      {"x = -10, w = 100, h = 10", TRect(790, 0, 890, 10)},
      {"x = -10, w = 100, h = 10, align = 0", TRect(-10, 0, 90, 10)},
      {"x = 500, w = -100, h = 10", TRect(400, 0, 500, 10)},
      {"x = 400, w = 100, h = 10, align = kHAlignCenter", TRect(350, 0, 450, 10)},
      {"x = 400, w = 100, h = 10, align = kHAlignRight", TRect(300, 0, 400, 10)},
      {"x = 400, h = 10, align = kHAlignCenter", TRect(400, 0, 400, 10)},  // no size: align does nothing
      {"y = kCenter, w = 10, h = 100", TRect(0, 250, 10, 350)},
      {"y = 300, w = 10, h = 100, align = kVAlignCenter", TRect(0, 250, 10, 350)},
      {"y = 300, w = 10, h = 100, align = kVAlignBottom", TRect(0, 200, 10, 300)},
      {"y = -20, w = 10, h = 20", TRect(0, 580, 10, 600)},
      {"x = kCenter + 10, w = kMax, h = 10", TRect(20, 0, 800, 10)},  // a fill at a relative position
      {"x = 50000, h = 10", TRect()},                                // a relative position needs a size
      {"x = -5, y = 5, h = 10", TRect()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    EXPECT_EQ(Layout(c.keys), c.expected);
  }
}

TEST_F(WindowTest, LayoutKeepsWhatIsAlreadySetAndIgnoresRelativeKeysInAnEmptyParent) {
  EXPECT_EQ(Layout("x = 100, y = 100, w = 50, h = 50", 800, 600, TRect(5, 6, 25, 36)), TRect(5, 6, 25, 36));
  EXPECT_EQ(Layout("x = 100, w = 50", 800, 600, TRect(0, 6, 0, 36)), TRect(100, 6, 150, 36));
  // Any special horizontal value in a parent without width leaves both axes alone.
  EXPECT_EQ(Layout("x = kCenter, w = 100, y = 10, h = 10", 0, 600), TRect());
  EXPECT_EQ(Layout("x = 10, w = 100, y = 10, h = 10", 0, 600), TRect(10, 10, 110, 20));
  EXPECT_EQ(Layout("x = 10, w = 100, y = kMax - 5, h = 10", 800, 0), TRect());
}

// Script numbers reach the geometry saturated to 32 bits; sums of such edges used to overflow.
TEST_F(WindowTest, ExtremeGeometryIsClampedInsteadOfOverflowing) {
  constexpr int32_t kLimit = 1 << 24;
  TWindow parent;
  parent.SetPosition(INT32_MAX, INT32_MIN);
  parent.SetSize(INT32_MAX, INT32_MAX);
  auto* child = new TWindow();
  parent.AddChild(child, false);
  child->SetPosition(INT32_MAX, INT32_MAX);
  child->SetSize(INT32_MAX, INT32_MIN);
  EXPECT_EQ(parent.GetRect(), TRect(kLimit, -kLimit, 2 * kLimit, 0));
  EXPECT_EQ(child->GetScreenRect(), TRect(2 * kLimit, 0, 3 * kLimit, -kLimit));
  for (const char* keys : {"x = 1e12, y = -1e12, w = 1e12, h = -1e12", "x = -1e12, w = -1e12, h = 1e12, align = 5",
                           "x = kCenter, w = 1e12, h = 10", "x = kMax, y = kMax, w = kMax, h = kMax, align = 10"}) {
    SCOPED_TRACE(keys);
    TRect r = Layout(keys);
    for (int32_t edge : {r.left, r.top, r.right, r.bottom}) EXPECT_LE(std::abs((int64_t)edge), 4 * (int64_t)kLimit);
  }
}

TEST_F(WindowTest, ACentredWindowSizedByItsChildrenIsPlacedAfterThem) {
  TWindow parent;
  parent.SetSize(800, 600);
  auto* window = new TWindow();
  parent.AddChild(window, false);
  std::unique_ptr<TLuaTable> table(Table("{ x = kCenter, fit = true }"));
  TWindowStyle style(table.get());
  window->Init(style);
  EXPECT_EQ(window->GetRect(), TRect());
  auto* inner = new TWindow();
  inner->SetPosition(0, 0);
  inner->SetSize(100, 40);
  window->AddChild(inner, false);
  auto* behind = new TWindow();
  behind->SetPosition(-50, -50);
  behind->SetSize(20, 20);  // reaches no further than the origin: adds nothing
  window->AddChild(behind, false);
  window->PostChildrenInit(style);
  EXPECT_EQ(window->GetRect(), TRect(350, 0, 450, 40));
  window->SetSize(500, 500);
  window->FitToChildren();  // never shrinks
  EXPECT_EQ(window->GetWidth(), 500);
}

// A visitor may take the child it is given out of the tree and delete it, walking either way;
// the walk goes on with the next child and stops at the first false.
TEST_F(WindowTest, AChildWalkSurvivesTheVisitorDeletingTheCurrentChild) {
  struct Deleter : TWindowSpider {
    TWindow* parent = nullptr;
    std::string stopAt, seen;
    bool Process(TWindow* child) override {
      std::string name = child->GetName().c_str();
      seen += name;
      parent->RemoveChild(child);
      delete child;
      return name != stopAt;
    }
  };
  struct Case {
    bool reverse;
    const char* stopAt;
    const char* seen;
    const char* left;
  } cases[] = {{false, "", "1234", ""}, {true, "", "4321", ""}, {false, "2", "12", "34"}, {true, "3", "43", "12"},
               {true, "4", "4", "123"}, {true, "1", "4321", ""}};
  for (const Case& c : cases) {
    TWindow parent;
    for (const char* name : {"4", "3", "2", "1"}) {  // each goes in at the front
      auto* child = new TWindow();
      child->SetWindowName(name);
      parent.AddChild(child, false);
    }
    Deleter deleter;
    deleter.parent = &parent;
    deleter.stopAt = c.stopAt;
    EXPECT_EQ(parent.ForEachChild(deleter, c.reverse), *c.stopAt == 0 || std::string(c.seen).back() != *c.stopAt);
    std::string left;
    for (TWindow* w : parent.GetChildren()) left += w->GetName().c_str();
    EXPECT_EQ(deleter.seen, c.seen) << c.reverse << " " << c.stopAt;
    EXPECT_EQ(left, c.left) << c.reverse << " " << c.stopAt;
  }
}

// Container C (focusable) holds A on top of B; both overlap. M is the modal window.
class WindowEventTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    modal = new TModalWindow();
    modal->SetWindowName("M");
    manager->PushModal(modal);
    c = new ProbeWindow("C", TRect(100, 100, 400, 400), &events);
    c->SetFlagsRaw(c->GetFlags() | kWindowFocusable);
    b = new ProbeWindow("B", TRect(50, 50, 150, 150), &events);
    a = new ProbeWindow("A", TRect(10, 10, 110, 110), &events);
    modal->AddChild(c, false);
    c->AddChild(b, false);
    c->AddChild(a, false);  // the front: hit first
    bInner = new ProbeWindow("B2", TRect(0, 0, 100, 100), &events);
    b->AddChild(bInner, false);
    manager->StoreFocus(nullptr);
    events.clear();
  }
  // Delivers to A with the point in A's coordinates.
  bool ToA(int32_t type, int32_t param, int x, int y) {
    TPlatformEvent e;
    e.type = type;
    e.param = param;
    e.x = x;
    e.y = y;
    return a->HandleEvent(e, false);
  }
  TModalWindow* modal;
  ProbeWindow *a, *b, *bInner, *c;
};

TEST_F(WindowEventTest, UnhandledEventsTravelToSiblingsBeneathOnlyWhenTheyAreMouseEvents) {
  struct Case {
    int32_t type;
    int32_t param;
    std::vector<std::string> expected;
  } cases[] = {
      // A right-button event over B reaches B's deepest window, then B, then the parent C.
      {kEventButton, 1, {"A:other@50,50", "B2:other@10,10", "B:other@10,10", "C:other@60,60"}},
      {kEventLeftUp, 0, {"A:up@50,50", "B2:up@10,10", "B:up@10,10", "C:up@60,60"}},
      // A key has no position: it climbs the parents, never sideways.
      {kEventKeyDown, 'K', {"A:key", "C:key"}},
      {kEventChar, 'k', {"A:char", "C:char"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    events.clear();
    EXPECT_FALSE(ToA(c.type, c.param, 50, 50));
    EXPECT_EQ(events, c.expected);
  }
}

TEST_F(WindowEventTest, AModalWindowStopsUnhandledEventsAndPostsTheirTexts) {
  ToA(kEventKeyDown, 'Q', 5, 5);
  ToA(kEventLeftUp, 0, 5, 5);
  ASSERT_EQ(manager->GetQueuedCount(), 2u);
  SetSetting("overlaymouse", "1");
  ToA(kEventLeftUp, 0, 5, 5);
  EXPECT_EQ(manager->GetQueuedCount(), 2u);
  std::vector<std::string> names;
  manager->AddMessageListener(new window_test::Collector(&names));
  manager->ProcessMessages();
  EXPECT_EQ(names, (std::vector<std::string>{"4:raw:Q", "4:mouse:up"}));
}

TEST_F(WindowEventTest, APressGivesTheFocusToTheNearestFocusableWindowOnce) {
  a->SetHandles(true);
  EXPECT_TRUE(ToA(kEventLeftDown, 0, 5, 5));
  EXPECT_EQ(manager->GetFocus(), c);
  EXPECT_EQ(events, (std::vector<std::string>{"A:down@5,5", "C:focus<null"}));
  events.clear();
  ToA(kEventLeftDown, 0, 5, 5);  // again: told even though it has the focus
  EXPECT_EQ(events.back(), "C:focus<C");
  // A press that travels on assigns the focus only once.
  a->SetHandles(false);
  events.clear();
  ToA(kEventLeftDown, 0, 50, 50);
  int focusCalls = 0;
  for (const std::string& e : events) focusCalls += e.find("focus") != std::string::npos;
  EXPECT_EQ(focusCalls, 1);
  // A press on the modal's own area makes the modal the focus window, which passes it on.
  modal->SetFocus(b);
  manager->StoreFocus(nullptr);
  events.clear();
  TPlatformEvent e;
  e.type = kEventLeftDown;
  e.x = 700;
  e.y = 500;
  modal->HandleEvent(e, false);
  EXPECT_EQ(manager->GetFocus(), b);
  EXPECT_EQ(events, (std::vector<std::string>{"B:focus<null"}));
}

TEST_F(WindowEventTest, HitTestingSkipsDisabledWindowsAndChains) {
  EXPECT_EQ(modal->HitTest(TPoint(160, 160), -1), a);
  EXPECT_EQ(modal->HitTest(TPoint(240, 240), -1), bInner);
  EXPECT_EQ(modal->HitTest(TPoint(160, 160), 1), nullptr);  // ran out of depth
  EXPECT_EQ(modal->HitTest(TPoint(160, 160), 0), nullptr);
  EXPECT_EQ(modal->HitTest(TPoint(10, 10), 1), modal);
  DisableWindowSafe(a);
  EXPECT_EQ(modal->HitTest(TPoint(160, 160), -1), bInner);
  DisableWindowSafe(c);  // the whole chain under C goes
  EXPECT_EQ(modal->HitTest(TPoint(240, 240), -1), modal);
  EnableWindowSafe(c);
  EnableWindowSafe(nullptr);
  EXPECT_EQ(modal->HitTest(TPoint(240, 240), -1), bInner);
  TPoint p(5, 5);
  bInner->LocalToScreen(p);
  EXPECT_EQ(p, TPoint(155, 155));
  bInner->ScreenToLocal(p);
  EXPECT_EQ(p, TPoint(5, 5));
  EXPECT_EQ(bInner->GetScreenRect(), TRect(150, 150, 250, 250));
}

TEST_F(WindowEventTest, ChildOrderFindingAndFlags) {
  auto order = [&] {
    std::string s;
    for (TWindow* w : c->GetChildren()) s += w->GetName().c_str();
    return s;
  };
  auto* d = new ProbeWindow("D", TRect(0, 0, 1, 1), &events);
  c->AddChild(d, false);
  EXPECT_EQ(order(), "DAB");
  struct Case {
    TWindow* window;
    int mode;
    TWindow* reference;
    const char* expected;
  } cases[] = {
      {d, 0, nullptr, "ABD"}, {d, 1, nullptr, "DAB"}, {d, 2, nullptr, "DAB"}, {a, 2, nullptr, "ADB"},
      {b, 3, nullptr, "ADB"}, {a, 3, nullptr, "DAB"}, {b, 9, d, "BDA"},      {b, 9, nullptr, "DAB"},
  };
  for (const Case& k : cases) {
    k.window->ChangeOrder(k.mode, k.reference);
    EXPECT_EQ(order(), k.expected) << k.mode;
  }
  EXPECT_EQ(c->FindChild("B2", -1), bInner);
  EXPECT_EQ(c->FindChild("B2", 1), nullptr);
  EXPECT_EQ(c->FindChild("C", 0), c);
  EXPECT_EQ(c->FindChild("A", 0), nullptr);

  a->SetFlagsRaw(0x1FF);
  a->SetFlags(0xFFFF0000u | 0x0800u);
  EXPECT_EQ(a->GetFlags(), 0x08FFu);  // bits 0-7 kept, 8-15 replaced, 16-31 cleared
  EXPECT_EQ(a->GetIdString(), TStr::Format("%8x", a->GetSerial()));
  std::unique_ptr<TWindow> made(CallWindowFactory(&TWindow::GetFactory));
  EXPECT_STREQ(made->GetClassName(), "TWindow");
  EXPECT_EQ(CallWindowFactory(&TModalWindow::ClassId), nullptr);
}

TEST_F(WindowEventTest, DrawingGoesBackToFrontInsideClipsAndSkipsModalAndDisabledChildren) {
  auto* nested = new TModalWindow();
  c->AddChild(nested, false);
  auto* outside = new ProbeWindow("X", TRect(1000, 1000, 1010, 1010), &events);
  c->AddChild(outside, false);
  EXPECT_TRUE(c->DrawTree(kPassNormal));
  EXPECT_EQ(events, (std::vector<std::string>{"C:draw", "B:draw", "B2:draw", "A:draw"}));
  events.clear();
  DisableWindowSafe(b);
  EXPECT_TRUE(c->DrawTree(kPassNormal));
  EXPECT_EQ(events, (std::vector<std::string>{"C:draw", "A:draw"}));
  events.clear();
  EXPECT_FALSE(b->DrawTree(kPassNormal));
  // The render-target pass draws a window only under a parent already drawn in it.
  EnableWindowSafe(b);
  events.clear();
  EXPECT_FALSE(c->DrawTree(kPassRenderTarget));
  c->SetFlagsRaw(c->GetFlags() | kWindowDrawnInTarget);
  b->SetFlagsRaw(b->GetFlags() | kWindowRenderTarget);
  EXPECT_TRUE(b->DrawTree(kPassRenderTarget));
  EXPECT_EQ(events, (std::vector<std::string>{"B:draw"}));
  EXPECT_TRUE(b->GetFlags() & kWindowDrawnInTarget);
  EXPECT_FALSE(b->DrawTree(kPassAfterTarget));
}

TEST_F(WindowEventTest, MessagesClimbToTheModalWindowThenToItsFocusChildThenToTheScript) {
  StartMain("repeat m = WaitForMessage() until m; got = m.name");
  modal->SetFocus(b);
  a->BubbleMessage(new TMessage(1000, "up"));
  EXPECT_EQ(events, (std::vector<std::string>{"A:msg1000=up", "C:msg1000=up", "B:msg1000=up"}));
  EXPECT_EQ(GlobalString("got"), "up");
  events.clear();
  b->claimType = 1000;
  a->BubbleMessage(new TMessage(1000, "claimed"));
  EXPECT_EQ(events.back(), "B:msg1000=claimed");
  // A chain that ends without a modal window drops the message.
  TWindow loose;
  loose.BubbleMessage(new TMessage(1000, "lost"));
}

TEST_F(WindowEventTest, AnimationsRunInTheModalTaskListOnItsClockAndEndWithTheWindow) {
  a->SetAnimTimer(10, true, true, false);
  ASSERT_NE(a->GetAnim(), nullptr);
  EXPECT_EQ(a->GetAnim()->GetClock(), &modal->GetClock());
  EXPECT_EQ(modal->GetTaskList().Count(), 1u);
  Advance(10);
  modal->RunTasks(0);
  EXPECT_EQ(events, (std::vector<std::string>{"A:anim"}));
  modal->GetClock().Pause();  // another modal on top
  Advance(50);
  modal->RunTasks(0);
  EXPECT_EQ(events.size(), 1u);
  modal->GetClock().Start();
  Advance(10);
  modal->RunTasks(0);
  EXPECT_EQ(events.size(), 2u);
  a->DetachAnim();
  EXPECT_EQ(a->GetAnim() != nullptr, true);  // a new task on demand
  c->RemoveChild(a);
  delete a;  // the task loses its window and ends at its next run
  Advance(10);
  modal->RunTasks(0);
  modal->RunTasks(0);
  EXPECT_EQ(modal->GetTaskList().Count(), 0u);
  TWindow detached;
  EXPECT_EQ(detached.GetAnim(), nullptr);  // not under a modal window
}

}  // namespace
