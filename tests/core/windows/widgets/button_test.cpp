// Buttons built from script tables in a dialog and driven by the mouse, hot keys, Enter and
// Escape: their looks by state, push/toggle/radio behaviour, sounds, masks, closing, commands.
#include "core/windows/widgets/button.h"

#include "core/windows/text.h"
#include "core/windows/widgets/image.h"
#include "tests/core/windows/widgets/widget_test_support.h"

namespace {

using widget_test::WidgetTest;

class ButtonTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    for (const char* name : {"a.png", "b.png", "c.png", "d.png"}) PutSolidPng(name, 40, 20);
    PushDialog();
    StartMessageLog();
  }
  TButton* Button(const char* name) { return Find<TButton>(name); }
  // Which of the button's images are shown: "image0" ... by name, joined.
  std::string Shown(const char* button) {
    std::string shown;
    for (TWindow* child : Button(button)->GetChildren())
      if (child->IsVisible() && child->IsKindOf(&TImage::GetFactory)) shown += child->GetName().c_str();
    return shown;
  }
  void Down(int x, int y) { Send(kEventLeftDown, 0, x, y); }
  void Up(int x, int y) { Send(kEventLeftUp, 0, x, y); }
  void Move(int x, int y) { Send(kEventMouseMove, 0, x, y); }
  // A click, then the pointer moves off (a button keeps the mouse while the pointer is over it).
  void Tap(int x, int y) {
    Down(x, y);
    Up(x, y);
    Move(390, 290);
  }
};

TEST_F(ButtonTest, PushButtonShowsOneImagePerState) {
  Make("Button { name = 'push', x = 10, y = 10, graphics = { 'a.png', 'b.png', 'c.png' } }");
  TButton* push = Button("push");
  ASSERT_NE(push, nullptr);
  EXPECT_EQ(push->GetRect(), TRect(10, 10, 50, 30));  // sized to its pictures
  EXPECT_EQ(Shown("push"), "image0");
  Down(20, 15);
  EXPECT_EQ(push->GetState(), TButton::kPressed);
  EXPECT_EQ(Shown("push"), "image1");
  Up(20, 15);
  EXPECT_EQ(push->GetState(), TButton::kRollover);
  EXPECT_EQ(Shown("push"), "image2");
  Move(200, 200);  // off the button: the tracker lets go
  EXPECT_EQ(push->GetState(), TButton::kNormal);
  EXPECT_EQ(Shown("push"), "image0");
  Move(20, 15);
  EXPECT_EQ(Shown("push"), "image2");
  EXPECT_EQ(Messages(), std::vector<std::string>{"3:push"});
}

TEST_F(ButtonTest, EmptyGraphicsEntryShowsTheEarlierImage) {
  Make("Button { name = 'b', graphics = { 'a.png', '', 'c.png' } }");
  Down(5, 5);
  EXPECT_EQ(Shown("b"), "image0");
  // A leading empty entry leaves its layer empty.
  Make("Button { name = 'e', x = 100, graphics = { '', 'b.png' } }");
  EXPECT_EQ(Shown("e"), "");
}

TEST_F(ButtonTest, ToggleButtonLooksFollowItsOnState) {
  Make("Button { name = 't', type = kToggle, on = true, graphics = { 'a.png', 'b.png', 'c.png', 'd.png' } }");
  TButton* t = Button("t");
  EXPECT_TRUE(t->IsOn());
  EXPECT_EQ(Shown("t"), "image1");
  Move(5, 5);
  EXPECT_EQ(Shown("t"), "image3");
  Down(5, 5);
  EXPECT_EQ(Shown("t"), "image0");
  Up(5, 5);
  EXPECT_FALSE(t->IsOn());
  EXPECT_EQ(Shown("t"), "image2");
  Run("gOn = GetButtonToggleState('t')");
  EXPECT_EQ(GlobalString("gOn"), "false");
  Run("SetButtonToggleState('t', true)");
  EXPECT_TRUE(t->IsOn());
}

