// Mixers: activity of the children, parameter hand-down, mutual exclusion.
#include "audio_engine/nodes/mixer.h"

#include "audio_engine/property_ids.h"

namespace Tarn {

bool cMixer::IsActive() {
  if (cSound::IsActive()) return true;
  for (cSound* c : mChildren)
    if (c->IsActive()) return true;
  return false;
}

int cMixer::Schedule() {
  cSound::Schedule();
  for (cSound* c : mChildren) c->Schedule();
  return 0;
}

int cMixer::SetParameter(uint32_t id, const tVariant& value, uint32_t propagate) {
  cSound::SetParameter(id, value, propagate);
  if (propagate)
    if (const tVariant* f = ForwardedValue(id)) {
      tVariant v = *f;
      for (cSound* c : mChildren) c->SetParameter(id, v, 1);
    }
  return 0;
}

int cMixer::HandleParameterChange(uint32_t id, const tVariant& value, uint32_t propagate) {
  if (id == Ids::kMutualExclusionEnabled) {
    mMutualExclusion = value.IsEmpty() ? false : value.AsBool();
    return 0;
  }
  return cSound::HandleParameterChange(id, value, propagate);
}

void cMixer::OnChannelStart(cSound* channel, int64_t time) {
  if (!mMutualExclusion || channel == mCurrentExclusive) return;
  for (cSound* c : mChildren)
    if (c != channel) c->Stop(time);
  mCurrentExclusive = channel;
}

}  // namespace Tarn
