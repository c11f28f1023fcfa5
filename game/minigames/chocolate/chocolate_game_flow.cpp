// The chocolate game's flow: reset, pause and resume, the game states and their entry actions,
// the 10 ms step (clock, wind-down, tasks, the ingredient wheel), misses, the messages of the
// machine's parts, and the player's mouse and keys.
#include <cmath>

#include "core/base/game_state.h"
#include "core/base/log.h"
#include "core/base/settings.h"
#include "core/graphics/sprites/animated_sprite.h"
#include "core/windows/message.h"
#include "core/windows/window_manager.h"
#include "game/minigames/chocolate/chocolate_factory.h"
#include "game/minigames/chocolate/chocolate_gun.h"
#include "game/minigames/chocolate/chocolate_product.h"
#include "game/minigames/chocolate/chocolate_tray.h"
#include "game/minigames/chocolate/flying_ring.h"
#include "game/minigames/chocolate/recycler.h"
#include "game/minigames/factory_parts.h"
#include "game/minigames/ingredient.h"
#include "game/minigames/ingredient_queue.h"
#include "game/shell/run_game.h"
#include "game/shell/sound_bridge.h"

namespace {

constexpr uint32_t kStep = kFactoryStepMs;
constexpr uint32_t kWheelTurnMs = 400;

void SetGameStateValue(const char* key, const char* value) {
  if (TGameState* state = TGameState::GetInstance()) state->SetState(TStr(key), TStr(value));
}

}  // namespace

float ChocolateFactory::GetMachineSpeed() const { return mTrayTask ? mTrayTask->GetRate() : 0.0f; }

std::vector<TScalingTask*> ChocolateFactory::Tasks() const {
  std::vector<TScalingTask*> tasks;
  if (mRecyclerTask) tasks.push_back(mRecyclerTask.get());
  for (TScalingTask* task : {(TScalingTask*)mTrayTask.get(), (TScalingTask*)mIngredientQueueTask.get(),
                             (TScalingTask*)mGunTask.get(), (TScalingTask*)mRingTask.get(),
                             (TScalingTask*)mProductQueueTask.get()})
    if (task) tasks.push_back(task);
  return tasks;
}

void ChocolateFactory::StartGame() {
  if (!IsBuilt()) return;
  SetGameStateValue("ChocolateFactoryTime", "restart");
  SetGameStateValue("RecycleCount", "0");
  ResetGame();
  SetAnimTimer(kStep, true, false, true);
  SetGameState(kCountdown);
  ResumeGame();
}

void ChocolateFactory::ResetMachine() {
  for (TScalingTask* task : Tasks()) task->Reset(1.0f);
}

void ChocolateFactory::StopMachine() {
  for (TScalingTask* task : Tasks()) task->Stop();
}

void ChocolateFactory::StartMachine() {
  for (TScalingTask* task : Tasks()) task->Start(0);
}

void ChocolateFactory::OnPauseChanged(bool paused) { SetGameStateValue("ChocolateFactoryTime", paused ? "0" : "1"); }

TScalingTask* ChocolateFactory::GetSpeedTask() const { return mTrayTask.get(); }

void ChocolateFactory::SetGameState(uint32_t state) {
  // Stored first: the game-over panel's script may start the next game from inside.
  mGameState = state;
  switch (state) {
    case kCountdown:
      mTrayTask->Start(0);
      for (TScalingTask* task : {(TScalingTask*)mIngredientQueueTask.get(), (TScalingTask*)mGunTask.get(),
                                 (TScalingTask*)mRingTask.get(), (TScalingTask*)mProductQueueTask.get()})
        task->Stop();
      if (mRecyclerTask) mRecyclerTask->Start(0);
      break;
    case kPlaying:
      SoundEvent(TStr("chocolate_making_game"));
      for (TScalingTask* task : Tasks()) task->Start(0);
      break;
    case kTimeUp:
      SoundEvent(TStr("game_over"));
      SoundEvent(TStr("chocolate_making_game_outro"));
      mIngredientQueueTask->Stop();
      mIngredientQueueTask->Reset(1.0f);
      if (mTrayTask->HasCompleteTray()) mTrayTask->SetRate(5.0f);
      break;
    case kShutDown:
      ShowPointer(false);
      SoundEvent(TStr("game_over"));
      SoundEvent(TStr("chocolate_making_game_outro"));
      mIngredientQueueTask->Stop();
      mIngredientQueueTask->Reset(1.0f);
      mGunTask->Stop();
      break;
    case kGameOver:
      StopMachine();
      mIngredientQueueTask->Reset(1.0f);
      ShowGameOver();
      break;
    default:
      break;
  }
}

bool ChocolateFactory::OnAnimate() {
  if (!IsBuilt()) return false;
  if (PauseWhenInactive()) return true;
  WindDown();
  StepClock();
  for (TScalingTask* task : Tasks()) task->Advance(kStep);
  TurnWheel();
  RequestRedraw();
  return true;
}

