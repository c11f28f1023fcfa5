// IngredientQueue: belt positions are float steps of the spacing down from the head, so a belt
// of n places at the end holds n + 1 ingredients (the last one just past the path's start).
#include "game/minigames/ingredient_queue.h"

#include <algorithm>
#include <utility>

#include "core/base/log.h"
#include "core/base/random.h"
#include "core/graphics/sprites/sprite.h"
#include "game/minigames/factory_parts.h"
#include "game/minigames/ingredient.h"
#include "game/shell/editors/curve.h"

namespace {

int32_t Bounded(const char* what, int32_t value, int32_t lo, int32_t hi) {
  int32_t kept = std::clamp(value, lo, hi);
  if (kept != value) LogPrintf("IngredientQueue: %s %d is out of %d..%d; %d is used", what, value, lo, hi, kept);
  return kept;
}

}  // namespace

IngredientQueue::IngredientQueue(const std::vector<TStr>* recipe, int32_t colourCount, std::shared_ptr<TCurve> path,
                                 int32_t conveyorCount, std::shared_ptr<TSprite> parent)
    : mParent(std::move(parent)),
      mRecipe(recipe),
      mColourCount((uint8_t)Bounded("colour count", colourCount, 0, kPlainColourCount)),
      mPath(std::move(path)),
      mSpacing(1.0f / (float)(uint32_t)Bounded("conveyor count", conveyorCount, 1, kMaxConveyorCount)) {}

IngredientQueue::~IngredientQueue() {
  mPistons.clear();
  mBelt.clear();
  mBatch.clear();
  mPath.reset();
  mParent.reset();
}

std::shared_ptr<Ingredient> IngredientQueue::TakeNext() {
  if (mHead != 1.0f || mBelt.empty()) return nullptr;
  std::shared_ptr<Ingredient> front = mBelt.front();
  mBelt.pop_front();
  mHead -= mSpacing;
  return front;
}

std::shared_ptr<Ingredient> IngredientQueue::PeekFront() const { return mBelt.empty() ? nullptr : mBelt.front(); }

void IngredientQueue::Advance(float step) {
  if (mHead >= 1.0f) return;
  mHead += step;
  if (mHead >= 1.0f) mHead = 1.0f;

  float p = mHead;
  for (const auto& ingredient : mBelt) {
    PlaceAt(*ingredient, PathPoint(mPath, p));
    p -= mSpacing;
  }
  while (p > 0.0f) {
    if (mBatch.empty()) Refill(5);
    if (mBatch.empty()) break;  // an empty recipe has nothing to put on the belt
    std::shared_ptr<Ingredient> next = mBatch.back();
    mBatch.pop_back();
    mBelt.push_back(next);
    if (mParent) mParent->AddChild(next);
    PlaceAt(*next, PathPoint(mPath, p));
    p -= mSpacing;
  }

  while (mBelt.size() > mPistons.size()) {
    auto piston = std::make_shared<IngredientPiston>();
    mPistons.push_back(piston);
    if (mParent) mParent->AddChild(piston->upperArm);
  }
  for (size_t i = 0; i < mBelt.size(); ++i) {
    const TMat3& at = mBelt[i]->GetDrawSpec().mMatrix;
    TMat3& upper = mPistons[i]->upperArm->GetDrawSpec().mMatrix;
    for (int c = 0; c < 3; ++c) upper.m[2][c] = at.m[2][c];
    TSprite& lower = *mPistons[i]->lowerArm;
    PlaceAt(lower, TVec2(lower.GetPosition().x, (600.0f - at.m[2][1]) * 0.5f + 16.0f));
  }
}

void IngredientQueue::Refill(uint32_t batches) {
  size_t n = mRecipe ? mRecipe->size() : 0;
  int lo = mRainbow ? kColourNone : kColourRed;
  for (size_t k = 0; k < n * batches; ++k) {
    auto ingredient = Ingredient::Create((*mRecipe)[k % n]);
    if (mColourCount > 1) ingredient->SetColour((uint8_t)RandomInRange(lo, mColourCount));
    mBatch.push_back(ingredient);
  }
  int last = (int)mBatch.size() - 1;
  for (int i = 0; i <= last; ++i) std::swap(mBatch[i], mBatch[RandomInRange(0, last)]);
}

void IngredientQueue::Clear() {
  for (const auto& ingredient : mBelt)
    if (TSprite* parent = ingredient->GetParent()) parent->RemoveChild(ingredient);
  mBatch.clear();
  mBelt.clear();
  mHead = 0.0f;
}

IngredientQueueTask::IngredientQueueTask(std::shared_ptr<IngredientQueue> queue, float period)
    : mQueue(std::move(queue)), mPeriod(FactoryPeriod("IngredientQueueTask", period, kDefaultPeriod)) {}

void IngredientQueueTask::Reset(float rate) {
  if (mQueue) mQueue->Clear();
  TScalingTask::Reset(rate);
}

bool IngredientQueueTask::Update() {
  float step = UpdateCycle(mPeriod);
  if (mQueue) mQueue->Advance(step);
  return true;
}
