// cClipPlayer: one clip of a resource (a loop box or an arrangement): sets the resource's
// timeline from the clip's points and starts it, through the sync system when played now.
#pragma once

#include "audio_engine/sound.h"

namespace Tarn {

class cClipPlayer : public cSound {
 public:
  void OnBeginSetPatch() override;
  int HandleParameterChange(uint32_t id, const tVariant& value, uint32_t propagate) override;
  int Play(int64_t time) override;
  int Fade(float milliseconds, bool fadeOut, bool stopAfter, int64_t time) override;
  int Stop(int64_t time) override;
  int StopNow() override;
  int Kill() override;
  bool IsActive() override;
  int GetCurrentPosition(int32_t* position) override;
  int WithdrawPlay() override;
  void Detach() override;

  cSound* Resource() const { return mResource; }

 private:
  cSound* mResource = nullptr;  // not owned
};

}  // namespace Tarn
