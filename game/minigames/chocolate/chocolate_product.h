// ChocolateProduct: a finished chocolate on its way along the product path into the box.
// ChocolateProductQueueTask makes them when the factory asks, keeps them a tenth of the path
// apart, and counts each that arrives: a message to the factory window and a sound.
#pragma once

#include <list>
#include <memory>
#include <vector>

#include "core/base/color.h"
#include "core/base/str.h"
#include "game/minigames/path_product.h"
#include "game/shell/scaling_task.h"

class TCurve;
class TTexture;

class ChocolateProduct : public PathProduct {
 public:
  // At the path's start.
  static std::shared_ptr<ChocolateProduct> Create(std::shared_ptr<TCurve> path);

 protected:
  explicit ChocolateProduct(std::shared_ptr<TCurve> path) : PathProduct(std::move(path)) {}
};

class ChocolateProductQueueTask : public TScalingTask {
 public:
  static constexpr float kDefaultPeriod = 3000.0f;
  // A product moves only while the one ahead has covered this share of the path.
  static constexpr float kSpacing = 0.1f;

  // period: ms a product needs for the whole path; the layers are the product's look (names
  // whose pictures are missing stay in the look and draw nothing).
  ChocolateProductQueueTask(std::shared_ptr<TCurve> path, float period, std::vector<TStr> layerNames,
                            std::vector<TColor> layerColours);
  // A new product at the path's start, a child of the parent.
  void AddProduct(const std::shared_ptr<TSprite>& parent);
  bool Update() override;

  const std::list<std::shared_ptr<ChocolateProduct>>& GetProducts() const { return mProducts; }
  const std::vector<std::shared_ptr<TTexture>>& GetTextures() const { return mTextures; }
  float GetPeriod() const { return mPeriod; }

 private:
  std::shared_ptr<TCurve> mPath;
  float mPeriod;
  std::vector<std::shared_ptr<TTexture>> mTextures;  // held so the pictures stay loaded
  std::vector<TStr> mLayerNames;
  std::vector<TColor> mLayerColours;
  std::list<std::shared_ptr<ChocolateProduct>> mProducts;  // oldest first
};
