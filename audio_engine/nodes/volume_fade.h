// cVolumeFade: a linear volume fade in engine samples, stepped on the engine tick by the nodes
// that fade (arrangements, loop boxes); the level is applied squared.
#pragma once

#include <cstdint>

namespace Tarn {

class cVolumeFade {
 public:
  // Full level, no fade.
  void Reset() {
    mLevel = 1.0;
    mRate = 0.0;
    mStart = -1;
    mStopAfter = false;
  }
  // Starts a fade over `milliseconds` from `start` (engine samples): from 1 to 0 when fading
  // out, from 0 to 1 when fading in. Without a fade time the fade ends where it starts (a rate
  // of 1/0 would never arrive): false, with the level at its end.
  bool Begin(float milliseconds, bool fadeOut, bool stopAfter, int64_t start) {
    mStopAfter = stopAfter;
    mStart = start;
    if (!(milliseconds > 0.0f)) {
      mLevel = fadeOut ? 0.0 : 1.0;
      mRate = 0.0;
      mStart = -1;
      return false;
    }
    double perSample = 1.0 / (milliseconds * 44.1);
    mStartLevel = fadeOut ? 1.0 : 0.0;
    mTarget = fadeOut ? 0.0 : 1.0;
    mRate = fadeOut ? -perSample : perSample;
    mLevel = mStartLevel;
    return true;
  }
  // Moves the level to `now`: true when it changed. `ended` is set when the fade reached its
  // target on this step.
  bool Step(int64_t now, bool* ended) {
    *ended = false;
    if (mStart < 0 || now < mStart || mRate == 0.0) return false;
    mLevel = mStartLevel + mRate * (double)(now - mStart);
    if ((mRate > 0.0 && mLevel >= mTarget) || (mRate < 0.0 && mLevel <= mTarget)) {
      mLevel = mTarget;
      mRate = 0.0;
      mStart = -1;
      *ended = true;
    }
    return true;
  }
  // Ends the fade where it stands.
  void Halt() {
    mRate = 0.0;
    mStart = -1;
  }
  // Takes the stop-after request of a fade that has ended (once).
  bool TakeStopAfter() {
    bool stop = mStopAfter;
    mStopAfter = false;
    return stop;
  }

  double Level() const { return mLevel; }
  double Squared() const { return mLevel * mLevel; }
  bool Running() const { return mRate != 0.0; }

 private:
  double mLevel = 1.0;
  double mRate = 0.0;  // per sample
  double mStartLevel = 1.0;
  double mTarget = 1.0;
  bool mStopAfter = false;
  int64_t mStart = -1;
};

}  // namespace Tarn
