// Tarn::cFileReader: a loose file of the data folder as a byte stream.
#pragma once

#include <atomic>

#include "audio_engine/auto_file.h"
#include "audio_engine/auto_ptr.h"
#include "audio_engine/reader.h"
#include "audio_engine/tarn_string.h"

namespace Tarn {

class cFileReader : public cIReader, public cISeek {
 public:
  // Stores the path and mode; opens nothing.
  cFileReader(const cString& path, const char* mode) : mPath(path), mMode(mode) {}
  ~cFileReader() override { Close(); }

  int Open() override;
  int Close() override;
  int Read(void* buffer, uint32_t count, uint32_t* read) override;
  int Seek(uint32_t position, uint32_t* newPosition) override;
  int GetSize(uint32_t*) override { return kNotSupported; }

  // Readers open at the moment, library-wide.
  static int OpenCount();

 private:
  cString mPath;
  cString mMode;
  cAutoPtr<cAutoFile> mFile;
  uint32_t mBytesRead = 0;
};

}  // namespace Tarn
