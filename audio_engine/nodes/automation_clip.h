// cAutomationClip: a parameter curve. Its level is either an event parameter's value (from the
// owner's property set) or the points interpolated at its play position; "Volume" and send
// levels are squared. Bound to a file player it renders its curve at the control rate.
#pragma once

#include <cstdint>
#include <map>

#include "audio_engine/isound.h"
#include "audio_engine/mix/bus_mixer.h"
#include "audio_engine/mix/wave_source.h"
#include "audio_engine/patch_holder.h"

namespace Tarn {

class cAutomationClip : public cPatchHolder,
                        public cISound,
                        public TarnMix::cIWaveSource,
                        public TarnMix::cIMixNotify {
 public:
  int HandleParameterChange(uint32_t id, const tVariant& value, uint32_t propagate) override;
  using cPatchHolder::SetParameter;

  // cISound.
  int SetStartPosition(int32_t position) override;
  int GetState(int32_t* state) override;
  int Play(int64_t time) override;
  int StopNow() override { return Kill(); }
  int Stop(int64_t time) override;
  int GetStatus(uint32_t* status) override;
  int Kill() override;
  bool IsActive() override { return mPlaying || mStartTime != 0; }
  int GetValue(uint32_t id, float* value, uint32_t flag) override;
  int SetParameter(uint32_t, const tVariant&, uint32_t) override { return 0; }
  int Schedule() override { return 0; }
  int Process() override { return 0; }

  // cIWaveSource: a curve (state 2) while playing over points, a held value (1) otherwise
  // once it has a level, nothing (0) before.
  int Reset() override { return 0; }
  int GetState(uint32_t* state) override;
  int Render(void* buffer, uint32_t bytes, uint32_t* rendered, float gain, uint32_t reserved) override;
  // The current level; then the clip moves on by `frames` while playing.
  int GetLevel(float* level, uint32_t frames) override;
  int Advance(uint32_t frames) override;

  void OnMixNotify(int64_t mixTime, uint32_t frames) override;

  void SetOwnerPropertySet(cPropertySet* set) { mOwnerPropertySet = set; }
  void SetPendingPlayPosition(int32_t position);
  int32_t Position() const { return mPosition; }
  // The level at a play position (before squaring).
  float LevelAt(int64_t position) const;

 private:
  float CurrentLevel() const;

  cPropertySet* mOwnerPropertySet = nullptr;  // not owned
  bool mSquared = false;
  const cPropertySet* mParameter = nullptr;   // the event-parameter patch
  float mLevel = 0.0f;
  bool mHasLevel = false;
  std::map<int32_t, float> mPoints;
  int64_t mStartTime = 0;  // 0 = none
  int64_t mStopTime = 0;   // 0 = none
  bool mPlaying = false;
  int32_t mPosition = 0;
  int32_t mPendingPosition = -1;
};

}  // namespace Tarn
