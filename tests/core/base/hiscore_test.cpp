// TKsHiscores against a loopback server: every request as sent (query strings, deciphered
// documents), every reply path, the local lists and "hiscore.dat".
#include "core/base/hiscore.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "core/base/cipher.h"
#include "core/base/file.h"
#include "core/base/log.h"
#include "core/base/settings.h"
#include "core/base/simple_http.h"
#include "tests/core/base/support/loopback_server.h"
#include "tests/support/host_file.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
const char kKey[] = "Rk47vbnwJAAA";

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string Decipher(const std::string& base64) {
  TCipher cipher(kKey);
  return cipher.DecryptText(TStr(base64.c_str())).c_str();
}

class HiscoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mOldFolder = fs::current_path();
    fs::current_path(folder.Path());  // "::hiscore.xml" is looked for here
    ClearSettingsForTest();
    SetSetting("encryptionkey", kKey);
    SetSetting("ksgamehandle", "qlgame");
    SetSetting("version", "1.2");
    ClearFileMap();
    SetDataFolders((folder.Path() + "/user").c_str(), "", "");
    SetLogPath(logs.Path().c_str());
    ASSERT_TRUE(server.Start());
    server.SetHandler([this](const HttpRequestRecord&) {
      std::lock_guard<std::mutex> lock(mReplyLock);
      return CannedReply{200, "text/xml", mReply};
    });
    UseServerURL(server.Url("/go/hiscore") + "\r\nnot this line\n");
  }
  void TearDown() override {
    SetLogPath(nullptr);
    server.Stop();
    ClearFileMap();
    fs::current_path(mOldFolder);
  }

  void UseServerURL(const std::string& text) {
    WriteFile(folder.Path() + "/hiscoreserver.txt", text);
    GetFileMap()["hiscoreserver.txt"] = TStr((folder.Path() + "/hiscoreserver.txt").c_str());
  }
  void Reply(const std::string& text) {
    std::lock_guard<std::mutex> lock(mReplyLock);
    mReply = text;
  }
  // Polls as a frame loop would, for at most five seconds of real time.
  int Poll(TKsHiscores& h, std::string* message = nullptr, bool* replyFlag = nullptr) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    char buffer[256] = "untouched";
    int result;
    while ((result = h.PollStatus(buffer, sizeof buffer, replyFlag)) == TKsHiscores::kPollRunning &&
           std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (message) *message = buffer;
    return result;
  }
  HttpRequestRecord LastRequest() {
    auto all = server.Requests();
    return all.empty() ? HttpRequestRecord{} : all.back();
  }
  std::string Log() { return ReadHostFile(logs.Path() + "/logfile.txt"); }
  std::string HiscorePath() { return folder.Path() + "/user/hiscore.dat"; }

  TempFolder folder;
  TempFolder logs;
  LoopbackServer server;

 private:
  fs::path mOldFolder;
  std::mutex mReplyLock;
  std::string mReply = "<hiscore/>";
};

