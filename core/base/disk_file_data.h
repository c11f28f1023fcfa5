// A file on disk, read and written through a stdio stream.
#pragma once

#include <cstdio>

#include "core/base/file_data.h"

class TDiskFileData : public TFileData {
 public:
  TDiskFileData() {}
  ~TDiskFileData() override;

  bool Open(TStr path, int mode) override;
  void Close() override;
  void UngetByte() override;
  void Seek(int offset, int origin) override;
  int GetSize() override;
  int Tell() override;
  int Read(void* buffer, int bytes) override;
  int Write(const void* buffer, int bytes) override;
  bool IsEOF() override;

 private:
  FILE* mFile = nullptr;
  int mLastByte = -1;  // the byte UngetByte may push back; -1 when none
};
