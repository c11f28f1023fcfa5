// A read-only file over a block of memory registered under a virtual name.
#pragma once

#include <cstdint>

#include "core/base/file_data.h"

class TMemoryFile : public TFileData {
 public:
  TMemoryFile() {}
  ~TMemoryFile() override {}

  // path is the resolved form "&address,length".
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
  const unsigned char* mBase = nullptr;
  uint32_t mPosition = 0;
  uint32_t mLength = 0;
  int mMode = 0;
};

// Enters name -> the block into the file map (address non-null) or removes the entry (null).
// The caller keeps the block alive and unchanged while the name may be opened.
void RegisterMemoryFile(TStr name, const void* address, uint32_t length);

// Shared by memory and pack-member files: copies up to count bytes from base + *position,
// dropping carriage returns in text mode (1). Returns the bytes stored.
int ReadMappedBytes(const unsigned char* base, uint32_t size, uint32_t* position, int mode,
                    void* buffer, int count);