// Three groups in one dialog: r1..r3 after BeginGroup, r4 and r5 after the next; loose before
// any group.
TEST_F(ButtonTest, RadioButtonsTurnOffTheirOwnGroupOnly) {
  Make("Button { name = 'loose', type = kRadio, x = 0, y = 0, w = 10, h = 10 },"
       "Button { name = 'loose2', type = kRadio, on = true, x = 0, y = 20, w = 10, h = 10 },"
       "BeginGroup(),"
       "Button { name = 'r1', type = kRadio, on = true, x = 20, y = 0, w = 10, h = 10 },"
       "Button { name = 'r2', type = kRadio, x = 20, y = 20, w = 10, h = 10 },"
       "Button { name = 'r3', type = kRadio, x = 20, y = 40, w = 10, h = 10 },"
       "BeginGroup(),"
       "Button { name = 'r4', type = kRadio, on = true, x = 40, y = 0, w = 10, h = 10 },"
       "Button { name = 'r5', type = kRadio, x = 40, y = 20, w = 10, h = 10 }");
  auto on = [&](const char* n) { return Button(n)->IsOn(); };
  // r4 starts the second group on: r1 of the first group stays on.
  EXPECT_TRUE(on("r1"));
  EXPECT_TRUE(on("r4"));
  Tap(25, 25);  // r2
  EXPECT_FALSE(on("r1"));
  EXPECT_TRUE(on("r2"));
  EXPECT_FALSE(on("r3"));
  EXPECT_TRUE(on("r4"));
  EXPECT_TRUE(on("loose2"));
  Tap(45, 25);  // r5
  EXPECT_FALSE(on("r4"));
  EXPECT_TRUE(on("r2"));
  // No group starts before a loose radio button: it turns nobody off.
  Tap(5, 5);
  EXPECT_TRUE(on("loose"));
  EXPECT_TRUE(on("loose2"));
}

TEST_F(ButtonTest, SoundsPlayOnRolloverAndOnTheClickWhileShown) {
  host.soundFiles = {"click.ogg", "over.ogg"};
  Make("Button { name = 's', w = 20, h = 20, sound = 'click.ogg', rolloversound = 'over.ogg' },"
       "Button { name = 'quiet', x = 30, w = 20, h = 20, sound = 'missing.ogg' }");
  Move(5, 5);
  Down(5, 5);
  Up(5, 5);  // back to rollover after the click
  EXPECT_EQ(host.sounds, (std::vector<std::string>{"play:over.ogg", "play:click.ogg", "play:over.ogg"}));
  host.sounds.clear();
  Move(390, 290);
  Tap(35, 5);  // a missing sound leaves the button working and silent
  EXPECT_TRUE(host.sounds.empty());
  EXPECT_EQ(Messages(), (std::vector<std::string>{"3:s", "3:quiet"}));
  // A hot key presses a disabled button without its sound.
  Run("EnableWindow('s', false) _RegisterHotkey('Ctrl-S', 's')");
  Send(kEventKeyDown, 'S', 0, 0, kModCtrl);
  EXPECT_TRUE(host.sounds.empty());
}

TEST_F(ButtonTest, HotKeysPressButtonsWhateverTheSpelling) {
  Make("Button { name = 'save', w = 20, h = 20 }");
  struct Case {
    const char* binding;
    int key, modifiers;
    bool pressed;
  } cases[] = {{"Ctrl-S", 'S', kModCtrl, true},  {"ctrl-s", 'S', kModCtrl, true},
               {"ctrl-s", 'S', 0, false},        {"Control-Alt-s", 'S', kModCtrl | kModAlt, true},
               {"@S", 'S', kModShift, true}};
  for (const Case& c : cases) {
    Run(std::string("_RegisterHotkey('") + c.binding + "', 'save')");
    Send(kEventKeyDown, c.key, 0, 0, c.modifiers);
    std::vector<std::string> got = Messages();
    // An unbound key goes to the scripts as raw text instead.
    EXPECT_EQ(got, std::vector<std::string>{c.pressed ? "3:save" : "4:raw:S"}) << c.binding;
    Run(std::string("_RegisterHotkey('") + c.binding + "', '')");
  }
}

