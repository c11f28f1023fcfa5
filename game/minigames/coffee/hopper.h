// CoffeeHopper: the machine beside the belt, one meter a recipe ingredient whose needle rises
// with that ingredient's stock; the product queue draws one of each for every product.
// HopperCollectionTask flies the groups taken off the belt into it.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <vector>

#include "core/base/str.h"
#include "core/base/vec2.h"
#include "core/graphics/sprites/sprite.h"
#include "game/shell/scaling_task.h"

struct FlyingIngredient;

class CoffeeHopper : public TSprite {
 public:
  // The machine has room for this many meters; a longer recipe stocks only its first ones.
  static constexpr size_t kMaxSlots = 6;

  // recipe stays the caller's and must outlive the hopper.
  static std::shared_ptr<CoffeeHopper> Create(const TVec2& position, const std::vector<TStr>* recipe, TStr image);

  // One more of the ingredient, in its emptiest slot (the later one on a tie).
  void AddStock(const TStr& name);
  // One of each, when every slot has one.
  bool TakeOneOfEach();
  void ResetStock();
  void UpdateNeedles();

  size_t GetSlotCount() const { return mStock.size(); }
  int32_t GetStock(size_t slot) const { return mStock[slot]; }
  const std::vector<std::shared_ptr<TSprite>>& GetNeedles() const { return mNeedles; }
  const std::vector<std::shared_ptr<TSprite>>& GetMeters() const { return mMeters; }

 protected:
  CoffeeHopper(const TVec2& position, const std::vector<TStr>* recipe, TStr image);

 private:
  const std::vector<TStr>* mRecipe;
  std::vector<int32_t> mStock;
  std::vector<std::shared_ptr<TSprite>> mNeedles;
  std::vector<std::shared_ptr<TSprite>> mMeters;
};

class HopperCollectionTask : public TScalingTask {
 public:
  // A collected ingredient reaches the hopper this long after its group left the belt.
  static constexpr float kPeriod = 250.0f;
  // Where the flights end, from the hopper's centre.
  static constexpr float kInletX = -75.0f;

  explicit HopperCollectionTask(std::shared_ptr<CoffeeHopper> hopper);
  void AddCollected(const std::vector<std::shared_ptr<TSprite>>& sprites);
  // The sprite first joins the hopper's parent where it stands on the screen: it was drawn by
  // the moving belt, and the hopper's inlet is not on the belt.
  void AddFlight(const std::shared_ptr<TSprite>& sprite);
  // Empties the hopper and takes the flights off the screen.
  void Reset(float rate) override;
  bool Update() override;

  const std::list<std::shared_ptr<FlyingIngredient>>& GetFlying() const { return mFlying; }

 private:
  std::list<std::shared_ptr<FlyingIngredient>> mFlying;
  std::shared_ptr<CoffeeHopper> mHopper;
};

// Makes the sprite a child of the ancestor, standing where it stood on the screen (its
// transform joined with those of the parents between). Nothing when the ancestor is not one.
void MoveUnder(const std::shared_ptr<TSprite>& sprite, TSprite* ancestor);
