// Mixer channels: the combined parameter values they forward.
#include "audio_engine/nodes/mixer_channel.h"

#include "audio_engine/nodes/mixer.h"
#include "audio_engine/property_ids.h"

namespace Tarn {

int cMixerChannel::Play(int64_t time) {
  if (auto* mixer = dynamic_cast<cMixer*>(mParent)) mixer->OnChannelStart(this, time == -1 ? Now() : time);
  return cSound::Play(time);
}

int cMixerChannel::RefreshParameterBinding(uint32_t id) {
  const tVariant* patch = PatchValue(id);
  const tVariant* own = OwnValue(id);
  auto value = [](const tVariant* v, float def) { return v ? VariantFloat(*v) : def; };
  if (id == Ids::kVolume || Ids::SendLevelIndex(id) >= 0) {
    mForwardedValues[id].SetFloat(value(patch, 1.0f) * value(own, 1.0f));
  } else if (id == Ids::kPan) {
    mForwardedValues[id].SetFloat(value(patch, 0.5f) + value(own, 0.5f) - 0.5f);
  } else if (id == Ids::kMute) {
    mForwardedValues[id].SetFloat(patch ? VariantFloat(*patch) : value(own, 1.0f));
  } else if (id == Ids::kSolo) {
    if (own)
      mForwardedValues[id] = *own;
    else if (patch)
      mForwardedValues[id] = *patch;
    else
      mForwardedValues.erase(id);
  } else {
    return cSound::RefreshParameterBinding(id);
  }
  return 0;
}

}  // namespace Tarn
