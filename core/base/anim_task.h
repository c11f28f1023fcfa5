// TAnimTask: a task with a timer (period, catch-up) on the platform time or a TClock of its own.
#pragma once

#include <cstdint>

#include "core/base/task.h"

class TClock;

class TAnimTask : public TTask {
 public:
  static constexpr uint32_t kNoTimer = 0xFFFFFFFFu;

  // Due at once.
  explicit TAnimTask(TClock* clock = nullptr);

  // Code 1 answers the message flag; other codes whether the timer is due.
  bool Ready(int code) override;
  // Runs Animate once, or with catch-up once per missed period (up to a second's worth).
  bool DoTask() override;
  virtual bool Animate() = 0;

  uint32_t GetTime() const;
  // Counted from the last due time unless fromNow is set or no timer runs; returns period.
  uint32_t SetTimer(uint32_t period, bool repeat, bool fromNow, bool catchUp);
  // Now minus the due time, or -1 without a timer.
  int32_t GetTimePastDue() const;
  void StopTimer();
  // Keeps the time left until the task is due across the switch.
  void SetClock(TClock* clock);
  TClock* GetClock() const { return mClock; }
  void SetMessageFlag(bool on) { mMessageFlag = on; }
  bool GetMessageFlag() const { return mMessageFlag; }
  uint32_t GetDueTime() const { return mDue; }
  uint32_t GetPeriod() const { return mPeriod; }

 private:
  bool mMessageFlag = false;
  uint32_t mDue;
  uint32_t mPeriod = 0;
  bool mFromNow = false;
  bool mCatchUp = false;
  TClock* mClock;
};
