// The display handler's own state: lifetime, queries, render options, the broken flag, the
// low-memory video mode with its file "common:display.xml", and the cursor forwards.
#include "core/graphics/directx/platform_data.h"

#include "core/base/file.h"
#include "core/base/log.h"
#include "core/base/settings.h"
#include "core/base/xml_node.h"
#include "core/graphics/directx/display_host.h"
#include "core/graphics/directx/dx_context.h"
#include "core/graphics/directx/dx_error.h"
#include "core/graphics/directx/dx_texture_data.h"
#include "core/graphics/directx/system_cursor.h"

namespace {

TPlatformData* gPlatformData = nullptr;

constexpr const char* kDisplaySettingsFile = "common:display.xml";

bool OptionOn(const TStr& value) { return value.ToInt() > 0; }

}  // namespace

TPlatformData* TPlatformData::Create() {
  // The constructor stores the handle: the display file may already log through it.
  return new TPlatformData();
}

TPlatformData* TPlatformData::Get() { return gPlatformData; }

TPlatformData::TPlatformData() {
  gPlatformData = this;
  mContext = new TDXContext();
  if (!GetDisplayHost().IsPqMode()) ReadDisplaySettings();
}

TPlatformData::~TPlatformData() {
  mViewportStack.clear();
  delete mContext;
  mContext = nullptr;
  for (auto& t : mTextures) t.reset();
  if (gPlatformData == this) gPlatformData = nullptr;
}

void TPlatformData::ReadDisplaySettings() {
  TXmlNode document;
  document.LoadFile(kDisplaySettingsFile);
  TXmlNode* settings = document.GetChild("Settings");
  if (!settings) return;
  if (settings->GetAttribute("LowMemoryVideo").ToInt() != 0) mLowMemoryVideo = true;
  LogPrintf("Low memory video card setting enabled!");
}

void TPlatformData::GetDisplaySize(uint32_t& width, uint32_t& height, bool& fullScreen) const {
  width = (uint32_t)mScreenRect.Width();
  height = (uint32_t)mScreenRect.Height();
  fullScreen = mFullScreen;
}

void TPlatformData::GetViewport(int* left, int* top, int* right, int* bottom) {
  *left = mViewport.left;
  *top = mViewport.top;
  *right = mViewport.left + mViewport.Width();
  *bottom = mViewport.top + mViewport.Height();
}

bool TPlatformData::IsDeviceValid() {
  if (mBroken) return false;
  if (mDirectDraw && mDirect3D && mDevice) return true;
  FlagBroken();
  return false;
}

bool TPlatformData::IsFrameDone() {
  if (!mContext) return false;
  LPDIRECTDRAWSURFACE7 back = mContext->GetBackBuffer();
  if (!back) return false;
  HRESULT status = mContext->IsWindowed() ? back->GetBltStatus(DDGBS_ISBLTDONE) : back->GetFlipStatus(DDGFS_ISFLIPDONE);
  return status != DDERR_WASSTILLDRAWING;
}

void TPlatformData::SetOption(TStr name, TStr value) {
  if (name == "antialias") {
    mAntialias = OptionOn(value);
    if (mDevice) {
      ApplyRenderState(D3DRENDERSTATE_ANTIALIAS, mAntialias ? D3DANTIALIAS_SORTINDEPENDENT : D3DANTIALIAS_NONE,
                       __LINE__);
    }
  } else if (name == "hint_antialias") {
    mHintAntialias = OptionOn(value);
  } else if (name == "new_subtractive") {
    mNewSubtractive = OptionOn(value);
  } else if (name == "new_render_blend") {
    mNewRenderBlend = OptionOn(value);
  }
}

TStr TPlatformData::GetOption(TStr name) {
  if (name == "antialias") return mAntialias ? "1" : "0";
  if (name == "hint_antialias") return mHintAntialias ? "1" : "0";
  if (name == "new_subtractive") return mNewSubtractive ? "1" : "0";
  if (name == "16bitmode") return (mLowMemoryVideo || mDisplayDepth == 15 || mDisplayDepth == 16) ? "1" : "0";
  return TStr();
}

void TPlatformData::FlagBroken() {
  mBrokenTime = GetDisplayHost().GetTime();
  mBroken = true;
  SetSetting("dxbroken", "1");
}

void TPlatformData::FlagBrokenThrottled() {
  // Wrapping times compare by their difference.
  if (!mBroken || (int32_t)(GetDisplayHost().GetTime() - mBrokenTime) > 250) FlagBroken();
}

void TPlatformData::OnOutOfVideoMemory() {
  if (mLowMemoryVideo || !mDirect3D) return;
  LogError("OutOfVideoMemory triggered!");
  mLowMemoryVideo = true;
  FlagBroken();
  mLowMemorySwitchPending = true;
  TXmlNode settings("Settings");
  settings.SetAttribute("LowMemoryVideo", "1");
  TStr text = settings.ToString();
  TFile* file = FileOpen(kDisplaySettingsFile, kFileWriteBinary);
  if (!file) {
    LogError("Could not write %s", kDisplaySettingsFile);
    return;
  }
  FileWrite(file, text.c_str(), text.Length());
  FileClose(file);
}

void TPlatformData::UpdateDesktopMode() { mContext->ReadDesktopMetrics(); }

void TPlatformData::FlipToGdiSurface() {
  if (mDirectDraw) DX_CHECK(mDirectDraw->FlipToGDISurface(), kUnitDisplayHandler);
}

std::unique_ptr<TTextureData> TPlatformData::CreateTextureData() { return std::make_unique<TDxTextureData>(); }

// The renderer's backend in the program: the display handler.
std::unique_ptr<TRenderBackend> CreateDefaultRenderBackend() {
  return std::unique_ptr<TRenderBackend>(TPlatformData::Create());
}

// --- Cursor: the device context draws it. ---

void TPlatformData::MoveMouseCursor(int& x, int& y) {
  POINT p = mContext->DrawMouseCursor(x, y, false);
  x = p.x;
  y = p.y;
}

void TPlatformData::RefreshMouseCursor() { mContext->RefreshMouseCursor(); }

bool TPlatformData::ApplySystemCursor() {
  mContext->ApplySystemCursor(GetDisplayHost().IsCursorShown());
  return true;
}

void TPlatformData::GetMousePosition(int& x, int& y) {
  POINT p = mContext->GetMousePosition();
  x = p.x;
  y = p.y;
}

void TPlatformData::HideMouseCursor() { mContext->HideMouseCursor(); }

void TPlatformData::ShowMouseCursor(bool show) { mContext->ShowMouseCursor(show); }

void TPlatformData::ResetMouseCursor() { mContext->ResetMouseCursor(); }

void TPlatformData::GetScreenOrigin(int& x, int& y) {
  POINT p = mContext->GetDisplayOrigin();
  x = p.x;
  y = p.y;
}

void TPlatformData::SetMouseCursor(std::shared_ptr<TTexture> texture, int hotX, int hotY, bool alpha) {
  // `texture` holds its own reference: the caller's may go during the call. Without an image
  // the pointer is the built-in arrow, on its own hot spot (the caller's was meant for an image
  // it did not give); a missing image in the alpha slot only takes that image away.
  if (!texture && !alpha) {
    texture = GetSystemCursor();
    hotX = kSystemCursorHotX;
    hotY = kSystemCursorHotY;
  }
  mContext->SetMouseCursorImage(texture, hotX, hotY, alpha);
}

void TPlatformData::SetVSync(bool on) { mContext->SetVSync(on); }
