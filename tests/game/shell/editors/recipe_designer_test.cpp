// The recipe designer: the layer lists of a product type, choosing round a list either way (also
// past its ends, on an empty list and outside the four layers), the layers' windows, the
// chosen picture's name, and the random design's shuffle.
#include "game/shell/editors/recipe_designer.h"

#include <climits>
#include <string>
#include <vector>

#include "core/base/random.h"
#include "game/shell/editors/bitmap_tint.h"
#include "tests/game/shell/editors/editor_fixture.h"

namespace {

class RecipeDesignerTest : public EditorFixture {
 protected:
  void SetUp() override {
    EditorFixture::SetUp();
    for (const char* name : {"custom/chocolate_a_layer1", "custom/chocolate_a_layer1_highlight", "custom/chocolate_b_layer1",
                             "custom/chocolate_b_layer2", "custom/chocolate_c_layer2", "custom/chocolate_d_layer3",
                             "custom/chocolate_e_layer4", "custom/chocolate_untagged", "custom/beverage_mug_layer1",
                             "custom/beverage_coffee_layer3", "custom/chocolates_layer1", "custom/sub/chocolate_x_layer1"})
      PutImage(name, 16, 16);
    PutAsset("custom/chocolate_broken_layer2.png", "not a picture");
    PutAsset("custom/chocolate_notes_layer3.txt", "not a picture either");
  }
  // The designer with the four windows of each layer.
  RecipeDesigner* Open() {
    std::string windows;
    for (int layer = 0; layer < 4; layer++) {
      std::string n = std::to_string(layer);
      windows += "BitmapTint { name = 'option_layer" + n + "', x = 0, y = 0, w = 64, h = 64 },"
                 "Bitmap { name = 'option_highlight" + n + "', x = 0, y = 0 },"
                 "BitmapTint { name = 'display_layer" + n + "', x = 100, y = 0, w = 128, h = 128 },"
                 "Bitmap { name = 'display_highlight" + n + "', x = 100, y = 0 },";
    }
    Make("RecipeCreator { name = 'creator', x = 0, y = 0, w = 400, h = 300,"
         "  RecipeDesigner { name = 'designer', x = 0, y = 0, w = 400, h = 300, " + windows + "} }");
    return Find<RecipeDesigner>("designer");
  }
  static std::string List(RecipeDesigner* d, int layer) {
    std::string out;
    for (const TStr& entry : d->GetList(layer)) out += std::string(entry.IsEmpty() ? "-" : entry.c_str()) + " ";
    return out;
  }
  bool Shown(const std::string& name) {
    TWindow* w = Find(name.c_str());
    return w && (w->GetFlags() & kWindowEnabled);
  }
  std::string LayerWindows(int layer) {
    std::string n = std::to_string(layer), out;
    for (const char* kind : {"option_layer", "option_highlight", "display_layer", "display_highlight"})
      out += Shown(kind + n) ? "1" : "0";
    return out;
  }
};

TEST_F(RecipeDesignerTest, ATypesPicturesFillTheLayerListsAndTheDecorationsOfferNone) {
  RecipeDesigner* d = Open();
  ASSERT_NE(d, nullptr);
  Run("SetRecipeType('chocolate')");
  EXPECT_EQ(List(d, 0), "custom/chocolate_a_layer1 custom/chocolate_b_layer1 custom/chocolates_layer1 ");
  EXPECT_EQ(List(d, 1), "custom/chocolate_b_layer2 custom/chocolate_c_layer2 - ");
  EXPECT_EQ(List(d, 2), "custom/chocolate_d_layer3 - ");
  EXPECT_EQ(List(d, 3), "custom/chocolate_e_layer4 - ");
  // A drink always has its drink.
  Run("SetRecipeType('beverage')");
  EXPECT_EQ(List(d, 0), "custom/beverage_mug_layer1 ");
  EXPECT_EQ(List(d, 1), "- ");
  EXPECT_EQ(List(d, 2), "custom/beverage_coffee_layer3 ");
  EXPECT_EQ(List(d, 3), "- ");
  // No pictures of the type: the base shape has nothing to choose, and says so safely.
  Run("SetRecipeType('tea')");
  EXPECT_EQ(List(d, 0), "");
  Run("gIndex = SetLayer(0, 5) gImage = GetLayerImage(0)");
  EXPECT_EQ(Global("gIndex"), "0");
  EXPECT_EQ(Global("gImage"), "");
  EXPECT_EQ(LayerWindows(0), "0000");
}

TEST_F(RecipeDesignerTest, ChoosingCountsRoundTheListEitherWay) {
  RecipeDesigner* d = Open();
  ASSERT_NE(d, nullptr);
  Run("SetRecipeType('chocolate')");  // layer 1: three entries, the last of them no picture
  struct Case {
    int layer;
    double index;
    int chosen;
    const char* image;
    const char* windows;  // option, its highlight, display, its highlight
  };
  const Case cases[] = {
      {1, 0, 0, "chocolate_b_layer2", "1010"},  {1, -1, 2, "", "0000"},
      {1, 3, 0, "chocolate_b_layer2", "1010"},  {1, 4, 1, "chocolate_c_layer2", "1010"},
      {1, -4, 2, "", "0000"},                   {1, -7, 2, "", "0000"},
      {1, 1.9, 1, "chocolate_c_layer2", "1010"}, {1, -2147483648.0, 1, "chocolate_c_layer2", "1010"},
      {1, 1e300, 1, "chocolate_c_layer2", "1010"}, {0, 0, 0, "chocolate_a_layer1", "1111"},
      {0, 1, 1, "chocolate_b_layer1", "1010"},  {0, -3, 0, "chocolate_a_layer1", "1111"},
  };
  for (const Case& c : cases) {
    Run("gIndex = SetLayer(" + std::to_string(c.layer) + ", " + std::to_string(c.index) + ") gImage = GetLayerImage(" +
        std::to_string(c.layer) + ")");
    EXPECT_EQ(Global("gIndex"), std::to_string(c.chosen)) << c.layer << " " << c.index;
    EXPECT_EQ(Global("gImage"), c.image) << c.layer << " " << c.index;
    EXPECT_EQ(LayerWindows(c.layer), c.windows) << c.layer << " " << c.index;
  }
  // The option shows half size, the display full size, each with the chosen picture.
  TBitmapTint* option = Find<TBitmapTint>("option_layer0");
  TBitmapTint* display = Find<TBitmapTint>("display_layer0");
  EXPECT_FLOAT_EQ(option->GetScale(), 0.5f);
  EXPECT_FLOAT_EQ(display->GetScale(), 1.0f);
  EXPECT_EQ(option->GetTexture(), display->GetTexture());

  // Layers outside the four change nothing and answer 0.
  for (const char* call : {"SetLayer(4, 1)", "SetLayer(-1, 1)", "SetLayer(1e10, 0)"}) {
    Run(std::string("gIndex = ") + call);
    EXPECT_EQ(Global("gIndex"), "0") << call;
  }
  Run("gImage = GetLayerImage(7)");
  EXPECT_EQ(Global("gImage"), "");

  // A new type with shorter lists: a choice past its list starts again at the first entry.
  Run("SetLayer(0, 2)");
  EXPECT_EQ(d->GetSelection(0), 2u);
  Run("SetRecipeType('beverage') gImage = GetLayerImage(0)");
  EXPECT_EQ(d->GetSelection(0), 0u);
  EXPECT_EQ(Global("gImage"), "beverage_mug_layer1");
}

// The shuffle: every 100 ms each layer still moving takes a random entry (its lowest allowed
// index 0, 1, 2 and 0) and a tint number; the base settles after one second, the next layers
// after 1.5 and 1.8 s, the last at 1.9 s; at 2 s the timer ends.
TEST_F(RecipeDesignerTest, ARandomDesignSettlesLayerByLayer) {
  PutImage("custom/chocolate_f_layer3", 16, 16);
  PutImage("custom/chocolate_g_layer3", 16, 16);
  RecipeDesigner* d = Open();
  ASSERT_NE(d, nullptr);
  Run("SetRecipeType('chocolate')");
  Run("gTints = '' function SetRecipeTint(layer, n) gTints = gTints .. layer .. ':' .. n .. ' ' end");
  SeedRandom(1234);
  Run("RandomDesign()");
  EXPECT_EQ(d->GetShuffleTime(), 0u);
  struct Case {
    uint32_t from, to;  // ticks at these times
    const char* layers;
  };
  const Case cases[] = {{100, 1000, "1234"}, {1100, 1500, "234"}, {1600, 1800, "34"}, {1900, 1900, "4"}};
  for (const Case& c : cases) {
    for (uint32_t t = c.from; t <= c.to; t += 100) {
      Run("gTints = ''");
      ASSERT_TRUE(d->OnAnimate()) << t;
      EXPECT_EQ(d->GetShuffleTime(), t);
      std::string tints = Global("gTints"), layers;
      for (size_t at = 0; at < tints.size(); at = tints.find(' ', at) + 1) {
        int layer = tints[at] - '0';
        int n = std::stoi(tints.substr(at + 2));
        layers += tints[at];
        EXPECT_TRUE(n >= 1 && n <= 100) << tints;
        // Each layer's choice keeps to its lowest allowed entry.
        const int lowest[] = {0, 1, 2, 0};
        EXPECT_GE((int)d->GetSelection(layer - 1), lowest[layer - 1]) << t << " " << tints;
      }
      EXPECT_EQ(layers, c.layers) << t;
    }
  }
  Run("gTints = ''");
  EXPECT_FALSE(d->OnAnimate());
  EXPECT_EQ(Global("gTints"), "");
  // Thrown again, it starts from the beginning.
  Run("RandomDesign()");
  EXPECT_EQ(d->GetShuffleTime(), 0u);
  EXPECT_TRUE(d->OnAnimate());
  EXPECT_EQ(Global("gTints").size() > 0, true);
}

TEST_F(RecipeDesignerTest, ItsScriptFunctionsGoWithIt) {
  ASSERT_NE(Open(), nullptr);
  Run("PopModal('screen')");
  manager->DeleteClosedWindows();
  for (const char* name : {"RandomDesign", "SetRecipeType", "SetLayer", "GetLayerImage"})
    EXPECT_EQ(Global(name), "nil") << name;
}

}  // namespace
