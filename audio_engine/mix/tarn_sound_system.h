// TarnMix::cTarnSoundSystem: the mixing layer's root, one global instance.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "audio_engine/auto_ptr.h"
#include "audio_engine/critical_section.h"
#include "audio_engine/iupdate.h"
#include "audio_engine/mix/bus_mixer.h"
#include "audio_engine/mix/wave_source_reader.h"

namespace TarnMix {

class cTarnSoundSystem {
 public:
  // Creates the instance (once) with its playing root bus.
  static cTarnSoundSystem* Init();
  static void Shutdown();
  static cTarnSoundSystem* Get();

  cBusMixer* Root() { return &mRoot; }
  cWaveSourceReader* RootReader() { return mReader.Get(); }
  // The engine tick the root runs before every block (the engine's sound system).
  void SetEngineTick(Tarn::cIUpdate* tick) { mRoot.SetEngineTick(tick); }

  // Named bus mixers (owned); 9 when the name is taken.
  int AddBus(uint32_t id, cBusMixer* bus);
  cBusMixer* FindBus(uint32_t id);

  static cWaveFormat RootFormat() { return MakeWaveFormat(2, 44100, 32, kFormatFloat); }
  // The sources' target format and the control rate of parameter curves.
  static cWaveFormat SourceFormat() { return MakeWaveFormat(2, 44100, 32, kFormatPcm); }
  static cWaveFormat ControlFormat() { return MakeWaveFormat(1, 100, 32, kFormatPcm); }

 private:
  cTarnSoundSystem();
  ~cTarnSoundSystem();

  std::map<uint32_t, std::unique_ptr<cBusMixer>> mBuses;  // guarded by mLock
  cBusMixer mRoot;
  Tarn::cAutoPtr<cWaveSourceReader> mReader;
  Tarn::cCriticalSection mLock;
};

}  // namespace TarnMix
