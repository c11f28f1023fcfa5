// SlotMachine: four rolling wheels of item pictures and a shower of coins for a win
// ("SlotMachine"). The screen script names the items that may show ("options", product codes:
// a cell shows "items/<name>_big"), places each wheel ("wheel1" ... "wheel4", tables of x and y)
// and gives two functions to call back ("onstopped", "onpayout"). The script decides the turn:
// StartSlots(r1, r2, r3, r4, payout) rolls the wheels for a random time and lands each on its
// item, StopSlots hurries the leftmost moving wheel, and when all stand "onstopped" is called,
// the payout's coins play and "onpayout" follows. The cabinet and buttons are the script's own
// windows.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/base/str.h"
#include "core/base/vec3.h"
#include "core/graphics/particles/lua_particle_system.h"
#include "core/windows/window.h"
#include "game/shell/script_globals.h"

class TLuaFunction;
class TSprite;

class SlotWheel {
 public:
  // Progress units of one item step.
  static constexpr uint32_t kStepUnits = 200;
  // The cells' spacing in the strip's own units, which the strip's scale shrinks.
  static constexpr float kCellSpacing = 60.0f;
  static constexpr float kScale = 0.425f;

  // A wheel whose pay line stands at (x, y), showing random items of the list (which outlives it).
  SlotWheel(float x, float y, const std::vector<TStr>* items);

  // Rolls for the given steps at the given speed, to stop on item `result'.
  void Start(uint32_t result, uint32_t steps, uint32_t stepTime);
  // Cuts the roll to three steps when more are left; false when there was nothing to cut.
  bool Hurry();
  // One animation tick.
  void Update();

  bool IsMoving() const { return mStepsLeft != 0; }
  uint32_t GetStepsLeft() const { return mStepsLeft; }
  uint32_t GetStepTime() const { return mStepTime; }
  uint32_t GetProgress() const { return mProgress; }
  uint32_t GetResult() const { return mResult; }
  float GetBaseY() const { return mBaseY; }
  // The item shown in cell 0 (top) to 3; cell 2 is the pay line.
  const TStr& GetName(int cell) const { return mNames[cell]; }
  const std::shared_ptr<TSprite>& GetStrip() const { return mStrip; }
  const std::shared_ptr<TSprite>& GetCell(int cell) const { return mCells[cell]; }

 private:
  TStr RandomItem() const;
  void ShowNames();

  uint32_t mStepsLeft = 0;
  uint32_t mStepTime = 0;
  uint32_t mProgress = 0;
  float mBaseY = 0;
  const std::vector<TStr>* mItems;
  uint32_t mResult = 0;
  std::shared_ptr<TSprite> mStrip;
  std::array<TStr, 4> mNames;
  std::array<std::shared_ptr<TSprite>, 4> mCells;
};

class SlotMachine : public TWindow {
 public:
  static constexpr uint32_t kWheelCount = 4;
  static constexpr uint32_t kTickMs = 50;
  // However long the coins' script wants: the payout is over after its own time (no more than
  // this) and a grace on top, so a missing or broken script cannot hold "onpayout" back.
  static constexpr uint32_t kLongestPayoutMs = 30000;
  static constexpr uint32_t kPayoutGraceMs = 1000;

  SlotMachine();
  ~SlotMachine() override;

  static TWindow* GetFactory();
  const char* GetClassName() const override { return "SlotMachine"; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &SlotMachine::GetFactory || TWindow::IsKindOf(classId);
  }

  void PostChildrenInit(TWindowStyle& style) override;
  void Draw() override;
  bool OnAnimate() override;

  // The script functions. Results are 1-based indices into the options.
  void StartSlots(double r1, double r2, double r3, double r4, double payout);
  void StopSlots();

  bool IsAllStopped() const { return mAllStopped; }
  bool IsPayoutDone() const { return mPayoutDone; }
  float GetPayout() const { return mPayout; }
  const TVec3& GetSparklePosition() const { return mSparklePosition; }
  TLuaParticleSystem& GetSparkle() { return mSparkle; }
  const std::vector<TStr>& GetItems() const { return mItems; }
  // Wheel i (0-based); null when its table was missing.
  SlotWheel* GetWheel(uint32_t i) const { return mWheels[i].get(); }
  // The longest the current payout may play (ms).
  uint32_t GetPayoutLimit() const { return mPayoutLimitMs; }

 private:
  void PayoutStarts();
  // One wheel's result from the script's 1-based index, kept to the items there are.
  uint32_t ResultIndex(uint32_t wheel, double r) const;

  bool mAllStopped = false;
  TVec3 mSparklePosition;
  TLuaParticleSystem mSparkle;
  bool mPayoutDone = false;
  float mPayout = 0;
  std::vector<TStr> mItems;
  std::array<std::shared_ptr<SlotWheel>, kWheelCount> mWheels;
  std::unique_ptr<TLuaFunction> mOnStopped, mOnPayout;
  uint32_t mPayoutMs = 0;       // played so far
  uint32_t mPayoutLimitMs = 0;  // the longest it may play
  uint32_t mTurn = 0;           // counts StartSlots, so a callback that starts a new turn is seen
  TScriptGlobals mGlobals;
};
