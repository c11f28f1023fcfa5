// TPathSprite: the clock, the position on the path, the depth scale and the heading frame.
#include "game/shell/editors/path_sprite.h"

#include <algorithm>
#include <cmath>

#include "game/shell/editors/curve.h"

TClassId TPathSprite::ClassId() {
  static const char token = 0;
  return &token;
}

TPathSprite::~TPathSprite() {
  mCompanion.reset();
  mCurve.reset();
}

std::shared_ptr<TPathSprite> CreatePathSprite(int32_t layer) {
  return std::shared_ptr<TPathSprite>(new TPathSprite(layer));
}

double HeadingDegrees(const TVec2& direction) {
  double heading = 180.0 - std::acos((double)std::clamp(direction.y, -1.0f, 1.0f)) * 180.0 / M_PI;
  return direction.x < 0.0f ? 360.0 - heading : heading;
}

int32_t HeadingFrame(double heading, int32_t frames) {
  if (frames < 1) return 0;
  return (int32_t)std::trunc(heading / (360.0 / frames) + 0.5) % frames;
}

void TPathSprite::SetPath(std::shared_ptr<TCurve> curve, float duration, uint32_t motion) {
  mCurve = std::move(curve);
  mDuration = duration;
  mMotion = motion;
}

float TPathSprite::DepthFraction(float y) const {
  float span = mNearPoint.y - mFarPoint.y;
  return span != 0.0f ? (y - mFarPoint.y) / span : 0.0f;
}

void TPathSprite::SetDepthScale(float farY, float nearY, float farScale, float nearScale) {
  mFarPoint = TVec2(0.0f, farY);
  mNearPoint = TVec2(0.0f, nearY);
  mFarScale = farScale;
  mNearScale = nearScale;
  mDepthScaling = 1;
  mScale = mFarScale + (mNearScale - mFarScale) * DepthFraction(GetPosition().y);
}

void TPathSprite::SetDepthSpeed(float farSpeed, float nearSpeed) {
  mFarSpeed = farSpeed;
  mNearSpeed = nearSpeed;
}

void TPathSprite::Update(uint32_t ms) {
  if (mFarSpeed == mNearSpeed) {
    mElapsed += (float)ms;
  } else {
    float factor = mFarSpeed + (mNearSpeed - mFarSpeed) * DepthFraction(GetPosition().y);
    mElapsed += (float)ms * factor;
  }

  TVec2 point, direction;
  if ((mMotion == kOneWay || mMotion == kOneWayStay) && mElapsed >= mDuration) {
    point = PathPoint(mCurve, 1.0f);
    if (mMotion == kOneWay && GetParent()) GetParent()->RemoveChild(shared_from_this());
  } else {
    float f = mElapsed / mDuration + mPhase;
    if (mMotion == kBounce) {
      f = std::fmod(f, 2.0f);
      if (f >= 1.0f) f = 2.0f - f;
    } else {
      f = std::fmod(f, 1.0f);
    }
    point = PathPoint(mCurve, f, &direction);
  }

  mScale = 1.0f;
  if (mDepthScaling) mScale = mFarScale + (mNearScale - mFarScale) * DepthFraction(point.y);

  int32_t frames = GetFrameCount();
  if (frames > 1) {
    int32_t frame = HeadingFrame(HeadingDegrees(direction), frames);
    SetCurrentFrame(frame);
    if (mCompanion) mCompanion->SetCurrentFrame(frame);
  }

  TMat3& m = GetDrawSpec().mMatrix;
  m.SetIdentity();
  m.Scale(mScale);
  SetPosition(point);
}
