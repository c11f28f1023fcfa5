// The Win32 platform implementation: construction (folders, identity, single instance, mouse
// thread), the main window and its procedure, and the event pump.
//
// The pump returns exactly one event per call. Flags set by the window procedure (activation,
// close, paint, mouse leave, display reset) are reported first, in a fixed order, on later
// calls; only then is one message taken from the queue and turned into an event. With nothing
// waiting the pump runs the idle work and sleeps in MsgWaitForMultipleObjects for up to 1 ms,
// so an idle loop neither spins nor lags a message by more than that.
#include "core/base/win32/platform_impl.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/base/asset_manager.h"
#include "core/base/crt_rand.h"
#include "core/base/file.h"
#include "core/base/game_state.h"
#include "core/base/log.h"
#include "core/base/msn_zylom_handler.h"
#include "core/base/platform_services.h"
#include "core/base/random.h"
#include "core/base/string_table.h"
#include "core/base/task_list.h"

namespace {

HWND gHostMessageTarget = nullptr;      // main thread
bool gDeactivatedByMinimising = false;  // main thread

TPlatformImpl* ImplOf(HWND window) {
  auto* platform = (TPlatform*)GetWindowLongPtrA(window, 0);
  return platform ? platform->GetImpl() : nullptr;
}

// The special keys that are negative on key down.
int32_t SpecialKey(uint32_t vk) {
  switch (vk) {
    case VK_UP: return -128;
    case VK_DOWN: return -127;
    case VK_LEFT: return -126;
    case VK_RIGHT: return -125;
    case VK_INSERT: return -124;
    case VK_PRIOR: return -123;
    case VK_NEXT: return -122;
    case VK_DELETE: return -1;
    default: return 0;
  }
}

// The other translated keys: the numeric pad and the punctuation keys of a US layout.
int32_t CharacterKey(uint32_t vk) {
  if (vk >= 96 && vk <= 105) return (int32_t)(vk - 96 + '0');
  switch (vk) {
    case 106: return 42;
    case 107: case 187: return 43;
    case 108: return 10;
    case 109: case 189: return 45;
    case 110: case 190: return 46;
    case 111: case 191: return 47;
    case 186: return 59;
    case 188: return 44;
    case 192: return 96;
    case 219: return 91;
    case 220: return 92;
    case 221: return 93;
    case 222: return 39;
    default: return 0;
  }
}

int32_t MouseModifiers(WPARAM keys) {
  return ((keys & MK_SHIFT) ? kModShift : 0) | ((keys & MK_CONTROL) ? kModCtrl : 0);
}

int32_t KeyboardModifiers(LPARAM lParam) {
  int32_t m = 0;
  if (GetKeyState(VK_SHIFT) < 0) m |= kModShift;
  if (GetKeyState(VK_CONTROL) < 0) m |= kModCtrl;
  if (lParam & (1 << 24)) m |= kModExtended;
  return m;
}

void Fill(TPlatformEvent* e, int32_t type, int32_t param = 0, int32_t x = 0, int32_t y = 0, int32_t mods = 0) {
  e->type = type;
  e->param = param;
  e->x = x;
  e->y = y;
  e->modifiers = mods;
}

int16_t LowSigned(LPARAM l) { return (int16_t)(l & 0xFFFF); }
int16_t HighSigned(LPARAM l) { return (int16_t)((l >> 16) & 0xFFFF); }

// The program path's short form, lower-cased, without separators and colons: the name the
// single-instance mutex and the window class are made from.
TStr BaseName(const TStr& programPath) {
  std::string base;
  for (char c : std::string(ShortPathName(programPath).c_str())) {
    if (c == '\\' || c == ':' || c == '/') continue;
    base += (char)tolower((unsigned char)c);
  }
  return TStr(base.c_str());
}

TStr FolderOf(const TStr& path) {
  int slash = path.Find('/', TStr::kBackward);
  int back = path.Find('\\', TStr::kBackward);
  int at = slash > back ? slash : back;
  return at >= 0 ? path.SubStr(0, at + 1) : TStr();
}

TStr TrimTrailingSeparator(TStr folder) {
  int n = folder.Length();
  if (n > 1 && (folder[n - 1] == '\\' || folder[n - 1] == '/')) folder = folder.SubStr(0, n - 1);
  return folder;
}

}  // namespace

HWND GetHostMessageTarget() { return gHostMessageTarget; }

TStr ShortPathName(const TStr& path) {
  char shortPath[MAX_PATH];
  DWORD n = GetShortPathNameA(path.c_str(), shortPath, sizeof shortPath);
  return n > 0 && n < sizeof shortPath ? TStr(shortPath, (int)n) : path;
}

int32_t TranslateKeyDown(uint32_t vk) {
  if (vk < 33 || vk > 222) return (int32_t)vk;
  if (int32_t special = SpecialKey(vk)) return special;
  if (int32_t c = CharacterKey(vk)) return c;
  return (int32_t)vk;
}

int32_t TranslateKeyUp(uint32_t vk) {
  int32_t down = TranslateKeyDown(vk);
  return SpecialKey(vk) ? (int32_t)(uint16_t)down : down;
}

