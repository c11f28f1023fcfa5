// The display host of the program: it forwards to the platform object and its window manager
// while they exist, and answers as if there were no platform before and after. Tests install
// their own host in its place.
#include "core/graphics/directx/display_host.h"

#include <atomic>

#include "core/base/msn_zylom_handler.h"
#include "core/base/platform.h"
#include "core/base/platform_services.h"
#include "core/base/task.h"
#include "core/base/task_list.h"
#include "core/base/win32/platform_impl.h"
#include "core/graphics/directx/platform_data.h"
#include "core/graphics/directx/system_cursor.h"

namespace {

class TPlatformDisplayHost : public TDisplayHost {
 public:
  bool HasPlatform() override { return Platform() != nullptr; }
  HWND GetMainWindow() override { return Platform() ? Platform()->GetMainWindow() : nullptr; }
  HWND GetExternalParent() override {
    TPlatformImpl* impl = Impl();
    return impl && impl->mEmbedded ? impl->mHostWindow : nullptr;
  }
  bool IsMinimized() override { return Impl() && Impl()->IsMinimised(); }
  bool IsWindowActive() override { return Platform() && Platform()->IsWindowActive(); }
  bool IsAppActive() override { return Impl() && Impl()->IsAppActive(); }
  bool HasSeenAppActivation() override { return Impl() && Impl()->HasSeenAppActivation(); }
  // The pump parks a full-screen program that lost activation as minimised.
  bool IsFullScreenInactive() override {
    TPlatformData* display = TPlatformData::Get();
    return Impl() && Impl()->IsMinimised() && display && display->IsFullScreen();
  }
  bool IsDisplayScaling() override { return Impl() && (Impl()->mEmbedded || Impl()->mViewportScaleX != 1.0f); }
  float GetDisplayScale() override { return Impl() ? Impl()->mViewportScaleX.load() : 1.0f; }
  void SetDisplayScale(float scale) override {
    TPlatformImpl* impl = Impl();
    if (!impl) return;
    mSavedScale = impl->mViewportScaleX;
    impl->mViewportScaleX = impl->mViewportScaleY = scale;
  }
  void RestoreDisplayScale() override {
    TPlatformImpl* impl = Impl();
    if (!impl || mSavedScale <= 0.0f) return;
    impl->mViewportScaleX = impl->mViewportScaleY = mSavedScale;
    mSavedScale = 0.0f;
  }
  void SetDisplayReset() override {
    if (Impl()) Impl()->SetDisplayResetPending();
  }
  bool IsCursorShown() override { return !Impl() || Impl()->IsCursorShown(); }
  bool IsPqMode() override { return TPlatform::IsPqMode(); }
  bool IsZylomHost() override { return ::IsZylomHost(); }
  uint32_t GetTime() override { return Platform() ? Platform()->GetTime() : timeGetTime(); }
  void Sleep(uint32_t ms) override { ::Sleep(ms); }
  void SetDefaultMouseCursor() override {
    if (Platform()) Platform()->SetMouseCursor(nullptr, kSystemCursorHotX, kSystemCursorHotY, false);
  }
  void AddOwnTask(TTask* task) override {
    if (Platform())
      Platform()->AddOwnTask(task);
    else
      delete task;  // nobody would run it
  }
  void RunTasks(int code) override {
    if (Platform() && Platform()->GetTaskList()) Platform()->GetTaskList()->RunTasks(code);
  }
  void PostQuit(int code) override {
    if (Platform())
      Platform()->PostQuit(code);
    else
      PostQuitMessage(code);
  }
  void ExitProgram(int code) override { ExitProcess((UINT)code); }

  bool HasWindowManager() override { return WindowManager() != nullptr; }
  bool IsMoviePlaying() override { return false; }  // no movie window plays in this program yet
  void Invalidate() override {
    if (TPlatformWindowManager* manager = WindowManager()) manager->Invalidate();
  }
  bool GetRootRect(TRect& rect) override {
    TPlatformWindowManager* manager = WindowManager();
    if (!manager) return false;
    manager->GetRootRect(rect.left, rect.top, rect.right, rect.bottom);
    return !rect.IsEmpty();
  }
  // The window drawn into the refused target draws again with the next frame.
  void OnRenderTargetRefused() override { Invalidate(); }

 private:
  static TPlatform* Platform() { return TPlatform::GetInstance(); }
  static TPlatformImpl* Impl() { return Platform() ? Platform()->GetImpl() : nullptr; }
  static TPlatformWindowManager* WindowManager() { return Platform() ? Platform()->GetWindowManager() : nullptr; }

  float mSavedScale = 0.0f;  // main thread only
};

TPlatformDisplayHost gPlatformHost;
std::atomic<TDisplayHost*> gHost{nullptr};

}  // namespace

void SetDisplayHost(TDisplayHost* host) { gHost = host; }

TDisplayHost& GetDisplayHost() {
  TDisplayHost* host = gHost.load();
  return host ? *host : gPlatformHost;
}
