// cTarnDirectSoundSystem: the output device, its update list and the 20 ms callback timer;
// cTarnDirectSoundPlayer: the looping buffer refilled from the mix on every tick.
#pragma once

#include <cstdint>

#include "audio_engine/auto_ptr.h"
#include "audio_engine/callback_timer.h"
#include "audio_engine/iupdate.h"
#include "audio_engine/mix/wave_format.h"
#include "audio_engine/reader.h"
#include "audio_engine/update_list.h"
#include "platform/dsound/dsound.h"

namespace Tarn {

// Told when the output is made and destroyed (the engine's sound system keeps the renderer).
class cIRendererHost {
 public:
  virtual ~cIRendererHost() = default;
  virtual void SetRenderer(cIAudioRenderer* renderer) = 0;
};

class cTarnDirectSoundSystem : public cIUpdate, public cIAudioRenderer {
 public:
  // Device on the default playback device, priority level on the window (else the foreground
  // window, else the desktop), primary buffer in the output format. A window the device
  // refuses leaves no device.
  explicit cTarnDirectSoundSystem(HWND window, cIRendererHost* host = nullptr);
  ~cTarnDirectSoundSystem() override;

  // Under the engine lock, runs the update list.
  int Update() override;
  // Creates the timer if needed and starts it at 20 ms.
  int Start() override;
  int Stop() override;

  IDirectSound8* Device() const { return mDevice; }
  // 0 when set up; 12 when no primary buffer could be made; a DirectSound result otherwise
  // (device creation or the cooperative level failed).
  int SetupResult() const { return mSetupResult; }
  cUpdateList& Updates() { return mUpdates; }
  cCallbackTimer* Timer() const { return mTimer.Get(); }

 private:
  cAutoPtr<cCallbackTimer> mTimer;
  cUpdateList mUpdates;
  IDirectSound8* mDevice = nullptr;
  cIRendererHost* mHost;
  int mSetupResult = 0;
};

class cISoundReaderRenderer {
 public:
  virtual ~cISoundReaderRenderer() = default;
  virtual int SetSource(cIReader* reader, TarnMix::cIWaveFormatHolder* format) = 0;
  virtual int Play() = 0;
  virtual int Stop() = 0;
};

class cTarnDirectSoundPlayer : public cISoundReaderRenderer, public cIUpdate {
 public:
  static constexpr DWORD kBufferBytes = 32768;

  explicit cTarnDirectSoundPlayer(cTarnDirectSoundSystem* output) : mOutput(output) {}
  ~cTarnDirectSoundPlayer() override;

  // Stores the reader and creates the secondary buffer in the output format.
  int SetSource(cIReader* reader, TarnMix::cIWaveFormatHolder* format) override;
  // Plays looping from the current position and joins the output's update list; 13 without
  // a buffer.
  int Play() override;
  // Leaves the update list and stops the buffer; 13 without a buffer.
  int Stop() override;
  // Refills what was played since the last tick.
  int Update() override;

  DWORD WritePosition() const { return mWritePosition; }
  IDirectSoundBuffer8* Buffer() const { return mBuffer; }

 private:
  cTarnDirectSoundSystem* mOutput;
  IDirectSoundBuffer8* mBuffer = nullptr;
  cIReader* mSource = nullptr;  // not owned
  DWORD mWritePosition = 0;     // touched only by ticks, under the engine lock
};

}  // namespace Tarn
