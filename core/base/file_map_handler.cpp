// Read-only mappings of whole pack files, and the process-wide list of mounted packs.
#include "core/base/file_map_handler.h"

#include "core/base/file.h"
#include "platform/win32/win32.h"

bool TFileMapData::Open(TStr path) {
  Close();
  TStr real = path;
  if (real.Length() >= 2 && real.c_str()[0] == ':' && real.c_str()[1] == ':') {
    real = ResolvePath(path, true);
    if (real.Length() == 0) return false;
  }
  TStr full = GetFullPath(real.c_str());
  if (full.Length() == 0) return false;
  HANDLE file = CreateFileA(full.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE || !file) return false;
  DWORD high = 0;
  DWORD size = GetFileSize(file, &high);
  // Pack offsets are 32-bit; a larger file could not be addressed by its directory.
  if (size == INVALID_FILE_SIZE || high != 0 || size > 0x7FFFFFFFu) {
    CloseHandle(file);
    return false;
  }
  HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY | SEC_COMMIT, 0, 0, nullptr);
  if (!mapping) {
    CloseHandle(file);
    return false;
  }
  void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  if (!view) {
    CloseHandle(mapping);
    CloseHandle(file);
    return false;
  }
  mFile = file;
  mMapping = mapping;
  mView = (const unsigned char*)view;
  mSize = size;
  return true;
}

void TFileMapData::Close() {
  if (mView) UnmapViewOfFile(mView);
  if (mMapping) CloseHandle(mMapping);
  if (mFile) CloseHandle(mFile);
  mView = nullptr;
  mMapping = nullptr;
  mFile = nullptr;
  mSize = 0;
}

bool TFileMapHandler::Open(TStr path) {
  mPath = path;
  return mData->Open(path);
}

std::vector<TFileMapHandler>& GetPackList() {
  static std::vector<TFileMapHandler> packs;
  return packs;
}
