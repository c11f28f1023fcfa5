// Recycler and its task.
#include "game/minigames/chocolate/recycler.h"

#include <cmath>

#include "core/base/game_state.h"
#include "core/graphics/sprites/animated_texture.h"
#include "game/minigames/factory_parts.h"
#include "game/shell/editors/curve.h"

Recycler::Recycler(std::shared_ptr<TCurve> path, float offset)
    : TAnimatedSprite(3), mPhase(offset), mOffset(offset), mPath(std::move(path)) {
  SetTexture(TAnimatedTexture::Get(TStr("image/recycler.xml")));
  PlaceAt(*this, PathPoint(mPath, offset));
}

std::shared_ptr<Recycler> Recycler::Create(std::shared_ptr<TCurve> path, float offset) {
  return std::shared_ptr<Recycler>(new Recycler(std::move(path), offset));
}

TClassId Recycler::ClassId() {
  static const char token = 0;
  return &token;
}

void Recycler::SetPhase(float t) {
  float p = mOffset + t;
  mPhase = p - std::floor(p);
  if (mPath) PlaceAt(*this, mPath->GetPoint(mPhase));
}

bool Recycler::Hit(std::shared_ptr<Ingredient> ingredient) {
  if (!IsPlaying(kAllDepths)) Play(TStr("DoAnim"));
  if (ingredient && ingredient->GetParent()) ingredient->GetParent()->RemoveChild(ingredient);
  PostSoundEvent(TStr("recycler"));
  if (TGameState* state = TGameState::GetInstance()) state->SetStateInt(TStr("++RecycleCount"), 0);
  return true;
}

RecyclerTask::RecyclerTask(float period) : mPeriod(FactoryPeriod("RecyclerTask", period, kDefaultPeriod)) {}

void RecyclerTask::Add(std::shared_ptr<Recycler> recycler) { AddOnce(mRecyclers, std::move(recycler)); }

void RecyclerTask::Reset(float rate) {
  mRate = rate;
  mLastTime = mCurrentTime;
}

bool RecyclerTask::Update() {
  TScalingTask::Update();
  float t = CyclePhase(mValue, mPeriod);
  for (const auto& recycler : mRecyclers) recycler->SetPhase(t);
  return true;
}