TEST_F(HiscoreTest, TablesAndScores) {
  TKsHiscores h;
  EXPECT_FALSE(h.HasServiceLibrary());
  EXPECT_STREQ(h.GetServerURL().c_str(), server.Url("/go/hiscore").c_str());
  Reply("<hiscore><tables><table table=\"alltime\" name=\"All time\"/>"
        "<table table=\"weekly\" name=\"This week\"/></tables></hiscore>");
  h.RequestCategoryInformation();
  ASSERT_EQ(Poll(h), TKsHiscores::kPollDone);
  EXPECT_EQ(LastRequest().target, "/go/hiscore?lang=en&ver=1.0&action=tables&game=qlgame");
  ASSERT_EQ(h.GetCategoryCount(), 2);
  char name[5];
  ASSERT_TRUE(h.GetCategoryName(1, name, sizeof name));
  EXPECT_STREQ(name, "This");  // cut to size - 1
  EXPECT_FALSE(h.GetCategoryName(-1, name, sizeof name));
  EXPECT_FALSE(h.GetCategoryName(2, name, sizeof name));

  h.SetParameter(TKsHiscores::kParamPlayer, "Ann");
  h.SetParameter(TKsHiscores::kParamGameMode, "story mode");
  Reply("<hiscore><scores>"
        "<score name=\"Zed\" score=\"900\" rank=\"1\" data=\"d1\" guid=\"g1\" anonymous=\"false\"/>"
        "<score name=\"Ann\" score=\"800\" rank=\"2\" data=\"d2\" guid=\"g2\" anonymous=\"true\" account=\"true\"/>"
        "<score name=\"Bo\" score=\"700\" rank=\"3\"/></scores></hiscore>");
  h.RequestScores(1);
  ASSERT_EQ(Poll(h), TKsHiscores::kPollDone);
  EXPECT_EQ(LastRequest().target,
            "/go/hiscore?lang=en&ver=1.0&action=get&game=qlgame&type=story%20mode&table=weekly&numScores=500");
  ASSERT_EQ(h.GetScoreCount(false), 3);
  int rank = 0, score = 0;
  bool anonymous = false;
  char player[16], data[16];
  ASSERT_TRUE(h.GetScoreEntry(false, 1, &rank, player, sizeof player, &anonymous, &score, data, sizeof data));
  EXPECT_EQ(rank, 2);
  EXPECT_EQ(score, 800);
  EXPECT_STREQ(player, "Ann");
  EXPECT_STREQ(data, "d2");
  EXPECT_TRUE(anonymous);
  EXPECT_TRUE(h.GetScoreEntry(false, 2, nullptr, nullptr, 0, nullptr, nullptr, nullptr, 0));
  EXPECT_FALSE(h.GetScoreEntry(false, 3, &rank, player, sizeof player, &anonymous, &score, data, sizeof data));
  EXPECT_FALSE(h.GetScoreEntry(false, -1, &rank, player, sizeof player, &anonymous, &score, data, sizeof data));
  ASSERT_TRUE(h.GetPlayerScore(1, &score, &rank, data, sizeof data));
  EXPECT_EQ(score, 800);
  EXPECT_EQ(rank, 2);

  h.RequestScores(7);  // no such category: no "table"
  ASSERT_EQ(Poll(h), TKsHiscores::kPollDone);
  EXPECT_EQ(LastRequest().query, "lang=en&ver=1.0&action=get&game=qlgame&type=story%20mode&numScores=500");
}

TEST_F(HiscoreTest, FailedRepliesAndTheirMessages) {
  TKsHiscores h;
  h.SetParameter(TKsHiscores::kParamGameMode, "story");
  struct Case {
    const char* reply;
    bool scores;  // a scores request, else a tables request
    const char* message;
    const char* logLine;
  } cases[] = {
      {"<hiscore><message>Try again tomorrow</message></hiscore>", false, "Try again tomorrow",
       "HiScore User Message: Try again tomorrow"},
      {"<hiscore><protocolError>bad</protocolError></hiscore>", false,
       "Unable to connect to server. Please try again later.", "HiScore Protocol Error: bad"},
      {"not xml at all", false, "Unable to connect to server. Please try again later.",
       "HiScore XML parsing error!"},
      {"<hiscore><other/></hiscore>", false, "Unable to connect to server. Please try again later.",
       "HiScore Tables parsed incorrectly"},
      {"<hiscore><protocolError>Missing required parameter: type</protocolError></hiscore>", true,
       "Score request failed because game mode is not valid", nullptr},
      {"<hiscore><protocolError>x</protocolError></hiscore>", true,
       "Score request failed because no category information has been received yet", nullptr},
      {"<hiscore><message>Closed for repairs</message></hiscore>", true, "Closed for repairs", nullptr},
  };
  for (const Case& c : cases) {
    Reply(c.reply);
    if (c.scores)
      h.RequestScores(0);
    else
      h.RequestCategoryInformation();
    std::string message;
    EXPECT_EQ(Poll(h, &message), TKsHiscores::kPollFailed) << c.reply;
    EXPECT_EQ(message, c.message) << c.reply;
    if (c.logLine) {
      EXPECT_NE(Log().find(c.logLine), std::string::npos) << c.logLine;
    }
  }
  Reply("<hiscore><scores/></hiscore>");  // a scores reply without rows is fine
  h.RequestScores(0);
  EXPECT_EQ(Poll(h), TKsHiscores::kPollDone);
  EXPECT_EQ(h.GetScoreCount(false), 0);
}

TEST_F(HiscoreTest, FailedTransferNeverShowsAnEarlierServerMessage) {
  UseServerURL("http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/go/hiscore");
  WriteFile(folder.Path() + "/hiscore.xml",
            "<hiscore><language>de</language><defaulterror>Server asleep</defaulterror></hiscore>");
  TKsHiscores h;
  EXPECT_STREQ(h.GetLanguage().c_str(), "de");
  h.SetParameter(TKsHiscores::kParamLanguage, "fr");  // fixed by hiscore.xml
  EXPECT_STREQ(h.GetLanguage().c_str(), "de");
  h.RequestCategoryInformation();
  std::string message;
  EXPECT_EQ(Poll(h, &message), TKsHiscores::kPollFailed);
  EXPECT_EQ(message, "Server asleep");
}

