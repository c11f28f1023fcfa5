// The game-state store, its handlers and plug-in modules.
#include "core/base/game_state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/dll_game_state.h"
#include "tests/support/host_file.h"

namespace {

struct Recorder : TGameStateHandler {
  std::vector<std::string>* seen;
  bool consume;
  Recorder(std::vector<std::string>* s, bool c) : seen(s), consume(c) {}
  bool HandleEvent(const char* key, const char* value) override {
    seen->push_back(std::string(key) + "=" + value);
    return consume;
  }
  const char* Query(const char* key, const char* current) override {
    return std::string(key) == "asked" ? "answer" : current;
  }
};

class GameStateTest : public ::testing::Test {
 protected:
  void SetUp() override { store = TGameState::Create(); }
  void TearDown() override { TGameState::Destroy(); }
  TGameState* store = nullptr;
};

TEST_F(GameStateTest, IncrementKeyAddsOneToTheNamedState) {
  store->SetState("score", "41");
  store->SetState("++score", "ignored");
  EXPECT_EQ(store->GetState("score"), TStr("42"));
  store->SetState("++fresh", "");
  EXPECT_EQ(store->GetState("fresh"), TStr("1"));
  EXPECT_EQ(store->GetState("never"), TStr());
}

TEST_F(GameStateTest, FirstConsumingHandlerHidesTheChangeFromLaterOnes) {
  std::vector<std::string> first, second;
  store->AddHandler(new Recorder(&first, true));
  store->AddHandler(new Recorder(&second, false));
  store->SetState("level", "3");
  EXPECT_EQ(first, std::vector<std::string>{"level=3"});
  EXPECT_TRUE(second.empty());
  EXPECT_EQ(store->GetState("level"), TStr("3"));  // stored all the same
  EXPECT_EQ(store->GetState("asked"), TStr("answer"));
}

std::string Module(const char* name) {
  return std::string(getenv("ORVELLA_BIN_DIR")) + "/" + name;
}

TEST(DllGameStateTest, ModulesLoadOrAreDiscarded) {
  std::string trace = std::string(getenv("ORVELLA_APPDATA_DIR")) + "/trace.txt";
  setenv("KSMOD_TRACE", trace.c_str(), 1);
  struct Case {
    const char* file;
    bool loads;
    const char* calls;  // what the module saw, load to destruction
  } cases[] = {
      {"valid.ksmod", true, "create\nconsume\ndestroy\n"},
      {"nodestroy.ksmod", false, ""},  // "CreateHandler" is never called
      {"nullhandler.ksmod", false, "create\n"},
      {"missing.ksmod", false, ""},
  };
  for (const Case& c : cases) {
    remove(trace.c_str());
    auto* module = new TDllGameState;
    EXPECT_EQ(module->Load(TStr(("::" + Module(c.file)).c_str())), c.loads) << c.file;
    if (c.loads) {
      EXPECT_TRUE(module->HandleEvent("consume", "1"));
      EXPECT_STREQ(module->Query("module", "mine"), "answered");
      EXPECT_STREQ(module->Query("other", "mine"), "mine");
    } else {
      EXPECT_FALSE(module->HandleEvent("consume", "1"));
      EXPECT_STREQ(module->Query("module", "mine"), "mine");
    }
    delete module;
    EXPECT_EQ(ReadHostFile(trace), c.calls) << c.file;
  }
  unsetenv("KSMOD_TRACE");
}

}  // namespace