TPlatformImpl* TPlatformImpl::Create(HINSTANCE, HINSTANCE, char* commandLine, int, bool allowMultiple) {
  OrvellaSrand(StartupCrtSeed(timeGetTime()));
  return new TPlatformImpl(commandLine, allowMultiple);
}

TPlatformImpl::TPlatformImpl(char* commandLine, bool allowMultiple) {
  mTaskList = new TTaskList;
  mUtf8Mode = GetSettingBool(SettingKey(kSettingUtf8Mode));
  timeBeginPeriod(1);
  mScreenWidth = GetSystemMetrics(0);
  mScreenHeight = GetSystemMetrics(1);
  mWindowManager = MakeWindowManager();
  mAssetManager = new TAssetManager;
  mStringTable = new TStringTable;

  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  mProgramPath = TStr(path, n < sizeof path ? (int)n : 0);
  mProgramFolder = FolderOf(mProgramPath);
  char current[MAX_PATH];
  n = GetCurrentDirectoryA(sizeof current, current);
  mStartFolder = TStr(current, n < sizeof current ? (int)n : 0);
  SetCurrentDirectoryA(mProgramFolder.c_str());

  TStr base = BaseName(mProgramPath);
  mMutexName = base + TStr("_MUTEX");
  mClassName = base + TStr("_WNDCLASS");
  if (!allowMultiple) CheckSingleInstance();

  mAssetsFolder = mProgramFolder + TStr("assets/");
  mStartTime = timeGetTime();
  mUserFolder = mCommonFolder = mDesktopFolder = mProgramFolder;
  ReadVersionBlock();
  StartMouseThread();
}

void TPlatformImpl::CheckSingleInstance() {
  SetLastError(0);
  mMutex = CreateMutexA(nullptr, TRUE, mMutexName.c_str());
  if (GetLastError() != ERROR_ALREADY_EXISTS) return;
  if (HWND first = FindWindowA(mClassName.c_str(), nullptr)) {
    SetForegroundWindow(first);
    ShowWindow(first, SW_SHOWNORMAL);
  }
  ExitProcess(0);
}

void TPlatformImpl::ReadVersionBlock() {
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(mProgramPath.c_str(), &handle);
  TStr product;
  if (size) {
    std::vector<char> block(size);
    if (GetFileVersionInfoA(mProgramPath.c_str(), handle, size, block.data())) {
      VS_FIXEDFILEINFO* fixed = nullptr;
      UINT length = 0;
      if (VerQueryValueA(block.data(), "\\", (LPVOID*)&fixed, &length) && fixed) {
        mVersion = TStr::Format("%d.%d.%d.%d", (int)HIWORD(fixed->dwFileVersionMS), (int)LOWORD(fixed->dwFileVersionMS),
                                (int)HIWORD(fixed->dwFileVersionLS), (int)LOWORD(fixed->dwFileVersionLS));
      }
      char* text = nullptr;
      if (VerQueryValueA(block.data(), "\\StringFileInfo\\040904b0\\ProductName", (LPVOID*)&text, &length) && text) {
        while (*text == ' ') text++;
        product = TStr(text);
      }
      if (VerQueryValueA(block.data(), "\\StringFileInfo\\040904b0\\InternalName", (LPVOID*)&text, &length) && text)
        mInternalName = TStr(text);
    }
  }
  mAppName = GetSetting(SettingKey(kSettingGameName), product.IsEmpty() ? TStr("Orvella Application") : product);
}

void TPlatformImpl::StartMouseThread() {
  mMouseThreadStop = false;
  mMouseThreadWake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  mMouseThread = CreateThread(nullptr, 0, MouseThreadMain, this, 0, nullptr);
  if (mMouseThread) SetThreadPriority(mMouseThread, THREAD_PRIORITY_TIME_CRITICAL);
}

// Keeps the software cursor drawn at the mouse while the main thread is busy: often while a
// cursor image is up, rarely otherwise.
DWORD WINAPI TPlatformImpl::MouseThreadMain(LPVOID param) {
  auto* self = (TPlatformImpl*)param;
  while (!self->mMouseThreadStop.load()) {
    int x = -1, y = -1;
    TPlatformWindowManager* wm = self->mWindowManager;
    TPlatformRenderer* renderer = self->mRendererShared.load();
    TPlatformDisplay* display = renderer ? renderer->GetDisplay() : nullptr;
    if (display && wm && !wm->IsModalInput() && display->IsDisplayReady()) display->MoveMouseCursor(x, y);
    // The stop event cuts the sleep short at shut-down.
    WaitForSingleObject(self->mMouseThreadWake, x != -1 ? 16 : 250);
  }
  return 0;
}

void TPlatformImpl::StopMouseThread() {
  if (!mMouseThread) return;
  mMouseThreadStop = true;
  SetEvent(mMouseThreadWake);
  DWORD code = STILL_ACTIVE;
  while (GetExitCodeThread(mMouseThread, &code) && code == STILL_ACTIVE) WaitForSingleObject(mMouseThread, 10);
  CloseHandle(mMouseThread);
  mMouseThread = nullptr;
}

