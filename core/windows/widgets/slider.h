// TSlider: a rail drawn from three images (top, stretched middle, bottom) and a draggable thumb
// (a child TImage) whose position stands for a value from 0 to 1. It reports value changes,
// the end of a drag and clicks on the rail beside the thumb as messages climbing the tree
// (kSliderValChanged, kSliderMouseUp, kSliderPageUp, kSliderPageDown). Script type "Slider".
#pragma once

#include <cstdint>
#include <memory>

#include "core/windows/window.h"

class TImage;
class TTexture;

class TSlider : public TWindow {
 public:
  TSlider();
  // The thumb goes with the children (or alone when it never became one).
  ~TSlider() override;

  const char* GetClassName() const override { return "TSlider"; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &TSlider::GetFactory || TWindow::IsKindOf(classId);
  }
  // Creates a TSlider (script type "Slider"); the class identity.
  static TWindow* GetFactory();

  // Keys "hslider" (without it a slider wider than high is horizontal), "railtop", "railmid",
  // "railbot", "sliderimage", "sliderrollimage", "name", "scale", "yoffset", "value". Only the
  // first call reads them; later ones only lay the window out.
  void Init(TWindowStyle& style) override;
  void Draw() override;
  bool OnMouseDown(TPoint point) override;
  bool OnMouseUp(TPoint point) override;
  bool OnMouseMove(TPoint point) override;
  bool OnMouseLeave() override;

  float GetValue() const { return mValue; }
  // Clamped to 0..1; moves the thumb; unless silent, sends kSliderValChanged (changed or not).
  void SetValue(float value, bool silent);
  bool IsHorizontal() const { return mHorizontal; }
  bool IsDragging() const { return mDragging != 0; }
  TImage* GetThumb() const { return mThumb; }
  int32_t GetThickness() const { return mThickness; }

 protected:
  // The size across the rail: the widest rail image or the thumb with its offset.
  void Layout();
  void PlaceThumb();
  void ShowThumb(bool hover);
  bool InThumb(TPoint point) const;
  void Send(int32_t type);
  // One rail piece: its texture from `along` for `length` pixels, centred across.
  void DrawPiece(const std::shared_ptr<TTexture>& texture, float along, float length, float originX, float originY);

  int32_t mDragging = 0;
  bool mInitialised = false;
  TImage* mThumb;
  std::shared_ptr<TTexture> mThumbNormal, mThumbHover;
  std::shared_ptr<TTexture> mRailTop, mRailMid, mRailBottom;
  float mValue = 0.0f;
  float mScale = 1.0f;
  float mRailOpacity = 1.0f;
  int32_t mThumbOffset = 0;
  int32_t mThickness = 0;
  bool mHorizontal = false;
};
