// What both factory windows share about the screen a script builds round them and the keys it
// gives: reading sprites, paths and tables from the creation keys, the screen's "go", "pause"
// and "information" windows beside the factory, closing the screen, the developer menu, and
// the game clock with its texts and hand.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/base/str.h"
#include "core/base/vec2.h"

class TCurve;
class TSprite;
class TText;
class TWindow;
class TWindowStyle;

// A sprite of the named picture on a layer at (x, y), under the parent when there is one.
std::shared_ptr<TSprite> AddSprite(const std::shared_ptr<TSprite>& parent, const char* texture, int32_t layer,
                                   const TVec2& at);
// A curve from the point table under the key; none when the key holds no table.
std::shared_ptr<TCurve> CurveOf(TWindowStyle& style, const char* key);
// Milliseconds from a key: whole, never negative, never past 32 bits.
uint32_t MsOf(TWindowStyle& style, const char* key, double def);
// Every value of the table under the key as text, in the table's order.
std::vector<TStr> StringsOf(TWindowStyle& style, const char* key);
// Every value of the table under the key that is a table, as a point (elements 1 and 2; a
// missing one counts 0); other values are skipped.
std::vector<TVec2> PointsOf(TWindowStyle& style, const char* key);
// Turns the sprite by the angle (radians, clockwise on the screen) where it stands.
void TurnSprite(const std::shared_ptr<TSprite>& sprite, float angle);
// Turns the sprite to face along the unit direction (a gun's heading toward the pointer).
void TurnToward(const std::shared_ptr<TSprite>& sprite, const TVec2& direction);
void SetTextOf(TText* text, TStr value);

// The window of that name beside the factory (anywhere under its parent); null when none.
TWindow* FindScreenWindow(const TWindow* factory, const char* name);
void EnableScreenWindow(const TWindow* factory, const char* name, bool on);
// Fills the "information" window from the script and shows it; nothing without the window.
void FillInformation(const TWindow* factory, const char* script);
void SetTopModalOnly(bool on);
// Closes the modal screen that holds the factory.
void CloseFactoryScreen(TWindow* factory);
// Shift+Escape: the developer menu, handed to the script's coroutine (it waits for its close
// like every dialog, and only the coroutine can wait).
void OpenDeveloperMenu(const char* who);

// The game clock both factories run on their step: the countdown with a tick and its number
// each whole second, then the play time with its warning whistle, its text and the hand that
// turns once round the face over the game.
class FactoryClock {
 public:
  enum Event { kRunning, kPlayStarts, kTimeUp };

  void SetTimes(uint32_t countdown, uint32_t game, uint32_t warn);
  // The full time again, never more than the clock holds.
  void Reset();
  // The "time" and "countdown" texts anywhere below the factory.
  void FindTexts(TWindow* factory);
  void SetHand(std::shared_ptr<TSprite> hand) { mHand = std::move(hand); }
  // One step of the countdown: kPlayStarts (after "start_bell") when it is over.
  Event StepCountdown(uint32_t step);
  // One step of play: kTimeUp, with the clock showing 0:00, when no more than a step was left
  // (the time left then stays as it was).
  Event StepPlay(uint32_t step);
  void ClearTimeText();

  uint32_t GetTimeLeft() const { return mTimeLeft; }
  uint32_t GetCountdownTime() const { return mCountdownTime; }
  uint32_t GetGameTime() const { return mGameTime; }
  uint32_t GetWarnTime() const { return mWarnTime; }

 private:
  uint32_t mCountdownTime = 3000, mGameTime = 60000, mWarnTime = 8000;
  uint32_t mTimeLeft = 0;
  TText* mTimeText = nullptr;
  TText* mCountdownText = nullptr;
  std::shared_ptr<TSprite> mHand;
};
