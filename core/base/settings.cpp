// The settings map, the cheat-mode gate and the platform listener's reactions.
#include "core/base/settings.h"

#include <atomic>
#include <cmath>
#include <map>
#include <mutex>

#include "core/base/cipher.h"
#include "core/base/log.h"
#include "core/base/xml_node.h"

const char* const gSettingKeys[kSettingKeyCount] = {
    "cheatcode",        "cheatmode",        "downloadurl",     "computerid",        "earlyview",
    "installkey",       "buildtag",         "gamename",        "publisher",         "version",
    "encryptionkey",    "hiscorelocal",     "hiscoreanon",     "flashmajorversion", "hittestchildren",
    "animatedparticles", "vsync",           "monitorfrequency", "textspriterender", "utf8mode",
    "automergemask",    "overlaymouse",     "verbosedebug",    "ksgamehandle",      "ksgamemodename",
    "ksgamemedalname",  "fpuprecision",
};

namespace {
// The map is meant for the main thread, but worker threads may read a setting in passing; the
// lock is never held while the gate or the listener runs, so they may use the store freely.
std::mutex gSettingsLock;
std::map<TStr, TStr> gSettings;  // guarded by gSettingsLock
std::atomic<bool> gLegacyLineWrap{false};
std::atomic<TSettingListener> gListener{nullptr};

void StoreDirect(const TStr& key, const TStr& value) {
  std::lock_guard<std::mutex> hold(gSettingsLock);
  gSettings[key] = value;
}

void RunCheatGate() {
  TStr code = GetSetting(SettingKey(kSettingCheatCode));
  TStr key = GetSetting(SettingKey(kSettingEncryptionKey));
  if (code.IsEmpty() || key.IsEmpty()) return;
  TStr deciphered;
  {
    TCipher cipher(key);
    deciphered = cipher.DecryptText(code);
  }
  // A code that deciphers to nothing must not match a missing machine identifier.
  bool open = !deciphered.IsEmpty() && deciphered == GetSetting(SettingKey(kSettingComputerId));
  StoreDirect(SettingKey(kSettingCheatMode), TStr(open ? "1" : "0"));
}
}  // namespace

void SetSetting(TStr key, TStr value) {
  StoreDirect(key, value);
  if (key == SettingKey(kSettingEncryptionKey) || key == SettingKey(kSettingCheatCode)) RunCheatGate();
  if (key == TStr(kSettingLegacyLineWrap)) gLegacyLineWrap = true;
  if (TSettingListener listener = gListener.load()) listener(key, value);
}

TStr GetSetting(TStr key, TStr def) {
  std::lock_guard<std::mutex> hold(gSettingsLock);
  auto it = gSettings.find(key);
  return it == gSettings.end() ? def : it->second;
}

int GetSettingInt(TStr key, int def) {
  std::lock_guard<std::mutex> hold(gSettingsLock);
  auto it = gSettings.find(key);
  return it == gSettings.end() ? def : it->second.ToInt();
}

bool GetSettingBool(TStr key) { return GetSetting(key).ToInt() != 0; }

int GetSettingClamped(TStr key, int def, int lo, int hi) {
  int v = GetSettingInt(key, def);
  if (v < lo) return lo;
  if (v > hi) return hi;
  return v;
}

void LoadSettingsFile(const char* path) {
  TXmlNode document;
  document.LoadFile(path);
  TXmlNode* settings = document.GetChild("settings");
  if (!settings) return;
  settings->ResetChildIterator();
  TStr name;
  TXmlNode* child = nullptr;
  while (settings->GetNextChild(name, child)) SetSetting(name, child->GetText());
}

void ClearSettingsForTest() {
  std::lock_guard<std::mutex> hold(gSettingsLock);
  gSettings.clear();
  gLegacyLineWrap = false;
}

bool IsLegacyLineWrap() { return gLegacyLineWrap; }

void SetSettingListener(TSettingListener listener) { gListener = listener; }

void ApplyPlatformSetting(TPlatformSettingTarget& target, const TStr& key, const TStr& value) {
  if (key == SettingKey(kSettingVSync)) {
    target.SetVSync(value.ToInt() != 0);
  } else if (key == TStr(kSettingMemoryMax)) {
    SetLogPath(TStr::Format("__MEMORYMAX__=%d", value.ToInt()).c_str());
  } else if (key == TStr(kSettingViewportScale)) {
    float scale = value.ToFloat();
    // The scale sizes the viewport: a zero, negative or non-finite one would collapse it.
    if (!std::isfinite(scale) || scale <= 0.0f) {
      LogError("Ignoring viewportscale \"%s\"", value.c_str());
      return;
    }
    target.SetViewportScale(scale);
  }
}
