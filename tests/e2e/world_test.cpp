// End to end: the world as a player goes through it from the menu's Play, on the manual clock.
// The map with its three ports in their states and a port's popup; an airship's journey to Bean
// Harbour (dots on the way, the arrival that opens the port); a port's scene brightening, a
// building's glow under the pointer and its click; the ledger from the town hall (two factories,
// money, rank, quest), its switch to the map and its way back; the chocolate works' factory and
// back; the coffee roastery's factory too; and the way back to the menu from every screen. A
// map left while a journey is under way ends the journey (the ASan build runs this too). Goldens: the map with a journey under way, the
// port with a glow, the ledger; the same moments in a real window on a virtual display.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/game_run.h"
#include "tests/support/golden.h"
#include "tests/support/host_file.h"

namespace {

// Spots on the screens (drawn for 800 x 600).
constexpr int kMenuPlay[] = {138, 331};
constexpr int kCocoaCove[] = {170, 420}, kBeanHarbour[] = {420, 300}, kSugarQuay[] = {630, 420};
constexpr int kMapMenu[] = {104, 558}, kMapLedger[] = {276, 558};
constexpr int kPortMap[] = {524, 42}, kPortLedger[] = {696, 42};
constexpr int kLedgerSwitch[] = {216, 452}, kLedgerClose[] = {578, 452};
constexpr int kTownHall[] = {410, 282}, kChocolateWorks[] = {160, 300}, kWarehouse[] = {640, 300};
constexpr int kFactoryLeave[] = {174, 32}, kRoastery[] = {170, 300}, kCoffeeLeave[] = {502, 68};
constexpr int kReturn = 13;

std::string At(const int spot[2]) { return std::to_string(spot[0]) + " " + std::to_string(spot[1]); }

// From the first start to the world's map.
Steps ToMap() {
  Steps s;
  s.Park().Wait(10).Type("Ada").Key(kReturn).Wait(10);
  s.Click(kMenuPlay[0], kMenuPlay[1]).Wait(10);
  return s;
}

Steps Journey(const GameWorld& world) {
  Steps s = ToMap();
  s.Capture(world.File("map.png"));
  // Sugar Quay's popup, left of its pin.
  s.Add("move " + At(kSugarQuay)).Wait(12).Capture(world.File("popup.png"));
  s.Add("move 600 300").Wait(3).Park().Wait(5);
  // Off to Bean Harbour: the airship on its way; a click on another port waits for it to arrive.
  s.Press(kBeanHarbour).Park().Wait(60).Capture(world.File("journey.png"));
  s.Press(kSugarQuay).Park().Wait(100).Capture(world.File("bean_harbour.png"));
  // Its coffee roastery opens the coffee factory, whose Leave comes back.
  s.Click(kRoastery[0], kRoastery[1]).Wait(20).Capture(world.File("coffee.png"));
  s.Click(kCoffeeLeave[0], kCoffeeLeave[1]).Wait(10);
  // Back to the map: Bean Harbour is the player's port now, and visited. Then home again.
  s.Click(kPortMap[0], kPortMap[1]).Wait(10).Capture(world.File("map_again.png"));
  s.Press(kCocoaCove).Park().Wait(230).Capture(world.File("port.png"));
  // A building glows under the pointer and shows its name.
  s.Add("move " + At(kTownHall)).Wait(31).Capture(world.File("glow.png"));
  // The town hall keeps the ledger; its switch leads to the map.
  s.Press(kTownHall).Park().Wait(40).Capture(world.File("ledger.png"));
  s.Click(kLedgerSwitch[0], kLedgerSwitch[1]).Wait(20).Capture(world.File("map_from_ledger.png"));
  // The player's own port opens at a click; its chocolate works open the factory, whose Leave
  // comes back to the port.
  s.Press(kCocoaCove).Park().Wait(120);
  s.Click(kChocolateWorks[0], kChocolateWorks[1]).Wait(20).Capture(world.File("factory.png"));
  s.Click(kFactoryLeave[0], kFactoryLeave[1]).Wait(20).Capture(world.File("port_back.png"));
  // The focus lost and found again: no pause screen comes up.
  s.Add("activate 0").Wait(20).Add("activate 1").Wait(20).Capture(world.File("port_refocused.png"));
  // The warehouse's notice, the ledger by its button and its Close, then the way back to the menu.
  s.Click(kWarehouse[0], kWarehouse[1]).Wait(10).Capture(world.File("notice.png")).Key(kReturn).Wait(10);
  s.Click(kPortLedger[0], kPortLedger[1]).Wait(20).Click(kLedgerClose[0], kLedgerClose[1]).Wait(10);
  s.Capture(world.File("port_after_ledger.png"));
  // Off to Sugar Quay, but back to the menu half-way: the journey ends with its map, and the
  // airship never arrives. The map opened again finds the player where they were.
  s.Click(kPortMap[0], kPortMap[1]).Wait(10);
  s.Press(kSugarQuay).Park().Wait(40).Click(kMapMenu[0], kMapMenu[1]).Wait(20).Capture(world.File("menu.png"));
  s.Wait(200).Click(kMenuPlay[0], kMenuPlay[1]).Wait(10).Capture(world.File("map_after.png"));
  s.Click(kMapMenu[0], kMapMenu[1]).Wait(10);
  s.Add("close").Wait(30).Add("quit 3");
  return s;
}

TEST(WorldTest, TheMapAPortAndTheLedgerAnswerThePlayer) {
  GameWorld world;
  HarnessRun run = world.Run(Journey(world).text, "options=verbosedebug=1");
  ASSERT_EQ(run.result.status, 0) << run.result.out << world.Log();
  EXPECT_EQ(run.report.find("quit 3"), std::string::npos) << "the game did not end at the close button";
  std::string log = world.Log();
  EXPECT_EQ(log.find("#####"), std::string::npos) << "a label is missing from strings.xml\n" << log;
  EXPECT_EQ(log.find("Lua Error"), std::string::npos) << log;
  EXPECT_EQ(log.find("lua_resume ERROR"), std::string::npos) << log;

  // The map and Sugar Quay's popup beside its pin.
  std::vector<uint32_t> map = Frame(world.File("map.png")), popup = Frame(world.File("popup.png"));
  EXPECT_TRUE(Differs(map, popup, 390, 372, 610, 458));
  // Under way: the airship and its dots between Cocoa Cove and Bean Harbour.
  std::vector<uint32_t> journey = Frame(world.File("journey.png"));
  EXPECT_TRUE(Differs(map, journey, 200, 320, 400, 410));
  ExpectGolden(journey, 800, 600, "tests/e2e/golden/world_map_journey.png");
  // The click on Sugar Quay while under way changed nothing: the airship came down at Bean
  // Harbour, whose pin shows it visited and the player there.
  EXPECT_TRUE(Differs(Frame(world.File("bean_harbour.png")), Frame(world.File("coffee.png")), 0, 0, 800, 600));
  std::vector<uint32_t> again = Frame(world.File("map_again.png"));
  EXPECT_TRUE(Differs(map, again, 396, 276, 444, 324));
  EXPECT_TRUE(Differs(map, again, 146, 396, 194, 444));
  // Home in Cocoa Cove: the town hall glows under the pointer and shows its name.
  std::vector<uint32_t> port = Frame(world.File("port.png")), glow = Frame(world.File("glow.png"));
  EXPECT_TRUE(Differs(port, glow, 320, 240, 332, 360));
  EXPECT_TRUE(Differs(port, glow, 340, 322, 480, 346));
  ExpectGolden(glow, 800, 600, "tests/e2e/golden/world_port_glow.png");
  // The ledger over the port, and the map its switch led to.
  std::vector<uint32_t> ledger = Frame(world.File("ledger.png"));
  EXPECT_TRUE(Differs(port, ledger, 100, 100, 700, 500));
  EXPECT_FALSE(Differs(map, Frame(world.File("map_from_ledger.png")), 16, 532, 364, 584));
  // The factory opened over the port and left it as it was.
  std::vector<uint32_t> back = Frame(world.File("port_back.png"));
  EXPECT_TRUE(Differs(Frame(world.File("factory.png")), back, 0, 0, 800, 600));
  EXPECT_FALSE(Differs(port, back, 16, 16, 266, 68));
  // Refocused, the port is as it was: no pause screen over it.
  std::vector<uint32_t> refocused = Frame(world.File("port_refocused.png"));
  EXPECT_FALSE(Differs(back, refocused, 16, 16, 266, 68));
  EXPECT_FALSE(Differs(back, refocused, 436, 16, 784, 68));
  EXPECT_TRUE(Differs(refocused, Frame(world.File("notice.png")), 200, 190, 600, 410));
  EXPECT_FALSE(Differs(back, Frame(world.File("port_after_ledger.png")), 436, 16, 784, 68));

  // What the player heard: the map's tune, the airship away, the arrival and the port's tune,
  // twice; the port's tune again after the factory; the menu's at the end.
  std::vector<std::string> want = {"map_music", "airship_depart", "port_arrive", "port_music1", "port_music1",
                                   "map_music", "airship_depart", "port_arrive", "port_music1",
                                   "map_music", "port_music1", "port_music1", "map_music", "menu_music",
                                   "map_music", "menu_music"};
  std::vector<std::string> events = SoundEvents(log);
  size_t at = 0;
  for (const std::string& e : want) {
    while (at < events.size() && events[at] != e) at++;
    EXPECT_LT(at, events.size()) << "no " << e << " in order\n" << log;
    at++;
  }
  int departures = 0, arrivals = 0;
  for (const std::string& e : events) {
    departures += e == "airship_depart";
    arrivals += e == "port_arrive";
  }
  EXPECT_EQ(departures, 3);
  EXPECT_EQ(arrivals, 2);
  // Left half-way, the journey to Sugar Quay changed nothing: no ring at Sugar Quay on the map.
  EXPECT_FALSE(Differs(Frame(world.File("map_from_ledger.png")), Frame(world.File("map_after.png")), 440, 380, 700, 460));

  // The save keeps where the player is and what was visited; two weeks went by on the way.
  std::string save = ReadHostFile(world.GameFolder() + "/ada.quill3");
  for (const char* line : {"portName=s:cocoa_cove", "portsAvailable.bean_harbour=s:open", "time=n:2"})
    EXPECT_NE(save.find(std::string("\n") + line + "\n"), std::string::npos) << line << "\n" << save;
}

// A fortune in the ledger: a save with $123,456,789 (shown to the dollar), rank 3 with its
// weekly money, a week's truffles in the chocolate works, the coffee roastery idle, and the first
// quest's goal met, so its badge flashes.
TEST(WorldTest, TheLedgerShowsThePlayersFortune) {
  GameWorld world;
  Steps first;
  first.Park().Wait(10).Type("Ada").Key(kReturn).Wait(10).Add("close").Wait(30).Add("quit 3");
  ASSERT_EQ(world.Run(first.text).result.status, 0);
  std::string save = ReadHostFile(world.GameFolder() + "/ada.quill3");
  ASSERT_FALSE(save.empty());
  for (auto [from, to] : std::vector<std::pair<std::string, std::string>>{
           {"money=n:500", "money=n:123456789"}, {"rank=n:1", "rank=n:3"}, {"time=n:0", "time=n:40"},
           {"factories.chocolate.production=n:0", "factories.chocolate.production=n:24\nmade.chocolate=n:30"}}) {
    size_t at = save.find(from);
    ASSERT_NE(at, std::string::npos) << from << "\n" << save;
    save.replace(at, from.size(), to);
  }
  std::ofstream(world.GameFolder() + "/ada.quill3", std::ios::binary) << save;

  Steps s;
  s.Park().Wait(10).Click(kMenuPlay[0], kMenuPlay[1]).Wait(10);
  // 150 ms into the flash the badge shows its incomplete picture; after 1.5 s the complete one.
  s.Press(kMapLedger).Park().Wait(6).Capture(world.File("ledger_flash.png"));
  s.Wait(120).Capture(world.File("ledger.png"));
  s.Click(kLedgerClose[0], kLedgerClose[1]).Wait(10).Click(kMapMenu[0], kMapMenu[1]).Wait(10);
  s.Add("close").Wait(30).Add("quit 3");
  HarnessRun run = world.Run(s.text, "options=verbosedebug=1");
  ASSERT_EQ(run.result.status, 0) << run.result.out << world.Log();
  std::string log = world.Log();
  EXPECT_EQ(log.find("Lua Error"), std::string::npos) << log;
  std::vector<std::string> events = SoundEvents(log);
  EXPECT_NE(std::find(events.begin(), events.end(), "quest_requirements_met"), events.end()) << log;
  // The badge flashed, then stayed on its completed picture.
  std::vector<uint32_t> flash = Frame(world.File("ledger_flash.png")), ledger = Frame(world.File("ledger.png"));
  EXPECT_TRUE(Differs(flash, ledger, 136, 346, 172, 382));
  ExpectGolden(ledger, 800, 600, "tests/e2e/golden/world_ledger.png");
}

// In a real window on a virtual display: the journey and the glow as the goldens have them.
TEST(WorldTest, TheWorldAnswersTheMouseInARealWindow) {
  if (std::system("command -v xvfb-run > /dev/null 2>&1") != 0) GTEST_SKIP() << "no xvfb-run";
  GameWorld world;
  Steps s;
  // The first start is in full screen; in a window the clicks land where the screens are drawn.
  s.Wait(10).Type("Ada").Key(kReturn).AltEnter().Wait(10);
  s.Click(kMenuPlay[0], kMenuPlay[1]).Wait(10);
  s.Press(kBeanHarbour).Park().Wait(60).Capture(world.File("xjourney.png"));
  s.Wait(100).Click(kPortMap[0], kPortMap[1]).Wait(10);
  s.Press(kCocoaCove).Park().Wait(230).Add("move " + At(kTownHall)).Wait(31).Capture(world.File("xglow.png"));
  s.Add("close").Wait(60).Add("quit 5");
  HarnessRun run = world.RunInRealWindow(s.text);
  ASSERT_EQ(run.result.status, 0) << run.result.out << run.report;
  EXPECT_EQ(run.report.find(": quit"), std::string::npos) << run.report;
  // The airship and its dots (the clouds' place in their cycle and the new port's animation
  // follow the program's own start-up timing).
  EXPECT_FALSE(Differs(Frame(world.File("xjourney.png")), GoldenFrame("world_map_journey.png"), 140, 320, 400, 450));
  EXPECT_FALSE(Differs(Frame(world.File("xglow.png")), GoldenFrame("world_port_glow.png"), 320, 200, 500, 380));
}

}  // namespace
