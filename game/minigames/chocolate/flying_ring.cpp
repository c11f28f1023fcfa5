// Flying rings: launch, flight and landing.
#include "game/minigames/chocolate/flying_ring.h"

#include "core/graphics/texture.h"
#include "core/windows/window.h"
#include "game/minigames/chocolate/chocolate_tray.h"
#include "game/minigames/factory_parts.h"
#include "game/minigames/ingredient.h"
#include "game/shell/editors/curve.h"

FlyingRing::FlyingRing(uint8_t colour) : TSprite(15) {
  SetTexture(TTexture::Get(TStr("image/item_ring")));
  GetDrawSpec().mColor = GetColourTint(colour);
}

std::shared_ptr<FlyingRing> FlyingRing::Create(uint8_t colour, const TVec2& start, const TVec2& target) {
  std::shared_ptr<FlyingRing> ring(new FlyingRing(colour));
  ring->mPath = CreateCurve(start, start, target, target);
  return ring;
}

bool FlyingRing::Advance(float step) {
  mProgress += step;
  if (mProgress > 1.0f) mProgress = 1.0f;
  PlaceAt(*this, mPath->GetPoint(mProgress));
  return mProgress < 1.0f;
}

FlyingRingTask::FlyingRingTask(float period) : mPeriod(FactoryPeriod("FlyingRingTask", period, kDefaultPeriod)) {}

void FlyingRingTask::Add(std::shared_ptr<FlyingRing> ring) { AddOnce(mRings, std::move(ring)); }

bool FlyingRingTask::Update() {
  float step = UpdateCycle(mPeriod);
  TWindow* factory = nullptr;
  bool looked = false;
  for (size_t i = 0; i < mRings.size();) {
    std::shared_ptr<FlyingRing> ring = mRings[i];
    if (ring->Advance(step)) {
      ++i;
      continue;
    }
    if (TSprite* parent = ring->GetParent()) parent->RemoveChild(ring);
    if (!looked) {
      factory = FindFactoryWindow();
      looked = true;
    }
    OfferFactoryMessage(factory, kFactoryRingLanded);
    mRings.erase(mRings.begin() + (ptrdiff_t)i);
  }
  return true;
}

FlyingRingStartMessage::FlyingRingStartMessage(std::shared_ptr<ChocolateTray> tray, uint8_t colour, TWindow* window)
    : TMessage(kFactoryRingStart, TStr(), window), mTray(std::move(tray)), mColour(colour) {}

const void* FlyingRingStartMessage::ClassId() {
  static const char token = 0;
  return &token;
}

void FlyingRingStartMessage::Launch(FlyingRingTask* task, const TVec2& target) {
  TSprite* parent = mTray ? mTray->GetParent() : nullptr;
  if (!parent || !task) return;
  std::vector<TVec2> points;
  mTray->GetSlotPoints(points);
  for (const TVec2& point : points) {
    auto ring = FlyingRing::Create(mTray->GetColour(), point, target);
    parent->AddChild(ring);
    task->Add(ring);
  }
}
