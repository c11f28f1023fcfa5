// CoffeeHopper (meters, stock, needles) and the flights of collected ingredients into it.
#include "game/minigames/coffee/hopper.h"

#include <vector>

#include "core/base/log.h"
#include "core/graphics/texture.h"
#include "game/minigames/factory_parts.h"
#include "game/minigames/flying_ingredient.h"
#include "game/minigames/ingredient.h"

namespace {

// Three meters stand in a column; more stand two abreast with the fifth between.
TVec2 MeterPlace(size_t i, size_t count) {
  if (count == 3) return TVec2(-6.5f, -53.0f + 65.0f * (float)i);
  if (i == 4) return TVec2(-3.5f, 11.0f);
  return TVec2((float)(i % 2) * 106.0f - 56.5f, (float)(i / 2) * 81.0f - 32.0f);
}

std::shared_ptr<TSprite> AddSprite(const std::shared_ptr<TSprite>& parent, TStr texture, int32_t layer,
                                   const TVec2& at) {
  auto sprite = TSprite::Create(layer, TTexture::Get(texture));
  PlaceAt(*sprite, at);
  parent->AddChild(sprite);
  return sprite;
}

}  // namespace

CoffeeHopper::CoffeeHopper(const TVec2& position, const std::vector<TStr>* recipe, TStr image)
    : TSprite(9), mRecipe(recipe) {
  SetTexture(TTexture::Get(image));
  PlaceAt(*this, position);
  size_t count = mRecipe ? mRecipe->size() : 0;
  if (count > kMaxSlots) {
    LogError("CoffeeHopper: a recipe of %zu ingredients; the machine holds %zu, the rest are left out", count,
             kMaxSlots);
    count = kMaxSlots;
  }
  mStock.assign(count, 0);
}

std::shared_ptr<CoffeeHopper> CoffeeHopper::Create(const TVec2& position, const std::vector<TStr>* recipe, TStr image) {
  std::shared_ptr<CoffeeHopper> hopper(new CoffeeHopper(position, recipe, image));
  size_t count = hopper->mStock.size();
  for (size_t i = 0; i < count; ++i) {
    auto meter = AddSprite(hopper, TStr("image/machine_meter"), 0, MeterPlace(i, count));
    AddSprite(meter, TStr("items/") + (*recipe)[i], 1, TVec2(-1.5f, -1.0f));
    hopper->mNeedles.push_back(AddSprite(meter, TStr("image/machine_needle"), 2, TVec2(25.5f, 24.0f)));
    hopper->mMeters.push_back(meter);
  }
  return hopper;
}

void CoffeeHopper::AddStock(const TStr& name) {
  size_t chosen = mStock.size();
  int32_t least = 99999;
  for (size_t i = 0; i < mStock.size(); ++i)
    if ((*mRecipe)[i] == name && mStock[i] <= least) {
      least = mStock[i];
      chosen = i;
    }
  if (chosen == mStock.size()) return;
  ++mStock[chosen];
  UpdateNeedles();
}

bool CoffeeHopper::TakeOneOfEach() {
  // With no slot there is nothing to take, not a product for nothing.
  if (mStock.empty()) return false;
  for (int32_t count : mStock)
    if (count <= 0) return false;
  for (int32_t& count : mStock) --count;
  UpdateNeedles();
  return true;
}

void CoffeeHopper::ResetStock() {
  for (int32_t& count : mStock) count = 0;
  UpdateNeedles();
}

void CoffeeHopper::UpdateNeedles() {
  for (size_t i = 0; i < mNeedles.size(); ++i) {
    int32_t c = mStock[i] < 10 ? mStock[i] : 10;
    PlaceAt(*mNeedles[i], TVec2(25.5f, 24.0f - (float)(c * 48) / 10.0f));
  }
}

void MoveUnder(const std::shared_ptr<TSprite>& sprite, TSprite* ancestor) {
  if (!sprite || !ancestor) return;
  TMat3 m = sprite->GetDrawSpec().mMatrix;
  TSprite* parent = sprite->GetParent();
  if (parent == ancestor) return;
  for (; parent && parent != ancestor; parent = parent->GetParent()) m = m * parent->GetDrawSpec().mMatrix;
  if (!parent) return;
  sprite->GetParent()->RemoveChild(sprite);
  sprite->GetDrawSpec().mMatrix = m;
  ancestor->AddChild(sprite);
}

HopperCollectionTask::HopperCollectionTask(std::shared_ptr<CoffeeHopper> hopper) : mHopper(std::move(hopper)) {}

void HopperCollectionTask::AddCollected(const std::vector<std::shared_ptr<TSprite>>& sprites) {
  for (const auto& sprite : sprites) AddFlight(sprite);
}

void HopperCollectionTask::AddFlight(const std::shared_ptr<TSprite>& sprite) {
  if (!sprite || !mHopper) return;
  MoveUnder(sprite, mHopper->GetParent());
  auto flight = std::make_shared<FlyingIngredient>(sprite);
  TVec2 at = mHopper->GetPosition();
  flight->SetTarget(at.x + kInletX, at.y);
  mFlying.push_back(flight);
}

void HopperCollectionTask::Reset(float rate) {
  if (mHopper) mHopper->ResetStock();
  DropFlights(mFlying);
  TScalingTask::Reset(rate);
}

bool HopperCollectionTask::Update() {
  float step = UpdateCycle(kPeriod);
  for (auto it = mFlying.begin(); it != mFlying.end();) {
    FlyingIngredient& flight = **it;
    if (flight.Advance(step) != 1.0f) {
      ++it;
      continue;
    }
    if (auto ingredient = Ingredient::From(flight.sprite)) mHopper->AddStock(ingredient->GetName());
    if (TSprite* parent = flight.sprite ? flight.sprite->GetParent() : nullptr) parent->RemoveChild(flight.sprite);
    it = mFlying.erase(it);
  }
  return true;
}
