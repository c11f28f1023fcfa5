#include "game/minigames/rewards/slot_machine.h"

#include <algorithm>
#include <cmath>

#include "core/base/log.h"
#include "core/base/random.h"
#include "core/base/saturate.h"
#include "core/graphics/draw_spec.h"
#include "core/graphics/sprites/sprite.h"
#include "core/graphics/texture.h"
#include "core/script/lua_function.h"
#include "core/script/lua_table.h"
#include "core/script/script.h"
#include "core/windows/window_style.h"
#include "game/minigames/factory_screen.h"
#include "game/minigames/rewards/reward_parts.h"
#include "game/shell/world/world_drawing.h"
#include "game/shell/world/world_script.h"
#include "game/shell/sound_bridge.h"

namespace {

std::shared_ptr<TTexture> ItemPicture(const TStr& name) {
  return name.IsEmpty() ? nullptr : TTexture::Get(TStr("items/") + name + TStr("_big"), 0);
}

}  // namespace

SlotWheel::SlotWheel(float x, float y, const std::vector<TStr>* items)
    : mBaseY(y), mItems(items), mStrip(TSprite::Create(0)) {
  mStrip->GetDrawSpec() = TDrawSpec(TVec2(x, y), 1.0f, kScale);
  for (int i = 0; i < 4; ++i) {
    mNames[i] = RandomItem();
    mCells[i] = TSprite::Create(0, ItemPicture(mNames[i]));
    mCells[i]->SetPosition(TVec2(0.0f, -2.0f * kCellSpacing + kCellSpacing * (float)i));
    mStrip->AddChild(mCells[i]);
  }
}

TStr SlotWheel::RandomItem() const {
  if (mItems->empty()) return TStr();
  return (*mItems)[(size_t)RandomInRange(0, (int)mItems->size() - 1)];
}

void SlotWheel::Start(uint32_t result, uint32_t steps, uint32_t stepTime) {
  mResult = result;
  mStepsLeft = steps;
  mStepTime = stepTime;
}

bool SlotWheel::Hurry() {
  if (mStepsLeft == 0) return false;
  if (mStepsLeft > 3) mStepsLeft = 3;
  return true;
}

void SlotWheel::ShowNames() {
  for (int i = 0; i < 4; ++i) mCells[i]->SetTexture(ItemPicture(mNames[i]));
}

void SlotWheel::Update() {
  if (mStepsLeft == 0) return;
  mProgress += mStepTime;
  if (mProgress >= kStepUnits) {
    if (mStepsLeft == 1) SoundEvent(TStr("spin_stop"));
    for (int i = 3; i > 0; --i) mNames[i] = mNames[i - 1];
    mNames[0] = RandomItem();
    --mStepsLeft;
    if (mStepsLeft == 2 && mResult < mItems->size()) mNames[0] = (*mItems)[mResult];
    ShowNames();
  }
  mProgress %= kStepUnits;
  // The strip slides one cell (in its own, scaled units) per step and jumps back as the names
  // move on, so the pictures seem to run down without a jerk.
  float y = mStepsLeft == 0 ? mBaseY : mBaseY + (float)mProgress * kCellSpacing / (float)kStepUnits * kScale;
  TVec2 p = mStrip->GetPosition();
  mStrip->SetPosition(TVec2(p.x, y));
}

SlotMachine::SlotMachine() {
  mGlobals.Bind("StartSlots", this, &SlotMachine::StartSlots);
  mGlobals.Bind("StopSlots", this, &SlotMachine::StopSlots);
  if (TScript* script = mSparkle.GetScript()) script->SetGlobalString(TStr("gSparkleTexture"), TStr("dollars_big"));
  mSparkle.Load(TStr("glitz/slotpayout.lua"));
}

SlotMachine::~SlotMachine() = default;

TWindow* SlotMachine::GetFactory() { return new SlotMachine; }

void SlotMachine::PostChildrenInit(TWindowStyle& style) {
  TWindow::PostChildrenInit(style);
  mItems = StringsOf(style, "options");
  if (mItems.empty()) LogError("SlotMachine %s: no \"options\"; its wheels stay empty", GetName().c_str());
  for (uint32_t i = 0; i < kWheelCount; ++i) {
    TStr key = TStr::Format("wheel%u", i + 1);
    std::unique_ptr<TLuaTable> place(style.GetTable(key.c_str()));
    if (!place) {
      LogError("SlotMachine %s: no \"%s\" table; that wheel is left out", GetName().c_str(), key.c_str());
      continue;
    }
    mWheels[i] = std::make_shared<SlotWheel>((float)place->GetNumber("x", 0), (float)place->GetNumber("y", 0), &mItems);
  }
  mSparklePosition = TVec3(185, 244, 1);
  mOnStopped.reset(style.GetFunction("onstopped"));
  mOnPayout.reset(style.GetFunction("onpayout"));
}

