// End to end: the world's windows in the game, through the world tour and the credits of the
// menu, on the manual clock: Mara's moods and their cross-fade, the factories' status panels
// and the popups of their rollovers (opened by the mouse, kept while it stays, closed when it
// leaves, a click that runs the factory's command), the transitions, and the credits roll.
// Screens closed while a transition or a cross-fade still runs end them cleanly (the ASan build
// runs this too). The half-way moments are golden frames; the same screens in a real window on
// a virtual display match them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/game_run.h"
#include "tests/support/golden.h"

namespace {

// Spots on the screens (drawn for 800 x 600).
constexpr int kMenuTour[] = {138, 389}, kMenuCredits[] = {662, 389};
constexpr int kTourMara[] = {400, 244}, kTourPanels[] = {400, 304}, kTourTransitions[] = {400, 364};
constexpr int kTourBack[] = {400, 450};
constexpr int kMaraSad[] = {250, 416}, kMaraHappy[] = {550, 416}, kMaraBack[] = {400, 488};
constexpr int kChocolatePanel[] = {280, 220}, kPanelsBack[] = {400, 490};
constexpr int kFade[] = {134, 476}, kCurve[] = {626, 476}, kStageBack[] = {400, 526};
constexpr int kReturn = 13, kEscape = 27;

// The tour as a player takes it, with a capture at each moment the test looks at.
Steps Tour(const GameWorld& world) {
  Steps s;
  s.Park().Wait(10).Type("Ada").Key(kReturn).Wait(10);
  s.Click(kMenuTour[0], kMenuTour[1]).Wait(10);
  // Mara: content, then happy (half-way and done), then sad; Back while a mood still fades.
  s.Click(kTourMara[0], kTourMara[1]).Wait(25).Capture(world.File("mara.png"));
  s.Press(kMaraHappy).Park().Wait(4).Capture(world.File("mara_half.png")).Wait(20).Capture(world.File("mara_happy.png"));
  s.Press(kMaraSad).Park().Wait(2);
  s.Click(kMaraBack[0], kMaraBack[1]).Wait(5);
  // The factories: a popup beside the panel while the pointer stays on it, gone when it leaves;
  // a click that began on the popup stops the factory.
  s.Click(kTourPanels[0], kTourPanels[1]).Wait(10).Capture(world.File("panels.png"));
  std::string panel = std::to_string(kChocolatePanel[0]) + " " + std::to_string(kChocolatePanel[1]);
  s.Add("move " + panel).Wait(12).Capture(world.File("popup.png"));
  for (int dx = 8; dx <= 48; dx += 8)
    s.Add("move " + std::to_string(kChocolatePanel[0] + dx) + " " + std::to_string(kChocolatePanel[1] + dx / 2));
  s.Wait(5).Capture(world.File("popup_kept.png"));
  s.Add("move 700 120").Wait(5).Park().Wait(5).Capture(world.File("popup_gone.png"));
  s.Press(kChocolatePanel).Park().Wait(15).Capture(world.File("stopped.png"));
  s.Click(kPanelsBack[0], kPanelsBack[1]).Wait(5);
  // Transitions: the card half-way through fading out; the screen closed while it runs along
  // its curve.
  s.Click(kTourTransitions[0], kTourTransitions[1]).Wait(10).Capture(world.File("stage.png"));
  s.Press(kFade).Park().Wait(9).Capture(world.File("fade_half.png")).Wait(45);
  s.Press(kCurve).Park().Wait(3);
  s.Click(kStageBack[0], kStageBack[1]).Wait(10);
  s.Click(kTourBack[0], kTourBack[1]).Wait(10);
  // The credits, still in their pause, then rolled on; Escape leads back to the menu.
  s.Click(kMenuCredits[0], kMenuCredits[1]).Wait(20).Capture(world.File("credits.png"));
  s.Wait(40).Capture(world.File("credits_later.png"));
  s.Key(kEscape).Wait(10).Capture(world.File("menu.png"));
  s.Add("close").Wait(30).Add("quit 3");
  return s;
}

TEST(WorldWindowsTest, TheTourAndTheCreditsAnswerTheMouseAsAPlayerSeesThem) {
  GameWorld world;
  HarnessRun run = world.Run(Tour(world).text);
  ASSERT_EQ(run.result.status, 0) << run.result.out << world.Log();
  EXPECT_EQ(run.report.find("quit 3"), std::string::npos) << "the game did not end at the close button";
  std::string log = world.Log();
  EXPECT_EQ(log.find("#####"), std::string::npos) << "a label is missing from strings.xml\n" << log;
  EXPECT_EQ(log.find("Lua Error"), std::string::npos) << log;
  EXPECT_EQ(log.find("lua_resume ERROR"), std::string::npos) << log;

  // Mara's face changed with her mood (the portrait's box on the screen is 320..480 x 128..328).
  std::vector<uint32_t> mara = Frame(world.File("mara.png")), happy = Frame(world.File("mara_happy.png")),
                        half = Frame(world.File("mara_half.png"));
  EXPECT_TRUE(Differs(mara, happy, 360, 190, 440, 280));
  EXPECT_TRUE(Differs(half, happy, 360, 190, 440, 280));
  EXPECT_TRUE(Differs(half, mara, 360, 190, 440, 280));
  ExpectGolden(half, 800, 600, "tests/e2e/golden/world_mara_half.png");

  // The popup opened beside the panel, stayed while the pointer moved over the panel away from
  // it, and went when the pointer left the panel.
  std::vector<uint32_t> panels = Frame(world.File("panels.png")), popup = Frame(world.File("popup.png"));
  EXPECT_TRUE(Differs(panels, popup, 320, 260, 540, 340));
  EXPECT_FALSE(Differs(popup, Frame(world.File("popup_kept.png")), 360, 270, 540, 340));
  EXPECT_FALSE(Differs(panels, Frame(world.File("popup_gone.png")), 120, 150, 680, 400));
  ExpectGolden(popup, 800, 600, "tests/e2e/golden/world_popup.png");
  // The click stopped the chocolate factory: its panel shows the idle hint.
  EXPECT_TRUE(Differs(panels, Frame(world.File("stopped.png")), 208, 170, 358, 230));

  // The card half-way through its fade-out lets the stage through.
  std::vector<uint32_t> stage = Frame(world.File("stage.png")), fade = Frame(world.File("fade_half.png"));
  EXPECT_TRUE(Differs(stage, fade, 270, 268, 530, 440));
  ExpectGolden(fade, 800, 600, "tests/e2e/golden/world_fade_half.png");

  // The credits roll on after their pause; Escape closed them.
  std::vector<uint32_t> credits = Frame(world.File("credits.png"));
  EXPECT_TRUE(Differs(credits, Frame(world.File("credits_later.png")), 100, 100, 700, 480));
  ExpectGolden(credits, 800, 600, "tests/e2e/golden/world_credits.png");
  EXPECT_TRUE(Differs(Frame(world.File("menu.png")), credits, 0, 0, 800, 600));
}

// In a real window on a virtual display: Mara half-way into her smile and the factory's popup
// as the golden frames have them (away from the pointer).
TEST(WorldWindowsTest, TheTourAnswersTheMouseInARealWindow) {
  if (std::system("command -v xvfb-run > /dev/null 2>&1") != 0) GTEST_SKIP() << "no xvfb-run";
  GameWorld world;
  Steps s;
  // The first start is in full screen; in a window the clicks land where the screens are drawn.
  s.Wait(10).Type("Ada").Key(kReturn).AltEnter().Wait(10);
  s.Click(kMenuTour[0], kMenuTour[1]).Wait(10);
  s.Click(kTourMara[0], kTourMara[1]).Wait(25);
  s.Press(kMaraHappy).Park().Wait(4).Capture(world.File("xmara_half.png")).Wait(20);
  s.Click(kMaraBack[0], kMaraBack[1]).Wait(5);
  s.Click(kTourPanels[0], kTourPanels[1]).Wait(10);
  s.Add("move " + std::to_string(kChocolatePanel[0]) + " " + std::to_string(kChocolatePanel[1])).Wait(12);
  s.Capture(world.File("xpopup.png")).Add("close").Wait(60).Add("quit 5");
  HarnessRun run = world.RunInRealWindow(s.text);
  ASSERT_EQ(run.result.status, 0) << run.result.out << run.report;
  EXPECT_EQ(run.report.find(": quit"), std::string::npos) << run.report;
  EXPECT_FALSE(Differs(Frame(world.File("xmara_half.png")), GoldenFrame("world_mara_half.png"), 160, 60, 640, 380));
  EXPECT_FALSE(Differs(Frame(world.File("xpopup.png")), GoldenFrame("world_popup.png"), 320, 260, 560, 350));
}

}  // namespace
