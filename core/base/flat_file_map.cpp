// A read-only file over one member of a mounted pack, read through the pack's view.
#include "core/base/flat_file_map.h"

#include <cstdlib>
#include <cstring>

#include "core/base/file_map_handler.h"
#include "core/base/log.h"
#include "core/base/memory_file.h"

bool TFlatFileMap::Open(TStr path, int mode) {
  Close();
  const char* text = path.c_str();
  if (!text[0]) return false;
  long index = strtol(text + 1, nullptr, 10);
  std::vector<TFileMapHandler>& packs = GetPackList();
  if (index < 0 || index >= (long)packs.size()) return false;
  const TFileMapHandler& pack = packs[(size_t)index];
  const unsigned char* view = pack.GetData();
  if (!view) {
    LogError("error reading %s from flat file", text);
    return false;
  }
  const char* colon = strchr(text, ':');
  if (!colon) return false;
  unsigned long long offset = strtoull(colon + 1, nullptr, 10);
  const char* comma = strchr(colon, ',');
  if (!comma) return false;
  unsigned long long size = strtoull(comma + 1, nullptr, 10);
  // The mount checked the directory, but a resolved path can be registered by anyone:
  // never let a member reach past the mapped file.
  if (offset > pack.GetSize() || size > pack.GetSize() - offset) {
    LogError("error reading %s from flat file", text);
    return false;
  }
  mMode = mode;
  mBase = view + offset;
  mSize = (uint32_t)size;
  mPosition = 0;
  mEnd = false;
  return true;
}

void TFlatFileMap::Close() {
  mBase = nullptr;
  mSize = 0;
  mPosition = 0;
  mEnd = true;
}

void TFlatFileMap::UngetByte() {
  Seek(-1, kSeekCurrent);
  mEnd = false;
}

void TFlatFileMap::Seek(int offset, int origin) {
  uint32_t pos;
  if (origin == kSeekCurrent)
    pos = mPosition + (uint32_t)offset;
  else if (origin == kSeekEnd)
    pos = mSize + (uint32_t)offset;
  else
    pos = (uint32_t)offset;
  if (pos > mSize) {
    pos = mSize;
  } else {
    mEnd = false;
  }
  mPosition = pos;
}

int TFlatFileMap::GetSize() { return (int)mSize; }
int TFlatFileMap::Tell() { return (int)mPosition; }

int TFlatFileMap::Read(void* buffer, int bytes) {
  if (bytes > 0 && (uint64_t)mPosition + (uint64_t)bytes > mSize) mEnd = true;
  return ReadMappedBytes(mBase, mSize, &mPosition, mMode, buffer, bytes);
}

int TFlatFileMap::Write(const void*, int) { return 0; }
bool TFlatFileMap::IsEOF() { return mEnd; }
