// End to end: the editors from the menu. The curve editor as an author uses it (points added
// with A held, one dragged, a click made while D is held that changes nothing, C for the scene
// line, read from the clipboard); the same editor lying in a port, where a click on a walking
// figure hands its path over and a drag reshapes it; the shop's sign; the recipe designer's
// arrows, random design and mirror. Golden frames of each screen.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/game_run.h"
#include "tests/support/golden.h"
#include "tests/support/host_file.h"

namespace {

constexpr int kReturn = 13, kEscape = 27, kKeyA = 65, kKeyC = 67, kKeyD = 68;
constexpr int kMenuEditors[] = {662, 445};
constexpr int kCurve[] = {400, 231}, kPort[] = {400, 287}, kSign[] = {400, 343}, kRecipe[] = {400, 399};
constexpr int kRecipeMirror[] = {504, 354};

// A press and release where the pointer is sent, without parking it.
Steps& Press(Steps& s, int x, int y) {
  std::string at = std::to_string(x) + " " + std::to_string(y);
  return s.Add("move " + at).Add("button left down " + at).Add("button left up " + at);
}
Steps& Drag(Steps& s, int x0, int y0, int x1, int y1) {
  std::string from = std::to_string(x0) + " " + std::to_string(y0), to = std::to_string(x1) + " " + std::to_string(y1);
  return s.Add("move " + from).Add("button left down " + from).Add("move " + to).Add("button left up " + to);
}
Steps& Hold(Steps& s, int key, bool down) { return s.Add("key " + std::to_string(key) + (down ? " down" : " up")); }

TEST(EditorsTest, TheCurveEditorAloneAndInAPortWritesTheSceneLine) {
  GameWorld world;
  Steps s;
  s.Park().Wait(10).Type("Ada").Key(kReturn).Wait(10);
  s.Click(kMenuEditors[0], kMenuEditors[1]).Wait(5).Capture(world.File("editors.png"));
  s.Click(kCurve[0], kCurve[1]).Wait(10);
  // Cocoa Cove at half size, centred: a window point is 200, 150 plus half the scene point.
  Hold(s, kKeyA, true);
  for (auto [x, y] : {std::pair{260, 420}, {360, 400}, {460, 440}, {560, 415}}) Press(s, x, y);
  Hold(s, kKeyA, false);
  Drag(s, 360, 400, 360, 380);  // the second point, to (320, 460)
  Hold(s, kKeyD, true);
  Drag(s, 460, 440, 470, 300);  // ignored, on a point or not
  Hold(s, kKeyD, false);
  s.Key(kKeyC).Add("clipboard " + world.File("alone.txt")).Park().Wait(30).Capture(world.File("curve.png"));
  s.Key(kEscape).Wait(5);
  // In the port: a click on the walker hands its path over; its third point, (520, 580) where
  // the scene is the port's own, is dragged up to (520, 560). The walker is near (140, 533) by
  // then: clicks along its way find it however far it got (a click beside it changes nothing).
  s.Click(kPort[0], kPort[1]).Wait(110).Capture(world.File("port.png"));
  for (int x = 110; x <= 170; x += 6) Press(s, x, 533);
  s.Key(kKeyC).Add("clipboard " + world.File("walker.txt"));
  Drag(s, 520, 580, 520, 560).Key(kKeyC).Add("clipboard " + world.File("moved.txt"));
  s.Park().Wait(20).Capture(world.File("port_path.png"));
  s.Key(kEscape).Wait(5).Key(kEscape).Wait(10).Add("close").Wait(30);
  HarnessRun run = world.Run(s.text);
  ASSERT_EQ(run.result.status, 0) << run.result.out << world.Log() << run.report;
  std::string log = world.Log();
  for (const char* bad : {"#####", "Lua Error", "lua_resume ERROR"}) EXPECT_EQ(log.find(bad), std::string::npos) << log;

  EXPECT_EQ(ReadHostFile(world.File("alone.txt")),
            "CreateSprite(, { image='ports/animations/walker', time=5000, motion='loop', layer=4, scaleFar=1.000, "
            "scaleNear=1.000, path={{120,540},{320,460},{520,580},{720,530},}, })");
  EXPECT_EQ(ReadHostFile(world.File("walker.txt")),
            "CreateSprite(, { image='ports/animations/walker', time=5000, motion='loop', layer=0, scaleFar=1.000, "
            "scaleNear=1.000, path={{40,540},{260,500},{520,580},{760,530},}, })");
  EXPECT_EQ(ReadHostFile(world.File("moved.txt")),
            "CreateSprite(, { image='ports/animations/walker', time=5000, motion='loop', layer=0, scaleFar=1.000, "
            "scaleNear=1.000, path={{40,540},{260,500},{520,560},{760,530},}, })");
  ExpectGolden(Frame(world.File("editors.png")), 800, 600, "tests/e2e/golden/editors_menu.png");
  ExpectGolden(Frame(world.File("curve.png")), 800, 600, "tests/e2e/golden/editors_curve.png");
  std::vector<uint32_t> port = Frame(world.File("port.png")), path = Frame(world.File("port_path.png"));
  EXPECT_TRUE(Differs(port, path, 0, 480, 800, 600));
  ExpectGolden(path, 800, 600, "tests/e2e/golden/editors_port_path.png");
}

TEST(EditorsTest, TheSignAndTheRecipeDesignerAnswerTheirControls) {
  GameWorld world;
  Steps s;
  s.Park().Wait(10).Type("Ada").Key(kReturn).Wait(10);
  s.Click(kMenuEditors[0], kMenuEditors[1]).Wait(5);
  s.Click(kSign[0], kSign[1]).Wait(10).Capture(world.File("sign.png"));
  // A mark typed at the end of the name; the colour slider half-way round; the next logo.
  s.Click(410, 328).Type("!");
  s.Drag(89, 139, 397).Wait(2);
  s.Click(620, 326).Wait(10).Capture(world.File("sign_changed.png"));
  s.Key(kEscape).Wait(5);
  // The recipe: the next shape, the topping before, then a random design that settles in 2 s;
  // the sweet mirrored on its plate, and back.
  s.Click(kRecipe[0], kRecipe[1]).Wait(10).Capture(world.File("recipe.png"));
  s.Click(298, 139).Click(164, 243).Capture(world.File("recipe_arrows.png"));
  s.Click(504, 491).Wait(120).Capture(world.File("recipe_random.png"));
  s.Click(kRecipeMirror[0], kRecipeMirror[1]).Capture(world.File("recipe_mirrored.png"));
  s.Click(kRecipeMirror[0], kRecipeMirror[1]).Capture(world.File("recipe_unmirrored.png"));
  s.Key(kEscape).Wait(5).Key(kEscape).Wait(10).Add("close").Wait(30);
  HarnessRun run = world.Run(s.text);
  ASSERT_EQ(run.result.status, 0) << run.result.out << world.Log() << run.report;
  std::string log = world.Log();
  for (const char* bad : {"#####", "Lua Error", "lua_resume ERROR"}) EXPECT_EQ(log.find(bad), std::string::npos) << log;

  std::vector<uint32_t> sign = Frame(world.File("sign.png")), changed = Frame(world.File("sign_changed.png"));
  EXPECT_TRUE(Differs(sign, changed, 248, 108, 552, 232));
  ExpectGolden(sign, 800, 600, "tests/e2e/golden/editors_sign.png");
  ExpectGolden(changed, 800, 600, "tests/e2e/golden/editors_sign_changed.png");
  std::vector<uint32_t> recipe = Frame(world.File("recipe.png")), arrows = Frame(world.File("recipe_arrows.png")),
                        random = Frame(world.File("recipe_random.png"));
  std::vector<uint32_t> mirrored = Frame(world.File("recipe_mirrored.png")),
                        unmirrored = Frame(world.File("recipe_unmirrored.png"));
  EXPECT_TRUE(Differs(recipe, arrows, 190, 100, 270, 180));   // the shape
  EXPECT_TRUE(Differs(recipe, arrows, 190, 204, 270, 284));   // the topping
  EXPECT_TRUE(Differs(arrows, random, 490, 130, 690, 330));   // the plate
  EXPECT_TRUE(Differs(random, mirrored, 490, 130, 690, 330));  // the sweet turned round
  EXPECT_FALSE(Differs(random, mirrored, 190, 100, 270, 490));  // the layers' own pictures stay
  EXPECT_FALSE(Differs(random, unmirrored, 490, 130, 690, 330));
  ExpectGolden(recipe, 800, 600, "tests/e2e/golden/editors_recipe.png");
  ExpectGolden(random, 800, 600, "tests/e2e/golden/editors_recipe_random.png");
  ExpectGolden(mirrored, 800, 600, "tests/e2e/golden/editors_recipe_mirrored.png");
}

}  // namespace
