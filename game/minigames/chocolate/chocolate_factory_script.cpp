// ChocolateFactory's face to the scripts: its construction (the shared window binds the four
// script functions while it lives), and how the game's set-up learns of the class.
#include "game/minigames/chocolate/chocolate_factory.h"
#include "game/minigames/chocolate/chocolate_gun.h"
#include "game/minigames/chocolate/chocolate_product.h"
#include "game/minigames/chocolate/chocolate_tray.h"
#include "game/minigames/chocolate/flying_ring.h"
#include "game/minigames/chocolate/recycler.h"
#include "game/minigames/ingredient_queue.h"
#include "game/shell/game_setup.h"

ChocolateFactory::ChocolateFactory() : FactoryGameWindow("chocolate_making_game", "choco_first_missed") {
  sCurrent = this;
}

void ProvideChocolate(TGameSetup& setup) {
  setup.SetWindowClass("ChocolateFactory", &ChocolateFactory::Create);
  setup.pauseChocolateFactory = &ChocolateFactory::PauseRunningGame;
}
