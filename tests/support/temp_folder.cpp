// Temporary folders for tests, under TMPDIR.
#include "tests/support/temp_folder.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

TempFolder::TempFolder() {
  fs::path base = fs::temp_directory_path();
  std::string pattern = (base / "orvella-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  mPath = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ec;
  fs::remove_all(mPath, ec);
}

std::string TempFolder::File(const std::string& name) const {
  fs::path p = fs::path(mPath) / name;
  fs::create_directories(p.parent_path());
  return p.string();
}
