// FactoryKind<F>: what tells the two factory windows apart in tests that check them alike: the
// class's key, the keys of a small working factory, where its gun and miss places stand, its
// tune and the order of its end sounds, the information of its first miss, a shot that hits
// nothing, the task whose rate is its speed, and how it comes to a stand with nothing under way.
#pragma once

#include <string>
#include <vector>

#include "core/base/point.h"
#include "core/base/vec2.h"
#include "game/minigames/chocolate/chocolate_factory.h"
#include "game/minigames/chocolate/chocolate_gun.h"
#include "game/minigames/chocolate/chocolate_product.h"
#include "game/minigames/chocolate/chocolate_tray.h"
#include "game/minigames/chocolate/flying_ring.h"
#include "game/minigames/coffee/coffee_factory.h"
#include "game/minigames/coffee/coffee_gun.h"
#include "game/minigames/coffee/coffee_product.h"
#include "game/minigames/coffee/hopper.h"
#include "game/minigames/coffee/ingredient_grid.h"
#include "game/minigames/ingredient_queue.h"
#include "game/shell/scaling_task.h"

template <class F>
struct FactoryKind;

template <>
struct FactoryKind<ChocolateFactory> {
  using Other = CoffeeFactory;
  static constexpr const char* kName = "ChocolateFactory";
  // Three trays round a loop, a straight conveyor to the gun at (400, 560) and a product path
  // into the box.
  static constexpr const char* kKeys =
      "recipe = { 'cocoa', 'milk', 'sugar' }, traycount = 3,"
      "traypath = { {100, 200}, {300, 100}, {500, 100}, {700, 200}, {500, 300}, {300, 300}, {100, 200} },"
      "conveyorpath = { {100, 560}, {200, 560}, {300, 560}, {400, 560} },"
      "productpath = { {600, 500}, {650, 500}, {700, 500}, {750, 500} },"
      "missed = { {20, 20}, {40, 20}, {60, 20} },";
  static TVec2 Gun() { return TVec2(400, 560); }
  static std::vector<TVec2> MissSlots() { return {{20, 20}, {40, 20}, {60, 20}}; }
  static constexpr const char* kTune = "chocolate_making_game";
  static std::vector<std::string> EndSounds() { return {"game_over", "chocolate_making_game_outro"}; }
  static constexpr const char* kFirstMiss = "choco_first_missed";
  // The trays moved out of the way: a shot up the field flies into the empty sky.
  static constexpr const char* kEmptyFieldKeys = "traypath = { {0, 0}, {1, 0}, {2, 0}, {3, 0} },";
  static TPoint EmptyShot() { return TPoint(400, 100); }
  static float Speed(ChocolateFactory* f) { return f->GetMachineSpeed(); }
  static TScalingTask* SpeedTask(ChocolateFactory* f) { return f->GetTrayTask(); }
  static std::vector<TScalingTask*> Tasks(ChocolateFactory* f) {
    return {f->GetTrayTask(), f->GetIngredientQueueTask(), f->GetGunTask(), f->GetRingTask(),
            f->GetProductQueueTask()};
  }
  // The machine slows by 5 % a step and the game ends at the step that would take it below 0.05.
  static int StepsToStand(float speed) {
    int steps = 1;
    for (float s = speed * 0.95f; s >= 0.05f; s *= 0.95f) ++steps;
    return steps;
  }
};

template <>
struct FactoryKind<CoffeeFactory> {
  using Other = ChocolateFactory;
  static constexpr const char* kName = "CoffeeFactory";
  // The belt of 8 x 10 cells at (30, 60), the gun at (520, 560) at the end of the conveyor, the
  // product path down from the hopper into the box.
  static constexpr const char* kKeys =
      "recipe = { 'cocoa', 'milk', 'sugar' }, columns = 8, rows = 10, gridx = 30, gridy = 60,"
      "conveyorpath = { {780, 560}, {700, 560}, {600, 560}, {520, 560} },"
      "productpath = { {695, 380}, {695, 420}, {695, 460}, {695, 500} },"
      "missed = { {480, 20}, {520, 20}, {560, 20} }, matchBonus = { 0, 0, 0, 3, 7, 10 },"
      "top_hood = {230, 58}, bottom_hood = {230, 536},";
  static TVec2 Gun() { return TVec2(520, 560); }
  static std::vector<TVec2> MissSlots() { return {{480, 20}, {520, 20}, {560, 20}}; }
  static constexpr const char* kTune = "coffee_making_game";
  static std::vector<std::string> EndSounds() { return {"coffee_making_game_outro", "game_over"}; }
  static constexpr const char* kFirstMiss = "coffee_first_missed";
  // Right of the belt nothing stands in a shot's way.
  static constexpr const char* kEmptyFieldKeys = "";
  static TPoint EmptyShot() { return TPoint(700, 100); }
  static float Speed(CoffeeFactory* f) { return f->GetBeltRate(); }
  static TScalingTask* SpeedTask(CoffeeFactory* f) { return f->GetGridTask(); }
  static std::vector<TScalingTask*> Tasks(CoffeeFactory* f) {
    return {f->GetGridTask(), f->GetIngredientQueueTask(), f->GetGunTask(), f->GetProductQueueTask(),
            f->GetHopperTask()};
  }
  // Nothing keeps it going: the next step ends the game.
  static int StepsToStand(float) { return 1; }
};