TPlatformImpl::~TPlatformImpl() { Shutdown(); }

void TPlatformImpl::Shutdown() {
  if (mShutDown) return;
  mShutDown = true;
  timeEndPeriod(1);
  mCursorImage.reset();
  StopMouseThread();
  if (mMouseThreadWake) CloseHandle(mMouseThreadWake);
  mMouseThreadWake = nullptr;
  if (mMutex) CloseHandle(mMutex);
  mMutex = nullptr;
  if (mMainWindow && mMainWindow != mHostWindow) {
    SetWindowLongPtrA(mMainWindow, 0, 0);
    DestroyWindow(mMainWindow);
  }
  mMainWindow = nullptr;
  gHostMessageTarget = nullptr;
  delete mTaskList;
  mTaskList = nullptr;
}

void TPlatformImpl::SetUpDataFolders() {
  if (!mEmbedded || TPlatform::IsPqMode()) {
    char folder[MAX_PATH];
    if (GetFolderPath(CSIDL_APPDATA, folder, mAppName.c_str(), sizeof folder)) mUserFolder = TStr(folder);
    mCommonFolder = GetFolderPath(0x23, folder, mAppName.c_str(), sizeof folder) ? TStr(folder) : mUserFolder;
    mDesktopFolder = GetFolderPath(0, folder, mAppName.c_str(), sizeof folder) ? TStr(folder) : mUserFolder;
    mUserFolder = TrimTrailingSeparator(mUserFolder);
    mCommonFolder = TrimTrailingSeparator(mCommonFolder);
  }
}

void TPlatformImpl::ApplyWorkingFolder() {
  const char* wd = strstr(TPlatform::GetCommandLine(), "-wd=");
  if (wd) {
    const char* start = wd + 4;
    bool quoted = *start == '"';
    if (quoted) start++;
    TStr folder(start, (int)strcspn(start, quoted ? "\"" : " "));
    LogPrintf("Switching current directory to: %s", folder.c_str());
    SetCurrentDirectoryA(folder.c_str());
  }
}

bool TPlatformImpl::CreateMainWindow() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = WindowProc;
  wc.cbWndExtra = sizeof(void*);
  wc.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(99));
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = mClassName.c_str();
  RegisterClassA(&wc);  // the stand-in keeps UTF-8 names alike for both forms

  if (mEmbedded && mHostWindow && !IsWindow(mHostWindow)) {
    LogError("Error: mExternalWindowParent is lost, exiting!");
    ExitProcess((UINT)-1);
  }
  bool child = mEmbedded && mHostWindow;
  mMainWindow = CreateWindowExA(child ? 0 : WS_EX_APPWINDOW, mClassName.c_str(), "Kestrune",
                                child ? 0x50000000 : 0xCE0000, 0, 0, 480, 360, child ? mHostWindow : nullptr, nullptr,
                                nullptr, nullptr);
  if (!mMainWindow) return false;
  gHostMessageTarget = child ? GetParent(mMainWindow) : nullptr;
  SetWindowLongPtrA(mMainWindow, 0, (LONG_PTR)TPlatform::GetInstance());
  SetSetting(kSettingHwnd, TStr::Format("%d", (int)(intptr_t)mMainWindow));
  SetWindowPos(mMainWindow, nullptr, 0, 0, 480, 360, SWP_NOZORDER | SWP_NOMOVE);
  ShowWindow(mMainWindow, SW_SHOWNORMAL);
  if (HMENU menu = GetSystemMenu(mMainWindow, FALSE)) {
    RemoveMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
    RemoveMenu(menu, SC_SIZE, MF_BYCOMMAND);
  }
  SetActiveWindow(mMainWindow);
  return true;
}

TPlatformRenderer* TPlatformImpl::GetRenderer() {
  if (!mRenderer) {
    mRenderer = MakeRenderer();
    mRendererShared = mRenderer;
    // The settings file is read before the renderer exists: its "vsync" reaches the display here.
    if (TPlatformDisplay* display = mRenderer->GetDisplay()) display->SetVSync(mVSync);
  }
  return mRenderer;
}

void TPlatformImpl::SetVSync(bool on) {
  mVSync = on;
  if (TPlatformDisplay* display = GetDisplay()) display->SetVSync(on);
}

TPlatformDisplay* TPlatformImpl::GetDisplay() { return mRenderer ? mRenderer->GetDisplay() : nullptr; }

void TPlatformImpl::DestroyRenderer() {
  mRendererShared = nullptr;
  delete mRenderer;
  mRenderer = nullptr;
}

TPlatformSoundManager* TPlatformImpl::GetSoundManager() {
  if (!mSoundManager) mSoundManager = MakeSoundManager();
  return mSoundManager;
}

void TPlatformImpl::DeleteSoundManager() {
  delete mSoundManager;
  mSoundManager = nullptr;
}

bool TPlatformImpl::GetViewportScale(float& x, float& y) const {
  x = mViewportScaleX;
  y = mViewportScaleY;
  return mEmbedded || x != 1.0f || y != 1.0f;
}

