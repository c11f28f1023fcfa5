// The platform object: its start-up steps, its shut-down order and the facade over the
// implementation.
#include "core/base/platform.h"

#include <cstring>

#include "core/base/asset_file_list.h"
#include "core/base/asset_manager.h"
#include "core/base/computer_id.h"
#include "core/base/file.h"
#include "core/base/game_state.h"
#include "core/base/log.h"
#include "core/base/msn_zylom_handler.h"
#include "core/base/platform_services.h"
#include "core/base/platform_time.h"
#include "core/base/random.h"
#include "core/base/settings.h"
#include "core/base/string_table.h"
#include "core/base/task_list.h"
#include "core/base/win32/platform_impl.h"

namespace {

TPlatform* gInstance = nullptr;           // main thread
const char* gCommandLine = "";            // main thread; the runner keeps the text alive

void PlatformSettingListener(const TStr& key, const TStr& value) {
  if (gInstance && gInstance->GetImpl()) ApplyPlatformSetting(*gInstance->GetImpl(), key, value);
}

uint32_t PlatformTime() { return gInstance ? gInstance->GetTime() : timeGetTime(); }

// The text after a switch up to the first blank.
TStr SwitchWord(const char* commandLine, const char* name) {
  const char* at = strstr(commandLine, name);
  if (!at) return TStr();
  at += strlen(name);
  return TStr(at, (int)strcspn(at, " "));
}

}  // namespace

void SetPlatformCommandLine(const char* commandLine) { gCommandLine = commandLine ? commandLine : ""; }

TPlatform* TPlatform::GetInstance() { return gInstance; }
bool TPlatform::IsPqMode() { return strstr(gCommandLine, "-pq=") != nullptr; }
const char* TPlatform::GetCommandLine() { return gCommandLine; }

TPlatform::TPlatform(TPlatformImpl* impl) {
  mOwnTasks = new TTaskList;
  gInstance = this;
  // Stored before any setting is written: the listener reaches the implementation through it.
  mImpl = impl;
  SetSettingListener(PlatformSettingListener);
  SetPlatformTimeSource(PlatformTime);

  SetSetting(kSettingMemoryMax, "100000000");
  SetSetting(kSettingTextureMemoryMax, "100000000");
  if (strstr(gCommandLine, "-url=")) SetSetting(SettingKey(kSettingDownloadUrl), SwitchWord(gCommandLine, "-url="));
  if (strstr(gCommandLine, "--stringtest")) SetSetting(kSettingStringTest, "1");
  SetSetting(kSettingUtf8ModeInit, GetSetting(SettingKey(kSettingUtf8Mode), TStr()));
  SeedFromCrtRand(mImpl->mRandom);

  TPlatformWindowManager* wm = mImpl->mWindowManager;
  wm->InitScript();
  // The store exists from here on (made now unless a portal switch made it already); the window
  // script binds its functions.
  TGameState::GetInstance();

  SetSetting(SettingKey(kSettingComputerId), MakeComputerId());
  LoadSettingsFile("::assets/settings.xml");
  SetDataFolders(mImpl->mUserFolder, mImpl->mCommonFolder, mImpl->mDesktopFolder);
  BuildFileMap();
  if (mImpl->mStringTable->LoadStartupTables()) wm->SetTranslateLabels(true);

  LogPrintf("%s, version %s.", mImpl->mAppName.c_str(), mImpl->mVersion.c_str());
  SetSetting(SettingKey(kSettingBuildTag), mImpl->mInternalName);
  SetSetting(SettingKey(kSettingGameName), mImpl->mAppName);
  SetSetting(SettingKey(kSettingVersion), mImpl->mVersion);
  RegisterPlatformAssetLoaders();
}

