// Lists the entries of one real folder, in byte order of their names.
#pragma once

#include <memory>

#include "core/base/str.h"

class TDirectoryIterator {
 public:
  TDirectoryIterator();
  ~TDirectoryIterator();
  TDirectoryIterator(const TDirectoryIterator&) = delete;
  TDirectoryIterator& operator=(const TDirectoryIterator&) = delete;

  // Closes any search under way and starts one on folder (null only closes).
  void Open(const char* folder);
  // Next entry ("." and ".." never appear); folders are stepped over when isFolder is null.
  // Closes itself after the last entry.
  bool Next(TStr& name, bool* isFolder);

 private:
  struct Search;
  std::unique_ptr<Search> mSearch;
};
