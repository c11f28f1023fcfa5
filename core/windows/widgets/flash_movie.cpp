// TFlashMovie: starting a movie (the host and blocker windows, the control, the movie's
// variables), asking whether it plays, and stopping it.
#include "core/windows/widgets/flash_movie.h"

#include "core/base/file.h"
#include "core/base/settings.h"
#include "core/windows/screen.h"
#include "core/windows/widgets/atl_control_host.h"
#include "core/windows/window_host.h"
#include "core/windows/window_manager.h"

namespace {

TFlashControlHost* gControlHost = nullptr;  // main thread only

TFlashControlHost& ControlHost() {
  static TAtlControlHost atl;
  return gControlHost ? *gControlHost : atl;
}

// The control window's procedure before it was made to swallow right clicks; process-wide
// like the original's, since one movie plays at a time.
WNDPROC gControlProc = nullptr;

LRESULT CALLBACK SwallowRightClicks(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_RBUTTONDOWN || message == WM_RBUTTONUP) return 0;
  return gControlProc ? CallWindowProcA(gControlProc, window, message, wParam, lParam)
                      : DefWindowProcA(window, message, wParam, lParam);
}

TWindowManager* Manager() { return TWindowManager::Get(); }

// The movie's host is the window manager's (or a bare one before any manager exists).
TWindowHost& Host() {
  static TWindowHost bare;
  TWindowManager* manager = Manager();
  return manager ? manager->GetHost() : bare;
}

bool DisplayBroken() { return GetSetting("dxbroken", "").ToInt() != 0; }

// Strings cross to the control as UTF-16 (paths and names too: widening them byte by byte
// would garble anything outside ASCII) and come back as UTF-8.
std::u16string Wide(const TStr& text) {
  std::u16string out;
  const char* p = text.c_str();
  const char* end = p + text.Length();
  while (p < end) {
    int n = Utf8CharLength((unsigned char)*p);
    uint32_t cp = n > 1 && p + n <= end ? Utf8DecodeChar(p) : 0;
    if (cp == 0) {  // a byte that is no sequence stands for itself
      cp = (unsigned char)*p;
      n = 1;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += (char16_t)(0xD800 + (cp >> 10));
      out += (char16_t)(0xDC00 + (cp & 0x3FF));
    } else {
      out += (char16_t)cp;
    }
    p += n;
  }
  return out;
}

TStr Narrow(const std::u16string& text) {
  TStr out;
  for (size_t i = 0; i < text.size(); i++) {
    uint32_t cp = text[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
    char bytes[4];
    int n = Utf8EncodeChar(cp, bytes);
    if (n > 0) out.Append(bytes, n);
  }
  return out;
}

// An absolute path of at most 260 characters to a file on the disk (the control reads it
// itself, so packed assets do not count), else empty.
TStr ExistingFullPath(const TStr& path) {
  TStr full = GetFullPath(path.c_str());
  if (full.IsEmpty() || full.Length() > 260) return TStr();
  DWORD attributes = GetFileAttributesA(full.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return TStr();
  return full;
}

}  // namespace

TFlashMovie::TFlashMovie(TStr name) : mName(name), mSavedCursorShown(Host().IsMouseCursorShown()) {}

TFlashMovie::~TFlashMovie() { Stop(); }

TMoviePlayer* TFlashMovie::Make(TStr name, bool translate, bool allowInput) {
  TFlashMovie* movie = new TFlashMovie(name);
  movie->mTranslate = translate;
  movie->mAllowInput = allowInput;
  return movie;
}

void TFlashMovie::SetControlHost(TFlashControlHost* host) { gControlHost = host; }

// The control.

bool TFlashMovie::ControlAlive() const {
  RECT rect;
  return mControl && mHostWindow && GetWindowRect(mHostWindow, &rect);
}

bool TFlashMovie::Get(const char* name, TFlashValue& value) { return ControlAlive() && mControl->GetProperty(name, value); }

bool TFlashMovie::Put(const char* name, const TFlashValue& value) {
  return ControlAlive() && mControl->PutProperty(name, value);
}

bool TFlashMovie::Call(const char* name, const std::vector<TFlashValue>& arguments, TFlashValue* result) {
  return ControlAlive() && mControl->CallMethod(name, arguments, result);
}

bool TFlashMovie::IsPlaying() {
  TFlashValue playing;
  return Get("Playing", playing) && playing.kind == TFlashValue::kBool && playing.b;
}

// Start.

bool TFlashMovie::Start(bool loop, bool translate, bool allowInput) {
  if (mActive) return true;
  if (allowInput) ReleaseCapture();
  if (DisplayBroken()) return false;
  TWindowHost& host = Host();
  HWND main = host.GetMainWindow();
  host.ShowMouseCursor(false);
  if (allowInput && main) SetClassLongPtrA(main, GCLP_HCURSOR, (LONG_PTR)LoadCursorA(nullptr, IDC_ARROW));
  bool loaded = ControlHost().Load();
  static bool blockerRegistered = false;
  if (!blockerRegistered) {
    blockerRegistered = true;
    WNDCLASSA blocker{};
    blocker.style = CS_HREDRAW | CS_VREDRAW;
    blocker.lpfnWndProc = DefWindowProcA;
    blocker.hInstance = GetModuleHandleA(nullptr);
    blocker.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    blocker.lpszClassName = kBlockerClass;
    RegisterClassA(&blocker);
  }
  if (!loaded || DisplayBroken()) {
    host.ShowMouseCursor(mSavedCursorShown);
    return false;
  }

  RECT client{0, 0, 0, 0};
  if (main) GetClientRect(main, &client);
  int minimum = translate ? 6 : 4;
  TStr progId = TStr::Format("ShockwaveFlash.ShockwaveFlash.%d", minimum);
  TStr wanted = GetSetting("flashmajorversion", "");
  if (!wanted.IsEmpty() && wanted.ToInt() > minimum) {
    progId = TStr("ShockwaveFlash.ShockwaveFlash.") + wanted;
    minimum = wanted.ToInt();
  }
  int width = client.right - client.left, height = client.bottom - client.top;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!allowInput)
    mBlockerWindow = CreateWindowExA(0, kBlockerClass, "", WS_CHILD | WS_VISIBLE, client.left, client.top, width,
                                     height, main, nullptr, instance, nullptr);
  mHostWindow = CreateWindowExA(0, "AtlAxWin", progId.c_str(), WS_CHILD | WS_VISIBLE, client.left, client.top, width,
                                height, main, nullptr, instance, nullptr);
  bool ok = mHostWindow != nullptr;
  if (ok) {
    mControl.reset(ControlHost().GetControl(mHostWindow));
    TFlashValue version;
    ok = Get("FlashVersion", version) && version.kind == TFlashValue::kInt && version.i >= minimum &&
         SetUpMovie(loop, translate);
  }
  if (!ok) {
    mControl.reset();
    DestroyWindows();
    host.ShowMouseCursor(mSavedCursorShown);
    return false;
  }

  mActive = true;
  TWindowManager* manager = Manager();
  if (manager) manager->SetMoviePlaying(true);
  if (allowInput) {
    mInputAllowed = true;
    if (manager) manager->SetMovieInput(true);
    if (HWND control = GetWindow(mHostWindow, GW_CHILD))
      gControlProc = (WNDPROC)SetWindowLongPtrA(control, GWLP_WNDPROC, (LONG_PTR)&SwallowRightClicks);
  }
  host.FlipToGdiSurface();
  if (DisplayBroken()) {
    Stop();
    return false;
  }
  return true;
}

