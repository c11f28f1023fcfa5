// Reading with end and loop points; a loop that can deliver nothing ends the request instead
// of spinning.
#include "audio_engine/sound_reader_buffer.h"

#include <algorithm>
#include <cstring>

namespace Tarn {

int cSoundReaderBuffer::Open() {
  if (mOpened) return kOk;
  int r = mReader->Open();
  if (r != kOk) return r;
  mOpened = true;
  mBlock = mReader->GetWaveFormat().blockAlign;
  mReaderPosition = 0;
  return kOk;
}

int cSoundReaderBuffer::Close() {
  if (!mOpened) return kOk;
  mReader->Close();
  mOpened = false;
  mReaderPosition = 0;
  return kOk;
}

int cSoundReaderBuffer::GetSize(uint32_t* size) {
  if (mLocked) {
    *size = (uint32_t)mMemory.size();
    return kOk;
  }
  return mReader->GetSize(size);
}

int cSoundReaderBuffer::ReadAt(uint32_t offset, void* buffer, uint32_t count, uint32_t* read) {
  *read = 0;
  if (!mLocked || offset >= mMemory.size()) return kOk;
  *read = (uint32_t)std::min<size_t>(count, mMemory.size() - offset);
  std::memcpy(buffer, mMemory.data() + offset, *read);
  return kOk;
}

int cSoundReaderBuffer::Lock() {
  if (mLocked) return kOk;
  int r = Open();
  if (r != kOk) return r;
  if (mReaderPosition != 0) {
    uint32_t at = 0;
    mReader->Seek(0, &at);
    mReaderPosition = 0;
  }
  mMemory.clear();
  uint8_t chunk[16384];
  for (;;) {
    uint32_t got = 0;
    mReader->Read(chunk, sizeof chunk, &got);
    if (got == 0) break;
    mMemory.insert(mMemory.end(), chunk, chunk + got);
  }
  mReaderPosition = mMemory.size();
  mLocked = true;
  return kOk;
}

int cSoundReaderBuffer::Unlock() {
  mLocked = false;
  std::vector<uint8_t>().swap(mMemory);
  return kOk;
}

// Puts the decoder at a byte position: seeks when it can, else reopens and skips.
int cSoundReaderBuffer::Rewind(uint64_t bytePosition) {
  if (mLocked || !mOpened || !mBlock) return kOk;
  if (bytePosition == mReaderPosition) return kOk;
  uint32_t landed = 0;
  if (mReader->IsSeekable()) {
    mReader->Seek((uint32_t)(bytePosition / mBlock), &landed);
    mReaderPosition = (uint64_t)landed * mBlock;
    return kOk;
  }
  if (bytePosition < mReaderPosition) {
    mReader->Seek(0, &landed);
    mReaderPosition = 0;
  }
  uint8_t skip[4096];
  while (mReaderPosition < bytePosition) {
    uint32_t got = 0;
    mReader->Read(skip, (uint32_t)std::min<uint64_t>(sizeof skip, bytePosition - mReaderPosition), &got);
    if (got == 0) break;
    mReaderPosition += got;
  }
  return kOk;
}

int cSoundReaderBuffer::ReadRaw(uint8_t* out, uint32_t count, uint32_t* read) {
  *read = 0;
  if (count == 0) return kOk;
  if (mLocked) {
    ReadAt((uint32_t)std::min<uint64_t>(mPosition, 0xFFFFFFFFu), out, count, read);
  } else {
    Rewind(mPosition);
    mReader->Read(out, count, read);
    mReaderPosition += *read;
  }
  mPosition += *read;
  return kOk;
}

int cSoundReaderBuffer::Read(void* buffer, uint32_t n, uint32_t* out) {
  *out = 0;
  if (mLoopEnd == 0) mLoopEnd = -1;
  if (mEnd == 0) mEnd = -1;
  if (!mOpened && !mLocked) {
    int r = Open();
    if (r != kOk) return r;
  }
  if (!mBlock) mBlock = mReader->GetWaveFormat().blockAlign;
  uint8_t* dst = (uint8_t*)buffer;
  if (!mLoop) {
    uint32_t want = n;
    if (mEnd > 0) {
      uint64_t endBytes = (uint64_t)mEnd * mBlock;
      want = mPosition >= endBytes ? 0 : (uint32_t)std::min<uint64_t>(n, endBytes - mPosition);
    }
    uint32_t got = 0;
    ReadRaw(dst, want, &got);
    *out = got;
    mFinished = got < n;
    return kOk;
  }
  const uint64_t loopStart = (uint64_t)std::max<int64_t>(mLoopStart, 0) * mBlock;
  const bool hasLoopEnd = mLoopEnd > 0;
  const uint64_t loopEnd = hasLoopEnd ? (uint64_t)mLoopEnd * mBlock : 0;
  int emptyPasses = 0;
  while (*out < n) {
    uint32_t take = n - *out;
    if (hasLoopEnd) {
      if (mPosition >= loopEnd) {
        // At (or somehow past) the loop end: back to its start.
        if (loopStart >= loopEnd) break;
        mPosition = loopStart;
      }
      take = (uint32_t)std::min<uint64_t>(take, loopEnd - mPosition);
    }
    uint32_t got = 0;
    ReadRaw(dst + *out, take, &got);
    *out += got;
    if (hasLoopEnd && mPosition == loopEnd) {
      mPosition = loopStart;
      emptyPasses = got == 0 ? emptyPasses + 1 : 0;
      if (emptyPasses > 1) break;
      continue;
    }
    if (got < take) {
      if (hasLoopEnd) break;  // the loop end lies beyond the file: end the request short
      // Loop to the end of the file; a file that gives nothing from its loop start ends it.
      if (got == 0 && ++emptyPasses > 1) break;
      if (got > 0) emptyPasses = 0;
      mPosition = loopStart;
    }
  }
  mFinished = *out < n;
  return kOk;
}

int cSoundReaderBuffer::SetPosition(int64_t frame) {
  if (!mOpened && !mLocked) {
    int r = Open();
    if (r != kOk) return r;
  }
  if (!mBlock) return kNotFound;
  mPosition = (uint64_t)std::max<int64_t>(frame, 0) * mBlock;
  mFinished = false;
  return kOk;
}

int cSoundReaderBuffer::GetPosition(int64_t* frame) const {
  if (!mBlock) {
    *frame = 0;
    return kNotFound;
  }
  *frame = (int64_t)(mPosition / mBlock);
  return kOk;
}

}  // namespace Tarn