void ChocolateFactory::WindDown() {
  bool still = mGameState == kShutDown ||
               (mGameState == kTimeUp && mRingTask->GetRings().empty() && mGunTask->GetFlying().empty() &&
                mProductQueueTask->GetProducts().empty() && !mTrayTask->HasCompleteTray());
  if (!still) return;
  float speed = mTrayTask->GetRate() * 0.95f;
  if (speed >= 0.05f)
    mTrayTask->SetRate(speed);
  else
    SetGameState(kGameOver);
}

void ChocolateFactory::TimeUp() {
  SoundEvent(TStr("game_over"));
  SoundEvent(TStr("chocolate_making_game_outro"));
  mIngredientQueueTask->Stop();
  mIngredientQueueTask->Reset(1.0f);
  if (mTrayTask->HasCompleteTray()) mTrayTask->SetRate(5.0f);
  mGameState = kTimeUp;
}

void ChocolateFactory::TurnWheel() {
  if (mWheelTurn == 0) return;
  mWheelTurn += kStep;
  if (mWheelTurn >= kWheelTurnMs) mWheelTurn = 0;
  float a = (float)mWheelTurn * 2.0f * (float)M_PI / (float)kWheelTurnMs;
  TurnSprite(mTrayWheel, a);
  TurnSprite(mFingerUpper, -a);
  TurnSprite(mFingerLower, a);
}

bool ChocolateFactory::OnMessage(TMessage* message) {
  if (!IsBuilt()) return TQRNWindow::OnMessage(message);
  switch (message->GetType()) {
    case kFactoryIngredientMissed:
      if (message->IsKindOf(MissedIngredientMessage::ClassId()))
        OnIngredientMissed(static_cast<MissedIngredientMessage*>(message)->GetIngredient());
      return true;
    case kFactoryTrayDelivered:
      if (mWheelTurn == 0) mWheelTurn = 1;
      SoundEvent(TStr("snatch"));
      mProductQueueTask->AddProduct(mRoot);
      return true;
    case kFactoryTrayBonus:
      mProductQueueTask->AddProduct(mRoot);
      return true;
    case kFactoryRingLanded:
    case kFactoryProductCounted:
      ++mScore;
      ShowScore();
      return true;
    case kFactoryTrayCompleted:
      mTrayTask->MultiplyScale(mSpeedUp);
      if (mTrayTask->GetRate() > mMaxSpeed) mTrayTask->SetRate(mMaxSpeed);
      return false;
    case kFactoryRingStart:
      if (message->IsKindOf(FlyingRingStartMessage::ClassId()))
        static_cast<FlyingRingStartMessage*>(message)->Launch(mRingTask.get(), TVec2(kRingTargetX, kRingTargetY));
      return true;
    default:
      return TQRNWindow::OnMessage(message);
  }
}

bool ChocolateFactory::OnMouseDown(TPoint point) {
  // A click on the field while the game stands paused would take a shot that hangs in the air.
  if (!IsBuilt() || mGameState != kPlaying || mPaused) return mSwallowMouse;
  std::shared_ptr<Ingredient> shot = mIngredientQueue->GetHead() == 1.0f ? mIngredientQueue->PeekFront() : nullptr;
  if (mGunTask->Fire(point.x, point.y) && GetSettingBool(SettingKey(kSettingVerboseDebug))) LogShot(shot, point);
  return mSwallowMouse;
}

// With "verbosedebug" each shot is logged with what the player saw: the belt behind it and the
// trays, so that a recorded play can be followed (and aimed again).
void ChocolateFactory::LogShot(const std::shared_ptr<Ingredient>& shot, TPoint at) const {
  TStr line = TStr::Format("Chocolate factory: %s (colour %u) shot at (%d, %d); next:", shot->GetName().c_str(),
                           (unsigned)shot->GetColour(), (int)at.x, (int)at.y);
  for (const auto& next : mIngredientQueue->GetBelt())
    line += TStr::Format(" %s/%u", next->GetName().c_str(), (unsigned)next->GetColour());
  line += "; trays:";
  for (const auto& tray : mTrayTask->GetTrays()) {
    TVec2 p = tray->GetPosition();
    line += TStr::Format(" (%.0f, %.0f) %u/%u colour %u;", (double)p.x, (double)p.y, tray->GetFilled(),
                         (unsigned)tray->GetPlaces().size(), (unsigned)tray->GetColour());
  }
  if (mRecyclerTask)
    for (const auto& bin : mRecyclerTask->GetRecyclers())
      line += TStr::Format(" bin (%.0f, %.0f);", (double)bin->GetPosition().x, (double)bin->GetPosition().y);
  LogPrintf("%s speed %.3f", line.c_str(), (double)mTrayTask->GetRate());
}

bool ChocolateFactory::OnMouseMove(TPoint point) {
  if (!IsBuilt()) return mSwallowMouse;
  TurnToward(mGun, mGunTask->Aim(TVec2((float)point.x, (float)point.y)));
  return mSwallowMouse;
}

void ChocolateFactory::PauseRunningGame() {
  if (sCurrent) sCurrent->PauseGame(TStr("game_paused"));
}
