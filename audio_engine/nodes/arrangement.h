// cArrangement: a mixer of track players with tempo and timeline settings, its own set of
// event-parameter values, and a volume fade stepped on every engine tick.
#pragma once

#include "audio_engine/nodes/mixer.h"
#include "audio_engine/nodes/volume_fade.h"

namespace Tarn {

class cArrangement : public cMixer {
 public:
  int HandleParameterChange(uint32_t id, const tVariant& value, uint32_t propagate) override;
  void OnEndSetPatch() override;
  int GetOwnerPropertySet(cPropertySet** set) override;
  int Play(int64_t time) override;
  // A stop now fades out over the master fade time (the current clip's, else its own).
  int Stop(int64_t time) override;
  int Fade(float milliseconds, bool fadeOut, bool stopAfter, int64_t time) override;
  int Kill() override;
  int Update() override;
  int RefreshParameterBinding(uint32_t id) override;

  double FadeLevel() const { return mFade.Level(); }
  const cPropertySet* CurrentClip() const { return mCurrentClip; }
  cPropertySet& Values() { return mValues; }

 private:
  // Copies the timeline into every track player child (or a child's delegate).
  void PassTimeLine();
  void ReapplyVolume();

  int32_t mTimeLineStart = 0, mTimeLineEnd = -1, mLoopStart = 0, mLoopEnd = -1;
  bool mLoop = false;
  const cPropertySet* mCurrentClip = nullptr;
  cVolumeFade mFade;
  cPropertySet mValues;  // event-parameter values, the owner set of the subtree
};

}  // namespace Tarn
