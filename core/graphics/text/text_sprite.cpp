// The text sprite draws like any sprite (children below layer 0, own texture, text, the rest);
// the text takes the drawing transform's rotation about the sprite's anchor.
#include "core/graphics/text/text_sprite.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "core/graphics/texture.h"

TClassId TTextSprite::ClassId() {
  static const char token = 0;
  return &token;
}

std::shared_ptr<TTextSprite> TTextSprite::Create(uint32_t width, uint32_t height, int alignment,
                                                 TStr fontName, int fontSize,
                                                 const TColor& colour, int32_t layer) {
  std::shared_ptr<TTextSprite> sprite(new TTextSprite(width, height, layer));
  sprite->SetColor(colour);
  if (alignment) sprite->SetAlignment(alignment);
  if (!fontName.IsEmpty()) sprite->SetFont(fontName);
  sprite->SetFontSize(fontSize);
  return sprite;
}

TTextSprite::TTextSprite(uint32_t width, uint32_t height, int32_t layer)
    : TSprite(layer), mWidth(width), mHeight(height) {
  mLayout = TTextLayout::Create(TStr(), (int)std::min<uint32_t>(width, INT_MAX),
                                (int)std::min<uint32_t>(height, INT_MAX), 0, TStr(), 10,
                                TColor(0, 0, 0, 1));
  mLayout->SetSpriteMode(true);
}

TTextSprite::~TTextSprite() { TTextLayout::Destroy(mLayout); }

void TTextSprite::SetAlignment(int alignment) {
  mAlignment = alignment;
  mLayout->SetFlags(alignment);
  mAnchor = TVec2();
  if (alignment & TTextLayout::kCentre) mAnchor.x = mWidth * 0.5f;
  else if (alignment & TTextLayout::kRight) mAnchor.x = (float)mWidth;
  if (alignment & TTextLayout::kVerticalCentre) mAnchor.y = mHeight * 0.5f;
  else if (alignment & TTextLayout::kBottom) mAnchor.y = (float)mHeight;
}

void TTextSprite::Draw(const TDrawSpec& parent, uint32_t depth) {
  if (!IsVisible()) return;
  TDrawSpec spec = GetDrawSpec().Combine(parent);
  std::vector<std::shared_ptr<TSprite>> children;
  if (depth != 0) children = GetChildren();
  size_t i = 0;
  for (; i < children.size() && children[i]->GetLayer() < 0; ++i) children[i]->Draw(spec, depth - 1);
  if (GetTexture()) GetTexture()->Draw(spec);
  float angle = (float)(std::atan2(spec.mMatrix.m[0][1], spec.mMatrix.m[0][0]) * 360.0 / (2 * M_PI));
  // Laying out again costs a pass, so only a changed angle or anchor is handed on.
  if (angle != mDrawnAngle || mAnchor != mDrawnAnchor) {
    mLayout->SetRotation(angle, (float)(int)mAnchor.x, (float)(int)mAnchor.y);
    mDrawnAngle = angle;
    mDrawnAnchor = mAnchor;
  }
  mLayout->Draw(spec, (int)mWidth, (int)mHeight, spec.mColor, (int)depth);
  for (; i < children.size(); ++i) children[i]->Draw(spec, depth - 1);
}

TRect TTextSprite::GetRect(const TDrawSpec& parent) {
  TDrawSpec spec = GetDrawSpec().Combine(parent);
  const TDrawSpec& own = GetDrawSpec();
  TVec2 origin = (own.mFlags & TDrawSpec::kOrigin) ? own.mOrigin : TVec2(-(float)mWidth * 0.5f, -(float)mHeight * 0.5f);
  const TVec2 corners[4] = {origin, origin + TVec2((float)mWidth, 0), origin + TVec2(0, (float)mHeight),
                            origin + TVec2((float)mWidth, (float)mHeight)};
  float left = 1e30f, top = 1e30f, right = -1e30f, bottom = -1e30f;
  for (const TVec2& c : corners) {
    TVec2 p = c * spec.mMatrix;
    left = std::min(left, p.x);
    top = std::min(top, p.y);
    right = std::max(right, p.x);
    bottom = std::max(bottom, p.y);
  }
  TRect bounds((int32_t)left, (int32_t)top, (int32_t)right, (int32_t)bottom);
  for (auto& child : GetChildren()) {
    TRect r = child->GetRect(spec);
    if (!r.IsEmpty()) bounds = bounds.Union(r);
  }
  return bounds;
}

bool TTextSprite::HitTest(const TVec2& point, int threshold) {
  return GetRect(TDrawSpec()).Contains((int32_t)std::floor(point.x), (int32_t)std::floor(point.y));
}
