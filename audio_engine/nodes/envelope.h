// cEnvelope: an attack and release fade on the "Volume" it forwards to its delegate, stepped
// on every engine tick; the level is squared into the volume.
#pragma once

#include "audio_engine/sound.h"

namespace Tarn {

class cEnvelope : public cSound {
 public:
  enum Phase { kIdle = 0, kAttack = 1, kFull = 3, kRelease = 4 };

  int HandleParameterChange(uint32_t id, const tVariant& value, uint32_t propagate) override;
  int Play(int64_t time) override;
  int Stop(int64_t time) override;
  int StopNow() override;
  int Kill() override;
  int Update() override;
  int RefreshParameterBinding(uint32_t id) override;

  int GetPhase() const { return mPhase; }
  double Level() const { return mLevel; }

 private:
  void Apply();
  void Finish();

  double mAttack = 1.0;   // ms
  double mRelease = 1.0;  // ms
  int64_t mLastUpdate = 0;
  int mPhase = kIdle;
  double mLevel = 0.0;
  double mRate = 0.0;  // level per ms
};

}  // namespace Tarn
