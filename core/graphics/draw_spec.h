// TDrawSpec: the drawing parameters every textured draw takes (transform, origin, colour, alpha,
// source rectangle, flips, blend mode), and how a child's spec combines with its parent's.
#pragma once

#include <cstdint>

#include "core/base/color.h"
#include "core/base/mat3.h"
#include "core/base/rect.h"
#include "core/base/vec2.h"

struct TDrawSpec {
  enum Flags : uint32_t {
    kFlipHorizontal = 1,
    kFlipVertical = 2,
    kSourceRect = 4,  // mSourceRect is set
    kOrigin = 8,      // mOrigin is set; otherwise a texture is centred on its position
  };

  // Identity, scaled when scale is not 1, translated to the position.
  TDrawSpec(const TVec2& position = TVec2(), float alpha = 1.0f, float scale = 1.0f, uint32_t flags = 0);

  void SetSourceRect(const TRect& r) { mSourceRect = r; mFlags |= kSourceRect; }
  void SetOrigin(const TVec2& o) { mOrigin = o; mFlags |= kOrigin; }
  TVec2 GetPosition() const { return mMatrix.GetTranslation(); }
  void SetPosition(const TVec2& p) { mMatrix.SetTranslation(p); }

  // This spec drawn inside parent: matrices multiplied (this one first), alphas multiplied, the
  // parent's flips toggled into ours, the parent's blend mode taken when ours is -1.
  TDrawSpec Combine(const TDrawSpec& parent) const;

  TMat3 mMatrix;
  TVec2 mOrigin;
  TColor mColor = TColor(1, 1, 1, 1);
  float mAlpha = 1.0f;
  TRect mSourceRect;
  uint32_t mFlags = 0;
  int32_t mBlendMode = -1;  // -1 keeps the renderer's current mode
};
