// TRectangle: a window filled with one colour, opaque or translucent, for panels, shades and
// dimming layers. Script type "Rectangle"; SetRectangleColor recolours one by name.
#pragma once

#include "core/base/color.h"
#include "core/windows/window.h"

class TLuaTable;

class TRectangle : public TWindow {
 public:
  TRectangle();
  ~TRectangle() override;

  static TWindow* Create();
  const char* GetClassName() const override { return "TRectangle"; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &TRectangle::Create || TWindow::IsKindOf(classId);
  }

  // Keys "color" and "alpha" (default: the colour's own alpha).
  void PostChildrenInit(TWindowStyle& style) override;
  // Opaque at alpha 1 over the whole window; translucent over the area it had when made.
  void Draw() override;
  // Moves over a rectangle go no further.
  bool OnMouseMove(TPoint point) override { return true; }

  // The colour; its alpha gives way to the window's alpha when drawn.
  void SetColour(const TColor& colour);
  const TColor& GetColour() const { return mColour; }
  float GetAlpha() const { return mAlpha; }
  // The translucent fill's size, fixed when the window was made.
  int32_t GetQuadWidth() const { return mQuadWidth; }
  int32_t GetQuadHeight() const { return mQuadHeight; }

 private:
  TColor mColour = TColor(1, 1, 1, 1);
  int32_t mQuadWidth = 0, mQuadHeight = 0;
  float mAlpha = 1.0f;
};

// The script function SetRectangleColor(name, {r, g, b, a}): the rectangle of that name below
// the top modal window takes the colour.
void SetRectangleColor(TStr name, TLuaTable* colour);
// Binds SetRectangleColor in the window script, once per script.
void BindRectangleFunctions();
// Hands the name back (at the end of the game).
void UnbindRectangleFunctions();