void TPlatformImpl::DeleteShapeRasteriser() {
  delete mShapeRasteriser;
  mShapeRasteriser = nullptr;
}

void TPlatformImpl::DeleteWindowManager() {
  delete mWindowManager;
  mWindowManager = nullptr;
}

void TPlatformImpl::DeleteStringTable() {
  delete mStringTable;
  mStringTable = nullptr;
}

void TPlatformImpl::DeleteAssetManager() {
  delete mAssetManager;
  mAssetManager = nullptr;
}

bool TPlatformImpl::IsDisplayReady() {
  TPlatformDisplay* display = GetDisplay();
  return !display || display->IsDisplayReady();
}

// ---- The event pump ----

void TPlatformImpl::StartDisplayRestore() {
  if (TPlatformDisplay* display = GetDisplay()) display->Restore();
}

void TPlatformImpl::GetEvent(TPlatformEvent* event) {
  Fill(event, kEventOther);
  bool hostWatched = IsZylomHost() || TPlatform::IsPqMode();
  auto hostGone = [&] { return hostWatched && mHostWindow && !IsWindow(mHostWindow); };
  if (hostGone()) return Fill(event, kEventQuit);

  TGameState* store = TGameState::GetInstance();
  if (mFirstCall) {
    mFirstCall = false;
    if (store) {
      store->SetState("loadbroadcast", "1");
      ::Sleep(500);
      store->SetState("sessionready", "1");
    }
  }

  // The host holds the game: only messages move until it lets go.
  while (store && store->IsBusy()) {
    if (hostGone()) return Fill(event, kEventQuit);
    ::Sleep(1);
    MSG msg;
    if (!TakeMessage(&msg)) continue;
    if (msg.message == WM_QUIT) return Fill(event, kEventQuit);
    Dispatch(msg);
  }

  TPlatformDisplay* display = GetDisplay();
  if (mActivationPending) {
    mActivationPending = false;
    if (!mActive && display) display->ResetWorkingCount();
    return Fill(event, kEventActivation, mActive ? 1 : 0);
  }
  if (!IsDisplayReady()) {
    MSG msg;
    if (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) return Fill(event, kEventQuit);
  }
  bool lost = display && !display->IsDeviceValid();
  if (mActive && !mMinimised && lost) {
    StartDisplayRestore();
    return Fill(event, kEventOther);
  }
  if (mDisplayResetPending) {
    mDisplayResetPending = false;
    return Fill(event, kEventDisplayReset);
  }
  if (mPaintPending) {
    mPaintPending = false;
    if (lost && !mMinimised) StartDisplayRestore();
    return Fill(event, kEventPaint);
  }
  if (mSecondActivationPending) {
    mSecondActivationPending = false;
    return Fill(event, kEventActivation, mSecondActivationValue ? 1 : 0);
  }
  if (mClosePending) {
    mClosePending = false;
    if (mWindowManager) mWindowManager->AbortMovie();
    return Fill(event, kEventCloseRequest);
  }
  if (mMouseLeavePending) {
    mMouseLeavePending = false;
    int x = 0, y = 0;
    if (display) display->GetMousePosition(x, y);
    return Fill(event, kEventMouseLost, 0, (int16_t)x, (int16_t)y);
  }
  if (mCaptureLostPending) {
    mCaptureLostPending = false;
    return Fill(event, kEventMouseLost);
  }

  MSG msg;
  if (!TakeMessage(&msg)) {
    if (display && display->IsFullScreen() && mActive && !mActivationPending) IdleDisplayCheck();
    if (mSoundManager) mSoundManager->Update();
    if (mTaskList) mTaskList->RunTasks(0);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    return Fill(event, kEventIdle);
  }
  if (msg.message == WM_QUIT) return Fill(event, kEventQuit);

  bool handledPaint = TranslateMessageToEvent(msg, event);
  bool rightButton = msg.message == WM_RBUTTONDOWN || msg.message == WM_RBUTTONUP;
  // Embedded, the host would open its own menu on our right clicks.
  if (handledPaint || (mEmbedded && rightButton && msg.hwnd == mMainWindow)) return;
  Dispatch(msg);
}

// The queue is read and dispatched wide in UTF-8 mode, so that characters arrive whole.
bool TPlatformImpl::TakeMessage(MSG* msg) {
  return mUtf8Mode ? PeekMessageW(msg, nullptr, 0, 0, PM_REMOVE) : PeekMessageA(msg, nullptr, 0, 0, PM_REMOVE);
}

void TPlatformImpl::Dispatch(const MSG& msg) {
  TranslateMessage(&msg);
  if (mUtf8Mode)
    DispatchMessageW(&msg);
  else
    DispatchMessageA(&msg);
}

