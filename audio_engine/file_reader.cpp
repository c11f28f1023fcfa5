// Loose-file reads over a C stream.
#include "audio_engine/file_reader.h"

#include <cstdio>

#include "audio_engine/debug.h"

namespace Tarn {

namespace {
std::atomic<int> gOpenReaders{0};
}

int cFileReader::OpenCount() { return gOpenReaders; }

int cFileReader::Open() {
  Close();
  auto* file = new cAutoFile(mPath, mMode.c_str());
  if (!file->Get()) {
    delete file;
    Trace("cFileReader::Open: File %s not found", mPath.c_str());
    return kNotFound;
  }
  mFile.Reset(file);
  mBytesRead = 0;
  ++gOpenReaders;
  return kOk;
}

int cFileReader::Close() {
  if (mFile) {
    mFile.Reset();
    --gOpenReaders;
  }
  return kOk;
}

int cFileReader::Read(void* buffer, uint32_t count, uint32_t* read) {
  *read = 0;
  if (!mFile) return kNotFound;
  size_t got = std::fread(buffer, 1, count, mFile->Get());
  mBytesRead += (uint32_t)got;
  *read = (uint32_t)got;
  return kOk;
}

int cFileReader::Seek(uint32_t position, uint32_t* newPosition) {
  if (!mFile) return kNotFound;
  FILE* f = mFile->Get();
  int r = position == 0xFFFFFFFFu ? std::fseek(f, 0, SEEK_END) : std::fseek(f, (long)position, SEEK_SET);
  long at = std::ftell(f);
  if (newPosition) *newPosition = at < 0 ? 0 : (uint32_t)at;
  return r == 0 ? kOk : kFailed;
}

}  // namespace Tarn
