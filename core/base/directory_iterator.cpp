// Lists the entries of one real folder, in byte order of their names.
#include "core/base/directory_iterator.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

// The listing is taken whole when the search starts; sorting it keeps scans repeatable on
// file systems that list in no particular order.
struct TDirectoryIterator::Search {
  std::vector<std::pair<std::string, bool>> entries;
  size_t next = 0;
};

TDirectoryIterator::TDirectoryIterator() {}
TDirectoryIterator::~TDirectoryIterator() {}

void TDirectoryIterator::Open(const char* folder) {
  mSearch.reset();
  if (!folder) return;
  std::string dir(folder);
  if (dir.empty()) dir = ".";
  std::error_code ec;
  fs::directory_iterator it(dir, ec);
  if (ec) return;
  auto search = std::make_unique<Search>();
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    std::string name = it->path().filename().string();
    if (name == "." || name == "..") continue;
    std::error_code ec2;
    bool isDir = it->is_directory(ec2);
    search->entries.emplace_back(std::move(name), isDir);
  }
  std::sort(search->entries.begin(), search->entries.end());
  mSearch = std::move(search);
}

bool TDirectoryIterator::Next(TStr& name, bool* isFolder) {
  while (mSearch) {
    if (mSearch->next >= mSearch->entries.size()) {
      mSearch.reset();
      return false;
    }
    const auto& e = mSearch->entries[mSearch->next++];
    if (!isFolder && e.second) continue;
    name = TStr(e.first.c_str());
    if (isFolder) *isFolder = e.second;
    return true;
  }
  return false;
}
