// CoffeeProduct: a finished drink on its way along the product path into the box.
// CoffeeProductQueueTask makes one whenever the hopper holds one of every ingredient, keeps them
// apart on the path, and counts each that arrives: a message to the factory window and a sound.
#pragma once

#include <list>
#include <memory>
#include <vector>

#include "core/base/color.h"
#include "core/base/str.h"
#include "game/minigames/path_product.h"
#include "game/shell/scaling_task.h"

class CoffeeHopper;
class TCurve;
class TTexture;

class CoffeeProduct : public PathProduct {
 public:
  // At the path's start.
  static std::shared_ptr<CoffeeProduct> Create(std::shared_ptr<TCurve> path);

 protected:
  explicit CoffeeProduct(std::shared_ptr<TCurve> path) : PathProduct(std::move(path)) {}
};

class CoffeeProductQueueTask : public TScalingTask {
 public:
  static constexpr float kDefaultTravelTime = 3000.0f;
  static constexpr float kDefaultSpacing = 1000.0f;
  // A product moves only while the one ahead has covered this share of the path.
  static constexpr float kQueueGap = 0.1f;

  // travelTime: ms a product needs for the whole path; spacing: ms between two products
  // leaving. The layers are the product's look.
  CoffeeProductQueueTask(std::shared_ptr<TSprite> parent, std::shared_ptr<CoffeeHopper> hopper,
                         std::shared_ptr<TCurve> path, float travelTime, float spacing, std::vector<TStr> layerNames,
                         std::vector<TColor> layerColours);
  void AddProduct(const std::shared_ptr<TSprite>& parent);
  bool Update() override;

  const std::list<std::shared_ptr<CoffeeProduct>>& GetProducts() const { return mProducts; }
  const std::vector<std::shared_ptr<TTexture>>& GetTextures() const { return mTextures; }
  float GetTravelTime() const { return mTravelTime; }
  // The spacing as a share of the path.
  float GetSpacing() const { return mSpacing; }

 private:
  std::shared_ptr<TSprite> mParent;
  std::shared_ptr<CoffeeHopper> mHopper;
  std::shared_ptr<TCurve> mPath;
  float mTravelTime;
  float mSpacing;
  std::vector<std::shared_ptr<TTexture>> mTextures;  // held so the pictures stay loaded
  std::vector<TStr> mLayerNames;
  std::vector<TColor> mLayerColours;
  std::list<std::shared_ptr<CoffeeProduct>> mProducts;  // oldest first
};
