// A byte stream over a string, delivered in chunks of a chosen size.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>

#include "audio_engine/reader.h"

namespace VexaTest {

class MemoryReader : public Tarn::cIReader {
 public:
  explicit MemoryReader(std::string text, uint32_t chunk = 0xFFFFFFFF) : mText(std::move(text)), mChunk(chunk) {}
  int Open() override { return 0; }
  int Close() override { return 0; }
  int Read(void* buffer, uint32_t count, uint32_t* read) override {
    *read = (uint32_t)std::min<size_t>({count, mChunk, mText.size() - mPos});
    std::memcpy(buffer, mText.data() + mPos, *read);
    mPos += *read;
    return 0;
  }
  int GetSize(uint32_t* size) override {
    *size = (uint32_t)mText.size();
    return 0;
  }

 private:
  std::string mText;
  uint32_t mChunk;
  size_t mPos = 0;
};

}  // namespace VexaTest
