// cBus: a node that owns a bus mixer of the mixing layer: its volume, pan and mute come from
// its channel, its "SoundList" names the effect returns it sends into, and its insert
// effects are a chain of hosted plug-ins.
#pragma once

#include "audio_engine/auto_ptr.h"
#include "audio_engine/mix/bus_mixer.h"
#include "audio_engine/sound.h"

namespace Tarn {

class cBus : public cSound {
 public:
  cBus();
  ~cBus() override;

  int HandleParameterChange(uint32_t id, const tVariant& value, uint32_t propagate) override;
  int OnParameterUpdate(uint32_t id) override;
  void OnPatchApplied(const EffectSet& effects) override;
  // Joins the output bus's mixer (the mix root when there is none) and plays; a return bus
  // only takes its return number.
  int HandleOutputBusChange() override;
  int Play(int64_t time) override { return mMixer->Play(time); }
  int StopNow() override { return mMixer->StopNow(); }
  int Stop(int64_t time) override { return mMixer->Stop(time); }
  int Kill() override { return mMixer->Kill(); }
  bool IsActive() override { return mMixer->IsActive(); }
  void Detach() override;

  TarnMix::cBusMixer* Mixer() const { return mMixer.Get(); }
  int ReturnNumber() const { return mReturnNumber; }

 private:
  void SetUpReturns(const cStringSet* names);

  cAutoPtr<TarnMix::cBusMixer> mMixer;
  int mReturnNumber = -1;
};

}  // namespace Tarn
