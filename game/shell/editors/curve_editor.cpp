// The curve editor: the scene and its zoom, the mouse and keys on the curve, the figure's run
// along it and the clipboard line.
#include "game/shell/editors/curve_editor.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "core/base/color.h"
#include "core/base/platform.h"
#include "core/base/saturate.h"
#include "core/graphics/renderer.h"
#include "core/graphics/sprites/animated_sprite.h"
#include "core/graphics/sprites/animated_texture.h"
#include "core/graphics/texture.h"
#include "core/script/lua_table.h"
#include "core/windows/message.h"
#include "core/windows/modal_window.h"
#include "core/windows/widgets/image.h"
#include "core/windows/widgets/slider.h"
#include "core/windows/widgets/text_edit.h"
#include "core/windows/window_style.h"
#include "game/shell/editors/curve.h"
#include "game/shell/editors/editor_drawing.h"
#include "game/shell/editors/path_sprite.h"

namespace {

const char* const kAnimationFolder = "ports/animations/";

// Depth scales run from 0.01 to 5 over a slider.
float DepthScale(float v) { return 0.01f + 4.99f * v; }
float DepthSlider(float scale) { return (scale - 0.01f) / 4.99f; }

template <typename T>
T* Kind(TWindow* window, TWindowFactory kind) {
  return window && window->IsKindOf(kind) ? static_cast<T*>(window) : nullptr;
}

// The integer a text field starts with (0 when it starts with none), within the bounds.
long long FieldNumber(TWindow* parent, const char* name, long long lo, long long hi) {
  TTextEdit* field = Kind<TTextEdit>(parent ? parent->FindChild(name, -1) : nullptr, &TTextEdit::GetFactory);
  if (!field) return -1;
  TStr text;
  field->GetText(text);
  long long value = strtoll(text.c_str(), nullptr, 10);  // saturates
  return std::clamp(value, lo, hi);
}

std::shared_ptr<TSprite> PlacedSprite(int32_t layer, const TStr& picture, TLuaTable* entry) {
  std::shared_ptr<TSprite> sprite = TSprite::Create(layer, TTexture::Get(picture, 0));
  sprite->GetDrawSpec() = TDrawSpec(TVec2((float)entry->GetNumber("x", 0), (float)entry->GetNumber("y", 0)), 1.0f,
                                    (float)entry->GetNumber("scale", 1.0), 0);
  return sprite;
}

int32_t LayerOf(TLuaTable* entry) { return SaturateToInt32(std::trunc(entry->GetNumber("layer", 0))); }

}  // namespace

TCurveEditor::TCurveEditor()
    : mScene(TSprite::Create(0)), mCurve(CreateEmptyCurve()), mPreview(TAnimatedSprite::Create(0)) {}

TCurveEditor::~TCurveEditor() {
  mPreview.reset();
  mCurve.reset();
  mBackground.reset();
  mScene.reset();
}

TWindow* TCurveEditor::Create() { return new TCurveEditor; }

void TCurveEditor::Init(TWindowStyle& style) {
  TWindow::Init(style);
  mGlobals.Bind("SetAnimScale", this, &TCurveEditor::SetAnimScale);
  mGlobals.Bind("UpdateAnimTime", this, &TCurveEditor::UpdateAnimTime);
  mGlobals.Bind("UpdateAnimLayer", this, &TCurveEditor::UpdateAnimLayer);
  mGlobals.Bind("SetAnimSprite", this, &TCurveEditor::SetAnimSprite);
  TStr background = style.GetString("background", "");
  if (!background.IsEmpty()) {
    mBackground = TSprite::Create(0, TTexture::Get(background, 0));
    mBackground->GetDrawSpec().SetOrigin(TVec2(0, 0));
    mBackground->GetDrawSpec().mFlags |= mScene->GetDrawSpec().mFlags | TDrawSpec::kOrigin;
    mScene->AddChild(mBackground);
  }
  mScene->AddChild(mPreview);
}

void TCurveEditor::PostChildrenInit(TWindowStyle& style) {
  TWindow::PostChildrenInit(style);
  if (TModalWindow* modal = GetParentModal()) modal->SetFocus(this);
  if (std::unique_ptr<TLuaTable> port{style.GetTable("port")}) AddPort(port.get());
  // Applied here too: without a zoom slider the scene would otherwise keep no zoom at all.
  SetAnimScale(mZoom);
  if (TSlider* s = Kind<TSlider>(FindChild("scaleslider", -1), &TSlider::GetFactory)) s->SetValue(mZoom, false);
  if (TSlider* s = Kind<TSlider>(FindChild("farslider", -1), &TSlider::GetFactory)) s->SetValue(DepthSlider(mFarScale), false);
  if (TSlider* s = Kind<TSlider>(FindChild("nearslider", -1), &TSlider::GetFactory))
    s->SetValue(DepthSlider(mNearScale), false);
  SetAnimTimer(kTickMs, true, true, false);
}

