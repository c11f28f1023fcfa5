// CoffeeFactory: the machine built from the creation keys, and the teardown. The game's flow is
// in coffee_game_flow.cpp, the class's face to the scripts in coffee_factory_script.cpp; what
// both factories share is FactoryGameWindow's.
#include "game/minigames/coffee/coffee_factory.h"

#include "core/base/log.h"
#include "core/base/saturate.h"
#include "core/base/settings.h"
#include "core/graphics/sprites/animated_sprite.h"
#include "core/graphics/sprites/animated_texture.h"
#include "core/graphics/texture.h"
#include "core/script/lua_table.h"
#include "core/windows/window_style.h"
#include "game/minigames/coffee/coffee_gun.h"
#include "game/minigames/coffee/coffee_product.h"
#include "game/minigames/coffee/hopper.h"
#include "game/minigames/coffee/ingredient_grid.h"
#include "game/minigames/factory_parts.h"
#include "game/minigames/ingredient_queue.h"
#include "game/minigames/item_sprite.h"
#include "game/shell/editors/curve.h"
#include "game/shell/game_library.h"

CoffeeFactory* CoffeeFactory::sCurrent = nullptr;

namespace {

// A point from the {x, y} table under the key; (0, 0) without one.
TVec2 PointOf(TWindowStyle& style, const char* key) {
  std::unique_ptr<TLuaTable> table(style.GetTable(key));
  return table ? TableToVec2(table.get()) : TVec2();
}

}  // namespace

TWindow* CoffeeFactory::Create() { return new CoffeeFactory; }

CoffeeFactory::~CoffeeFactory() {
  // A factory built in the same event as this one went is already the current one.
  if (sCurrent == this) sCurrent = nullptr;
  mGunTask.reset();
  mGridTask.reset();
  mIngredientQueueTask.reset();
  mHopperTask.reset();
  mProductQueueTask.reset();
}

void CoffeeFactory::BuildMachine(TWindowStyle& style) {
  mVerbose = GetSettingBool(SettingKey(kSettingVerboseDebug));
  if (std::unique_ptr<TLuaTable> bonus{style.GetTable("matchBonus")}) {
    int n = bonus->GetSize();
    for (int i = 1; i <= n; ++i) mMatchBonus.push_back(SaturateToUInt32(bonus->GetNumberAt(i, 0.0)));
  }
  if (mMatchBonus.empty()) LogError("CoffeeFactory: no \"matchBonus\" values; collected groups score nothing");

  float conveyorTime = (float)style.GetNumber("conveyortime", 1200);
  int32_t conveyorCount = style.GetInt("conveyorcount", 5);
  uint8_t colourCount = (uint8_t)style.GetInt("colorcount", 1);
  std::shared_ptr<TCurve> conveyor = CurveOf(style, "conveyorpath");
  mIngredientQueue = std::make_shared<IngredientQueue>(&mRecipe, colourCount, conveyor, conveyorCount, mRoot);
  mIngredientQueueTask = std::make_unique<IngredientQueueTask>(mIngredientQueue, conveyorTime);

  float productTime = (float)style.GetNumber("producttime", 3000);
  float productSpacing = (float)style.GetNumber("productspacing", 1000);
  std::shared_ptr<TCurve> productPath = CurveOf(style, "productpath");
  if (!productPath) LogError("CoffeeFactory: no \"productpath\"; products and the box stand at (0, 0)");
  std::vector<TStr> layerNames;
  std::vector<TColor> layerColours;
  if (std::unique_ptr<TLuaTable> appearance{style.GetTable("appearance")})
    CreateProductSprite(appearance.get(), layerNames, layerColours);

  mHopper = CoffeeHopper::Create(TVec2(kHopperX, kHopperY), &mRecipe,
                                 TStr(mRecipe.size() == 3 ? "image/machine_2" : "image/machine_5"));
  mRoot->AddChild(mHopper);
  mHopperTask = std::make_unique<HopperCollectionTask>(mHopper);
  mProductQueueTask = std::make_unique<CoffeeProductQueueTask>(mRoot, mHopper, productPath, productTime, productSpacing,
                                                               layerNames, layerColours);

  TVec2 box = PathPoint(productPath, 1.0f);
  AddSprite(mRoot, "image/box_open", 1, box);
  auto mask = AddSprite(mRoot, "image/box_open_mask", 3, box);
  auto preview = TSprite::Create();
  PlaceAt(*preview, TVec2(0, 9));
  mask->AddChild(preview);
  CreateItemSprite(preview, layerNames, layerColours, 0.5f);

  AddSprite(mRoot, "image/conveyor_base_mask_lower", 7, PointOf(style, "bottom_hood"));
  AddSprite(mRoot, "image/conveyor_base_mask_upper", 7, PointOf(style, "top_hood"));

  mSpeedUp = (float)style.GetNumber("speedup", 1.1);
  mMaxSpeed = (float)style.GetNumber("maxspeed", 8.0);

  mGrid = CoffeeIngredientGrid::Create(mRecipe, (float)style.GetNumber("gridx", 10), (float)style.GetNumber("gridy", 10),
                                       style.GetInt("columns", 9), style.GetInt("rows", 9),
                                       (float)style.GetNumber("griddx", 50), (float)style.GetNumber("griddy", 50));
  mRoot->AddChild(mGrid);
  mGridTask = std::make_unique<CoffeeGridTask>(mGrid, (float)style.GetNumber("gridspeed", 3000));

  float gunSpeed = (float)style.GetNumber("gunspeed", 250);
  TVec2 gunAt = PathPoint(conveyor, 1.0f);
  AddSprite(mRoot, "image/gun_base", 0, gunAt);
  mGun = TAnimatedSprite::Create(10);
  mGun->SetTexture(TAnimatedTexture::Get(TStr("image/gun.xml")));
  mGun->SetCurrentFrame(0);
  PlaceAt(*mGun, gunAt);
  mRoot->AddChild(mGun);
  mGunTask = std::make_unique<CoffeeGunTask>(mGun, gunSpeed, mIngredientQueue, mGrid);
}
