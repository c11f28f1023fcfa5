// ChocolateTray: places, colours, delivery and the full house.
#include "game/minigames/chocolate/chocolate_tray.h"

#include <algorithm>
#include <cmath>

#include "core/graphics/sprites/animated_sprite.h"
#include "core/graphics/sprites/animated_texture.h"
#include "core/graphics/texture.h"
#include "core/windows/window.h"
#include "core/windows/window_manager.h"
#include "game/minigames/chocolate/flying_ring.h"
#include "game/minigames/factory_parts.h"
#include "game/shell/editors/curve.h"

ChocolateTray::ChocolateTray(const std::vector<TStr>* recipe, std::shared_ptr<TCurve> path, float pathOffset,
                             float endPoint)
    : TSprite(5),
      mPreviousPosition(pathOffset),
      mPathOffset(pathOffset),
      mEndPoint(endPoint),
      mPath(std::move(path)),
      mRecipe(recipe) {
  size_t n = recipe ? recipe->size() : 0;
  mPlaces.resize(n);
  TStr image = TStr::Format("image/tray%d", (int)n);
  SetTexture(TTexture::Get(image));
  mRing = TSprite::Create(0, TTexture::Get(image + "_ring"));
  AddChild(mRing);
  mRing->SetVisible(false);
  mPowerUp = TAnimatedSprite::Create(2);
  mPowerUp->SetTexture(TAnimatedTexture::Get(TStr("image/powerup.xml")));
  mPowerUp->SetCurrentFrame(mPowerUp->GetFrameCount() - 1);
  AddChild(mPowerUp);
}

std::shared_ptr<ChocolateTray> ChocolateTray::Create(const std::vector<TStr>* recipe, std::shared_ptr<TCurve> path,
                                                     float pathOffset, float endPoint) {
  return std::shared_ptr<ChocolateTray>(new ChocolateTray(recipe, std::move(path), pathOffset, endPoint));
}

TClassId ChocolateTray::ClassId() {
  static const char token = 0;
  return &token;
}

std::shared_ptr<ChocolateTray> ChocolateTray::Self() {
  return std::static_pointer_cast<ChocolateTray>(shared_from_this());
}

TVec2 ChocolateTray::PlaceOffset(uint32_t i, uint32_t n) {
  double a = 2.0 * M_PI * i / n;
  return TVec2((float)(kPlaceRadius * std::sin(a)), (float)(-kPlaceRadius * std::cos(a)));
}

void ChocolateTray::CreateArms(const std::shared_ptr<TSprite>& parent) {
  for (int k = 0; k < 4; ++k) {
    auto texture = TTexture::Get(TStr::Format("image/tray_arm_%d", 4 - k));
    mArms[k] = TSprite::Create(-100, texture);
    TVec2 size = TextureSize(texture);
    mArms[k]->GetDrawSpec().SetOrigin(TVec2(size.x / 2.0f, size.y - 2.0f));
    if (parent) parent->AddChild(mArms[k]);
  }
}

bool ChocolateTray::Accepts(const std::shared_ptr<Ingredient>& ingredient) const {
  if (!ingredient || !mRecipe) return false;
  for (size_t i = 0; i < mPlaces.size(); ++i)
    if (!mPlaces[i] && (*mRecipe)[i] == ingredient->GetName()) return true;
  return false;
}

bool ChocolateTray::IsComplete() const { return !mPlaces.empty() && mFilled == mPlaces.size(); }

