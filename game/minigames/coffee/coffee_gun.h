// CoffeeGunTask: the coffee factory's gun. A click fires the ingredient waiting at the end of
// the conveyor: at an empty cell it flies to that cell's centre, anywhere else it flies 1000
// pixels the click's way. On arrival it goes into the empty cell under it, or is missed.
#pragma once

#include <cstdint>
#include <list>
#include <memory>

#include "core/base/vec2.h"
#include "game/shell/scaling_task.h"

class CoffeeIngredientGrid;
class IngredientQueue;
class TAnimatedSprite;
struct FlyingIngredient;

class CoffeeGunTask : public TScalingTask {
 public:
  static constexpr float kDefaultPeriod = 250.0f;
  // A shot covers this many pixels a period; a shot at no empty cell flies this far.
  static constexpr float kShotLength = 1000.0f;

  // period: ms a shot needs for kShotLength pixels.
  CoffeeGunTask(std::shared_ptr<TAnimatedSprite> gun, float period, std::shared_ptr<IngredientQueue> queue,
                std::shared_ptr<CoffeeIngredientGrid> grid);

  // The unit direction from the gun to the point. A point on the gun has none: the last aim
  // stays (straight up at first).
  TVec2 Aim(const TVec2& point);
  // Fires the waiting ingredient at the point; false when none waits.
  bool Fire(int32_t x, int32_t y);
  // Also takes every shot in the air off the screen, and shows the next one in the preview.
  void Reset(float rate) override;
  bool Update() override;

  const std::list<std::shared_ptr<FlyingIngredient>>& GetFlying() const { return mFlying; }
  float GetPeriod() const { return mPeriod; }

 private:
  std::shared_ptr<TAnimatedSprite> mGun;
  std::shared_ptr<IngredientQueue> mQueue;
  std::shared_ptr<CoffeeIngredientGrid> mGrid;
  float mPeriod;
  std::list<std::shared_ptr<FlyingIngredient>> mFlying;  // oldest shot first
  TVec2 mAim{0.0f, -1.0f};
  uint32_t mResets = 0;  // tells a walk of the flights that a reset emptied them under it
};