TEST_F(ButtonTest, MaskDarkPixelsAreOutside) {
  // Left half black, right half white, 2 x 1 stretched over the 40 x 20 button.
  PutPng("mask.png", 2, 1, {0xFF000000u, 0xFFFFFFFFu});
  Make("Button { name = 'm', graphics = { 'a.png' }, mask = 'mask.png' }");
  TButton* m = Button("m");
  Down(5, 5);
  EXPECT_EQ(m->GetState(), TButton::kNormal);  // reset at once
  Up(5, 5);
  Down(30, 5);
  EXPECT_EQ(m->GetState(), TButton::kPressed);
  Up(30, 5);
  EXPECT_EQ(Messages(), std::vector<std::string>{"3:m"});  // only the press on white clicked
  Move(5, 5);
  EXPECT_EQ(m->GetState(), TButton::kNormal);
}

TEST_F(ButtonTest, CloseButtonClosesItsModalAndReturnsItsName) {
  Make("Button { name = 'ok', close = true, w = 20, h = 20,"
       "  command = function() gSeen = gReturnValue .. '@' .. gLog end }");
  std::string id = GlobalString("gDialogId");
  Down(5, 5);
  Up(5, 5);
  // The command ran inside the waiting script, after gReturnValue was set and before any
  // message reached the script.
  EXPECT_EQ(GlobalString("gSeen"), "ok@");
  EXPECT_EQ(GlobalString("gReturnValue"), "ok");
  EXPECT_EQ(manager->GetTopModal(), screen);
  Idle();  // the closed modal window goes, telling the scripts
  EXPECT_EQ(Messages(), (std::vector<std::string>{"8:LuaAction:ok", "3:ok", "6:" + id}));
}

TEST_F(ButtonTest, SendToParentAddressesTheParentOfTheTopModal) {
  // The screen's focus child takes commands that reach the screen.
  auto* probe = new window_test::ProbeWindow("under", TRect(0, 0, 1, 1), &events);
  probe->claimType = kButtonPress;
  screen->AddChild(probe, false);
  screen->SetFocus(probe);
  Make("Button { name = 'up', sendToParent = true, w = 20, h = 20 },"
       "Button { name = 'here', x = 30, w = 20, h = 20 }");
  Button("up")->DoAction();
  Button("here")->DoAction();
  manager->ProcessMessages();
  EXPECT_EQ(events, std::vector<std::string>{"under:msg3=up"});
  EXPECT_EQ(Messages(), std::vector<std::string>{"3:here"});
}

TEST_F(ButtonTest, ButtonNameReachesTheCommandAsAValueNotAsCode) {
  const char* names[] = {"plain", "a]]b", "x]]; gInjected = true; --[[", "quote'\"\\"};
  for (const char* name : names) {
    TButton* button = new TButton();
    button->SetWindowName(name);
    manager->GetTopModal()->AddChild(button, true);
    TLuaFunction* command = Function("function() gName = GetButtonName() end");
    button->SetLuaCommand(command);
    Run("gInjected = false");
    button->DoAction();
    Run("gName = GetButtonName()");
    EXPECT_EQ(GlobalString("gName"), name);
    EXPECT_EQ(GlobalString("gInjected"), "false");
  }
}

TEST_F(ButtonTest, ActionThatRemovesTheButtonEndsTheClickQuietly) {
  Make("Button { name = 'bye', w = 20, h = 20, command = function() end },"
       "Button { name = 'bye2', x = 30, w = 20, h = 20, sendToParent = true, command = function() end }");
  for (const char* name : {"bye", "bye2"}) {
    TButton* b = Button(name);
    b->SetAction(nullptr);
    struct Remove : TButton::Action {
      void Execute(TButton* button) override {
        button->GetParent()->RemoveChild(button);
        TWindowManager::Get()->ScheduleDelete(button);
      }
    };
    b->SetAction(new Remove());
    EXPECT_FALSE(b->Press());
  }
  manager->ProcessMessages();
  // Only the button that sends to its parent still posts its command.
  EXPECT_EQ(Messages(), std::vector<std::string>{"3:bye2"});
}

// While the script's main flow sits in a plain Yield, a command runs at once. One that gives its
// own button a new command (freeing the one running) finishes, and the next press runs the new.
class ButtonCommandTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    PushDialog();
  }
};

