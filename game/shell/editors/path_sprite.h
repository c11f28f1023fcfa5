// TPathSprite: an animated sprite that travels along a TCurve over a set time: once (and leaves
// its parent), once and stays, in a loop, or back and forth. It may grow and speed up towards
// the near line of the scene, and with several frames it shows the frame of its heading.
#pragma once

#include <cstdint>
#include <memory>

#include "core/graphics/sprites/animated_sprite.h"

class TCurve;

class TPathSprite : public TAnimatedSprite {
 public:
  enum Motion : uint32_t { kOneWay = 0, kOneWayStay = 1, kLoop = 2, kBounce = 3 };

  static TClassId ClassId();
  const char* GetClassName() const override { return "TPathSprite"; }
  bool IsKindOf(TClassId id) const override { return id == ClassId() || TAnimatedSprite::IsKindOf(id); }
  ~TPathSprite() override;

  // The elapsed time is kept.
  void SetPath(std::shared_ptr<TCurve> curve, float duration, uint32_t motion);
  // Switches depth scaling on and sets the scale for the present height at once.
  void SetDepthScale(float farY, float nearY, float farScale, float nearScale);
  void SetDepthSpeed(float farSpeed, float nearSpeed);
  // Its frame always follows this sprite's.
  void SetCompanion(std::shared_ptr<TAnimatedSprite> companion) { mCompanion = std::move(companion); }
  std::shared_ptr<TCurve> GetCurve() const { return mCurve; }
  // Advances the sprite by ms of scene time.
  void Update(uint32_t ms);

  float GetScale() const { return mScale; }
  float GetElapsed() const { return mElapsed; }

 protected:
  explicit TPathSprite(int32_t layer) : TAnimatedSprite(layer) {}
  friend std::shared_ptr<TPathSprite> CreatePathSprite(int32_t layer);

 private:
  // Where y lies between the far line (0) and the near line (1); 0 when the two coincide.
  float DepthFraction(float y) const;

  std::shared_ptr<TCurve> mCurve;
  float mElapsed = 0.0f;   // ms, already multiplied by the speed factor
  float mDuration = 0.0f;  // ms of one run along the whole path
  float mPhase = 0.0f;     // share of a run added to the position
  float mScale = 1.0f;
  uint32_t mMotion = kOneWay;
  std::shared_ptr<TAnimatedSprite> mCompanion;
  uint32_t mDepthScaling = 0;
  TVec2 mFarPoint, mNearPoint;  // only their y count
  float mFarScale = 1.0f, mNearScale = 1.0f;
  float mFarSpeed = 1.0f, mNearSpeed = 1.0f;
};

std::shared_ptr<TPathSprite> CreatePathSprite(int32_t layer);

// The heading of a direction in degrees clockwise from up the screen (0 up, 90 right); a zero
// direction reads as 90.
double HeadingDegrees(const TVec2& direction);
// The frame of n headings nearest to a heading (frame i faces i * 360 / n degrees).
int32_t HeadingFrame(double heading, int32_t frames);