bool TPlatformImpl::FilterPress(UINT message) {
  if (mWindowManager && mWindowManager->IsInputBlocked()) return false;
  bool release = message == WM_LBUTTONUP || message == WM_RBUTTONUP || message == WM_MBUTTONUP ||
                 message == WM_XBUTTONUP;
  if (mPressFilter && !(mWindowManager && mWindowManager->IsModalInput())) {
    uint32_t now = TPlatform::GetInstance() ? TPlatform::GetInstance()->GetTime() : timeGetTime();
    if ((int32_t)(now - mPressFilterTime) < 400) return false;
    if (release) mPressFilter = false;
  }
  if (release) {
    if (GetCapture() == mMainWindow) ReleaseCapture();
  } else {
    if (mEmbedded) SetFocus(mMainWindow);
    SetCapture(mMainWindow);
  }
  return true;
}

void TPlatformImpl::ArmMouseTracking() {
  if (!mHoverArmed) {
    TRACKMOUSEEVENT t{sizeof t, TME_HOVER, mMainWindow, HOVER_DEFAULT};
    TrackMouseEvent(&t);
    mHoverArmed = true;
  }
  if (!mLeaveArmed) {
    TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, mMainWindow, 0};
    TrackMouseEvent(&t);
    mLeaveArmed = true;
  }
}

void TPlatformImpl::PutCursorAtClientPoint(int x, int y) {
  int ox = 0, oy = 0;
  if (TPlatformDisplay* display = GetDisplay()) display->GetScreenOrigin(ox, oy);
  SetCursorPos(ox + (int)(x * mViewportScaleX), oy + (int)(y * mViewportScaleX));
}

void TPlatformImpl::ReturnRelativeCursor() {
  int x = 0, y = 0;
  if (TPlatformDisplay* display = GetDisplay()) display->GetMousePosition(x, y);
  int dx = x - mMouseCenter.x, dy = y - mMouseCenter.y;
  if (dx == 0 && dy == 0) return;
  POINT p;
  GetCursorPos(&p);
  SetCursorPos(p.x - (int)(dx * mViewportScaleX), p.y - (int)(dy * mViewportScaleX));
}

// Turns one message into the call's event; true when the message needs no dispatch.
bool TPlatformImpl::TranslateMessageToEvent(const MSG& msg, TPlatformEvent* e) {
  int32_t x = LowSigned(msg.lParam), y = HighSigned(msg.lParam);
  switch (msg.message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_XBUTTONDOWN:
    case WM_XBUTTONUP:
    case WM_MOUSEWHEEL: {
      if (!FilterPress(msg.message)) return false;
      int32_t mods = MouseModifiers(LOWORD(msg.wParam));
      switch (msg.message) {
        case WM_LBUTTONDOWN: Fill(e, kEventLeftDown, 0, x, y, mods); break;
        case WM_LBUTTONUP: Fill(e, kEventLeftUp, 0, x, y); break;
        case WM_RBUTTONDOWN: Fill(e, kEventButton, kButtonRightDown, x, y, mods); break;
        case WM_RBUTTONUP: Fill(e, kEventButton, kButtonRightUp, x, y); break;
        case WM_MBUTTONDOWN: Fill(e, kEventButton, kButtonMiddleDown, x, y, mods); break;
        case WM_MBUTTONUP: Fill(e, kEventButton, kButtonMiddleUp, x, y); break;
        case WM_XBUTTONDOWN: {
          WORD which = GET_XBUTTON_WPARAM(msg.wParam);
          if (which == XBUTTON1) Fill(e, kEventButton, kButtonX1Down, x, y, mods);
          if (which == XBUTTON2) Fill(e, kEventButton, kButtonX2Down, x, y, mods);
          break;
        }
        case WM_MOUSEWHEEL: {
          // The wheel message carries a screen position; the event's is in client coordinates.
          POINT p{x, y};
          ScreenToClient(mMainWindow, &p);
          int16_t delta = (int16_t)HIWORD(msg.wParam);
          Fill(e, kEventButton, delta >= 1 ? kButtonWheelUp : kButtonWheelDown, (int16_t)p.x, (int16_t)p.y, mods);
          break;
        }
        default: break;  // X button up: no event of its own
      }
      return false;
    }
    case WM_MOUSEMOVE: {
      if (mMouseMode == 1) {
        int32_t dx = x - mMouseCenter.x, dy = y - mMouseCenter.y;
        PutCursorAtClientPoint(mMouseCenter.x, mMouseCenter.y);
        if (dx != 0 || dy != 0) Fill(e, kEventMouseMove, 0, dx, dy);
      } else {
        Fill(e, kEventMouseMove, 0, x, y);
      }
      ArmMouseTracking();
      return false;
    }
    case WM_MOUSEHOVER: {
      mHoverArmed = false;
      ArmMouseTracking();
      Fill(e, kEventHover, 0, x, y);
      return false;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(msg.hwnd, &ps);
      EndPaint(msg.hwnd, &ps);
      mHoverArmed = false;
      Fill(e, kEventPaint);
      return true;
    }
    case WM_CAPTURECHANGED:
      if (msg.lParam && (HWND)msg.lParam != mMainWindow) Fill(e, kEventMouseLost);
      return false;
    case WM_SYSKEYDOWN:
      if (msg.lParam & (1 << 29)) {
        if (msg.wParam == VK_RETURN) {
          if (mEmbedded && !TPlatform::IsPqMode()) return false;
          SetFullScreen(!IsFullScreen());
          Fill(e, kEventFullScreenToggle, IsFullScreen() ? 1 : 0);
          return false;
        }
        if (msg.wParam == VK_F1) {
          GetRenderer()->ToggleDebugOverlay();
          return false;
        }
        Fill(e, kEventKeyDown, TranslateKeyDown((uint32_t)msg.wParam), 0, 0, KeyboardModifiers(msg.lParam) | kModAlt);
        return false;
      }
      [[fallthrough]];
    case WM_KEYDOWN: {
      int32_t mods = KeyboardModifiers(msg.lParam);
      if (msg.wParam == VK_INSERT && (mods & (kModShift | kModCtrl)) != kModShift) return false;
      Fill(e, kEventKeyDown, TranslateKeyDown((uint32_t)msg.wParam), 0, 0, mods);
      return false;
    }
    case WM_KEYUP:
      Fill(e, kEventKeyUp, TranslateKeyUp((uint32_t)msg.wParam));
      return false;
    case WM_CHAR: {
      uint32_t c = (uint32_t)msg.wParam;
      if (!mUtf8Mode) {
        Fill(e, kEventChar, (int32_t)c, 0, 0, KeyboardModifiers(0) & (kModShift | kModCtrl));
        return false;
      }
      if (c >= 0xD800 && c <= 0xDBFF) {
        mHighSurrogate = c;
        return false;
      }
      if (c >= 0xDC00 && c <= 0xDFFF) {
        if (!mHighSurrogate) return false;
        c = mHighSurrogate * 1024 + c - 56613888;
        mHighSurrogate = 0;
      }
      Fill(e, kEventWideChar, (int32_t)c);
      return false;
    }
    default: return false;
  }
}

