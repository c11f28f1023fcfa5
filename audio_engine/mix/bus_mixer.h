// cBusMixer: a mixer with volume, pan, mute, insert effects, sends and start/stop times that
// land on exact frames; the root bus advances the global mix time.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "audio_engine/isound.h"
#include "audio_engine/iupdate.h"
#include "audio_engine/mix/wave_mixer.h"

namespace TarnMix {

// Told after each block a bus mixed (automation clips follow their player's time this way).
class cIMixNotify {
 public:
  virtual ~cIMixNotify() = default;
  virtual void OnMixNotify(int64_t mixTime, uint32_t frames) = 0;
};

class cBusMixer : public cWaveMixer, public Tarn::cISound {
 public:
  static constexpr int kInsertSlots = 4;
  static constexpr int kSendGroups = 4;

  explicit cBusMixer(const cWaveFormat& format, bool root = false);
  ~cBusMixer() override;

  // cIWaveSource. The root's state query first runs one engine tick.
  using cWaveMixer::GetState;
  int GetState(uint32_t* state) override;
  int Render(void* buffer, uint32_t bytes, uint32_t* rendered, float gain, uint32_t reserved) override;
  cBusMixer* AsBusMixer() override { return this; }
  bool MetersItself() const override { return true; }
  void GetBlockPeaks(float* left, float* right) const override {
    *left = mBlockPeak[0];
    *right = mBlockPeak[1];
  }

  // cISound.
  int SetStartPosition(int32_t) override { return 0; }
  int GetState(int32_t* state) override;
  int Play(int64_t time) override;
  int StopNow() override { return Stop(0); }
  int Stop(int64_t time) override;
  int GetStatus(uint32_t* status) override;
  int Kill() override;
  bool IsActive() override { return mPlaying || mStartTime != 0 || mRestartTime != 0; }
  int GetValue(uint32_t id, float* value, uint32_t flag) override;
  // Holds a real-time parameter ("Volume", "Pan", "Mute", "SendLevelN") at a static value.
  int SetParameter(uint32_t id, const Tarn::tVariant& value, uint32_t propagate) override;
  int Schedule() override { return 0; }
  int Process() override { return 0; }

  virtual void OnStart() {}
  virtual void OnStop() {}
  // A restart landed: playing goes on from wherever the subclass moves its source.
  virtual void OnRestart() {}
  // Plays again from the top at an exact frame (at once for a time not in the future), also
  // while playing: a loop handed its next pass continues without a gap.
  int RestartAt(int64_t time);
  // A file player's source ran dry.
  virtual void OnSourceEnded() {}
  // Mixes the children into this bus's mix buffer and adds it into the caller's buffer.
  int Mix(float* buffer, uint32_t bytes, uint32_t* rendered, float gain);
  // Adds this bus's last mix into the buffer at its send level of that index.
  int DeliverSend(int index, float* buffer, uint32_t bytes);

  int Register();
  int Unregister();
  bool IsRegistered() const { return mRegistered; }
  void SetParent(cWaveMixer* parent);
  cWaveMixer* GetParent() const { return mParent; }

  void SetSendTarget(int index, cBusMixer* target);
  void ClearSendTarget(int index) { SetSendTarget(index, nullptr); }
  cBusMixer* GetSendTarget(int index) const;
  void AddToSendGroup(int index, cBusMixer* member);
  void RemoveFromSendGroup(int index, cBusMixer* member);
  void ClearSends();
  void SetReturnNumber(int number) { mReturnNumber = number; }
  int ReturnNumber() const { return mReturnNumber; }

  int SetMute(bool muted);
  int SetVolume(float volume);
  int SetPan(float pan);
  int SetSendLevel(int index, float level);
  void SetInsertEffect(int slot, cIWaveSource* effect);
  // A source (automation) drives a parameter; null removes it.
  void SetParameterSource(uint32_t id, cIWaveSource* source);
  float StaticValue(uint32_t id, float def) const;

  // Notified after every block this bus renders (not owned).
  void AddMixNotify(cIMixNotify* target);
  void RemoveMixNotify(cIMixNotify* target);

  // The engine tick the root runs before each block.
  void SetEngineTick(Tarn::cIUpdate* tick) { mEngineTick = tick; }
  void SetFilePlayer(bool on) { mFilePlayer = on; }
  float Peak(int channel) const { return mPeak[channel & 1]; }
  void ResetPeaks() { mPeak[0] = mPeak[1] = 0.0f; }
  bool Playing() const { return mPlaying; }
  int64_t PendingStart() const { return mStartTime; }
  int64_t PendingStop() const { return mStopTime; }

 protected:
  float mVolume = 1.0f, mPan = 0.0f, mMute = 1.0f;
  std::vector<float> mMixBuffer;
  uint32_t mLastRendered = 0;
  std::map<uint32_t, cIWaveSource*> mParameterSources;  // not owned unless also in mOwnedStatics
  std::map<uint32_t, std::unique_ptr<cStaticValueWaveSource>> mOwnedStatics;
  std::map<uint32_t, std::vector<float>> mCurves;
  std::map<uint32_t, float> mStaticValues;
  cIWaveSource* mInserts[kInsertSlots] = {};
  std::vector<cBusMixer*> mSendGroups[kSendGroups];
  cBusMixer* mSendTargets[kSendGroups] = {};
  float mSendLevels[kSendGroups] = {1.0f, 1.0f, 1.0f, 1.0f};
  int64_t mStartTime = 0;  // 0 = none
  int64_t mStopTime = 0;   // 0 = none
  int64_t mRestartTime = 0;  // 0 = none
  float mBlockPeak[2] = {0.0f, 0.0f};  // of the mix this bus gave its caller in this block
  bool mPlaying = false;
  float mPeak[2] = {0.0f, 0.0f};
  cWaveMixer* mParent = nullptr;
  bool mRegistered = false;
  int mReturnNumber = -1;
  bool mFilePlayer = false;
  Tarn::cIUpdate* mEngineTick = nullptr;
  std::vector<cIMixNotify*> mMixNotify;
  std::vector<float> mLastMix;  // the last mix of the children but returns: what sends deliver
  std::vector<float> mReturnMix;
  std::vector<cIWaveSource*> mDrySources, mReturnSources;  // this block's render sources, split

 private:
  // Whether this block's mix can pass through to the caller (see Mix).
  bool PassThrough(uint32_t volumeState, uint32_t panState, float pan, float mute) const;
  // Raises the block's and the held meters to these channel peaks.
  void Meter(float left, float right);
  // The end of every mix: a file player that ran dry ends; what was rendered is kept.
  int EndMix(uint32_t got, uint32_t bytes, uint32_t* rendered);
  // An effect return this bus plays (and sends to).
  bool IsOwnReturn(cIWaveSource* source) const;
  bool Sends() const { return mSendTargets[0] || mSendTargets[1] || mSendTargets[2] || mSendTargets[3]; }
};

}  // namespace TarnMix
