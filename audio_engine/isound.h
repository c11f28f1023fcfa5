// cISound: the playable side of graph nodes and bus mixers, in 64-bit engine time (sample
// frames at 44100 Hz; -1 means now).
#pragma once

#include <cstdint>

#include "audio_engine/variant.h"

namespace Tarn {

class cISound {
 public:
  virtual ~cISound() = default;
  virtual int SetStartPosition(int32_t position) = 0;
  virtual int GetState(int32_t* state) = 0;
  virtual int Play(int64_t time) = 0;
  virtual int StopNow() = 0;
  virtual int Stop(int64_t time) = 0;
  virtual int GetStatus(uint32_t* status) = 0;
  virtual int Kill() = 0;
  virtual bool IsActive() = 0;
  virtual int GetValue(uint32_t id, float* value, uint32_t flag) = 0;
  virtual int SetParameter(uint32_t id, const tVariant& value, uint32_t propagate) = 0;
  virtual int Schedule() = 0;
  virtual int Process() = 0;
};

}  // namespace Tarn
