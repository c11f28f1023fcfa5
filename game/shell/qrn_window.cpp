// The game's window base: fill, nine-piece frame, subtree alpha, mouse swallowing. Drawing goes
// through the window manager's host, like the toolkit's own windows.
//
// The frame's pieces are frames of one animated texture, each drawn at its registration point:
// corners 0-3 at the window's corners (top-left, top-right, bottom-left, bottom-right), edges 4-7
// (left, right, top, bottom) tiled from the top-left corner outwards by the width or height of
// their piece, and frame 8, when there is one, centred on the top edge as an ornament. The
// pieces may lie outside the window, so the frame replaces the window's clip: top and bottom
// edges are held to its width, side edges to its height, corners are not held at all.
#include "game/shell/qrn_window.h"

#include <algorithm>

#include "core/graphics/draw_spec.h"
#include "core/graphics/sprites/animated_texture.h"
#include "core/graphics/vertex_array.h"
#include "core/windows/text.h"
#include "core/windows/window_host.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_style.h"
#include "game/shell/window_fader.h"

namespace {

enum Piece : int32_t {
  kTopLeft = 0,
  kTopRight = 1,
  kBottomLeft = 2,
  kBottomRight = 3,
  kLeftEdge = 4,
  kRightEdge = 5,
  kTopEdge = 6,
  kBottomEdge = 7,
  kOrnament = 8,
};

float Unit(float v) { return v >= 0.0f ? std::min(v, 1.0f) : 0.0f; }

TWindowHost* Host() {
  TWindowManager* manager = TWindowManager::Get();
  return manager ? &manager->GetHost() : nullptr;
}

}  // namespace

void FillRectAlpha(const TRect& rect, const TColor& color) {
  TWindowHost* host = Host();
  if (!host || !(color.a > 0.0f)) return;
  if (color.a == 1.0f) {
    host->FillRect(rect, color);
    return;
  }
  uint32_t diffuse = TColor32(TColor(Unit(color.r), Unit(color.g), Unit(color.b), Unit(color.a))).Value();
  float l = (float)rect.left, t = (float)rect.top, r = (float)rect.right, b = (float)rect.bottom;
  TVertex quad[6] = {{l, t, 0, 0, diffuse, 0, 0, 0}, {r, t, 0, 0, diffuse, 0, 0, 0}, {l, b, 0, 0, diffuse, 0, 0, 0},
                     {r, t, 0, 0, diffuse, 0, 0, 0}, {r, b, 0, 0, diffuse, 0, 0, 0}, {l, b, 0, 0, diffuse, 0, 0, 0}};
  host->DrawTriangles(nullptr, quad, 6);
}

TQRNWindow::TQRNWindow() : mColor(1.0f, 1.0f, 1.0f, 0.0f) {}

TQRNWindow::~TQRNWindow() { mFrame.reset(); }

TWindow* TQRNWindow::Create() { return new TQRNWindow; }

void TQRNWindow::PostChildrenInit(TWindowStyle& style) {
  TWindow::PostChildrenInit(style);
  mSwallowMouse = style.GetBool("swallowmouse", false);
  TStr frame = style.GetString("frame", TStr());
  if (!frame.IsEmpty()) {
    if (frame.Find(TStr(".xml")) < 0) frame += ".xml";
    mFrame = TAnimatedTexture::Get(frame);
  }
  mColor = style.GetColor("color", mColor);
  if (mColor.a >= 0.0f && mColor.a <= 1.0f) SetAlpha(mColor.a, true);
  mFill = style.GetBool("fill", mFill);
}

bool TQRNWindow::OnOtherMouseEvent(TPoint point, uint32_t button) {
  if (mSwallowMouse) return true;
  if (button == kButtonRightDown) return OnRightMouseDown(point);
  if (button == kButtonRightUp) return OnRightMouseUp(point);
  return false;
}

void TQRNWindow::SetAlpha(float alpha, bool fadeChildren) {
  if (!(alpha >= 0.0f && alpha <= 1.0f)) return;
  mColor.a = alpha;
  if (fadeChildren) {
    TWindowFader fader(alpha);
    ForEachChild(fader);
  }
  RequestRedraw();
}

void TQRNWindow::Draw() {
  if (mFill) FillRectAlpha(GetScreenRect(), mColor);
  TWindow::Draw();
  if (mFrame) DrawFrame();
}

void TQRNWindow::DrawFrame() {
  TWindowHost* host = Host();
  TWindowManager* manager = TWindowManager::Get();
  TWindow* root = manager ? manager->GetScreen() : nullptr;
  if (!host || !root) return;
  TRect screen = root->GetScreenRect();
  TRect r = GetScreenRect();
  TAnimatedTexture& frame = *mFrame;
  auto draw = [&](int32_t piece, int32_t x, int32_t y) {
    frame.SetFrame(piece);
    host->DrawTexture(mFrame, TDrawSpec(TVec2((float)x, (float)y), mColor.a, 1.0f, 0));
  };
  // A piece of no size would never step on.
  auto tile = [&](int32_t piece, bool across, int32_t fixed, const TRect& clip) {
    TRect source = frame.GetFrameRect(piece);
    int32_t step = across ? source.Width() : source.Height();
    if (step <= 0) return;
    host->PushClipRect(clip);
    int32_t end = across ? r.right : r.bottom;
    for (int32_t at = across ? r.left : r.top; at < end; at += step)
      draw(piece, across ? at : fixed, across ? fixed : at);
    host->PopClipRect();
  };
  TRect across(std::max(0, r.left), screen.top, std::max(0, r.right), screen.bottom);
  TRect down(screen.left, std::max(0, r.top), screen.right, std::max(0, r.bottom));
  tile(kTopEdge, true, r.top, across);
  tile(kBottomEdge, true, r.bottom, across);
  tile(kLeftEdge, false, r.left, down);
  tile(kRightEdge, false, r.right, down);
  host->PushClipRect(screen);
  draw(kTopLeft, r.left, r.top);
  draw(kTopRight, r.right, r.top);
  draw(kBottomLeft, r.left, r.bottom);
  draw(kBottomRight, r.right, r.bottom);
  if (frame.GetFrameCount() > 8) draw(kOrnament, (r.left + r.right) / 2, r.top);
  host->PopClipRect();
}

TText* FindChildText(TWindow* window, const TStr& name, int depth) {
  TWindow* child = window ? window->FindChild(name, depth) : nullptr;
  return child && child->IsKindOf(&TText::GetFactory) ? static_cast<TText*>(child) : nullptr;
}
