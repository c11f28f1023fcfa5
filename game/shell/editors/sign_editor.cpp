// The sign and its editor.
#include "game/shell/editors/sign_editor.h"

#include <cmath>

#include "core/base/saturate.h"
#include "core/graphics/text/text_sprite.h"
#include "core/graphics/texture.h"
#include "core/script/lua_table.h"
#include "core/windows/message.h"
#include "core/windows/widgets/slider.h"
#include "core/windows/window_style.h"
#include "game/shell/editors/editor_drawing.h"

namespace {

constexpr uint32_t kTextWidth = 350, kTextHeight = 200;
constexpr int kTextLayout = 5;  // centred both ways

float Percent(float value) { return value > 0 ? (value < 100 ? value : 100) : 0; }  // NaN 0

float Radians(float degrees) { return degrees * 2.0f * (float)M_PI / 360.0f; }

int FontSize(float size) { return SaturateToInt32(std::trunc((double)size)); }

std::shared_ptr<TTexture> Board(const TStr& name) { return TTexture::Get("logo/" + name, 0); }

void PlaceLogo(TSprite& logo, const TSignDesign& d) {
  logo.GetDrawSpec() = TDrawSpec(TVec2(d.logoX, d.logoY), d.logoA / 100.0f, d.logoScale / 100.0f, 0);
  logo.GetDrawSpec().mMatrix.Rotate(Radians(d.logoR));
}

TColor TextColour(const TSignDesign& d) { return HsvToRgb(d.textH, d.textS, d.textV, d.textA); }

// The design's numbers, by their key, which is also the name of the slider that sets each: its
// value v gives v * scale + offset, then the part of the sign it changes is brought up to date.
enum Update { kColour, kText, kSize, kLogo, kLogoAlpha };
struct Control {
  const char* name;
  float TSignDesign::*value;
  float scale, offset;
  Update update;
};
const Control kControls[] = {
    {"textH", &TSignDesign::textH, 360, 0, kColour},      {"textS", &TSignDesign::textS, 100, 0, kColour},
    {"textV", &TSignDesign::textV, 100, 0, kColour},      {"textA", &TSignDesign::textA, 100, 0, kColour},
    {"textX", &TSignDesign::textX, 1, 0, kText},          {"textY", &TSignDesign::textY, 1, 0, kText},
    {"textSize", &TSignDesign::textSize, 100, 15, kSize}, {"logoScale", &TSignDesign::logoScale, 100, 0, kLogo},
    {"logoA", &TSignDesign::logoA, 100, 0, kLogoAlpha},   {"logoR", &TSignDesign::logoR, 100, 0, kLogo},
    {"logoX", &TSignDesign::logoX, 1, 0, kLogo},          {"logoY", &TSignDesign::logoY, 1, 0, kLogo},
};

}  // namespace

TSignDesign TSignDesign::Read(TLuaTable* t) {
  TSignDesign d;
  if (!t) return d;
  d.background = t->GetString("background", d.background);
  d.logo = t->GetString("logo", d.logo);
  d.font = t->GetString("font", d.font);
  d.text = t->GetString("text", d.text);
  for (const Control& c : kControls) d.*c.value = (float)t->GetNumber(c.name, d.*c.value);
  return d;
}

TColor HsvToRgb(float hue, float saturation, float value, float alpha) {
  // A stored hue may lie outside the circle: it is the same colour a whole turn on.
  float h = std::isfinite(hue) ? std::fmod(hue, 360.0f) : 0.0f;
  if (h < 0) h += 360.0f;
  const float v = Percent(value) / 100.0f, s = Percent(saturation) / 100.0f, a = Percent(alpha) / 100.0f;
  if (s <= 0) return TColor(v, v, v, a);
  float h6 = h / 360.0f * 6.0f;
  if (h6 >= 6.0f) h6 = 0.0f;
  int i = (int)h6;
  float f = h6 - (float)i;
  float p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
  switch (i) {
    case 0: return TColor(v, t, p, a);
    case 1: return TColor(q, v, p, a);
    case 2: return TColor(p, v, t, a);
    case 3: return TColor(p, q, v, a);
    case 4: return TColor(t, p, v, a);
    default: return TColor(v, p, q, a);
  }
}