void TCurveEditor::AddPort(TLuaTable* port) {
  const TStr folder = "ports/" + port->GetString("name", "") + "/";
  if (std::unique_ptr<TLuaTable> buildings{port->GetTable("buildings")}) {
    for (int i = 1, n = buildings->GetSize(); i <= n; i++) {
      std::unique_ptr<TLuaTable> b(buildings->GetTableAt(i));
      if (b) mScene->AddChild(PlacedSprite(LayerOf(b.get()), folder + b->GetString("name", ""), b.get()));
    }
  }
  if (std::unique_ptr<TLuaTable> sprites{port->GetTable("sprites")}) {
    for (int i = 1, n = sprites->GetSize(); i <= n; i++) {
      std::unique_ptr<TLuaTable> s(sprites->GetTableAt(i));
      if (!s) continue;
      std::unique_ptr<TLuaTable> path(s->GetTable("path"));
      if (path) continue;  // a moving figure: the editor is where it gets its path
      TStr image = s->GetString("image", "");
      if (std::unique_ptr<TLuaTable> images{s->GetTable("images")}) {
        TStr first = images->GetStringAt(1, "");
        if (!first.IsEmpty()) image = first;
      }
      int32_t layer = LayerOf(s.get());
      if (std::unique_ptr<TLuaTable> behind{s->GetTable("behind")}) {
        int32_t under = LayerOf(behind.get());
        layer = under != 0 ? under - 1 : 0;
      }
      mScene->AddChild(PlacedSprite(layer, image, s.get()));
    }
  }
}

void TCurveEditor::SetAnimScale(double zoom) {
  // Also keeps NaN and infinities out of the sizes and the mouse's scene point.
  mZoom = zoom >= kMinZoom ? (zoom <= kMaxZoom ? (float)zoom : kMaxZoom) : kMinZoom;
  const int32_t width = GetWidth(), height = GetHeight();
  const int32_t w = (int32_t)std::trunc((float)width * mZoom), h = (int32_t)std::trunc((float)height * mZoom);
  const int32_t x = (width - w) / 2, y = (height - h) / 2;
  TWindow* parent = GetParent();
  if (TImage* picture = Kind<TImage>(parent ? parent->FindChild("background", -1) : nullptr, &TImage::GetFactory)) {
    picture->SetSize(w, h);
    picture->SetTexture(picture->GetTexture(), mZoom);
    picture->SetSize(w, h);
    picture->SetPosition(x, y);
  }
  mOffsetX = (float)x;
  mOffsetY = (float)y;
  TMat3& m = mScene->GetDrawSpec().mMatrix;
  m.SetIdentity();
  m.Scale(mZoom);
  m.SetTranslation(TVec2(mOffsetX, mOffsetY));
  RequestRedraw();
}

void TCurveEditor::UpdateAnimTime() {
  long long time = FieldNumber(GetParent(), "time", 1, UINT32_MAX);
  if (time >= 1) mTime = (uint32_t)time;
}

void TCurveEditor::UpdateAnimLayer() {
  TTextEdit* field = Kind<TTextEdit>(GetParent() ? GetParent()->FindChild("layer", -1) : nullptr, &TTextEdit::GetFactory);
  if (!field) return;
  mPreview->SetLayer((int32_t)FieldNumber(GetParent(), "layer", INT32_MIN, INT32_MAX));
  RequestRedraw();
}

void TCurveEditor::SetAnimSprite(TStr name) {
  mAnimImage = kAnimationFolder + name;
  if (std::shared_ptr<TAnimatedTexture> animation = TAnimatedTexture::Get(mAnimImage, TStr(), TStr()))
    mPreview->SetTexture(animation);
}

void TCurveEditor::SetCurve(std::shared_ptr<TCurve> curve) {
  mCurve = curve ? std::move(curve) : CreateEmptyCurve();
  mSelected = -1;
  RequestRedraw();
}

TStr TCurveEditor::GetScriptLine() const {
  return TStr::Format(
      "CreateSprite(%s, { image='%s', time=%lu, motion='loop', layer=%d, scaleFar=%01.3f, scaleNear=%01.3f, path={%s}, })",
      mSpriteName.c_str(), mAnimImage.c_str(), (unsigned long)mTime, (int)mPreview->GetLayer(), (double)mFarScale,
      (double)mNearScale, mCurve->ToString().c_str());
}

TVec2 TCurveEditor::ScenePoint(TPoint point) const {
  return TVec2(((float)point.x - mOffsetX) / mZoom, ((float)point.y - mOffsetY) / mZoom);
}

