// ChocolateProduct and its queue: spacing, arrival and counting.
#include "game/minigames/chocolate/chocolate_product.h"

#include "core/graphics/texture.h"
#include "core/windows/window.h"
#include "game/minigames/factory_parts.h"
#include "game/minigames/item_sprite.h"
#include "game/shell/editors/curve.h"

ChocolateProduct::ChocolateProduct(std::shared_ptr<TCurve> path) : TSprite(2), mPath(std::move(path)) {
  PlaceAt(*this, PathPoint(mPath, 0.0f));
}

std::shared_ptr<ChocolateProduct> ChocolateProduct::Create(std::shared_ptr<TCurve> path) {
  return std::shared_ptr<ChocolateProduct>(new ChocolateProduct(std::move(path)));
}

bool ChocolateProduct::Advance(float step) {
  mProgress += step;
  if (mProgress > 1.0f) mProgress = 1.0f;
  PlaceAt(*this, PathPoint(mPath, mProgress));
  return mProgress < 1.0f;
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
  float step = UpdateCycle(mPeriod);
  float gap = 1.0f;
  TWindow* factory = nullptr;
  bool looked = false;
  // Products added while the walk runs (a count that completes something) join at the end.
  for (auto it = mProducts.begin(); it != mProducts.end();) {
    if (gap < kSpacing) break;
    std::shared_ptr<ChocolateProduct> product = *it;
    if (product->Advance(step)) {
      gap = product->GetProgress();
      ++it;
      continue;
    }
    gap = 1.0f;
    it = mProducts.erase(it);
    if (TSprite* parent = product->GetParent()) parent->RemoveChild(product);
    if (!looked) {
      factory = FindFactoryWindow();
      looked = true;
    }
    OfferFactoryMessage(factory, kFactoryProductCounted);
    PostSoundEvent(TStr("chocolate_counted"));
  }
  return true;
}
