// The mixing layer's root.
#include "audio_engine/mix/tarn_sound_system.h"

#include "audio_engine/debug.h"

namespace TarnMix {

namespace {
cTarnSoundSystem* gInstance = nullptr;  // created and destroyed on the game's thread
}

cTarnSoundSystem::cTarnSoundSystem() : mRoot(RootFormat(), true) {
  mReader.Reset(new cWaveSourceReader(&mRoot, OutputFormat()));
  mRoot.Play(-1);
}

cTarnSoundSystem::~cTarnSoundSystem() {
  mReader.Reset();
  // Buses go before the root they may be registered with.
  mBuses.clear();
}

cTarnSoundSystem* cTarnSoundSystem::Init() {
  Tarn::Trace("TarnMix::cTarnSoundSystem::Init\n");
  if (!gInstance) gInstance = new cTarnSoundSystem();
  return gInstance;
}

void cTarnSoundSystem::Shutdown() {
  Tarn::Trace("TarnMix::cTarnSoundSystem::Shutdown\n");
  delete gInstance;
  gInstance = nullptr;
}

cTarnSoundSystem* cTarnSoundSystem::Get() { return gInstance; }

int cTarnSoundSystem::AddBus(uint32_t id, cBusMixer* bus) {
  Tarn::cAutoCriticalSection lock(mLock);
  auto& slot = mBuses[id];
  if (slot) {
    delete bus;
    return 9;
  }
  slot.reset(bus);
  return 0;
}

cBusMixer* cTarnSoundSystem::FindBus(uint32_t id) {
  Tarn::cAutoCriticalSection lock(mLock);
  auto it = mBuses.find(id);
  return it == mBuses.end() ? nullptr : it->second.get();
}

}  // namespace TarnMix
