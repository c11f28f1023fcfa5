// The script functions of game objects: what a name holds as holders bind it and go, in every
// order, and when a script rebinds it meanwhile.
#include "game/shell/script_globals.h"

#include <memory>
#include <string>

#include "tests/game/shell/shell_fixture.h"

namespace {

using ScriptGlobalsTest = ShellFixture;

struct Holder {
  explicit Holder(const char* tag) : mTag(tag) {
    mGlobals.Bind("Who", this, &Holder::Who);
    mGlobals.Bind("Also", this, &Holder::Who);
  }
  TStr Who() { return mTag; }
  TStr mTag;
  TScriptGlobals mGlobals;
};

// What "Who" answers now ("nil" when it is no function).
std::string Who() {
  ShellFixture::Run("gWho = type(Who) == 'function' and Who() or tostring(Who)");
  return ShellFixture::Global("gWho");
}

TEST_F(ScriptGlobalsTest, ANameGoesBackToWhatItHeldBeforeItsHolderOnlyWhileItStillHoldsItsFunction) {
  // Steps: a/b make holder A/B (each binds "Who"), A/B destroy it, s a script binds "Who" itself.
  // After each step, what "Who" answers.
  struct Case {
    const char* steps;
    const char* before;  // the script's own "Who" before any holder, or null for none
    std::vector<std::string> answers;
  };
  const Case cases[] = {
      {"aA", nullptr, {"A", "nil"}},
      {"aA", "script", {"A", "script"}},
      {"abBA", nullptr, {"A", "B", "A", "nil"}},
      // A goes first while B holds the name: B stays, and then hands it back past A.
      {"abAB", "script", {"A", "B", "B", "script"}},
      // A script bound the name meanwhile: neither holder takes it from it.
      {"asA", nullptr, {"A", "mine", "mine"}},
      {"absBA", nullptr, {"A", "B", "mine", "mine", "mine"}},
      {"aAbB", nullptr, {"A", "nil", "B", "nil"}},
  };
  RunPlatform("", [&](TPlatform*) {
    for (const Case& c : cases) {
      Run(c.before ? std::string("function Who() return '") + c.before + "' end" : "Who = nil");
      std::unique_ptr<Holder> a, b;
      std::vector<std::string> answers;
      for (const char* step = c.steps; *step; step++) {
        switch (*step) {
          case 'a': a = std::make_unique<Holder>("A"); break;
          case 'b': b = std::make_unique<Holder>("B"); break;
          case 'A': a.reset(); break;
          case 'B': b.reset(); break;
          case 's': Run("function Who() return 'mine' end"); break;
        }
        answers.push_back(Who());
      }
      EXPECT_EQ(answers, c.answers) << c.steps << (c.before ? " over a script's own" : "");
      b.reset();
      a.reset();
    }
    // Every name a holder bound goes back.
    {
      Holder a("A");
      EXPECT_EQ(Global("Also"), "function");
    }
    EXPECT_EQ(Global("Also"), "nil");
  });
}

}  // namespace
