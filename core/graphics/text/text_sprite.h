// TTextSprite: a sprite that shows a rich text in a box of fixed size, so text moves, rotates,
// scales and fades with the sprite tree. The text is a TTextLayout that the sprite owns.
#pragma once

#include <memory>

#include "core/graphics/sprites/sprite.h"
#include "core/graphics/text/text_layout.h"

class TTextSprite : public TSprite {
 public:
  static std::shared_ptr<TTextSprite> Create(uint32_t width, uint32_t height, int alignment,
                                             TStr fontName, int fontSize, const TColor& colour,
                                             int32_t layer = 0);

  static TClassId ClassId();
  const char* GetClassName() const override { return "TTextSprite"; }
  bool IsKindOf(TClassId id) const override { return id == ClassId() || TSprite::IsKindOf(id); }
  ~TTextSprite() override;
  void Draw(const TDrawSpec& parent, uint32_t depth = kAllDepths) override;
  // The box under the drawing transform, united with the children's.
  TRect GetRect(const TDrawSpec& parent) override;
  // Inside the rectangle (left and top edges in); the threshold plays no part.
  bool HitTest(const TVec2& point, int threshold) override;

  void SetColor(const TColor& colour) { mLayout->SetColor(colour); }
  void SetFont(TStr name) { mLayout->SetFont(name); }
  void SetFontSize(int size) { mLayout->SetFontSize(size); }
  void SetText(TStr text) { mLayout->SetText(text); }
  // TTextLayout's alignment flags; also moves the rotation anchor to the aligned point.
  void SetAlignment(int alignment);
  int GetAlignment() const { return mAlignment; }
  TVec2 GetAnchor() const { return mAnchor; }
  TTextLayout* GetLayout() const { return mLayout; }

 protected:
  TTextSprite(uint32_t width, uint32_t height, int32_t layer);

 private:
  uint32_t mWidth, mHeight;
  int mAlignment = 0;
  TVec2 mAnchor;
  TTextLayout* mLayout;
  float mDrawnAngle = 0;  // the rotation last given to the layout
  TVec2 mDrawnAnchor;     // and the origin it turned about
};
