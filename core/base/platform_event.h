// TPlatformEvent: the one record the platform's event pump returns per call, and its type codes.
#pragma once

#include <cstdint>

enum TPlatformEventType : int32_t {
  kEventIdle = 1,
  kEventOther = 2,
  kEventCloseRequest = 3,
  kEventQuit = 4,
  kEventLeftDown = 5,
  kEventButton = 6,  // other buttons and the wheel; param is the button index
  kEventLeftUp = 7,
  kEventMouseMove = 8,
  kEventMouseLost = 9,
  kEventHover = 10,
  kEventKeyDown = 11,
  kEventKeyUp = 12,
  kEventChar = 13,
  kEventWideChar = 14,
  kEventPaint = 15,
  kEventDisplayReset = 17,
  kEventActivation = 18,
  kEventFullScreenToggle = 19,
};

// Modifier bits.
constexpr int32_t kModShift = 1;
constexpr int32_t kModCtrl = 2;
constexpr int32_t kModAlt = 4;
constexpr int32_t kModExtended = 8;

struct TPlatformEvent {
  int32_t type = 0;
  int32_t param = 0;  // key code, character, button index or flag
  int32_t x = 0;      // client coordinates
  int32_t y = 0;
  int32_t modifiers = 0;
};
