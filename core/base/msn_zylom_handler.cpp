// The web-portal host protocol. Events go to the host as a text in 8-byte WM_USER chunks; the
// host answers with WM_USER command codes that reach the game-state store as "windowmessage".
// The portal clock measures the session for score texts and commercial breaks; waits for the
// host are counted apart and left out of the game time.
#include "core/base/msn_zylom_handler.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "core/base/clock.h"
#include "core/base/game_state.h"
#include "core/base/platform.h"
#include "core/base/platform_services.h"
#include "core/base/str.h"
#include "platform/win32/win32.h"

namespace {

// Main thread only, like everything of the portal.
struct PortalState {
  bool msn = false;
  bool zylom = false;
  bool sessionReadySent = false;
  bool menuRequest = false;
  bool restartRequest = false;
  bool hostPause = false;
  bool gameMute = false;
  bool silenced = false;
  float savedVolume = 0.0f;
  bool waiting = false;
  uint32_t waitStart = 0;
  uint32_t totalWait = 0;
  bool inGame = false;
  bool paused = false;
  bool scoreSubmitted = false;
  uint32_t breakCounter = 0;
  uint32_t lastBroadcast = 0;
  int level = 0;
  int sublevel = 0;
  bool atMenu = true;
  int breakInterval = -1;
  TClock clock;  // paused after construction
  std::string queryAnswer;
};

std::unique_ptr<PortalState>& Holder() {
  static std::unique_ptr<PortalState> state(new PortalState);
  return state;
}
PortalState& S() { return *Holder(); }

bool AnyPortal() { return S().msn || S().zylom; }

int StateInt(const char* key) {
  TGameState* store = TGameState::GetInstance();
  return store ? store->GetState(key).ToInt() : 0;
}

TPlatformSoundManager* Sound() {
  TPlatform* platform = TPlatform::GetInstance();
  return platform ? platform->GetSoundManager() : nullptr;
}

void ApplyHostMute() {
  PortalState& s = S();
  bool silent = s.hostPause || s.paused || s.waiting || s.gameMute || (!s.zylom && !s.inGame);
  TPlatformSoundManager* sound = Sound();
  if (silent && !s.silenced) {
    s.savedVolume = sound ? sound->GetVolume(-1) : 0.0f;
    if (sound) sound->SetMasterVolume(0.0f);
    s.silenced = true;
  } else if (!silent && s.silenced) {
    if (sound) sound->SetMasterVolume(s.savedVolume);
    s.silenced = false;
    s.savedVolume = 0.0f;
  }
}

void StartHostWait() {
  PortalState& s = S();
  if (s.waiting) return;
  s.waiting = true;
  s.waitStart = GetTickCount();
  if (!s.paused) {
    s.clock.Pause();
    if (TPlatform* platform = TPlatform::GetInstance()) platform->ShowMouseCursor(false);
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
  }
}

void EndHostWait() {
  PortalState& s = S();
  if (!s.waiting) return;
  s.waiting = false;
  s.totalWait += GetTickCount() - s.waitStart;
  s.waitStart = 0;
  if (!s.paused) {
    s.clock.Start();
    if (TPlatform* platform = TPlatform::GetInstance()) {
      platform->RestoreMouseCursor();
      platform->ShowMouseCursor(true);
      if (TPlatformDisplay* display = platform->GetDisplay()) display->ApplySystemCursor();
    }
  }
}

long PortalSeconds() { return (long)((int32_t)S().clock.GetTime() / 1000); }

void ScoreSubmit(long score) {
  PortalState& s = S();
  if (!AnyPortal()) return;
  char text[256];
  if (s.zylom) {
    snprintf(text, sizeof text,
             "ScoreSubmit(\"<game><score>%ld</score><time>%ld</time><level>%d</level><sublevel>%d</sublevel></game>\")",
             score, PortalSeconds(), s.level, s.sublevel);
    PostHostEvent(text, false);
    s.scoreSubmitted = true;
  } else {
    snprintf(text, sizeof text, "ScoreSubmit(\"<game><score>%ld</score><time>%ld</time></game>\")", score,
             PortalSeconds());
    PostHostEvent(text, false);
  }
}

void GameEnd() {
  if (!AnyPortal()) return;
  S().inGame = false;
  PostHostEvent("GameEnd(\"<gamedata></gamedata>\")", true);
}

void ScoreBroadcast(long score) {
  PortalState& s = S();
  if (!AnyPortal() || !s.inGame) return;
  uint32_t now = GetTickCount();
  if (now - s.lastBroadcast < 5000) return;
  s.lastBroadcast = now;
  char text[256];
  snprintf(text, sizeof text, "ScoreBroadcast(\"<game><score>%ld</score><time>%ld</time></game>\")", score,
           PortalSeconds());
  PostHostEvent(text, false);
}

void GameBreak() {
  if (!AnyPortal()) return;
  S().breakCounter++;
  PostHostEvent(TStr::Format("GameBreak(\"<data><breakpoint>%d</breakpoint></data>\")", (int)S().breakCounter).c_str(),
                true);
}

void GameReady(const char* mode) {
  if (!AnyPortal()) return;
  // Built without a fixed bound: a long mode text is sent whole rather than cut.
  TStr text = TStr("GameReady(\"<data><mode>") + TStr(mode) + TStr("</mode></data>\")");
  PostHostEvent(text.c_str(), true);
}

void LoadBroadcast(int percent) {
  PortalState& s = S();
  if (!s.msn || s.sessionReadySent) return;
  percent = percent < 0 ? 0 : percent > 100 ? 100 : percent;
  PostHostEvent(TStr::Format("LoadBroadcast(\"<data><percentcomplete>%d</percentcomplete></data>\")", percent).c_str(),
                true);
}

void SessionReady() {
  PortalState& s = S();
  if (!AnyPortal() || s.sessionReadySent) return;
  s.sessionReadySent = true;
  PostHostEvent("SessionReady(\"<data></data>\")", true);
}

void SetPaused(bool paused) {
  PortalState& s = S();
  if (!AnyPortal()) return;
  if (paused != s.paused) {
    s.paused = paused;
    if (!s.waiting) {
      if (paused)
        s.clock.Pause();
      else
        s.clock.Start();
      if (s.zylom) PostHostEvent(paused ? "GamePause(\"<data>true</data>\")" : "GamePause(\"<data>false</data>\")", true);
    }
  }
  ApplyHostMute();
}

void RestartRequest() {
  PortalState& s = S();
  if (s.zylom && IsCommercialBreakDue() && s.scoreSubmitted) PostHostEvent("Restart", false);
}

void Register(TMsnZylomHandler* handler) {
  TGameState::Create()->AddHandler(handler);
}

}  // namespace

