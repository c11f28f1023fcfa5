// The modal window: hot keys, Enter and Escape, covers, its close notice and its layout.
#include "core/windows/modal_window.h"

#include <gtest/gtest.h>

#include "core/windows/window_style.h"
#include "tests/core/windows/window_test_support.h"

namespace {

using window_test::Collector;
using window_test::FakeButton;
using window_test::ProbeWindow;
using window_test::WindowFixture;

class ModalWindowTest : public WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    dialog = new TModalWindow();
    manager->PushModal(dialog);
  }
  TModalWindow* dialog;
};

TEST_F(ModalWindowTest, KeyNamesNormalize) {
  struct Case {
    const char* name;
    const char* expected;
  } cases[] = {
      {"Control-Alt-s", "ctrl-alt-S"}, {"alt-ctrl-S", "ctrl-alt-S"}, {"SHIFT-x", "shift-X"}, {"@q", "@Q"},
      {"s", "S"},                      {"@", "@"},                   {"", ""},             {"ctrl-\xe9", "ctrl-\xe9"},
  };
  for (const Case& c : cases) EXPECT_EQ(NormalizeKeyName(c.name), TStr(c.expected)) << c.name;
}

TEST_F(ModalWindowTest, HotKeysPressTheirButtonAndAreConsumedEvenWhenItIsMissing) {
  auto* save = new FakeButton("save", 0, &events);
  dialog->AddChild(save, false);
  dialog->SetKeyCommand("Ctrl-S", "save");
  EXPECT_EQ(dialog->GetKeyCommand("control-s"), TStr("save"));
  EXPECT_TRUE(dialog->OnKeyDown('S', kModCtrl));
  EXPECT_FALSE(dialog->OnKeyDown('S', 0));
  dialog->SetKeyCommand("@q", "save");
  EXPECT_TRUE(dialog->OnKeyDown('Q', kModShift));  // no "shift-Q": the raw key binding
  EXPECT_EQ(events, (std::vector<std::string>{"save:press", "save:press"}));
  dialog->SetKeyCommand("ctrl-s", "");  // unbound
  EXPECT_FALSE(dialog->OnKeyDown('S', kModCtrl));
  dialog->SetKeyCommand("F", "gone");
  EXPECT_TRUE(dialog->OnKeyDown('F', 0));
  EXPECT_NE(Log().find("ERROR: Hot key button not found. Button:'gone'"), std::string::npos);
}

// Enter and Escape press the enabled default and cancel buttons; unless the action reports that
// it handled the key, a type 2 message climbs to the script as it does without a button.
TEST_F(ModalWindowTest, EnterAndEscapePressTheEnabledDefaultAndCancelButtons) {
  auto* panel = new ProbeWindow("panel", TRect(0, 0, 100, 100), &events);
  auto* ok = new FakeButton("ok", kButtonDefault, &events);
  auto* cancel = new FakeButton("cancel", kButtonCancel, &events);
  dialog->AddChild(panel, false);
  panel->AddChild(ok, false);
  dialog->AddChild(cancel, false);
  manager->StoreFocus(nullptr);
  EXPECT_FALSE(dialog->OnChar('x'));
  struct Case {
    uint8_t key;
    bool reports, disabled;
    const char* action;  // what was pressed, empty for nothing
    int messages;        // type 2 messages that reached the script
  } cases[] = {
      {13, false, false, "ok:action", 1},
      {27, false, false, "cancel:action", 1},
      {13, true, false, "ok:action", 0},
      {27, true, false, "cancel:action", 0},
      {13, true, true, "", 1},  // a button under a disabled window is no default
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << (int)c.key << " reports " << c.reports << " disabled " << c.disabled);
    ok->actionReports = cancel->actionReports = c.reports;
    if (c.disabled) DisableWindowSafe(panel);
    events.clear();
    Run("gMessageQueue = {}");
    EXPECT_TRUE(dialog->OnChar(c.key));
    EXPECT_EQ(events, *c.action ? std::vector<std::string>{c.action} : std::vector<std::string>{});
    Run("n = table.getn(gMessageQueue); t = n > 0 and gMessageQueue[n].type or 0; name = n > 0 and gMessageQueue[n].name");
    EXPECT_EQ(GlobalNumber("n"), c.messages);
    if (c.messages) {
      EXPECT_EQ(GlobalNumber("t"), kDefaultAction);
      EXPECT_EQ(GlobalString("name"), "");
    }
  }
}

