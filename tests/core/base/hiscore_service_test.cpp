// TKsHiscores with the local service library: the stub library of tests/core/base/stub_service
// is found by its Windows name, and every call it receives is checked.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/base/file.h"
#include "core/base/hiscore.h"
#include "core/base/settings.h"
#include "platform/test_control.h"
#include "platform/win32/win32.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

typedef const char* (*TakeCallsFn)();
typedef void (*SetReplyFn)(int status, const char* contents);
typedef int (*LiveServersFn)();

class HiscoreServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mOldFolder = fs::current_path();
    fs::current_path(folder.Path());
    ClearSettingsForTest();
    SetSetting("encryptionkey", "Rk47vbnwJAAA");
    SetSetting("ksgamehandle", "qlgame");
    SetSetting("version", "1.2");
    SetSetting("ksgamemodename1", "story");
    SetSetting("ksgamemodename2", "arcade");
    SetSetting("ksgamemedalname1", "Gold");
    ClearFileMap();
    SetDataFolders((folder.Path() + "/user").c_str(), "", "");
    // Anything that went over HTTP instead of the library would fail here.
    std::ofstream(folder.Path() + "/hiscoreserver.txt") << "http://127.0.0.1:9/go/hiscore";
    GetFileMap()["hiscoreserver.txt"] = TStr((folder.Path() + "/hiscoreserver.txt").c_str());

    mStub = LoadLibraryA("ksservlet_stub.dll");
    ASSERT_NE(mStub, nullptr) << "the stub library should sit beside this test program";
    mTakeCalls = (TakeCallsFn)GetProcAddress(mStub, "KsStub_TakeCalls");
    mSetReply = (SetReplyFn)GetProcAddress(mStub, "KsStub_SetReply");
    mLiveServers = (LiveServersFn)GetProcAddress(mStub, "KsStub_LiveServers");
    ASSERT_TRUE(mTakeCalls && mSetReply && mLiveServers);
    mTakeCalls();
    mSetReply(1, "<hiscore/>");
  }
  void TearDown() override {
    TestControl::ClearLoadLibraryFailures();
    if (mStub) FreeLibrary(mStub);
    ClearFileMap();
    fs::current_path(mOldFolder);
  }
  std::string Calls() { return mTakeCalls(); }

  TempFolder folder;
  HMODULE mStub = nullptr;
  TakeCallsFn mTakeCalls = nullptr;
  SetReplyFn mSetReply = nullptr;
  LiveServersFn mLiveServers = nullptr;

 private:
  fs::path mOldFolder;
};

TEST_F(HiscoreServiceTest, DescribesTheGameOnceAndFreesTheServer) {
  {
    TKsHiscores h;
    EXPECT_TRUE(h.HasServiceLibrary());
    EXPECT_EQ(mLiveServers(), 1);
    EXPECT_EQ(Calls(),
              "CreateLocalServer\n"
              "SetServerInfo server \"qlgame\" \"Rk47vbnwJAAA\" modes \"story\" \"arcade\" medals \"Gold\"\n");
  }
  EXPECT_EQ(Calls(), "FreeLocalServer server\n");
  EXPECT_EQ(mLiveServers(), 0);

  SetSetting("ksgamemedalname1", "");
  { TKsHiscores h; }
  EXPECT_EQ(Calls(),
            "CreateLocalServer\n"
            "SetServerInfo server \"qlgame\" \"Rk47vbnwJAAA\" modes \"story\" \"arcade\" medals=null\n"
            "FreeLocalServer server\n");

  SetSetting("ksgamemodename1", "");  // no modes: no description
  { TKsHiscores h; }
  EXPECT_EQ(Calls(), "CreateLocalServer\nFreeLocalServer server\n");

  SetSetting("ksgamehandle", "");  // the library reads its own description
  SetSetting("gamename", "quillomer");
  { TKsHiscores h; }
  EXPECT_EQ(Calls(), "CreateLocalServer\nLoadServerDefFile server\nFreeLocalServer server\n");

  TestControl::FailLoadLibrary("ksservlet_stub.dll");
  TKsHiscores without;
  EXPECT_FALSE(without.HasServiceLibrary());
  EXPECT_EQ(Calls(), "");
}

TEST_F(HiscoreServiceTest, RequestsGoToTheLibrary) {
  TKsHiscores h;
  Calls();
  h.SetParameter(TKsHiscores::kParamPlayer, "Ann");
  h.SetParameter(TKsHiscores::kParamGameMode, "story");
  char message[128];

  mSetReply(1, "<hiscore><tables><table table=\"alltime\" name=\"All time\"/></tables></hiscore>");
  h.RequestCategoryInformation();
  EXPECT_EQ(Calls(), "RequestCategoryInformation server \"qlgame\"\n");
  ASSERT_EQ(h.PollStatus(message, sizeof message, nullptr), TKsHiscores::kPollDone);
  EXPECT_EQ(h.GetCategoryCount(), 1);

  mSetReply(0, "");
  h.RequestScores(0);
  EXPECT_EQ(Calls(), "RequestScores server \"qlgame\" \"story\" \"alltime\" null\n");
  EXPECT_EQ(h.PollStatus(message, sizeof message, nullptr), TKsHiscores::kPollRunning);
  mSetReply(7, "");
  EXPECT_EQ(h.PollStatus(message, sizeof message, nullptr), TKsHiscores::kPollFailed);
  EXPECT_STREQ(message, "Unable to connect to server. Please try again later.");

  h.AddLocalScore(640, false, "lvl=2", "<srv/>");
  h.AddMedal("Ann", {"Gold \"1\"", "type", "story", "", false});
  std::string guid = h.GetLocalLists().at("story")[0].guid.c_str();
  ASSERT_TRUE(h.Submit("ann_l", "pw", false, TKsHiscores::kSubmitScore | TKsHiscores::kSubmitMedals));
  EXPECT_EQ(Calls(), "SubmitScore server \"qlgame\" \"story\" \"ann_l\" \"pw\" \"" + guid +
                         "\" \"1.2\" \"lvl=2\" 640 \"Rk47vbnwJAAA\" \"<srv/><medal name=\"Gold &quot;1&quot;\" per=\"type\"/>\"\n");
  mSetReply(1, "<hiscore><score/></hiscore>");
  bool replyFlag = false;
  ASSERT_EQ(h.PollStatus(message, sizeof message, &replyFlag), TKsHiscores::kPollDone);
  EXPECT_TRUE(replyFlag);
  EXPECT_TRUE(h.GetMedals("Ann")->at(0).submitted);
  EXPECT_FALSE(h.GetPlayerScore(0, nullptr, nullptr, nullptr, 0));

  h.AddMedal("Ann", {"Speed", "type", "story", "", false});
  ASSERT_TRUE(h.Submit("ann_l", "pw", false, TKsHiscores::kSubmitMedals));
  EXPECT_EQ(Calls(), "SubmitMedals server \"qlgame\" \"story\" \"ann_l\" \"pw\" "
                     "\"<medal name=\"Gold &quot;1&quot;\" per=\"type\" type=\"story\"/>"
                     "<medal name=\"Speed\" per=\"type\" type=\"story\"/>\" \"Rk47vbnwJAAA\"\n");
  mSetReply(1, "<hiscore><message>Medals are closed</message></hiscore>");
  EXPECT_EQ(h.PollStatus(message, sizeof message, nullptr), TKsHiscores::kPollFailed);
  EXPECT_STREQ(message, "Medals are closed");
  EXPECT_FALSE(h.GetMedals("Ann")->at(1).submitted);
}

}  // namespace
