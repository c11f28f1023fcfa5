// FactoryGameWindow: the shared keys, pause and resume, reset, clock, misses, drawing and keys.
#include "game/minigames/factory_game_window.h"

#include "core/base/log.h"
#include "core/base/platform.h"
#include "core/base/random.h"
#include "core/graphics/renderer.h"
#include "core/graphics/sprites/sprite.h"
#include "core/windows/modal_window.h"
#include "core/windows/text.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_script.h"
#include "core/windows/window_style.h"
#include "game/minigames/factory_parts.h"
#include "game/minigames/ingredient.h"
#include "game/shell/run_game.h"
#include "game/shell/scaling_task.h"
#include "game/shell/sound_bridge.h"
#include "game/shell/sound_handler.h"

FactoryGameWindow::FactoryGameWindow(const char* tune, const char* firstMiss)
    : mRoot(TSprite::Create(0)), mSoundHandler(new TSoundHandler), mTune(tune), mFirstMiss(firstMiss) {
  mGlobals.Bind("StartGame", this, &FactoryGameWindow::StartGame);
  mGlobals.Bind("PauseGame", this, &FactoryGameWindow::PauseGame);
  mGlobals.Bind("ResumeGame", this, &FactoryGameWindow::ResumeGame);
  mGlobals.Bind("GetScore", this, &FactoryGameWindow::GetScore);
}

FactoryGameWindow::~FactoryGameWindow() {
  // A screen closed in play would leave the menu with the gun's aimer for a pointer.
  if (mAimer) ShowPointer(false);
  // Closed from its pause (the Menu button, the way to the main menu): the sound output it
  // stopped would stay stopped under the next screen's music.
  if (mPaused) ResumeSounds();
  SetTopModalOnly(false);
  TWindowManager* manager = TWindowManager::Get();
  if (manager && manager->RemoveMessageListener(mSoundHandler)) delete mSoundHandler;
}

void FactoryGameWindow::Init(TWindowStyle& style) {
  TQRNWindow::Init(style);
  if (TPlatform* platform = TPlatform::GetInstance()) SeedRandom(platform->GetTime());
  if (TModalWindow* modal = GetParentModal())
    modal->SetFocus(this);
  else
    LogError("%s: not inside a modal window; it gets no keys and its game cannot run", GetClassName());

  mWarnOnMiss = style.GetBool("warnOnMiss", false) ? 1 : 0;
  mClock.SetTimes(MsOf(style, "countdowntime", 3000), MsOf(style, "gametime", 60000), MsOf(style, "warntime", 8000));
  mProductName = style.GetString("productName", TStr());
  mProductCode = style.GetString("productCode", TStr());
  mRecipe = StringsOf(style, "recipe");
  if (mRecipe.empty()) {
    LogError("%s \"%s\": the recipe names no ingredient; the factory closes", GetClassName(), mProductName.c_str());
    CloseFactoryScreen(this);
    return;
  }
  BuildMachine(style);
  mMissSlots = PointsOf(style, "missed");
  mTimerFace = AddSprite(mRoot, "image/timer_face", 0, TVec2());
  mTimerHand = AddSprite(mTimerFace, "image/timer_hand", 0, TVec2());
  mClock.SetHand(mTimerHand);
  PauseGame(TStr("game_paused"));
}

void FactoryGameWindow::PostChildrenInit(TWindowStyle& style) {
  TQRNWindow::PostChildrenInit(style);
  mClock.FindTexts(this);
  mScoreText = FindChildText(this, TStr("score"));
  if (mTimerFace) {
    TVec2 face(720, 80);
    if (mScoreText) {
      TRect r = mScoreText->GetScreenRect();
      face = TVec2((float)(r.left + (r.right - r.left) / 2), (float)(r.top + (r.bottom - r.top) / 2));
    }
    PlaceAt(*mTimerFace, face);
  }
  SetAlpha(1.0f, true);
  if (IsBuilt()) ResetGame();
}

void FactoryGameWindow::Draw() {
  TQRNWindow::Draw();
  TRenderer* renderer = TRenderer::Get();
  if (!renderer->Begin2d()) return;
  mRoot->Draw(TDrawSpec());
  renderer->End2d();
}

void FactoryGameWindow::ResetGame() {
  if (!IsBuilt()) return;
  mClock.Reset();
  mScore = 0;
  mMissCount = 0;
  mGameState = kCountdown;
  mStarted = false;
  ResetMachine();
  PauseGame(TStr("game_paused"));
  for (const auto& sprite : mMissedSprites) mRoot->RemoveChild(sprite);
  mMissedSprites.clear();
  SetTextOf(mScoreText, TStr("0"));
  mClock.ClearTimeText();
  SoundEvent(Tune("_intro"));
  EnableScreenWindow(this, "go", false);
  EnableScreenWindow(this, "pause", false);
}

