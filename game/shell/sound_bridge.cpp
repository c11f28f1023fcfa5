// The sound bridge's start, stop and event routing.
#include "game/shell/sound_bridge.h"

#include <cstdint>
#include <memory>

#include "audio_engine/api/vexa_api.h"
#include "core/base/asset_map.h"
#include "core/base/file.h"
#include "core/base/settings.h"
#include "core/graphics/sound/sound.h"
#include "core/script/lua.h"
#include "core/script/lua_bindings.h"
#include "core/windows/window_manager.h"

namespace {

// The framework's sound group of effects (buttons, typing, the bridge's own sounds).
constexpr int kEffectsGroup = 1000;

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

void PlayFrameworkSound(TStr key, TStr file) {
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
    gEngine.event(name.c_str());
  }
}
