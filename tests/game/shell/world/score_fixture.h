// The high-score windows inside the real platform: the player Ada with her profile, the
// high-score client talking to a loopback server whose replies the test sets by request
// ("tables", "get", "submit"), a string table the test fills, and the windows' classes.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "core/base/file.h"
#include "core/base/hiscore.h"
#include "core/base/string_table.h"
#include "core/base/xml_node.h"
#include "core/windows/modal_window.h"
#include "core/windows/text.h"
#include "game/shell/game_setup.h"
#include "game/shell/user_manager.h"
#include "tests/core/base/support/loopback_server.h"
#include "tests/game/shell/shell_fixture.h"
#include "tests/support/temp_folder.h"

class ScoreFixture : public ShellFixture {
 protected:
  void SetUp() override {
    ShellFixture::SetUp();
    ASSERT_TRUE(server.Start());
    server.SetHandler([this](const HttpRequestRecord& request) {
      std::lock_guard<std::mutex> lock(mLock);
      auto found = mReplies.find(request.Param("action"));
      return found != mReplies.end() ? found->second : CannedReply{200, "text/xml", "<hiscore/>"};
    });
  }
  void TearDown() override {
    server.Stop();
    ShellFixture::TearDown();
  }

  // The reply to every request of an action ("tables", "get", "submit").
  void Reply(const std::string& action, const CannedReply& reply) {
    std::lock_guard<std::mutex> lock(mLock);
    mReplies[action] = reply;
  }
  void Reply(const std::string& action, const std::string& body) { Reply(action, CannedReply{200, "text/xml", body}); }

  // A tables reply of n categories "Table 0".. with keys "t0"...
  static std::string Tables(int n) {
    std::string xml = "<hiscore><tables>";
    for (int i = 0; i < n; i++)
      xml += "<table table=\"t" + std::to_string(i) + "\" name=\"Table " + std::to_string(i) + "\"/>";
    return xml + "</tables></hiscore>";
  }
  // A scores reply of n rows: "P1".. with falling scores, places from 1 and data "3-<row>-<row*100>".
  static std::string Scores(int n, const std::string& extraRow = "") {
    std::string xml = "<hiscore><scores>" + extraRow;
    for (int i = 1; i <= n; i++)
      xml += "<score name=\"P" + std::to_string(i) + "\" score=\"" + std::to_string(10000 - i) + "\" rank=\"" +
             std::to_string(i) + "\" data=\"3-" + std::to_string(i) + "-" + std::to_string(i * 100) + "\"/>";
    return xml + "</scores></hiscore>";
  }

  // Inside RunPlatform: the client's server is the loopback one (or url), Ada plays, the string
  // table holds the score texts and the windows' classes are registered.
  void Begin(const std::string& url = "") {
    std::string file = mFolder.Path() + "/hiscoreserver.txt";
    std::ofstream(file) << (url.empty() ? server.Url("/go/hiscore") : url) << "\n";
    GetFileMap()["hiscoreserver.txt"] = TStr(file.c_str());
    UserManager::Destroy();
    for (const char* stored : {"/prefs.dat", "/hiscore.dat"})
      std::filesystem::remove(std::string(GetUserFolder().c_str()) + stored);
    UserManager::Create();
    UserManager::Get()->CreateNewUser("Ada");
    TPlatform::GetInstance()->GetStringTable()->AddText(kStrings, (int)strlen(kStrings));
    TGameSetup setup;
    ProvideScoreWindows(setup);
    for (const char* key : {"HiscoreWindow", "SubmitWindow"})
      TWindowManager::Get()->RegisterWindowClass(key, setup.GetWindowClass(key));
    for (auto after : setup.afterClasses) after();
  }
  void End() { UserManager::Destroy(); }

  static TKsHiscores* Client() { return UserManager::Get()->GetHiscores(); }

  // The window named `name' below the top modal window.
  static TWindow* Child(const char* name) {
    TWindow* top = TWindowManager::Get()->GetTopModal();
    return top ? top->FindChild(name) : nullptr;
  }
  static bool Shown(const char* name) {
    TWindow* w = Child(name);
    return w && (w->GetFlags() & kWindowEnabled);
  }
  static std::string TextOf(const char* name) {
    TText* text = AsText(Child(name));
    TStr value;
    if (text) text->GetText(value);
    return text ? value.c_str() : "<none>";
  }

  // Calls poll as the window's timer would until done waits no more (five seconds at most).
  template <typename Done>
  static void PollUntil(TWindow* window, Done done) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
      window->OnAnimate();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  static constexpr const char* kStrings =
      "<?xml version=\"1.0\"?><Workbook><Worksheet><Table>"
      "<Row><Cell><Data>score_format</Data></Cell><Cell><Data>score %1%</Data></Cell></Row>"
      "<Row><Cell><Data>score_info_format</Data></Cell><Cell><Data>%1%|%2%|%3%</Data></Cell></Row>"
      "<Row><Cell><Data>rank_3</Data></Cell><Cell><Data>Chocolatier</Data></Cell></Row>"
      "<Row><Cell><Data>rank_A</Data></Cell><Cell><Data>Ace</Data></Cell></Row>"
      "<Row><Cell><Data>yourrank</Data></Cell><Cell><Data>You are number %1%</Data></Cell></Row>"
      "</Table></Worksheet></Workbook>";

  LoopbackServer server;

 private:
  TempFolder mFolder;
  std::mutex mLock;
  std::map<std::string, CannedReply> mReplies;
};
