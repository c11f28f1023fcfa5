// CoffeeFactory: the window in which the coffee-making game is played. A screen script creates
// it by the class name "CoffeeFactory" inside a modal screen, names it "FactoryGame" and
// describes one factory in its keys (recipe, conveyor, belt grid, product path, speeds, times,
// match bonuses); the window builds the machine out of sprites and tasks, then drives them all
// from one 10 ms step: the countdown, the play, the wait for shots and products after time-up,
// the shutdown after too many misses, the game-over panel, pauses, the collected groups with
// their floating bonus numbers. Scripts start, pause and resume it and read the score through
// four script functions.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <vector>

#include "core/base/str.h"
#include "core/base/vec2.h"
#include "core/base/vec3.h"
#include "game/minigames/factory_game_window.h"

class CoffeeGridTask;
class CoffeeGunTask;
class CoffeeHopper;
class CoffeeIngredientGrid;
class CoffeeProductQueueTask;
class HopperCollectionTask;
class IngredientQueue;
class IngredientQueueTask;
class TAnimatedSprite;
class TScalingTask;
class TSprite;
class TTextSprite;

// A floating "+N" over a collected group: rises 150 units and fades over two seconds.
struct CoffeeBonus {
  static constexpr uint32_t kLifeMs = 2000;

  // Over the mean place of the sprites, a child of the first one's parent.
  CoffeeBonus(const std::vector<std::shared_ptr<TSprite>>& sprites, uint32_t bonus);
  // False, with the number gone, once its time is over.
  bool Update(uint32_t elapsed);

  std::shared_ptr<TTextSprite> sprite;
  TVec3 start;
  uint32_t age = 0;
};

class CoffeeFactory : public FactoryGameWindow {
 public:
  // Where the hopper stands.
  static constexpr float kHopperX = 695.0f, kHopperY = 301.0f;

  CoffeeFactory();
  ~CoffeeFactory() override;

  static TWindow* Create();
  const char* GetClassName() const override { return "CoffeeFactory"; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &CoffeeFactory::Create || TQRNWindow::IsKindOf(classId);
  }
  // The coffee factory window that exists now (null when none).
  static CoffeeFactory* GetCurrent() { return sCurrent; }
  // The application's activation changed: the running game pauses.
  static void PauseRunningGame();

  bool OnMessage(TMessage* message) override;
  bool OnAnimate() override;
  bool OnMouseDown(TPoint point) override;
  bool OnMouseMove(TPoint point) override;

  void StartGame() override;
  void ResetGame() override;
  void SetGameState(uint32_t state) override;
  // False when the keys described no factory that can be played (it then closes its screen).
  bool IsBuilt() const override { return mGridTask != nullptr; }

  float GetBeltRate() const;
  float GetMaxSpeed() const { return mMaxSpeed; }
  const std::vector<uint32_t>& GetMatchBonus() const { return mMatchBonus; }
  const std::list<std::shared_ptr<CoffeeBonus>>& GetBonuses() const { return mBonuses; }
  const std::shared_ptr<TAnimatedSprite>& GetGun() const { return mGun; }
  const std::shared_ptr<CoffeeIngredientGrid>& GetGrid() const { return mGrid; }
  const std::shared_ptr<CoffeeHopper>& GetHopper() const { return mHopper; }
  const std::shared_ptr<IngredientQueue>& GetIngredientQueue() const { return mIngredientQueue; }
  IngredientQueueTask* GetIngredientQueueTask() const { return mIngredientQueueTask.get(); }
  CoffeeGunTask* GetGunTask() const { return mGunTask.get(); }
  CoffeeGridTask* GetGridTask() const { return mGridTask.get(); }
  HopperCollectionTask* GetHopperTask() const { return mHopperTask.get(); }
  CoffeeProductQueueTask* GetProductQueueTask() const { return mProductQueueTask.get(); }

 private:
  void BuildMachine(TWindowStyle& style) override;
  void ResetMachine() override;
  void StopMachine() override;
  void StartMachine() override;
  TScalingTask* GetSpeedTask() const override;
  void TimeUp() override;
  void OnGroupCollected(const std::vector<std::shared_ptr<TSprite>>& sprites);
  // With "verbosedebug": a line for each shot, group, miss and change of the hopper's stock, so a
  // recorded play can be followed (and aimed again).
  void LogPlay(const char* format, ...) const;
  void LogStock();
  // Every task but the belt's, in the order they step; the belt stops with its own sound.
  std::vector<TScalingTask*> Tasks() const;

  static CoffeeFactory* sCurrent;

  std::shared_ptr<IngredientQueue> mIngredientQueue;
  std::unique_ptr<IngredientQueueTask> mIngredientQueueTask;
  std::unique_ptr<CoffeeGunTask> mGunTask;
  std::shared_ptr<TAnimatedSprite> mGun;
  float mSpeedUp = 1.1f;
  float mMaxSpeed = 8.0f;
  std::unique_ptr<CoffeeGridTask> mGridTask;  // its rate is the belt's speed
  std::shared_ptr<CoffeeIngredientGrid> mGrid;
  std::shared_ptr<CoffeeHopper> mHopper;
  std::unique_ptr<HopperCollectionTask> mHopperTask;
  std::unique_ptr<CoffeeProductQueueTask> mProductQueueTask;
  std::vector<uint32_t> mMatchBonus;  // by the number of ingredients in the group
  std::list<std::shared_ptr<CoffeeBonus>> mBonuses;
  bool mVerbose = false;
  std::vector<int32_t> mLoggedStock;
};
