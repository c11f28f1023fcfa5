// End to end: the high scores from the menu against a loopback score server. The player's own
// list (written beforehand as the game writes it), a score sent under a name that reads like
// script (the server first fails, the dialog is left and opened again: the name comes back as
// typed and nothing in it ran), then sent again and qualified, the online tables with their
// categories and scrolling; a server that holds its reply past the time limit, a score sent with
// an account that is remembered and not qualified, no server at all, and the next game's dialog
// starting with the stored login. Golden frames of the local list, the dialogs, the online
// tables and the waiting screen.
#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "core/base/cipher.h"
#include "core/base/file.h"
#include "core/base/hiscore.h"
#include "core/base/settings.h"
#include "core/base/xml_node.h"
#include "tests/core/base/support/loopback_server.h"
#include "tests/e2e/game_run.h"
#include "tests/support/golden.h"

namespace {

const char kKey[] = "Rk47vbnwJAAA";
const char kName[] = "a'..os.exit(3)..'\\";  // typed into the dialog as it stands
constexpr int kReturn = 13;
const char kPatientClient[] = "options=httptimelimit=3600";

// Spots on the screens (drawn for 800 x 600).
constexpr int kMenuScores[] = {138, 445};
constexpr int kSend[] = {668, 276}, kOnline[] = {668, 332}, kBack[] = {726, 536};
constexpr int kCategoryRight[] = {756, 76}, kMyScores[] = {668, 316}, kScrollDown[] = {506, 512};
constexpr int kDialogSend[] = {330, 440}, kDialogCancel[] = {470, 440}, kErrorOk[] = {400, 416};
constexpr int kAccount[] = {470, 314}, kPassword[] = {470, 350}, kRemember[] = {368, 386};

// The player's local scores, written into the game's "hiscore.dat" as the game itself does.
void AddLocalScores(const GameWorld& world, const std::vector<std::pair<int, const char*>>& scores) {
  ClearSettingsForTest();
  SetSetting("encryptionkey", kKey);
  SetSetting("ksgamehandle", "quillomer-lorvane-design");
  SetSetting("version", "3.0.0.1");
  std::filesystem::create_directories(world.GameFolder());
  ClearFileMap();
  SetDataFolders(world.GameFolder().c_str(), "", "");
  TKsHiscores client;
  client.SetParameter(TKsHiscores::kParamPlayer, "Ada");
  client.SetParameter(TKsHiscores::kParamGameMode, "quillomer-lorvane-design_storymode");
  for (const auto& [score, data] : scores) client.AddLocalScore(score, false, data, "");
  ClearSettingsForTest();
}

// The server's replies by request: tables, scores and submissions, each list in turn (its last
// reply again once the others are used).
class ScoreServer {
 public:
  ScoreServer() {
    EXPECT_TRUE(mServer.Start());
    mServer.SetHandler([this](const HttpRequestRecord& r) {
      std::lock_guard<std::mutex> lock(mLock);
      std::string action = r.Param("action");
      if (action == "tables") return Next(mTables);
      if (action == "get") return Next(mScores);
      mSubmitted.push_back(r.Param("score"));
      return Next(mSubmits);
    });
  }
  std::string Url() { return mServer.Url("/go/hiscore"); }
  void Set(std::vector<CannedReply> tables, std::vector<CannedReply> scores, std::vector<CannedReply> submits) {
    std::lock_guard<std::mutex> lock(mLock);
    mTables = std::move(tables);
    mScores = std::move(scores);
    mSubmits = std::move(submits);
  }
  // The submitted documents' "name" (and "/password" where one went), deciphered and read.
  std::vector<std::string> SubmittedNames() {
    std::lock_guard<std::mutex> lock(mLock);
    std::vector<std::string> names;
    for (const std::string& score : mSubmitted) {
      TCipher cipher(kKey);
      TXmlNode document;
      TStr text = cipher.DecryptText(TStr(score.c_str()));
      document.LoadString(text.c_str(), text.Length());
      TXmlNode* element = document.GetChild("score");
      std::string name = element ? element->GetAttribute("name").c_str() : "<no score element>";
      std::string password = element ? element->GetAttribute("password").c_str() : "";
      names.push_back(password.empty() ? name : name + "/" + password);
    }
    return names;
  }
  std::vector<HttpRequestRecord> Requests() { return mServer.Requests(); }

 private:
  static CannedReply Next(std::vector<CannedReply>& replies) {
    if (replies.empty()) return CannedReply{200, "text/xml", "<hiscore/>"};
    CannedReply reply = replies.front();
    if (replies.size() > 1) replies.erase(replies.begin());
    return reply;
  }

