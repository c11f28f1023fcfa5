// The recipe designer: the player composes a product's look from four stacked picture layers (a
// base shape and three decorations) chosen from the "custom/" pictures of the product type, each
// shown twice (half size beside the layer's buttons, full size in the composed display), and can
// throw a random design with a short shuffle. The interface script drives it through
// RandomDesign, SetRecipeType, SetLayer and GetLayerImage and colours the layers itself in
// SetRecipeTint(layer 1-4, number 1-100). Script types "RecipeDesigner" and "RecipeCreator" (a
// plain container).
#pragma once

#include <cstdint>
#include <vector>

#include "core/base/asset_map.h"
#include "core/base/str.h"
#include "core/windows/window.h"
#include "game/shell/script_globals.h"

class RecipeDesigner : public TWindow {
 public:
  static constexpr int kLayers = 4;
  static constexpr uint32_t kShuffleTickMs = 100;
  static constexpr uint32_t kShuffleMs = 2000;

  // Binds the four script functions, handed back when the designer goes.
  RecipeDesigner();

  static TWindow* Create();
  const char* GetClassName() const override { return "RecipeDesigner"; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &RecipeDesigner::Create || TWindow::IsKindOf(classId);
  }

  // One tick of the shuffle; false once it has run its time.
  bool OnAnimate() override;

  // Script functions.
  void RandomDesign();
  // The pictures "custom/<type>..._layer<n>.png" become the layers' lists (highlights apart);
  // every layer but the base shape (and, for drinks, the drink) also offers no picture.
  void SetRecipeType(TStr type);
  // Selects entry `index' of the layer's list, counted round the list either way, and shows it;
  // answers the index chosen (0 for an empty list or a layer outside 0..3).
  int32_t SetLayer(int32_t layer, int32_t index);
  // The chosen picture's name without "custom/"; empty for no picture.
  TStr GetLayerImage(int32_t layer);

  const std::vector<TStr>& GetList(int layer) const { return mLists[layer]; }
  uint32_t GetSelection(int layer) const { return mSelections[layer]; }
  uint32_t GetShuffleTime() const { return mShuffleTime; }

 private:
  static bool IsLayer(int32_t layer) { return layer >= 0 && layer < kLayers; }

  TAssetMap mPictures;
  uint32_t mShuffleTime = 0;
  std::vector<TStr> mLists[kLayers];
  uint32_t mSelections[kLayers] = {0, 0, 0, 0};
  TScriptGlobals mGlobals;
};

class RecipeCreator : public TWindow {
 public:
  static TWindow* Create();
  const char* GetClassName() const override { return "RecipeCreator"; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &RecipeCreator::Create || TWindow::IsKindOf(classId);
  }
};
