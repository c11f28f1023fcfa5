// FactoryGameWindow: what the chocolate and the coffee factory windows share. A screen script
// builds one inside a modal screen and names it "FactoryGame"; it holds the sprite tree of the
// machine and draws it, owns the sound handler, reads the keys every factory has (recipe,
// times, miss places), keeps the game state, the pause with the screen's "go", "pause" and
// "information" windows, the clock, the score, the misses laid out on their places, and binds
// StartGame, PauseGame, ResumeGame and GetScore while it lives. Each factory builds its own
// machine and says what its states do.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/base/str.h"
#include "core/base/vec2.h"
#include "game/minigames/factory_screen.h"
#include "game/shell/qrn_window.h"
#include "game/shell/script_globals.h"

class Ingredient;
class TScalingTask;
class TSoundHandler;
class TSprite;
class TText;

class FactoryGameWindow : public TQRNWindow {
 public:
  enum GameState : uint32_t {
    kNotStarted = 0,
    kCountdown = 1,
    kPlaying = 2,
    kTimeUp = 3,    // play is over; what is under way finishes
    kShutDown = 4,  // every miss place is taken
    kGameOver = 5,
  };

  ~FactoryGameWindow() override;

  // The keys both factories read, the machine, the miss places and the clock; a recipe without
  // ingredients is refused (logged) and the screen closed: nothing could ever be finished.
  void Init(TWindowStyle& style) override;
  // The clock's texts, the clock face over the "score" text (or at (720, 80)), then a reset.
  void PostChildrenInit(TWindowStyle& style) override;
  void Draw() override;
  // Escape pauses a game under way, goes on with a paused one and leaves the screen from its
  // start panel (as its "leave" button does); with Shift it pauses and opens the developer
  // menu. The game-over panel keeps Escape for its own buttons.
  bool OnKeyDown(uint8_t key, uint32_t modifiers) override;
  bool OnChar(uint8_t character) override;

  // The script functions.
  virtual void StartGame() = 0;
  // The game-over panel stays: there is nothing left to pause.
  void PauseGame(TStr text);
  void ResumeGame();
  uint32_t GetScore() { return mScore; }

  virtual void ResetGame();
  // Stores the state first (the game-over panel's script may start the next game from inside),
  // then does what entering it does.
  virtual void SetGameState(uint32_t state) = 0;
  // False when the keys described no factory that can be played.
  virtual bool IsBuilt() const = 0;

  uint32_t GetGameState() const { return mGameState; }
  bool IsPaused() const { return mPaused != 0; }
  uint32_t GetTimeLeft() const { return mClock.GetTimeLeft(); }
  uint32_t GetMissCount() const { return mMissCount; }
  const std::vector<TStr>& GetRecipe() const { return mRecipe; }
  const std::vector<TVec2>& GetMissSlots() const { return mMissSlots; }
  const std::vector<std::shared_ptr<TSprite>>& GetMissedSprites() const { return mMissedSprites; }
  const std::shared_ptr<TSprite>& GetRoot() const { return mRoot; }
  const std::shared_ptr<TSprite>& GetTimerFace() const { return mTimerFace; }
  const std::shared_ptr<TSprite>& GetTimerHand() const { return mTimerHand; }

 protected:
  // tune: the factory's music event ("_intro" and "_outro" are its jingles); firstMiss: the
  // information shown at the first miss when the keys ask for it.
  FactoryGameWindow(const char* tune, const char* firstMiss);

  virtual void BuildMachine(TWindowStyle& style) = 0;
  // The machine back to its start for a new game.
  virtual void ResetMachine() = 0;
  // Every part stops for a pause, and starts again after it.
  virtual void StopMachine() = 0;
  virtual void StartMachine() = 0;
  virtual void OnPauseChanged(bool paused) {}
  // The task whose rate is the machine's speed: a miss halves it (never below 1).
  virtual TScalingTask* GetSpeedTask() const = 0;
  // The play time ran out.
  virtual void TimeUp() = 0;

  // The application lost its activation: the game pauses (true; the step should stop there).
  bool PauseWhenInactive();
  // The countdown or the play time, one step on.
  void StepClock();
  // Lays the missed ingredient on the next miss place and counts it; shuts the factory down when
  // that took the last place, else slows the machine (and pauses to explain the first miss when
  // the keys ask for it).
  void OnIngredientMissed(const std::shared_ptr<Ingredient>& ingredient);
  void ShowScore();
  // The game-over panel: the pointer back, the step detached, the panel filled and shown.
  void ShowGameOver();
  // The gun's aimer (centred on the point a click fires at) while the game can be played, else
  // the arrow.
  void ShowPointer(bool aimer);
  TStr Tune(const char* suffix) const { return TStr(mTune) + suffix; }

  TStr mProductName;
  TStr mProductCode;
  std::vector<TStr> mRecipe;
  uint32_t mGameState = kNotStarted;
  std::shared_ptr<TSprite> mRoot;
  TSoundHandler* mSoundHandler;  // the window manager deletes the listeners it still has when it goes
  uint32_t mMissCount = 0;
  std::vector<TVec2> mMissSlots;
  std::vector<std::shared_ptr<TSprite>> mMissedSprites;
  uint8_t mPaused = 0;
  uint8_t mWarnOnMiss = 0;
  bool mStarted = false;  // played since the last reset: a pause is a pause, not the start panel
  FactoryClock mClock;
  uint32_t mScore = 0;
  TText* mScoreText = nullptr;
  std::shared_ptr<TSprite> mTimerFace, mTimerHand;

 private:
  const char* mTune;
  const char* mFirstMiss;
  // A plain Escape taken here: its character (which follows the key) is taken too, and leaves
  // the screen when the key found the start panel; a port's screen below would take that
  // character for its own Escape.
  bool mEscapeTaken = false;
  bool mLeaveOnEscape = false;
  bool mAimer = false;  // the pointer may be the aimer (or hidden over the belt): given back when the window goes
  TScriptGlobals mGlobals;
};
