// The sound bridge's start, stop, event routing, volumes and pauses.
#include "game/shell/sound_bridge.h"

#include <cstdint>
#include <algorithm>
#include <memory>

#include "audio_engine/api/vexa_api.h"
#include "core/base/asset_map.h"
#include "core/base/file.h"
#include "core/base/log.h"
#include "core/base/settings.h"
#include "core/graphics/sound/sound.h"
#include "core/graphics/sound/sound_manager.h"
#include "core/script/lua.h"
#include "core/script/lua_bindings.h"
#include "core/windows/window_manager.h"
#include "game/shell/test_seams.h"
#include "game/shell/user_manager.h"

namespace {

// The framework's sound groups: effects (buttons, typing, the bridge's own sounds), music, and
// sounds without a group.
constexpr int kEffectsGroup = 1000;
constexpr int kMusicGroup = 1001;
constexpr int kUngrouped = 0;

bool gGamePaused = false;  // a pause screen has paused the sound; main thread only
bool gInactive = false;    // paused because the application is inactive; main thread only

TSoundEngineCalls gEngine = {&VexaInit, &VexaEvent, &VexaShutdown};  // main thread only

// The framework sounds the bridge has played, by event name; kept for the whole run so a
// repeated event does not load its file again.
TAssetMap& BridgeSounds() {
  static TAssetMap sounds;
  return sounds;
}

lua_State* WindowScriptState() {
  TWindowManager* manager = TWindowManager::Get();
  return manager ? manager->GetScriptState() : nullptr;
}

TSoundManager* FrameworkSound() { return TSoundManager::GetInstance(); }

// A level the engine and the mixer can take: NaN counts as silence.
float Level(float level) { return level >= 0.0f ? std::min(level, 1.0f) : 0.0f; }

// With the setting "verbosedebug" every event the engine is sent is logged, values to the
// thousandth.
bool LogsEvents() { return GetSettingBool(SettingKey(kSettingVerboseDebug)); }

void EngineEvent(const char* name) {
  NoteSoundCoverage(name);
  if (LogsEvents()) LogPrintf("Sound event %s", name);
  gEngine.event(name);
}

void EngineEvent(const char* name, float value) {
  NoteSoundCoverage(name);
  if (LogsEvents()) LogPrintf("Sound event %s %.3f", name, (double)value);
  gEngine.event(name, (double)value);
}

void PlayFrameworkSound(TStr key, TStr file) {
  NoteSoundCoverage(key.c_str());
  TAssetMap& sounds = BridgeSounds();
  // Asked only when held: a look-up of an absent name logs a missing asset.
  std::shared_ptr<TSound> sound = sounds.HasAsset(key) ? sounds.GetSound(key) : nullptr;
  if (!sound) {
    sound = TSound::Get(file, 1, kEffectsGroup);
    if (!sound) return;  // TSound::Get has logged it
    sounds.AddAsset(key, sound, false);
  }
  sound->Play(false);
}

}  // namespace

TSoundEngineCalls SetSoundEngineCalls(const TSoundEngineCalls& calls) {
  TSoundEngineCalls previous = gEngine;
  gEngine.init = calls.init ? calls.init : &VexaInit;
  gEngine.event = calls.event ? calls.event : &VexaEvent;
  gEngine.shutdown = calls.shutdown ? calls.shutdown : &VexaShutdown;
  return previous;
}

void SoundInit() {
  TStr folder = GetWorkingDirectory() + TStr("/assets/vexa");
  // The platform stores the main window's handle as a decimal number.
  void* window = (void*)(intptr_t)GetSetting(kSettingHwnd, TStr()).ToInt();
  gEngine.init(folder.c_str(), window);
  if (lua_State* L = WindowScriptState()) RegisterLuaFunction(L, "SoundEvent", &SoundEvent);
}

void SoundShutdown() {
  if (lua_State* L = WindowScriptState()) {
    lua_pushstring(L, "SoundEvent");
    lua_pushnil(L);
    lua_settable(L, LUA_GLOBALSINDEX);
  }
  gEngine.shutdown();
}

void SoundEvent(TStr name) {
  if (name == TStr("ui_click")) {
    PlayFrameworkSound(name, "vexa/ui_click.ogg");
  } else if (name.Find(TStr("firework")) == 0) {
    PlayFrameworkSound(name, TStr("sfx/") + name + TStr(".ogg"));
  } else {
    EngineEvent(name.c_str());
  }
}

void SetMusicVolume(float level) {
  level = Level(level);
  if (TSoundManager* sounds = FrameworkSound()) sounds->SetGroupVolume(kMusicGroup, level);
  EngineEvent("Music Volume", level);
}

void SetSfxVolume(float level) {
  level = Level(level);
  if (TSoundManager* sounds = FrameworkSound()) {
    sounds->SetGroupVolume(kEffectsGroup, level);
    sounds->SetGroupVolume(kUngrouped, level);
  }
  EngineEvent("Sfx Volume", level);
}

void SetEnvironmentsVolume(float level) { EngineEvent("Environments Volume", Level(level)); }

void SetSoundOff(bool off) {
  if (off) {
    if (TSoundManager* sounds = FrameworkSound()) sounds->SetMasterVolume(0.0f);
    EngineEvent("Music Volume", 0.0f);
    EngineEvent("Sfx Volume", 0.0f);
    EngineEvent("Environments Volume", 0.0f);
    return;
  }
  if (TSoundManager* sounds = FrameworkSound()) sounds->SetMasterVolume(1.0f);
  UserManager::ApplyVolumes();
}

void PauseSounds() {
  if (gGamePaused) return;
  gGamePaused = true;
  SoundEvent("Pause");
}

void ResumeSounds() {
  if (!gGamePaused) return;
  gGamePaused = false;
  SoundEvent("Unpause");
}

void PauseSoundsInactive() {
  if (gGamePaused || gInactive) return;
  gInactive = true;
  SoundEvent("Pause");
}

void ResumeSoundsActive() {
  // Back while a pause screen is up: its own resume unpauses, and the next loss of the focus
  // must pause again.
  if (gGamePaused) gInactive = false;
  if (gGamePaused || !gInactive) return;
  gInactive = false;
  SoundEvent("Unpause");
}
