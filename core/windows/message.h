// TMessage: a framework message (type, name, the window it concerns) that windows pass up the
// tree and scripts receive; TMessageListener: an object offered messages that name no window.
#pragma once

#include <cstdint>

#include "core/base/str.h"

class TWindow;

// Types the toolkit creates or reacts to; games use kUserMessageBase and above.
enum TMessageType : int32_t {
  kGeneric = 0,
  kCloseWindow = 1,    // close the modal windows down to the named one
  kDefaultAction = 2,  // Enter or Escape that no default or cancel button took
  kButtonPress = 3,
  kPressAnyKey = 4,  // "mouse:up" or "raw:" and a key byte
  kQuitNow = 5,
  kModalClosed = 6,  // named with the closed modal window's id string
  kTextEditChanged = 7,
  kCommandOnly = 8,
  kSliderValChanged = 9,
  kSliderMouseUp = 10,
  kSliderPageUp = 11,
  kSliderPageDown = 12,
  kUserMessageBase = 1000,
};

class TMessage {
 public:
  TMessage(int32_t type = kGeneric, TStr name = TStr(), TWindow* window = nullptr)
      : mType(type), mName(name), mWindow(window) {}
  virtual ~TMessage() {}
  TMessage(const TMessage&) = delete;
  TMessage& operator=(const TMessage&) = delete;

  virtual const char* GetClassName() const { return "TMessage"; }
  virtual bool IsKindOf(const void* classId) const { return classId == ClassId(); }
  // The class identity: the address of this function.
  static const void* ClassId();

  int32_t GetType() const { return mType; }
  const TStr& GetName() const { return mName; }
  TWindow* GetWindow() const { return mWindow; }
  void SetWindow(TWindow* window) { mWindow = window; }

 protected:
  int32_t mType;
  TStr mName;
  TWindow* mWindow;
};

// Registered with the window manager, which owns it and deletes it at shut-down.
class TMessageListener {
 public:
  virtual ~TMessageListener() {}
  // True when handled; the manager then deletes the message.
  virtual bool OnMessage(TMessage* message) = 0;
};
