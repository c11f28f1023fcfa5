// The window script's waiting protocol: waits with and without time-out, delivery, commands
// with and without a message, a nested modal inside a command, native calls while the script
// waits, a plain Yield, a failed resume, waits across native calls, and message ownership.
#include "core/windows/window_script.h"

#include <gtest/gtest.h>

#include "core/windows/modal_window.h"
#include "tests/core/windows/window_test_support.h"

namespace {

using window_test::ProbeWindow;
using window_test::WindowFixture;

class WindowScriptTest : public WindowFixture {};

TEST_F(WindowScriptTest, WaitsEndByTimeOutByTheNextTaskPassOrOnlyByDelivery) {
  StartMain(
      "WaitForMessage(50); step = 1\n"
      "WaitForMessage(); step = 2\n"
      "m = HandleGetMessage(); step = 3; name = m.name");
  EXPECT_EQ(script->GetWaitState(), TWindowScript::kWaitForMessage);
  Advance(49);
  Idle();
  EXPECT_TRUE(GlobalIsNil("step"));
  Advance(1);
  Idle();
  EXPECT_EQ(GlobalNumber("step"), 1);
  Idle();  // a nil time-out returns at the next pass
  EXPECT_EQ(GlobalNumber("step"), 2);
  Advance(100000);
  Idle(5);  // without any argument only a delivery ends the wait
  EXPECT_EQ(GlobalNumber("step"), 2);
  EXPECT_EQ(script->GetTimePastDue(), -1);
  script->DeliverMessage(new TMessage(1000, "late"), nullptr);
  EXPECT_EQ(GlobalNumber("step"), 3);
  EXPECT_EQ(GlobalString("name"), "late");
}

TEST_F(WindowScriptTest, AnUnclaimedMessageResumesTheWaitingScript) {
  StartMain("repeat m = WaitForMessage() until m; t = m.type; n = m.name; w = m.window; other = m.anything");
  manager->PostMessage(new TMessage(1001, "hello"));
  Idle();
  EXPECT_EQ(GlobalNumber("t"), 1001);
  EXPECT_EQ(GlobalString("n"), "hello");
  EXPECT_TRUE(GlobalIsNil("w"));
  EXPECT_TRUE(GlobalIsNil("other"));
}

TEST_F(WindowScriptTest, MessagesDeliveredWhileBusyComeBackLatestFirst) {
  script->DeliverMessage(new TMessage(1000, "one"), nullptr);
  script->DeliverMessage(new TMessage(1000, "two"), nullptr);
  StartMain("first = WaitForMessage().name; second = WaitForMessage().name");
  EXPECT_EQ(GlobalString("first"), "two");
  EXPECT_EQ(GlobalString("second"), "one");
}

TEST_F(WindowScriptTest, ACommandWithoutAMessageRunsInsideTheWaitWithATypeEightMessage) {
  std::unique_ptr<TLuaFunction> command(Function("function() ran = 'yes'; return 7 end"));
  StartMain("m = WaitForMessage(); t = m.type; n = m.name; after = ran");
  EXPECT_TRUE(script->DeliverMessage(nullptr, command.get()));
  EXPECT_EQ(GlobalNumber("t"), kCommandOnly);
  EXPECT_EQ(GlobalString("n"), "");
  EXPECT_EQ(GlobalString("after"), "yes");
  EXPECT_EQ(GlobalNumber("gYieldResult"), 7);
}

TEST_F(WindowScriptTest, ACommandQueuedWhileBusyRunsAtTheNextWait) {
  std::unique_ptr<TLuaFunction> command(Function("function() ran = (ran or 0) + 1 end"));
  script->DeliverMessage(nullptr, command.get());
  EXPECT_TRUE(GlobalIsNil("ran"));
  StartMain("WaitForMessage(); done = 1; WaitForMessage()");
  Idle();
  EXPECT_EQ(GlobalNumber("ran"), 1);
  EXPECT_EQ(GlobalNumber("done"), 1);
}

TEST_F(WindowScriptTest, ANestedModalInsideACommandReturnsTheValueGivenToCloseWindow) {
  AddFile("assets/ui/inner.lua", "MakeDialog { Window { name = 'panel', w = 40, h = 30 } }");
  StartMain("while true do local m = WaitForMessage(); if m and m.type == kCommandOnly then seen = (seen or 0) + 1 end end");
  std::unique_ptr<TLuaFunction> command(Function("function() inner = DoModal('ui/inner.lua') end"));
  script->DeliverMessage(new TMessage(kCommandOnly, "LuaAction:open"), command.get());
  ASSERT_EQ(manager->GetModalCount(), 2u);
  EXPECT_EQ(manager->GetTopModal()->GetName(), TStr("ui/inner.lua"));
  EXPECT_NE(manager->GetTopModal()->FindChild("panel"), nullptr);
  EXPECT_TRUE(GlobalIsNil("seen"));  // the command waits inside the modal

  Run("CloseWindow('done')");  // handed into the waiting coroutine
  Idle(3);
  EXPECT_EQ(manager->GetModalCount(), 1u);
  EXPECT_EQ(GlobalString("inner"), "done");
  EXPECT_TRUE(GlobalIsNil("gReturnValue"));
  EXPECT_EQ(GlobalNumber("seen"), 1);
}

TEST_F(WindowScriptTest, ANativeCallWhileTheScriptWaitsRunsInsideItAndHandsBackItsResult) {
  StartMain("while true do WaitForMessage() end");
  lua_State* state = L();
  int before = lua_gettop(state);
  script->DoLuaString("calls = (calls or 0) + 1; return GetTimer() + 1", -1, 1);
  EXPECT_EQ(GlobalNumber("calls"), 1);
  ASSERT_GT(lua_gettop(state), 0);
  EXPECT_EQ(lua_tonumber(state, -1), 1001);
  lua_settop(state, before);
  EXPECT_EQ(script->GetWaitState(), TWindowScript::kWaitForMessage);
  EXPECT_TRUE(script->IsYielded());
}

TEST_F(WindowScriptTest, APlainYieldIsNeverResumedByADeliveryOrAHandOff) {
  StartMain("WaitForMessage(); Yield(); resumed = 1; m = WaitForMessage(); got = m and m.name");
  Idle();  // the first wait returns and the script yields plainly
  EXPECT_EQ(script->GetWaitState(), TWindowScript::kWaitNone);
  ASSERT_TRUE(script->IsYielded());
  script->DeliverMessage(new TMessage(1000, "early"), nullptr);
  Run("direct = 1");
  EXPECT_EQ(GlobalNumber("direct"), 1);  // called at once
  EXPECT_TRUE(GlobalIsNil("resumed"));
  Idle();  // the task timer ends the Yield; the queued message is waiting
  EXPECT_EQ(GlobalNumber("resumed"), 1);
  EXPECT_EQ(GlobalString("got"), "early");
}

TEST_F(WindowScriptTest, AFailedResumeIsLoggedAndLaterDeliveriesAreQueued) {
  StartMain("m = WaitForMessage(); error('broken by ' .. m.name)");
  script->DeliverMessage(new TMessage(1000, "first"), nullptr);
  EXPECT_EQ(script->GetWaitState(), TWindowScript::kWaitFailed);
  EXPECT_FALSE(script->IsYielded());
  EXPECT_EQ(script->GetTimePastDue(), -1);
  EXPECT_NE(Log().find("lua_resume ERROR: "), std::string::npos);
  EXPECT_NE(Log().find("broken by first"), std::string::npos);
  script->DeliverMessage(new TMessage(1000, "second"), nullptr);
  Run("queued = table.getn(gMessageQueue); last = gMessageQueue[queued].name");
  EXPECT_EQ(GlobalNumber("queued"), 1);
  EXPECT_EQ(GlobalString("last"), "second");
}

TEST_F(WindowScriptTest, AWaitAcrossANativeCallFailsCleanlyAndChangesNothing) {
  struct Case {
    const char* call;
  } cases[] = {
      {"ok, err = pcall(WaitForMessage, 5)"},
      {"ok, err = pcall(function() table.foreachi({1}, function() WaitForMessage(5) end) end)"},
      {"ok, err = pcall(dofile, 'assets/ui/waits.lua')"},
  };
  AddFile("assets/ui/waits.lua", "WaitForMessage(5)");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.call);
    Run("ok, err = nil");
    StartMain(std::string(c.call) + "; after = 1; m = WaitForMessage(); name = m.name");
    EXPECT_EQ(GlobalString("ok"), "false");
    EXPECT_NE(GlobalString("err").find("HandleGetMessage: cannot wait for a message here"), std::string::npos)
        << GlobalString("err");
    EXPECT_EQ(GlobalNumber("after"), 1);
    EXPECT_EQ(script->GetTimePastDue(), 0);  // the real wait's timer, not the refused one's
    script->DeliverMessage(new TMessage(1000, "fine"), nullptr);
    EXPECT_EQ(GlobalString("name"), "fine");
  }
  // Outside the coroutine altogether: an error; the wait state and the timer stay.
  script->StopTimer();
  Run("WaitForMessage(30)");
  EXPECT_EQ(script->GetWaitState(), TWindowScript::kWaitNone);
  EXPECT_EQ(script->GetTimePastDue(), -1);
  EXPECT_NE(Log().find("HandleGetMessage: cannot wait for a message here"), std::string::npos);
}