class HiscoreSubmitTest : public HiscoreTest {
 protected:
  void SetUp() override {
    HiscoreTest::SetUp();
    h = std::make_unique<TKsHiscores>();
    h->SetParameter(TKsHiscores::kParamPlayer, "Ann");
    h->SetParameter(TKsHiscores::kParamGameMode, "story");
  }
  void TearDown() override {
    h.reset();
    HiscoreTest::TearDown();
  }
  std::unique_ptr<TKsHiscores> h;
};

TEST_F(HiscoreSubmitTest, ScoreWithMedals) {
  h->AddLocalScore(1200, false, "lvl=3", "<extra k=\"1\"/>");
  h->AddMedal("Ann", {"Gold \"Star\" & co", "game", "", "", false});
  h->AddMedal("Ann", {"Speed", "type", "story", "", false});
  const TKsScoreEntry entry = h->GetLocalLists().at("story")[0];
  Reply("<hiscore><score rank=\"4\"/></hiscore>");
  ASSERT_TRUE(h->Submit("ann_l", "pw", true, TKsHiscores::kSubmitScore | TKsHiscores::kSubmitMedals));
  bool replyFlag = false;
  ASSERT_EQ(Poll(*h, nullptr, &replyFlag), TKsHiscores::kPollDone);
  EXPECT_TRUE(replyFlag);

  HttpRequestRecord request = LastRequest();
  auto params = request.QueryParams();
  ASSERT_EQ(params.size(), 5u);
  const char* names[] = {"lang", "ver", "game", "action", "score"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(params[i].first, names[i]);
  EXPECT_EQ(request.Param("action"), "submit");
  std::string document = Decipher(request.Param("score"));
  EXPECT_EQ(document,
            "<?xml version=\"1.0\"?>\n<score\n    guid=\"" + std::string(entry.guid.c_str()) +
                "\"\n    name=\"ann_l\"\n    password=\"pw\"\n    type=\"story\"\n    game=\"qlgame\"\n"
                "    score=\"1200\"\n    data=\"lvl=3\"\n    ver=\"1.2\">\n<extra k=\"1\"/>"
                "<medal name=\"Gold &quot;Star&quot; &amp; co\" per=\"game\"/>"
                "<medal name=\"Speed\" per=\"type\"/></score>\n");

  EXPECT_FALSE(h->GetPlayerScore(0, nullptr, nullptr, nullptr, 0));  // submitted now
  for (const TKsMedal& m : *h->GetMedals("Ann")) EXPECT_TRUE(m.submitted);
  TStr user, pass;
  ASSERT_TRUE(h->GetServerLogin(&user, &pass));
  EXPECT_STREQ(user.c_str(), "ann_l");
  EXPECT_STREQ(pass.c_str(), "pw");
  EXPECT_TRUE(fs::exists(HiscorePath()));

  h->RequestScores(0);
  Poll(*h);
  EXPECT_EQ(LastRequest().Param("username"), "ann_l");

  // Nothing left to send: no request, false, and the poll fails.
  size_t before = server.Requests().size();
  EXPECT_FALSE(h->Submit("ann_l", "pw", true, TKsHiscores::kSubmitScore));
  EXPECT_FALSE(h->Submit("ann_l", "pw", true, TKsHiscores::kSubmitMedals));
  EXPECT_EQ(server.Requests().size(), before);
  EXPECT_EQ(Poll(*h), TKsHiscores::kPollFailed);
}

TEST_F(HiscoreSubmitTest, ScoreWithoutPasswordSendsNoPasswordNorMedals) {
  h->AddLocalScore(50, false, "", "");
  h->AddMedal("Ann", {"Speed", "type", "story", "", false});
  ASSERT_TRUE(h->Submit("ann_l", "", false, TKsHiscores::kSubmitScore | TKsHiscores::kSubmitMedals));
  ASSERT_EQ(Poll(*h), TKsHiscores::kPollDone);
  std::string document = Decipher(LastRequest().Param("score"));
  EXPECT_EQ(document.find("password"), std::string::npos) << document;
  EXPECT_EQ(document.find("medal"), std::string::npos) << document;
  EXPECT_EQ(document.find("data="), std::string::npos) << document;
  EXPECT_FALSE(h->GetMedals("Ann")->at(0).submitted);
  EXPECT_FALSE(h->GetServerLogin(nullptr, nullptr));
  h->RequestScores(0);
  Poll(*h);
  EXPECT_EQ(LastRequest().query.find("username"), std::string::npos);
}

TEST_F(HiscoreSubmitTest, MedalsAlone) {
  h->AddMedal("Ann", {"Gold", "game", "", "", false});
  h->AddMedal("Ann", {"Speed", "type", "story", "", false});
  EXPECT_FALSE(h->Submit("ann_l", "", false, TKsHiscores::kSubmitMedals));  // needs a password
  Reply("<hiscore><medals/></hiscore>");
  ASSERT_TRUE(h->Submit("ann_l", "pw", false, TKsHiscores::kSubmitMedals));
  bool replyFlag = true;
  ASSERT_EQ(Poll(*h, nullptr, &replyFlag), TKsHiscores::kPollDone);
  EXPECT_FALSE(replyFlag);
  HttpRequestRecord request = LastRequest();
  EXPECT_EQ(request.Param("action"), "medals");
  EXPECT_EQ(Decipher(request.Param("medals")),
            "<?xml version=\"1.0\"?>\n<medals\n    name=\"ann_l\"\n    password=\"pw\"\n    game=\"qlgame\">\n"
            "<medal name=\"Gold\" per=\"game\"/><medal name=\"Speed\" per=\"type\" type=\"story\"/></medals>\n");
  for (const TKsMedal& m : *h->GetMedals("Ann")) EXPECT_TRUE(m.submitted);
  EXPECT_FALSE(h->Submit("ann_l", "pw", false, TKsHiscores::kSubmitMedals));  // none left
  EXPECT_FALSE(h->Submit("ann_l", "pw", false, 0));
}

TEST_F(HiscoreSubmitTest, RejectedLoginIsForgotten) {
  h->AddLocalScore(10, false, "", "");
  h->AddLocalScore(20, false, "", "");
  Reply("<hiscore><protocolError>hiscore.error.invalidUsernameOrPassword</protocolError></hiscore>");
  ASSERT_TRUE(h->Submit("ann_l", "wrong", true, TKsHiscores::kSubmitScore));
  EXPECT_TRUE(h->GetServerLogin(nullptr, nullptr));  // remembered when sent
  EXPECT_EQ(Poll(*h), TKsHiscores::kPollFailed);
  EXPECT_FALSE(h->GetServerLogin(nullptr, nullptr));
  EXPECT_TRUE(h->GetPlayerScore(0, nullptr, nullptr, nullptr, 0));  // still unsubmitted
}

TEST_F(HiscoreSubmitTest, InvalidUserNameIsRefusedAndThePollFails) {
  h->AddLocalScore(10, false, "", "");
  Reply("<hiscore><tables/></hiscore>");
  h->RequestCategoryInformation();
  ASSERT_EQ(Poll(*h), TKsHiscores::kPollDone);
  size_t before = server.Requests().size();
  EXPECT_FALSE(h->Submit("Ren\xc3\xa9", "pw", true, TKsHiscores::kSubmitScore));
  EXPECT_EQ(server.Requests().size(), before);
  EXPECT_NE(Log().find("ERROR -------- ERROR -------- Invalid User name Ren\xc3\xa9"), std::string::npos);
  std::string message;
  EXPECT_EQ(Poll(*h, &message), TKsHiscores::kPollFailed);  // not the tables request's success
  EXPECT_EQ(message, "Unable to connect to server. Please try again later.");
  EXPECT_FALSE(h->GetServerLogin(nullptr, nullptr));
  EXPECT_TRUE(IsSingleByteText("plain \x7f\xbf"));
  EXPECT_FALSE(IsSingleByteText("\xc0"));
}

TEST_F(HiscoreTest, LocalLists) {
  TKsHiscores h;
  h.SetParameter(TKsHiscores::kParamGameMode, "m");
  auto add = [&](const char* player, int score, bool onePerPlayer) {
    h.SetParameter(TKsHiscores::kParamPlayer, player);
    h.AddLocalScore(score, onePerPlayer, "", "");
  };
  add("Bo", 100, false);
  add("Ann", 100, false);  // after the equal score
  add("Cy", 150, false);
  auto names = [&] {
    std::string out;
    for (const TKsScoreEntry& e : h.GetLocalLists().at("m"))
      out += std::string(e.name.c_str()) + ":" + std::to_string(e.rank) + " ";
    return out;
  };
  EXPECT_EQ(names(), "Cy:1 Bo:2 Ann:3 ");
  TStr annGuid = h.GetLocalLists().at("m")[2].guid;
  EXPECT_EQ(annGuid.Length(), 32);
  add("Ann", 90, true);  // lower than her entry: ignored
  EXPECT_EQ(names(), "Cy:1 Bo:2 Ann:3 ");
  add("Ann", 200, true);  // replaces her entry and keeps its GUID
  EXPECT_EQ(names(), "Ann:1 Cy:2 Bo:3 ");
  EXPECT_STREQ(h.GetLocalLists().at("m")[0].guid.c_str(), annGuid.c_str());
  EXPECT_EQ(h.GetScoreCount(true), 3);
  h.SetParameter(TKsHiscores::kParamGameMode, "other");
  EXPECT_EQ(h.GetScoreCount(true), 0);
  EXPECT_FALSE(h.GetScoreEntry(true, 0, nullptr, nullptr, 0, nullptr, nullptr, nullptr, 0));

  // A full list (as a saved file would bring it; longer ones are cut when read).
  std::string text = "<score name=\"other\">";
  for (int i = 0; i < TKsHiscores::kMaxLocalEntries + 3; ++i)
    text += "<row rank=\"" + std::to_string(i + 1) + "\" score=\"" + std::to_string(1000 - i) +
            "\" name=\"P\" guid=\"g" + std::to_string(i) + "\"/>";
  text += "</score>";
  h.ReadLocalText(text.c_str(), (int)text.size());
  const auto& list = h.GetLocalLists().at("other");
  ASSERT_EQ(list.size(), (size_t)TKsHiscores::kMaxLocalEntries);
  h.SetParameter(TKsHiscores::kParamPlayer, "Q");
  h.AddLocalScore(5000, false, "", "");  // the lowest entry drops out
  ASSERT_EQ(list.size(), (size_t)TKsHiscores::kMaxLocalEntries);
  EXPECT_STREQ(list[0].name.c_str(), "Q");
  EXPECT_EQ(list.back().score, 1000 - TKsHiscores::kMaxLocalEntries + 2);
  EXPECT_EQ(list.back().rank, TKsHiscores::kMaxLocalEntries);
  h.AddLocalScore(1, false, "", "");  // below every entry of a full list: not kept
  EXPECT_EQ(list.back().score, 1000 - TKsHiscores::kMaxLocalEntries + 2);
}

TEST_F(HiscoreTest, SavedFile) {
  {
    TKsHiscores h;
    h.SetParameter(TKsHiscores::kParamPlayer, "Ann \"the\" <best>");
    h.SetParameter(TKsHiscores::kParamGameMode, "story");
    h.AddMedal("Ann \"the\" <best>", {"Gold", "type", "story", "gd", true});
    h.AddLocalScore(321, false, "a&b", "<s/>");
  }
  std::string first = ReadHostFile(HiscorePath());
  ASSERT_GT(first.size(), 8u);
  {
    TKsHiscores h;  // loads, then saves the same lists again
    ASSERT_EQ(h.GetLocalLists().count("story"), 1u);
    const TKsScoreEntry& e = h.GetLocalLists().at("story")[0];
    EXPECT_EQ(e.score, 321);
    EXPECT_STREQ(e.name.c_str(), "Ann \"the\" <best>");
    EXPECT_STREQ(e.gameData.c_str(), "a&b");
    EXPECT_STREQ(e.serverData.c_str(), "<s/>");
    EXPECT_STREQ(e.version.c_str(), "1.2");
    ASSERT_NE(h.GetMedals("Ann \"the\" <best>"), nullptr);
    EXPECT_TRUE(h.GetMedals("Ann \"the\" <best>")->at(0).submitted);
    h.SaveLocalFile();
  }
  EXPECT_EQ(ReadHostFile(HiscorePath()), first);  // byte-identical

  // A flipped byte anywhere, body or checksum block, makes the whole file ignored.
  for (size_t at : {(size_t)0, first.size() / 2, first.size() - 9, first.size() - 8, first.size() - 1}) {
    std::string damaged = first;
    damaged[at] ^= 0x20;
    WriteFile(HiscorePath(), damaged);
    SetLogPath(nullptr);
    SetLogPath(logs.Path().c_str());
    TKsHiscores h;
    EXPECT_TRUE(h.GetLocalLists().empty()) << at;
    EXPECT_NE(Log().find("HiScores: Checksum did not match! Ignoring saved score data."), std::string::npos) << at;
  }
  WriteFile(HiscorePath(), first.substr(0, 8));
  SetLogPath(nullptr);
  SetLogPath(logs.Path().c_str());
  TKsHiscores h;
  EXPECT_TRUE(h.GetLocalLists().empty());
  EXPECT_EQ(Log().find("Checksum"), std::string::npos);
}

}  // namespace
