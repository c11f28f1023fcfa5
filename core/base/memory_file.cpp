// A read-only file over a block of memory registered under a virtual name.
#include "core/base/memory_file.h"

#include <cinttypes>
#include <cstdlib>
#include <cstring>

#include "core/base/file.h"

int ReadMappedBytes(const unsigned char* base, uint32_t size, uint32_t* position, int mode,
                    void* buffer, int count) {
  if (count <= 0 || !base || *position >= size) return 0;
  uint32_t left = size - *position;
  if ((uint32_t)count > left) count = (int)left;
  unsigned char* out = (unsigned char*)buffer;
  if (mode != kFileReadText) {
    memcpy(out, base + *position, (size_t)count);
    *position += (uint32_t)count;
    return count;
  }
  int kept = 0;
  while (*position < size && kept < count) {
    unsigned char c = base[(*position)++];
    if (c != 13) out[kept++] = c;
  }
  return kept;
}

bool TMemoryFile::Open(TStr path, int mode) {
  Close();
  mMode = mode;
  if (mode >= 2) return false;
  const char* text = path.c_str();
  if (!text[0]) return false;
  uintptr_t address = (uintptr_t)strtoull(text + 1, nullptr, 10);
  if (address == 0) return false;
  const char* comma = strchr(text, ',');
  if (!comma) {
    Close();
    return false;
  }
  mBase = (const unsigned char*)address;
  mLength = (uint32_t)strtoul(comma + 1, nullptr, 10);
  mPosition = 0;
  return true;
}

void TMemoryFile::Close() {
  mBase = nullptr;
  mPosition = 0;
  mLength = 0;
  mMode = 0;
}

void TMemoryFile::UngetByte() { Seek(-1, kSeekCurrent); }

void TMemoryFile::Seek(int offset, int origin) {
  uint32_t pos;
  if (origin == kSeekCurrent)
    pos = mPosition + (uint32_t)offset;
  else if (origin == kSeekEnd)
    pos = mLength + (uint32_t)offset;
  else
    pos = (uint32_t)offset;
  // Compared unsigned, so a position before the start also lands at the end.
  if (pos > mLength) pos = mLength;
  mPosition = pos;
}

int TMemoryFile::GetSize() { return (int)mLength; }
int TMemoryFile::Tell() { return (int)mPosition; }

int TMemoryFile::Read(void* buffer, int bytes) {
  return ReadMappedBytes(mBase, mLength, &mPosition, mMode, buffer, bytes);
}

int TMemoryFile::Write(const void*, int) { return 0; }
bool TMemoryFile::IsEOF() { return mPosition == mLength; }

void RegisterMemoryFile(TStr name, const void* address, uint32_t length) {
  // The key form of every look-up, so that removal finds what registration stored.
  TStr key = name;
  key.ToLower();
  key.Replace(TStr("\\"), TStr("/"), TStr::kReplaceAll);
  if (!address) {
    GetFileMap().erase(key);
    return;
  }
  GetFileMap()[key] = TStr::Format("&%" PRIuPTR ",%lu", (uintptr_t)address, (unsigned long)length);
}