TEST_F(ModalWindowTest, ACoverOfTheModalsSizeMakesItOpaqueUntilDisabledResizedOrRemoved) {
  dialog->SetSize(300, 200);
  auto* holder = new TWindow();
  auto* cover = new TWindow();
  dialog->AddChild(holder, false);
  holder->AddChild(cover, false);
  cover->SetSize(300, 200);
  EXPECT_FALSE(dialog->GetFlags() & kWindowOpaque);
  cover->SetFlags(cover->GetFlags() | kWindowOpaque);
  EXPECT_TRUE(dialog->GetFlags() & kWindowOpaque);
  DisableWindowSafe(cover);
  EXPECT_FALSE(dialog->GetFlags() & kWindowOpaque);
  EnableWindowSafe(cover);
  EXPECT_TRUE(dialog->GetFlags() & kWindowOpaque);
  cover->SetSize(299, 200);
  EXPECT_FALSE(dialog->GetFlags() & kWindowOpaque);
  cover->SetSize(300, 200);
  // Detaching the window that holds the cover uncovers the modal.
  dialog->RemoveChild(holder);
  EXPECT_FALSE(dialog->GetFlags() & kWindowOpaque);
  EXPECT_FALSE(dialog->IsCoveredBy(cover));
  delete holder;
}

TEST_F(ModalWindowTest, ClosingPostsOneNoticeWithTheIdStringAndCloseMessagesPopDownToTheirName) {
  std::vector<std::string> seen;
  manager->AddMessageListener(new Collector(&seen));
  TStr id = dialog->GetIdString();
  TMessage unnamed(kCloseWindow, "");
  EXPECT_TRUE(dialog->OnMessage(&unnamed));
  TMessage other(kButtonPress, "x");
  EXPECT_FALSE(dialog->OnMessage(&other));
  TMessage close(kCloseWindow, id);
  EXPECT_TRUE(dialog->OnMessage(&close));
  EXPECT_EQ(manager->GetTopModal(), screen);
  Idle();
  EXPECT_EQ(seen, (std::vector<std::string>{std::string("6:") + id.c_str()}));
}

TEST_F(ModalWindowTest, AModalWindowGrowsToItsChildrenBeforeItsLayoutIsAppliedAgain) {
  auto* modal = new TModalWindow();
  screen->AddChild(modal, false);
  auto* child = new TWindow();
  child->SetSize(200, 100);
  modal->AddChild(child, false);
  std::unique_ptr<TLuaTable> table(Table("{ x = kCenter, y = kCenter }"));
  TWindowStyle style(table.get());
  modal->PostChildrenInit(style);
  EXPECT_EQ(modal->GetRect(), TRect(300, 250, 500, 350));
  screen->RemoveChild(modal);
  delete modal;
}

TEST_F(ModalWindowTest, TheFocusChildTakesTheFocusWhenTheModalGetsIt) {
  auto* field = new ProbeWindow("field", TRect(0, 0, 5, 5), &events);
  dialog->AddChild(field, false);
  dialog->SetFocus(field);  // the modal holds the focus: passed on at once
  EXPECT_EQ(manager->GetFocus(), field);
  EXPECT_EQ(events.back(), "field:focus<" + std::string(dialog->GetName().c_str()));
  manager->SetFocus(screen);
  manager->SetFocus(dialog);
  EXPECT_EQ(manager->GetFocus(), field);
}

}  // namespace
