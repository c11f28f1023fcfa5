// TWindowHost: what the window toolkit needs of the platform object and of the renderer: the
// game clock and the facts frame pacing reads, the platform task list, quitting, the mouse
// mode, the string table, the clipboard, the browser, the framework sound, what a movie over
// the main window needs, and the few drawing calls of the window tree.
// The base class is a host without a display: frames begin and end without drawing, time is
// the platform time, and it owns a task list of its own. The program installs a host that goes
// to TPlatform and TRenderer; tests derive from this one to watch and steer it.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "core/base/color.h"
#include "core/base/rect.h"
#include "core/base/str.h"
#include "core/base/task_list.h"
#include "platform/win32/win32.h"

class TTextLayout;
class TTexture;
struct TDrawSpec;
struct TVertex;

// A sound of the framework sound manager (button clicks and rollovers).
class TWindowSound {
 public:
  virtual ~TWindowSound() {}
  // Starts a new instance of the sound and lets it play out.
  virtual void Play() = 0;
};

class TWindowHost {
 public:
  TWindowHost() {}
  virtual ~TWindowHost() {}
  TWindowHost(const TWindowHost&) = delete;
  TWindowHost& operator=(const TWindowHost&) = delete;

  // The game clock in milliseconds.
  virtual uint32_t GetTime();
  // False before the platform implementation exists (nothing is drawn then).
  virtual bool HasPlatform() { return true; }
  // False while the previous flip or blit still draws.
  virtual bool IsFrameDone() { return true; }
  virtual bool IsWindowActive() { return true; }
  // Running inside a host window.
  virtual bool IsEmbedded() { return false; }
  // The command line holds "-pq=".
  virtual bool HasPqSwitch() { return false; }
  // False while the display objects are lost (the real host starts a restore then).
  virtual bool IsDisplayReady() { return true; }
  // 0 absolute mouse positions, 1 relative movement.
  virtual int GetMouseMode() { return 0; }
  virtual void PostQuit(int code) { mQuitPosted = true; }
  // The platform's task list, run on every idle pass with code 0 and by each frame with code 1.
  virtual TTaskList& GetTaskList() { return mTasks; }
  // A label's text from the program's string table ("#####" when missing, as the table says);
  // the base host has no table and answers the label itself.
  virtual TStr GetString(TStr label, TStr a1 = TStr(), TStr a2 = TStr(), TStr a3 = TStr(),
                         TStr a4 = TStr(), TStr a5 = TStr()) {
    return label;
  }
  // The string table's labels marked for movies, with their texts.
  virtual void GetFlashStrings(std::vector<std::pair<TStr, TStr>>& strings) {}
  virtual bool SetClipboardText(TStr text) { return false; }
  // Empty when the clipboard holds no text.
  virtual TStr GetClipboardText() { return TStr(); }
  // Opens the address in the user's browser.
  virtual void OpenUrl(TStr url) {}
  // A texture by name with no options; empty when it cannot be loaded.
  virtual std::shared_ptr<TTexture> LoadTexture(TStr name) { return nullptr; }
  // A sound asset by name; empty when no sound file is found.
  virtual std::shared_ptr<TWindowSound> LoadSound(TStr name) { return nullptr; }

  // A movie over the main window: its child windows go into the main window's client area;
  // the framework cursor is hidden meanwhile; the display shows the GDI surface so the child
  // windows can be seen, and its software cursor is reset when the movie stops.
  virtual HWND GetMainWindow() { return nullptr; }
  virtual bool IsMouseCursorShown() { return mCursorShown; }
  virtual void ShowMouseCursor(bool shown) { mCursorShown = shown; }
  virtual void FlipToGdiSurface() {}
  virtual void ResetMouseCursor() {}

  // Drawing. Clip rectangles are in screen pixels; the clip is the viewport when none is pushed.
  virtual TRect GetViewport() { return mViewport; }
  virtual TRect GetClipRect();
  virtual void PushClipRect(const TRect& rect) { mClips.push_back(rect); }
  virtual void PopClipRect();
  virtual bool BeginDraw() { return true; }
  virtual void EndDraw() {}
  virtual bool BeginRenderTarget(const std::shared_ptr<TTexture>& texture) { return false; }
  virtual void EndRenderTarget() {}
  // Begin2d/End2d around it are the host's business.
  virtual void FillRect(const TRect& rect, const TColor& color) {}
  // Draws a texture at the screen origin with default parameters.
  virtual void DrawTexture(const std::shared_ptr<TTexture>& texture) {}
  // Draws a text layout into a screen rectangle (in 2D): scale, line spacing, opacity.
  virtual void DrawTextLayout(TTextLayout* layout, const TRect& rect, float scale, int spacing, float alpha) {}
  // Draws a texture under a spec whose translation is in screen pixels (in 2D).
  virtual void DrawTexture(const std::shared_ptr<TTexture>& texture, const TDrawSpec& spec) {}
  // Draws a triangle list of 2D vertices in screen pixels with a texture (in 2D).
  virtual void DrawTriangles(const std::shared_ptr<TTexture>& texture, TVertex* vertices, uint32_t count) {}

  void SetViewport(const TRect& viewport) { mViewport = viewport; }
  bool WasQuitPosted() const { return mQuitPosted; }

 protected:
  bool mQuitPosted = false;
  bool mCursorShown = true;

 private:
  TTaskList mTasks;
  TRect mViewport{0, 0, 800, 600};
  std::vector<TRect> mClips;
};
