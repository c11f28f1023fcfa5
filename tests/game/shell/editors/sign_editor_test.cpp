// The sign editor: the colour of hue, saturation and value, a sign built from a design, the
// sliders and script functions that change it, and an editor made without a design.
#include "game/shell/editors/sign_editor.h"

#include <cmath>

#include "core/graphics/text/text_sprite.h"
#include "core/graphics/texture.h"
#include "tests/game/shell/editors/editor_fixture.h"

namespace {

TEST(SignColourTest, HueSaturationAndValueGiveTheColour) {
  struct Case {
    float h, s, v, a;
    TColor rgb;
  };
  const Case cases[] = {
      {0, 0, 0, 100, TColor(0, 0, 0, 1)},          // the default: black, opaque
      {120, 100, 100, 100, TColor(0, 1, 0, 1)},    // pure green
      {0, 100, 100, 50, TColor(1, 0, 0, 0.5f)},    // red, half seen
      {240, 100, 100, 100, TColor(0, 0, 1, 1)},
      {60, 100, 100, 100, TColor(1, 1, 0, 1)},
      {300, 50, 80, 100, TColor(0.8f, 0.4f, 0.8f, 1)},
      {30, 100, 100, 100, TColor(1, 0.5f, 0, 1)},  // between red and yellow
      {330, 100, 100, 100, TColor(1, 0, 0.5f, 1)},
      {200, 0, 40, 100, TColor(0.4f, 0.4f, 0.4f, 1)},  // no saturation: grey of the value
      // A hue outside the circle is the same colour a whole turn on.
      {360, 100, 100, 100, TColor(1, 0, 0, 1)},
      {480, 100, 100, 100, TColor(0, 1, 0, 1)},
      {-120, 100, 100, 100, TColor(0, 0, 1, 1)},
      {720 + 60, 100, 100, 100, TColor(1, 1, 0, 1)},
      {NAN, 100, 100, 100, TColor(1, 0, 0, 1)},
      // Saturation, value and opacity stay within their percentages.
      {120, 250, 100, 100, TColor(0, 1, 0, 1)},
      {0, 0, 180, 300, TColor(1, 1, 1, 1)},
      {0, 100, -20, -5, TColor(0, 0, 0, 0)},
  };
  for (const Case& c : cases) {
    TColor got = HsvToRgb(c.h, c.s, c.v, c.a);
    EXPECT_NEAR(got.r, c.rgb.r, 1e-5) << c.h << " " << c.s << " " << c.v;
    EXPECT_NEAR(got.g, c.rgb.g, 1e-5) << c.h << " " << c.s << " " << c.v;
    EXPECT_NEAR(got.b, c.rgb.b, 1e-5) << c.h << " " << c.s << " " << c.v;
    EXPECT_NEAR(got.a, c.rgb.a, 1e-5) << c.h << " " << c.s << " " << c.v;
  }
}

class SignEditorTest : public EditorFixture {
 protected:
  void SetUp() override {
    EditorFixture::SetUp();
    for (const char* name : {"logo/bg1", "logo/bg2", "logo/logo1", "logo/logo2"}) PutImage(name, 32, 16);
  }
  // The editor with a design table and its sliders inside it.
  SignEditor* Open(const std::string& design) {
    std::string sliders;
    for (const char* name : {"textH", "textS", "textV", "textA", "textX", "textY", "textSize", "logoScale", "logoA",
                             "logoR", "logoX", "logoY", "other"})
      sliders += std::string("Slider { name = '") + name + "', x = 0, y = 0, w = 100, h = 10 },";
    Make("SignEditor { name = 'signeditor', x = 10, y = 20, w = 400, h = 300, " + design + sliders + "}");
    return Find<SignEditor>("signeditor");
  }
  static float Angle(const TSprite& sprite) {
    const TMat3& m = sprite.GetDrawSpec().mMatrix;
    return std::atan2(m.m[0][1], m.m[0][0]) * 180.0f / (float)M_PI;
  }
  static float Scale(const TSprite& sprite) {
    const TMat3& m = sprite.GetDrawSpec().mMatrix;
    return std::hypot(m.m[0][0], m.m[0][1]);
  }
};

TEST_F(SignEditorTest, AnEmptyDesignShowsTheDefaultSign) {
  SignEditor* editor = Open("sign = {}, signx = 200, signy = 150,");
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(editor->GetSign());
  const Sign& sign = *editor->GetSign();
  EXPECT_EQ(sign.GetTexture(), TTexture::Get("logo/bg1"));
  EXPECT_EQ(sign.GetLogo()->GetTexture(), TTexture::Get("logo/logo1"));
  EXPECT_EQ(sign.GetDrawSpec().GetPosition(), TVec2(200, 150));
  EXPECT_EQ(sign.GetLogo()->GetDrawSpec().GetPosition(), TVec2(0, 0));
  EXPECT_FLOAT_EQ(Scale(*sign.GetLogo()), 1.0f);
  EXPECT_FLOAT_EQ(sign.GetLogo()->GetAlpha(), 1.0f);
  EXPECT_EQ(sign.GetLogo()->GetLayer(), 1);
  TTextLayout* text = sign.GetText()->GetLayout();
  EXPECT_EQ(sign.GetText()->GetLayer(), 2);
  EXPECT_STREQ(text->GetFontName().c_str(), "fonts/fertigo.mvec");
  EXPECT_EQ(text->GetFontSize(), 30);
  EXPECT_STREQ(text->GetText().c_str(), "");
  EXPECT_EQ(sign.GetText()->GetAlignment(), 5);
}

TEST_F(SignEditorTest, TheDesignAndTheSlidersPlaceColourAndSizeTheLogoAndTheText) {
  SignEditor* editor = Open(
      "sign = { background = 'bg2', logo = 'logo2', text = 'Cocoa & Co', textH = 480, textS = 100, textV = 100,"
      "  textSize = 22.9, logoScale = 50, logoR = 90, logoX = 12, logoY = -8, logoA = 40, textX = 3, textY = 4 },");
  ASSERT_NE(editor, nullptr);
  const Sign& sign = *editor->GetSign();
  EXPECT_EQ(sign.GetTexture(), TTexture::Get("logo/bg2"));
  EXPECT_EQ(sign.GetLogo()->GetDrawSpec().GetPosition(), TVec2(12, -8));
  EXPECT_NEAR(Angle(*sign.GetLogo()), 90, 1e-3);
  EXPECT_NEAR(Scale(*sign.GetLogo()), 0.5f, 1e-5);
  EXPECT_FLOAT_EQ(sign.GetLogo()->GetAlpha(), 0.4f);
  EXPECT_EQ(sign.GetText()->GetDrawSpec().GetPosition(), TVec2(3, 4));
  EXPECT_EQ(sign.GetText()->GetLayout()->GetFontSize(), 22);
  EXPECT_STREQ(sign.GetText()->GetLayout()->GetText().c_str(), "Cocoa & Co");

  struct Case {
    const char* slider;
    float value;
    float TSignDesign::*field;
    float expected;
  };
  const Case cases[] = {
      {"textH", 0.5f, &TSignDesign::textH, 180},     {"textS", 0.25f, &TSignDesign::textS, 25},
      {"textV", 1, &TSignDesign::textV, 100},        {"textA", 0.5f, &TSignDesign::textA, 50},
      {"textX", 0.5f, &TSignDesign::textX, 0.5f},    {"textY", 1, &TSignDesign::textY, 1},
      {"textSize", 0, &TSignDesign::textSize, 15},   {"textSize", 1, &TSignDesign::textSize, 115},
      {"logoScale", 0.5f, &TSignDesign::logoScale, 50}, {"logoA", 0.25f, &TSignDesign::logoA, 25},
      {"logoR", 1, &TSignDesign::logoR, 100},        {"logoX", 0.5f, &TSignDesign::logoX, 0.5f},
      {"logoY", 0.75f, &TSignDesign::logoY, 0.75f},
  };
  for (const Case& c : cases) {
    Slide(c.slider, c.value);
    EXPECT_FLOAT_EQ(editor->GetDesign().*c.field, c.expected) << c.slider;
  }
  const TSignDesign& d = editor->GetDesign();
  EXPECT_EQ(sign.GetText()->GetLayout()->GetFontSize(), 115);
  EXPECT_NEAR(Angle(*sign.GetLogo()), 100, 1e-3);
  EXPECT_NEAR(Scale(*sign.GetLogo()), 0.5f, 1e-5);
  EXPECT_EQ(sign.GetLogo()->GetDrawSpec().GetPosition(), TVec2(0.5f, 0.75f));
  EXPECT_FLOAT_EQ(sign.GetLogo()->GetAlpha(), 0.25f);
  EXPECT_EQ(sign.GetText()->GetDrawSpec().GetPosition(), TVec2(0.5f, 1));
  // Hue 180 at saturation 25 and full value: a pale cyan, half seen.
  TColor colour = HsvToRgb(d.textH, d.textS, d.textV, d.textA);
  EXPECT_NEAR(colour.r, 0.75f, 1e-5);
  EXPECT_NEAR(colour.g, 1.0f, 1e-5);
  EXPECT_NEAR(colour.a, 0.5f, 1e-5);

  // A slider of another name changes nothing.
  TSignDesign before = editor->GetDesign();
  Slide("other", 0.3f);
  for (const Case& c : cases) EXPECT_EQ(before.*c.field, editor->GetDesign().*c.field) << c.slider;

  // The script functions change the pictures, the font and the text.
  Run("SetBackground('bg1') SetLogo('logo1') SetFont('serif.mvec') SetText('Bean <b>Bros</b>')");
  EXPECT_EQ(sign.GetTexture(), TTexture::Get("logo/bg1"));
  EXPECT_EQ(sign.GetLogo()->GetTexture(), TTexture::Get("logo/logo1"));
  EXPECT_STREQ(sign.GetText()->GetLayout()->GetFontName().c_str(), "fonts/serif.mvec");
  EXPECT_STREQ(sign.GetText()->GetLayout()->GetText().c_str(), "Bean <b>Bros</b>");
}

// Made without a design, the editor shows nothing, and its functions and sliders change nothing.
TEST_F(SignEditorTest, WithoutADesignItsFunctionsAndSlidersDoNothing) {
  SignEditor* editor = Open("");
  ASSERT_NE(editor, nullptr);
  EXPECT_FALSE(editor->GetSign());
  for (const char* slider : {"textH", "textSize", "logoA", "logoR", "textX"}) Slide(slider, 0.5f);
  Run("SetBackground('bg1') SetLogo('logo1') SetFont('serif.mvec') SetText('x')");
  Frame();
  EXPECT_FALSE(editor->GetSign());
}

TEST_F(SignEditorTest, ItsScriptFunctionsGoWithIt) {
  Run("function SetText() return 'mine' end");
  ASSERT_NE(Open("sign = {},"), nullptr);
  Run("PopModal('screen')");
  manager->DeleteClosedWindows();
  Run("gMine = SetText()");
  EXPECT_EQ(Global("gMine"), "mine");
  for (const char* name : {"SetBackground", "SetLogo", "SetFont"}) EXPECT_EQ(Global(name), "nil") << name;
}

}  // namespace