bool TFlashMovie::SetUpMovie(bool loop, bool translate) {
  TStr path = ExistingFullPath(TStr("assets/") + mName);
  if (path.IsEmpty()) path = ExistingFullPath(mName);
  if (path.IsEmpty()) return false;
  if (!Put("Movie", TFlashValue::String(Wide(path))) || !Put("Loop", TFlashValue::Bool(loop))) return false;
  if (!translate) return true;  // the control starts the movie by itself
  if (!Call("Stop", {}, nullptr)) return false;
  TWindowHost& host = Host();
  TFlashValue names;
  if (Call("GetVariable", {TFlashValue::String(u"textvarnames")}, &names) && names.kind == TFlashValue::kString) {
    // Each name ends with ";"; a last one without it is not used.
    TStr list = Narrow(names.s);
    for (int start = 0, end; (end = list.Find(';', 0, start)) >= 0; start = end + 1) {
      TStr name = list.SubStr(start, end - start);
      Call("SetVariable", {TFlashValue::String(Wide(name)), TFlashValue::String(Wide(host.GetString(name)))}, nullptr);
    }
  }
  std::vector<std::pair<TStr, TStr>> strings;
  host.GetFlashStrings(strings);
  for (const auto& [label, text] : strings) {
    if (label.SubStr(0, 6) != TStr("FLASH_")) continue;
    Call("SetVariable", {TFlashValue::String(Wide(label.SubStr(6))), TFlashValue::String(Wide(text))}, nullptr);
  }
  return Call("Play", {}, nullptr);
}

// Stop.

void TFlashMovie::DestroyWindows() {
  if (mHostWindow) DestroyWindow(mHostWindow);
  mHostWindow = nullptr;
  if (mBlockerWindow) DestroyWindow(mBlockerWindow);
  mBlockerWindow = nullptr;
}

void TFlashMovie::Stop() {
  if (!mActive) return;
  mActive = false;
  TWindowHost& host = Host();
  TWindowManager* manager = Manager();
  mControl.reset();
  if (mHostWindow) DestroyWindow(mHostWindow);
  mHostWindow = nullptr;
  if (manager) manager->SetMoviePlaying(false);
  if (mBlockerWindow) DestroyWindow(mBlockerWindow);
  mBlockerWindow = nullptr;
  if (HWND main = host.GetMainWindow()) SetFocus(main);
  gControlProc = nullptr;
  host.ResetMouseCursor();
  TWindow* screen = manager ? manager->GetScreen() : nullptr;
  if (screen) {
    // One frame of the screen's colour where the movie was, before the windows draw again.
    if (host.BeginDraw()) {
      TColor colour = screen->IsKindOf(&TScreen::ClassId) ? static_cast<TScreen*>(screen)->GetClearColor() : TColor();
      host.FillRect(screen->GetRect(), colour);
      host.EndDraw();
    }
    host.ResetMouseCursor();
  }
  if (mInputAllowed && manager) manager->SetMovieInput(false);
  mInputAllowed = false;
  host.ShowMouseCursor(mSavedCursorShown);
}
