// TRenderer: the drawing state machine over the display handler.
//
// Three flags decide what a call may do: drawing (a screen frame or a render target is open), in
// 2D and in 3D. Calls made in the wrong state are logged and refused without changing anything,
// except End2d/End3d after the frame closed, which still leave their mode. Device work goes to
// the backend unchanged: rectangles are handed on as they are, nothing is scaled here.
#include "core/graphics/renderer.h"

#include <cstring>

#include "core/base/log.h"
#include "core/base/platform_time.h"
#include "core/base/settings.h"
#include "core/graphics/text/text_layout.h"
#include "core/graphics/texture.h"
#include "platform/directx/d3d_types.h"

namespace {

TRenderer* gRenderer = nullptr;               // main thread only
TRenderBackendFactory gBackendFactory;        // main thread only
std::function<bool(int*, int*)> gRootSizeQuery;  // main thread only

constexpr int kVersion[4] = {4, 0, 17, 2};

}  // namespace

TRenderer::TRenderer() {
  mBackend = gBackendFactory ? gBackendFactory() : CreateDefaultRenderBackend();
  if (!mBackend) mBackend = CreateNullRenderBackend();
}

TRenderer::~TRenderer() {
  mBackend.reset();
  if (mOverlay) TTextLayout::Destroy(mOverlay);
  mClipStack.clear();
  mTexture.reset();
  mCaptureTexture.reset();
}

TRenderer* TRenderer::Get() {
  if (!gRenderer) {
    gRenderer = new TRenderer();
    RegisterTextureAssetLoaders();
  }
  return gRenderer;
}

void TRenderer::Destroy() {
  TRenderer* r = gRenderer;
  gRenderer = nullptr;
  delete r;
}

void TRenderer::SetBackendFactory(TRenderBackendFactory factory) { gBackendFactory = std::move(factory); }

void TRenderer::SetRootSizeQuery(std::function<bool(int*, int*)> query) { gRootSizeQuery = std::move(query); }

bool TRenderer::BeginDraw(uint32_t argument) {
  mDrawing = mBackend->BeginDraw(argument);
  return mDrawing;
}

void TRenderer::EndDraw(uint32_t argument) {
  uint32_t now = GetPlatformTime();
  mFrameStamps[mFrameIndex] = now;
  mFrameIndex = (mFrameIndex + 1) % kFrameStamps;
  if (mFrameIndex == 0) {
    uint32_t elapsed = now - mFrameStamps[0];
    // A frame burst within one millisecond has no meaningful rate; keep the last figure.
    if (elapsed != 0) mFramesPerSecond = (float)(15000.0 / (double)elapsed);
  }
  if (mDebugOverlay) DrawOverlay();
  mDrawing = false;
  mBackend->EndDraw(argument);
}

void TRenderer::DrawOverlay() {
  // No allocation counters exist in this system: memory figures stay 0.
  int mem = 0, maxMem = 0;
  int texMem = GetSetting("texture_ram_allocated").ToInt();
  int maxTexMem = GetSetting("max_texture_ram_allocated").ToInt();
  int sprites = GetSetting("current_sprite_count").ToInt();
  mOverlayText = TStr::Format(
      "Orvella Version %d.%d.%d.%d<br>%f FPS<tab pos='150'>Sprites: %d<br>Mem: %dkB<tab pos='150'>TexMem: "
      "%dkB<br>MaxMem: %dkB<tab pos='150'>MaxTexMem: %dkB<br>",
      kVersion[0], kVersion[1], kVersion[2], kVersion[3], mFramesPerSecond, sprites, mem / 1024, texMem / 1024,
      maxMem / 1024, maxTexMem / 1024);
  if (!mOverlay) mOverlay = TTextLayout::Create(TStr(), 512, 512, 0, TStr(), 16, TColor(1, 0, 0, 1));
  bool began = Begin2d();
  FillRect(TRect(0, 0, 300, 64), TColor(0, 0, 0, 0));
  mOverlay->SetText(mOverlayText);
  mOverlay->DrawInRect(TRect(0, 0, 512, 512), 1.0f, 0, 1.0f);
  if (began) End2d();
}

bool TRenderer::MayBegin(const char* block) const {
  if (mIn2d || mIn3d) {
    LogError("%s called when already in %s state", block, mIn2d ? "Begin2d" : "Begin3d");
    return false;
  }
  if (!mDrawing) {
    LogError("ERROR: Calling %s outside of a BeginDraw or BeginRenderTarget block!", block);
    return false;
  }
  return true;
}

bool TRenderer::Begin2d() {
  if (!MayBegin("Begin2d")) return false;
  mIn2d = mBackend->Begin2d();
  return mIn2d;
}

void TRenderer::End2d() {
  if (!mIn2d) {
    LogError("End2d called when not in Begin2d state");
    return;
  }
  if (!mDrawing) LogError("ERROR: Calling End2d after EndDraw or EndRenderTarget!");
  mBackend->End2d();
  mIn2d = false;
}

bool TRenderer::Begin3d() {
  if (!MayBegin("Begin3d")) return false;
  mIn3d = mBackend->Begin3d();
  return mIn3d;
}