TClassId Sign::ClassId() {
  static const char token = 0;
  return &token;
}

std::shared_ptr<Sign> Sign::Create(const TSignDesign& d) {
  std::shared_ptr<Sign> sign(new Sign);
  sign->SetTexture(Board(d.background));
  sign->mLogo = TSprite::Create(1, Board(d.logo));
  PlaceLogo(*sign->mLogo, d);
  sign->AddChild(sign->mLogo);
  sign->mText = TTextSprite::Create(kTextWidth, kTextHeight, kTextLayout, "fonts/" + d.font, FontSize(d.textSize),
                                    TextColour(d), 2);
  sign->mText->SetPosition(TVec2(d.textX, d.textY));
  sign->AddChild(sign->mText);
  sign->mText->SetText(d.text);
  return sign;
}

Sign::~Sign() {
  mText.reset();
  mLogo.reset();
}

SignEditor::SignEditor() {
  mGlobals.Bind("SetBackground", this, &SignEditor::SetBackground);
  mGlobals.Bind("SetLogo", this, &SignEditor::SetLogo);
  mGlobals.Bind("SetFont", this, &SignEditor::SetFont);
  mGlobals.Bind("SetText", this, &SignEditor::SetText);
}

SignEditor::~SignEditor() { mSign.reset(); }

TWindow* SignEditor::Create() { return new SignEditor; }

void SignEditor::PostChildrenInit(TWindowStyle& style) {
  TWindow::PostChildrenInit(style);
  std::unique_ptr<TLuaTable> design(style.GetTable("sign"));
  if (!design) return;
  mDesign = TSignDesign::Read(design.get());
  mSign = Sign::Create(mDesign);
  design.reset();
  mSign->SetPosition(TVec2((float)style.GetNumber("signx", 0), (float)style.GetNumber("signy", 0)));
}

void SignEditor::Draw() {
  if (mSign) DrawSpriteInWindow(mSign, this);
}

void SignEditor::SetBackground(TStr name) {
  if (mSign) mSign->SetTexture(Board(name));
  RequestRedraw();
}

void SignEditor::SetLogo(TStr name) {
  if (mSign) mSign->GetLogo()->SetTexture(Board(name));
  RequestRedraw();
}

void SignEditor::SetFont(TStr name) {
  if (mSign) mSign->GetText()->SetFont("fonts/" + name);
  RequestRedraw();
}

void SignEditor::SetText(TStr text) {
  if (mSign) mSign->GetText()->SetText(text);
  RequestRedraw();
}

void SignEditor::UpdateTextColour() { mSign->GetText()->SetColor(TextColour(mDesign)); }

void SignEditor::UpdateTextPlacement() {
  mSign->GetText()->GetDrawSpec() = TDrawSpec(TVec2(mDesign.textX, mDesign.textY), mDesign.textA / 100.0f, 1.0f, 0);
}

void SignEditor::UpdateLogoPlacement() { PlaceLogo(*mSign->GetLogo(), mDesign); }

bool SignEditor::OnMessage(TMessage* message) {
  if (message->GetType() != kSliderValChanged) return false;
  TWindow* found = FindChild(message->GetName(), -1);
  if (!found || !found->IsKindOf(&TSlider::GetFactory)) return false;
  const float v = static_cast<TSlider*>(found)->GetValue();
  RequestRedraw();
  if (!mSign) return false;  // built without a design: nothing to change
  for (const Control& c : kControls) {
    if (message->GetName() != TStr(c.name)) continue;
    mDesign.*c.value = v * c.scale + c.offset;
    switch (c.update) {
      case kColour: UpdateTextColour(); break;
      case kText: UpdateTextPlacement(); break;
      case kSize: mSign->GetText()->SetFontSize(FontSize(mDesign.textSize)); break;
      case kLogo: UpdateLogoPlacement(); break;
      case kLogoAlpha: mSign->GetLogo()->SetAlpha(mDesign.logoA / 100.0f); break;
    }
    break;
  }
  return false;
}
