// PathProduct and the counting of arrivals.
#include "game/minigames/path_product.h"

#include "core/windows/window.h"
#include "game/minigames/factory_parts.h"
#include "game/shell/editors/curve.h"

PathProduct::PathProduct(std::shared_ptr<TCurve> path) : TSprite(2), mPath(std::move(path)) {
  PlaceAt(*this, PathPoint(mPath, 0.0f));
}

bool PathProduct::Advance(float step) {
  mProgress += step;
  if (mProgress > 1.0f) mProgress = 1.0f;
  PlaceAt(*this, PathPoint(mPath, mProgress));
  return mProgress < 1.0f;
}

void ProductCounter::Count(TSprite& product) {
  if (TSprite* parent = product.GetParent()) parent->RemoveChild(product.shared_from_this());
  if (!mLooked) {
    mFactory = FindFactoryWindow();
    mLooked = true;
  }
  OfferFactoryMessage(mFactory, kFactoryProductCounted);
  PostSoundEvent(TStr("chocolate_counted"));
}