TEST_F(ButtonCommandTest, ACommandThatReplacesItsOwnButtonsCommandRunsToItsEnd) {
  Make("Button { name = 'swap', w = 20, h = 20,"
       "  command = function() SetCommand('swap', function() second = 1 end); first = 1; return 5 end }");
  StartMain("while true do Yield() end");
  ASSERT_TRUE(script->IsYielded());
  ASSERT_EQ(script->GetWaitState(), TWindowScript::kWaitNone);
  int top = lua_gettop(L());
  Find<TButton>("swap")->DoAction();
  EXPECT_EQ(GlobalNumber("first"), 1);
  EXPECT_TRUE(GlobalIsNil("second"));
  EXPECT_EQ(lua_gettop(L()), top);
  Find<TButton>("swap")->DoAction();
  EXPECT_EQ(GlobalNumber("second"), 1);
}

TEST_F(ButtonTest, EnterAndEscapePressTheDefaultAndCancelButtons) {
  Make("Button { name = 'yes', default = true, w = 20, h = 20 },"
       "Button { name = 'no', cancel = true, x = 30, w = 20, h = 20 }");
  Send(kEventChar, 13);
  Send(kEventChar, 27);
  // A button's action posts its command and reports nothing, so the type 2 message climbs at
  // once, ahead of the posted command.
  EXPECT_EQ(Messages(), (std::vector<std::string>{"2:", "3:yes", "2:", "3:no"}));
  Run("EnableWindow('yes', false)");
  Send(kEventChar, 13);
  EXPECT_EQ(Messages(), std::vector<std::string>{"2:"});
}

TEST_F(ButtonTest, LabelChildCarriesTheButtonText) {
  Make("Button { name = 'l', w = 80, h = 20, Text { name = 'label', w = 80, h = 20, label = 'Go' } }");
  Run("gLabel = GetLabel('l') SetLabel('l', 'Stop') gAfter = GetLabel('l')");
  EXPECT_EQ(GlobalString("gLabel"), "Go");
  EXPECT_EQ(GlobalString("gAfter"), "Stop");
  // The label is in every layer: it stays shown whatever the state.
  Down(5, 5);
  EXPECT_TRUE(Find("label")->IsVisible());
}

// Windows after SelectLayer(n) in a button's table go into that state's layer only, so each
// state can carry a label of its own; kAllLayers puts the rest back into every layer.
TEST_F(ButtonTest, ChildrenAfterSelectLayerShowWithTheirStateOnly) {
  Make("Button { name = 'p', w = 80, h = 20, graphics = { 'a.png', 'b.png', 'c.png' },"
       "  SelectLayer(0), Text { name = 'label0', w = 80, h = 20 },"
       "  SelectLayer(1), Text { name = 'label1', y = 2, w = 80, h = 20 },"
       "  SelectLayer(2), Text { name = 'label2', w = 80, h = 20 },"
       "  SelectLayer(kAllLayers), Text { name = 'badge', w = 10, h = 10 } }");
  auto shown = [&] {
    std::string names;
    for (const char* name : {"image0", "image1", "image2", "label0", "label1", "label2", "badge"})
      if (Find(name) && Find(name)->IsVisible()) names += std::string(names.empty() ? "" : " ") + name;
    return names;
  };
  EXPECT_EQ(shown(), "image0 label0 badge");
  Down(5, 5);
  EXPECT_EQ(shown(), "image1 label1 badge");
  Up(5, 5);
  EXPECT_EQ(shown(), "image2 label2 badge");
  Move(300, 300);
  EXPECT_EQ(shown(), "image0 label0 badge");
}

TEST_F(ButtonTest, LayersOutOfRangeAndTearDownAreSafe) {
  Make("Button { name = 'x', graphics = { 'a.png', 'b.png', 'c.png' }, SelectLayer(7) }");
  EXPECT_NE(Log().find("no layer 7"), std::string::npos);
  Down(5, 5);
  EXPECT_TRUE(manager->IsMouseTracker(Button("x")));
  Run("DestroyWindow('x')");
  Idle();  // deleted while tracked: the tracker goes with it
  EXPECT_EQ(Find("x"), nullptr);
  Move(5, 5);
}

}  // namespace
