// Presenting: the visible surface goes into the SDL window behind the Win32 window (main thread
// only), every present is kept as the last frame and optionally written to a PNG (capture hook).
#include "platform/directx/present.h"

#include <SDL.h>

#include <atomic>
#include <cstdlib>
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
  std::vector<uint32_t> frame;
  int width = 0, height = 0;
  int count = 0;
  bool ownWindow = false;
  std::string title = "Orvella";
  SDL_Window* window = nullptr;  // main thread only
};

CaptureState& Capture() {
  static CaptureState state;
  return state;
}

SDL_Window* WindowFor(HWND window, int width, int height) {
#ifdef ORVELLA_DX_HAVE_WIN32_SDL
  if (window) {
    if (SDL_Window* w = Win32GetSdlWindow(window)) return w;
  }
#endif
  auto& c = Capture();
  bool own;
  std::string title;
  {
    std::lock_guard<std::mutex> lock(c.mutex);
    own = c.ownWindow;
    title = c.title;
  }
  if (!own) return nullptr;
  if (!c.window) {
    if (!SDL_WasInit(SDL_INIT_VIDEO) && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
    c.window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height, SDL_WINDOW_SHOWN);
  }
  return c.window;
}

}  // namespace

namespace dx {

namespace {

struct PendingPresent {
  std::mutex mutex;  // guards both fields
  IDirectDrawSurface7* surface = nullptr;  // counted reference
  HWND window = nullptr;
};

PendingPresent& Pending() {
  static PendingPresent pending;
  return pending;
}

std::atomic<bool> gWatching{false};
thread_local bool tUploading = false;  // the upload itself pumps events for a window of our own
std::atomic<std::thread::id> gMainThread{};

// SDL calls this for every event it queues; events from the system arrive on the main thread
// while the message pump runs, which is where a pending upload can be done.
int WatchEvents(void*, SDL_Event*) {
  if (!tUploading && std::this_thread::get_id() == gMainThread.load()) PresentPending();
  return 0;
}

void Upload(const std::vector<uint32_t>& frame, int w, int h, HWND window) {
  SDL_Window* win = WindowFor(window, w, h);
  if (!win) return;
  SDL_Surface* ws = SDL_GetWindowSurface(win);
  if (!ws) return;
  SDL_Surface* src = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(frame.data()), w, h, 32, w * 4,
                                                        SDL_PIXELFORMAT_ARGB8888);
  if (src) {
    if (ws->w == w && ws->h == h)
      SDL_BlitSurface(src, nullptr, ws, nullptr);
    else
      SDL_BlitScaled(src, nullptr, ws, nullptr);
    SDL_FreeSurface(src);
    SDL_UpdateWindowSurface(win);
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
  std::vector<uint32_t> frame((size_t)w * h);
  for (int y = 0; y < h; ++y)
    RowToArgb(surface->Format(), surface->Pixels() + (size_t)(r.top + y) * surface->Pitch() + (size_t)r.left * surface->Format().bytes,
              frame.data() + (size_t)y * w, w);
  for (auto& p : frame) p |= 0xFF000000u;
  std::string path;
  {
    std::lock_guard<std::mutex> lock(c.mutex);
    if (!c.envRead) {
      c.envRead = true;
      if (const char* env = std::getenv("ORVELLA_DX_CAPTURE"); env && *env && c.path.empty()) c.path = env;
    }
    path = c.path;
    c.frame = frame;
    c.width = w;
    c.height = h;
    ++c.count;
  }
  if (!path.empty()) TestControl::Display::WritePng(path, frame.data(), w, h, w);
  if (!onMainThread) {
    // The window is only touched on the main thread: leave the upload to its next event.
    auto& p = Pending();
    std::lock_guard<std::mutex> lock(p.mutex);
    if (p.surface != surface) {
      surface->AddRef();
      if (p.surface) p.surface->Release();
      p.surface = surface;
    }
    p.window = window;
    return;
  }
  gMainThread = std::this_thread::get_id();
  if (!gWatching.exchange(true) && SDL_WasInit(SDL_INIT_VIDEO)) SDL_AddEventWatch(WatchEvents, nullptr);
  else if (!SDL_WasInit(SDL_INIT_VIDEO)) gWatching = false;
  tUploading = true;
  Upload(frame, w, h, window);
  tUploading = false;
}

void PresentPending() {
  IDirectDrawSurface7* surface;
  HWND window;
  {
    auto& p = Pending();
    std::lock_guard<std::mutex> lock(p.mutex);
    surface = p.surface;
    window = p.window;
    p.surface = nullptr;
  }
  if (!surface) return;
  {
    std::lock_guard<std::mutex> lock(surface->PixelLock());
    if (!surface->Lost())
      PresentSurface(surface, RECT{0, 0, (LONG)surface->Width(), (LONG)surface->Height()}, window, true);
  }
  surface->Release();
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
