// ChocolateProduct and its queue: spacing, arrival and counting.
#include "game/minigames/chocolate/chocolate_product.h"

#include "core/graphics/texture.h"
#include "game/minigames/factory_parts.h"
#include "game/minigames/item_sprite.h"

std::shared_ptr<ChocolateProduct> ChocolateProduct::Create(std::shared_ptr<TCurve> path) {
  return std::shared_ptr<ChocolateProduct>(new ChocolateProduct(std::move(path)));
}

ChocolateProductQueueTask::ChocolateProductQueueTask(std::shared_ptr<TCurve> path, float period,
                                                     std::vector<TStr> layerNames, std::vector<TColor> layerColours)
    : mPath(std::move(path)),
      mPeriod(FactoryPeriod("ChocolateProductQueueTask", period, kDefaultPeriod)),
      mLayerNames(std::move(layerNames)),
      mLayerColours(std::move(layerColours)) {
  for (const TStr& name : mLayerNames)
    if (auto texture = TTexture::Get(name)) mTextures.push_back(texture);
}

void ChocolateProductQueueTask::AddProduct(const std::shared_ptr<TSprite>& parent) {
  auto product = ChocolateProduct::Create(mPath);
  CreateItemSprite(product, mLayerNames, mLayerColours, 0.5f);
  mProducts.push_back(product);
  if (parent) parent->AddChild(product);
}

bool ChocolateProductQueueTask::Update() {
  AdvanceProducts(mProducts, UpdateCycle(mPeriod), kSpacing);
  return true;
}
