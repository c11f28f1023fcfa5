// TSlider: creation keys, layout, the rail's quads, dragging and paging.
#include "core/windows/widgets/slider.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/graphics/texture.h"
#include "core/graphics/vertex_array.h"
#include "core/windows/message.h"
#include "core/windows/widgets/image.h"
#include "core/windows/window_host.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_style.h"

namespace {

TWindowManager* Manager() { return TWindowManager::Get(); }

}  // namespace

TSlider::TSlider() : mThumb(new TImage(false)) {}

TSlider::~TSlider() {
  // A slider that was never initialised never took its thumb as a child.
  if (mThumb && !mThumb->GetParent()) delete mThumb;
}

TWindow* TSlider::GetFactory() { return new TSlider(); }

void TSlider::Init(TWindowStyle& style) {
  TWindow::Init(style);
  if (mInitialised) return;
  mInitialised = true;
  int32_t w = style.GetInt("w", 0), h = style.GetInt("h", 0);
  // A boolean reads as the number 0, so "hslider = false" counts as given.
  if (style.GetNumber("hslider", -1) >= 0)
    mHorizontal = style.GetBool("hslider", false);
  else
    mHorizontal = w > h;
  TStr railTop = style.GetString("railtop", ""), railMid = style.GetString("railmid", "");
  TStr railBottom = style.GetString("railbot", "");
  TStr thumb = style.GetString("sliderimage", ""), thumbHover = style.GetString("sliderrollimage", "");
  TStr name = style.GetString("name", "");
  float scale = (float)style.GetNumber("scale", 1.0);
  mThumbOffset = style.GetInt("yoffset", 0);
  float value = (float)style.GetNumber("value", 0.0);
  SetValue(value, true);
  std::shared_ptr<TTexture> normal = TTexture::Get(thumb, 0), hover = TTexture::Get(thumbHover, 0);
  mName = name;
  mScale = scale;
  mRailTop = TTexture::Get(railTop, 0);
  mRailMid = TTexture::Get(railMid, 0);
  mRailBottom = TTexture::Get(railBottom, 0);
  Layout();
  mThumbNormal = normal;
  mThumbHover = hover;
  mThumb->SetTexture(mThumbNormal, mScale);
  if (!mThumb->GetParent()) AddChild(mThumb, true);
  Layout();
  PlaceThumb();
  if (!mThumb->GetParent()) {
    AddChild(mThumb, true);
    Layout();
  }
}

void TSlider::Layout() {
  int32_t thickness = 0;
  for (const auto* rail : {&mRailTop, &mRailMid, &mRailBottom})
    if (*rail) thickness = std::max(thickness, (int32_t)((float)(*rail)->GetWidth() * mScale));
  if (mThumb) {
    int32_t cross = mHorizontal ? mThumb->GetHeight() : mThumb->GetWidth();
    thickness = std::max(thickness, std::abs(mThumbOffset) + cross);
  }
  mThickness = thickness;
  if (mHorizontal)
    SetSize(GetWidth(), thickness);
  else
    SetSize(thickness, GetHeight());
}

void TSlider::PlaceThumb() {
  if (!mThumb) return;
  if (mHorizontal)
    mThumb->SetPosition((int32_t)((float)(GetWidth() - mThumb->GetWidth()) * mValue), mThumbOffset);
  else
    mThumb->SetPosition(mThumbOffset, (int32_t)((float)(GetHeight() - mThumb->GetHeight()) * mValue));
}

void TSlider::SetValue(float value, bool silent) {
  // NaN (a drag over a slider without length) counts as the start.
  mValue = !(value > 0.0f) ? 0.0f : value > 1.0f ? 1.0f : value;
  if (mThumb) PlaceThumb();
  if (!silent) Send(kSliderValChanged);
}

void TSlider::Send(int32_t type) {
  if (mParent) mParent->BubbleMessage(new TMessage(type, mName));
}

void TSlider::ShowThumb(bool hover) { mThumb->SetTexture(hover ? mThumbHover : mThumbNormal, mScale); }

bool TSlider::InThumb(TPoint point) const { return mThumb->GetRect().Contains(point.x, point.y); }