void EnableMsnHost() {
  S().msn = true;
  Register(new TMsnZylomHandler);
}

void EnableZylomHost() {
  S().zylom = true;
  Register(new TMsnZylomHandler);
}

bool IsMsnHost() { return S().msn; }
bool IsZylomHost() { return S().zylom; }
uint32_t GetHostWaitTime() { return AnyPortal() ? S().totalWait : 0; }

void PostHostEvent(const char* text, bool wait) {
  PortalState& s = S();
  if (TPlatform::IsPqMode()) {
    s.inGame = true;
    return;
  }
  if (s.zylom) wait = false;
  TPlatform* platform = TPlatform::GetInstance();
  HWND host = platform ? platform->GetHostWindow() : nullptr;
  // In the embedded test mode the host window is our own main window: chunks posted there would
  // come back as host commands, so there is nobody to send them to.
  bool ownWindow = platform && host && host == platform->GetMainWindow();
  if (host && !ownWindow) {
    size_t length = strlen(text) + 1;  // the terminating zero travels too
    for (size_t at = 0; at < length; at += 8) {
      uint8_t chunk[8] = {0};
      memcpy(chunk, text + at, length - at < 8 ? length - at : 8);
      uint32_t low = chunk[0] | chunk[1] << 8 | chunk[2] << 16 | (uint32_t)chunk[3] << 24;
      uint32_t high = chunk[4] | chunk[5] << 8 | chunk[6] << 16 | (uint32_t)chunk[7] << 24;
      PostMessageA(host, WM_USER, (WPARAM)low, (LPARAM)high);
    }
  }
  if (wait) StartHostWait();
  ApplyHostMute();
}

