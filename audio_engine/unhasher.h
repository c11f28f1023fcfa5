// cUnhasher: the library-wide table from name identifier back to the name's text.
#pragma once

#include <cstdint>

#include "audio_engine/tarn_string.h"

namespace Tarn {

class cUnhasher {
 public:
  // A different text under a known identifier shows "Multiply-defined symbol"; the first
  // text stays registered.
  static void Register(const cString& name, uint32_t id);
  static void Register(const cString& name) { Register(name, name.Id()); }
  static bool Contains(uint32_t id);
  // The text of an identifier it contains, else an empty string.
  static cString NameOf(uint32_t id);
  static void Clear();
  static size_t Size();
};

}  // namespace Tarn
