// TScalingTask: a value that grows by elapsed milliseconds times a rate on a private clock that
// its owner advances, so a paused game freezes all of its tasks at once. The factory games'
// moving parts derive from it and take UpdateCycle(period) as their step.
#pragma once

#include <cstdint>

class TScalingTask {
 public:
  TScalingTask() = default;
  // Owners hold their tasks through this base.
  virtual ~TScalingTask() = default;

  // Back to 0 on a stopped clock at 0; derived tasks call this first.
  virtual void Reset(float rate);
  // The argument is not used; the clock runs from where it stood.
  virtual void Start(uint32_t unused);
  // One step after the clock moved: previous = value, value += elapsed x rate.
  virtual bool Update();

  void Stop() { mStopped = true; }
  // Moves the private clock and updates; nothing while stopped, so stopped time never counts.
  void Advance(uint32_t ms);
  void SetRate(float rate) { mRate = rate; }
  void MultiplyScale(float factor) { SetRate(mRate * factor); }
  // Does the base step (whether stopped or not) and answers the fraction of a cycle of length
  // period that the value moved, counting a pass over the cycle's end. A cycle of length 0 is
  // over as soon as the value moves: the answer is then 1, so anything timed by it ends at
  // once at its end.
  float UpdateCycle(float period);

  float GetValue() const { return mValue; }
  float GetPrevious() const { return mPrevious; }
  float GetRate() const { return mRate; }
  bool IsStopped() const { return mStopped; }
  uint32_t GetCurrentTime() const { return mCurrentTime; }

 protected:
  // The base step without the virtual dispatch.
  void Step();

  float mValue = 0;
  float mPrevious = 0;
  float mRate = 1.0f;
  uint32_t mLastTime = 0;
  uint32_t mCurrentTime = 0;
  bool mStopped = true;
};
