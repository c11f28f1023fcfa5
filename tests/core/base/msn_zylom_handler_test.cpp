// The web-portal handler against a recording host window, on the manual clock.
#include "core/base/msn_zylom_handler.h"

#include <string>
#include <vector>

#include "core/base/game_state.h"
#include "core/base/platform_services.h"
#include "tests/core/base/win32/platform_fixture.h"

namespace {

// What the host received: texts put together from the 8-byte chunks, and the chunk count.
std::vector<std::string> gTexts;
std::string gPartial;
int gChunks = 0;
HWND gGame = nullptr;
bool gEndWaits = true;  // answer every event with "end of wait", as a patient host does

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_USER) return DefWindowProcA(window, message, wParam, lParam);
  gChunks++;
  uint32_t words[2] = {(uint32_t)wParam, (uint32_t)lParam};
  for (int i = 0; i < 8; i++) {
    char c = (char)(words[i / 4] >> (8 * (i % 4)));
    if (c == 0) {
      gTexts.push_back(gPartial);
      gPartial.clear();
      if (gEndWaits && gGame) SendMessageA(gGame, WM_USER, 5, 0);
      break;
    }
    gPartial += c;
  }
  return 1;
}

class PortalTest : public PlatformFixture {
 protected:
  void SetUp() override {
    PlatformFixture::SetUp();
    gTexts.clear();
    gPartial.clear();
    gChunks = 0;
    gEndWaits = true;
    WNDCLASSA wc{};
    wc.lpfnWndProc = HostProc;
    wc.lpszClassName = "portal_host";
    RegisterClassA(&wc);
    host = CreateWindowExA(0, "portal_host", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 480, nullptr,
                           nullptr, nullptr, nullptr);
  }
  void TearDown() override {
    DestroyWindow(host);
    PlatformFixture::TearDown();
  }
  // Runs embedded in the recording host with these switches; the body starts after the pump's
  // first call (load and session events) has been answered.
  void RunHosted(const std::string& switches, std::function<void(TPlatform*, TGameState*)> body) {
    std::string line = TStr::Format("-wnd=%x ", (unsigned)(uintptr_t)host).c_str() + switches;
    RunPlatform(line, [&](TPlatform* p) {
      gGame = p->GetMainWindow();
      Drain(p);
      body(p, TGameState::GetInstance());
    });
    gGame = nullptr;
  }
  static size_t Count(const std::string& prefix) {
    size_t n = 0;
    for (auto& t : gTexts) n += t.rfind(prefix, 0) == 0;
    return n;
  }
  HWND host = nullptr;
};

TEST_F(PortalTest, StartUpSendsFullLoadThenOneSessionReady) {
  RunHosted("-msn", [](TPlatform* p, TGameState* store) {
    ASSERT_GE(gTexts.size(), 2u);
    EXPECT_EQ(gTexts[0], "LoadBroadcast(\"<data><percentcomplete>100</percentcomplete></data>\")");
    EXPECT_EQ(gTexts[1], "SessionReady(\"<data></data>\")");
    store->SetState("sessionready", "again");
    store->SetState("loadbroadcast", "5");  // after the session is ready: nothing
    Drain(p);
    EXPECT_EQ(gTexts.size(), 2u);
  });
}

TEST_F(PortalTest, TextsTravelInEightByteChunksEndingWithTheZero) {
  RunHosted("-msn", [](TPlatform* p, TGameState*) {
    gTexts.clear();
    gChunks = 0;
    PostHostEvent("GameEnd(\"<gamedata></gamedata>\")", false);  // 32 characters
    Drain(p);
    EXPECT_EQ(gChunks, 5);
    ASSERT_EQ(gTexts.size(), 1u);
    EXPECT_EQ(gTexts[0], "GameEnd(\"<gamedata></gamedata>\")");
  });
}

TEST_F(PortalTest, ScoreBroadcastsAreFiveSecondsApartAndOnlyInGame) {
  RunHosted("-msn", [](TPlatform* p, TGameState* store) {
    store->SetState("score", "10");  // not in a game yet
    SendMessageA(p->GetMainWindow(), WM_USER, 7, 0);  // the host starts a session
    EXPECT_FALSE(store->IsRestartMode());  // at the menu at start: no restart
    store->SetState("score", "11");
    TestControl::AdvanceClock(3000);
    store->SetState("score", "12");
    TestControl::AdvanceClock(2000);
    store->SetState("score", "13");
    Drain(p);
    EXPECT_EQ(Count("ScoreBroadcast"), 2u);
    EXPECT_EQ(Count("ScoreBroadcast(\"<game><score>13</score>"), 1u);
  });
}

TEST_F(PortalTest, ZylomPauseSendsTheEventAndSilencesWithoutWaiting) {
  RunHosted("-zylom", [](TPlatform* p, TGameState* store) {
    TPlatformSoundManager* sound = p->GetSoundManager();
    sound->SetMasterVolume(0.75f);
    SendMessageA(p->GetMainWindow(), WM_USER, 7, 0);
    EXPECT_FLOAT_EQ(sound->GetVolume(-1), 0.75f);
    store->SetState("pause", "1");
    Drain(p);
    EXPECT_EQ(Count("GamePause(\"<data>true</data>\")"), 1u);
    EXPECT_FLOAT_EQ(sound->GetVolume(-1), 0.0f);
    EXPECT_FALSE(store->IsBusy());
    store->SetState("pause", "0");
    EXPECT_FLOAT_EQ(sound->GetVolume(-1), 0.75f);
  });
}

TEST_F(PortalTest, HostedModePostsNothingButStartsTheGame) {
  RunHosted("-pq=1", [](TPlatform* p, TGameState* store) {
    store->SetState("gamemode", "story");
    store->SetState("gameover", "1");
    Drain(p);
    EXPECT_TRUE(gTexts.empty());
    EXPECT_FALSE(store->IsBusy());
  });
}

TEST_F(PortalTest, SystemModeAnswersAolForTheAolSwitch) {
  RunHosted("-msn -aol", [](TPlatform*, TGameState* store) {
    EXPECT_EQ(store->GetState("systemmode"), TStr("aol"));
  });
}

TEST_F(PortalTest, CommercialBreakRestartComesAfterTheInterval) {
  RunHosted("-zylom -com_interval=0", [](TPlatform* p, TGameState* store) {
    SendMessageA(p->GetMainWindow(), WM_USER, 7, 0);
    store->SetState("score", "5");
    store->SetState("gameover", "1");  // submits the score
    EXPECT_EQ(store->GetState("restartbutton"), TStr("0"));
    store->SetState("restartbutton", "1");
    TestControl::AdvanceClock(1001);
    EXPECT_EQ(store->GetState("restartbutton"), TStr("1"));
    store->SetState("restartbutton", "1");
    Drain(p);
    EXPECT_EQ(Count("Restart"), 1u);
  });
}

TEST_F(PortalTest, WaitTimeIsLeftOutOfTheGameTime) {
  RunHosted("-msn", [](TPlatform* p, TGameState* store) {
    uint32_t before = p->GetTime();
    gEndWaits = false;
    SendMessageA(p->GetMainWindow(), WM_USER, 4, 0);  // the host asks the game to wait
    EXPECT_TRUE(store->IsBusy());
    TestControl::AdvanceClock(700);
    SendMessageA(p->GetMainWindow(), WM_USER, 9, 0);
    EXPECT_FALSE(store->IsBusy());
    EXPECT_EQ(p->GetTime() - before, 0u);
  });
}

}  // namespace
