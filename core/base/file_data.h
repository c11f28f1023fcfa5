// The abstract file behind a TFile handle: disk files, memory blocks and pack members.
#pragma once

#include "core/base/str.h"

// Open modes shared by every kind of file.
enum {
  kFileReadBinary = 0,    // "rb"
  kFileReadText = 1,      // "rt": memory and pack-member files drop carriage returns
  kFileWriteBinary = 2,   // "wb"
  kFileWriteText = 3,     // "wt"
  kFileAppendBinary = 4,  // "ab"
  kFileAppendText = 5,    // "at"
};

// Seek origins. Not the stdio numbering: 0 is the current position.
enum {
  kSeekCurrent = 0,
  kSeekStart = 1,
  kSeekEnd = 2,
};

class TFileData {
 public:
  virtual ~TFileData() {}
  virtual bool Open(TStr path, int mode) = 0;
  virtual void Close() = 0;
  virtual void UngetByte() = 0;
  virtual void Seek(int offset, int origin) = 0;
  virtual int GetSize() = 0;
  virtual int Tell() = 0;
  virtual int Read(void* buffer, int bytes) = 0;
  virtual int Write(const void* buffer, int bytes) = 0;
  virtual bool IsEOF() = 0;
};
