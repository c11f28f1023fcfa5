// Read-only mappings of whole pack files, and the process-wide list of mounted packs.
#include "core/base/file_map_handler.h"

#include <cstring>
#include <fstream>

#include "core/base/file.h"

// Until the platform layer offers file mappings the view is a private copy of the file,
// read once; member reads go through the same bounded view either way.
namespace {
const unsigned char* MapWholeFile(const char* path, uint32_t* size, void** file, void** mapping) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return nullptr;
  in.seekg(0, std::ios::end);
  std::streamoff length = in.tellg();
  if (length < 0 || length > (std::streamoff)0x7FFFFFFF) return nullptr;
  in.seekg(0, std::ios::beg);
  unsigned char* view = new (std::nothrow) unsigned char[length ? (size_t)length : 1];
  if (!view) return nullptr;
  if (length && !in.read((char*)view, length)) {
    delete[] view;
    return nullptr;
  }
  *size = (uint32_t)length;
  *file = view;
  *mapping = nullptr;
  return view;
}

void UnmapWholeFile(const unsigned char* view, void* file, void* mapping) {
  delete[] (unsigned char*)file;
}
}  // namespace

bool TFileMapData::Open(TStr path) {
  Close();
  TStr real = path;
  if (real.Length() >= 2 && real.c_str()[0] == ':' && real.c_str()[1] == ':') {
    real = ResolvePath(path, true);
    if (real.Length() == 0) return false;
  }
  TStr full = GetFullPath(real.c_str());
  if (full.Length() == 0) return false;
  mView = MapWholeFile(full.c_str(), &mSize, &mFile, &mMapping);
  if (!mView) {
    mFile = mMapping = nullptr;
    mSize = 0;
    return false;
  }
  return true;
}

void TFileMapData::Close() {
  if (mView) UnmapWholeFile(mView, mFile, mMapping);
  mView = nullptr;
  mFile = nullptr;
  mMapping = nullptr;
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
