// TPlatformImpl: the Win32 side of the platform object. It owns the main window and turns its
// message queue into one stream of TPlatformEvent records, keeps the program's folders and
// identity, owns the window manager, asset manager, string table and main task list, and runs
// the mouse thread that keeps the software cursor moving while the main thread is busy.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "core/base/mersenne_twister.h"
#include "core/base/platform.h"
#include "core/base/settings.h"
#include "core/base/str.h"
#include "platform/win32/win32.h"

class TAssetManager;
class TPlatformDisplay;
class TPlatformRenderer;
class TPlatformShapeRasteriser;
class TPlatformSoundManager;
class TPlatformWindowManager;
class TStringTable;
class TTaskList;
class TTexture;

// Key codes of the framework: the eight special keys are negative on key down and the same
// values cut to 16 bits on key up; the numeric pad and the punctuation keys give characters.
int32_t TranslateKeyDown(uint32_t virtualKey);
int32_t TranslateKeyUp(uint32_t virtualKey);

class TPlatformImpl : public TPlatformSettingTarget {
 public:
  // Seeds the C library generator, then constructs. A second instance (unless allowed) ends
  // the process with exit code 0 after bringing the first one forward.
  static TPlatformImpl* Create(HINSTANCE instance, HINSTANCE previous, char* commandLine, int show,
                               bool allowMultiple);
  ~TPlatformImpl() override;
  TPlatformImpl(const TPlatformImpl&) = delete;
  TPlatformImpl& operator=(const TPlatformImpl&) = delete;

  // The main window: top-level, or a child of the host window when embedded.
  bool CreateMainWindow();
  void GetEvent(TPlatformEvent* event);
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // Resolves the user, common and desktop folders (unless embedded without "-pq=").
  void SetUpDataFolders();
  // "-wd=": changes the working folder (quoted: up to the closing quote; else to a blank).
  void ApplyWorkingFolder();
  // Tears down what the destructor of TPlatform leaves to the implementation, in order.
  void Shutdown();
  // Stops the mouse thread and waits for it (before anything it reads goes away).
  void StopMouseThread();

  // TPlatformSettingTarget
  // Kept, and handed to the display handler now and whenever a renderer brings a new one.
  void SetVSync(bool on) override;
  void SetViewportScale(float scale) override { mViewportScaleX = mViewportScaleY = scale; }
  // The display scales the program's pixels (embedded in a host, or a scale set): true with the
  // factors, so drawing that works in device pixels (text) can follow.
  bool GetViewportScale(float& x, float& y) const;

  bool IsDisplayReady();
  // Pump state the display handler reads and sets while it sets the display up.
  bool IsMinimised() const { return mMinimised; }
  bool IsAppActive() const { return mSecondActivationValue; }
  bool HasSeenAppActivation() const { return mAppActivationSeen; }
  bool IsCursorShown() const { return mCursorShown; }
  void SetDisplayResetPending() { mDisplayResetPending = true; }
  TPlatformDisplay* GetDisplay();
  TPlatformRenderer* GetRenderer();
  void DestroyRenderer();
  TPlatformSoundManager* GetSoundManager();
  void DeleteSoundManager();
  void DeleteShapeRasteriser();
  void DeleteWindowManager();
  void DeleteStringTable();
  void DeleteAssetManager();

  // Facade operations that need the implementation's state.
  bool IsWindowActive();
  bool SetFullScreen(bool fullScreen);
  bool IsFullScreen();
  intptr_t OpenUrl(TStr url);
  bool SetClipboardText(TStr text);
  TStr GetClipboardText();
  void ShowMouseCursor(bool shown);
  void SetMouseCursor(std::shared_ptr<TTexture> image, int hotX, int hotY, bool keep);
  void RestoreMouseCursor();
  bool SetDisplayMode(int width, int height, bool fullScreen);
  void SetWindowTitle(TStr title);

  // State the runner sets and reads.
  bool mEmbedded = false;
  bool mActiveXTest = false;
  HWND mHostWindow = nullptr;
  HWND mMainWindow = nullptr;
  TStr mProgramPath, mProgramFolder, mAssetsFolder, mStartFolder;
  TStr mUserFolder, mCommonFolder, mDesktopFolder;
  TStr mAppName, mInternalName, mVersion;
  TStr mMutexName, mClassName;
  HANDLE mMutex = nullptr;
  int mScreenWidth = 0, mScreenHeight = 0;
  uint32_t mStartTime = 0;
  bool mUtf8Mode = false;
  bool mVSync = false;
  int mMouseMode = 0;  // 0 absolute, 1 relative
  POINT mMouseCenter{0, 0};
  // The mouse thread reads the scale (through the display's cursor) and the minimised flag.
  std::atomic<float> mViewportScaleX{1.0f}, mViewportScaleY{1.0f};

  TPlatformWindowManager* mWindowManager = nullptr;
  TAssetManager* mAssetManager = nullptr;
  TStringTable* mStringTable = nullptr;
  TTaskList* mTaskList = nullptr;
  TMersenneTwister mRandom;

 private:
  TPlatformImpl(char* commandLine, bool allowMultiple);
  void CheckSingleInstance();
  void ReadVersionBlock();
  void StartMouseThread();
  static DWORD WINAPI MouseThreadMain(LPVOID self);

  // Pump pieces.
  bool TakeMessage(MSG* msg);
  void Dispatch(const MSG& msg);
  bool TranslateMessageToEvent(const MSG& msg, TPlatformEvent* event);
  bool FilterPress(UINT message);
  void SetActiveState(bool active);
  void ApplicationActivation(bool active);
  void TrackMinimise(const WINDOWPOS* pos);
  void LockSize(WINDOWPOS* pos);
  void IdleDisplayCheck();
  void PutCursorAtClientPoint(int x, int y);
  void ReturnRelativeCursor();
  void ArmMouseTracking();
  void StartDisplayRestore();
  void AskHostFullScreen(bool fullScreen);
  LRESULT Default(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // Pump state (main thread).
  bool mActive = false;
  bool mActivationPending = false;
  bool mClosePending = false;
  bool mSecondActivationPending = false;
  bool mSecondActivationValue = false;
  bool mAppActivationSeen = false;
  bool mDisplayResetPending = false;
  bool mPaintPending = false;
  std::atomic<bool> mMinimised{false};
  bool mMouseLeavePending = false;
  bool mHoverArmed = false;
  bool mLeaveArmed = false;
  bool mPressFilter = false;
  uint32_t mPressFilterTime = 0;
  uint32_t mHighSurrogate = 0;
  bool mFirstCall = true;
  bool mCursorShown = true;
  std::shared_ptr<TTexture> mCursorImage;
  int mCursorHotX = 0, mCursorHotY = 0;
  bool mDisplayModeSet = false;
  bool mCaptureLostPending = false;
  bool mHostFullScreen = false;  // the state last asked of the host ("-pq=")
  bool mShutDown = false;

  TPlatformRenderer* mRenderer = nullptr;
  TPlatformSoundManager* mSoundManager = nullptr;
  TPlatformShapeRasteriser* mShapeRasteriser = nullptr;

  // The mouse thread reads the renderer through this copy; it is stopped before the window
  // manager or the renderer goes.
  std::atomic<TPlatformRenderer*> mRendererShared{nullptr};
  HANDLE mMouseThread = nullptr;
  HANDLE mMouseThreadWake = nullptr;
  std::atomic<bool> mMouseThreadStop{false};
};

// The host-message target: the main window's parent when embedded, else null.
HWND GetHostMessageTarget();
// The path's short form; the path itself when it has none.
TStr ShortPathName(const TStr& path);
