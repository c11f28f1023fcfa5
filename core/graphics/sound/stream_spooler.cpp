// Reading a data source into a stream's buffer.
#include "core/graphics/sound/stream_spooler.h"

#include <cmath>
#include <cstring>

TStreamSpooler::TStreamSpooler(std::shared_ptr<TSoundDataSource> source) : mSource(std::move(source)) {}

bool TStreamSpooler::Read(uint8_t* buffer, uint32_t count, uint32_t* read, bool looping) {
  std::memset(buffer, 0, count);
  *read = 0;
  if (!mSource || count == 0) return true;
  bool end = false;
  int emptyPasses = 0;
  while (*read < count) {
    uint64_t length = mSource->GetLength();
    uint64_t want = count - *read;
    if (mPosition + want > length) {
      want = length > mPosition ? length - mPosition : 0;
      end = true;
    }
    int got = want > 0 ? mSource->Read(buffer + *read, mPosition, (int)want) : 0;
    if (got < 0) got = 0;
    if ((uint64_t)got < want) end = true;
    mPosition += (uint64_t)got;
    *read += (uint32_t)got;
    if (end && looping) {
      end = false;
      mPosition = 0;
    }
    // Nothing read ends the loop, except once when looping from exactly the end of the
    // source: the next pass starts over at its beginning (an empty source ends it there).
    if (got > 0)
      emptyPasses = 0;
    else if (!looping || ++emptyPasses > 1)
      break;
  }
  return !end;
}

void TStreamSpooler::SetPosition(float seconds) {
  if (!mSource || !(seconds > 0.0f)) {
    mPosition = 0;
    return;
  }
  uint64_t block = (uint64_t)mSource->GetChannelCount() * 2;
  if (block == 0) {
    mPosition = 0;
    return;
  }
  double frames = std::floor((double)seconds * mSource->GetSampleRate());
  uint64_t length = mSource->GetLength();
  mPosition = frames * block >= (double)length ? length - length % block : (uint64_t)frames * block;
}

float TStreamSpooler::GetDuration() { return mSource ? (float)mSource->GetDuration() : 0.0f; }