TPlatform::~TPlatform() {
  // The mouse thread reads the window manager and the display: it ends before either goes.
  mImpl->StopMouseThread();
  mImpl->DeleteWindowManager();
  if (mImpl->mTaskList) mImpl->mTaskList->KillAllTasks();
  mImpl->DeleteSoundManager();
  mImpl->DeleteShapeRasteriser();
  RunPlatformShutdownHooks();
  mImpl->DestroyRenderer();
  gInstance = nullptr;
  SetPlatformTimeSource(nullptr);
  TGameState::Destroy();
  mImpl->DeleteStringTable();
  mImpl->DeleteAssetManager();
  mImpl->Shutdown();
  delete mImpl;
  mImpl = nullptr;
  SetSettingListener(nullptr);
  ClearSettingsForTest();
  ClearFileMap();
  delete mOwnTasks;
  mOwnTasks = nullptr;
}

void TPlatform::GetEvent(TPlatformEvent* event) { mImpl->GetEvent(event); }

uint32_t TPlatform::GetTime() { return (uint32_t)timeGetTime() + (uint32_t)mClockOffset - GetHostWaitTime(); }

void TPlatform::Sleep(uint32_t ms) { ::Sleep(ms); }
void TPlatform::PostQuit(int code) { PostQuitMessage(code); }
void TPlatform::SetWindowTitle(TStr title) { mImpl->SetWindowTitle(title); }
bool TPlatform::IsWindowActive() { return mImpl->IsWindowActive(); }
bool TPlatform::SetFullScreen(bool fullScreen) { return mImpl->SetFullScreen(fullScreen); }
bool TPlatform::IsFullScreen() { return mImpl->IsFullScreen(); }
intptr_t TPlatform::OpenUrl(TStr url) { return mImpl->OpenUrl(url); }
bool TPlatform::SetClipboardText(TStr text) { return mImpl->SetClipboardText(text); }
TStr TPlatform::GetClipboardText() { return mImpl->GetClipboardText(); }
void TPlatform::ShowMouseCursor(bool shown) { mImpl->ShowMouseCursor(shown); }
void TPlatform::SetMouseCursor(std::shared_ptr<TTexture> image, int hotX, int hotY, bool keep) {
  mImpl->SetMouseCursor(image, hotX, hotY, keep);
}
void TPlatform::RestoreMouseCursor() { mImpl->RestoreMouseCursor(); }
int TPlatform::GetMouseMode() { return mImpl->mMouseMode; }

bool TPlatform::IsFrameDone() {
  TPlatformDisplay* display = mImpl->GetDisplay();
  return !display || display->IsFrameDone();
}

bool TPlatform::SetDisplayMode(int width, int height, bool fullScreen) {
  return mImpl->SetDisplayMode(width, height, fullScreen);
}

void TPlatform::OnOutOfVideoMemory() {
  if (TPlatformDisplay* display = mImpl->GetDisplay()) display->OnOutOfVideoMemory();
}

TPlatformWindowManager* TPlatform::GetWindowManager() { return mImpl->mWindowManager; }
TAssetManager* TPlatform::GetAssetManager() { return mImpl->mAssetManager; }
TStringTable* TPlatform::GetStringTable() { return mImpl->mStringTable; }
TPlatformSoundManager* TPlatform::GetSoundManager() { return mImpl->GetSoundManager(); }
TPlatformRenderer* TPlatform::GetRenderer() { return mImpl->GetRenderer(); }
TPlatformDisplay* TPlatform::GetDisplay() { return mImpl->GetDisplay(); }

void TPlatform::AddTask(TTask* task) { mImpl->mTaskList->AddTask(task); }
bool TPlatform::RemoveTask(TTask* task) { return mImpl->mTaskList->RemoveTask(task); }
TTaskList* TPlatform::GetTaskList() { return mImpl->mTaskList; }
void TPlatform::AddOwnTask(TTask* task) { mOwnTasks->AddTask(task); }
uint32_t TPlatform::Rand() { return mImpl->mRandom.genrand_int32(); }

HWND TPlatform::GetMainWindow() { return mImpl->mMainWindow; }
HWND TPlatform::GetHostWindow() { return mImpl->mHostWindow; }