// Drawing: each piece is two triangles over an upright image (its width across the rail, its
// height along it); a horizontal slider swaps the x and y of every vertex.
void TSlider::DrawPiece(const std::shared_ptr<TTexture>& texture, float along, float length, float originX,
                        float originY) {
  TWindowManager* manager = Manager();
  if (!texture || !manager || length <= 0) return;
  static const float kCorners[6][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 0}, {1, 1}, {0, 1}};
  float width = (float)texture->GetWidth(), height = (float)texture->GetHeight();
  int surfaceWidth = 0, surfaceHeight = 0;
  texture->GetSurfaceSize(&surfaceWidth, &surfaceHeight);
  if (surfaceWidth <= 0 || surfaceHeight <= 0) return;
  float across = ((float)mThickness - width) / 2;
  uint32_t alpha = (uint32_t)std::lround(std::clamp(mRailOpacity, 0.0f, 1.0f) * 255.0f);
  TVertex vertices[6];
  for (int i = 0; i < 6; i++) {
    float cx = kCorners[i][0], cy = kCorners[i][1];
    float x = across + cx * width, y = along + cy * length;
    TVertex& v = vertices[i];
    v.x = originX + (mHorizontal ? y : x);
    v.y = originY + (mHorizontal ? x : y);
    v.z = 0.1f;
    v.w = 0.5f;
    v.diffuse = alpha << 24 | 0xFFFFFFu;
    v.u = cx * width / (float)surfaceWidth;
    v.v = cy * height / (float)surfaceHeight;
  }
  manager->GetHost().DrawTriangles(texture, vertices, 6);
}

void TSlider::Draw() {
  TRect screen = GetScreenRect();
  float length = (float)(mHorizontal ? GetWidth() : GetHeight());
  float top = mRailTop ? (float)mRailTop->GetHeight() : 0.0f;
  float bottom = mRailBottom ? (float)mRailBottom->GetHeight() : 0.0f;
  float x = (float)screen.left, y = (float)screen.top;
  DrawPiece(mRailTop, 0, top, x, y);
  DrawPiece(mRailMid, top, length - top - bottom, x, y);
  DrawPiece(mRailBottom, length - bottom, bottom, x, y);
}

// The mouse.

bool TSlider::OnMouseDown(TPoint point) {
  if (!mThumb) return false;
  if (InThumb(point)) {
    mDragging = 1;
    if (TWindowManager* manager = Manager()) {
      manager->AddMouseTracker(this);
      // The drag keeps the mouse wherever it goes until the button comes up: past either end
      // the value stays at 0 or 1, and a release anywhere ends the drag.
      manager->SetMouseCapture(this);
    }
    return true;
  }
  const TRect& thumb = mThumb->GetRect();
  bool before = mHorizontal ? point.x < thumb.left : point.y < thumb.top;
  Send(before ? kSliderPageUp : kSliderPageDown);
  return true;
}

bool TSlider::OnMouseMove(TPoint point) {
  TWindowManager* manager = Manager();
  if (mDragging && manager && manager->GetMouseCapture() != this) {
    // The capture was cut (a modal window came up, the program lost the mouse): the drag ended
    // without a release reaching the slider.
    mDragging = 0;
    Send(kSliderMouseUp);
  }
  ShowThumb(InThumb(point) || mDragging);
  if (!GetLocalRect().Contains(point.x, point.y) && !mDragging) {
    if (manager) manager->RemoveMouseTracker(this);
    ShowThumb(false);
  } else if (manager) {
    manager->AddMouseTracker(this);
  }
  if (!mDragging) return false;
  float length = (float)(mHorizontal ? GetWidth() : GetHeight());
  float at = (float)(mHorizontal ? point.x : point.y);
  // A slider without length has no position to drag to.
  SetValue(length > 0 ? at / length : 0.0f, false);
  return true;
}

bool TSlider::OnMouseUp(TPoint point) {
  if (!mDragging) return false;
  mDragging = 0;
  TWindowManager* manager = Manager();
  if (manager && manager->GetMouseCapture() == this) manager->SetMouseCapture(nullptr);
  ShowThumb(InThumb(point));
  if (!GetLocalRect().Contains(point.x, point.y)) {
    if (manager) manager->RemoveMouseTracker(this);
    ShowThumb(false);
  }
  Send(kSliderMouseUp);
  return true;
}

bool TSlider::OnMouseLeave() {
  if (mDragging) return true;
  ShowThumb(false);
  if (TWindowManager* manager = Manager()) manager->RemoveMouseTracker(this);
  return true;
}
