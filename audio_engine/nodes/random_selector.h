// cRandomSelector: plays one child of its delegate mixer at random, never the same one twice
// in a row.
#pragma once

#include "audio_engine/sound.h"

namespace Tarn {

class cRandomSelector : public cSound {
 public:
  int Play(int64_t time) override;

 private:
  cSound* mLast = nullptr;
};

}  // namespace Tarn
