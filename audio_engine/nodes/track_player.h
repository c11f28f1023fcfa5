// cTrackPlayer: a timeline of clip entries. It keeps a play position that advances with the
// engine time, jumps to its start position at a pending start and wraps at the loop end; each
// entry works out when its node is next to play and stop on that timeline.
#pragma once

#include <memory>
#include <vector>

#include "audio_engine/nodes/clip_entry.h"
#include "audio_engine/nodes/mixer.h"

namespace Tarn {

class cBus;

class cTrackPlayer : public cMixer {
 public:
  cTrackPlayer();
  ~cTrackPlayer() override;

  int HandleParameterChange(uint32_t id, const tVariant& value, uint32_t propagate) override;
  int Play(int64_t time) override;
  int Stop(int64_t time) override;
  int Kill() override;
  bool IsActive() override { return mActive; }
  int Update() override;
  int GetValue(uint32_t id, float* value, uint32_t flag) override;
  int GetCurrentPosition(int32_t* position) override;
  int SetPosition(int32_t position) override;
  int SetStartPosition(int32_t position) override;
  int Schedule() override;
  int Process() override;
  int SetParameter(uint32_t id, const tVariant& value, uint32_t propagate) override;
  using cMixer::SetParameter;
  int RemoveParameter(uint32_t id, uint32_t propagate) override;
  void OnPatchApplied(const EffectSet& effects) override;
  int HandleOutputBusChange() override;
  int WithdrawPlay() override;
  void Detach() override;

  // The timeline, as the entries read it.
  int64_t Position() const { return mPosition; }
  int64_t PendingStart() const { return mPendingStart; }
  int64_t PendingStop() const { return mPendingStop; }
  int64_t StartPosition() const { return mStartPosition; }
  int64_t LoopStart() const { return mLoopStart; }
  int64_t LoopEnd() const { return mLoopEnd; }
  bool Looping() const { return mLoop && mLoopEnd > mLoopStart; }
  const std::vector<std::unique_ptr<cClipEntry>>& Entries() const { return mEntries; }

 private:
  void BuildEntries(const cStringSet* names);

  std::vector<std::unique_ptr<cClipEntry>> mEntries;  // ordered by their start
  int64_t mPosition = 1;
  bool mLoop = false;
  int64_t mLoopStart = 0, mLoopEnd = -1;
  int64_t mStartPosition = 0;  // where a start jumps to
  int64_t mPendingStart = -1;  // the engine time of that jump
  int64_t mPendingStop = -1;
  int64_t mLastTick = 0;
  cBus* mInsertBus = nullptr;  // not owned
};

}  // namespace Tarn
