// TravelTask: a journey on the world map. A traveller sprite runs along a route in the time of the
// journey's last event, turned to its heading by frame (one frame a heading) and by the angle
// left over, scaled with its height on the map, laying a dot every 12 units it passes; the
// scripts' timed actions run as the journey reaches them, every one left at the arrival.
//
// The platform's task list owns the journey. It knows its map by serial number and ends at its
// next tick when that map is gone; the map holds it through a handle that the journey empties
// when it arrives or is deleted, so neither ever reaches the other after it went.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/base/str.h"
#include "core/base/vec2.h"
#include "game/shell/old_scaling_task.h"

class TAnimatedSprite;
class TCurve;
class TLuaFunction;
class TLuaTable;

class TravelTask : public TOldScalingTask {
 public:
  static constexpr uint32_t kTickMs = 30;
  static constexpr float kDotSpacing = 12.0f;

  struct TypeChange {
    float fraction;  // share of the route from which the vehicle shows
    TStr image;
  };
  struct TravelEvent {
    float time;  // ms since the journey began
    std::unique_ptr<TLuaFunction> action;  // may be null
  };
  // What the map holds: the journey while it runs, null once it arrived or was deleted.
  using Handle = std::shared_ptr<TravelTask*>;

  // The type table ({fraction, image} entries; may be null) is read here, not kept.
  TravelTask(std::shared_ptr<TAnimatedSprite> traveller, std::shared_ptr<TCurve> path, TLuaTable* types);
  ~TravelTask() override;
  TravelTask(const TravelTask&) = delete;
  TravelTask& operator=(const TravelTask&) = delete;

  // Takes the action (may be null); the journey lasts until its latest event.
  void AddEvent(float time, TLuaFunction* action);
  // "name" is "image/name.xml" unless it names a folder or an extension itself.
  void SetVehicle(TStr name);
  void SetDepthScale(float yFar, float yNear, float farScale, float nearScale);
  // The map window (by serial number) that the journey belongs to.
  void SetMapSerial(uint32_t serial) { mMapSerial = serial; }
  // Lets go of the scripts' actions and ends at the next tick: the map is going, and the script
  // state may go soon after it.
  void Abandon();
  const Handle& GetHandle() const { return mHandle; }

  bool Animate() override;

  // The heading in degrees clockwise from up for a unit direction (screen y down); never NaN.
  static float Heading(const TVec2& direction);

  float GetDuration() const { return mDuration; }
  const std::shared_ptr<TAnimatedSprite>& GetTraveller() const { return mTraveller; }
  const std::vector<TypeChange>& GetTypeChanges() const { return mTypeChanges; }
  size_t GetEventCursor() const { return mNextEvent; }

 private:
  // Where the running value lies in the journey, from 0 to 1.
  float Fraction(float value) const;
  void LayDots(float from, float to);
  void Turn(float t, TVec2& position);
  void RunDueEvents(bool arrived);

  std::shared_ptr<TAnimatedSprite> mTraveller;
  std::shared_ptr<TCurve> mPath;
  float mDuration = 0.0f;
  float mYFar = 0.0f, mYNear = 0.0f;
  float mFarScale = 1.0f, mNearScale = 1.0f;
  std::vector<TypeChange> mTypeChanges;
  size_t mNextChange = 0;
  std::vector<TravelEvent> mEvents;
  size_t mNextEvent = 0;
  uint32_t mMapSerial = 0;
  bool mAbandoned = false;
  Handle mHandle;
};
