// The settings store: one process-wide map of text settings, its key table and its reactions.
#pragma once

#include "core/base/str.h"

// The framework's own keys, in table order.
enum TSettingKey {
  kSettingCheatCode,
  kSettingCheatMode,
  kSettingDownloadUrl,
  kSettingComputerId,
  kSettingEarlyView,
  kSettingInstallKey,
  kSettingBuildTag,
  kSettingGameName,
  kSettingPublisher,
  kSettingVersion,
  kSettingEncryptionKey,
  kSettingHiscoreLocal,
  kSettingHiscoreAnon,
  kSettingFlashMajorVersion,
  kSettingHitTestChildren,
  kSettingAnimatedParticles,
  kSettingVSync,
  kSettingMonitorFrequency,
  kSettingTextSpriteRender,
  kSettingUtf8Mode,
  kSettingAutoMergeMask,
  kSettingOverlayMouse,
  kSettingVerboseDebug,
  kSettingKsGameHandle,
  kSettingKsGameModeName,
  kSettingKsGameMedalName,
  kSettingFpuPrecision,
  kSettingKeyCount
};
extern const char* const gSettingKeys[kSettingKeyCount];
inline TStr SettingKey(TSettingKey key) { return TStr(gSettingKeys[key]); }

// Further keys the framework writes itself.
inline constexpr const char* kSettingMemoryMax = "memorymax";
inline constexpr const char* kSettingTextureMemoryMax = "texturememorymax";
inline constexpr const char* kSettingUtf8ModeInit = "utf8modeinit";
inline constexpr const char* kSettingStringTest = "stringtest";
inline constexpr const char* kSettingLegacyLineWrap = "legacylinewrap";
inline constexpr const char* kSettingViewportScale = "viewportscale";
inline constexpr const char* kSettingStartupDir = "startupdir";
inline constexpr const char* kSettingActiveX = "activex";
inline constexpr const char* kSettingHwnd = "hwnd";
// Read by the framework only.
inline constexpr const char* kSettingHttpMaxBody = "httpmaxbody";
inline constexpr const char* kSettingHttpTimeLimit = "httptimelimit";
inline constexpr const char* kSettingScriptMemoryMb = "scriptmemorymb";

// Stores the value, runs the cheat gate for "cheatcode"/"encryptionkey", sets the legacy
// line-wrap flag for "legacylinewrap", then tells the listener (once the platform set one).
void SetSetting(TStr key, TStr value);
// The stored value (an empty one too), or def when the key is absent.
TStr GetSetting(TStr key, TStr def = TStr());

// Numbers and flags read from settings. A boolean is on when its integer value is non-zero.
int GetSettingInt(TStr key, int def);
bool GetSettingBool(TStr key);
// For numbers that size something: the value kept within [lo, hi], def when absent.
int GetSettingClamped(TStr key, int def, int lo, int hi);

// Reads an XML settings file (plain or compressed): every child element of "settings", in
// document order, becomes SetSetting(name, text). A missing file or element changes nothing.
void LoadSettingsFile(const char* path = "::assets/settings.xml");

// Empties the map and clears the flag: for tests, which need a fresh store.
void ClearSettingsForTest();

// Set once "legacylinewrap" has been written, whatever its value; never cleared.
bool IsLegacyLineWrap();

// The platform's setting listener: the platform installs it when it exists (null removes it).
typedef void (*TSettingListener)(const TStr& key, const TStr& value);
void SetSettingListener(TSettingListener listener);

// What the platform's listener changes; its implementation supplies the display side.
class TPlatformSettingTarget {
 public:
  virtual ~TPlatformSettingTarget() {}
  virtual void SetVSync(bool on) = 0;
  virtual void SetViewportScale(float scale) = 0;
};
// The listener's reactions: "vsync", "memorymax" (to the log's memory limit), "viewportscale".
void ApplyPlatformSetting(TPlatformSettingTarget& target, const TStr& key, const TStr& value);
