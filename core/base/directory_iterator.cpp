// Lists the entries of one real folder, in byte order of their names.
#include "core/base/directory_iterator.h"

#include <cstring>
#include <string>

#include "platform/win32/win32.h"

struct TDirectoryIterator::Search {
  HANDLE find = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAA data;
  bool haveEntry = false;  // data holds an entry not yet handed out
};

TDirectoryIterator::TDirectoryIterator() {}
TDirectoryIterator::~TDirectoryIterator() { Open(nullptr); }

void TDirectoryIterator::Open(const char* folder) {
  if (mSearch && mSearch->find != INVALID_HANDLE_VALUE) FindClose(mSearch->find);
  mSearch.reset();
  if (!folder) return;
  std::string pattern = folder;
  if (!pattern.empty() && (pattern.back() == '/' || pattern.back() == '\\'))
    pattern += "*";
  else
    pattern += "/*";
  auto search = std::make_unique<Search>();
  search->find = FindFirstFileA(pattern.c_str(), &search->data);
  if (search->find == INVALID_HANDLE_VALUE) return;
  search->haveEntry = true;
  mSearch = std::move(search);
}

bool TDirectoryIterator::Next(TStr& name, bool* isFolder) {
  while (mSearch && mSearch->haveEntry) {
    WIN32_FIND_DATAA entry = mSearch->data;
    mSearch->haveEntry = FindNextFileA(mSearch->find, &mSearch->data) != 0;
    if (!mSearch->haveEntry) {
      FindClose(mSearch->find);
      mSearch->find = INVALID_HANDLE_VALUE;
    }
    bool folder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (strcmp(entry.cFileName, ".") == 0 || strcmp(entry.cFileName, "..") == 0) continue;
    if (folder && !isFolder) continue;
    name = TStr(entry.cFileName);
    if (isFolder) *isFolder = folder;
    return true;
  }
  return false;
}
