// Tarn::cVexFile: a mounted ".VEX" pack, a read-only directory of members by name identifier.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "audio_engine/file_mapping.h"
#include "audio_engine/property_set.h"
#include "audio_engine/reader.h"
#include "audio_engine/tarn_string.h"

namespace Tarn {

class cVexFile : public cIReader, public cISeek {
 public:
  struct Entry {
    uint32_t id;
    uint32_t unused;
    uint32_t length;
    uint32_t offset;
  };
  static constexpr uint32_t kHeaderSize = 32;
  static constexpr uint32_t kEntrySize = 16;

  explicit cVexFile(const cString& path);
  ~cVexFile() override;

  // A new reader over a member (the caller owns it): 0; 2 when there is no such member.
  int OpenReader(uint32_t id, cIReader** reader);

  int Open() override { return kOk; }
  int Close() override { return kOk; }
  int Read(void* buffer, uint32_t count, uint32_t* read) override;
  int Seek(uint32_t position, uint32_t* newPosition) override;
  int GetSize(uint32_t* size) override;

  // A directory that the file cannot hold: the pack is to be discarded.
  bool IsCorrupt() const { return mCorrupt; }
  const cString& Path() const { return mPath; }
  const std::vector<Entry>& Entries() const { return mEntries; }
  const cPropertySet& Symbols() const { return mSymbols; }

 private:
  cString mPath;
  cFileMapping mMapping;
  uint32_t mSize = 0;      // readable size
  uint32_t mPosition = 0;  // shared by every member reader; member reads run under the engine lock
  uint8_t mHeader[kHeaderSize] = {};
  std::vector<Entry> mEntries;
  std::map<uint32_t, size_t> mIndex;
  cPropertySet mSymbols;
  bool mCorrupt = false;
};

}  // namespace Tarn