// ---- Activation and window-position tracking ----

void TPlatformImpl::SetActiveState(bool active) {
  if (active == mActive) return;
  if (mSoundManager) mSoundManager->SetActive(active);
  mActivationPending = !mActivationPending;
  mActive = active;
}

void TPlatformImpl::ApplicationActivation(bool active) {
  mAppActivationSeen = true;
  if (active == mSecondActivationValue) return;
  SetActiveState(active);
  mSecondActivationValue = active;
  mSecondActivationPending = true;
  if (mSoundManager) mSoundManager->SetActive(active);
  if (!active && IsFullScreen()) mMinimised = true;
  if (active) mMinimised = false;
}

void TPlatformImpl::TrackMinimise(const WINDOWPOS* pos) {
  if (pos->cx != 0 && pos->cy != 0 && pos->x >= -10000 && pos->y >= -10000) {
    mMinimised = false;
    if (gDeactivatedByMinimising) {
      ApplicationActivation(true);
      gDeactivatedByMinimising = false;
    }
  } else {
    mMinimised = true;
    ApplicationActivation(false);
    gDeactivatedByMinimising = true;
  }
}

void TPlatformImpl::LockSize(WINDOWPOS* pos) {
  if (TPlatform::IsPqMode() || mEmbedded) return;
  if (pos->flags & SWP_NOSIZE) return;
  if (IsFullScreen()) return;
  if (mHostWindow && !mActiveXTest) return;
  OSVERSIONINFOA v{};
  v.dwOSVersionInfoSize = sizeof v;
  GetVersionExA(&v);
  if (v.dwMajorVersion < 5 || (v.dwMajorVersion == 5 && v.dwMinorVersion < 1)) return;
  int left, top, right, bottom;
  GetRenderer()->GetViewport(left, top, right, bottom);
  pos->cx = (right - left) + 2 * GetSystemMetrics(SM_CXFRAME);
  pos->cy = (bottom - top) + 2 * GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION);
}

void TPlatformImpl::IdleDisplayCheck() {
  if (mMinimised) {
    TPlatform::GetInstance()->Sleep(50);
    return;
  }
  if (!(GetWindowLongA(mMainWindow, GWL_EXSTYLE) & WS_EX_TOPMOST)) LogPrintf("Window does NOT have topmost style");
  if (GetForegroundWindow() != mMainWindow && !SetForegroundWindow(mMainWindow))
    LogError("Error using BringWindowToTop: %x", (unsigned)GetLastError());
  SetActiveWindow(mMainWindow);
  RECT r;
  GetWindowRect(mMainWindow, &r);
  if (r.left != 0 || r.top != 0) ShowWindow(mMainWindow, SW_SHOWNORMAL);
  HWND first = GetWindow(mMainWindow, GW_HWNDFIRST);
  if (first && first != mMainWindow && IsWindowVisible(first)) {
    int left = 0, top = 0, right = 0, bottom = 0;
    if (TPlatformDisplay* display = GetDisplay()) display->GetViewport(left, top, right, bottom);
    if (!SetWindowPos(mMainWindow, HWND_TOP, 0, 0, right - left, bottom - top, SWP_NOCOPYBITS | SWP_DEFERERASE))
      LogError("Error using BringWindowToTop: %x", (unsigned)GetLastError());
  }
}

// ---- The window procedure ----

