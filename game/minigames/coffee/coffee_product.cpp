// CoffeeProduct and its queue: making from the hopper's stock, the queue on the path, counting.
#include "game/minigames/coffee/coffee_product.h"

#include <cmath>

#include "core/base/log.h"
#include "core/graphics/texture.h"
#include "game/minigames/coffee/hopper.h"
#include "game/minigames/factory_parts.h"
#include "game/minigames/item_sprite.h"

std::shared_ptr<CoffeeProduct> CoffeeProduct::Create(std::shared_ptr<TCurve> path) {
  return std::shared_ptr<CoffeeProduct>(new CoffeeProduct(std::move(path)));
}

CoffeeProductQueueTask::CoffeeProductQueueTask(std::shared_ptr<TSprite> parent, std::shared_ptr<CoffeeHopper> hopper,
                                               std::shared_ptr<TCurve> path, float travelTime, float spacing,
                                               std::vector<TStr> layerNames, std::vector<TColor> layerColours)
    : mParent(std::move(parent)),
      mHopper(std::move(hopper)),
      mPath(std::move(path)),
      mTravelTime(FactoryPeriod("CoffeeProductQueueTask", travelTime, kDefaultTravelTime)),
      mLayerNames(std::move(layerNames)),
      mLayerColours(std::move(layerColours)) {
  // A spacing that is not a number would never let a product out.
  if (!std::isfinite(spacing)) {
    LogError("CoffeeProductQueueTask: a spacing of %g ms; %g ms is used instead", (double)spacing,
             (double)kDefaultSpacing);
    spacing = kDefaultSpacing;
  }
  mSpacing = spacing / mTravelTime;
  for (const TStr& name : mLayerNames)
    if (auto texture = TTexture::Get(name)) mTextures.push_back(texture);
}

void CoffeeProductQueueTask::AddProduct(const std::shared_ptr<TSprite>& parent) {
  auto product = CoffeeProduct::Create(mPath);
  CreateItemSprite(product, mLayerNames, mLayerColours, 0.5f);
  mProducts.push_back(product);
  if (parent) parent->AddChild(product);
}

bool CoffeeProductQueueTask::Update() {
  float last = AdvanceProducts(mProducts, UpdateCycle(mTravelTime), kQueueGap);
  // With none on the path one may always leave: a spacing as long as the path would otherwise
  // keep every product in for good.
  if ((mProducts.empty() || mSpacing < last) && mHopper && mHopper->TakeOneOfEach())
    AddProduct(mParent);
  else if (mProducts.empty())
    SetRate(1.0f);
  return true;
}
