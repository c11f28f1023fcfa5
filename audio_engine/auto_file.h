// cAutoFile: owns one C stream, opened at construction and closed at destruction.
#pragma once

#include <cstdio>

#include "audio_engine/tarn_string.h"

namespace Tarn {

class cAutoFile {
 public:
  cAutoFile(const cString& path, const char* mode) : mFile(std::fopen(path.c_str(), mode)) {}
  cAutoFile(const cAutoFile&) = delete;
  cAutoFile& operator=(const cAutoFile&) = delete;
  ~cAutoFile() {
    if (mFile) std::fclose(mFile);
  }
  FILE* Get() const { return mFile; }

 private:
  FILE* mFile;  // null when opening failed
};

}  // namespace Tarn
