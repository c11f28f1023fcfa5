// cSoundReaderBuffer: start, end and loop points in frames over an Ogg reader, streamed or
// from a decoded copy in memory held by a cBufferLock.
#pragma once

#include <cstdint>
#include <vector>

#include "audio_engine/ogg_reader.h"
#include "audio_engine/reader.h"

namespace Tarn {

class cSoundReaderBuffer : public cIReader {
 public:
  explicit cSoundReaderBuffer(cOggReader* reader) : mReader(reader) {}

  int Open() override;
  int Close() override;
  int Read(void* buffer, uint32_t count, uint32_t* read) override;
  int GetSize(uint32_t* size) override;

  // The memory copy.
  int ReadAt(uint32_t offset, void* buffer, uint32_t count, uint32_t* read);
  // Decodes the whole stream into memory (rewinding first when it had been read).
  int Lock();
  int Unlock();
  const uint8_t* GetData() const { return mLocked ? mMemory.data() : nullptr; }
  bool IsLocked() const { return mLocked; }

  int SetPosition(int64_t frame);
  int GetPosition(int64_t* frame) const;  // 2 while the block alignment is unknown

  void SetStart(int64_t frame) { mStart = frame; }
  void SetEnd(int64_t frame) { mEnd = frame; }  // -1 (or 0): the end of the file
  void SetLoopStart(int64_t frame) { mLoopStart = frame; }
  void SetLoopEnd(int64_t frame) { mLoopEnd = frame; }  // -1 (or 0): loop at the end of the file
  void SetLoop(bool on) { mLoop = on; }
  bool Finished() const { return mFinished; }
  bool IsOpened() const { return mOpened; }
  const TarnMix::cWaveFormat& Format() const { return mReader->GetWaveFormat(); }

 private:
  int ReadRaw(uint8_t* out, uint32_t count, uint32_t* read);
  int Rewind(uint64_t bytePosition);

  cOggReader* mReader;  // not owned
  std::vector<uint8_t> mMemory;
  bool mLocked = false;
  uint32_t mBlock = 0;
  uint64_t mPosition = 0;        // bytes
  uint64_t mReaderPosition = 0;  // bytes the decoder has delivered since its start
  bool mFinished = false;
  bool mOpened = false;
  int64_t mStart = 0, mEnd = -1, mLoopStart = 0, mLoopEnd = -1;
  bool mLoop = false;
};

// Holds a buffer's memory copy for its lifetime.
class cBufferLock {
 public:
  explicit cBufferLock(cSoundReaderBuffer* buffer) : mBuffer(buffer) { mBuffer->Lock(); }
  ~cBufferLock() { mBuffer->Unlock(); }
  cBufferLock(const cBufferLock&) = delete;
  cBufferLock& operator=(const cBufferLock&) = delete;

 private:
  cSoundReaderBuffer* mBuffer;
};

}  // namespace Tarn
