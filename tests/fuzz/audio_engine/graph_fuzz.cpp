// libFuzzer target over the sound graph: any bytes as a project document are loaded, every
// patch is made into its node, played, processed, given values and killed, a few blocks are
// mixed, and everything is torn down. Cycles, dangling references and teardown order must
// end without a crash, a hang, a leak or an out-of-bounds access.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "audio_engine/critical_section.h"
#include "audio_engine/debug.h"
#include "audio_engine/mix/tarn_sound_system.h"
#include "audio_engine/sound.h"
#include "audio_engine/tarn_project.h"
#include "audio_engine/tarn_sound_system.h"
#include "tests/audio_engine/support/memory_reader.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Tarn::SetMessageSink([](const std::string&, const std::string&) {});
  Tarn::SetLogSink([](const std::string&) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Tarn::cTarnSoundSystem* system = Tarn::cTarnSoundSystem::Create();
  {
    Tarn::cAutoCriticalSection lock(Tarn::EngineLock());
    VexaTest::MemoryReader reader(std::string((const char*)data, size));
    system->LoadProject("Fuzz.xml", &reader);
    std::vector<uint32_t> ids;
    for (size_t p = 0; p < system->ProjectCount(); p++)
      for (const auto& [id, patch] : system->Project(p)->mPatches) ids.push_back(id);
    system->StartMasterBus();
    uint32_t step = 0;
    for (uint32_t id : ids) {
      Tarn::cSound* node = nullptr;
      system->GetSound(id, &node);
      if (!node) continue;
      switch (step++ % 4) {
        case 0: node->Play(-1); break;
        case 1: node->Process(); break;
        case 2: node->SetParameter(id, Tarn::tVariant::Float(0.5f), 1); break;
        case 3: node->Schedule(); break;
      }
    }
    std::vector<uint8_t> block(882 * 4);
    for (int i = 0; i < 3; i++) {
      uint32_t got = 0;
      TarnMix::cTarnSoundSystem::Get()->RootReader()->Read(block.data(), (uint32_t)block.size(), &got);
    }
    for (uint32_t id : ids)
      if (Tarn::cSound* node = system->CachedSound(id)) node->Kill();
  }
  Tarn::cTarnSoundSystem::Shutdown();
  return 0;
}
