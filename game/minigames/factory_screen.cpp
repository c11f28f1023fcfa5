// The factory windows' screen, keys and clock.
#include "game/minigames/factory_screen.h"

#include <cmath>
#include <cstring>

#include "core/base/log.h"
#include "core/base/saturate.h"
#include "core/graphics/sprites/sprite.h"
#include "core/graphics/texture.h"
#include "core/script/lib_aux.h"
#include "core/script/lua_function.h"
#include "core/script/lua_table.h"
#include "core/windows/message.h"
#include "core/windows/modal_window.h"
#include "core/windows/text.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_script.h"
#include "core/windows/window_style.h"
#include "game/minigames/factory_parts.h"
#include "game/shell/editors/curve.h"
#include "game/shell/game_library.h"
#include "game/shell/qrn_window.h"
#include "game/shell/sound_bridge.h"

std::shared_ptr<TSprite> AddSprite(const std::shared_ptr<TSprite>& parent, const char* texture, int32_t layer,
                                   const TVec2& at) {
  auto sprite = TSprite::Create(layer, TTexture::Get(TStr(texture)));
  PlaceAt(*sprite, at);
  if (parent) parent->AddChild(sprite);
  return sprite;
}

std::shared_ptr<TCurve> CurveOf(TWindowStyle& style, const char* key) {
  std::unique_ptr<TLuaTable> table(style.GetTable(key));
  return table ? CreateCurveFromTable(table.get()) : nullptr;
}

uint32_t MsOf(TWindowStyle& style, const char* key, double def) { return SaturateToUInt32(style.GetNumber(key, def)); }

std::vector<TStr> StringsOf(TWindowStyle& style, const char* key) {
  std::vector<TStr> out;
  if (std::unique_ptr<TLuaTable> table{style.GetTable(key)}) {
    TLuaObjectWrapper* k = nullptr;
    while (TLuaObjectWrapper* value = table->Next(&k)) {
      out.push_back(value->AsString());
      delete value;
    }
  }
  return out;
}

std::vector<TVec2> PointsOf(TWindowStyle& style, const char* key) {
  std::vector<TVec2> out;
  if (std::unique_ptr<TLuaTable> table{style.GetTable(key)}) {
    lua_State* L = table->GetState();
    TLuaObjectWrapper* k = nullptr;
    while (TLuaObjectWrapper* value = table->Next(&k)) {
      value->Push();
      if (lua_istable(L, -1)) {
        TLuaTable point(L);
        out.push_back(TableToVec2(&point));
      } else {
        lua_pop(L, 1);
      }
      delete value;
    }
  }
  return out;
}

void TurnSprite(const std::shared_ptr<TSprite>& sprite, float angle) {
  if (!sprite) return;
  TMat3& m = sprite->GetDrawSpec().mMatrix;
  TVec2 at = m.GetTranslation();
  float z = m.m[2][2];
  m = TMat3::MakeRotation(angle);
  m.SetTranslation(at);
  m.m[2][2] = z;
}

void TurnToward(const std::shared_ptr<TSprite>& sprite, const TVec2& d) {
  float y = d.y < -1.0f ? -1.0f : (d.y > 1.0f ? 1.0f : d.y);  // rounding may leave a unit vector a hair long
  float a = std::acos(y);
  if (d.x > 0.0f) a = -a;
  TurnSprite(sprite, a + (float)M_PI);
}

void SetTextOf(TText* text, TStr value) {
  if (text) text->SetText(value);
}

TWindow* FindScreenWindow(const TWindow* factory, const char* name) {
  TWindow* parent = factory ? factory->GetParent() : nullptr;
  return parent ? parent->FindChild(TStr(name), -1) : nullptr;
}

void EnableScreenWindow(const TWindow* factory, const char* name, bool on) {
  if (on)
    EnableWindowSafe(FindScreenWindow(factory, name));
  else
    DisableWindowSafe(FindScreenWindow(factory, name));
}

void FillInformation(const TWindow* factory, const char* script) {
  TWindow* information = FindScreenWindow(factory, "information");
  if (!information) return;
  FillWindowFromScript(information, TStr(script));
  EnableWindowSafe(information);
}

void SetTopModalOnly(bool on) {
  if (TWindowManager* manager = TWindowManager::Get()) manager->SetTopModalOnly(on);
}

void CloseFactoryScreen(TWindow* factory) {
  TModalWindow* modal = factory ? factory->GetParentModal() : nullptr;
  TWindowManager* manager = TWindowManager::Get();
  if (modal && manager) manager->PostMessage(new TMessage(kCloseWindow, modal->GetIdString(), modal));
}

void OpenDeveloperMenu(const char* who) {
  TWindowManager* manager = TWindowManager::Get();
  TWindowScript* script = manager ? manager->GetScript() : nullptr;
  if (!script) return;
  lua_State* L = script->GetState();
  static const char kText[] = "DoModal('dev/dev_menu.lua')";
  if (luaL_loadbuffer(L, kText, std::strlen(kText), "=developer menu") != 0) {
    LogError("%s: the developer menu cannot be opened: %s", who, lua_tostring(L, -1));
    lua_pop(L, 1);
    return;
  }
  TLuaFunction command(L);
  script->DeliverMessage(nullptr, &command);
}

void FactoryClock::SetTimes(uint32_t countdown, uint32_t game, uint32_t warn) {
  mCountdownTime = countdown;
  mGameTime = game;
  mWarnTime = warn;
}

void FactoryClock::Reset() {
  uint64_t total = (uint64_t)mGameTime + mCountdownTime;
  mTimeLeft = total > UINT32_MAX ? UINT32_MAX : (uint32_t)total;
}

void FactoryClock::FindTexts(TWindow* factory) {
  mTimeText = FindChildText(factory, TStr("time"));
  mCountdownText = FindChildText(factory, TStr("countdown"));
}

void FactoryClock::ClearTimeText() { SetTextOf(mTimeText, TStr()); }

FactoryClock::Event FactoryClock::StepCountdown(uint32_t step) {
  if ((uint64_t)mTimeLeft > (uint64_t)mGameTime + step) {
    uint32_t seconds = mTimeLeft / 1000;
    mTimeLeft -= step;
    if (mTimeLeft / 1000 < seconds) {
      SoundEvent(TStr("clock_tick"));
      SetTextOf(mCountdownText, TStr::Format("%d", (int)((mTimeLeft - mGameTime + 999) / 1000)));
    }
    return kRunning;
  }
  // A countdown and game shorter than a step end here, at 0, never below it.
  mTimeLeft = mTimeLeft > step ? mTimeLeft - step : 0;
  SoundEvent(TStr("start_bell"));
  SetTextOf(mCountdownText, TStr());
  return kPlayStarts;
}

FactoryClock::Event FactoryClock::StepPlay(uint32_t step) {
  if (mTimeLeft <= step) {
    TurnSprite(mHand, 0.0f);
    SetTextOf(mTimeText, TStr("0:00"));
    return kTimeUp;
  }
  uint32_t before = mTimeLeft;
  mTimeLeft -= step;
  if (before > mWarnTime && mTimeLeft <= mWarnTime) SoundEvent(TStr("whistle"));
  unsigned long s = (mTimeLeft + 999ul) / 1000;
  SetTextOf(mTimeText, TStr::Format("%lu:%02lu", s / 60, s % 60));
  // A game of no time has no turn to share out.
  if (mGameTime > 0) TurnSprite(mHand, -2.0f * (float)M_PI * (float)mTimeLeft / (float)mGameTime);
  return kRunning;
}
