// What the window tree, the modal window, text links and the window scripts ask of the widgets
// that live in widgets/ (buttons, images) and of the movie player. A widget class implements
// its interface beside its window base, so this code finds it with AsButton / AsImage.
#pragma once

#include <cstdint>
#include <memory>

#include "core/base/str.h"

class TLuaFunction;
class TTexture;
class TWindow;

// Button option bits.
enum : uint32_t {
  kButtonSendToParent = 0x1,
  kButtonOn = 0x2,
  kButtonClose = 0x4,
  kButtonDefault = 0x8,
  kButtonCancel = 0x10,
};

class TButtonCalls {
 public:
  virtual ~TButtonCalls() {}
  // A click: sound, action, toggling; false when the click stopped.
  virtual bool Press() = 0;
  // The click's message and action work; true when the action detached the button.
  virtual bool DoAction() = 0;
  virtual uint32_t GetOptions() const = 0;
  virtual void SetToggleState(bool on) = 0;
  // The text of the button's "label" child.
  virtual void SetLabel(TStr text) = 0;
  virtual TStr GetLabel() = 0;
  // A Lua action holding the function replaces the button's action (the button owns it).
  virtual void SetLuaCommand(TLuaFunction* command) = 0;
};

class TImageCalls {
 public:
  virtual ~TImageCalls() {}
  virtual void SetTexture(std::shared_ptr<TTexture> texture, float scale) = 0;
  virtual bool HasTexture() const = 0;
};

TButtonCalls* AsButton(TWindow* window);
TImageCalls* AsImage(TWindow* window);

// A Flash-style movie shown over the screen (StartMovie, IsMoviePlaying, StopMovie).
class TMoviePlayer {
 public:
  virtual ~TMoviePlayer() {}
  virtual bool Start() = 0;
  virtual bool IsPlaying() = 0;
  virtual void Stop() = 0;
};

// The Flash movie player makes every movie unless another maker is installed (null restores it).
typedef TMoviePlayer* (*TMoviePlayerMaker)(TStr name, bool translate, bool allowInput);
void SetMoviePlayerMaker(TMoviePlayerMaker maker);
TMoviePlayerMaker GetMoviePlayerMaker();
