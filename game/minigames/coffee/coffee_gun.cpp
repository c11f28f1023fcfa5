// CoffeeGunTask: firing, flights, landing and misses.
#include "game/minigames/coffee/coffee_gun.h"

#include <cmath>
#include <vector>

#include "core/graphics/sprites/animated_sprite.h"
#include "game/minigames/coffee/ingredient_grid.h"
#include "game/minigames/factory_parts.h"
#include "game/minigames/flying_ingredient.h"
#include "game/minigames/ingredient.h"
#include "game/minigames/ingredient_queue.h"

CoffeeGunTask::CoffeeGunTask(std::shared_ptr<TAnimatedSprite> gun, float period, std::shared_ptr<IngredientQueue> queue,
                             std::shared_ptr<CoffeeIngredientGrid> grid)
    : mGun(std::move(gun)),
      mQueue(std::move(queue)),
      mGrid(std::move(grid)),
      mPeriod(FactoryPeriod("CoffeeGunTask", period, kDefaultPeriod)) {}

TVec2 CoffeeGunTask::Aim(const TVec2& point) { return AimToward(mGun ? mGun->GetPosition() : TVec2(), point, mAim); }

bool CoffeeGunTask::Fire(int32_t x, int32_t y) {
  std::shared_ptr<Ingredient> ingredient = mQueue ? mQueue->TakeNext() : nullptr;
  if (!ingredient) return false;
  if (mGrid) mGrid->SetPreview(mQueue->PeekFront());
  ingredient->SetLayer(8);
  auto flight = std::make_shared<FlyingIngredient>(ingredient);
  flight->start = mGun ? mGun->GetPosition() : TVec2();
  int32_t cell = mGrid ? mGrid->GetCellIndexAt((float)x, (float)y) : -1;
  if (mGrid && mGrid->IsCellEmpty(cell)) {
    flight->offset = mGrid->GetCellPosition((uint32_t)cell) - flight->start;
    // A shot covers kShotLength a period; a cell farther off is reached in one period all the
    // same, or its shot would stop short and never land.
    float length = flight->offset.Length();
    flight->duration = length < kShotLength ? length : kShotLength;
  } else {
    flight->offset = Aim(TVec2((float)x, (float)y)) * kShotLength;
    flight->duration = kShotLength;
  }
  mFlying.push_back(flight);
  if (mGun) mGun->Play(TStr("DoAnim"));
  PostSoundEvent(TStr("launch"));
  return true;
}

void CoffeeGunTask::Reset(float rate) {
  TScalingTask::Reset(rate);
  DropFlights(mFlying);
  ++mResets;
  if (mGrid) mGrid->SetPreview(mQueue ? mQueue->PeekFront() : nullptr);
}

bool CoffeeGunTask::Update() {
  float step = UpdateCycle(mPeriod);
  // A landing may complete a group and a miss may pause the game; the factory's handling runs a
  // script that may restart the game: the walk goes over a copy and ends when a reset emptied
  // the flights.
  std::vector<std::shared_ptr<FlyingIngredient>> flights(mFlying.begin(), mFlying.end());
  uint32_t resets = mResets;
  for (const auto& flight : flights) {
    if (mResets != resets) break;
    if (flight->Advance(step) != 1.0f) continue;
    mFlying.remove(flight);
    std::shared_ptr<Ingredient> ingredient = Ingredient::From(flight->sprite);
    if (!ingredient) continue;
    if (mGrid && mGrid->IsEmptyUnder(*ingredient))
      mGrid->PlaceIngredient(ingredient, true);
    else
      ingredient->OnMissed();
  }
  return true;
}
