// ChocolateFactory's face to the scripts: the four functions it binds while it lives, and how
// the game's set-up learns of the class.
#include "core/graphics/sprites/sprite.h"
#include "game/minigames/chocolate/chocolate_factory.h"
#include "game/minigames/chocolate/chocolate_gun.h"
#include "game/minigames/chocolate/chocolate_product.h"
#include "game/minigames/chocolate/chocolate_tray.h"
#include "game/minigames/chocolate/flying_ring.h"
#include "game/minigames/chocolate/recycler.h"
#include "game/minigames/ingredient_queue.h"
#include "game/shell/game_setup.h"
#include "game/shell/sound_handler.h"

ChocolateFactory::ChocolateFactory() : mRoot(TSprite::Create(0)), mSoundHandler(new TSoundHandler) {
  sCurrent = this;
  mGlobals.Bind("StartGame", this, &ChocolateFactory::StartGame);
  mGlobals.Bind("PauseGame", this, &ChocolateFactory::PauseGame);
  mGlobals.Bind("ResumeGame", this, &ChocolateFactory::ResumeGame);
  mGlobals.Bind("GetScore", this, &ChocolateFactory::GetScore);
}

void ProvideChocolate(TGameSetup& setup) {
  setup.SetWindowClass("ChocolateFactory", &ChocolateFactory::Create);
  setup.pauseChocolateFactory = &ChocolateFactory::PauseRunningGame;
}
