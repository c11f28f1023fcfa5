// ChocolateFactory: the machine built from the creation keys, and the teardown. The game's flow
// is in chocolate_game_flow.cpp, the class's face to the scripts in chocolate_factory_script.cpp;
// what both factories share is FactoryGameWindow's.
#include "game/minigames/chocolate/chocolate_factory.h"

#include <cmath>

#include "core/base/log.h"
#include "core/base/saturate.h"
#include "core/graphics/sprites/animated_sprite.h"
#include "core/graphics/sprites/animated_texture.h"
#include "core/graphics/texture.h"
#include "core/script/lua_table.h"
#include "core/windows/window_style.h"
#include "game/minigames/chocolate/chocolate_gun.h"
#include "game/minigames/chocolate/chocolate_product.h"
#include "game/minigames/chocolate/chocolate_tray.h"
#include "game/minigames/chocolate/flying_ring.h"
#include "game/minigames/chocolate/recycler.h"
#include "game/minigames/factory_parts.h"
#include "game/minigames/ingredient_queue.h"
#include "game/minigames/item_sprite.h"
#include "game/shell/editors/curve.h"

ChocolateFactory* ChocolateFactory::sCurrent = nullptr;

TWindow* ChocolateFactory::Create() { return new ChocolateFactory; }

ChocolateFactory::~ChocolateFactory() {
  // A factory built in the same event as this one went is already the current one.
  if (sCurrent == this) sCurrent = nullptr;
  mTrayTask.reset();
  mIngredientQueueTask.reset();
  mGunTask.reset();
  mRingTask.reset();
  mProductQueueTask.reset();
  mRecyclerTask.reset();
}

void ChocolateFactory::BuildMachine(TWindowStyle& style) {
  float conveyorTime = (float)style.GetNumber("conveyortime", 1200);
  int32_t conveyorCount = style.GetInt("conveyorcount", 5);
  uint8_t colourCount = (uint8_t)style.GetInt("colorcount", 1);
  std::shared_ptr<TCurve> conveyor = CurveOf(style, "conveyorpath");
  mIngredientQueue = std::make_shared<IngredientQueue>(&mRecipe, colourCount, conveyor, conveyorCount, mRoot);
  mIngredientQueueTask = std::make_unique<IngredientQueueTask>(mIngredientQueue, conveyorTime);
  mIngredientQueue->SetRainbow(style.GetBool("rainbow", false));

  float productTime = (float)style.GetNumber("producttime", 3000);
  std::shared_ptr<TCurve> productPath = CurveOf(style, "productpath");
  if (!productPath) LogError("ChocolateFactory: no \"productpath\"; products and the box stand at (0, 0)");
  std::vector<TStr> layerNames;
  std::vector<TColor> layerColours;
  if (std::unique_ptr<TLuaTable> appearance{style.GetTable("appearance")})
    CreateProductSprite(appearance.get(), layerNames, layerColours);
  mProductQueueTask = std::make_unique<ChocolateProductQueueTask>(productPath, productTime, layerNames, layerColours);

  mSpeedUp = (float)style.GetNumber("speedup", 1.1);
  mMaxSpeed = (float)style.GetNumber("maxspeed", 8.0);
  float trayTime = (float)style.GetNumber("traytime", 30000);
  float trayEnd = (float)style.GetNumber("trayend", 0);
  mTrayTask = std::make_unique<ChocolateTrayTask>(trayTime);

  int32_t trayCount = style.GetInt("traycount", 5);
  if (trayCount < 0 || trayCount > kMaxTrayCount) {
    LogError("ChocolateFactory: %d trays is outside 0..%d; %d are built", trayCount, kMaxTrayCount,
             trayCount < 0 ? 0 : kMaxTrayCount);
    trayCount = trayCount < 0 ? 0 : kMaxTrayCount;
  }
  std::shared_ptr<TCurve> trayPath = CurveOf(style, "traypath");
  for (int32_t i = 0; i < trayCount; ++i) {
    auto tray = ChocolateTray::Create(&mRecipe, trayPath, (float)i / (float)trayCount, trayEnd);
    mRoot->AddChild(tray);
    tray->CreateArms(mRoot);
    tray->SetPathPosition(0);
    mTrayTask->Add(tray);
  }

  auto machine = TSprite::Create(6, TTexture::Get(style.GetString("machine", TStr())));
  PlaceAt(*machine, TVec2(695, 301));
  mFingerUpper = AddSprite(machine, "image/machine_stack_finger_upper", -1, TVec2(-74, -51));
  mFingerUpper->GetDrawSpec().SetOrigin(TVec2(41, 14));
  mFingerLower = AddSprite(machine, "image/machine_stack_finger_lower", -1, TVec2(-74, 50));
  mFingerLower->GetDrawSpec().SetOrigin(TVec2(41, 119));
  mRoot->AddChild(machine);
  size_t n = mRecipe.size();
  mTrayWheel = AddSprite(machine, TStr::Format("image/tray%d", (int)n).c_str(), 0, TVec2(0, -2));
  for (size_t i = 0; i < n; ++i)
    AddSprite(mTrayWheel, (TStr("items/") + mRecipe[i]).c_str(), 0, ChocolateTray::PlaceOffset((uint32_t)i, (uint32_t)n));

  TVec2 box = PathPoint(productPath, 1.0f);
  AddSprite(mRoot, "image/box_open", 1, box);
  auto mask = AddSprite(mRoot, "image/box_open_mask", 3, box);
  auto preview = TSprite::Create();
  PlaceAt(*preview, TVec2(0, 9));
  mask->AddChild(preview);
  CreateItemSprite(preview, layerNames, layerColours, 0.5f);

  float gunSpeed = (float)style.GetNumber("gunspeed", 250);
  TVec2 gunAt = PathPoint(conveyor, 1.0f);
  AddSprite(mRoot, "image/gun_base", 0, gunAt);
  mGun = TAnimatedSprite::Create(10);
  mGun->SetTexture(TAnimatedTexture::Get(TStr("image/gun.xml")));
  mGun->SetCurrentFrame(0);
  PlaceAt(*mGun, gunAt);
  mRoot->AddChild(mGun);
  mGunTask = std::make_unique<ChocolateGunTask>(mGun, gunSpeed, mIngredientQueue, mTrayTask.get());

  mRingTask = std::make_unique<FlyingRingTask>((float)style.GetNumber("ringspeed", 500));

  std::shared_ptr<TCurve> recyclerPath = CurveOf(style, "recyclerpath");
  if (style.GetBool("recycler", false) && recyclerPath) {
    mRecyclerTask = std::make_unique<RecyclerTask>((float)style.GetNumber("recyclertime", 20000));
    auto recycler = Recycler::Create(recyclerPath, 0);
    mRoot->AddChild(recycler);
    mRecyclerTask->Add(recycler);
    mGunTask->SetRecyclers(mRecyclerTask.get());
  }
}