bool ChocolateTray::AddIngredient(std::shared_ptr<Ingredient> ingredient) {
  if (!ingredient || !mRecipe) return false;
  size_t place = 0;
  while (place < mPlaces.size() && (mPlaces[place] || !((*mRecipe)[place] == ingredient->GetName()))) ++place;
  if (place == mPlaces.size()) return false;

  if (TSprite* parent = ingredient->GetParent()) parent->RemoveChild(ingredient);
  AddChild(ingredient);
  mPlaces[place] = ingredient;
  PlaceAt(*ingredient, PlaceOffset((uint32_t)place, (uint32_t)mPlaces.size()));
  ++mFilled;

  uint8_t a = ingredient->GetColour();
  if (a != mColour) {
    if (mColour == kColourNone)
      SetColour(a);
    else if (a == kColourNone)
      ingredient->SetColour(mColour);
    else
      SetColour(kColourMixed);
  }

  uint8_t c = mColour;
  TStr sound;
  if (IsComplete()) {
    TWindowManager* manager = TWindowManager::Get();
    if (TWindow* top = manager ? manager->GetTopModal() : nullptr) OfferFactoryMessage(top, kFactoryTrayCompleted);
    sound = c == kColourNone || c == kColourMixed ? "ingredient_complete" : "ingredient_complete_colormatch";
    if (c >= kColourRed && c <= kColourYellow) {
      if (TWindow* factory = FindFactoryWindow()) {
        factory->BubbleMessage(new FlyingRingStartMessage(Self(), c, factory));
        OfferFactoryMessage(factory, kFactoryTrayBonus);
      }
      Clear(true);
    }
  } else {
    sound = TStr::Format(c == kColourMixed ? "ingredient_success_%lu" : "ingredient_color_match_%lu",
                         (unsigned long)mFilled);
  }
  PostSoundEvent(sound);
  return true;
}

void ChocolateTray::SetColour(uint8_t colour) {
  mColour = colour;
  for (const auto& ingredient : mPlaces)
    if (ingredient) ingredient->SetColour(colour);
  mRing->GetDrawSpec().mColor = GetColourTint(colour);
  mRing->SetVisible(colour != kColourNone);
}

void ChocolateTray::SetPathPosition(float phase) {
  float p = mPathOffset + phase;
  p -= std::floor(p);
  if (mPath) PlaceAt(*this, mPath->GetPoint(p));

  TVec2 at = GetPosition();
  for (int k = 0; k < 4; ++k)
    if (mArms[k]) mArms[k]->SetPosition(TVec2(at.x, (at.y - 50.0f) * 0.25f * (float)(4 - k)));

  float q = mPreviousPosition, e = mEndPoint;
  bool passed = (q < p && q <= e && e <= p) || (q > p && ((e <= p && q >= e) || (e >= p && q <= e)));
  if (passed && IsComplete()) {
    OfferFactoryMessage(FindFactoryWindow(), kFactoryTrayDelivered);
    Clear(true);
  }
  mPreviousPosition = p;
}

void ChocolateTray::Clear(bool animate) {
  for (auto& ingredient : mPlaces)
    if (ingredient) {
      RemoveChild(ingredient);
      ingredient.reset();
    }
  mFilled = 0;
  mColour = kColourNone;
  mRing->SetVisible(false);
  if (animate && mPowerUp) mPowerUp->Play(TStr("DoAnim"));
  mCatchRadius = kCatchRadius;
  TVec2 at = GetPosition();
  GetDrawSpec().mMatrix.SetIdentity();
  SetPosition(at);
}

void ChocolateTray::GetSlotPoints(std::vector<TVec2>& points) const {
  TVec2 at = GetPosition();
  for (size_t i = 0; i < mPlaces.size(); ++i) points.push_back(at + PlaceOffset((uint32_t)i, (uint32_t)mPlaces.size()));
}

ChocolateTrayTask::ChocolateTrayTask(float period)
    : mPeriod(FactoryPeriod("ChocolateTrayTask", period, kDefaultPeriod)) {}

void ChocolateTrayTask::Add(std::shared_ptr<ChocolateTray> tray) { AddOnce(mTrays, std::move(tray)); }

void ChocolateTrayTask::Reset(float rate) {
  for (const auto& tray : mTrays) tray->Clear(false);
  mRate = rate;
  mLastTime = mCurrentTime;
}

bool ChocolateTrayTask::Update() {
  TScalingTask::Update();
  float phase = CyclePhase(mValue, mPeriod);
  bool allComplete = !mTrays.empty();
  for (const auto& tray : mTrays) {
    tray->SetPathPosition(phase);
    allComplete = allComplete && tray->IsComplete();
  }
  if (allComplete) {
    TWindow* factory = FindFactoryWindow();
    PostSoundEvent(TStr("ingredient_complete_full_bonus"));
    for (const auto& tray : mTrays) {
      tray->Clear(true);
      OfferFactoryMessage(factory, kFactoryTrayBonus);
    }
  }
  return true;
}

bool ChocolateTrayTask::HasCompleteTray() const {
  return std::any_of(mTrays.begin(), mTrays.end(), [](const auto& tray) { return tray->IsComplete(); });
}
