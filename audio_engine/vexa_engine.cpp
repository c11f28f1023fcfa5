// Start-up, events and shut-down of the engine, in the order the exports promise.
#include "audio_engine/vexa_engine.h"

#include <cstring>
#include <functional>
#include <string>

#include "audio_engine/auto_ptr.h"
#include "audio_engine/critical_section.h"
#include "audio_engine/debug.h"
#include "audio_engine/direct_sound_system.h"
#include "audio_engine/mix/tarn_sound_system.h"
#include "audio_engine/mix/wave_source_reader.h"
#include "audio_engine/name_id.h"
#include "audio_engine/persist.h"
#include "audio_engine/sound.h"
#include "audio_engine/tarn_dir.h"
#include "audio_engine/tarn_sound_system.h"
#include "audio_engine/unhasher.h"
#include "audio_engine/vex_file.h"

namespace Tarn {

namespace {
// The library's globals; changed only on the game's thread, with the timer stopped or under
// the engine lock.
struct Engine {
  bool started = false;
  cAutoPtr<cTarnDirectSoundSystem> output;
  cAutoPtr<cTarnDirectSoundPlayer> player;
  cAutoPtr<TarnMix::cWaveSourceReader> reader;
};
Engine& State() {
  static Engine engine;
  return engine;
}

// Loads the project member of every pack of the data folder, each through a second,
// short-lived view of its pack.
void LoadProjects(cTarnSoundSystem* system) {
  const cString& folder = cPersist::DataFolder();
  cTarnDir dir;
  cString name;
  for (int r = dir.FindFirst(folder + "*.VEX", &name); r == kOk; r = dir.FindNext(&name)) {
    cVexFile pack(folder + name);
    const std::string& file = name.str();
    size_t dot = file.find_last_of('.');
    std::string member = (dot == std::string::npos ? file : file.substr(0, dot)) + ".xml";
    cIReader* reader = nullptr;
    if (pack.OpenReader(NameId(member.c_str()), &reader) != kOk || !reader) continue;
    std::string where = (folder + name).str() + ": " + member;
    system->LoadProject(member.c_str(), reader, where.c_str());
    delete reader;
  }
}

void PlayNode(const char* name, const std::function<bool(double*)>& next) {
  cTarnSoundSystem* system = cTarnSoundSystem::Get();
  if (!system) return;
  cAutoCriticalSection lock(EngineLock());
  tVariant id;
  id.SetString(name);
  cSound* node = nullptr;
  bool created = false;
  if (system->GetSound(id, &node, &created) != kOk || !node) return;
  // A node made by this event and not part of the master bus's tree has never taken its
  // patch's mixer values: it takes them now, as a top-level node would when processed.
  if (created && !node->Parent()) node->Schedule();
  cSound::ParameterList* parameters = nullptr;
  node->GetParameterList(&parameters);
  cPropertySet* values = nullptr;
  node->GetOwnerPropertySet(&values);
  // One value per parameter, stored under 0, 1, ... in the order of the parameters' indexes.
  if (values && parameters)
    for (uint32_t key = 0; key < parameters->size(); key++) {
      double value = 0.0;
      if (!next(&value)) break;
      values->Set(key, tVariant::Float((float)value));
    }
  node->Play(-1);
}
}  // namespace

void VexaEngineInit(const char* dataFolder, HWND window) {
  Engine& e = State();
  Trace("[]VexaInit: data folder is <%s>, window handle 0x%08lx\n", dataFolder ? dataFolder : "",
        (unsigned long)(uintptr_t)window);
  if (e.started) return;
  cTarnSoundSystem* system = cTarnSoundSystem::Create();
  cPersist::Init(dataFolder);
  // An output system left without a device by an earlier try is made again.
  if (e.output && !e.output->Device()) {
    e.player.Reset();
    e.output.Reset();
  }
  if (!e.output) e.output.Reset(new cTarnDirectSoundSystem(window, system));
  if (e.output->Device() && !e.player) e.player.Reset(new cTarnDirectSoundPlayer(e.output.Get()));
  if (!e.player) return;
  system->UnloadAllProjects();
  LoadProjects(system);
  system->StartMasterBus();
  TarnMix::cTarnSoundSystem* mix = TarnMix::cTarnSoundSystem::Get();
  e.reader.Reset(new TarnMix::cWaveSourceReader(mix->Root(), TarnMix::OutputFormat()));
  e.player->SetSource(e.reader.Get(), e.reader.Get());
  e.player->Play();
  system->StartRenderer();
  e.started = true;
  Trace("[]VexaInit: dunn\n");
}

namespace {
// True when the name is the pause or resume command (handled), or the engine is not started.
bool OutputCommand(const char* name) {
  Engine& e = State();
  if (!e.started || !name) return true;
  Trace("[Events]<%s>\n", name);
  // Without the engine lock: the update list the player leaves and joins guards itself.
  if (std::strcmp(name, "Pause") == 0) {
    if (e.player) e.player->Stop();
    return true;
  }
  if (std::strcmp(name, "Unpause") == 0) {
    if (e.player) e.player->Play();
    return true;
  }
  return false;
}
}  // namespace

void VexaEngineEventV(const char* name, va_list values) {
  if (OutputCommand(name)) return;
  va_list copy;
  va_copy(copy, values);
  PlayNode(name, [&](double* v) {
    *v = va_arg(copy, double);
    return true;
  });
  va_end(copy);
}

void VexaEngineEvent(const char* name, const double* values, size_t count) {
  if (OutputCommand(name)) return;
  PlayEvent(name, values, count);
}

void PlayEvent(const char* name, const double* values, size_t count) {
  size_t at = 0;
  PlayNode(name, [&](double* v) {
    if (at >= count) return false;
    *v = values[at++];
    return true;
  });
}

void VexaEngineShutdown() {
  Engine& e = State();
  Trace("[]VexaShutdown\n");
  // The timer ends before the engine lock is taken: its tick takes that lock too.
  if (cTarnSoundSystem* system = cTarnSoundSystem::Get()) system->StopRenderer();
  {
    cAutoCriticalSection lock(EngineLock());
    if (e.player) e.player->Stop();
    e.player.Reset();
    e.reader.Reset();
    e.output.Reset();
    cTarnSoundSystem::Shutdown();
    e.started = false;
  }
  cPersist::Shutdown();
  cUnhasher::Clear();
  Trace("[]Shutdown: dunn\n");
}

bool VexaEngineStarted() { return State().started; }
cTarnDirectSoundSystem* VexaEngineOutput() { return State().started ? State().output.Get() : nullptr; }
cTarnDirectSoundPlayer* VexaEnginePlayer() { return State().started ? State().player.Get() : nullptr; }

}  // namespace Tarn
