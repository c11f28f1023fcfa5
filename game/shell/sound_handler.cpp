// The sound handler's messages.
#include "game/shell/sound_handler.h"

#include "core/windows/window_manager.h"
#include "game/shell/sound_bridge.h"

TSoundHandler::TSoundHandler() {
  if (TWindowManager* manager = TWindowManager::Get()) manager->AddMessageListener(this);
}

TSoundHandler::~TSoundHandler() {}

bool TSoundHandler::OnMessage(TMessage* message) {
  if (message->GetType() != kPlaySoundMessage) return false;
  SoundEvent(message->GetName());
  return true;
}
