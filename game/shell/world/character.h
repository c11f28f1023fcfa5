// Character: a character's portrait whose expression follows the character's happiness. The
// portrait is an animation whose frame 0 is the base picture and whose other frames are the
// expressions drawn over it; a change of mood cross-fades to the new expression in 200 ms.
// Script type "CharWindow"; the script function SetMood reaches every open portrait of a name.
#pragma once

#include <cstdint>
#include <memory>

#include "core/base/str.h"
#include "game/shell/qrn_window.h"

class TTexture;
class TAnimatedTexture;

class Character : public TQRNWindow {
 public:
  static constexpr uint32_t kFadeMs = 200;
  static constexpr uint32_t kFadeStepMs = 50;

  Character();
  ~Character() override;

  static TWindow* Create();
  const char* GetClassName() const override { return "Character"; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &Character::Create || TQRNWindow::IsKindOf(classId);
  }

  // Keys "name", "alpha", "scale" and "happiness"; the portrait is "characters/<name>.xml",
  // else "characters/<name>.png", else "characters/temp_char".
  void PostChildrenInit(TWindowStyle& style) override;
  void Draw() override;
  bool OnAnimate() override;

  // Chooses the expression for the happiness (0 to 100) and fades to it when it changed.
  void SetHappiness(float happiness);
  // The portrait's own alpha (the window fader's path for characters).
  void SetPortraitAlpha(float alpha);

  const TStr& GetCharacterName() const { return mCharacterName; }
  const std::shared_ptr<TTexture>& GetPortrait() const { return mPortrait; }
  float GetPortraitAlpha() const { return mAlpha; }
  float GetScale() const { return mScale; }
  int32_t GetShownFrame() const { return mShownFrame; }
  int32_t GetMoodFrame() const { return mMoodFrame; }
  uint32_t GetFadeCounter() const { return mFadeCounter; }

  // SetHappiness on every open portrait of that name (exact match), oldest first.
  static void SetMood(TStr name, float happiness);
  // The expression frame for a happiness among frameCount frames; -1 when moods do not apply.
  static int32_t MoodFrame(int32_t frameCount, double happiness);

 private:
  TAnimatedTexture* Animated() const;

  TStr mCharacterName;
  std::shared_ptr<TTexture> mPortrait;
  float mAlpha = 1.0f;
  float mScale = 1.0f;
  int32_t mShownFrame = 0;
  int32_t mMoodFrame = 0;
  uint32_t mFadeCounter = kFadeMs;
};
