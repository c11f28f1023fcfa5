// CoffeeFactory's face to the scripts: its construction (the shared window binds the four script
// functions while it lives), and how the game's set-up learns of the class.
#include "game/minigames/coffee/coffee_factory.h"
#include "game/minigames/coffee/coffee_gun.h"
#include "game/minigames/coffee/coffee_product.h"
#include "game/minigames/coffee/hopper.h"
#include "game/minigames/coffee/ingredient_grid.h"
#include "game/minigames/ingredient_queue.h"
#include "game/shell/game_setup.h"

CoffeeFactory::CoffeeFactory() : FactoryGameWindow("coffee_making_game", "coffee_first_missed") { sCurrent = this; }

void ProvideCoffee(TGameSetup& setup) {
  setup.SetWindowClass("CoffeeFactory", &CoffeeFactory::Create);
  setup.pauseCoffeeFactory = &CoffeeFactory::PauseRunningGame;
}
