// End to end: the tour, the whole game as a player plays it, through the harness on the manual
// clock, leg after leg in one world (what a leg saves, the next start finds). Each leg starts the
// game and ends it through the game's own quit; a leg fails on any error line the game writes,
// on a missing label, or when the game does not end. The steps below are the tour's steps, in
// order; each checks what its screen drew (golden frames), sent to the music engine and played
// (the sound tap), and what the game saved. At the end, the tour lists every window class,
// native script function and sound event of the game that no leg exercised.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/core/base/support/loopback_server.h"
#include "tests/e2e/factory_plays.h"
#include "tests/e2e/game_run.h"
#include "tests/e2e/tour.h"
#include "tests/support/golden.h"
#include "tests/support/host_file.h"

namespace {

constexpr int kBackspace = 8, kReturn = 13, kShift = 16, kEscape = 27;

// Slider rails of the options screen (their thumbs are dragged along them).
constexpr int kSfxY = 191, kMusicY = 241, kAmbientY = 291;

// A span of a leg whose sound the tour measures, in ms after the harness started.
struct Span {
  int from = 0, to = 0;
};

Span Listen(Walk& w, int ms) {
  Span span;
  span.from = w.ms + w.hand.shift;
  w.Park().Wait(ms);
  span.to = w.ms + w.hand.shift;
  return span;
}

// ---- The tour's steps -------------------------------------------------------------------

// The chocolate factory, from the first start: the planned opening (a colour match, mixed
// trays, the full house, the bin, a tray for the machine), the pause by button, by the focus
// and by the developer menu, the warning whistle and the time up; then another game, shut down
// by three misses; Done leads back to the menu.
void ChocolateFactory(Walk& w, Tour& tour) {
  w.hand.Frame(20, "move 799 599").Frame(30, "text Ada").Frame(35, "key 13 down").Frame(36, "key 13 up");
  PlayChocolateOpening(w.hand);
  w.From(11400).Click("pause").Capture(tour.world.File("chocolate_paused.png")).Click("resume");
  w.Step("activate 0").Wait(300).Step("activate 1").Wait(300).Click("resume");
  w.Step("key " + std::to_string(kShift) + " down").Key(kEscape).Step("key " + std::to_string(kShift) + " up");
  w.Click("devresume");
  // Sixty seconds of play from 4.4 s, and the three paused moments: the game is over by 67 s.
  w.From(67500).Capture(tour.world.File("chocolate_over.png")).Click("again");
  // Three shots along the floor, where nothing catches.
  w.Wait(6000).ClickAt(790, 540).Wait(100).ClickAt(790, 540).Wait(100).ClickAt(790, 540).Wait(1500);
  w.Click("done").Wait(500);
}

// Profiles: a second player made and renamed, a third made and deleted, Ada chosen again.
void Profiles(Walk& w) {
  w.Click("profiles");
  w.Click("newprofile").Type("Bob").Key(kReturn);
  w.Click("renameprofile").Key(kBackspace).Key(kBackspace).Type("ea").Key(kReturn);
  w.Click("newprofile").Type("Cid").Key(kReturn);
  w.Click("deleteprofile").Click("confirmyes");
  w.Click("profile0").Click("back");
}

// Options: the music down, the effects up, the ambience a little down; full screen off and on;
// the sound off for a while (silence) and on again; OK keeps the levels. Spans: the menu's
// music before, the silence, and the music at its new level after.
struct Levels {
  Span before, quiet, after;
};
Levels Options(Walk& w, Tour& tour) {
  Levels levels;
  levels.before = Listen(w, 1000);
  w.Click("options").Capture(tour.world.File("options.png"));
  w.Drag(498, 400, kMusicY).Drag(521, 600, kSfxY).Drag(470, 420, kAmbientY);
  w.Click("fullscreen").Click("fullscreen");
  w.Click("mutebox");
  levels.quiet = Listen(w, 1000);
  w.Click("mutebox").Click("optionsok");
  levels.after = Listen(w, 1000);
  return levels;
}

// The world tour: Mara's moods, the factories' panels and a popup, the transitions.
void WorldTour(Walk& w, Tour& tour) {
  w.Click("tour");
  w.Click("tourcharacter").Wait(300).Click("marahappy").Wait(300).Capture(tour.world.File("mara_happy.png"));
  w.Click("marasad").Wait(300).Click("maraback");
  w.Click("tourpanels").Move(280, 220).Wait(300).Capture(tour.world.File("popup.png"));
  w.Move(700, 120).Wait(100).Click("factoriesback");
  w.Click("tourtransitions").Click("fade").Wait(1000).Click("swipe").Wait(1000).Click("zoom").Wait(1000);
  w.Click("curve").Wait(1000).Click("stageback");
  w.Click("tourback");
}

// The credits roll; Escape leads back.
void Credits(Walk& w, Tour& tour) {
  w.Click("credits").Wait(300).Capture(tour.world.File("credits.png"));
  w.Wait(1000).Key(kEscape);
}

// The coffee factory on the next start: the planned games (groups of cream, milk and beans that
// stock the hopper, cappuccinos to the box, the time up with a shot in the air; another game
// shut down by three misses); Done leads back.
void CoffeeFactory(Walk& w, Tour& tour) {
  PlayCoffeeGames(w.hand);
  w.From(62300).Capture(tour.world.File("coffee_busy.png"));
  w.From(74000).Capture(tour.world.File("coffee_over.png")).Click("done").Wait(500);
}

// The toolkit's sample dialog, which the setting "sampledialog" shows instead of the game: S
// sounds the framework's click and the engine's chime at once; the close button ends it.
void SampleDialog(Walk& w) {
  w.From(1000).Key('S').Wait(500).Key(kEscape).Wait(300).Step("close").Wait(500);
}

// The menu's Quit ends the game (the leg fails when it does not).
void Quit(Walk& w) { w.Click("quit").Wait(500); }

// Spots of the world's screens, the reward games, the high scores and the editors (for 800 x 600).
constexpr int kCocoaCove[] = {170, 420}, kBeanHarbour[] = {420, 300}, kMapMenu[] = {104, 558}, kMapLedger[] = {276, 558};
constexpr int kPortMap[] = {524, 42}, kPortLedger[] = {696, 42}, kLedgerSwitch[] = {216, 452}, kLedgerClose[] = {578, 452};
constexpr int kTownHall[] = {410, 282}, kChocolateWorks[] = {160, 300}, kWarehouse[] = {640, 300};

Walk& ClickAt(Walk& w, const int at[2]) { return w.ClickAt(at[0], at[1]); }

// The pointer's picture (of the assets) drawn with its hot spot on the point: the frame there
// holds the picture's pixel at the hot spot.
void ExpectPointer(const std::vector<uint32_t>& frame, const int at[2], const std::string& picture, int hotX, int hotY) {
  std::vector<uint32_t> pointer;
  int w = 0, h = 0;
  ASSERT_TRUE(TestControl::Display::ReadPng(std::string(getenv("ORVELLA_SOURCE_DIR")) + "/assets/" + picture, pointer, w, h));
  uint32_t hot = pointer[(size_t)hotY * w + hotX], seen = frame[(size_t)at[1] * 800 + at[0]];
  ASSERT_EQ(hot >> 24, 0xFFu) << picture;
  for (int shift : {0, 8, 16}) EXPECT_NEAR((int)(seen >> shift & 0xFF), (int)(hot >> shift & 0xFF), 3) << picture << " " << shift;
}

// The world from the menu's Play: a journey to Bean Harbour (a week; the ledger opened on the
// way holds it) and home to Cocoa Cove
// (another); the town hall's glow and its ledger, whose switch leads to the map; the chocolate
// works' factory shut down by three misses, whose game over puts the player's standing on the
// high scores now that weeks have passed; the warehouse's notice, the ledger by its button; the
// way back to the menu.
void World(Walk& w, Tour& tour) {
  w.From(1000).Click("play").Wait(300);
  ClickAt(w, kBeanHarbour).Wait(100);
  ClickAt(w, kMapLedger).Wait(500);
  ClickAt(w, kLedgerClose).Wait(2500);
  // The port's tune ends after 25 s there, and another comes after a pause.
  w.Wait(25000);
  ClickAt(w, kPortMap).Wait(300);
  ClickAt(w, kCocoaCove).Wait(2500);
  w.Move(kTownHall[0], kTownHall[1]).Wait(300);
  ClickAt(w, kTownHall).Wait(500).Capture(tour.world.File("ledger.png"));
  ClickAt(w, kLedgerSwitch).Wait(300);
  ClickAt(w, kCocoaCove).Wait(1500);
  ClickAt(w, kChocolateWorks).Wait(300).ClickAt(400, 358).Wait(6000);
  w.ClickAt(790, 540).Wait(100).ClickAt(790, 540).Wait(100).ClickAt(790, 540).Wait(1500);
  w.Click("done").Wait(500);
  ClickAt(w, kWarehouse).Wait(100).Key(kReturn);
  ClickAt(w, kPortLedger).Wait(300);
  ClickAt(w, kLedgerClose).Wait(100);
  ClickAt(w, kPortMap).Wait(300);
  ClickAt(w, kMapMenu).Wait(300);
}

// Back into the world by Play, to the home port's chocolate works: Escape on the start panel
// leads back to the port; a game with the gun's aimer for a pointer, paused and resumed by
// Escape, paused by its button, and from the pause straight to the main menu, out of the world.
// The menu's music is heard again, and Play, held down, shows its pressed caption, now Continue
// (weeks have passed); the pointer moves off before the button is let go.
constexpr int kAimAt[] = {400, 300}, kPlay[] = {190, 331};

Span MainMenuFromAFactory(Walk& w, Tour& tour) {
  w.Click("play").Wait(300);
  ClickAt(w, kCocoaCove).Wait(1500);
  ClickAt(w, kChocolateWorks).Wait(300).Key(kEscape).Wait(300);
  ClickAt(w, kChocolateWorks).Wait(300).ClickAt(400, 358).Wait(4000);
  w.Move(kAimAt[0], kAimAt[1]).Wait(100).Capture(tour.world.File("aimer.png"));
  w.Key(kEscape).Wait(300).Key(kEscape).Wait(300);
  w.Click("pause").Click("mainmenu").Wait(300);
  Span menuAgain = Listen(w, 1500);
  std::string at = std::to_string(kPlay[0]) + " " + std::to_string(kPlay[1]);
  w.Move(kPlay[0], kPlay[1]).Step("button left down " + at).Wait(100).Capture(tour.world.File("menu_continue.png"));
  w.Move(700, 100).Step("button left up 700 100").Park().Wait(200);
  return menuAgain;
}

// The reward games: three crates picked and the rest shown; the fireworks held and let go; a
// spin of the slot machine stopped wheel by wheel, to its payout; back to the menu.
void Rewards(Walk& w) {
  w.Click("rewards").Wait(200);
  w.ClickAt(400, 250).ClickAt(130, 200).ClickAt(400, 296).ClickAt(220, 392).Wait(1500).ClickAt(290, 552);
  w.ClickAt(400, 310).Wait(1000).ClickAt(330, 546).Wait(300).ClickAt(330, 546).Wait(300).ClickAt(470, 546);
  w.ClickAt(400, 370).ClickAt(240, 550);
  for (int i = 0; i < 4; ++i) w.ClickAt(420, 550).Wait(100);
  w.Wait(6000).ClickAt(600, 550).ClickAt(400, 440).Wait(300);
}

// The high scores: the player's own list (the standing the factory's game over put there); the
// score sent under the player's name to the score server, which qualifies it; the online table;
// the privacy policy, which opens in the desktop's browser.
void HighScores(Walk& w, Tour& tour) {
  w.Click("hiscores").Wait(300).Capture(tour.world.File("hiscores_local.png"));
  w.ClickAt(668, 276).Wait(100).Type("Ada").Wait(100);
  w.ClickAt(330, 440).Step("await requests 3").Wait(300).Capture(tour.world.File("hiscores_online.png"));
  w.Click("privacy").ClickAt(726, 536).Wait(300);
}

// The editors: a curve of three points (A held) whose scene line C copies; the same editor in a
// port; the shop's sign with a mark typed at the end of its text, the next board, logo and
// letters; the recipe designer's sweet mirrored, then a random design (the shadow follows the
// shape); back.
void Editors(Walk& w) {
  constexpr int kKeyA = 65, kKeyC = 67;
  w.Click("editors").Wait(200);
  w.ClickAt(400, 231).Wait(200).Step("key " + std::to_string(kKeyA) + " down");
  for (int x : {260, 360, 460}) w.Move(x, 420).Step("button left down " + std::to_string(x) + " 420").Step("button left up " + std::to_string(x) + " 420");
  w.Step("key " + std::to_string(kKeyA) + " up").Key(kKeyC).Key(kEscape).Wait(100);
  w.ClickAt(400, 287).Wait(1000).Key(kEscape).Wait(100);
  w.ClickAt(400, 343).Wait(200).Click("signtext").Type("!").Click("signboard").Click("signlogo").Click("signfont");
  w.Wait(200).Click("signback").Wait(100);
  w.ClickAt(400, 399).Wait(200).Click("recipemirror").ClickAt(504, 491).Wait(2500).Key(kEscape).Wait(100);
  w.Key(kEscape).Wait(300);
}

// The assets as the asset map finds them by a bare name (its extensions, in its order): a name
// with two pictures, or an animation beside a picture that is not its own frame strip, would
// make that order choose. Each such name is listed with what it found.
std::vector<std::string> NamesTheExtensionOrderWouldChoose(const std::string& assets) {
  static const std::set<std::string> kFound = {".xml", ".anm", ".jpg", ".png", ".spx", ".jp2"};
  std::map<std::string, std::set<std::string>> kinds;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(assets)) {
    std::filesystem::path path = entry.path();
    if (entry.is_regular_file() && kFound.count(path.extension().string()))
      kinds[(path.parent_path() / path.stem()).string()].insert(path.extension().string());
  }
  std::vector<std::string> chosen;
  for (const auto& [base, found] : kinds) {
    std::string name = base.substr(assets.size() + 1), stem = std::filesystem::path(base).filename().string();
    bool stripBeside = found == std::set<std::string>{".png", ".xml"} &&
                       ReadHostFile(base + ".xml").find("<img name=\"" + stem + ".png\"") != std::string::npos;
    if (found.size() > 1 && !stripBeside) {
      for (const std::string& ext : found) name += " " + ext;
      chosen.push_back(name);
    }
  }
  return chosen;
}

