// Member reads: a seek of the pack followed by a read from it.
#include "audio_engine/vex_reader.h"

#include <algorithm>

#include "audio_engine/vex_file.h"

namespace Tarn {

int cVexReader::Read(void* buffer, uint32_t count, uint32_t* read) {
  uint32_t n = std::min(count, mLength - std::min(mPosition, mLength));
  uint32_t got = 0;
  uint64_t at = (uint64_t)mOffset + mPosition;
  uint32_t landed = 0;
  // An offset past 4 GiB cannot be in the pack: nothing is delivered.
  if (n > 0 && at <= 0xFFFFFFFEull) {
    mPack->Seek((uint32_t)at, &landed);
    if (landed == at) mPack->Read(buffer, n, &got);
  }
  mPosition += got;
  *read = got;
  return kOk;
}

int cVexReader::Seek(uint32_t position, uint32_t* newPosition) {
  mPosition = std::min(position, mLength);
  if (newPosition) *newPosition = mPosition;
  return kOk;
}

}  // namespace Tarn
