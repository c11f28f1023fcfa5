// Recycler: an animated bin that travels round a closed path through the chocolate machine; a
// shot ingredient that hits it is thrown away without counting as a miss. RecyclerTask moves
// every recycler once a step.
#pragma once

#include <memory>
#include <vector>

#include "core/graphics/sprites/animated_sprite.h"
#include "game/minigames/ingredient.h"
#include "game/shell/scaling_task.h"

class TCurve;

class Recycler : public TAnimatedSprite, public IngredientRecycler {
 public:
  static constexpr float kCatchRadius = 72.0f;

  // On the path at the offset, with the animation "image/recycler.xml".
  static std::shared_ptr<Recycler> Create(std::shared_ptr<TCurve> path, float offset);
  static TClassId ClassId();
  const char* GetClassName() const override { return "Recycler"; }
  bool IsKindOf(TClassId id) const override { return id == ClassId() || TAnimatedSprite::IsKindOf(id); }

  // Moves to offset + t (wrapped into 0..1) along the path.
  void SetPhase(float t);
  // Plays the bin's animation unless it still plays, takes the ingredient off the screen, plays
  // "recycler" and counts it in the game state's "RecycleCount".
  bool Hit(std::shared_ptr<Ingredient> ingredient) override;

  float GetPhase() const { return mPhase; }
  float GetOffset() const { return mOffset; }
  float GetRadius() const { return mRadius; }
  std::shared_ptr<TCurve> GetPath() const { return mPath; }

 protected:
  Recycler(std::shared_ptr<TCurve> path, float offset);

 private:
  float mPhase;  // 0 <= phase < 1
  float mOffset;
  float mRadius = kCatchRadius;
  std::shared_ptr<TCurve> mPath;
};

class RecyclerTask : public TScalingTask {
 public:
  static constexpr float kDefaultPeriod = 20000.0f;

  // period: ms for one trip round the path.
  explicit RecyclerTask(float period);
  // Once each, in the order added.
  void Add(std::shared_ptr<Recycler> recycler);
  // Only the rate and the clock's mark: the recyclers go on from where they stand.
  void Reset(float rate) override;
  bool Update() override;

  const std::vector<std::shared_ptr<Recycler>>& GetRecyclers() const { return mRecyclers; }
  float GetPeriod() const { return mPeriod; }

 private:
  float mPeriod;
  std::vector<std::shared_ptr<Recycler>> mRecyclers;
};
