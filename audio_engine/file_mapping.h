// A read-only view of a whole file and the sorted directory search the packs need.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Tarn {

class cFileMapping {
 public:
  cFileMapping() = default;
  cFileMapping(const cFileMapping&) = delete;
  cFileMapping& operator=(const cFileMapping&) = delete;
  ~cFileMapping() { Close(); }

  enum Stage { kOpened, kOpenFailed, kMapFailed };
  // Opens the file for shared reading and maps all of it; *error gets the system error code.
  Stage Open(const char* path, uint32_t* error);
  void Close();
  const uint8_t* Data() const { return mView; }
  uint64_t Size() const { return mSize; }

 private:
  void* mFile = nullptr;
  void* mMapping = nullptr;
  const uint8_t* mView = nullptr;
  uint64_t mSize = 0;
};

// Names in a folder whose extension matches (any case), sorted byte-wise: the order decides
// which pack and project win, and the original platform listed them sorted.
std::vector<std::string> ListFolder(const std::string& folder, const char* extension);

}  // namespace Tarn
