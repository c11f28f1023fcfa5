// The display-less window host.
#include "core/windows/window_host.h"

#include "core/base/platform_time.h"
#include "core/base/string_table.h"

uint32_t TWindowHost::GetTime() { return GetPlatformTime(); }

TStr TWindowHost::GetString(TStr label, TStr a1, TStr a2, TStr a3, TStr a4, TStr a5) {
  return mStrings ? mStrings->GetString(label, a1, a2, a3, a4, a5) : label;
}

TRect TWindowHost::GetClipRect() { return mClips.empty() ? GetViewport() : mClips.back(); }

void TWindowHost::PopClipRect() {
  if (!mClips.empty()) mClips.pop_back();
}
