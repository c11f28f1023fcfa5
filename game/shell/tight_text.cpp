// The tight text's sizing.
#include "game/shell/tight_text.h"

#include "core/windows/window_style.h"

TWindow* TTightText::Create() { return new TTightText(); }

void TTightText::Init(TWindowStyle& style) {
  // The text layout takes its box from the window's size when it is made, and the window's
  // keys only fill in a size still 0: sized first, the text is laid out in the large area.
  SetSize(800, 600);
  TText::Init(style);
  mPad = style.GetInt("pad", 3);
}

void TTightText::PostChildrenInit(TWindowStyle& style) {
  TWindow::PostChildrenInit(style);
  TRect bounds = GetTextBounds();
  SetSize(mPad + (bounds.right - bounds.left), bounds.bottom - bounds.top);
}
