// The coffee game's flow: reset, pause and resume, the game states and their entry actions, the
// 10 ms step (clock, end of play, tasks, bonus numbers), misses, collected groups and their
// score, and the player's mouse and keys.
#include <cmath>
#include <cstdarg>

#include "core/base/log.h"
#include "core/graphics/sprites/animated_sprite.h"
#include "core/graphics/text/text_sprite.h"
#include "core/windows/message.h"
#include "game/minigames/coffee/coffee_factory.h"
#include "game/minigames/coffee/coffee_gun.h"
#include "game/minigames/coffee/coffee_product.h"
#include "game/minigames/coffee/hopper.h"
#include "game/minigames/coffee/ingredient_grid.h"
#include "game/minigames/factory_parts.h"
#include "game/minigames/ingredient.h"
#include "game/minigames/ingredient_queue.h"
#include "game/shell/run_game.h"
#include "game/shell/sound_bridge.h"

namespace {

constexpr uint32_t kStep = kFactoryStepMs;

}  // namespace

CoffeeBonus::CoffeeBonus(const std::vector<std::shared_ptr<TSprite>>& sprites, uint32_t bonus) {
  TVec2 sum;
  for (const auto& s : sprites) sum = sum + s->GetPosition();
  TVec2 mean = sum * (1.0f / (float)sprites.size());
  start = TVec3(mean.x, mean.y, 1.0f);
  sprite = TTextSprite::Create(120, 120, 5, TStr("fonts/fertigo.mvec"), 80, TColor(1, 1, 1, 1), 999);
  sprite->SetText(TStr::Format("+%lu", (unsigned long)bonus));
  PlaceAt(*sprite, mean);
  if (TSprite* parent = sprites.front()->GetParent()) parent->AddChild(sprite);
}

bool CoffeeBonus::Update(uint32_t elapsed) {
  float t = (float)age / (float)kLifeMs;
  PlaceAt(*sprite, TVec2(start.x, start.y - 150.0f * t));
  sprite->SetAlpha(1.0f - 0.8f * t);
  age += elapsed;
  if (age < kLifeMs) return true;
  if (TSprite* parent = sprite->GetParent()) parent->RemoveChild(sprite);
  return false;
}

float CoffeeFactory::GetBeltRate() const { return mGridTask ? mGridTask->GetRate() : 0.0f; }

std::vector<TScalingTask*> CoffeeFactory::Tasks() const {
  return {mIngredientQueueTask.get(), mGunTask.get(), mProductQueueTask.get(), mHopperTask.get()};
}

void CoffeeFactory::StopMachine() {
  for (TScalingTask* task : Tasks()) task->Stop();
  mGridTask->Stop();
}

void CoffeeFactory::StartMachine() {
  for (TScalingTask* task : Tasks()) task->Start(0);
  mGridTask->Start(0);
}

TScalingTask* CoffeeFactory::GetSpeedTask() const { return mGridTask.get(); }

void CoffeeFactory::StartGame() {
  if (!IsBuilt()) return;
  ResetGame();
  SetAnimTimer(kStep, true, false, true);
  StopMachine();
  mGameState = kCountdown;
  ResumeGame();
}

void CoffeeFactory::ResetGame() {
  if (!IsBuilt()) return;
  // Numbers of the last game would float on into this one's countdown.
  for (const auto& bonus : mBonuses)
    if (TSprite* parent = bonus->sprite->GetParent()) parent->RemoveChild(bonus->sprite);
  mBonuses.clear();
  FactoryGameWindow::ResetGame();
}

void CoffeeFactory::ResetMachine() {
  mGrid->Clear();
  for (TScalingTask* task : Tasks()) task->Reset(1.0f);
  mGridTask->Reset(1.0f);
}

void CoffeeFactory::SetGameState(uint32_t state) {
  // Stored first: the game-over panel's script may start the next game from inside.
  mGameState = state;
  switch (state) {
    case kCountdown:
      StopMachine();
      break;
    case kPlaying:
      SoundEvent(TStr("coffee_making_game"));
      for (TScalingTask* task : Tasks()) task->Start(0);
      mGridTask->Reset(1.0f);
      mGridTask->Start(0);
      break;
    case kTimeUp:
      mIngredientQueueTask->Stop();
      mIngredientQueueTask->Reset(1.0f);
      SoundEvent(TStr("coffee_making_game_outro"));
      SoundEvent(TStr("game_over"));
      mGridTask->Stop();
      break;
    case kShutDown:
      ShowPointer(false);
      SoundEvent(TStr("coffee_making_game_outro"));
      SoundEvent(TStr("game_over"));
      mIngredientQueueTask->Stop();
      mIngredientQueueTask->Reset(1.0f);
      mGridTask->Stop();
      break;
    case kGameOver:
      StopMachine();
      mIngredientQueueTask->Reset(1.0f);
      mHopperTask->Reset(1.0f);
      ShowGameOver();
      break;
    default:
      break;
  }
}

bool CoffeeFactory::OnAnimate() {
  if (!IsBuilt()) return false;
  if (PauseWhenInactive()) return true;
  if ((mGameState == kTimeUp && mGunTask->GetFlying().empty() && mProductQueueTask->GetProducts().empty()) ||
      mGameState == kShutDown)
    SetGameState(kGameOver);
  StepClock();
  for (TScalingTask* task : Tasks()) task->Advance(kStep);
  mGridTask->Advance(kStep);
  if (mVerbose) LogStock();
  for (auto it = mBonuses.begin(); it != mBonuses.end();) {
    if ((*it)->Update(kStep))
      ++it;
    else
      it = mBonuses.erase(it);
  }
  RequestRedraw();
  return true;
}

