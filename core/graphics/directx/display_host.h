// TDisplayHost: what the display handler needs of the platform object and the window manager,
// behind one interface. The default host forwards to TPlatform and the platform's window manager
// while they exist (and answers as if there were no platform otherwise); tests install their own.
#pragma once

#include <cstdint>

#include "core/base/rect.h"
#include "platform/win32/win32.h"

class TTask;

class TDisplayHost {
 public:
  virtual ~TDisplayHost() {}

  // --- The platform object (TPlatform / TPlatformImpl state). ---
  // False before the platform object exists: the display then does nothing.
  virtual bool HasPlatform() = 0;
  virtual HWND GetMainWindow() = 0;
  // The host window the program runs inside, or null.
  virtual HWND GetExternalParent() = 0;
  virtual bool IsMinimized() = 0;
  // The main window (or, embedded, an ancestor) is the foreground window.
  virtual bool IsWindowActive() = 0;
  // The application-activation state: active, and whether an activation message came at all.
  virtual bool IsAppActive() = 0;
  virtual bool HasSeenAppActivation() = 0;
  // Set while the main window lost activation in full screen.
  virtual bool IsFullScreenInactive() = 0;
  // Display scaling (embedded): on/off, the current scale and the saved one. Render targets set
  // the scale to 1.0 and put the saved value back.
  virtual bool IsDisplayScaling() = 0;
  virtual float GetDisplayScale() = 0;
  virtual void SetDisplayScale(float scale) = 0;
  virtual void RestoreDisplayScale() = 0;
  // Makes the event pump report one display reset (event 17).
  virtual void SetDisplayReset() = 0;
  virtual bool IsCursorShown() = 0;
  // "-pq=" on the command line; the Zylom portal.
  virtual bool IsPqMode() = 0;
  virtual bool IsZylomHost() = 0;
  // The game clock in ms (wrapping).
  virtual uint32_t GetTime() = 0;
  virtual void Sleep(uint32_t ms) = 0;
  // TPlatform::SetMouseCursor(no texture, 2, 2, false): the built-in cursor image.
  virtual void SetDefaultMouseCursor() = 0;
  // The platform object's own task list takes the task (and deletes it when it ends).
  virtual void AddOwnTask(TTask* task) = 0;
  // One pass of the platform's main task list.
  virtual void RunTasks(int code) = 0;
  virtual void PostQuit(int code) = 0;
  // Ends the program at once (tests record it instead).
  virtual void ExitProgram(int code) = 0;

  // --- The window manager (TWindowManager). ---
  virtual bool HasWindowManager() = 0;
  // A Flash movie plays: no presents and no software cursor.
  virtual bool IsMoviePlaying() = 0;
  virtual void Invalidate() = 0;
  // The root window's rectangle; false without one.
  virtual bool GetRootRect(TRect& rect) = 0;
  // A render target could not begin (the window drawn into it must draw again later).
  virtual void OnRenderTargetRefused() = 0;
};

// Null restores the default (the platform's). The host must outlive its installation.
void SetDisplayHost(TDisplayHost* host);
TDisplayHost& GetDisplayHost();
