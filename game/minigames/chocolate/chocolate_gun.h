// ChocolateGunTask: the chocolate factory's gun. A click fires the ingredient waiting at the end
// of the conveyor toward the pointer; each step moves every ingredient in flight along its
// straight line, hands it to the first tray in reach that has a free place of its name, else to
// a recycler in reach, and reports it missed when it flew its whole line uncaught.
#pragma once

#include <cstdint>
#include <list>
#include <memory>

#include "core/base/vec2.h"
#include "game/shell/scaling_task.h"

class ChocolateTrayTask;
class IngredientQueue;
class RecyclerTask;
class TAnimatedSprite;
struct FlyingIngredient;

class ChocolateGunTask : public TScalingTask {
 public:
  static constexpr float kDefaultPeriod = 250.0f;
  // Every shot flies this far, wherever the click was: the click gives only the direction.
  static constexpr float kShotLength = 1000.0f;
  // Added to a tray's or recycler's catch radius.
  static constexpr float kCatchMargin = 16.0f;

  // period: ms a shot needs for its whole line. The tray task stays the caller's.
  ChocolateGunTask(std::shared_ptr<TAnimatedSprite> gun, float period, std::shared_ptr<IngredientQueue> queue,
                   ChocolateTrayTask* trays);

  // Set once the factory has its recyclers; null: shots are never recycled.
  void SetRecyclers(RecyclerTask* recyclers) { mRecyclers = recyclers; }
  // The unit direction from the gun toward the point (in the gun's parent's coordinates). A
  // point on the gun itself has no direction: the last aim stays (straight up at first).
  TVec2 Aim(const TVec2& point);
  // Shoots the waiting ingredient toward the point; false when none waits.
  bool Fire(int32_t x, int32_t y);
  // Also takes every ingredient in flight off the screen.
  void Reset(float rate) override;
  bool Update() override;

  const std::list<std::shared_ptr<FlyingIngredient>>& GetFlying() const { return mFlying; }
  TVec2 GetAim() const { return mAim; }
  float GetPeriod() const { return mPeriod; }

 private:
  bool CatchByTray(FlyingIngredient& flight, const TVec2& from, const TVec2& to);
  bool CatchByRecycler(FlyingIngredient& flight, const TVec2& at);

  std::shared_ptr<TAnimatedSprite> mGun;
  std::shared_ptr<IngredientQueue> mQueue;
  ChocolateTrayTask* mTrays;
  RecyclerTask* mRecyclers = nullptr;
  float mPeriod;
  std::list<std::shared_ptr<FlyingIngredient>> mFlying;  // oldest shot first
  TVec2 mAim{0.0f, -1.0f};
  uint32_t mResets = 0;  // tells a walk of the flights that a reset emptied them under it
};
