// Envelopes: phases stepped in engine time, the squared level applied as volume.
#include "audio_engine/nodes/envelope.h"

#include "audio_engine/debug.h"
#include "audio_engine/property_ids.h"

namespace Tarn {

int cEnvelope::HandleParameterChange(uint32_t id, const tVariant& value, uint32_t propagate) {
  if (id == Ids::kAttack || id == Ids::kRelease) {
    double ms = value.IsEmpty() ? 0.0 : VariantFloat(value);
    (id == Ids::kAttack ? mAttack : mRelease) = ms;
    return 0;
  }
  if (id == Ids::kEnabled) {
    if (!IsActive()) {
      mPhase = kIdle;
    } else if (mPhase == kRelease) {
      Finish();
    } else {
      mPhase = kFull;
      mLevel = 1.0;
      mRate = 0.0;
    }
  }
  return cSound::HandleParameterChange(id, value, propagate);
}

int cEnvelope::Play(int64_t time) {
  if (!mEnabled) return cSound::Play(time);
  if (mDelegate && mDelegate->IsActive() && (mPhase == kAttack || mPhase == 2 || mPhase == kFull)) return 0;
  mPhase = kAttack;
  Trace("cEnvelope::Play: phase == %ld\n", (long)mPhase);
  mLevel = 0.0;
  Apply();
  mRate = mAttack > 0.0 ? 1.0 / mAttack : 1.0;
  mLastUpdate = Now();
  if (!mUpdating) StartUpdates();
  return cSound::Play(time);
}

int cEnvelope::Stop(int64_t time) {
  if (!mEnabled) return cSound::Stop(time);
  if (mRelease < 20.0) {
    Finish();
    return 0;
  }
  mRate = -1.0 / mRelease;
  mPhase = kRelease;
  return 0;
}

int cEnvelope::StopNow() { return mEnabled ? Stop(0) : cSound::StopNow(); }

int cEnvelope::Kill() {
  mPhase = kIdle;
  StopUpdates();
  Trace("cEnvelope::Kill: phase == %ld\n", (long)mPhase);
  cSound::Kill();
  mLevel = 1.0;
  return 0;
}

int cEnvelope::Update() {
  if (!mEnabled) return 0;
  if (!(mDelegate && mDelegate->IsActive())) {
    mPhase = kIdle;
    mLevel = 1.0;
    return 0;
  }
  if (mPhase == kIdle) mPhase = kAttack;
  const int64_t now = Now();
  mLevel += mRate * (double)(now - mLastUpdate) / 44.1;
  mLastUpdate = now;
  if (mPhase == kAttack && mLevel >= 1.0) {
    mLevel = 1.0;
    mPhase = kFull;
    mRate = 0.0;
  }
  if (mPhase == kRelease && mLevel <= 0.0) {
    Trace("Kill\n");
    Finish();
    return 0;
  }
  Apply();
  return 0;
}

int cEnvelope::RefreshParameterBinding(uint32_t id) {
  if (id == Ids::kVolume && mEnabled) {
    double squared = mLevel * mLevel;
    const tVariant* own = OwnValue(id);
    mForwardedValues[id].SetFloat((float)(own ? squared * VariantFloat(*own) : squared));
    return 0;
  }
  return cSound::RefreshParameterBinding(id);
}

void cEnvelope::Apply() {
  RefreshParameterBinding(Ids::kVolume);
  OnParameterUpdate(Ids::kVolume);
  if (mDelegate)
    if (const tVariant* v = ForwardedValue(Ids::kVolume)) mDelegate->SetParameter(Ids::kVolume, *v, 1);
}

void cEnvelope::Finish() {
  Kill();
  Apply();
  mLevel = 1.0;
  mForwardedValues[Ids::kVolume].SetFloat(1.0f);
}

}  // namespace Tarn