TEST_F(WindowScriptTest, AScriptMessageClaimedByAWindowStaysTheScriptsOwn) {
  auto* claimer = new ProbeWindow("claimer", TRect(0, 0, 10, 10), &events);
  claimer->claimType = 1000;
  screen->AddChild(claimer, true);
  // Climbing from the claimer itself, and handed to the modal's focus child as the wrapped one.
  manager->SetFocus(claimer);
  Run("a = CreateNamedMessage(1000, 'mine'); PostMessage(a)");
  Idle();
  manager->SetFocus(screen);
  screen->SetFocus(claimer);
  manager->StoreFocus(screen);
  Run("b = CreateNamedMessage(1000, 'theirs'); PostMessage(b)");
  Idle();
  std::vector<std::string> offered;
  for (const std::string& e : events)
    if (e.find(":msg") != std::string::npos) offered.push_back(e);
  EXPECT_EQ(offered, (std::vector<std::string>{"claimer:msg1000=mine", "claimer:msg1000=theirs"}));
  Run("ta = a.type; nb = b.name; a = nil; b = nil; collectgarbage()");
  EXPECT_EQ(GlobalNumber("ta"), 1000);
  EXPECT_EQ(GlobalString("nb"), "theirs");
  EXPECT_EQ(manager->GetQueuedCount(), 0u);
}

TEST_F(WindowScriptTest, PostMessageRefusesWhatIsNotAMessage) {
  Run("ok, err = pcall(PostMessage, {}); ok2 = pcall(PostMessageToParent, 5)");
  EXPECT_EQ(GlobalString("ok"), "false");
  EXPECT_NE(GlobalString("err").find("PostMessage: the argument is not a message"), std::string::npos);
  EXPECT_EQ(GlobalString("ok2"), "false");
  EXPECT_EQ(manager->GetQueuedCount(), 0u);
}

}  // namespace
