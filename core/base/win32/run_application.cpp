// The runner: the start-up steps in their fixed order, the game's callback, the shut-down.
#include "core/base/win32/run_application.h"

#include <cstdio>
#include <cstring>

#include "core/base/dll_game_state.h"
#include "core/base/file.h"
#include "core/base/game_state.h"
#include "core/base/log.h"
#include "core/base/msn_zylom_handler.h"
#include "core/base/platform_services.h"
#include "core/base/settings.h"
#include "core/base/win32/platform_impl.h"

namespace {

typedef HWND (*TTestHookFn)(char** commandLine);

bool IsInside(const TStr& path, const TStr& folder) {
  if (folder.IsEmpty()) return false;
  std::string base = folder.c_str();
  if (base.back() != '/') base += '/';
  return strncmp(path.c_str(), base.c_str(), base.size()) == 0;
}

// Modules run native code with the player's rights, so only files installed with the program
// qualify: never the data folders (any program of the user can write there), nor members of
// packs or memory files, which are not loose files of the program's folders.
bool IsInstalledModule(const TStr& key, const TStr& resolved, const TStr& programFolder) {
  if (key.Find(TStr(":")) >= 0) return false;  // "user:", "common:", "desktop:"
  if (resolved.IsEmpty() || resolved[0] == '@' || resolved[0] == '&') return false;
  TStr full = GetFullPath(resolved.c_str());
  TStr assets = GetFullPath("assets");
  return IsInside(full, GetFullPath(programFolder.c_str())) || IsInside(full, assets);
}

}  // namespace

void LoadPluginModules(const TStr& programFolder) {
  std::vector<TStr> paths;
  for (auto& [path, resolved] : GetFileMap()) {
    if (path.Find(TStr(".ksmod")) < 0) continue;
    if (IsInstalledModule(path, resolved, programFolder))
      paths.push_back(path);
    else
      LogError("Plug-in module %s refused: not installed with the program", path.c_str());
  }
  for (const TStr& path : paths) {
    auto* module = new TDllGameState;
    if (module->Load(path))
      TGameState::Create()->AddHandler(module);
    else
      delete module;
  }
}

HWND LoadTestHarness(char** commandLine) {
  HMODULE harness = LoadLibraryA("ksHarness.dll");
  if (!harness) return nullptr;
  auto hook = (TTestHookFn)GetProcAddress(harness, "TestHook");
  return hook ? hook(commandLine) : nullptr;
}

void ApplyOptionPairs(const char* text) {
  const char* rest = text;
  while (*rest && *rest != ' ') {
    const char* equals = strchr(rest, '=');
    if (!equals) break;
    TStr name(rest, (int)(equals - rest));
    const char* value = equals + 1;
    size_t length = strcspn(value, "& ");
    SetSetting(name, TStr(value, (int)length));
    rest = value + length;
    if (*rest) rest++;  // past the separator
  }
}

TStr CheatCode(const char* commandLine) {
  const char* at = strstr(commandLine, "--cheat");
  if (!at) return TStr();
  at += 7;
  if (!*at) return TStr();  // no separator: no code
  at++;
  return TStr(at, (int)strcspn(at, " "));
}

int RunApplication(HINSTANCE instance, HINSTANCE previous, char* commandLine, int show, TGameMainFn main,
                   bool allowMultiple) {
  static char empty[] = "";
  if (!commandLine) commandLine = empty;
  HWND harnessWindow = LoadTestHarness(&commandLine);
  SetPlatformCommandLine(commandLine);

  bool hasWnd = strstr(commandLine, "-wnd=") != nullptr;
  bool hasCheat = strstr(commandLine, "--cheat") != nullptr;
  if (hasWnd || strstr(commandLine, "--multiple")) allowMultiple = true;

  TPlatformImpl* impl = TPlatformImpl::Create(instance, previous, commandLine, show, allowMultiple);

  if (hasWnd) {
    unsigned handle = 0;
    sscanf(strstr(commandLine, "-wnd=") + 5, "%x", &handle);
    impl->mEmbedded = true;
    SetSetting(kSettingActiveX, "1");
    HWND host = (HWND)(uintptr_t)handle;
    if (!handle || !IsWindow(host)) ExitProcess((UINT)-1);
    impl->mHostWindow = host;
  }
  if (strstr(commandLine, "-msn")) EnableMsnHost();
  if (strstr(commandLine, "-zylom")) EnableZylomHost();
  bool axTest = strstr(commandLine, "--axtest") != nullptr;
  if (axTest) impl->mEmbedded = impl->mActiveXTest = true;

  impl->SetUpDataFolders();
  // The log opens before the working folder changes, so that the change reaches it.
  if (!impl->mEmbedded || TPlatform::IsPqMode())
    SetLogPath(impl->mUserFolder.c_str());
  else
    SetLogPath(nullptr);
  impl->ApplyWorkingFolder();

  auto* platform = new TPlatform(impl);
  impl->CreateMainWindow();
  if (axTest) {
    impl->mHostWindow = impl->mMainWindow;
    SetSetting(kSettingActiveX, "1");
  }
  platform->GetSoundManager()->Start();
  platform->GetRenderer();

  SetSetting(SettingKey(kSettingInstallKey), ShortPathName(impl->mProgramPath));
  SetSetting(kSettingStartupDir, impl->mStartFolder);
  if (hasCheat) SetSetting(SettingKey(kSettingCheatCode), CheatCode(commandLine));
  if (const char* options = strstr(commandLine, "options=")) ApplyOptionPairs(options + 8);
  if (TPlatform::IsPqMode()) EnableMsnHost();
  LoadPluginModules(impl->mProgramFolder);

  TGameState* store = TGameState::GetInstance();
  store->SetState("cmdline", commandLine);
  store->SetState("commondatadir", impl->mCommonFolder);
  store->SetState("userdatadir", impl->mUserFolder);

  if (main) main(platform, commandLine);

  PostMessageA(harnessWindow, WM_QUIT, 0, 0);
  delete platform;
  return 0;
}
