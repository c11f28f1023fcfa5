// TPlatform: the one public platform object. It forwards to the Win32 implementation
// (TPlatformImpl): the event pump, time, cursor, clipboard, display mode, the owned managers and
// the task lists. Every other subsystem reaches it through TPlatform::GetInstance.
#pragma once

#include <cstdint>
#include <memory>

#include "core/base/str.h"
#include "platform/win32/win32.h"

class TAssetManager;
class TPlatformDisplay;
class TPlatformImpl;
class TPlatformRenderer;
class TPlatformSoundManager;
class TPlatformWindowManager;
class TStringTable;
class TTask;
class TTaskList;
class TTexture;

// What the pump returns: one event per call.
enum TPlatformEventType : int32_t {
  kEventIdle = 1,
  kEventOther = 2,
  kEventCloseRequest = 3,
  kEventQuit = 4,
  kEventLeftDown = 5,
  kEventButton = 6,  // other buttons and the wheel; param is the button index below
  kEventLeftUp = 7,
  kEventMouseMove = 8,
  kEventMouseLost = 9,
  kEventHover = 10,
  kEventKeyDown = 11,
  kEventKeyUp = 12,
  kEventChar = 13,
  kEventWideChar = 14,
  kEventPaint = 15,
  kEventDisplayReset = 17,
  kEventActivation = 18,
  kEventFullScreenToggle = 19,
};

// Button index of kEventButton.
enum TPlatformButton : int32_t {
  kButtonRightUp = 0,
  kButtonRightDown = 1,
  kButtonMiddleUp = 2,
  kButtonMiddleDown = 3,
  kButtonX1Down = 4,
  kButtonX2Down = 5,
  kButtonWheelUp = 6,
  kButtonWheelDown = 7,
};

// Modifier bits.
constexpr int32_t kModShift = 1;
constexpr int32_t kModCtrl = 2;
constexpr int32_t kModAlt = 4;
constexpr int32_t kModExtended = 8;

struct TPlatformEvent {
  int32_t type = 0;
  int32_t param = 0;  // key code, character, button index or flag
  int32_t x = 0;      // client coordinates, each a signed 16-bit value
  int32_t y = 0;
  int32_t modifiers = 0;
};

// The runner keeps the command line here for the whole run (IsPqMode and the switches read later).
void SetPlatformCommandLine(const char* commandLine);

class TPlatform {
 public:
  // Builds the object over its implementation (which it then owns) and registers it as the
  // singleton; see the runner for the order of the start-up steps it takes.
  explicit TPlatform(TPlatformImpl* impl);
  // Shut-down in order: window manager, tasks, sound, rasteriser, renderer, game state, string
  // table, assets, then the implementation (mouse thread, window).
  ~TPlatform();
  TPlatform(const TPlatform&) = delete;
  TPlatform& operator=(const TPlatform&) = delete;

  // Null before the constructor ran and after the destructor.
  static TPlatform* GetInstance();
  // The command line (as the runner keeps it) contains "-pq=": hosted mode.
  static bool IsPqMode();
  static const char* GetCommandLine();

  void GetEvent(TPlatformEvent* event);
  // Game time in ms: timeGetTime plus the clock offset, less the time spent waiting for a host.
  uint32_t GetTime();
  void SetClockOffset(int32_t offset) { mClockOffset = offset; }
  void Sleep(uint32_t ms);
  void PostQuit(int code);
  void SetWindowTitle(TStr title);
  bool IsWindowActive();
  bool SetFullScreen(bool fullScreen);
  bool IsFullScreen();
  intptr_t OpenUrl(TStr url);
  bool SetClipboardText(TStr text);
  TStr GetClipboardText();
  void ShowMouseCursor(bool shown);
  void SetMouseCursor(std::shared_ptr<TTexture> image, int hotX, int hotY, bool keep);
  // The stored cursor image and hot spot given to the display again (after a portal wait).
  void RestoreMouseCursor();
  int GetMouseMode();
  bool IsFrameDone();
  bool SetDisplayMode(int width, int height, bool fullScreen);
  void OnOutOfVideoMemory();

  TPlatformWindowManager* GetWindowManager();
  TAssetManager* GetAssetManager();
  TStringTable* GetStringTable();
  // Made on first request.
  TPlatformSoundManager* GetSoundManager();
  // Made on first request; the display handler hangs off it.
  TPlatformRenderer* GetRenderer();
  TPlatformDisplay* GetDisplay();

  void AddTask(TTask* task);
  bool RemoveTask(TTask* task);
  TTaskList* GetTaskList();
  void AddOwnTask(TTask* task);
  uint32_t Rand();

  HWND GetMainWindow();
  // The portal or embedding host window; null for a top-level program.
  HWND GetHostWindow();
  TPlatformImpl* GetImpl() { return mImpl; }

 private:
  TPlatformImpl* mImpl = nullptr;
  TTaskList* mOwnTasks = nullptr;
  int32_t mClockOffset = 0;
};
