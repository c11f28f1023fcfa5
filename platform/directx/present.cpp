// Presenting: the visible surface goes into the SDL window behind the Win32 window (main thread
// only), every present is kept as the last frame and optionally written to a PNG (capture hook).
#include "platform/directx/present.h"

#include <SDL.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <string>
#include <vector>

#include "platform/directx/ddraw.h"
#include "platform/directx/directx_test_control.h"
#include "platform/win32/user.h"

#if __has_include("platform/win32/sdl_window.h")
#include "platform/win32/sdl_window.h"
#define ORVELLA_DX_HAVE_WIN32_SDL 1
#endif

namespace {

struct CaptureState {
  std::mutex mutex;  // guards every field
  std::string path;
  bool envRead = false;
  std::vector<uint32_t> frame;  // the visible area as last presented
  int width = 0, height = 0;
  POINT origin{0, 0};  // of the visible area on the surface
  // What other threads changed and the main thread has not shown yet (frame coordinates).
  SDL_Rect pending{0, 0, 0, 0};
  HWND pendingWindow = nullptr;
  int count = 0;
  bool ownWindow = false;
  std::string title = "Orvella";
  SDL_Window* window = nullptr;  // main thread only, read and made without the mutex
};

CaptureState& Capture() {
  static CaptureState state;
  return state;
}

// What one upload to the window needs, taken out of the capture state under its mutex so that
// SDL is called without it (SDL calls back into PresentPending while holding its own locks).
struct TUpload {
  std::vector<uint32_t> pixels;  // the changed part, rows packed
  SDL_Rect dirty{0, 0, 0, 0};    // where it sits in the frame
  int frameWidth = 0, frameHeight = 0;
  HWND window = nullptr;
  bool ownWindow = false;
  std::string title;
};

// The caller holds the capture state's mutex.
TUpload TakeUploadLocked(const SDL_Rect& dirty, HWND window) {
  auto& c = Capture();
  TUpload u;
  u.dirty = dirty;
  u.frameWidth = c.width;
  u.frameHeight = c.height;
  u.window = window;
  u.ownWindow = c.ownWindow;
  u.title = c.title;
  u.pixels.resize((size_t)dirty.w * dirty.h);
  for (int y = 0; y < dirty.h; ++y)
    std::memcpy(u.pixels.data() + (size_t)y * dirty.w, c.frame.data() + (size_t)(dirty.y + y) * c.width + dirty.x,
                (size_t)dirty.w * 4);
  return u;
}

// Main thread only (the window of our own is made and used there).
SDL_Window* WindowFor(const TUpload& u) {
#ifdef ORVELLA_DX_HAVE_WIN32_SDL
  if (u.window) {
    if (SDL_Window* w = Win32GetSdlWindow(u.window)) return w;
  }
#endif
  auto& c = Capture();
  if (!u.ownWindow) return nullptr;
  if (!c.window) {
#ifdef ORVELLA_DX_HAVE_WIN32_SDL
    if (!Win32EnsureSdl()) return nullptr;
#else
    if (!SDL_WasInit(SDL_INIT_VIDEO) && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
#endif
    c.window = SDL_CreateWindow(u.title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, u.frameWidth,
                                u.frameHeight, SDL_WINDOW_SHOWN);
  }
  return c.window;
}

}  // namespace

namespace dx {

namespace {

std::atomic<bool> gWatching{false};
thread_local bool tUploading = false;  // the upload itself pumps events for a window of our own
std::atomic<std::thread::id> gMainThread{};

// SDL calls this for every event it queues; events from the system arrive on the main thread
// while the message pump runs, which is where a pending upload can be done.
int WatchEvents(void*, SDL_Event*) {
  if (!tUploading && std::this_thread::get_id() == gMainThread.load()) PresentPending();
  return 0;
}

// Shows the changed part of the frame in the window.
void Upload(const TUpload& u) {
  SDL_Window* win = WindowFor(u);
  if (!win || u.pixels.empty()) return;
  SDL_Surface* ws = SDL_GetWindowSurface(win);
  if (!ws) return;
  SDL_Surface* src = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(u.pixels.data()), u.dirty.w, u.dirty.h,
                                                        32, u.dirty.w * 4, SDL_PIXELFORMAT_ARGB8888);
  if (src) {
    SDL_Rect to = u.dirty;
    if (ws->w == u.frameWidth && ws->h == u.frameHeight) {
      SDL_BlitSurface(src, nullptr, ws, &to);
      to = u.dirty;
    } else {
      // Scaled to the window: the changed part goes to the part of the window it covers.
      double sx = (double)ws->w / u.frameWidth, sy = (double)ws->h / u.frameHeight;
      to = SDL_Rect{(int)std::floor(u.dirty.x * sx), (int)std::floor(u.dirty.y * sy), 0, 0};
      to.w = (int)std::ceil((u.dirty.x + u.dirty.w) * sx) - to.x;
      to.h = (int)std::ceil((u.dirty.y + u.dirty.h) * sy) - to.y;
      SDL_Rect scaled = to;
      SDL_BlitScaled(src, nullptr, ws, &scaled);
    }
    SDL_FreeSurface(src);
    SDL_UpdateWindowSurfaceRects(win, &to, 1);
  }
  if (win == Capture().window) SDL_PumpEvents();
}

}  // namespace

void PresentSurface(IDirectDrawSurface7* surface, const RECT& rect, HWND window, bool onMainThread) {
  // What the screen shows: the whole surface in full screen, else the window's client area
  // (the blitted rectangle when the window is unknown).
  RECT r = rect;
  if (surface->FlipPartner()) {
    r = RECT{0, 0, (LONG)surface->Width(), (LONG)surface->Height()};
  } else if (window) {
    RECT client;
    POINT origin = {0, 0};
    if (GetClientRect(window, &client) && ClientToScreen(window, &origin))
      r = RECT{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
  }
  r.left = std::max<LONG>(r.left, 0);
  r.top = std::max<LONG>(r.top, 0);
  r.right = std::min<LONG>(r.right, (LONG)surface->Width());
  r.bottom = std::min<LONG>(r.bottom, (LONG)surface->Height());
  if (r.left >= r.right || r.top >= r.bottom) return;
  int w = r.right - r.left, h = r.bottom - r.top;
  auto& c = Capture();
  std::unique_lock<std::mutex> lock(c.mutex);
  if (!c.envRead) {
    c.envRead = true;
    if (const char* env = std::getenv("ORVELLA_DX_CAPTURE"); env && *env && c.path.empty()) c.path = env;
  }
  // Only the blitted part changed (a flip passes the whole surface), unless the visible area
  // moved: a small blit, the mouse cursor's, costs its own pixels, not a whole frame.
  RECT dirty = r;
  bool same = c.count > 0 && c.width == w && c.height == h && c.origin.x == r.left && c.origin.y == r.top;
  if (same) {
    dirty = RECT{std::max(rect.left, r.left), std::max(rect.top, r.top), std::min(rect.right, r.right),
                 std::min(rect.bottom, r.bottom)};
    if (dirty.left >= dirty.right || dirty.top >= dirty.bottom) return;
  } else {
    c.frame.assign((size_t)w * h, 0);
    c.width = w;
    c.height = h;
    c.origin = POINT{r.left, r.top};
  }
  int dw = dirty.right - dirty.left;
  for (LONG y = dirty.top; y < dirty.bottom; ++y) {
    uint32_t* out = c.frame.data() + (size_t)(y - r.top) * w + (dirty.left - r.left);
    RowToArgb(surface->Format(),
              surface->Pixels() + (size_t)y * surface->Pitch() + (size_t)dirty.left * surface->Format().bytes, out, dw);
    for (int x = 0; x < dw; ++x) out[x] |= 0xFF000000u;
  }
  ++c.count;
  if (!c.path.empty()) TestControl::Display::WritePng(c.path, c.frame.data(), w, h, w);
  SDL_Rect changed{(int)(dirty.left - r.left), (int)(dirty.top - r.top), dw, (int)(dirty.bottom - dirty.top)};
  if (!onMainThread) {
    // The window is only touched on the main thread: leave the upload to its next event.
    if (c.pending.w > 0)
      SDL_UnionRect(&c.pending, &changed, &c.pending);
    else
      c.pending = changed;
    c.pendingWindow = window;
    return;
  }
  if (c.pending.w > 0) SDL_UnionRect(&c.pending, &changed, &changed);
  c.pending = SDL_Rect{0, 0, 0, 0};
  TUpload upload = TakeUploadLocked(changed, window);
  lock.unlock();
  gMainThread = std::this_thread::get_id();
  if (!gWatching.exchange(true) && SDL_WasInit(SDL_INIT_VIDEO)) SDL_AddEventWatch(WatchEvents, nullptr);
  else if (!SDL_WasInit(SDL_INIT_VIDEO)) gWatching = false;
  tUploading = true;
  Upload(upload);
  tUploading = false;
}

void PresentPending() {
  auto& c = Capture();
  TUpload upload;
  {
    std::lock_guard<std::mutex> lock(c.mutex);
    if (c.pending.w <= 0 || c.frame.empty()) return;
    SDL_Rect changed = c.pending;
    c.pending = SDL_Rect{0, 0, 0, 0};
    ++c.count;  // the window shows it now: a present of its own
    upload = TakeUploadLocked(changed, c.pendingWindow);
  }
  tUploading = true;
  Upload(upload);
  tUploading = false;
}

void SetWindowFullScreen(HWND window, bool fullScreen) {
#ifdef ORVELLA_DX_HAVE_WIN32_SDL
  if (window) {
    if (SDL_Window* w = Win32GetSdlWindow(window)) {
      SDL_SetWindowFullscreen(w, fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
      return;
    }
  }
#endif
  if (Capture().window) SDL_SetWindowFullscreen(Capture().window, fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
}

}  // namespace dx

namespace TestControl {
namespace Display {

void ResetCapture() {
  auto& c = Capture();
  std::lock_guard<std::mutex> lock(c.mutex);
  c.path.clear();
  c.envRead = true;
  c.frame.clear();
  c.width = c.height = 0;
  c.pending = SDL_Rect{0, 0, 0, 0};
  c.count = 0;
}

void SetCapturePath(const std::string& path) {
  std::lock_guard<std::mutex> lock(Capture().mutex);
  Capture().path = path;
  Capture().envRead = true;
}

bool GetLastPresentedFrame(std::vector<uint32_t>& pixels, int& width, int& height) {
  auto& c = Capture();
  std::lock_guard<std::mutex> lock(c.mutex);
  if (c.count == 0) return false;
  pixels = c.frame;
  width = c.width;
  height = c.height;
  return true;
}

int GetPresentCount() {
  std::lock_guard<std::mutex> lock(Capture().mutex);
  return Capture().count;
}

void UseOwnWindow(bool own, const char* title) {
  std::lock_guard<std::mutex> lock(Capture().mutex);
  Capture().ownWindow = own;
  if (title) Capture().title = title;
}

}  // namespace Display
}  // namespace TestControl