LRESULT TPlatformImpl::Default(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return mUtf8Mode ? DefWindowProcW(window, message, wParam, lParam) : DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK TPlatformImpl::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TPlatformImpl* self = ImplOf(window);
  if (!self) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    if (message == WM_CLOSE || message == WM_ERASEBKGND || message == WM_TIMER) return message == WM_ERASEBKGND;
    return DefWindowProcA(window, message, wParam, lParam);
  }
  return self->HandleMessage(window, message, wParam, lParam);
}

LRESULT TPlatformImpl::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY: PostQuitMessage(0); return 0;
    case WM_SIZE:
      if (wParam == SIZE_MINIMIZED) SetActiveState(false);
      if (wParam == SIZE_RESTORED || wParam == SIZE_MAXIMIZED || wParam == SIZE_MAXSHOW) SetActiveState(true);
      break;
    case WM_PAINT:
      if (mWindowManager) {
        mWindowManager->Invalidate();
        mPaintPending = true;
      }
      break;
    case WM_CLOSE: mClosePending = true; return 0;
    case WM_ERASEBKGND: return 1;
    case WM_ACTIVATEAPP: ApplicationActivation(wParam == 1); break;
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT) {
        TPlatformDisplay* display = GetDisplay();
        if (display && display->ApplySystemCursor()) return 1;
      }
      break;
    case WM_MOUSEACTIVATE:
      if (!mEmbedded) {
        mPressFilter = true;
        mPressFilterTime = TPlatform::GetInstance()->GetTime();
      }
      break;
    case WM_WINDOWPOSCHANGING: LockSize((WINDOWPOS*)lParam); break;
    case WM_WINDOWPOSCHANGED: TrackMinimise((const WINDOWPOS*)lParam); break;
    case WM_DISPLAYCHANGE:
      if (!mActive)
        if (TPlatformDisplay* display = GetDisplay()) display->UpdateDesktopMode();
      break;
    case WM_NCHITTEST: {
      LRESULT hit = DefWindowProcA(window, message, wParam, lParam);
      if (hit == HTSIZE || (hit >= 9 && hit <= 18)) hit = HTNOWHERE;
      return hit;
    }
    case WM_TIMER: return 0;
    case WM_INITMENUPOPUP: {
      MENUITEMINFOA info{};
      info.cbSize = sizeof info;
      info.fMask = MIIM_STATE;
      info.fState = MFS_DISABLED;
      SetMenuItemInfoA((HMENU)wParam, SC_SIZE, FALSE, &info);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (TPlatformDisplay* display = GetDisplay()) {
        display->RefreshMouseCursor();
        int x = LowSigned(lParam), y = HighSigned(lParam);
        display->MoveMouseCursor(x, y);
        lParam = MAKELPARAM(x, y);
      }
      break;
    case WM_MOUSELEAVE:
      if (mMouseMode == 1) {
        ReturnRelativeCursor();
      } else {
        if (TPlatformDisplay* display = GetDisplay()) display->HideMouseCursor();
        mMouseLeavePending = true;
      }
      mHoverArmed = mLeaveArmed = false;
      return 0;
    case WM_CAPTURECHANGED:
      // Sent, not posted: the pump learns of it through this flag. Our own release names no
      // window and is no loss.
      if (lParam && (HWND)lParam != window) mCaptureLostPending = true;
      break;
    case WM_USER:
      if (TGameState* store = TGameState::GetInstance()) store->SetState("windowmessage", TStr::Format("%d", (int)wParam));
      return 1;
    case WM_USER + 2:
      if (gHostMessageTarget) SendMessageA(gHostMessageTarget, message, wParam, lParam);
      return 1;
    case WM_USER + 100: return 1;
    default: break;
  }
  return Default(window, message, wParam, lParam);
}

// ---- Facade operations ----

bool TPlatformImpl::IsWindowActive() {
  HWND fg = GetForegroundWindow();
  if (!TPlatform::IsPqMode()) return fg == mMainWindow;
  for (HWND w = mMainWindow; w; w = GetParent(w))
    if (w == fg) return true;
  return false;
}

// Hosted ("-pq="), full screen is the host's to give: the request goes to it and is recorded.
void TPlatformImpl::AskHostFullScreen(bool fullScreen) {
  mHostFullScreen = fullScreen;
  if (gHostMessageTarget) SendMessageA(gHostMessageTarget, WM_USER, fullScreen ? 1 : 0, 0);
}

bool TPlatformImpl::SetFullScreen(bool fullScreen) {
  if (TPlatform::IsPqMode()) {
    AskHostFullScreen(fullScreen);
    if (TPlatformDisplay* display = GetDisplay()) display->ResetDisplay(false);
    return true;
  }
  TPlatformDisplay* display = GetDisplay();
  return display ? display->ResetDisplay(fullScreen) : false;
}

bool TPlatformImpl::IsFullScreen() {
  if (TPlatform::IsPqMode()) return mHostFullScreen;
  TPlatformDisplay* display = GetDisplay();
  return display && display->IsFullScreen();
}

