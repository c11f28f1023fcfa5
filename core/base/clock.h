// TClock: a pausable millisecond clock over the platform time; modal windows freeze with it.
#pragma once

#include <cstdint>

class TClock {
 public:
  TClock() {}
  virtual ~TClock() {}

  // The frozen time while paused, else the running time.
  uint32_t GetTime() const;
  void SetTime(uint32_t t);
  // The first start ever sets the time to 0; later starts skip the span spent paused.
  void Start();
  // True when it was already paused.
  bool Pause();
  // Time 0 and paused.
  void Reset();
  bool IsPaused() const { return mPaused; }

 private:
  uint32_t RunningTime() const;

  bool mPaused = true;
  bool mStarted = false;
  uint32_t mRealStart = 0;
  uint32_t mBase = 0;
  uint32_t mFrozen = 0;
  uint32_t mPausedTotal = 0;
};