int32_t TCurveEditor::PointAt(TPoint point) const {
  const uint32_t n = mCurve->GetPointCount();
  uint32_t found = mCurve->FindPoint(ScenePoint(point), kPickRadius, 0);
  if (found < n) return (int32_t)found;
  const std::vector<TVec2>& points = mCurve->GetPoints();
  for (uint32_t i = 0; i < n; i++) {
    float x = points[i].x * mZoom + mOffsetX, y = points[i].y * mZoom + mOffsetY;
    if (std::fabs((float)point.x - x) <= kHandleSize && std::fabs((float)point.y - y) <= kHandleSize) return (int32_t)i;
  }
  return -1;
}

bool TCurveEditor::OnMouseDown(TPoint point) {
  if (mMode == kIgnoring) return false;
  if (mMode == kAdding) {
    uint32_t before = mCurve->GetPointCount();
    if (mCurve->AddPoint(ScenePoint(point)) > before) mSelected = (int32_t)before;
    RequestRedraw();
    return true;
  }
  mSelected = PointAt(point);
  RequestRedraw();
  return mSelected >= 0;
}

bool TCurveEditor::OnMouseMove(TPoint point) {
  if (mSelected < 0) return false;
  mCurve->SetPoint((uint32_t)mSelected, ScenePoint(point));
  RequestRedraw();
  return true;
}

bool TCurveEditor::OnMouseUp(TPoint) {
  if (mSelected < 0) return false;
  mSelected = -1;
  RequestRedraw();
  return true;
}

bool TCurveEditor::OnKeyDown(uint8_t key, uint32_t) {
  if (key == kKeyAdd) {
    mMode = kAdding;
  } else if (key == kKeyIgnore) {
    mMode = kIgnoring;
  } else if (key == kKeyCopy) {
    if (TPlatform* platform = TPlatform::GetInstance()) platform->SetClipboardText(GetScriptLine());
  }
  return false;
}

bool TCurveEditor::OnKeyUp(uint8_t key) {
  if ((key == kKeyAdd && mMode == kAdding) || (key == kKeyIgnore && mMode == kIgnoring)) mMode = kNormal;
  return false;
}

bool TCurveEditor::OnMessage(TMessage* message) {
  if (message->GetType() != kSliderValChanged) return false;
  TSlider* slider = Kind<TSlider>(FindChild(message->GetName(), -1), &TSlider::GetFactory);
  if (!slider) return false;
  const TStr& name = message->GetName();
  if (name == "scaleslider") {
    SetAnimScale(slider->GetValue());
  } else if (name == "nearslider") {
    mNearScale = DepthScale(slider->GetValue());
  } else if (name == "farslider") {
    mFarScale = DepthScale(slider->GetValue());
  } else {
    return false;
  }
  RequestRedraw();
  return false;
}

bool TCurveEditor::OnAnimate() {
  mClock += kTickMs;
  UpdatePreview();
  RequestRedraw();
  return true;
}

void TCurveEditor::UpdatePreview() {
  // An empty curve has no point to give: the figure waits, hidden, for the first one.
  mPreview->SetVisible(mCurve->GetPointCount() > 0);
  if (mCurve->GetPointCount() == 0) return;
  mClock %= mTime;
  const float f = (float)mClock / (float)mTime;
  TVec2 direction;
  const TVec2 point = mCurve->GetPoint(f, &direction);
  const double heading = HeadingDegrees(direction);
  const int32_t frames = std::max(mPreview->GetFrameCount(), 1);
  const double step = 360.0 / frames;
  const int32_t frame = HeadingFrame(heading, frames);
  if (frames > 1) mPreview->SetCurrentFrame(frame);
  const float turn = (float)((heading - frame * step) * M_PI / 180.0);
  const float depth = mFarY != mNearY ? mFarScale + (point.y - mFarY) / (mNearY - mFarY) * (mNearScale - mFarScale) : 1.0f;
  TMat3& m = mPreview->GetDrawSpec().mMatrix;
  m = TMat3::MakeRotation(turn);
  m.Scale(depth);
  m.SetTranslation(point);
}

void TCurveEditor::Draw() {
  DrawSpriteInWindow(mScene, this);
  TRenderer* renderer = TRenderer::Get();
  if (!renderer) return;
  TDraw2dScope scope(renderer->IsIn2d() ? false : renderer->Begin2d());
  if (!renderer->IsIn2d()) return;
  const TVec2 origin = WindowOrigin(this);
  const float x = origin.x + mOffsetX, y = origin.y + mOffsetY;
  mCurve->DrawControlPolygon(TColor(1, 1, 1, 1), mZoom, x, y);
  mCurve->DrawPath(TColor(0, 1, 0, 1), mZoom, x, y);
  mCurve->DrawHandles(kHandleSize, TColor(0, 0, 1, 1), mZoom, x, y);
}
