// Flying rings: the chocolate game's bonus pieces. A tray completed in one colour asks the
// factory window (FlyingRingStartMessage) to launch one ring from each of its places; each ring
// flies straight to a fixed target in a set time, and on landing the window counts it.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/base/vec2.h"
#include "core/graphics/sprites/sprite.h"
#include "core/windows/message.h"
#include "game/shell/scaling_task.h"

class ChocolateTray;
class TCurve;

class FlyingRing : public TSprite {
 public:
  // Tinted with the colour's entry of the colour table; placed by its first Advance.
  static std::shared_ptr<FlyingRing> Create(uint8_t colour, const TVec2& start, const TVec2& target);
  // Moves on by the step (progress capped at 1); true while still under way.
  bool Advance(float step);
  float GetProgress() const { return mProgress; }
  std::shared_ptr<TCurve> GetPath() const { return mPath; }

 protected:
  explicit FlyingRing(uint8_t colour);

 private:
  std::shared_ptr<TCurve> mPath;
  float mProgress = 0.0f;
};

class FlyingRingTask : public TScalingTask {
 public:
  static constexpr float kDefaultPeriod = 500.0f;

  // period: ms of one flight, whatever the machine speed.
  explicit FlyingRingTask(float period);
  // Once each, in launch order.
  void Add(std::shared_ptr<FlyingRing> ring);
  bool Update() override;

  const std::vector<std::shared_ptr<FlyingRing>>& GetRings() const { return mRings; }
  float GetPeriod() const { return mPeriod; }

 private:
  float mPeriod;
  std::vector<std::shared_ptr<FlyingRing>> mRings;
};

class FlyingRingStartMessage : public TMessage {
 public:
  FlyingRingStartMessage(std::shared_ptr<ChocolateTray> tray, uint8_t colour, TWindow* window);
  static const void* ClassId();
  const char* GetClassName() const override { return "FlyingRingStartMessage"; }
  bool IsKindOf(const void* classId) const override { return classId == ClassId() || TMessage::IsKindOf(classId); }

  // One ring from each place of the tray towards the target, in the tray's parent sprite.
  void Launch(FlyingRingTask* task, const TVec2& target);
  std::shared_ptr<ChocolateTray> GetTray() const { return mTray; }
  uint8_t GetColour() const { return mColour; }

 private:
  std::shared_ptr<ChocolateTray> mTray;
  uint8_t mColour;
};
