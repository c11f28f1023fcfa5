// TImage: the toolkit's picture window. It shows one texture at a scale and an alpha, mirrored
// and turned a quarter as asked, and sizes itself to the picture. Script type "Bitmap"; buttons
// make one per state image.
#pragma once

#include <cstdint>
#include <memory>

#include "core/windows/widget_calls.h"
#include "core/windows/window.h"

class TTexture;

class TImage : public TWindow, public TImageCalls {
 public:
  // Flip bits (the drawing spec's).
  static constexpr uint32_t kFlipHorizontal = 1, kFlipVertical = 2;

  // renderTarget: the window may be drawn in the render-target pass.
  explicit TImage(bool renderTarget);
  ~TImage() override;

  const char* GetClassName() const override { return "TImage"; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &TImage::GetFactory || TWindow::IsKindOf(classId);
  }
  // Creates a TImage for the render-target pass (script type "Bitmap"); the class identity.
  static TWindow* GetFactory();

  // Keys "image", "mask", "scale", "alpha", "mipmap", "hflip", "vflip", "rotate", then the
  // window's keys, so explicit "w" and "h" win over the picture's size.
  void Init(TWindowStyle& style) override;
  void Draw() override;

  // Sizes the window to the picture times the scale (rounded); an empty texture keeps the size.
  void SetTexture(std::shared_ptr<TTexture> texture, float scale) override;
  bool HasTexture() const override { return mTexture != nullptr; }
  std::shared_ptr<TTexture> GetTexture() const { return mTexture; }
  // Exactly 1 on a picture without alpha makes the window opaque (it covers what lies beneath).
  void SetAlpha(float alpha);
  float GetAlpha() const { return mAlpha; }
  float GetScale() const { return mScale; }
  void SetFlip(uint32_t bits);
  uint32_t GetFlip() const { return mFlip; }
  // A quarter turn, with width and height swapped.
  void SetRotate(bool on);
  bool GetRotate() const { return mRotate; }

 protected:
  void SizeToTexture();

  std::shared_ptr<TTexture> mTexture;
  float mScale = 1.0f;
  float mAlpha = 1.0f;
  uint32_t mFlip = 0;
  bool mRotate = false;
};
