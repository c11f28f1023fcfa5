// The ledger's script functions: RealUpdateLedger, SetLedgerQuestIndicator, AnimateProduction.
#include <cmath>
#include <memory>

#include "core/base/game_state.h"
#include "core/base/saturate.h"
#include "core/script/lua_table.h"
#include "core/windows/window_manager.h"
#include "game/shell/game_library.h"
#include "game/shell/qrn_string_file.h"
#include "game/shell/sound_bridge.h"
#include "game/shell/world/dookie_dropper.h"
#include "game/shell/world/ledger_window.h"
#include "game/shell/world/world_script.h"

namespace {

void SetGameStateValue(const char* key, uint32_t value) {
  if (TGameState* state = TGameState::GetInstance())
    state->SetState(TStr(key), TStr::Format("%lu", (unsigned long)value));
}

TStr GameString(const TStr& label) {
  QRNStringFile* strings = QRNStringFile::Get();
  return strings ? strings->GetString(label) : FrameworkString(label);
}

}  // namespace

void LedgerWindow::RealUpdateLedger(TStr what, TStr text) {
  std::unique_ptr<TLuaTable> player = GlobalTable("Player");
  auto number = [&](const char* key, double def) { return player ? player->GetNumber(key, def) : def; };
  bool full = what == "newplayer" || what == "all";
  float rank = (float)number("rank", 1);

  if (full || what == "time") {
    double weeks = number("time", 0);
    SetText("day", Date(weeks));
    SetGameStateValue("GameWeeks", SaturateToUInt32(std::trunc(weeks)));
  }
  if (full || what == "money") {
    // Kept in double precision: a float would show $123,456,789 as $123,456,792.
    double money = number("money", 0);
    if (money != mTargetMoney) {
      mTargetMoney = money;
      mMoneyStep = (money - mShownMoney) / kCountTicks;
    }
    if (what == "newplayer") ShowMoney();
  }
  if (full || what == "rank") {
    uint32_t level = SaturateToUInt32(std::trunc(rank));
    SetText("rank", GameString(TStr::Format("rank_%lu", (unsigned long)level)));
    ShowWindow("score", rank != 1.0f);
    SetGameStateValue("Rank", level);
  }
  if (what == "newplayer" || what == "quest") SetText("questText", text);
  if (full || what == "factory") {
    std::unique_ptr<TLuaTable> factories = Field(player, "factories");
    for (DookieDropper* panel : mPanels) {
      bool owned = Field(factories, panel->GetName().c_str()) != nullptr;
      panel->SetFlags(owned ? panel->GetFlags() | kWindowEnabled : panel->GetFlags() & ~kWindowEnabled);
      if (owned) panel->Refresh();
    }
  }
  if (what == "portview" || what == "mapview") {
    ShowWindow("map_port", what == "mapview");
    ShowWindow("port_map", what == "portview");
  }
  if (full || what == "time" || what == "money") {
    double average = AverageMoney(number("money", 0), number("time", 0));
    SetText("score", FrameworkString("score_format", Dollars(average)));
  }
  if (TWindowManager* manager = TWindowManager::Get()) manager->Invalidate();
}

void LedgerWindow::SetLedgerQuestIndicator(TStr state) {
  if (!FindChild("ledger_questgoals", -1)) return;
  if (state == "on") {
    SetBadge("image/badge_button_indicator_complete");
    mBadgeCounter = 0;
    mBadgeFlashing = false;
  } else if (state == "flash") {
    SetBadge("image/badge_button_indicator_complete");
    if (!mBadgeFlashing) {
      mBadgeFlashing = true;
      mBadgeCounter = kFlashMs;
      SoundEvent("quest_requirements_met");
    }
  } else {
    SetBadge("image/badge_button_indicator_incomplete");
    mBadgeCounter = 0;
    mBadgeFlashing = false;
  }
  if (TWindowManager* manager = TWindowManager::Get()) manager->Invalidate();
}

void LedgerWindow::AnimateProduction() {
  for (DookieDropper* panel : mPanels) panel->ResetAnimation();
}
