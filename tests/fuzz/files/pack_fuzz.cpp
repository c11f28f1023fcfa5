// Fuzzes pack mounting: the input is written as a pack file, mounted, and every member it
// maps is opened and read whole in both read modes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/base/asset_file_list.h"
#include "core/base/file.h"
#include "core/base/file_map_handler.h"

namespace {
std::string PackPath() {
  static std::string path = (std::filesystem::temp_directory_path() / "orvella-fuzz-pack.ksp").string();
  return path;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* f = fopen(PackPath().c_str(), "wb");
  if (!f) return 0;
  fwrite(data, 1, size, f);
  fclose(f);
  ClearFileMap();
  GetPackList().clear();
  MountPack(TStr(("::" + PackPath()).c_str()), GetFileMap());
  std::vector<TStr> keys;
  for (const auto& e : GetFileMap()) keys.push_back(e.first);
  char buffer[512];
  for (const TStr& key : keys) {
    for (int mode : {kFileReadBinary, kFileReadText}) {
      TFile file;
      if (!file.Open(key, mode)) continue;
      while (file.Read(buffer, sizeof buffer) > 0) {
      }
      file.Seek(-3, kSeekEnd);
      file.Read(buffer, 16);
      file.UngetByte();
    }
  }
  ClearFileMap();
  GetPackList().clear();
  return 0;
}
