// The seams through which the platform object reaches the modules above core/base: the display
// handler, the renderer, the window manager with its script, the sound manager and the vector
// shape rasteriser. Each module implements its interface and registers a factory; until one is
// registered the platform makes a do-nothing object, so start-up and shut-down work without it.
#pragma once

#include <functional>
#include <memory>

#include "core/base/str.h"

struct lua_State;
class TTexture;
struct TPlatformEvent;

// The display handler as the platform layer uses it (the renderer owns it).
class TPlatformDisplay {
 public:
  virtual ~TPlatformDisplay() {}
  virtual bool IsDisplayReady() { return true; }
  virtual bool IsDeviceValid() { return true; }
  virtual bool Restore() { return true; }
  virtual void ResetWorkingCount() {}
  virtual bool IsFullScreen() { return false; }
  virtual bool ResetDisplay(bool fullScreen) { return false; }
  virtual bool SetDisplay(int width, int height, bool fullScreen, int, int, bool hasHostWindow) { return true; }
  virtual void TestRenderTarget() {}
  virtual bool IsFrameDone() { return true; }
  virtual void OnOutOfVideoMemory() {}
  virtual void UpdateDesktopMode() {}
  // The "vsync" setting: wait for the vertical blank before each windowed present.
  virtual void SetVSync(bool on) {}
  virtual void GetViewport(int& left, int& top, int& right, int& bottom) { left = top = right = bottom = 0; }
  virtual void GetScreenOrigin(int& x, int& y) { x = y = 0; }
  // Cursor: the software cursor drawn over the frame.
  virtual bool ApplySystemCursor() { return false; }
  virtual void RefreshMouseCursor() {}
  // Moves the cursor to a client point ((-1, -1): redraw where it is); answers its position,
  // (-1, -1) while no cursor image is set up.
  virtual void MoveMouseCursor(int& x, int& y) { x = y = -1; }
  virtual void GetMousePosition(int& x, int& y) { x = y = 0; }
  virtual void HideMouseCursor() {}
  virtual void ShowMouseCursor(bool shown) {}
  virtual void SetMouseCursor(std::shared_ptr<TTexture> image, int hotX, int hotY, bool keep) {}
};

// The render facade as the platform layer uses it.
class TPlatformRenderer {
 public:
  virtual ~TPlatformRenderer() {}
  // Null while no display handler exists.
  virtual TPlatformDisplay* GetDisplay() { return nullptr; }
  virtual void GetViewport(int& left, int& top, int& right, int& bottom) { left = top = 0, right = 800, bottom = 600; }
  virtual void ToggleDebugOverlay() {}
  // The first display mode clears the root window's rectangle to transparent black.
  virtual void ClearRect(int left, int top, int right, int bottom) {}
};

// The window manager as the platform layer and the runner use it.
class TPlatformWindowManager {
 public:
  virtual ~TPlatformWindowManager() {}
  // Installs a new window script; its state then exists (see GetScriptState).
  virtual void InitScript() {}
  virtual lua_State* GetScriptState() { return nullptr; }
  virtual void SetTranslateLabels(bool translate) {}
  virtual bool IsModalInput() { return false; }
  virtual bool IsInputBlocked() { return false; }
  virtual void Invalidate() {}
  virtual void AbortMovie() {}
  virtual void GetRootRect(int& left, int& top, int& right, int& bottom) { left = top = right = bottom = 0; }
  // Every event of the game's loop ends here (drawing on idle, input to the windows).
  virtual void HandleEvent(const TPlatformEvent& event) {}
};

// The framework sound manager as the platform layer and the portal handler use it.
class TPlatformSoundManager {
 public:
  virtual ~TPlatformSoundManager() {}
  virtual void Start() {}
  virtual void Update() {}
  virtual void SetActive(bool active) {}
  // group -1: the master volume.
  virtual float GetVolume(int group) { return mMaster; }
  virtual void SetMasterVolume(float volume) { mMaster = volume; }

 private:
  float mMaster = 1.0f;
};

// The vector shape rasteriser, made by the first display mode.
class TPlatformShapeRasteriser {
 public:
  virtual ~TPlatformShapeRasteriser() {}
  virtual void CalibrateOffset() {}
};

// Factories the modules register (an empty one restores the do-nothing object). The window
// manager is made first, the renderer when the display is first needed.
void SetWindowManagerFactory(std::function<TPlatformWindowManager*()> factory);
void SetRendererFactory(std::function<TPlatformRenderer*()> factory);
void SetSoundManagerFactory(std::function<TPlatformSoundManager*()> factory);
void SetShapeRasteriserFactory(std::function<TPlatformShapeRasteriser*()> factory);
TPlatformWindowManager* MakeWindowManager();
TPlatformRenderer* MakeRenderer();
TPlatformSoundManager* MakeSoundManager();
TPlatformShapeRasteriser* MakeShapeRasteriser();

// Start-up hooks of the modules that own asset kinds: each registers its asset loaders when the
// platform object is built (after the file map exists).
void AddAssetLoaderRegistration(void (*registration)());
void RegisterPlatformAssetLoaders();

// Shut-down hooks of the modules that keep program-wide state for the platform's lifetime (the
// font registry): the platform's destructor runs them after the shape rasteriser is gone.
void AddPlatformShutdownHook(void (*hook)());
void RunPlatformShutdownHooks();

