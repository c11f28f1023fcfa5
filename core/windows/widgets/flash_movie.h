// TFlashMovie: a Flash movie played over the main window for intros and similar sequences. It
// hosts the Flash control in a child window of the main window through the control host
// library, optionally behind a window that blocks input, pushes translated texts into the movie
// as Flash variables, and while it plays stops the window manager's frames. On this platform
// the control host is missing, so Start answers false and scripts show their splash image.
#pragma once

#include <memory>
#include <vector>

#include "core/base/str.h"
#include "core/windows/widget_calls.h"
#include "core/windows/widgets/flash_control.h"
#include "platform/win32/win32.h"

class TFlashMovie : public TMoviePlayer {
 public:
  // The window class of the input blocker.
  static constexpr const char* kBlockerClass = "KestruneBlockerWindowClass";

  // Keeps the name; remembers whether the framework cursor is shown, to show it so again.
  explicit TFlashMovie(TStr name);
  // Stops the movie.
  ~TFlashMovie() override;
  TFlashMovie(const TFlashMovie&) = delete;
  TFlashMovie& operator=(const TFlashMovie&) = delete;

  // The window scripts' maker: a player that starts without looping.
  static TMoviePlayer* Make(TStr name, bool translate, bool allowInput);
  // The backend every later Start uses (null: the program's own); not owned.
  static void SetControlHost(TFlashControlHost* host);

  // False, leaving no window behind, when the display is broken, the control host or the control
  // is missing or too old, the file exists under neither name, or the control refuses the movie.
  bool Start(bool loop, bool translate, bool allowInput);
  // The script's translate and input choices, no loop.
  bool Start() override { return Start(false, mTranslate, mAllowInput); }
  // The control's "Playing" (false when it cannot be read).
  bool IsPlaying() override;
  // Takes the windows down, lets the frames run again, shows the cursor as it was.
  void Stop() override;

  const TStr& GetName() const { return mName; }
  HWND GetHostWindow() const { return mHostWindow; }
  HWND GetBlockerWindow() const { return mBlockerWindow; }

 private:
  bool SetUpMovie(bool loop, bool translate);
  // The control's window still exists; every call into the control checks it first.
  bool ControlAlive() const;
  bool Get(const char* name, TFlashValue& value);
  bool Put(const char* name, const TFlashValue& value);
  bool Call(const char* name, const std::vector<TFlashValue>& arguments, TFlashValue* result);
  void DestroyWindows();

  TStr mName;
  bool mTranslate = false;
  bool mAllowInput = false;
  HWND mHostWindow = nullptr;
  HWND mBlockerWindow = nullptr;
  std::unique_ptr<TFlashControl> mControl;
  bool mSavedCursorShown = true;
  bool mInputAllowed = false;
  bool mActive = false;  // between a successful Start and Stop
};