void CoffeeFactory::TimeUp() {
  mIngredientQueueTask->Stop();
  mIngredientQueueTask->Reset(1.0f);
  SoundEvent(TStr("coffee_making_game_outro"));
  SoundEvent(TStr("game_over"));
  mGridTask->Stop();
  mGameState = kTimeUp;
}

void CoffeeFactory::OnGroupCollected(const std::vector<std::shared_ptr<TSprite>>& sprites) {
  float rate = mGridTask->GetRate() * mSpeedUp;
  mGridTask->SetRate(rate > mMaxSpeed ? mMaxSpeed : rate);
  // No bonus table: groups score nothing (the set-up said so in the log).
  uint32_t bonus = 0;
  if (!mMatchBonus.empty()) bonus = mMatchBonus[sprites.size() < mMatchBonus.size() ? sprites.size() : mMatchBonus.size() - 1];
  TStr sound("ingredient_match_0");
  if (bonus > 0) {
    mScore += bonus;
    ShowScore();
    sound = bonus > 5 ? TStr("ingredient_match_5") : TStr::Format("ingredient_match_%lu", (unsigned long)bonus);
    if (!sprites.empty()) mBonuses.push_back(std::make_shared<CoffeeBonus>(sprites, bonus));
  }
  SoundEvent(sound);
  LogPlay("group of %u %s collected, bonus %u, score %u, belt rate %.3f", (unsigned)sprites.size(),
          sprites.empty() ? "" : Ingredient::From(sprites.front())->GetName().c_str(), bonus, mScore,
          (double)mGridTask->GetRate());
  mHopperTask->AddCollected(sprites);
}

bool CoffeeFactory::OnMessage(TMessage* message) {
  if (!IsBuilt()) return TQRNWindow::OnMessage(message);
  switch (message->GetType()) {
    case kFactoryIngredientMissed:
      if (message->IsKindOf(MissedIngredientMessage::ClassId()))
        OnIngredientMissed(static_cast<MissedIngredientMessage*>(message)->GetIngredient());
      LogPlay("missed %u, belt rate %.3f", mMissCount, (double)mGridTask->GetRate());
      return true;
    case kFactoryProductCounted:
      ++mScore;
      ShowScore();
      LogPlay("product counted, score %u", mScore);
      return true;
    case kFactoryGroupCollected:
      if (message->IsKindOf(CollectedIngredientMessage::ClassId()))
        OnGroupCollected(static_cast<CollectedIngredientMessage*>(message)->sprites);
      return true;
    default:
      return TQRNWindow::OnMessage(message);
  }
}

bool CoffeeFactory::OnMouseDown(TPoint point) {
  // A click while the game stands paused would take a shot that hangs in the air.
  if (!IsBuilt() || mGameState != kPlaying || mPaused) return mSwallowMouse;
  std::shared_ptr<Ingredient> shot = mIngredientQueue->GetHead() == 1.0f ? mIngredientQueue->PeekFront() : nullptr;
  if (mGunTask->Fire(point.x, point.y) && shot) {
    int32_t cell = mGrid->GetCellIndexAt((float)point.x, (float)point.y);
    // The belt's rows from the top, each cell the first letter of its ingredient or '.'.
    TStr belt;
    for (uint32_t i = 0; i < mGrid->GetCellCount(); ++i) {
      if (i > 0 && i % mGrid->GetColumnCount() == 0) belt += "/";
      const TStr& name = mGrid->GetCell(i).name;
      belt += name.IsEmpty() ? TStr(".") : TStr::Format("%c", name.c_str()[0]);
    }
    LogPlay("%s shot at (%d, %d), cell %d (%s), belt at %.1f: %s", shot->GetName().c_str(), (int)point.x,
            (int)point.y, (int)cell, cell < 0 ? "off the belt" : mGrid->IsCellEmpty(cell) ? "empty" : "filled",
            (double)mGrid->GetPosition().y, belt.c_str());
  }
  return mSwallowMouse;
}

void CoffeeFactory::LogPlay(const char* format, ...) const {
  if (!mVerbose) return;
  va_list args;
  va_start(args, format);
  TStr line = TStr::VFormat(format, args);
  va_end(args);
  LogPrintf("Coffee factory (%u ms left): %s", mClock.GetTimeLeft(), line.c_str());
}

void CoffeeFactory::LogStock() {
  std::vector<int32_t> stock;
  for (size_t i = 0; i < mHopper->GetSlotCount(); ++i) stock.push_back(mHopper->GetStock(i));
  if (stock == mLoggedStock) return;
  mLoggedStock = stock;
  TStr line("stock");
  for (size_t i = 0; i < stock.size(); ++i) line += TStr::Format(" %s %d", mRecipe[i].c_str(), (int)stock[i]);
  LogPlay("%s", line.c_str());
}

bool CoffeeFactory::OnMouseMove(TPoint point) {
  if (!IsBuilt()) return mSwallowMouse;
  TVec2 at((float)point.x, (float)point.y);
  TVec2 d = mGunTask->Aim(at);
  // The target and the hidden pointer only while the game can be played: a paused game keeps
  // its pointer over the belt.
  if (mGameState == kPlaying && !mPaused)
    mGrid->UpdateHover(at.x, at.y);
  else
    mGrid->UpdateHover(-1.0f, -1.0f);
  TurnToward(mGun, d);
  return mSwallowMouse;
}

void CoffeeFactory::PauseRunningGame() {
  if (sCurrent) sCurrent->PauseGame(TStr("game_paused"));
}
