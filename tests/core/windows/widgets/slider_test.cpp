// Sliders from script tables: orientation, thickness, value and thumb, dragging and paging with
// the messages they send, and the rail's quads.
#include "core/windows/widgets/slider.h"

#include <cmath>

#include "core/windows/widgets/image.h"
#include "tests/core/windows/widgets/widget_test_support.h"

namespace {

using widget_test::WidgetTest;

class SliderTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    // Rail pieces are upright: 10 wide across the rail, their height along it.
    PutSolidPng("top.png", 10, 4);
    PutSolidPng("mid.png", 6, 2);
    PutSolidPng("bot.png", 10, 4);
    PutSolidPng("thumb.png", 8, 12);
    PutSolidPng("thumbover.png", 8, 12, 0xFFFF0000u);
    PushDialog();
    StartMessageLog();
  }
  TSlider* Make(const std::string& keys) {
    WidgetTest::Make("Slider { name = 's', railtop = 'top.png', railmid = 'mid.png', railbot = 'bot.png',"
                     " sliderimage = 'thumb.png', sliderrollimage = 'thumbover.png', " + keys + " }");
    return Find<TSlider>("s");
  }
};

TEST_F(SliderTest, OrientationComesFromHsliderOrTheShape) {
  struct Case {
    const char* keys;
    bool horizontal;
  } cases[] = {{"w = 200, h = 20", true},
               {"w = 20, h = 20", false},
               {"w = 200, h = 20, hslider = false", false},
               {"w = 20, h = 200, hslider = true", true},
               {"w = 200, h = 20, hslider = -1", true}};
  for (const Case& c : cases) {
    TSlider* slider = Make(c.keys);
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->IsHorizontal(), c.horizontal) << c.keys;
    Run("DestroyWindow('s')");
    Idle();
  }
}

TEST_F(SliderTest, ThicknessIsTheWidestRailOrTheThumbWithItsOffset) {
  struct Case {
    const char* keys;
    int32_t thickness;
  } cases[] = {{"w = 20, h = 200", 10},                         // rail 10, thumb 8
               {"w = 20, h = 200, scale = 2", 20},              // rail 20, thumb 16
               {"w = 20, h = 200, yoffset = -5", 13},           // thumb 8 + 5
               {"w = 200, h = 20", 12},                         // across: the thumb's height
               {"w = 200, h = 20, yoffset = 3, scale = 0.5", 9}};  // thumb 6 + 3 against rail 5
  for (const Case& c : cases) {
    TSlider* slider = Make(c.keys);
    EXPECT_EQ(slider->GetThickness(), c.thickness) << c.keys;
    EXPECT_EQ(slider->IsHorizontal() ? slider->GetHeight() : slider->GetWidth(), c.thickness) << c.keys;
    Run("DestroyWindow('s')");
    Idle();
  }
}

TEST_F(SliderTest, ValuesAreClampedAndPlaceTheThumb) {
  TSlider* slider = Make("x = 10, y = 10, w = 208, h = 20, value = 0.5");
  EXPECT_FLOAT_EQ(slider->GetValue(), 0.5f);
  EXPECT_EQ(slider->GetThumb()->GetRect(), TRect(100, 0, 108, 12));
  EXPECT_TRUE(Messages().empty());  // the initial value is silent
  struct Case {
    float value, stored;
    int32_t left;
  } cases[] = {{1.5f, 1.0f, 200}, {-0.2f, 0.0f, 0}, {0.25f, 0.25f, 50}, {NAN, 0.0f, 0}};
  for (const Case& c : cases) {
    slider->SetValue(c.value, false);
    EXPECT_FLOAT_EQ(slider->GetValue(), c.stored);
    EXPECT_EQ(slider->GetThumb()->GetRect().left, c.left);
  }
  slider->SetValue(0.25f, true);
  // One message per loud call, changed or not.
  EXPECT_EQ(Messages(), std::vector<std::string>(4, "9:s"));
}

TEST_F(SliderTest, ClicksBesideTheThumbPageWithoutMoving) {
  TSlider* slider = Make("w = 208, h = 20, value = 0.5");  // thumb at 100..108
  Click(50, 5);
  Click(150, 5);
  EXPECT_FLOAT_EQ(slider->GetValue(), 0.5f);
  // The release of a page click is nobody's: the dialog passes it on as "mouse:up".
  EXPECT_EQ(Messages(), (std::vector<std::string>{"11:s", "4:mouse:up", "12:s", "4:mouse:up"}));
  Make("x = 300, w = 20, h = 112, value = 1");  // thumb at 100..112
  Click(305, 50);
  Click(305, 111);  // on the thumb: a drag that ends at once
  EXPECT_EQ(Messages(), (std::vector<std::string>{"11:s", "4:mouse:up", "10:s"}));
}

