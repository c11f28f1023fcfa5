// cReaderPlayer: a bus mixer playing one reader source; TarnMix::cSound: the file player that
// owns its pack stream, Ogg reader and buffer, streamed or cached in memory.
#pragma once

#include <memory>

#include "audio_engine/auto_ptr.h"
#include "audio_engine/mix/bus_mixer.h"
#include "audio_engine/mix/reader_wave_source.h"
#include "audio_engine/ogg_reader.h"
#include "audio_engine/sound_reader_buffer.h"
#include "audio_engine/tarn_string.h"

namespace TarnMix {

class cReaderPlayer : public cBusMixer {
 public:
  cReaderPlayer();
  ~cReaderPlayer() override;
  // Replaces the source (the old one leaves the mix) and clears the finished flag.
  virtual int SetSource(Tarn::cIReader* reader, const cWaveFormat& format);
  using cBusMixer::GetState;
  int GetState(uint32_t* state) override;
  bool Finished() const { return mFinished; }

 protected:
  void OnSourceEnded() override { mFinished = true; }
  // A start plays from the buffer's position: nothing left over from before may sound.
  void OnStart() override {
    if (mSource) mSource->Restart();
  }
  Tarn::cAutoPtr<cReaderWaveSource> mSource;
  bool mFinished = false;
};

class cSound : public cReaderPlayer {
 public:
  // Opens the named resource through persistence; without it the player stays empty.
  cSound(const Tarn::cString& fileName, bool streaming);
  ~cSound() override;

  // No playable source: the resource is missing or does not decode.
  bool IsEmpty() const { return !mSource; }
  Tarn::cSoundReaderBuffer* Buffer() const { return mBuffer.get(); }
  // Prepares once (streaming: opens the buffer; cached: takes the memory lock), then plays.
  int Play(int64_t time) override;
  void SetStreaming(bool streaming);
  bool Streaming() const { return mStreaming; }
  // Cached mode: the first request locks the whole file into memory, the last release drops it.
  void AddLockRequest();
  void ReleaseLockRequest();
  void SetEndFrame(int64_t frame);

  // Engine positions (samples at 44,100 Hz) in the file's own frames; -1 stays -1.
  int64_t ToFileFrames(int64_t mixFrames) const;
  // Start, end and loop points in engine samples (-1: the end of the file).
  void SetPoints(int64_t start, int64_t end, int64_t loopStart, int64_t loopEnd, bool loop);
  // Moves the buffer to an engine position; what the source still held is dropped.
  void SetPositionFrames(int64_t mixFrames);
  // Takes back a start (or restart) set for a time still to come: true when there was one.
  bool WithdrawStart();
  // Plays from an engine position at a time: at once when stopped (the position is taken
  // now), or as an exact-frame restart when already playing.
  int PlayFrom(int64_t time, int64_t mixPosition);

 protected:
  void OnStop() override;
  void OnRestart() override;

 private:
  // Streaming opens the buffer, cached takes the memory lock; once until unprepared.
  void Prepare();
  void Unprepare();

  std::unique_ptr<Tarn::cIReader> mStream;
  std::unique_ptr<Tarn::cOggReader> mOgg;
  std::unique_ptr<Tarn::cSoundReaderBuffer> mBuffer;
  Tarn::cAutoPtr<Tarn::cBufferLock> mLock;
  bool mStreaming;
  int mLockCount = 0;
  bool mOpenedBuffer = false;
  bool mPrepared = false;
  int64_t mEndFrame = -1;
  int64_t mRestartPosition = 0;  // engine samples
};

}  // namespace TarnMix
