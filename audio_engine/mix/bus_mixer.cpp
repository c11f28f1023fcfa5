// Bus mixing: timing within a block, parameters, pan, sends and meters.
#include "audio_engine/mix/bus_mixer.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "audio_engine/debug.h"
#include "audio_engine/mix/float_ops.h"
#include "audio_engine/property_ids.h"

namespace TarnMix {

namespace {
using Tarn::Ids::kMute;
using Tarn::Ids::kPan;
using Tarn::Ids::kSendLevels;
using Tarn::Ids::kVolume;
constexpr uint32_t kControlRate = 100;
}  // namespace

cBusMixer::cBusMixer(const cWaveFormat& format, bool root) : cWaveMixer(format, root) {}

cBusMixer::~cBusMixer() {
  Unregister();
  for (cIWaveSource* s : mSources)
    if (auto* child = dynamic_cast<cBusMixer*>(s); child && child->mParent == this) {
      child->mParent = nullptr;
      child->mRegistered = false;
    }
  ClearSends();
  for (int i = 0; i < kSendGroups; i++)
    for (cBusMixer* member : mSendGroups[i])
      if (member->mSendTargets[i] == this) member->mSendTargets[i] = nullptr;
}

int cBusMixer::GetState(uint32_t* state) {
  if (mRoot) {
    if (mEngineTick) mEngineTick->Update();
    mFreshState = false;  // the tick may have changed the tree: the root always resets
  }
  TakeFreshState();
  *state = IsActive() ? kStateProducing : kStateStopped;
  return 0;
}

int cBusMixer::Render(void* buffer, uint32_t bytes, uint32_t* rendered, float gain, uint32_t) {
  const uint32_t block = 8;  // stereo float
  const uint32_t frames = bytes / block;
  const int64_t now = (int64_t)GlobalMixTime();
  float* out = (float*)buffer;
  uint32_t pos = 0;
  *rendered = 0;
  mBlockPeak[0] = mBlockPeak[1] = 0.0f;
  // Events inside the block split it into segments; each lands on its exact frame.
  for (;;) {
    const int64_t kNever = INT64_MAX;
    int64_t stopAt = mStopTime != 0 ? std::max<int64_t>(mStopTime - now, pos) : kNever;
    int64_t startAt = mStartTime != 0 ? std::max<int64_t>(mStartTime - now, pos) : kNever;
    int64_t restartAt = mRestartTime != 0 ? std::max<int64_t>(mRestartTime - now, pos) : kNever;
    int64_t next = std::min<int64_t>({stopAt, startAt, restartAt, (int64_t)frames});
    if (mPlaying && next > pos) {
      uint32_t got = 0;
      Mix(out + (size_t)pos * 2, (uint32_t)(next - pos) * block, &got, gain);
      *rendered = pos * block + got;
    }
    pos = (uint32_t)next;
    if (pos >= frames) break;
    if (stopAt == next) {
      mStopTime = 0;
      if (mPlaying) OnStop();
      mPlaying = false;
    } else if (restartAt == next) {
      mRestartTime = 0;
      OnRestart();
      if (!mPlaying) OnStart();
      mPlaying = true;
      *rendered = bytes;
    } else {
      mStartTime = 0;
      OnStart();
      mPlaying = true;
      *rendered = bytes;
    }
  }
  for (size_t i = 0; i < mMixNotify.size(); i++) mMixNotify[i]->OnMixNotify(now, frames);
  if (mRoot) AdvanceGlobalMixTime(frames);
  return 0;
}

void cBusMixer::AddMixNotify(cIMixNotify* target) {
  if (target && std::find(mMixNotify.begin(), mMixNotify.end(), target) == mMixNotify.end()) mMixNotify.push_back(target);
}

void cBusMixer::RemoveMixNotify(cIMixNotify* target) {
  mMixNotify.erase(std::remove(mMixNotify.begin(), mMixNotify.end(), target), mMixNotify.end());
}

int cBusMixer::Mix(float* buffer, uint32_t bytes, uint32_t* rendered, float gain) {
  const uint32_t frames = bytes / 8;
  float volume = 1.0f, pan = 0.0f, mute = 1.0f;
  uint32_t volumeState = kStateStopped, panState = kStateStopped;
  const uint32_t ctlFrames = (uint32_t)(((uint64_t)frames * kControlRate + 44099) / 44100) + 1;
  for (auto& [id, source] : mParameterSources) {
    uint32_t state = kStateStopped;
    source->GetState(&state);
    if (id == kVolume) volumeState = state;
    if (id == kPan) panState = state;
    if (state == kStateProducing) {
      std::vector<float>& curve = mCurves[id];
      if (curve.size() < ctlFrames) curve.resize(ctlFrames);
      std::fill(curve.begin(), curve.begin() + ctlFrames, 1.0f);
      uint32_t got = 0;
      source->Render(curve.data(), ctlFrames * 4, &got, 1.0f, 0);
    } else if (state == kStateStatic) {
      float v = 1.0f;
      source->GetLevel(&v, frames);
      mStaticValues[id] = v;
      if (id == kVolume) volume = v;
      if (id == kPan) pan = v;
      if (id == kMute) mute = v;
    }
  }
  mVolume = volume;
  mPan = pan;
  mMute = mute;
  if (PassThrough(volumeState, panState, pan, mute)) {
    // One source and nothing for this bus to do but its volume: the source mixes straight
    // into the caller's buffer, and this bus meters from the source's block peaks.
    cIWaveSource* only = mRenderSources[0];
    uint32_t got = 0;
    only->Render(buffer, bytes, &got, gain * volume, 0);
    float left = 0.0f, right = 0.0f;
    only->GetBlockPeaks(&left, &right);
    const float v = volume < 0.0f ? -volume : volume;
    Meter(left * v, right * v);
    return EndMix(got, bytes, rendered);
  }
  if (mMixBuffer.size() != (size_t)frames * 2) mMixBuffer.assign((size_t)frames * 2, 0.0f);
  else std::fill(mMixBuffer.begin(), mMixBuffer.end(), 0.0f);
  float* mix = mMixBuffer.data();

  const bool staticPan = panState == kStateStatic && pan != 0.5f;
  const bool curves = volumeState == kStateProducing || panState == kStateProducing;
  const bool plain = !curves && !staticPan;  // children render straight at the volume
  // Volume and pan of this bus over a buffer of its children (unless rendered at the volume).
  auto fader = [&](float* b) {
    if (plain) return;
    if (!curves) {
      float left = volume, right = volume;
      if (pan > 0.5f) left = std::min(volume * (1.0f - (pan - 0.5f) * 2.0f), 1.0f);
      if (pan < 0.5f) right = std::min(volume * (1.0f - (0.5f - pan) * 2.0f), 1.0f);
      ScaleStereo(b, frames, left, right);
      return;
    }
    // Curves at the control rate, held per control frame.
    const float* vc = volumeState == kStateProducing ? mCurves[kVolume].data() : nullptr;
    const float* pc = panState == kStateProducing ? mCurves[kPan].data() : nullptr;
    for (uint32_t i = 0; i < frames; i++) {
      uint32_t k = (uint32_t)((uint64_t)i * kControlRate / 44100);
      float v = vc ? vc[k] : volume;
      float p = pc ? pc[k] : (staticPan ? pan : 0.5f);
      float left = v, right = v;
      if (p > 0.5f) left = std::min(v * (1.0f - (p - 0.5f) * 2.0f), 1.0f);
      if (p < 0.5f) right = std::min(v * (1.0f - (0.5f - p) * 2.0f), 1.0f);
      b[2 * i] *= left;
      b[2 * i + 1] *= right;
    }
  };
  const float renderGain = plain ? volume : 1.0f;
  // Effect returns play inside the bus that sends to them: they render after the other
  // children, and what the bus sends is its mix without them, so a return never gets its own
  // output back.
  mDrySources.clear();
  mReturnSources.clear();
  for (cIWaveSource* src : mRenderSources) (IsOwnReturn(src) ? mReturnSources : mDrySources).push_back(src);
  uint32_t got = 0;
  RenderSources(mDrySources, mix, bytes, &got, renderGain);
  fader(mix);
  if (Sends()) mLastMix.assign(mix, mix + (size_t)frames * 2);
  if (!mReturnSources.empty()) {
    if (mReturnMix.size() != (size_t)frames * 2) mReturnMix.assign((size_t)frames * 2, 0.0f);
    else std::fill(mReturnMix.begin(), mReturnMix.end(), 0.0f);
    uint32_t returned = 0;
    RenderSources(mReturnSources, mReturnMix.data(), bytes, &returned, renderGain);
    fader(mReturnMix.data());
    AddFloats(mix, mReturnMix.data(), (size_t)frames * 2, 1.0f);
    got = std::max(got, returned);
  }
  for (cIWaveSource* insert : mInserts) {
    if (!insert) continue;
    uint32_t state = kStateStopped;
    insert->GetState(&state);
    uint32_t r = 0;
    if (state == kStateProducing) insert->Render(mix, bytes, &r, volume, 0);
  }
  for (int i = 0; i < kSendGroups; i++)
    for (cBusMixer* member : mSendGroups[i]) member->DeliverSend(i, mix, bytes);
  mEffects.Process(mix, bytes);
  // The meters and the hand-over to the caller in one pass; a muted bus only meters.
  float left = 0.0f, right = 0.0f;
  AddStereoWithPeaks(mute == 1.0f ? buffer : nullptr, mix, frames, gain, &left, &right);
  Meter(left, right);
  return EndMix(got, bytes, rendered);
}

void cBusMixer::Meter(float left, float right) {
  mBlockPeak[0] = std::max(mBlockPeak[0], left);
  mBlockPeak[1] = std::max(mBlockPeak[1], right);
  mPeak[0] = std::max(mPeak[0], left);
  mPeak[1] = std::max(mPeak[1], right);
}

int cBusMixer::EndMix(uint32_t got, uint32_t bytes, uint32_t* rendered) {
  // A file player whose source ran dry with nothing scheduled has ended.
  if (got < bytes && mStartTime == 0 && mStopTime == 0 && mRestartTime == 0 && mFilePlayer) {
    OnSourceEnded();
    Kill();
  }
  mLastRendered = got;
  *rendered = got;
  return 0;
}

bool cBusMixer::IsOwnReturn(cIWaveSource* source) const {
  cBusMixer* bus = source->AsBusMixer();
  return bus && bus->mReturnNumber >= 0 && bus->mParent == this;
}

bool cBusMixer::PassThrough(uint32_t volumeState, uint32_t panState, float pan, float mute) const {
  if (mRoot || mute != 1.0f || mRenderSources.size() != 1 || !mRenderSources[0]->MetersItself()) return false;
  if (volumeState == kStateProducing || panState == kStateProducing || (panState == kStateStatic && pan != 0.5f))
    return false;
  if (!mEffects.Empty() || Sends()) return false;
  for (int i = 0; i < kInsertSlots; i++)
    if (mInserts[i]) return false;
  for (int i = 0; i < kSendGroups; i++)
    if (!mSendGroups[i].empty()) return false;
  cBusMixer* only = mRenderSources[0]->AsBusMixer();
  return !only || only->mReturnNumber < 0;
}

int cBusMixer::DeliverSend(int index, float* buffer, uint32_t bytes) {
  if (!mPlaying || mLastRendered == 0 || index < 0 || index >= kSendGroups) return 0;
  size_t count = std::min<size_t>(bytes / 4, mLastMix.size());
  AddFloats(buffer, mLastMix.data(), count, StaticValue(kSendLevels[index], 1.0f));
  return 0;
}

int cBusMixer::GetState(int32_t* state) {
  *state = mPlaying ? 1 : 0;
  return 0;
}

int cBusMixer::Play(int64_t time) {
  int64_t start = time == -1 ? 0 : time;
  const int64_t now = (int64_t)GlobalMixTime();
  if (mStopTime != 0 && mStopTime <= now) {
    Tarn::Trace("cBusMixer::Play: WARNING: mStopTime was in the past and we would have crashed\n");
    mStopTime = 0;
  }
  if (!mRegistered) Register();
  if (!mPlaying) {
    if (start == 0 || start == now) {
      mStartTime = 0;
      OnStart();
      mPlaying = true;
    } else {
      mStartTime = start;
    }
  }
  return 0;
}

int cBusMixer::Stop(int64_t time) {
  if (time > (int64_t)GlobalMixTime()) {
    mStopTime = time;
    return 0;
  }
  return Kill();
}

int cBusMixer::GetStatus(uint32_t* status) {
  *status = mPlaying ? 1 : 0;
  return 0;
}

int cBusMixer::RestartAt(int64_t time) {
  if (time > (int64_t)GlobalMixTime()) {
    if (!mRegistered) Register();
    mRestartTime = time;
    return 0;
  }
  mRestartTime = 0;
  OnRestart();
  if (!mPlaying) return Play(-1);
  return 0;
}

int cBusMixer::Kill() {
  mStopTime = 0;
  mStartTime = 0;
  mRestartTime = 0;
  mPlaying = false;
  OnStop();
  return 0;
}

int cBusMixer::GetValue(uint32_t, float* value, uint32_t) {
  *value = std::max(mPeak[0], mPeak[1]);
  return 0;
}

int cBusMixer::SetParameter(uint32_t id, const Tarn::tVariant& value, uint32_t) {
  auto& owned = mOwnedStatics[id];
  if (!owned) owned = std::make_unique<cStaticValueWaveSource>();
  owned->SetTarget(value.AsFloat());
  mParameterSources[id] = owned.get();
  mStaticValues[id] = value.AsFloat();
  return 0;
}

void cBusMixer::SetParameterSource(uint32_t id, cIWaveSource* source) {
  if (source) mParameterSources[id] = source;
  else if (auto it = mOwnedStatics.find(id); it != mOwnedStatics.end() && it->second)
    mParameterSources[id] = it->second.get();
  else mParameterSources.erase(id);
}

float cBusMixer::StaticValue(uint32_t id, float def) const {
  auto it = mStaticValues.find(id);
  return it == mStaticValues.end() ? def : it->second;
}

int cBusMixer::Register() {
  if (!mParent) return 2;
  mParent->AddSource(this);
  mRegistered = true;
  return 0;
}

int cBusMixer::Unregister() {
  if (mParent && mRegistered) mParent->RemoveSource(this);
  mRegistered = false;
  return 0;
}

void cBusMixer::SetParent(cWaveMixer* parent) {
  if (parent == mParent) return;
  bool wasRegistered = mRegistered;
  Unregister();
  mParent = parent;
  if (wasRegistered) Register();
}

void cBusMixer::SetSendTarget(int index, cBusMixer* target) {
  if (index < 0 || index >= kSendGroups) return;
  if (mSendTargets[index]) mSendTargets[index]->RemoveFromSendGroup(index, this);
  mSendTargets[index] = target;
  if (target && mSendLevels[index] != 0.0f) target->AddToSendGroup(index, this);
}

cBusMixer* cBusMixer::GetSendTarget(int index) const {
  return index >= 0 && index < kSendGroups ? mSendTargets[index] : nullptr;
}

void cBusMixer::AddToSendGroup(int index, cBusMixer* member) {
  auto& g = mSendGroups[index];
  if (std::find(g.begin(), g.end(), member) == g.end()) g.push_back(member);
}

void cBusMixer::RemoveFromSendGroup(int index, cBusMixer* member) {
  auto& g = mSendGroups[index];
  g.erase(std::remove(g.begin(), g.end(), member), g.end());
}

void cBusMixer::ClearSends() {
  for (int i = 0; i < kSendGroups; i++) SetSendTarget(i, nullptr);
}

int cBusMixer::SetMute(bool muted) { return SetParameter(kMute, Tarn::tVariant::Float(muted ? 0.0f : 1.0f), 1); }
int cBusMixer::SetVolume(float volume) { return SetParameter(kVolume, Tarn::tVariant::Float(volume), 1); }
int cBusMixer::SetPan(float pan) { return SetParameter(kPan, Tarn::tVariant::Float(pan), 1); }

int cBusMixer::SetSendLevel(int index, float level) {
  if (index < 0 || index > 9) return 2;
  SetParameter(kSendLevels[index], Tarn::tVariant::Float(level), 1);
  if (index >= kSendGroups) return 0;
  float old = mSendLevels[index];
  mSendLevels[index] = level;
  if (cBusMixer* target = mSendTargets[index]) {
    if (old != 0.0f && level == 0.0f) target->RemoveFromSendGroup(index, this);
    if (old == 0.0f && level != 0.0f) target->AddToSendGroup(index, this);
  }
  return 0;
}

void cBusMixer::SetInsertEffect(int slot, cIWaveSource* effect) {
  if (slot >= 0 && slot < kInsertSlots) mInserts[slot] = effect;
}

}  // namespace TarnMix
