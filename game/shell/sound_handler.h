// TSoundHandler: plays the sound events that a window's parts post as type-1002 messages to the
// window manager's queue, so that parts deep in a scene need no handle on the sound bridge. The
// factory windows each own one while they live.
#pragma once

#include "core/windows/message.h"

class TSoundHandler : public TMessageListener {
 public:
  // Message type of a sound request; the message's name is the event.
  static constexpr int32_t kSoundMessage = 1002;

  // Listens to the running window manager's queue from here on.
  TSoundHandler();
  // Does not leave the manager's listeners itself: its owner takes it out first and deletes it
  // only when the removal says it was still there.
  ~TSoundHandler() override = default;
  // A sound request is played (SoundEvent) and taken; anything else passes on.
  bool OnMessage(TMessage* message) override;
};
