// cMixerChannel: a fader in front of its delegate. It combines its patch's mixer parameters
// with the values set on it (volumes and send levels multiply, pans add around the centre)
// and forwards the result; a channel whose delegate is a bus is that bus's fader.
#pragma once

#include "audio_engine/sound.h"

namespace Tarn {

class cMixerChannel : public cSound {
 public:
  // Tells the parent mixer first (mutual exclusion), then plays.
  int Play(int64_t time) override;
  int RefreshParameterBinding(uint32_t id) override;
};

}  // namespace Tarn
