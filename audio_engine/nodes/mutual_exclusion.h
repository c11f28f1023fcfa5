// cMutualExclusion: a node with the base behaviour only (its children's exclusion is the
// parent mixer's "MutualExclusionEnabled").
#pragma once

#include "audio_engine/sound.h"

namespace Tarn {

class cMutualExclusion : public cSound {};

}  // namespace Tarn