// ---- The tour ------------------------------------------------------------------------------

TEST(TourTest, TheWholeGameFromTheFirstStartToTheLastQuit) {
  Tour tour;

  // Before any leg, the assets: no bare name the asset map resolves depends on its extension
  // order (an animation and its own frame strip share their name; the animation is meant).
  EXPECT_EQ(NamesTheExtensionOrderWouldChoose(std::string(getenv("ORVELLA_SOURCE_DIR")) + "/assets"),
            std::vector<std::string>{});

  // Leg 1: the first start, the chocolate factory, every screen of the menu.
  Walk first;
  ChocolateFactory(first, tour);
  Profiles(first);
  Levels levels = Options(first, tour);
  WorldTour(first, tour);
  Credits(first, tour);
  Quit(first);
  HarnessRun leg1 = tour.Leg("first", first);

  // The factory's pause and game-over panels, a factory's status panel with its popup, the
  // credits rolling.
  ExpectGolden(Frame(tour.world.File("chocolate_paused.png")), 800, 600, "tests/e2e/golden/tour_chocolate_paused.png");
  ExpectGolden(Frame(tour.world.File("chocolate_over.png")), 800, 600, "tests/e2e/golden/tour_chocolate_over.png");
  ExpectGolden(Frame(tour.world.File("popup.png")), 800, 600, "tests/e2e/golden/tour_popup.png");
  ExpectGolden(Frame(tour.world.File("credits.png")), 800, 600, "tests/e2e/golden/tour_credits.png");
  // The menu's music was heard; nothing while the sound was off; the music quieter after the
  // options turned it down (the fader is squared: 0.65 to about 0.47 is some 6 dB less).
  auto level = [&](const Span& span) { return PlayedLevel(tour.Tap("first"), span.from + 300, span.to - 100); };
  double before = level(levels.before), after = level(levels.after);
  EXPECT_GT(before, 300.0);
  EXPECT_LT(level(levels.quiet), 10.0) << levels.quiet.from << ".." << levels.quiet.to;
  EXPECT_GT(after, 50.0);
  EXPECT_LT(after, before * 0.7);

  // Leg 2: the next start, the coffee factory.
  Walk next;
  next.hand.shift = 100;
  CoffeeFactory(next, tour);
  Quit(next);
  tour.Leg("next", next, {}, "4900:10");

  // Leg 3: the toolkit's sample dialog, in place of the game.
  Walk sample;
  SampleDialog(sample);
  tour.Leg("sample", sample, {}, "5000:10", "sampledialog=sample");
  ExpectGolden(Frame(tour.world.File("coffee_over.png")), 800, 600, "tests/e2e/golden/tour_coffee_over.png");

  // Leg 4: the world, the reward games (their deals seeded), the high scores against the score
  // server, the editors, the world again and from a factory's pause to the main menu.
  LoopbackServer server;
  ASSERT_TRUE(server.Start());
  server.SetHandler([](const HttpRequestRecord& r) {
    std::string action = r.Param("action");
    if (action == "tables")
      return CannedReply{200, "text/xml", "<hiscore><tables><table table=\"all\" name=\"All time\"/></tables></hiscore>"};
    if (action == "get")
      return CannedReply{200, "text/xml",
                         "<hiscore><scores><score name=\"Mara\" score=\"9800\" rank=\"1\" data=\"6-20-250000\" "
                         "anonymous=\"false\"/></scores></hiscore>"};
    return CannedReply{200, "text/xml", "<hiscore><score/></hiscore>"};
  });
  tour.world.SetAsset("hiscoreserver.txt", server.Url("/go/hiscore") + "\n");
  Walk world;
  World(world, tour);
  Rewards(world);
  HighScores(world, tour);
  Editors(world);
  Span menuAgain = MainMenuFromAFactory(world, tour);
  Quit(world);
  tour.Leg("world", world, {}, "5000:10", "randseed=7");
  std::string worldLog = tour.world.Log();
  std::vector<std::string> actions;
  for (const auto& r : server.Requests()) actions.push_back(r.Param("action"));
  EXPECT_EQ(actions, (std::vector<std::string>{"submit", "tables", "get"}));
  ExpectGolden(Frame(tour.world.File("ledger.png")), 800, 600, "tests/e2e/golden/tour_ledger.png");
  ExpectGolden(Frame(tour.world.File("hiscores_local.png")), 800, 600, "tests/e2e/golden/tour_hiscores_local.png");
  ExpectGolden(Frame(tour.world.File("hiscores_online.png")), 800, 600, "tests/e2e/golden/tour_hiscores_online.png");

  // From the last Play on: the home port's tune, the chocolate works' opening jingle; Escape on
  // the start panel led back to the port (its tune again, not the map's); Start's jingle, then
  // Escape paused and resumed the game; from the pause the way to the main menu gave the sound
  // back and left the world for the menu, whose music is heard.
  std::vector<std::string> events = SoundEvents(worldLog), lastPlay;
  const std::set<std::string> kWays = {"chocolate_making_game_intro", "port_music1", "map_music", "Pause", "Unpause",
                                       "menu_music"};
  for (auto it = std::find(events.rbegin(), events.rend(), "map_music").base(); it != events.end(); ++it)
    if (kWays.count(*it)) lastPlay.push_back(*it);
  EXPECT_EQ(lastPlay, (std::vector<std::string>{"port_music1", "chocolate_making_game_intro", "port_music1",
                                                "chocolate_making_game_intro", "chocolate_making_game_intro", "Pause",
                                                "Unpause", "Pause", "Unpause", "menu_music"}));
  // At the music level the options left (the first leg's "after"); a stopped output is silent.
  EXPECT_GT(PlayedLevel(tour.Tap("world"), menuAgain.from + 300, menuAgain.to - 100), 50.0);
  // The pointer in the factory's play is the gun's aimer, centred on the point a click fires at.
  ExpectPointer(Frame(tour.world.File("aimer.png")), kAimAt, "cursor/gun_aimer.png", 16, 16);
  // The menu after it, with Play held down: its pressed caption, Continue, sits lower on the
  // pressed face; the pointer is the arrow again.
  std::vector<uint32_t> menu = Frame(tour.world.File("menu_continue.png"));
  ExpectPointer(menu, kPlay, "cursor/cursor.png", 1, 1);
  ExpectGolden(menu, 800, 600, "tests/e2e/golden/tour_menu_continue.png");

  // What was saved: Ada and Bea with their levels, Ada's game with the factories' scores.
  std::string prefs = tour.world.Prefs();
  EXPECT_NE(Section(prefs, "user 0").find("name = Ada"), std::string::npos) << prefs;
  EXPECT_NE(Section(prefs, "user 1").find("name = Bea"), std::string::npos) << prefs;
  std::string save = ReadHostFile(tour.world.GameFolder() + "/ada.quill3");
  EXPECT_NE(save.find("\nmade.chocolate=n:"), std::string::npos) << save;
  EXPECT_NE(save.find("\nmade.coffee=n:"), std::string::npos) << save;

  // Leg 5: a save from before Sugar Quay was known (its entry gone): the map shows the port
  // locked, its pin the one frame of the locked look from the first frame drawn.
  std::string kept = ReadHostFile(tour.world.GameFolder() + "/ada.quill3"), older;
  std::istringstream lines(kept);
  for (std::string line; std::getline(lines, line);)
    if (line.rfind("portsAvailable.sugar_quay=", 0) != 0) older += line + "\n";
  ASSERT_NE(older.size(), kept.size()) << kept;
  std::ofstream(tour.world.GameFolder() + "/ada.quill3", std::ios::binary) << older;
  Walk locked;
  locked.From(1000).Click("play").Wait(300).Capture(tour.world.File("map_locked.png"));
  ClickAt(locked, kMapMenu).Wait(300);
  Quit(locked);
  tour.Leg("locked", locked);
  ExpectGolden(Frame(tour.world.File("map_locked.png")), 800, 600, "tests/e2e/golden/tour_map_locked.png");

  // Leg 6: damaged files met on the way (Ada's save overwritten with junk, the
  // products' data cut mid-element, the credits' text with junk, markup and an endless line):
  // each gives a log line, and the game goes on to the credits, a factory and its own quit.
  static const char kJunk[] = "\x01junk\0\xff=n:money=s:";
  const std::string junk(kJunk, sizeof kJunk - 1);
  std::ofstream(tour.world.GameFolder() + "/ada.quill3", std::ios::binary) << junk;
  std::string products = ReadHostFile(std::string(getenv("ORVELLA_SOURCE_DIR")) + "/assets/data/products.xml");
  tour.world.SetAsset("data/products.xml", products.substr(0, products.size() / 2));
  tour.world.SetAsset("ui/credits.txt", "[Heading\nrole | <b>name\r\n\x01\xfe|<font color='zz'>\n" + std::string(5000, 'x'));
  Walk damaged;
  damaged.From(1000).Click("credits").Wait(1000).Capture(tour.world.File("damaged_credits.png")).Key(kEscape);
  damaged.Click("factory").Wait(1000).ClickAt(400, 358).Wait(3000).Capture(tour.world.File("damaged_factory.png"));
  damaged.ClickAt(174, 32).Wait(300);
  Quit(damaged);
  tour.Leg("damaged", damaged,
           {"The save Ada.quill3 cannot be read; kept as Ada.damaged, a new game starts",
            "Data file \"data/products.xml\" is damaged"});
  // The damaged save is kept aside, byte for byte; the new game saved in its place.
  EXPECT_EQ(ReadHostFile(tour.world.GameFolder() + "/ada.damaged"), junk);
  EXPECT_EQ(ReadHostFile(tour.world.GameFolder() + "/ada.quill3").rfind("quill3 save", 0), 0u);

  // Everything the game has, reached by some leg: every window class made, native called and
  // sound event sent.
  std::vector<std::string> never = tour.Coverage().NeverExercised(
      ReadHostFile(std::string(getenv("ORVELLA_SOURCE_DIR")) + "/sound/events.txt"));
  std::string text;
  for (const std::string& n : never) text += "  " + n + "\n";
  EXPECT_TRUE(never.empty()) << "never exercised by the tour (give it a step):\n" << text;
}

}  // namespace
