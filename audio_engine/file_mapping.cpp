// File views over the platform's file mapping calls, and the pack directory search.
#include "audio_engine/file_mapping.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace Tarn {

// Until the platform's file mapping is in place the view is a private copy of the file.
cFileMapping::Stage cFileMapping::Open(const char* path, uint32_t* error) {
  Close();
  *error = 0;
  FILE* f = std::fopen(path, "rb");
  if (!f) {
    *error = 2;  // ERROR_FILE_NOT_FOUND
    return kOpenFailed;
  }
  std::fseek(f, 0, SEEK_END);
  long size = std::ftell(f);
  std::fseek(f, 0, SEEK_SET);
  if (size <= 0) {
    std::fclose(f);
    *error = 1006;  // ERROR_FILE_INVALID: an empty file cannot be mapped
    return kMapFailed;
  }
  uint8_t* data = new uint8_t[(size_t)size];
  size_t got = std::fread(data, 1, (size_t)size, f);
  std::fclose(f);
  mView = data;
  mSize = got;
  mFile = data;
  return kOpened;
}

void cFileMapping::Close() {
  delete[] (uint8_t*)mFile;
  mFile = nullptr;
  mMapping = nullptr;
  mView = nullptr;
  mSize = 0;
}

std::vector<std::string> ListFolder(const std::string& folder, const char* extension) {
  std::vector<std::string> names;
  std::error_code ec;
  std::string ext = extension;
  for (auto& c : ext) c = (char)std::tolower((unsigned char)c);
  for (auto it = std::filesystem::directory_iterator(folder.empty() ? "." : folder, ec);
       !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (name.size() < ext.size()) continue;
    std::string tail = name.substr(name.size() - ext.size());
    for (auto& c : tail) c = (char)std::tolower((unsigned char)c);
    if (tail == ext && !it->is_directory(ec)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace Tarn