void TRenderer::End3d() {
  if (!mIn3d) {
    LogError("End3d called when not in Begin3d state");
    return;
  }
  if (!mDrawing) LogError("Calling End3d after EndDraw or EndRenderTarget!");
  mIn3d = false;
}

bool TRenderer::BeginRenderTarget(std::shared_ptr<TTexture> target, uint32_t argument) {
  if (!target || target->IsSimple() || mDrawing) return false;
  bool ok = mBackend->BeginRenderTarget(target, argument);
  mInRenderTarget = ok;
  mDrawing = ok;
  return ok;
}

void TRenderer::EndRenderTarget() {
  mBackend->EndRenderTarget();
  mInRenderTarget = false;
  mDrawing = false;
}

void TRenderer::DrawVertices(uint32_t primitive, TVertexArray* vertices) {
  if (!mIn2d && !mIn3d) {
    LogError("DrawVertices called when not in Begin2d or Begin3d state");
    return;
  }
  mBackend->DrawVertices(primitive, vertices);
}

void TRenderer::DrawIndexedVertices(uint32_t primitive, TVertexArray* vertices, const uint16_t* indices,
                                    uint32_t indexCount) {
  if (!mIn2d && !mIn3d) {
    LogError("DrawIndexedVertices called when not in Begin2d or Begin3d state");
    return;
  }
  mBackend->DrawIndexedVertices(primitive, vertices, indices, indexCount);
}

void TRenderer::SetTexture(std::shared_ptr<TTexture> texture) {
  if (texture && texture->IsSimple()) texture.reset();
  mTexture = texture;
  mBackend->SetTexture(texture);
}

void TRenderer::FillRect(const TRect& rect, const TColor& colour, std::shared_ptr<TTexture> texture) {
  if (texture) {
    mBackend->FillRect(rect.left, rect.top, rect.right, rect.bottom, &colour, texture);
    return;
  }
  TRect viewport = GetViewport();
  TRect r = rect;
  r.Offset(viewport.left, viewport.top);
  r = r.Intersect(viewport);
  mBackend->FillRect(r.left, r.top, r.right, r.bottom, &colour, nullptr);
}

void TRenderer::SetViewport(const TRect& rect) { mBackend->SetViewport(rect.left, rect.top, rect.right, rect.bottom); }

void TRenderer::GetViewport(TRect& rect) { mBackend->GetViewport(&rect.left, &rect.top, &rect.right, &rect.bottom); }

TRect TRenderer::GetViewport() {
  TRect r;
  GetViewport(r);
  return r;
}

void TRenderer::PushViewport(const TRect& rect) { mBackend->PushViewport(rect.left, rect.top, rect.right, rect.bottom); }

void TRenderer::PopViewport() { mBackend->PopViewport(); }

void TRenderer::ApplyClip() { mBackend->SetClipRect(mClipStack.back()); }

void TRenderer::SetClipRect(const TRect& rect) {
  if (mClipStack.empty())
    mClipStack.push_back(rect);
  else
    mClipStack.back() = rect;
  ApplyClip();
}

void TRenderer::PushClipRect(const TRect& rect) {
  mClipStack.push_back(rect);
  ApplyClip();
}

void TRenderer::PopClipRect() {
  if (mClipStack.size() <= 1) return;
  mClipStack.pop_back();
  ApplyClip();
}

TRect TRenderer::GetClipRect() const { return mClipStack.empty() ? TRect() : mClipStack.back(); }

void TRenderer::SetBlendMode(int mode) {
  if (mode < 0 || mode > 4) return;
  mBackend->SetBlendMode(mode);
}

void TRenderer::SetCullMode(int mode) { mBackend->SetCullMode(mode); }

void TRenderer::SetMaterial(const D3DMATERIAL7& material) { mBackend->SetMaterial(material); }

void TRenderer::SetTextureFilter(int filter) { mBackend->SetTextureFilter(filter); }

bool TRenderer::SupportsNonPowerOfTwo() { return mBackend->SupportsNonPowerOfTwo(); }

void TRenderer::SetOption(TStr key, TStr value) {
  if (key == TStr("fps")) mShowFps = value.ToInt() != 0;
  mBackend->SetOption(key, value);
}

TStr TRenderer::GetOption(TStr key) { return mBackend->GetOption(key); }

bool TRenderer::IsFrameDone() { return mBackend->IsFrameDone(); }

void TRenderer::OnOutOfVideoMemory() { mBackend->OnOutOfVideoMemory(); }

void TRenderer::SetCaptureTexture(std::shared_ptr<TTexture> texture) {
  if (texture) {
    int width = 0, height = 0;
    if (gRootSizeQuery) {
      if (!gRootSizeQuery(&width, &height)) return;
    } else {
      TRect screen = mBackend->GetScreenRect();
      width = screen.Width();
      height = screen.Height();
    }
    if ((int)texture->GetWidth() != width || (int)texture->GetHeight() != height) return;
  }
  mCaptureTexture = texture;
}

bool TRenderer::ToggleDebugInfo() {
  mDebugOverlay = !mDebugOverlay;
  return !mDebugOverlay;
}

void ClearMaterial(D3DMATERIAL7& material) { std::memset(&material, 0, sizeof material); }

void TDraw2dScope::End() {
  if (!mBegan) return;
  mBegan = false;
  TRenderer::Get()->End2d();
}