TEST_F(SliderTest, DraggingFollowsThePointerAndStopsAtTheEnds) {
  TSlider* slider = Make("x = 20, y = 30, w = 200, h = 20, value = 0");
  Send(kEventLeftDown, 0, 22, 35);  // on the thumb
  EXPECT_TRUE(slider->IsDragging());
  Send(kEventMouseMove, 0, 70, 35);
  EXPECT_EQ(slider->GetThumb()->GetTexture(), TTexture::Get("thumbover.png"));
  EXPECT_FLOAT_EQ(slider->GetValue(), 0.25f);
  Send(kEventMouseMove, 0, 500, 300);  // far off: still dragging
  EXPECT_FLOAT_EQ(slider->GetValue(), 1.0f);
  Send(kEventMouseMove, 0, 0, 0);
  EXPECT_FLOAT_EQ(slider->GetValue(), 0.0f);
  Send(kEventLeftUp, 0, 0, 0);
  EXPECT_FALSE(slider->IsDragging());
  EXPECT_FALSE(manager->IsMouseTracker(slider));
  EXPECT_EQ(slider->GetThumb()->GetTexture(), TTexture::Get("thumb.png"));
  EXPECT_EQ(Messages(), (std::vector<std::string>{"9:s", "9:s", "9:s", "10:s"}));
  // Hovering lights the thumb; leaving puts it back.
  Send(kEventMouseMove, 0, 22, 35);
  EXPECT_EQ(slider->GetThumb()->GetTexture(), TTexture::Get("thumbover.png"));
  Send(kEventMouseMove, 0, 300, 200);
  EXPECT_EQ(slider->GetThumb()->GetTexture(), TTexture::Get("thumb.png"));
  EXPECT_TRUE(Messages().empty());
}

TEST_F(SliderTest, CutDragEndsAtTheNextMove) {
  TSlider* slider = Make("w = 200, h = 20, value = 0");
  Send(kEventLeftDown, 0, 2, 5);
  Send(kEventMouseMove, 0, 50, 5);
  Send(kEventMouseLost);  // the program lost the mouse before the release
  Send(kEventMouseMove, 0, 150, 5);
  EXPECT_FALSE(slider->IsDragging());
  EXPECT_FLOAT_EQ(slider->GetValue(), 0.25f);  // a hover never moves the value
  EXPECT_EQ(Messages(), (std::vector<std::string>{"9:s", "10:s"}));
}

TEST_F(SliderTest, SliderWithoutLengthDragsToTheStart) {
  TSlider* slider = Make("w = 0, h = 20, hslider = true, value = 0.5");
  ASSERT_EQ(slider->GetWidth(), 0);
  slider->OnMouseDown(TPoint(0, 2));  // the thumb hangs off the empty rail
  slider->OnMouseMove(TPoint(10, 2));
  EXPECT_FLOAT_EQ(slider->GetValue(), 0.0f);
}

TEST_F(SliderTest, RailIsThreeQuadsAlongTheSlider) {
  TSlider* vertical = Make("x = 10, y = 20, w = 20, h = 100");
  host.triangles.clear();
  vertical->Draw();
  ASSERT_EQ(host.triangles.size(), 3u);
  // Top, stretched middle, bottom: (x range, y range) on the screen, centred across the 10 px.
  struct Piece {
    float left, top, right, bottom;
  } pieces[] = {{10, 20, 20, 24}, {12, 24, 18, 116}, {10, 116, 20, 120}};
  for (int i = 0; i < 3; i++) {
    const auto& v = host.triangles[i].vertices;
    ASSERT_EQ(v.size(), 6u);
    EXPECT_FLOAT_EQ(v[0].x, pieces[i].left) << i;
    EXPECT_FLOAT_EQ(v[0].y, pieces[i].top) << i;
    EXPECT_FLOAT_EQ(v[4].x, pieces[i].right) << i;
    EXPECT_FLOAT_EQ(v[4].y, pieces[i].bottom) << i;
    EXPECT_EQ(v[0].diffuse, 0xFFFFFFFFu);
    EXPECT_FLOAT_EQ(v[0].z, 0.1f);
    EXPECT_FLOAT_EQ(v[4].u, 1.0f);  // the whole picture (surfaces fit the pictures here)
  }
  Run("DestroyWindow('s')");
  Idle();
  TSlider* horizontal = Make("x = 10, y = 20, w = 100, h = 20");
  host.triangles.clear();
  horizontal->Draw();
  ASSERT_EQ(host.triangles.size(), 3u);
  // The same pieces with x and y swapped: the top piece is the left end. Across the rail the
  // slider is 12 high (the thumb), so the 10 px pieces sit 1 px in.
  const auto& left = host.triangles[0].vertices;
  EXPECT_FLOAT_EQ(left[0].x, 10);
  EXPECT_FLOAT_EQ(left[0].y, 21);
  EXPECT_FLOAT_EQ(left[4].x, 14);
  EXPECT_FLOAT_EQ(left[4].y, 31);
}

}  // namespace