void HandleHostCommand(int code) {
  PortalState& s = S();
  if (!AnyPortal()) return;
  switch (code) {
    case 1: s.menuRequest = true; break;
    case 2: s.hostPause = true; break;
    case 3: s.hostPause = false; break;
    case 4:
      if (TPlatform::IsPqMode() && GetCapture()) ReleaseCapture();
      StartHostWait();
      break;
    case 5:
    case 6:
    case 9:
    case 10: EndHostWait(); break;
    case 7:
      s.inGame = true;
      s.lastBroadcast = 0;
      s.paused = false;
      EndHostWait();
      s.clock.Reset();
      s.clock.Start();
      s.breakCounter = 0;
      if (s.atMenu)
        s.atMenu = false;
      else
        s.restartRequest = true;
      break;
    case 8: s.restartRequest = true; break;
    default: break;
  }
  ApplyHostMute();
}

bool IsCommercialBreakDue() {
  PortalState& s = S();
  if (s.breakInterval <= -1) return false;
  return PortalSeconds() > s.breakInterval;
}

void ResetPortalStateForTest() { Holder().reset(new PortalState); }

bool TMsnZylomHandler::HandleEvent(const char* key, const char* value) {
  PortalState& s = S();
  TStr k(key);
  if (k == TStr("windowmessage")) {
    HandleHostCommand(atoi(value));
    return true;
  }
  if (k == TStr("loadbroadcast")) {
    LoadBroadcast(100);
    return true;
  }
  if (k == TStr("sessionready")) {
    SessionReady();
    return true;
  }
  if (k == TStr("cmdline")) {
    if (s.zylom) {
      const char* at = strstr(value, "-com_interval");
      s.breakInterval = !at ? -1 : strlen(at) >= 14 ? atoi(at + 14) : 0;  // never read past the text
    } else if (strstr(value, "-aol")) {
      mAol = true;
    }
  } else if (k == TStr("level")) {
    s.level = atoi(value);
    s.sublevel = StateInt("sublevel");
  } else if (k == TStr("sublevel")) {
    s.level = StateInt("level");
    s.sublevel = atoi(value);
  } else if (k == TStr("pause")) {
    SetPaused(atoi(value) != 0);
  } else if (k == TStr("mute")) {
    if (AnyPortal()) {
      s.gameMute = atoi(value) != 0;
      ApplyHostMute();
      return true;
    }
  } else if (k == TStr("breaknow")) {
    GameBreak();
  } else if (k == TStr("score")) {
    ScoreBroadcast(atol(value));
  } else if (k == TStr("gamemode")) {
    GameReady(value);
  } else if (k == TStr("gameover")) {
    ScoreSubmit(StateInt("score"));
    GameEnd();
  } else if (k == TStr("restartbutton")) {
    RestartRequest();
  }
  return false;
}

const char* TMsnZylomHandler::Query(const char* key, const char* current) {
  PortalState& s = S();
  s.queryAnswer = current ? current : "";
  TStr k(key);
  if (k == TStr("systemmode")) {
    if (s.zylom) s.queryAnswer = "zylom";
    if (s.msn) s.queryAnswer = "msn";
    if (mAol) s.queryAnswer = "aol";
  } else if (k == TStr("restartbutton")) {
    s.queryAnswer = IsCommercialBreakDue() ? "1" : "0";
  }
  return s.queryAnswer.c_str();
}

bool TMsnZylomHandler::TakeRestartRequest() {
  PortalState& s = S();
  if (!AnyPortal()) return false;
  bool was = s.restartRequest;
  s.restartRequest = false;
  if (was) {
    s.inGame = true;
    ApplyHostMute();
  }
  return was;
}

bool TMsnZylomHandler::TakeMenuRequest() {
  PortalState& s = S();
  if (!AnyPortal()) return false;
  bool was = s.menuRequest;
  s.menuRequest = false;
  if (was) {
    s.atMenu = true;
    s.inGame = false;
    ApplyHostMute();
  }
  return was;
}

bool TMsnZylomHandler::IsHostMuted() { return S().gameMute; }

bool TMsnZylomHandler::IsBusy() { return AnyPortal() && S().waiting; }
