// Directory search over the sorted folder listing.
#include "audio_engine/tarn_dir.h"

#include "audio_engine/file_mapping.h"
#include "audio_engine/reader.h"

namespace Tarn {

int cTarnDir::FindFirst(const cString& pattern, cString* name) {
  const std::string& p = pattern.str();
  size_t slash = p.find_last_of("/\\");
  std::string folder = slash == std::string::npos ? std::string() : p.substr(0, slash);
  std::string mask = slash == std::string::npos ? p : p.substr(slash + 1);
  // Only the "*.ext" form is used by the engine.
  std::string ext = mask.size() > 1 && mask[0] == '*' ? mask.substr(1) : mask;
  mNames = ListFolder(folder, ext.c_str());
  mNext = 0;
  mOpen = true;
  return FindNext(name);
}

int cTarnDir::FindNext(cString* name) {
  if (!mOpen || mNext >= mNames.size()) return kNotFound;
  *name = cString(mNames[mNext++]);
  return kOk;
}

}  // namespace Tarn
