// cIUpdate: something ticked by an update list; cIAudioRenderer: the output's timer control.
#pragma once

namespace Tarn {

class cIUpdate {
 public:
  virtual ~cIUpdate() = default;
  virtual int Update() = 0;
};

class cIAudioRenderer {
 public:
  virtual ~cIAudioRenderer() = default;
  virtual int Start() = 0;
  virtual int Stop() = 0;
};

}  // namespace Tarn