  LoopbackServer mServer;
  std::mutex mLock;
  std::vector<CannedReply> mTables, mScores, mSubmits;
  std::vector<std::string> mSubmitted;
};

std::string Tables() {
  return "<hiscore><tables><table table=\"all\" name=\"All time\"/><table table=\"week\" name=\"This week\"/>"
         "</tables></hiscore>";
}

// 14 rows, among them a name in markup that must show as it stands.
std::string Scores() {
  std::string xml = "<hiscore><scores>";
  const char* names[] = {"Mara", "Bram", "&lt;b&gt;Lou&lt;/b&gt;", "Ines", "Otto", "Pia", "Quentin", "Rosa",
                         "Sam", "Tove", "Ugo", "Vera", "Wim", "Xan"};
  for (int i = 0; i < 14; i++)
    xml += std::string("<score name=\"") + names[i] + "\" score=\"" + std::to_string(98000 - 6500 * i) + "\" rank=\"" +
           std::to_string(i + 1) + "\" data=\"" + std::to_string(6 - i / 3) + "-" + std::to_string(20 + 3 * i) + "-" +
           std::to_string(250000 - 15000 * i) + "\" anonymous=\"" + (i % 3 ? "true" : "false") + "\"/>";
  return xml + "</scores></hiscore>";
}

Steps& ClickAt(Steps& s, const int at[2]) { return s.Click(at[0], at[1]); }

TEST(HiscoresTest, HighScoresLocallyAndOnlineWithANameThatReadsLikeScript) {
  GameWorld world;
  ScoreServer server;
  world.SetAsset("hiscoreserver.txt", server.Url() + "\n");
  AddLocalScores(world, {{7250, "3-14-18200"}, {4100, "2-9-8800"}, {1900, "1-4-2600"}});
  server.Set({{200, "text/xml", Tables()}}, {{200, "text/xml", Scores()}},
             {{200, "text/xml", "<hiscore><message>The tables are closed for a moment.</message></hiscore>"},
              {200, "text/xml", "<hiscore><score/></hiscore>"}});
  Steps s;
  // After each awaited reply, 200 ms of the game's clock let the window's 20 ms poll take it in: on
  // a loaded machine the await itself may run only a frame or two.
  s.Park().Wait(10).Type("Ada").Key(kReturn).Wait(10);
  ClickAt(s, kMenuScores).Wait(10).Capture(world.File("local.png"));
  // The name is sent; the server fails it; OK, the dialog is left and opened again.
  ClickAt(s, kSend).Wait(5).Type(kName).Wait(5).Capture(world.File("typed.png"));
  ClickAt(s, kDialogSend).Add("await requests 1").Wait(200).Capture(world.File("failed.png"));
  ClickAt(s, kErrorOk);
  ClickAt(s, kDialogCancel);
  ClickAt(s, kSend).Wait(5).Capture(world.File("reopened.png"));
  // Sent again: qualified. The dialog closes and the table asks for the categories, then scores.
  ClickAt(s, kDialogSend).Add("await requests 4").Wait(200).Capture(world.File("online.png"));
  ClickAt(s, kScrollDown).Capture(world.File("scrolled.png"));
  ClickAt(s, kCategoryRight).Add("await requests 5").Wait(200).Capture(world.File("category.png"));
  ClickAt(s, kMyScores).Capture(world.File("sent.png"));
  ClickAt(s, kBack).Add("close").Wait(30).Add("quit 3");
  // The game's clock runs far ahead of the loopback server's thread; on a busy machine the default
  // time limit could pass before a prompt reply is read.
  HarnessRun run = world.Run(s.text, kPatientClient);
  ASSERT_EQ(run.result.status, 0) << run.result.out << world.Log() << run.report;
  EXPECT_EQ(run.report.find("quit 3"), std::string::npos) << "the game did not end at the close button";
  std::string log = world.Log();
  for (const char* bad : {"#####", "Lua Error", "lua_resume ERROR", "ended: timed out"})
    EXPECT_EQ(log.find(bad), std::string::npos) << bad << "\n" << log;

  // The name went out twice as typed, and came back into the reopened dialog as typed.
  EXPECT_EQ(server.SubmittedNames(), (std::vector<std::string>{kName, kName}));
  EXPECT_NE(world.Prefs().find(std::string("_anonusername = ") + kName), std::string::npos) << world.Prefs();
  std::vector<uint32_t> typed = Frame(world.File("typed.png")), reopened = Frame(world.File("reopened.png"));
  EXPECT_FALSE(Differs(typed, reopened, 200, 224, 316, 252));  // the text, not the blinking caret
  ExpectGolden(typed, 800, 600, "tests/e2e/golden/hiscores_submit.png");
  // The server's message showed; the requests were the submissions, then tables and scores.
  EXPECT_TRUE(Differs(typed, Frame(world.File("failed.png")), 200, 250, 600, 400));
  auto requests = server.Requests();
  std::vector<std::string> actions;
  for (const auto& r : requests) actions.push_back(r.Param("action") + r.Param("table"));
  EXPECT_EQ(actions, (std::vector<std::string>{"submit", "submit", "tables", "getall", "getweek"}));

  std::vector<uint32_t> local = Frame(world.File("local.png")), online = Frame(world.File("online.png"));
  ExpectGolden(local, 800, 600, "tests/e2e/golden/hiscores_local.png");
  ExpectGolden(online, 800, 600, "tests/e2e/golden/hiscores_online.png");
  // Scrolling moved the rows; the second category was asked for; the sent score is no longer
  // waiting in the local list (its button is off).
  EXPECT_TRUE(Differs(online, Frame(world.File("scrolled.png")), 30, 100, 500, 520));
  EXPECT_TRUE(Differs(online, Frame(world.File("category.png")), 560, 50, 780, 110));
  EXPECT_TRUE(Differs(local, Frame(world.File("sent.png")), 580, 250, 760, 300));
}

// A server that holds its reply: the table says it is asking until the HTTP client's time limit
// (60 s on the game's clock, which here runs a hundred times faster than real time, while the
// server holds for 20 s of real time; its other replies take milliseconds) gives up, then says
// it failed; the screen stays usable. A score sent with an account and its password, remembered,
// is answered "success" (not in the table). With the server gone the table says it cannot
// connect; back again, the next game's dialog starts with the stored login, which goes out again.
TEST(HiscoresTest, ASlowServerNoServerAndAStoredLogin) {
  GameWorld world;
  ScoreServer server;
  world.SetAsset("hiscoreserver.txt", server.Url() + "\n");
  AddLocalScores(world, {{3300, "2-6-4100"}});
  CannedReply held{200, "text/xml", Tables(), 0, 0, false, 20000};
  server.Set({held, {200, "text/xml", Tables()}}, {{200, "text/xml", Scores()}},
             {{200, "text/xml", "<hiscore/>"}, {200, "text/xml", "<hiscore><score/></hiscore>"}});
  Steps s;
  s.Park().Wait(10).Type("Ada").Key(kReturn).Wait(10);
  ClickAt(s, kMenuScores).Wait(10);
  ClickAt(s, kOnline).Capture(world.File("waiting.png"));
  s.Add("await requests 1").Wait(200).Capture(world.File("timedout.png"));
  ClickAt(s, kMyScores).Capture(world.File("local.png"));
  ClickAt(s, kSend).Wait(5);
  ClickAt(s, kAccount).Type("ada42");
  ClickAt(s, kPassword).Type("cocoa");
  ClickAt(s, kRemember);
  ClickAt(s, kDialogSend).Add("await requests 4").Wait(200).Capture(world.File("success.png"));
  ClickAt(s, kBack).Add("close").Wait(30);
  HarnessRun run = world.Run(s.text);
  ASSERT_EQ(run.result.status, 0) << run.result.out << world.Log() << run.report;
  EXPECT_NE(world.Log().find("HTTP request took longer than 60 s; it fails"), std::string::npos) << world.Log();
  EXPECT_EQ(server.SubmittedNames(), std::vector<std::string>{"ada42/cocoa"});
  std::vector<uint32_t> waiting = Frame(world.File("waiting.png")), timedout = Frame(world.File("timedout.png"));
  ExpectGolden(waiting, 800, 600, "tests/e2e/golden/hiscores_waiting.png");
  EXPECT_TRUE(Differs(waiting, timedout, 30, 240, 500, 330));
  EXPECT_TRUE(Differs(timedout, Frame(world.File("local.png")), 30, 100, 500, 160));
  ExpectGolden(Frame(world.File("success.png")), 800, 600, "tests/e2e/golden/hiscores_not_qualified.png");

  // No server: the table says it cannot connect, and the way back works.
  world.SetAsset("hiscoreserver.txt", "http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/go/hiscore\n");
  Steps again;
  again.Park().Wait(10);
  ClickAt(again, kMenuScores).Wait(10);
  ClickAt(again, kOnline).Add("await requests 1").Wait(200).Capture(world.File("nothing.png"));
  ClickAt(again, kBack).Add("close").Wait(30);
  run = world.Run(again.text);
  ASSERT_EQ(run.result.status, 0) << run.result.out << world.Log() << run.report;
  EXPECT_NE(run.report.find("await requests 1: 1 ended"), std::string::npos) << run.report;
  EXPECT_FALSE(Differs(timedout, Frame(world.File("nothing.png")), 30, 240, 500, 330));

  // The server back and a new game: the dialog has the stored account and password; sent as it is.
  world.SetAsset("hiscoreserver.txt", server.Url() + "\n");
  AddLocalScores(world, {{5100, "3-8-9000"}});
  Steps login;
  login.Park().Wait(10);
  ClickAt(login, kMenuScores).Wait(10);
  ClickAt(login, kSend).Wait(5).Capture(world.File("login.png"));
  ClickAt(login, kDialogSend).Add("await requests 3").Wait(200).Capture(world.File("qualified.png"));
  ClickAt(login, kBack).Add("close").Wait(30);
  run = world.Run(login.text, kPatientClient);
  ASSERT_EQ(run.result.status, 0) << run.result.out << world.Log() << run.report;
  EXPECT_EQ(server.SubmittedNames(), (std::vector<std::string>{"ada42/cocoa", "ada42/cocoa"}));
  ExpectGolden(Frame(world.File("login.png")), 800, 600, "tests/e2e/golden/hiscores_stored_login.png");
  EXPECT_TRUE(Differs(Frame(world.File("success.png")), Frame(world.File("qualified.png")), 560, 90, 780, 160));
}

}  // namespace
