// TSoundHandler: sound requests from the message queue to the sound bridge.
#include "game/shell/sound_handler.h"

#include "core/windows/window_manager.h"
#include "game/shell/sound_bridge.h"

TSoundHandler::TSoundHandler() {
  if (TWindowManager* manager = TWindowManager::Get()) manager->AddMessageListener(this);
}

bool TSoundHandler::OnMessage(TMessage* message) {
  if (!message || message->GetType() != kSoundMessage) return false;
  SoundEvent(message->GetName());
  return true;
}
