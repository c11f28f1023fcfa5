// cRandomizer: before its delegate plays, gives it a volume and a pan drawn from its ranges.
#pragma once

#include "audio_engine/sound.h"

namespace Tarn {

class cRandomizer : public cSound {
 public:
  int HandleParameterChange(uint32_t id, const tVariant& value, uint32_t propagate) override;
  int Play(int64_t time) override;

 private:
  double mVolumeMin = 1.0, mVolumeMax = 1.0;
  double mPanMin = 0.5, mPanMax = 0.5;
};

}  // namespace Tarn
