// A read-only file over one member of a mounted pack, read through the pack's view.
#pragma once

#include <cstdint>

#include "core/base/file_data.h"

class TFlatFileMap : public TFileData {
 public:
  TFlatFileMap() {}
  ~TFlatFileMap() override {}

  // path is the resolved form "@index:offset,size".
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
  int mMode = 0;
  const unsigned char* mBase = nullptr;
  uint32_t mSize = 0;
  uint32_t mPosition = 0;
  bool mEnd = false;
};
