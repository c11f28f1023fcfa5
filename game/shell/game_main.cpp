// The game's start-up settings, its reporting plan and its main callback.
#include "game/shell/game_main.h"

#include "core/base/game_state.h"
#include "core/base/settings.h"
#include "core/base/string_table.h"
#include "core/graphics/renderer.h"
#include "core/windows/window_manager.h"
#include "game/shell/test_seams.h"
#include "game/shell/custom_text_edit.h"
#include "game/shell/game_setup.h"
#include "game/shell/run_game.h"
#include "game/shell/user_manager.h"

namespace {

const char* const kGameName = "quillomer-lorvane-design";
const char* const kMedals[] = {"up_comer_cup", "chocolate", "coffee", "creative", "2ndshop",
                               "factories", "achievement", "port", "recipe"};

}  // namespace

void StoreGameSettings() {
  SetSetting("gamename", kGameName);
  SetSetting("encryptionkey", "Rk47vbnwJAAA");
  SetSetting("ksgamehandle", kGameName);
  SetSetting(TStr::Format("%s%d", "ksgamemodename", 1), TStr(kGameName) + TStr("_storymode"));
  for (int i = 0; i < 9; i++)
    SetSetting(TStr::Format("%s%d", "ksgamemedalname", i + 1), TStr(kGameName) + TStr("_") + TStr(kMedals[i]));
}

void SetupSessionReporting() {
  TGameState* store = TGameState::GetInstance();
  if (!store) return;
  store->SetStateInt("SessionTime", 1);
  auto states = [store] {
    for (const char* state : {"GameWeeks", "Money", "Rank"}) store->SetState("add-state", state);
  };
  store->SetState("begin-session", "SessionData");
  store->SetState("add-value", GetSetting("version", TStr()));
  store->SetState("add-timer", "SessionTime");
  states();
  store->SetState("add-timer", "IntroMovieTime");
  store->SetState("end-session", "SessionData");
  for (int minutes : {15, 30, 45, 59}) {
    TStr progress = TStr::Format("Progress-%d", minutes);
    store->SetState(TStr::Format("begin-elapsed(%d)", minutes), progress);
    states();
    store->SetState(TStr::Format("end-elapsed(%d)", minutes), progress);
  }
}

void GameMain(TPlatform* platform, const char*) {
  TRenderer* renderer = TRenderer::Get();
  for (const char* option : {"new_subtractive", "new_render_blend", "texture_rectangle"})
    renderer->SetOption(option, "1");
  SetupSessionReporting();
  StartCoverageLog(kGameWindowClassKeys);
  OfferWindowFinder();
  platform->SetWindowTitle(platform->GetStringTable()->GetString("windowtitle"));
  UserManager::Create();
  UserManager::ApplyDisplayMode();
  if (TWindowManager* manager = TWindowManager::Get())
    manager->RegisterWindowClass("TextEdit", &TCustomTextEdit::Create);
  RunGame();
  UserManager::Destroy();
}
