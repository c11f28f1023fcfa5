// cMixer: a node whose children play together; with "MutualExclusionEnabled" a channel that
// starts stops the others. Base of the track player and the arrangement.
#pragma once

#include "audio_engine/sound.h"

namespace Tarn {

class cMixer : public cSound {
 public:
  // Active while any child is.
  bool IsActive() override;
  int Schedule() override;
  int SetParameter(uint32_t id, const tVariant& value, uint32_t propagate) override;
  using cSound::SetParameter;
  int HandleParameterChange(uint32_t id, const tVariant& value, uint32_t propagate) override;

  // A child channel starts at `time`: with mutual exclusion every other child stops then.
  void OnChannelStart(cSound* channel, int64_t time);
  bool MutualExclusion() const { return mMutualExclusion; }

 protected:
  bool mMutualExclusion = false;
  cSound* mCurrentExclusive = nullptr;
};

}  // namespace Tarn
