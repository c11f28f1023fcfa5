// ChocolateFactory: the window in which the chocolate-making game is played. A screen script
// creates it by the class name "ChocolateFactory" inside a modal screen, names it "FactoryGame"
// and describes one factory in its keys (recipe, paths, speeds, times); the window builds the
// machine out of sprites and tasks, then drives them all from one 10 ms step: the countdown,
// the play, the wind-down after time-up or shutdown, the game-over panel, pauses, and the
// messages the machine's parts send. Scripts start, pause and resume it and read the score
// through four script functions.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/base/str.h"
#include "core/base/vec2.h"
#include "game/minigames/factory_game_window.h"

class ChocolateGunTask;
class ChocolateProductQueueTask;
class ChocolateTrayTask;
class FlyingRingTask;
class Ingredient;
class IngredientQueue;
class IngredientQueueTask;
class RecyclerTask;
class TAnimatedSprite;
class TScalingTask;
class TSprite;

class ChocolateFactory : public FactoryGameWindow {
 public:
  // More trays than this could never be told apart on the screen.
  static constexpr int32_t kMaxTrayCount = 100;
  // Where the rings of a colour match fly to.
  static constexpr float kRingTargetX = 689.0f, kRingTargetY = 555.0f;

  ChocolateFactory();
  ~ChocolateFactory() override;

  static TWindow* Create();
  const char* GetClassName() const override { return "ChocolateFactory"; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &ChocolateFactory::Create || TQRNWindow::IsKindOf(classId);
  }
  // The factory window that exists now (null when none).
  static ChocolateFactory* GetCurrent() { return sCurrent; }
  // The application's activation changed: the running game pauses.
  static void PauseRunningGame();

  bool OnMessage(TMessage* message) override;
  bool OnAnimate() override;
  bool OnMouseDown(TPoint point) override;
  bool OnMouseMove(TPoint point) override;

  void StartGame() override;
  void SetGameState(uint32_t state) override;
  // False when the keys described no factory that can be played (it then closes its screen).
  bool IsBuilt() const override { return mTrayTask != nullptr; }

  float GetMachineSpeed() const;
  uint32_t GetWheelTurn() const { return mWheelTurn; }
  const std::shared_ptr<TAnimatedSprite>& GetGun() const { return mGun; }
  const std::shared_ptr<TSprite>& GetTrayWheel() const { return mTrayWheel; }
  const std::shared_ptr<IngredientQueue>& GetIngredientQueue() const { return mIngredientQueue; }
  ChocolateTrayTask* GetTrayTask() const { return mTrayTask.get(); }
  ChocolateGunTask* GetGunTask() const { return mGunTask.get(); }
  ChocolateProductQueueTask* GetProductQueueTask() const { return mProductQueueTask.get(); }
  FlyingRingTask* GetRingTask() const { return mRingTask.get(); }
  RecyclerTask* GetRecyclerTask() const { return mRecyclerTask.get(); }
  IngredientQueueTask* GetIngredientQueueTask() const { return mIngredientQueueTask.get(); }

 private:
  void BuildMachine(TWindowStyle& style) override;
  void ResetMachine() override;
  void StopMachine() override;
  void StartMachine() override;
  void OnPauseChanged(bool paused) override;
  TScalingTask* GetSpeedTask() const override;
  void TimeUp() override;
  void WindDown();
  void TurnWheel();
  // The tasks in the order they step.
  std::vector<TScalingTask*> Tasks() const;
  void LogShot(const std::shared_ptr<Ingredient>& shot, TPoint at) const;

  static ChocolateFactory* sCurrent;

  std::shared_ptr<IngredientQueue> mIngredientQueue;
  std::unique_ptr<IngredientQueueTask> mIngredientQueueTask;
  std::unique_ptr<ChocolateGunTask> mGunTask;
  std::shared_ptr<TAnimatedSprite> mGun;
  uint32_t mWheelTurn = 0;  // ms into the wheel's turn, 0 while it stands
  std::shared_ptr<TSprite> mTrayWheel, mFingerUpper, mFingerLower;
  float mSpeedUp = 1.1f;
  float mMaxSpeed = 8.0f;
  std::unique_ptr<ChocolateTrayTask> mTrayTask;  // its rate is the machine speed
  std::unique_ptr<ChocolateProductQueueTask> mProductQueueTask;
  std::unique_ptr<RecyclerTask> mRecyclerTask;  // null without a recycler
  std::unique_ptr<FlyingRingTask> mRingTask;
};
