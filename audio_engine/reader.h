// cIReader and cISeek: the byte streams packs, loose files, decoders and the mixer output offer.
#pragma once

#include <cstdint>

namespace Tarn {

// Result codes shared by the engine.
enum : int {
  kOk = 0,
  kFailed = 1,
  kNotFound = 2,
  kNotSupported = 3,
  kFaultException = 7,
  kAlreadyPresent = 9,
  kNotSupportedNode = 10,
  kUnknownNodeType = 11,
  kNoPrimaryBuffer = 12,
  kNoBuffer = 13,
  kOggRead = 19,
  kOggNotVorbis = 20,
  kOggVersion = 21,
  kOggBadHeader = 22,
};

class cIReader {
 public:
  virtual ~cIReader() = default;
  virtual int Open() = 0;
  virtual int Close() = 0;
  // Reads up to count bytes; *read gets what was delivered (fewer at the end, never an error).
  virtual int Read(void* buffer, uint32_t count, uint32_t* read) = 0;
  virtual int GetSize(uint32_t* size) = 0;
};

class cISeek {
 public:
  virtual ~cISeek() = default;
  // Moves to an absolute position; (uint32_t)-1 means the end. *position gets where it went.
  virtual int Seek(uint32_t position, uint32_t* newPosition) = 0;
};

}  // namespace Tarn
