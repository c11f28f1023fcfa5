// DookieDropper: the factory status panel, a Rollover that also draws one factory's state from
// the script tables: the product being made (pulsing while production runs), a small timer
// dial, one supply bar per ingredient coloured by fill level, and an "idle" hint when the
// factory stands still. Script type "DookieDropper"; the ledger refreshes and animates it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "core/base/color.h"
#include "core/base/rect.h"
#include "core/base/str.h"
#include "game/shell/world/rollover.h"

class TSprite;
class TTexture;

class DookieDropper : public Rollover {
 public:
  static constexpr int kMaxIngredients = 6;
  static constexpr uint32_t kRunMs = 2000;
  static constexpr uint32_t kTickMs = 50;

  DookieDropper();
  ~DookieDropper() override;

  static TWindow* Create();
  const char* GetClassName() const override { return "DookieDropper"; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &DookieDropper::Create || Rollover::IsKindOf(classId);
  }

  // Keys "itemx", "itemy", "ingredienty", "barHeight", "countx" and "county".
  void PostChildrenInit(TWindowStyle& style) override;
  void Draw() override;

  // Reads Player.factories[<window name>], Player.rank and _AllProducts.
  void Refresh();
  // One 50 ms step of the two-second run (nothing at rest).
  void Animate();
  // Starts a run.
  void ResetAnimation() { mAnimCounter = 0; }

  // The supply a rank's factory holds of each ingredient; ranks outside the table take its
  // nearest end.
  static uint32_t Capacity(int32_t rank);
  // The product's scale at a point of the run: faster pulses for higher production, at rest
  // (and at the run's end) 0.25.
  static float PulseScale(uint32_t animCounter, uint32_t production);

  struct Bar {
    TRect rect;     // the filled part, in the panel's coordinates
    TColor colour;
    float centre;   // x of the bar's slot
    float iconScale;
  };
  // Bar `index` of `count` in a panel `width` wide, for a supply against a capacity.
  static Bar SupplyBar(int32_t width, int count, int index, double supply, uint32_t capacity, float ingredientY,
                       float barHeight);

  const TStr& GetProductName() const { return mProductName; }
  int GetIngredientCount() const { return mIngredientCount; }
  const TStr& GetIngredientName(int i) const { return mIngredientNames[(size_t)i]; }
  uint32_t GetProduction() const { return mProduction; }
  bool IsStalled() const { return mStalled; }
  int32_t GetRank() const { return mRank; }
  uint32_t GetAnimCounter() const { return mAnimCounter; }
  const std::shared_ptr<TSprite>& GetProductSprite() const { return mProductSprite; }
  const std::shared_ptr<TSprite>& GetTimerHand() const { return mTimerHand; }
  // Whether the idle hint shows.
  bool ShowsIdleHint() const { return mStalled || mProduction == 0; }

 private:
  TStr mProductName;
  std::shared_ptr<TSprite> mProductSprite;
  uint8_t mIngredientCount = 0;
  uint32_t mProduction = 0;
  bool mStalled = false;
  float mIngredientY = 58;
  float mBarHeight = 42;
  std::array<TStr, kMaxIngredients> mIngredientNames;
  std::array<std::shared_ptr<TTexture>, kMaxIngredients> mIngredientTextures;
  std::shared_ptr<TTexture> mIdleHelpTexture;
  int32_t mRank = 1;
  uint32_t mAnimCounter = kRunMs;
  std::shared_ptr<TSprite> mTimerFace;
  std::shared_ptr<TSprite> mTimerHand;
};
