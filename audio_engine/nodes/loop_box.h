// cLoopBox: plays one sample resource through its own file player, with start, end and loop
// points, streamed or cached, into the bus its output bus names.
#pragma once

#include <list>

#include "audio_engine/auto_ptr.h"
#include "audio_engine/mix/reader_player.h"
#include "audio_engine/nodes/volume_fade.h"
#include "audio_engine/sound.h"

namespace Tarn {

class cLoopBox : public cSound {
 public:
  cLoopBox() = default;
  ~cLoopBox() override;

  bool IsPatchLocked(uint32_t id) override;
  void OnEndSetPatch() override;
  int HandleParameterChange(uint32_t id, const tVariant& value, uint32_t propagate) override;
  int SetStartPosition(int32_t position) override;
  int Play(int64_t time) override;
  int Stop(int64_t time) override;
  int StopNow() override;
  int Kill() override;
  // Fades the player's volume on the engine tick, as an arrangement does its children's: a
  // clip whose resource is a loop box fades in and out like one of an arrangement.
  int Fade(float milliseconds, bool fadeOut, bool stopAfter, int64_t time) override;
  int Update() override;
  bool IsActive() override;
  int GetValue(uint32_t id, float* value, uint32_t flag) override;
  int SetPosition(int32_t position) override;
  // Where the resource is on its own timeline: the start position plus what has played,
  // wrapped at the loop end (the sync grid of a loop-box master counts from here).
  int GetCurrentPosition(int32_t* position) override;
  int Schedule() override;
  int HandleOutputBusChange() override;
  int OnParameterUpdate(uint32_t id) override;
  int SetUpAutomation() override;
  int WithdrawPlay() override;
  void Detach() override;

  TarnMix::cSound* Player() const { return mPlayer.Get(); }

 private:
  void MakePlayer(const tVariant& resourceName);
  void PassPoints();
  void SetPreload(bool on);
  int64_t LoopEnd() const;
  // The automation clips leave the player's notifications and the list.
  void ReleaseClips();
  // Cached play of a preloaded resource: the file up to the end point is locked in memory.
  void LockPreloaded();
  // Where an offset from the start lands in the resource, wrapped in the loop while looping.
  int64_t ResourcePosition(int64_t offset) const;

  cAutoPtr<TarnMix::cSound> mPlayer;
  std::list<cAutomationClip*> mClips;  // bound to the player; not owned
  int32_t mStart = 0, mEnd = 5292000, mLoopStart = 0, mOffset = 0;
  int32_t mLoopEnd = -1;
  bool mLoop = false;
  bool mStreaming = false;
  bool mPreload = false;
  uint32_t mResource = 0;
  // A start position handed since the last play (else a play starts at start + offset).
  bool mStartPositionSet = false;
  int64_t mPendingPosition = 0;
  int32_t mPlayOffset = 0;  // where in the resource (from its start) the last play began
  cVolumeFade mFade;
};

}  // namespace Tarn
