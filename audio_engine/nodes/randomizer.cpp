// Randomised volume and pan.
#include "audio_engine/nodes/randomizer.h"

#include "audio_engine/engine_random.h"
#include "audio_engine/property_ids.h"

namespace Tarn {

int cRandomizer::HandleParameterChange(uint32_t id, const tVariant& value, uint32_t propagate) {
  double* target = nullptr;
  double def = 0.0;
  switch (id) {
    case Ids::kPitchVaryMin:
    case Ids::kPitchVaryMax: return 0;  // taken; pitch does not vary
    case Ids::kVolumeVaryMin: target = &mVolumeMin; def = 1.0; break;
    case Ids::kVolumeVaryMax: target = &mVolumeMax; def = 1.0; break;
    case Ids::kPanVaryMin: target = &mPanMin; def = 0.5; break;
    case Ids::kPanVaryMax: target = &mPanMax; def = 0.5; break;
    default: return cSound::HandleParameterChange(id, value, propagate);
  }
  *target = value.IsEmpty() ? def : VariantFloat(value);
  return 0;
}

int cRandomizer::Play(int64_t time) {
  if (!mEnabled) return cSound::Play(time);
  if (!mDelegate) return kNotFound;
  if (mVolumeMin != 1.0 || mVolumeMax != 1.0)
    mDelegate->SetParameter(Ids::kVolume, tVariant::Float((float)RandomInRange(mVolumeMin, mVolumeMax)), 1);
  if (mPanMin != 0.5 || mPanMax != 0.5)
    mDelegate->SetParameter(Ids::kPan, tVariant::Float((float)RandomInRange(mPanMin, mPanMax)), 1);
  return cSound::Play(time);
}

}  // namespace Tarn
