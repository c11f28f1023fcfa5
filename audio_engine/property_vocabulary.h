// The property vocabulary: every known property name with its value type.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Tarn {

class cPropertyVocabulary {
 public:
  // Builds the table (clearing it first) and enters every name in the name table.
  static void Build();
  static bool IsKnown(uint32_t id);
  // The tVariant type code of a known name (1 boolean, 2 integer, 3 integer-like, 4 float,
  // 5 string); 0 for names without a type or unknown names.
  static uint32_t TypeOf(uint32_t id);
  static size_t Size();
};

}  // namespace Tarn
