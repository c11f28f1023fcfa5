// The installed display host, and the one that stands in before the program installs its own:
// no platform object, no window manager.
#include "core/graphics/directx/display_host.h"

#include <atomic>
#include <cstdlib>

#include "core/base/task.h"

namespace {

class TNoHost : public TDisplayHost {
 public:
  bool HasPlatform() override { return false; }
  HWND GetMainWindow() override { return nullptr; }
  HWND GetExternalParent() override { return nullptr; }
  bool IsMinimized() override { return false; }
  bool IsWindowActive() override { return false; }
  bool IsAppActive() override { return false; }
  bool HasSeenAppActivation() override { return false; }
  bool IsFullScreenInactive() override { return false; }
  bool IsDisplayScaling() override { return false; }
  float GetDisplayScale() override { return 1.0f; }
  void SetDisplayScale(float) override {}
  void RestoreDisplayScale() override {}
  void SetDisplayReset() override {}
  bool IsCursorShown() override { return true; }
  bool IsPqMode() override { return false; }
  bool IsZylomHost() override { return false; }
  uint32_t GetTime() override { return timeGetTime(); }
  void Sleep(uint32_t ms) override { ::Sleep(ms); }
  void SetDefaultMouseCursor() override {}
  // Nobody runs the task without a platform: it would only leak.
  void AddOwnTask(TTask* task) override { delete task; }
  void RunTasks(int) override {}
  void PostQuit(int code) override { PostQuitMessage(code); }
  void ExitProgram(int code) override { std::exit(code); }
  bool HasWindowManager() override { return false; }
  bool IsMoviePlaying() override { return false; }
  void Invalidate() override {}
  bool GetRootRect(TRect&) override { return false; }
  void OnRenderTargetRefused() override {}
};

TNoHost gNoHost;
std::atomic<TDisplayHost*> gHost{nullptr};

}  // namespace

void SetDisplayHost(TDisplayHost* host) { gHost = host; }

TDisplayHost& GetDisplayHost() {
  TDisplayHost* host = gHost.load();
  return host ? *host : gNoHost;
}
