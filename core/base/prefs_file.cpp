// Whole-file reads and replacing writes for the preferences and the saved high scores.
#include "core/base/prefs_file.h"

#include <algorithm>
#include <filesystem>

#include "core/base/disk_file_data.h"
#include "core/base/file.h"

bool ReadWholeFile(TStr path, std::vector<char>* out) {
  TFile file;
  if (!file.Open(path, kFileReadBinary)) return false;
  int size = file.GetSize();
  out->assign(size > 0 ? (size_t)size : 0, 0);
  if (size > 0) out->resize((size_t)std::max(0, file.Read(out->data(), size)));
  return true;
}

bool WriteFileReplacing(TStr path, const void* data, size_t size) {
  TStr real = ResolvePath(path, false);
  if (real.IsEmpty() || real[0] == '@' || real[0] == '&') return false;
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path target(real.c_str());
  if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
  TStr temp = real + ".tmp";
  bool ok;
  {
    TDiskFileData file;
    if (!file.Open(temp, kFileWriteBinary)) return false;
    ok = size == 0 || file.Write(data, (int)size) == (int)size;
    file.Close();
  }
  if (ok) {
    fs::rename(temp.c_str(), target, ec);
    ok = !ec;
  }
  if (!ok) fs::remove(temp.c_str(), ec);
  return ok;
}

