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
#include "game/minigames/factory_screen.h"
#include "game/shell/qrn_window.h"
#include "game/shell/script_globals.h"

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
class TSoundHandler;
class TSprite;
class TText;

class ChocolateFactory : public TQRNWindow {
 public:
  enum GameState : uint32_t {
    kNotStarted = 0,
    kCountdown = 1,
    kPlaying = 2,
    kTimeUp = 3,    // the machine finishes what is under way and slows down
    kShutDown = 4,  // every miss place is taken
    kGameOver = 5,
  };
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

  void Init(TWindowStyle& style) override;
  void PostChildrenInit(TWindowStyle& style) override;
  void Draw() override;
  bool OnMessage(TMessage* message) override;
  bool OnAnimate() override;
  bool OnMouseDown(TPoint point) override;
  bool OnMouseMove(TPoint point) override;
  bool OnKeyDown(uint8_t key, uint32_t modifiers) override;

  // The script functions.
  void StartGame();
  void PauseGame(TStr text);
  void ResumeGame();
  uint32_t GetScore() { return mScore; }

  void ResetGame();
  void SetGameState(uint32_t state);

  uint32_t GetGameState() const { return mGameState; }
  bool IsPaused() const { return mPaused != 0; }
  uint32_t GetTimeLeft() const { return mClock.GetTimeLeft(); }
  uint32_t GetMissCount() const { return mMissCount; }
  float GetMachineSpeed() const;
  uint32_t GetWheelTurn() const { return mWheelTurn; }
  const std::vector<TStr>& GetRecipe() const { return mRecipe; }
  const std::vector<TVec2>& GetMissSlots() const { return mMissSlots; }
  const std::vector<std::shared_ptr<TSprite>>& GetMissedSprites() const { return mMissedSprites; }
  const std::shared_ptr<TSprite>& GetRoot() const { return mRoot; }
  const std::shared_ptr<TAnimatedSprite>& GetGun() const { return mGun; }
  const std::shared_ptr<TSprite>& GetTimerFace() const { return mTimerFace; }
  const std::shared_ptr<TSprite>& GetTimerHand() const { return mTimerHand; }
  const std::shared_ptr<TSprite>& GetTrayWheel() const { return mTrayWheel; }
  const std::shared_ptr<IngredientQueue>& GetIngredientQueue() const { return mIngredientQueue; }
  ChocolateTrayTask* GetTrayTask() const { return mTrayTask.get(); }
  ChocolateGunTask* GetGunTask() const { return mGunTask.get(); }
  ChocolateProductQueueTask* GetProductQueueTask() const { return mProductQueueTask.get(); }
  FlyingRingTask* GetRingTask() const { return mRingTask.get(); }
  RecyclerTask* GetRecyclerTask() const { return mRecyclerTask.get(); }
  IngredientQueueTask* GetIngredientQueueTask() const { return mIngredientQueueTask.get(); }
  // False when the keys described no factory that can be played (it then closes its screen).
  bool IsBuilt() const { return mTrayTask != nullptr; }

 private:
  void BuildMachine(TWindowStyle& style);
  void OnIngredientMissed(const std::shared_ptr<Ingredient>& ingredient);
  void CountPoint();
  void WindDown();
  void TurnWheel();
  // The tasks in the order they step.
  std::vector<TScalingTask*> Tasks() const;
  void TimeUp();
  void LogShot(const std::shared_ptr<Ingredient>& shot, TPoint at) const;

  static ChocolateFactory* sCurrent;

  TStr mProductName;
  TStr mProductCode;
  std::vector<TStr> mRecipe;
  uint32_t mGameState = kNotStarted;
  std::shared_ptr<TSprite> mRoot;
  TSoundHandler* mSoundHandler;  // the window manager deletes the listeners it still has when it goes
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
  uint32_t mMissCount = 0;
  std::vector<TVec2> mMissSlots;
  std::vector<std::shared_ptr<TSprite>> mMissedSprites;
  uint8_t mPaused = 0;
  uint8_t mWarnOnMiss = 0;
  FactoryClock mClock;
  uint32_t mScore = 0;
  TText* mScoreText = nullptr;
  std::shared_ptr<TSprite> mTimerFace, mTimerHand;
  TScriptGlobals mGlobals;
};

