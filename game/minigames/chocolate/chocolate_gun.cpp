// ChocolateGunTask: firing, flights, catches and misses.
#include "game/minigames/chocolate/chocolate_gun.h"

#include <cmath>
#include <vector>

#include "core/graphics/sprites/animated_sprite.h"
#include "game/minigames/chocolate/chocolate_tray.h"
#include "game/minigames/chocolate/recycler.h"
#include "game/minigames/factory_parts.h"
#include "game/minigames/flying_ingredient.h"
#include "game/minigames/ingredient.h"
#include "game/minigames/ingredient_queue.h"
#include "game/shell/game_library.h"

ChocolateGunTask::ChocolateGunTask(std::shared_ptr<TAnimatedSprite> gun, float period,
                                   std::shared_ptr<IngredientQueue> queue, ChocolateTrayTask* trays)
    : mGun(std::move(gun)),
      mQueue(std::move(queue)),
      mTrays(trays),
      mPeriod(FactoryPeriod("ChocolateGunTask", period, kDefaultPeriod)) {}

TVec2 ChocolateGunTask::Aim(const TVec2& point) { return AimToward(mGun ? mGun->GetPosition() : TVec2(), point, mAim); }

bool ChocolateGunTask::Fire(int32_t x, int32_t y) {
  std::shared_ptr<Ingredient> ingredient = mQueue ? mQueue->TakeNext() : nullptr;
  if (!ingredient) return false;
  ingredient->SetLayer(8);
  auto flight = std::make_shared<FlyingIngredient>(ingredient);
  flight->start = mGun ? mGun->GetPosition() : TVec2();
  flight->offset = Aim(TVec2((float)x, (float)y)) * kShotLength;
  mFlying.push_back(flight);
  if (mGun) mGun->Play(TStr("DoAnim"));
  PostSoundEvent(TStr("launch"));
  return true;
}

void ChocolateGunTask::Reset(float rate) {
  TScalingTask::Reset(rate);
  DropFlights(mFlying);
  ++mResets;
}

bool ChocolateGunTask::CatchByTray(FlyingIngredient& flight, const TVec2& from, const TVec2& to) {
  if (!mTrays) return false;
  std::shared_ptr<Ingredient> ingredient = Ingredient::From(flight.sprite);
  for (const auto& tray : mTrays->GetTrays()) {
    float reach = tray->GetCatchRadius() + kCatchMargin;
    if (PointToSegmentDistanceSquared(TVec3(from, 1.0f), TVec3(to, 1.0f), TVec3(tray->GetPosition(), 1.0f)) >
        reach * reach)
      continue;
    if (!tray->Accepts(ingredient)) continue;
    if (ingredient->OnCaughtByTray(tray)) return true;
  }
  return false;
}

bool ChocolateGunTask::CatchByRecycler(FlyingIngredient& flight, const TVec2& at) {
  if (!mRecyclers) return false;
  std::shared_ptr<Ingredient> ingredient = Ingredient::From(flight.sprite);
  for (const auto& recycler : mRecyclers->GetRecyclers()) {
    float reach = recycler->GetRadius() + kCatchMargin;
    if ((recycler->GetPosition() - at).LengthSquared() > reach * reach) continue;
    if (ingredient->OnCaughtByRecycler(recycler)) return true;
  }
  return false;
}

bool ChocolateGunTask::Update() {
  float step = UpdateCycle(mPeriod);
  // A catch or a miss reaches the factory window, whose handling may run a script that restarts
  // the game: the walk goes over a copy and ends when a reset emptied the flights.
  std::vector<std::shared_ptr<FlyingIngredient>> flights(mFlying.begin(), mFlying.end());
  uint32_t resets = mResets;
  for (const auto& flight : flights) {
    if (mResets != resets) break;
    std::shared_ptr<Ingredient> ingredient = Ingredient::From(flight->sprite);
    if (!ingredient) {
      mFlying.remove(flight);
      continue;
    }
    TVec2 from = ingredient->GetPosition();
    if (flight->Advance(step) == 1.0f) {
      if (ingredient->OnMissed()) mFlying.remove(flight);
      continue;
    }
    TVec2 to = ingredient->GetPosition();
    if (CatchByTray(*flight, from, to) || CatchByRecycler(*flight, to)) mFlying.remove(flight);
  }
  return true;
}
