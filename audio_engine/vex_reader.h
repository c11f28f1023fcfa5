// Tarn::cVexReader: one member of a pack as a byte stream (the pack must outlive it).
#pragma once

#include "audio_engine/reader.h"

namespace Tarn {

class cVexFile;

class cVexReader : public cIReader, public cISeek {
 public:
  cVexReader(cVexFile* pack, uint32_t offset, uint32_t length)
      : mPack(pack), mOffset(offset), mLength(length) {}

  int Open() override {
    mPosition = 0;
    return kOk;
  }
  int Close() override { return kOk; }
  int Read(void* buffer, uint32_t count, uint32_t* read) override;
  // Clamped to the member's length, so (uint32_t)-1 goes to the end.
  int Seek(uint32_t position, uint32_t* newPosition) override;
  int GetSize(uint32_t* size) override {
    *size = mLength;
    return kOk;
  }

 private:
  cVexFile* mPack;
  uint32_t mOffset;
  uint32_t mLength;
  uint32_t mPosition = 0;
};

}  // namespace Tarn
