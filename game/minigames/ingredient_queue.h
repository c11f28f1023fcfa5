// IngredientQueue: the conveyor that brings ammunition to the gun. It draws ingredients from
// shuffled batches of the recipe, gives them random colours, moves them along the conveyor path
// one spacing apart, stands while the front one waits at the end, and hands that one over on
// request; a piston arm hangs over every place. IngredientQueueTask drives it each step.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "core/base/str.h"
#include "game/shell/scaling_task.h"

class Ingredient;
class TCurve;
class TSprite;
struct IngredientPiston;

class IngredientQueue {
 public:
  // Beyond this the spacing nears a float step at 1.0 and the belt could never be filled.
  static constexpr int32_t kMaxConveyorCount = 100;

  // recipe stays the caller's. The colour count is kept within the plain colours (0-3) and the
  // conveyor count within 1..kMaxConveyorCount (logged when changed).
  IngredientQueue(const std::vector<TStr>* recipe, int32_t colourCount, std::shared_ptr<TCurve> path,
                  int32_t conveyorCount, std::shared_ptr<TSprite> parent);
  virtual ~IngredientQueue();

  // The front ingredient when it waits at the end of the belt (it stays a child of the parent);
  // empty otherwise.
  std::shared_ptr<Ingredient> TakeNext();
  std::shared_ptr<Ingredient> PeekFront() const;
  // Moves the belt on by a share of the path; nothing while the front one waits.
  void Advance(float step);
  // Makes batches x recipe-size ingredients into the batch, shuffled.
  void Refill(uint32_t batches);
  // Empties belt and batch (the belt's ingredients leave their parent); the pistons stay.
  void Clear();

  void SetRainbow(bool rainbow) { mRainbow = rainbow; }
  bool IsRainbow() const { return mRainbow; }
  uint8_t GetColourCount() const { return mColourCount; }
  float GetHead() const { return mHead; }
  float GetSpacing() const { return mSpacing; }
  const std::deque<std::shared_ptr<Ingredient>>& GetBelt() const { return mBelt; }
  const std::vector<std::shared_ptr<Ingredient>>& GetBatch() const { return mBatch; }
  const std::vector<std::shared_ptr<IngredientPiston>>& GetPistons() const { return mPistons; }

  IngredientQueue(const IngredientQueue&) = delete;
  IngredientQueue& operator=(const IngredientQueue&) = delete;

 private:
  std::shared_ptr<TSprite> mParent;
  const std::vector<TStr>* mRecipe;
  bool mRainbow = false;
  uint8_t mColourCount;
  std::shared_ptr<TCurve> mPath;  // position 1.0 is where the gun takes
  std::vector<std::shared_ptr<Ingredient>> mBatch;  // taken from the back
  std::deque<std::shared_ptr<Ingredient>> mBelt;    // front nearest the end
  std::vector<std::shared_ptr<IngredientPiston>> mPistons;  // one per belt place ever used
  float mHead = 0.0f;  // path position of the front ingredient
  float mSpacing;
};

class IngredientQueueTask : public TScalingTask {
 public:
  static constexpr float kDefaultPeriod = 1200.0f;

  // period: ms the belt needs for the whole path.
  IngredientQueueTask(std::shared_ptr<IngredientQueue> queue, float period);
  // Empties the queue, then the base reset.
  void Reset(float rate) override;
  bool Update() override;

  std::shared_ptr<IngredientQueue> GetQueue() const { return mQueue; }
  float GetPeriod() const { return mPeriod; }

 private:
  std::shared_ptr<IngredientQueue> mQueue;
  float mPeriod;
};
