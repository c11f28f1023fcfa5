// TDrawSpec construction and combination.
#include "core/graphics/draw_spec.h"

TDrawSpec::TDrawSpec(const TVec2& position, float alpha, float scale, uint32_t flags)
    : mAlpha(alpha), mFlags(flags) {
  if (scale != 1.0f) mMatrix.Scale(scale);
  mMatrix.SetTranslation(position);
}

TDrawSpec TDrawSpec::Combine(const TDrawSpec& parent) const {
  TDrawSpec r = *this;
  r.mMatrix = mMatrix * parent.mMatrix;
  r.mAlpha = mAlpha * parent.mAlpha;
  r.mFlags ^= parent.mFlags & (kFlipHorizontal | kFlipVertical);
  if (r.mBlendMode == -1) r.mBlendMode = parent.mBlendMode;
  return r;
}
