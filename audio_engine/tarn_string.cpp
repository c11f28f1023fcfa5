// cString identifiers.
#include "audio_engine/tarn_string.h"

#include "audio_engine/name_id.h"

namespace Tarn {
uint32_t cString::Id() const { return NameId(mText.data(), mText.size()); }
}  // namespace Tarn
