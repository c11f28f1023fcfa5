// The journey's ticks: dots, vehicle changes, heading, depth scale, position, due events.
#include "game/shell/world/travel_task.h"

#include <algorithm>
#include <cmath>

#include "core/base/mat3.h"
#include "core/base/saturate.h"
#include "core/graphics/sprites/animated_sprite.h"
#include "core/graphics/sprites/animated_texture.h"
#include "core/graphics/texture.h"
#include "core/script/lua_function.h"
#include "core/script/lua_table.h"
#include "core/windows/window_manager.h"
#include "game/shell/editors/curve.h"
#include "game/shell/world/qrn_transition.h"
#include "game/shell/world/world_script.h"

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr const char* kDefaultVehicle = "travel_air";

}  // namespace

TravelTask::TravelTask(std::shared_ptr<TAnimatedSprite> traveller, std::shared_ptr<TCurve> path, TLuaTable* types)
    : mTraveller(std::move(traveller)), mPath(std::move(path)), mHandle(std::make_shared<TravelTask*>(this)) {
  if (mTraveller) mTraveller->SetVisible(false);
  int n = types ? types->GetSize() : 0;
  for (int i = 1; i <= n; i++) {
    std::unique_ptr<TLuaTable> entry(types->GetTableAt(i));
    if (!entry) continue;
    mTypeChanges.push_back(
        {(float)entry->GetNumberAt(1, 0.0), entry->GetStringAt(2, kDefaultVehicle)});
  }
  // The first vehicle shows from the start, whatever its fraction.
  if (mTypeChanges.empty()) {
    SetVehicle(kDefaultVehicle);
  } else {
    SetVehicle(mTypeChanges[0].image);
    mNextChange = 1;
  }
}

TravelTask::~TravelTask() { *mHandle = nullptr; }

void TravelTask::AddEvent(float time, TLuaFunction* action) {
  if (time > mDuration) mDuration = time;
  mEvents.push_back({time, std::unique_ptr<TLuaFunction>(action)});
  mNextEvent = 0;
}

void TravelTask::SetVehicle(TStr name) {
  if (name.Find('/') < 0) name = TStr("image/") + name;
  if (name.Find('.') < 0) name += ".xml";
  if (mTraveller) mTraveller->SetTexture(TAnimatedTexture::Get(name));
}

void TravelTask::SetDepthScale(float yFar, float yNear, float farScale, float nearScale) {
  mYFar = yFar;
  mYNear = yNear;
  mFarScale = farScale;
  mNearScale = nearScale;
}

void TravelTask::Abandon() {
  mAbandoned = true;
  mEvents.clear();
  *mHandle = nullptr;
}

float TravelTask::Heading(const TVec2& direction) {
  // A direction a little longer than 1 after rounding must not make acos NaN.
  float dy = std::isnan(direction.y) ? 0.0f : std::clamp(direction.y, -1.0f, 1.0f);
  float h = 180.0f - std::acos(dy) * 180.0f / kPi;
  return direction.x < 0 ? 360.0f - h : h;
}

float TravelTask::Fraction(float value) const {
  if (!(mDuration > 0)) return 0.0f;
  float a = value / mDuration;
  return a - std::floor(a);
}

void TravelTask::LayDots(float from, float to) {
  float length = mPath ? mPath->GetLength() : 0.0f;
  TSprite* parent = mTraveller ? mTraveller->GetParent() : nullptr;
  if (!(length > 0) || !parent) return;
  uint32_t first = SaturateToUInt32(std::trunc(length * from)) / 12;
  uint32_t last = SaturateToUInt32(std::trunc(length * to)) / 12;
  for (uint32_t k = first; k < last; k++) {
    std::shared_ptr<TSprite> dot = TSprite::Create(1, TTexture::Get("image/traveldot", 0));
    dot->SetPosition(mPath->GetPoint(kDotSpacing * (float)k / length));
    parent->AddChild(dot);
  }
}

void TravelTask::Turn(float t, TVec2& position) {
  TVec2 direction(0, 0);
  position = PathPoint(mPath, t, &direction);
  if (!mTraveller) return;
  float heading = Heading(direction);
  int32_t frames = std::max(mTraveller->GetFrameCount(), 1);
  float step = 360.0f / (float)frames;
  uint32_t frame = SaturateToUInt32(std::trunc(heading / step + 0.5f)) % (uint32_t)frames;
  mTraveller->SetCurrentFrame((int32_t)frame);
  // The frames turn the vehicle by whole steps; the angle left over turns the picture, also when
  // it is scaled for depth.
  TMat3 matrix = TMat3::MakeRotation((heading - (float)frame * step) * kPi / 180.0f);
  if (mYFar != mYNear) {
    float s = (position.y - mYFar) / (mYNear - mYFar) * (mNearScale - mFarScale) + mFarScale;
    matrix.Scale(s, s);
  }
  mTraveller->GetDrawSpec().mMatrix = matrix;
  mTraveller->SetPosition(position);
}

void TravelTask::RunDueEvents(bool arrived) {
  while (!mAbandoned && mNextEvent < mEvents.size() && (arrived || mValue >= mEvents[mNextEvent].time)) {
    // Held here while it runs: the action may close the map, which lets go of the events.
    std::unique_ptr<TLuaFunction> action = std::move(mEvents[mNextEvent].action);
    mNextEvent++;
    if (action) RunScriptFunction(*action);
  }
}

bool TravelTask::Animate() {
  if (mAbandoned || (mMapSerial && !FindLiveWindow(mMapSerial))) {
    Abandon();
    return false;
  }
  float from = Fraction(mValue);
  TOldScalingTask::Animate();
  bool arrived = mValue >= mDuration;
  float t = arrived ? 1.0f : Fraction(mValue);

  LayDots(from, t);
  while (mNextChange < mTypeChanges.size() && mTypeChanges[mNextChange].fraction <= t)
    SetVehicle(mTypeChanges[mNextChange++].image);
  TVec2 position;
  Turn(t, position);
  // Arrived, the map lets go of the journey before the last actions run, so they may start the
  // next one.
  if (arrived) *mHandle = nullptr;
  RunDueEvents(arrived);
  if (mTraveller) mTraveller->SetVisible(true);
  if (TWindowManager* manager = TWindowManager::Get()) manager->Invalidate();
  return !arrived && !mAbandoned;
}