uint32_t SlotMachine::ResultIndex(uint32_t wheel, double r) const {
  const int32_t count = (int32_t)mItems.size();
  const int32_t index = SaturateToInt32(r);
  if (index >= 1 && index <= count) return (uint32_t)(index - 1);
  const int32_t kept = std::clamp(index, 1, std::max(count, 1));
  if (std::isfinite(r))
    LogError("StartSlots: wheel %u's result %.0f is not one of the %d options; it stops on option %d", wheel + 1, r,
             count, kept);
  else
    LogError("StartSlots: wheel %u's result is no number; it stops on option %d", wheel + 1, kept);
  return (uint32_t)(kept - 1);
}

void SlotMachine::StartSlots(double r1, double r2, double r3, double r4, double payout) {
  ++mTurn;
  mAllStopped = false;
  mPayoutDone = false;
  const double results[kWheelCount] = {r1, r2, r3, r4};
  if (mItems.empty()) LogError("StartSlots: the slot machine has no options; its wheels stay still");
  for (uint32_t i = 0; i < kWheelCount; ++i) {
    if (!mWheels[i]) continue;
    uint32_t result = ResultIndex(i, results[i]);
    uint32_t steps = (uint32_t)RandomInRange(20, 50);
    uint32_t stepTime = (uint32_t)RandomInRange(90, 110);
    mWheels[i]->Start(result, mItems.empty() ? 0 : steps, stepTime);
  }
  mPayout = (float)payout;
  SetAnimTimer(kTickMs, true, true, false);
}

void SlotMachine::StopSlots() {
  for (auto& wheel : mWheels)
    if (wheel && wheel->Hurry()) return;
}

void SlotMachine::PayoutStarts() {
  const double sparkleTime = (double)mPayout * 0.5 + 1.0;
  if (TScript* script = mSparkle.GetScript()) {
    script->SetGlobalNumber(TStr("gSparkleTime"), sparkleTime);
    script->SetGlobalNumber(TStr("gSparkleDensity"), (double)mPayout * 10.0);
  }
  mPayoutMs = 0;
  // A time that is no number counts as none.
  const double wanted = sparkleTime > 0 ? std::min(sparkleTime * 1000.0, (double)kLongestPayoutMs) : 0.0;
  mPayoutLimitMs = (uint32_t)wanted + kPayoutGraceMs;
}

bool SlotMachine::OnAnimate() {
  const uint32_t turn = mTurn;
  if (!mAllStopped) {
    mAllStopped = true;
    for (auto& wheel : mWheels) {
      if (!wheel) continue;
      wheel->Update();
      if (wheel->IsMoving()) mAllStopped = false;
    }
    RequestRedraw();
    if (mAllStopped) {
      if (mOnStopped) {
        SoundEvent(TStr("Stop_machine_spin"));
        RunScriptFunction(*mOnStopped);
        // The script may have started the next turn already.
        if (mTurn != turn) return true;
      }
      PayoutStarts();
    }
  }
  if (mAllStopped && !mPayoutDone) {
    if (mPayout > 0) {
      mSparkle.Update((int32_t)kTickMs);
      mPayoutMs += kTickMs;
      TScript* script = mSparkle.GetScript();
      double left = script ? script->GetGlobalNumber(TStr("gSparkleTime")) : 0.0;
      if (left <= 0 || mPayoutMs >= mPayoutLimitMs) mPayoutDone = true;
      RequestRedraw();
    } else {
      mPayoutDone = true;
    }
    if (mPayoutDone && mOnPayout) {
      SoundEvent(TStr("Stop_win_money"));
      RunScriptFunction(*mOnPayout);
      if (mTurn != turn) return true;
    }
  }
  return !(mAllStopped && mPayoutDone);
}

void SlotMachine::Draw() {
  TReward2dPass pass;
  if (pass.IsOpen()) {
    TVec2 origin = ScreenOrigin(this);
    TDrawSpec spec(origin);
    for (auto& wheel : mWheels)
      if (wheel) wheel->GetStrip()->Draw(spec);
    mSparkle.Draw(TVec3(origin.x + mSparklePosition.x, origin.y + mSparklePosition.y, mSparklePosition.z));
  }
  TWindow::Draw();
}
