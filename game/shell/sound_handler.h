// TSoundHandler: plays the sound events that windows post as messages. A factory game makes one
// and keeps it in the window manager's listeners while it runs, so its moving parts can ask for
// a sound from anywhere with TWindowManager::PostMessage(new TMessage(kPlaySoundMessage, name)).
#pragma once

#include "core/base/asset_map.h"
#include "core/windows/message.h"

// A message that names a sound event (SoundEvent) and concerns no window.
constexpr int32_t kPlaySoundMessage = 1002;

class TSoundHandler : public TMessageListener {
 public:
  // Joins the window manager's listeners.
  TSoundHandler();
  // Does not leave the listeners: its owner takes it out first (RemoveMessageListener) and
  // deletes it only when that found it.
  ~TSoundHandler() override;

  // Plays a sound message and takes it; leaves every other message to the next listener.
  bool OnMessage(TMessage* message) override;

 private:
  TAssetMap mAssets;
};
