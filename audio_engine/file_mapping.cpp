// File views over the platform's file mapping calls, and the pack directory search.
#include "audio_engine/file_mapping.h"

#include <algorithm>

#include "platform/win32/win32.h"

#ifndef FILE_FLAG_RANDOM_ACCESS
#define FILE_FLAG_RANDOM_ACCESS 0x10000000u
#endif

namespace Tarn {

cFileMapping::Stage cFileMapping::Open(const char* path, uint32_t* error) {
  Close();
  *error = 0;
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_RANDOM_ACCESS | FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE || !file) {
    *error = GetLastError();
    return kOpenFailed;
  }
  mFile = file;
  DWORD high = 0;
  DWORD low = GetFileSize(file, &high);
  uint64_t size = ((uint64_t)high << 32) | low;
  HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (!mapping) {
    *error = GetLastError();
    Close();
    return kMapFailed;
  }
  mMapping = mapping;
  void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  if (!view) {
    *error = GetLastError();
    Close();
    return kMapFailed;
  }
  mView = (const uint8_t*)view;
  mSize = size;
  return kOpened;
}

void cFileMapping::Close() {
  if (mView) UnmapViewOfFile(mView);
  if (mMapping) CloseHandle(mMapping);
  if (mFile) CloseHandle(mFile);
  mView = nullptr;
  mMapping = nullptr;
  mFile = nullptr;
  mSize = 0;
}

std::vector<std::string> ListFolder(const std::string& folder, const char* extension) {
  std::vector<std::string> names;
  std::string pattern = (folder.empty() ? std::string(".") : folder) + "/*" + extension;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE || !find) return names;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace Tarn
