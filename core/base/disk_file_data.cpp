// A file on disk, read and written through a stdio stream.
#include "core/base/disk_file_data.h"

#include <filesystem>

TDiskFileData::~TDiskFileData() { Close(); }

bool TDiskFileData::Open(TStr path, int mode) {
  Close();
  if (path.Length() == 0) return false;
  static const char* const kModes[] = {"rb", "rt", "wb", "wt", "ab", "at"};
  const char* m = (mode >= 0 && mode <= 5) ? kModes[mode] : "rt";
  // fopen accepts a folder for reading here, and every read of it then fails; refuse it.
  if (m[0] == 'r') {
    std::error_code ec;
    if (std::filesystem::is_directory(path.c_str(), ec)) return false;
  }
  mFile = fopen(path.c_str(), m);
  mLastByte = -1;
  return mFile != nullptr;
}

void TDiskFileData::Close() {
  if (mFile) fclose(mFile);
  mFile = nullptr;
  mLastByte = -1;
}

void TDiskFileData::UngetByte() {
  if (!mFile || mLastByte < 0) return;
  ungetc(mLastByte, mFile);
  mLastByte = -1;
}

void TDiskFileData::Seek(int offset, int origin) {
  if (!mFile) return;
  int whence = origin == kSeekCurrent ? SEEK_CUR : origin == kSeekEnd ? SEEK_END : SEEK_SET;
  fseek(mFile, offset, whence);
  mLastByte = -1;
}

int TDiskFileData::GetSize() {
  if (!mFile) return 0;
  long here = ftell(mFile);
  fseek(mFile, 0, SEEK_END);
  long size = ftell(mFile);
  fseek(mFile, here, SEEK_SET);
  return size < 0 ? 0 : (int)size;
}

int TDiskFileData::Tell() {
  if (!mFile) return 0;
  return (int)ftell(mFile);
}

int TDiskFileData::Read(void* buffer, int bytes) {
  if (!mFile || bytes <= 0) return 0;
  size_t got = fread(buffer, 1, (size_t)bytes, mFile);
  if (got > 0) mLastByte = ((unsigned char*)buffer)[got - 1];
  return (int)got;
}

int TDiskFileData::Write(const void* buffer, int bytes) {
  if (!mFile || bytes <= 0) return 0;
  return (int)fwrite(buffer, 1, (size_t)bytes, mFile);
}

bool TDiskFileData::IsEOF() {
  if (!mFile) return true;
  return feof(mFile) != 0;
}
