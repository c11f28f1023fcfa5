// Tarn::cTarnDir: a directory search giving the matching file names one at a time.
#pragma once

#include <string>
#include <vector>

#include "audio_engine/tarn_string.h"

namespace Tarn {

class cTarnDir {
 public:
  // Pattern "folder/*.EXT": names with that extension in any case, in sorted order.
  // 2 when nothing matches, else the first name: 0.
  int FindFirst(const cString& pattern, cString* name);
  // 2 at the end, else the next name: 0.
  int FindNext(cString* name);

 private:
  std::vector<std::string> mNames;
  size_t mNext = 0;
  bool mOpen = false;
};

}  // namespace Tarn
