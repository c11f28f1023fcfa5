// TImage: loading from the creation keys, sizing, the opaque flag and drawing.
#include "core/windows/widgets/image.h"

#include "core/base/saturate.h"
#include "core/base/vec2.h"
#include "core/graphics/draw_spec.h"
#include "core/graphics/texture.h"
#include "core/windows/window_host.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_style.h"

namespace {

// Far beyond any screen, and far enough from the limits that a window's rectangle cannot overflow.
constexpr int32_t kLargestSide = 1 << 20;

// A script's scale may be huge or no number at all; the size stays a size.
int32_t Scaled(int size, float scale) {
  int32_t scaled = SaturateToInt32((double)((float)(uint32_t)size * scale + 0.5f));
  return scaled < -kLargestSide ? -kLargestSide : scaled > kLargestSide ? kLargestSide : scaled;
}

}  // namespace

TImage::TImage(bool renderTarget) {
  if (renderTarget) mFlags |= kWindowRenderTarget;
}

TImage::~TImage() {}

TWindow* TImage::GetFactory() { return new TImage(true); }

void TImage::Init(TWindowStyle& style) {
  TStr image = style.GetString("image", "");
  TStr mask = style.GetString("mask", "");
  float scale = (float)style.GetNumber("scale", 1.0);
  bool alpha = style.GetBool("alpha", false);
  bool mipmap = style.GetBool("mipmap", false);
  uint32_t flip = (style.GetBool("hflip", false) ? kFlipHorizontal : 0) | (style.GetBool("vflip", false) ? kFlipVertical : 0);
  mRotate = style.GetBool("rotate", false);
  mFlip = flip;
  if (alpha) SetFlags(mFlags & ~(uint32_t)kWindowOpaque);
  uint32_t options = (alpha ? (uint32_t)TTexture::kRequestAlpha : 0u) | (mipmap ? (uint32_t)TTexture::kRequestMipmap : 0u);
  std::shared_ptr<TTexture> texture;
  if (!image.IsEmpty() && !mask.IsEmpty())
    texture = TTexture::GetWithMask(image, mask, options);
  else if (!image.IsEmpty())
    texture = TTexture::Get(image, options);
  SetTexture(texture, scale);
  TWindow::Init(style);
}

void TImage::SizeToTexture() {
  if (!mTexture) return;
  int32_t w = Scaled(mTexture->GetWidth(), mScale), h = Scaled(mTexture->GetHeight(), mScale);
  if (mRotate)
    SetSize(h, w);
  else
    SetSize(w, h);
}

void TImage::SetTexture(std::shared_ptr<TTexture> texture, float scale) {
  mTexture = std::move(texture);
  mScale = scale;
  SizeToTexture();
  RequestRedraw();
}

void TImage::SetAlpha(float alpha) {
  mAlpha = alpha;
  bool opaque = alpha == 1.0f && mTexture && !mTexture->HasAlpha();
  SetFlags(opaque ? mFlags | kWindowOpaque : mFlags & ~kWindowOpaque);
  RequestRedraw();
}

void TImage::SetFlip(uint32_t bits) {
  mFlip = bits;
  RequestRedraw();
}

void TImage::SetRotate(bool on) {
  if (on != mRotate) {
    mRotate = on;
    SizeToTexture();
  }
  RequestRedraw();
}

void TImage::Draw() {
  TWindowManager* manager = TWindowManager::Get();
  if (!mTexture || !manager) return;
  TRect screen = GetScreenRect();
  TDrawSpec spec(TVec2((float)screen.left, (float)screen.top), mAlpha, mScale, 0);
  spec.mFlags |= (mFlip & (kFlipHorizontal | kFlipVertical)) | TDrawSpec::kOrigin;
  if (mRotate) {
    // The top edge turns to the left edge; the turned picture's height is the texture's width,
    // so that is how far down its first column starts, whatever the picture's proportions.
    spec.mMatrix.Rotate(-1.5707964f);
    spec.SetPosition(TVec2((float)screen.left, (float)screen.top + (float)mTexture->GetWidth() * mScale));
  }
  manager->GetHost().DrawTexture(mTexture, spec);
}
