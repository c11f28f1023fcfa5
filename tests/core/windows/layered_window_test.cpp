// The layered window: children by layer, one layer shown at a time.
#include "core/windows/layered_window.h"

#include <gtest/gtest.h>

#include "tests/core/windows/window_test_support.h"

namespace {

using window_test::WindowFixture;

class LayeredWindowTest : public WindowFixture {};

TEST_F(LayeredWindowTest, SelectingALayerShowsItsWindowsOnly) {
  TLayeredWindow layered(3);
  auto* zero = new TWindow();
  layered.AddChild(zero, false);
  layered.SelectLayer(TLayeredWindow::kAllLayers);
  auto* everywhere = new TWindow();
  layered.AddChild(everywhere, false);
  layered.SelectLayer(2);
  auto* two = new TWindow();
  layered.AddChild(two, false);
  auto shown = [](TWindow* w) { return (w->GetFlags() & kWindowEnabled) != 0; };
  EXPECT_FALSE(shown(zero));
  EXPECT_TRUE(shown(everywhere));
  layered.SelectLayer(0);
  EXPECT_TRUE(shown(zero));
  EXPECT_TRUE(shown(everywhere));
  EXPECT_FALSE(shown(two));
  // Selecting the current layer again changes nothing, even a window switched on by hand.
  EnableWindowSafe(two);
  layered.SelectLayer(0);
  EXPECT_TRUE(shown(two));
  layered.SelectLayer(2);
  EXPECT_EQ(layered.GetCurrentLayer(), 2u);
  EXPECT_FALSE(shown(zero));
  EXPECT_TRUE(shown(two));
  layered.SelectLayer(7);  // no such layer: logged, nothing changes
  EXPECT_EQ(layered.GetCurrentLayer(), 2u);
  EXPECT_NE(Log().find("TLayeredWindow::SelectLayer: no layer 7"), std::string::npos);
  layered.RemoveChild(everywhere);
  delete everywhere;
  for (uint32_t i = 0; i < layered.GetLayerCount(); i++) EXPECT_EQ(layered.GetLayer(i).size(), i == 1 ? 0u : 1u);
}

}  // namespace
