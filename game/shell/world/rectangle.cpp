// The rectangle window. A translucent fill keeps the size the window had when it was made, as
// its quad was built then; an opaque one follows the window.
#include "game/shell/world/rectangle.h"

#include "core/windows/window_style.h"
#include "game/shell/qrn_window.h"

TRectangle::TRectangle() { BindRectangleFunctions(); }

TRectangle::~TRectangle() {}

TWindow* TRectangle::Create() { return new TRectangle; }

void TRectangle::PostChildrenInit(TWindowStyle& style) {
  TWindow::PostChildrenInit(style);
  mColour = style.GetColor("color", mColour);
  mAlpha = (float)style.GetNumber("alpha", mColour.a);
  mQuadWidth = GetWidth();
  mQuadHeight = GetHeight();
}

void TRectangle::SetColour(const TColor& colour) {
  mColour = colour;
  RequestRedraw();
}

void TRectangle::Draw() {
  mColour.a = mAlpha;
  TRect screen = GetScreenRect();
  if (mAlpha == 1.0f) {
    FillRectAlpha(screen, mColour);
  } else if (mAlpha > 0.0f) {
    FillRectAlpha(TRect(screen.left, screen.top, screen.left + mQuadWidth, screen.top + mQuadHeight), mColour);
  }
}
