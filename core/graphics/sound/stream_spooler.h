// TStreamSpooler: one reader's position in a sound data source; it feeds a stream's buffer half
// by half, looping back to the start when asked.
#pragma once

#include <cstdint>
#include <memory>

#include "core/graphics/sound/sound_data_source.h"

class TStreamSpooler {
 public:
  explicit TStreamSpooler(std::shared_ptr<TSoundDataSource> source);
  virtual ~TStreamSpooler() {}

  // Fills count bytes of buffer, silence where the source gave nothing; *read is what the
  // source gave. With looping, the end of the source goes on at its start. True while data
  // remains.
  virtual bool Read(uint8_t* buffer, uint32_t count, uint32_t* read, bool looping);
  // A time from the start of the sound, on a whole sample frame, within the sound.
  virtual void SetPosition(float seconds);
  virtual float GetDuration();
  void Rewind() { SetPosition(0.0f); }

  uint64_t GetPosition() const { return mPosition; }
  const std::shared_ptr<TSoundDataSource>& GetSource() const { return mSource; }

 private:
  std::shared_ptr<TSoundDataSource> mSource;
  uint64_t mPosition = 0;  // bytes; guarded by the sound manager's lock like the stream
};
