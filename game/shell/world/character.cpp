// The character window. Expressions are chosen from the happiness and faded in on the window's
// own 50 ms animation timer, which runs on its modal window's clock and dies with the window.
#include "game/shell/world/character.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/base/file.h"
#include "core/base/saturate.h"
#include "core/graphics/draw_spec.h"
#include "core/graphics/sprites/animated_texture.h"
#include "core/graphics/texture.h"
#include "core/windows/window_host.h"
#include "core/windows/window_style.h"
#include "game/shell/world/world_drawing.h"

namespace {

// Every character window alive, oldest first; main thread only.
std::vector<Character*>& CharacterList() {
  static std::vector<Character*> list;
  return list;
}

}  // namespace

Character::Character() { CharacterList().push_back(this); }

Character::~Character() {
  std::vector<Character*>& list = CharacterList();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

TWindow* Character::Create() { return new Character; }

void Character::PostChildrenInit(TWindowStyle& style) {
  TQRNWindow::PostChildrenInit(style);
  mCharacterName = style.GetString("name", TStr());
  mAlpha = (float)style.GetNumber("alpha", 1.0);
  mScale = (float)style.GetNumber("scale", 1.0);
  float happiness = (float)style.GetNumber("happiness", 50.0);

  TStr base = TStr("characters/") + mCharacterName;
  // Only a file that is there is read as an animation: a still portrait is the usual case, not
  // an error to log.
  std::shared_ptr<TAnimatedTexture> animated;
  if (FileExists(base + ".xml")) animated = TAnimatedTexture::Get(base + ".xml");
  if (animated) {
    animated->SetFrame(0);
    mPortrait = animated;
  } else {
    mPortrait = TTexture::Get(base + ".png", 0);
    if (!mPortrait) mPortrait = TTexture::Get("characters/temp_char", 0);
  }

  if (mPortrait) {
    int32_t w = mPortrait->GetWidth(), h = mPortrait->GetHeight();
    if (mScale != 1.0f) {
      w = SaturateToInt32(std::trunc(w * mScale + 0.5f));
      h = SaturateToInt32(std::trunc(h * mScale + 0.5f));
    }
    SetSize(std::max(w, GetWidth()), std::max(h, GetHeight()));
  }

  SetHappiness(happiness);
  // A portrait opens on its mood, without a fade.
  mShownFrame = mMoodFrame;
  mFadeCounter = kFadeMs;
}

int32_t Character::MoodFrame(int32_t frameCount, double happiness) {
  if (frameCount <= 1) return -1;
  // Out of range (or not a number), the nearest end of the scale: a very unhappy character
  // looks sad, never like a frame that does not exist.
  if (!(happiness >= 0.0)) happiness = 0.0;
  if (happiness > 100.0) happiness = 100.0;
  if (frameCount == 3) {
    int32_t q = (int32_t)std::trunc(happiness * 3.0 / 100.0);
    return q == 0 ? 1 : q == 1 ? 0 : 2;
  }
  int32_t n = frameCount - 1;
  return std::min(n, 1 + (int32_t)std::trunc(n * happiness / 100.0));
}

TAnimatedTexture* Character::Animated() const {
  if (!mPortrait || !mPortrait->IsKindOf(TAnimatedTexture::ClassId())) return nullptr;
  return static_cast<TAnimatedTexture*>(mPortrait.get());
}

void Character::SetHappiness(float happiness) {
  TAnimatedTexture* animated = Animated();
  if (!animated) return;
  int32_t frame = MoodFrame(animated->GetFrameCount(), happiness);
  if (frame < 0) return;
  mMoodFrame = frame;
  if (mMoodFrame != mShownFrame) {
    mFadeCounter = 0;
    SetAnimTimer(kFadeStepMs, true, true, false);
  }
}

void Character::SetPortraitAlpha(float alpha) {
  mAlpha = alpha;
  RequestRedraw();
}

bool Character::OnAnimate() {
  if (mFadeCounter < kFadeMs) {
    mFadeCounter += kFadeStepMs;
    if (mFadeCounter >= kFadeMs) {
      mFadeCounter = kFadeMs;
      mShownFrame = mMoodFrame;
    }
    RequestRedraw();
  }
  return mFadeCounter < kFadeMs;
}

void Character::Draw() {
  TWindowHost* host = WorldHost();
  if (!mPortrait || !host) return;
  TAnimatedTexture* animated = Animated();
  if (animated) animated->SetFrame(0);  // the box is the base picture's
  TVec2 origin = ScreenOrigin(this);
  TVec2 centre(origin.x + mPortrait->GetWidth() * mScale / 2, origin.y + mPortrait->GetHeight() * mScale / 2);
  auto layer = [&](int32_t frame, float alpha) {
    if (animated) animated->SetFrame(frame);
    host->DrawTexture(mPortrait, TDrawSpec(centre, alpha, mScale, 0));
  };
  layer(0, mAlpha);
  if (!animated) return;
  if (animated->GetFrameCount() > 1) layer(mShownFrame, mAlpha);
  if (mMoodFrame != mShownFrame) layer(mMoodFrame, mAlpha * (float)mFadeCounter / (float)kFadeMs);
}

void Character::SetMood(TStr name, float happiness) {
  for (Character* character : CharacterList())
    if (character->mCharacterName == name) character->SetHappiness(happiness);
}
