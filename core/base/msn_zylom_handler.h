// TMsnZylomHandler: the game-state handler for web-portal hosts. It turns state changes into
// event strings posted to the host window, host command codes into pause, mute, wait, menu and
// restart requests, and holds the game (sound off, clock stopped, system cursor) while the host
// asks it to wait. Its state is process-wide; handler objects only carry the AOL flag.
#pragma once

#include <cstdint>

#include "core/base/game_state_handler.h"

class TMsnZylomHandler : public TGameStateHandler {
 public:
  bool HandleEvent(const char* key, const char* value) override;
  const char* Query(const char* key, const char* current) override;
  bool TakeRestartRequest() override;
  bool TakeMenuRequest() override;
  bool IsHostMuted() override;
  bool IsBusy() override;

  bool IsAol() const { return mAol; }

 private:
  bool mAol = false;
};

// Each call registers one more handler object with the game-state store.
void EnableMsnHost();
void EnableZylomHost();
bool IsMsnHost();
bool IsZylomHost();
// Time spent waiting for the host (ms), left out of the game time; 0 with no portal.
uint32_t GetHostWaitTime();
// Sends the text with its terminating zero to the host window in 8-byte WM_USER chunks.
void PostHostEvent(const char* text, bool wait);
void HandleHostCommand(int code);
bool IsCommercialBreakDue();
// The process-wide portal state back to its start (tests run several sessions in one process).
void ResetPortalStateForTest();
