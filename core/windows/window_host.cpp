// The display-less window host.
#include "core/windows/window_host.h"

#include "core/base/platform_time.h"

uint32_t TWindowHost::GetTime() { return GetPlatformTime(); }

TRect TWindowHost::GetClipRect() { return mClips.empty() ? GetViewport() : mClips.back(); }

void TWindowHost::PopClipRect() {
  if (!mClips.empty()) mClips.pop_back();
}