void FactoryGameWindow::PauseGame(TStr text) {
  if (mGameState == kGameOver || !IsBuilt()) return;
  ShowPointer(false);
  if (!mPaused) {
    if (mGameState != kNotStarted) PauseSounds();
    OnPauseChanged(true);
    EnableScreenWindow(this, "go", true);
    EnableScreenWindow(this, "pause", false);
    mPaused = 1;
    StopMachine();
    DetachAnim();
    if (FindScreenWindow(this, "information")) {
      if (TWindowManager* manager = TWindowManager::Get())
        if (TWindowScript* script = manager->GetScript()) script->SetGlobalString(TStr("gPauseText"), text);
      FillInformation(this, "ui/game_pause.lua");
    }
  }
  SetTopModalOnly(false);
}

void FactoryGameWindow::ResumeGame() {
  if (!IsBuilt()) return;
  ShowPointer(true);
  if (mPaused) {
    ResumeSounds();
    OnPauseChanged(false);
    EnableScreenWindow(this, "go", false);
    EnableScreenWindow(this, "pause", true);
    EnableScreenWindow(this, "information", false);
    StartMachine();
    SetAnimTimer(kFactoryStepMs, true, false, true);
    // Cleared first: a state's entry may pause again, or end the game and start the next.
    mPaused = 0;
    mStarted = true;
    SetGameState(mGameState);
  }
  SetTopModalOnly(true);
}

bool FactoryGameWindow::PauseWhenInactive() {
  TPlatform* platform = TPlatform::GetInstance();
  if (!platform || platform->IsWindowActive()) return false;
  PauseGame(TStr("game_paused"));
  return true;
}

void FactoryGameWindow::StepClock() {
  if (mGameState == kCountdown) {
    if (mClock.StepCountdown(kFactoryStepMs) == FactoryClock::kPlayStarts) SetGameState(kPlaying);
  } else if (mGameState == kPlaying) {
    if (mClock.StepPlay(kFactoryStepMs) == FactoryClock::kTimeUp) TimeUp();
  }
}

void FactoryGameWindow::OnIngredientMissed(const std::shared_ptr<Ingredient>& ingredient) {
  if (ingredient) {
    std::shared_ptr<TSprite> sprite = std::static_pointer_cast<TSprite>(ingredient);
    mMissedSprites.push_back(sprite);
    if (mMissCount < mMissSlots.size()) {
      TMat3& m = sprite->GetDrawSpec().mMatrix;
      m.SetIdentity();
      m.Scale(0.6f);
      PlaceAt(*sprite, mMissSlots[mMissCount]);
    }
  }
  ++mMissCount;
  if (mMissCount == mMissSlots.size()) {
    SetGameState(kShutDown);
    SoundEvent(TStr("ingredient_failure_factory shutdown"));
    return;
  }
  TScalingTask* speed = GetSpeedTask();
  float rate = speed->GetRate() * 0.5f;
  speed->SetRate(rate < 1.0f ? 1.0f : rate);
  SoundEvent(TStr::Format("ingredient_failure_%lu", (unsigned long)mMissCount));
  if (mWarnOnMiss && mMissCount == 1) PauseGame(TStr(mFirstMiss));
}

void FactoryGameWindow::ShowScore() { SetTextOf(mScoreText, TStr::Format("%lu", (unsigned long)mScore)); }

void FactoryGameWindow::ShowPointer(bool aimer) {
  mAimer = aimer;
  if (aimer)
    SetGameCursor("cursor/gun_aimer", 16, 16);
  else
    SetGameCursor("cursor/cursor", 1, 1);
}

void FactoryGameWindow::ShowGameOver() {
  ShowPointer(false);
  SetTopModalOnly(false);
  DetachAnim();
  EnableScreenWindow(this, "go", false);
  EnableScreenWindow(this, "pause", false);
  FillInformation(this, "ui/chocolate_gameover.lua");
}

bool FactoryGameWindow::OnKeyDown(uint8_t key, uint32_t modifiers) {
  if (key != 27) return false;
  mEscapeTaken = mLeaveOnEscape = false;
  if (modifiers & kModShift) {
    if (!mPaused) PauseGame(TStr("game_paused"));
    OpenDeveloperMenu(GetClassName());
    return false;
  }
  if (mGameState == kGameOver || !IsBuilt()) return false;
  mEscapeTaken = true;
  if (!mPaused)
    PauseGame(TStr("game_paused"));
  else if (mStarted)
    ResumeGame();
  else
    mLeaveOnEscape = true;  // on the key's character: leaving now would hand it to the screen below
  return true;
}

bool FactoryGameWindow::OnChar(uint8_t character) {
  if (character != 27 || !mEscapeTaken) return false;
  mEscapeTaken = false;
  if (mLeaveOnEscape) {
    mLeaveOnEscape = false;
    CloseFactoryScreen(this);
  }
  return true;
}
