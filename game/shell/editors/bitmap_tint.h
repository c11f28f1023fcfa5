// TBitmapTint: a picture window whose picture is drawn in a colour tint, optionally mirrored,
// centred on an offset inside the window (-9999 stands for the window's centre on that axis).
// Scripts change the picture, tint, offset and mirroring of a named one while it is shown
// (BTSetBitmap, BTSetTint, BTSetOffset, BTSetFlip). Script type "BitmapTint".
#pragma once

#include <cstdint>

#include "core/base/color.h"
#include "core/base/str.h"
#include "core/windows/widgets/image.h"

class TLuaTable;

class TBitmapTint : public TImage {
 public:
  static constexpr float kCentre = -9999.0f;

  // The first one made for a script gives it the four BT functions.
  TBitmapTint();

  static TWindow* GetFactory();
  const char* GetClassName() const override { return "TBitmapTint"; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &TBitmapTint::GetFactory || TImage::IsKindOf(classId);
  }

  // Keys "image", "mask", "scale", "alpha", "mipmap", "tint" {r, g, b, a}, "dx", "dy", "hflip",
  // "w" and "h"; the window's size afterwards is its base size.
  void Init(TWindowStyle& style) override;
  void Draw() override;

  // A new picture at a scale; the window keeps its base size.
  void SetBitmap(TStr image, float scale);
  // Entries 1 to 4 of the table, each 1 when missing.
  void SetTintFromTable(TLuaTable* table);
  // Each change asks for a frame: a screen that is otherwise still would not show it.
  void SetTint(const TColor& tint);
  void SetOffset(float x, float y);
  void SetHFlip(bool on);

  const TColor& GetTint() const { return mTint; }
  float GetOffsetX() const { return mOffsetX; }
  float GetOffsetY() const { return mOffsetY; }
  bool GetHFlip() const { return mHFlip; }
  int32_t GetBaseWidth() const { return mBaseWidth; }
  int32_t GetBaseHeight() const { return mBaseHeight; }

 private:
  TColor mTint = TColor(1, 1, 1, 1);
  float mOffsetX = 0.0f;
  float mOffsetY = 0.0f;
  int32_t mBaseWidth = 0;
  int32_t mBaseHeight = 0;
  bool mHFlip = false;
};

// The named TBitmapTint under the top modal window, or null.
TBitmapTint* FindBitmapTint(const TStr& name);
