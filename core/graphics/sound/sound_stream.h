// TSoundStream: one playing sound. A 2-second DirectSound buffer played as a ring, refilled half
// by half from a TStreamSpooler; a queued spooler takes over in the same half when the current
// one ends. Every operation runs under the sound manager's lock, from the main thread or the
// stream thread.
#pragma once

#include <memory>

#include "core/base/clock.h"
#include "platform/dsound/dsound.h"

class TSoundData;
class TSoundInstance;
class TSoundManager;
class TStreamSpooler;

class TSoundStream : public std::enable_shared_from_this<TSoundStream> {
 public:
  TSoundStream(TSoundManager* manager, std::unique_ptr<TStreamSpooler> spooler, bool playOnce, int group,
               std::shared_ptr<TSoundData> data);
  virtual ~TSoundStream();
  TSoundStream(const TSoundStream&) = delete;
  TSoundStream& operator=(const TSoundStream&) = delete;

  // Per-frame service from the manager: a lost buffer is restored.
  virtual void Update();

  // The instance that the current spooler plays for; told when its sound ends.
  void SetInstance(std::weak_ptr<TSoundInstance> instance);
  // Makes the buffer when the manager has a device (otherwise the stream keeps time with its
  // clock, silently) and plays.
  void Start();
  // Buffer for the format, filled with its first half; false (logged) on failure.
  bool CreateBuffer(int channels, int sampleRate, int bitsPerSample, float seconds);
  // Fills the half that the play cursor has left (initial: the first half). False once the
  // stream has ended.
  bool Refill(bool initial);
  // playOnce: the sound ends with its data; otherwise it loops. Waits while the manager is
  // inactive.
  void Play(bool playOnce);
  // The game's pause (true) and resume (false).
  void Pause(bool pause);
  // The manager's pause while the application is inactive: on pauses a playing stream, off
  // resumes only what it paused and what was asked to play meanwhile.
  void SetPauseSwitch(bool on);
  // 0..1 mapped linearly onto -50..0 dB; 0 (and not-a-number) is silence.
  void SetVolume(float volume);
  void Stop();
  // True until the stream has ended or was stopped.
  bool IsPlaying();
  int GetGroup() const { return mGroup; }
  // Next spooler and its sound, played without a gap after the current one.
  void Queue(std::unique_ptr<TStreamSpooler> spooler, std::shared_ptr<TSoundData> data,
             std::weak_ptr<TSoundInstance> instance);
  // Whether the instance is the one playing now or the one queued.
  bool Plays(const TSoundInstance* instance);
  // Ends one instance: the current one stops the stream, a queued one is dropped.
  void StopInstance(const TSoundInstance* instance);
  // The manager goes: the buffer is released and the stream ends.
  void Detach();

  IDirectSoundBuffer* GetBuffer() { return mBuffer; }
  uint32_t GetBufferSize() const { return mSize; }

 private:
  bool RestoreIfLost();
  void Advance();
  void Finish();
  // The queued sound is told it ended and let go.
  void DropQueued();
  void ReleaseBuffer();
  void StartBuffer();
  void StartOrWait();  // caller holds the manager's mutex
  float GroupVolume();
  bool ManagerActive();

  TSoundManager* mManager;  // null once the manager has gone
  std::unique_ptr<TStreamSpooler> mSpooler;
  std::unique_ptr<TStreamSpooler> mQueued;
  std::shared_ptr<TSoundData> mData;
  std::shared_ptr<TSoundData> mQueuedData;
  std::weak_ptr<TSoundInstance> mInstance;
  std::weak_ptr<TSoundInstance> mQueuedInstance;

  IDirectSoundBuffer* mBuffer = nullptr;
  IDirectSoundNotify* mNotify = nullptr;
  HANDLE mEvents[3] = {nullptr, nullptr, nullptr};  // at 0, at the half, on stop
  uint32_t mSize = 0;
  uint32_t mHalf = 0;

  bool mEnded = false;         // the spooler has no more data
  bool mPlayOnce;
  bool mStarted = false;
  bool mPaused = false;
  bool mSwitchPaused = false;  // paused by the pause switch
  bool mPendingPlay = false;   // asked to play while the manager was inactive
  bool mFinished = false;
  int mGroup;
  int64_t mRemaining = 0;      // bytes still to play once the data has ended
  int mLastHalf = 0;           // 1 or 2, the half filled last; 0 none
  TClock mClock;               // playing time, for streams without a buffer
};
