// What the movie player needs from outside the program: the control host library (loaded at
// run time; it registers the host window class "AtlAxWin", whose windows create the control
// named by their title) and the Flash control's automation interface. The program's own
// backend is TAtlControlHost; tests put a scripted one in its place (TFlashMovie::SetControlHost).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/win32.h"

// An automation value: nothing, an integer, a boolean or a wide string.
struct TFlashValue {
  enum Kind { kEmpty, kInt, kBool, kString };
  TFlashValue() {}
  static TFlashValue Int(int32_t i) {
    TFlashValue v;
    v.kind = kInt;
    v.i = i;
    return v;
  }
  static TFlashValue Bool(bool b) {
    TFlashValue v;
    v.kind = kBool;
    v.b = b;
    return v;
  }
  static TFlashValue String(std::u16string s) {
    TFlashValue v;
    v.kind = kString;
    v.s = std::move(s);
    return v;
  }
  Kind kind = kEmpty;
  int32_t i = 0;
  bool b = false;
  std::u16string s;
};

// The control, reached by member name; each call answers whether the control took it.
// Deleting it releases the control.
class TFlashControl {
 public:
  virtual ~TFlashControl() {}
  virtual bool GetProperty(const char* name, TFlashValue& value) = 0;
  virtual bool PutProperty(const char* name, const TFlashValue& value) = 0;
  // result may be null when nothing is wanted back.
  virtual bool CallMethod(const char* name, const std::vector<TFlashValue>& arguments, TFlashValue* result) = 0;
};

class TFlashControlHost {
 public:
  virtual ~TFlashControlHost() {}
  // The first call loads the library (after initialising COM) and looks up "AtlAxWinInit" and
  // "AtlAxGetControl", calling the first when found; every call answers whether both were found.
  virtual bool Load() = 0;
  // The control a host window made, as automation; null when there is none.
  virtual TFlashControl* GetControl(HWND hostWindow) = 0;
};