intptr_t TPlatformImpl::OpenUrl(TStr url) {
  if (TPlatform::IsPqMode() && mHostFullScreen && mHostWindow) {
    HWND top = mHostWindow;
    while (HWND parent = GetParent(top)) top = parent;
    ShowWindow(top, SW_MINIMIZE);
  }
  if (!mEmbedded) return (intptr_t)ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  const char* host = strstr(TPlatform::GetCommandLine(), "-host=");
  if (host) {
    char program[260] = {0};
    sscanf(host + 6, "%259s", program);
    return (intptr_t)ShellExecuteA(nullptr, "open", program, url.c_str(), nullptr, SW_SHOWNORMAL);
  }
  return (intptr_t)ShellExecuteA(nullptr, "open", "iexplore.exe", url.c_str(), nullptr, SW_SHOWNORMAL);
}

bool TPlatformImpl::SetClipboardText(TStr text) {
  if (!OpenClipboard(mMainWindow)) return false;
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (size_t)text.Length() + 1);
  if (!block) {
    CloseClipboard();
    return false;
  }
  memcpy(GlobalLock(block), text.c_str(), (size_t)text.Length() + 1);
  GlobalUnlock(block);
  SetClipboardData(CF_TEXT, block);
  CloseClipboard();
  return true;
}

TStr TPlatformImpl::GetClipboardText() {
  if (!IsClipboardFormatAvailable(CF_TEXT) || !OpenClipboard(mMainWindow)) return TStr();
  TStr result;
  if (mUtf8Mode && IsClipboardFormatAvailable(CF_UNICODETEXT)) {
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
      const WCHAR* wide = (const WCHAR*)GlobalLock(data);
      if (wide) {
        int units = 0;
        while (wide[units]) units++;
        std::vector<char> out((size_t)units * 4 + 1);
        int n = WideCharToMultiByte(CP_UTF8, 0, wide, units, out.data(), (int)out.size() - 1, nullptr, nullptr);
        result = TStr(out.data(), n > 0 ? n : 0);
      }
      GlobalUnlock(data);
    }
  } else if (HANDLE data = GetClipboardData(CF_TEXT)) {
    const char* text = (const char*)GlobalLock(data);
    if (text) result = TStr(text);
    GlobalUnlock(data);
  }
  CloseClipboard();
  return result;
}

void TPlatformImpl::ShowMouseCursor(bool shown) {
  if (shown == mCursorShown) return;
  mCursorShown = shown;
  if (TPlatformDisplay* display = GetDisplay()) display->ShowMouseCursor(shown);
}

void TPlatformImpl::SetMouseCursor(std::shared_ptr<TTexture> image, int hotX, int hotY, bool keep) {
  if (!keep) {
    mCursorImage = image;
    mCursorHotX = hotX;
    mCursorHotY = hotY;
  }
  if (!mCursorShown) return;
  // No image: the display draws its built-in arrow.
  if (TPlatformDisplay* display = GetDisplay()) display->SetMouseCursor(image, hotX, hotY, keep);
  if (mMainWindow) SetClassLongPtrA(mMainWindow, GCL_HCURSOR, 0);
}

void TPlatformImpl::RestoreMouseCursor() { SetMouseCursor(mCursorImage, mCursorHotX, mCursorHotY, false); }

bool TPlatformImpl::SetDisplayMode(int width, int height, bool fullScreen) {
  if (TPlatform::IsPqMode()) {
    AskHostFullScreen(fullScreen);
    fullScreen = false;
  }
  mViewportScaleX = 1.0f;
  if (mEmbedded && mHostWindow) {
    fullScreen = false;
    RECT r;
    GetClientRect(mHostWindow, &r);
    mViewportScaleX = mViewportScaleY = width > 0 ? (float)(r.right - r.left) / (float)width : 1.0f;
  }
  TPlatformRenderer* renderer = GetRenderer();
  TPlatformDisplay* display = renderer->GetDisplay();
  bool ok = display ? display->SetDisplay(width, height, fullScreen, 0, 0, mHostWindow != nullptr) : true;
  if (!mDisplayModeSet) {
    mDisplayModeSet = true;
    mShapeRasteriser = MakeShapeRasteriser();
    mShapeRasteriser->CalibrateOffset();
    int left, top, right, bottom;
    if (mWindowManager) {
      mWindowManager->GetRootRect(left, top, right, bottom);
      renderer->ClearRect(left, top, right, bottom);
    }
  }
  if (display) display->TestRenderTarget();
  SetTimer(mMainWindow, 0, 250, nullptr);
  return ok;
}

void TPlatformImpl::SetWindowTitle(TStr title) {
  if (mUtf8Mode) {
    int n = MultiByteToWideChar(CP_UTF8, 0, title.c_str(), -1, nullptr, 0);
    std::vector<WCHAR> wide((size_t)(n > 0 ? n : 1));
    MultiByteToWideChar(CP_UTF8, 0, title.c_str(), -1, wide.data(), n);
    SetWindowTextW(mMainWindow, wide.data());
  } else {
    SetWindowTextA(mMainWindow, title.c_str());
  }
}
