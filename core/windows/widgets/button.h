// TButton: the toolkit's button, a layered window with one layer per look (normal, pressed,
// rollover, and the "on" looks of toggle and radio buttons). It follows the mouse through the
// normal, pressed and rollover states, plays its rollover and press sounds, and on a click
// runs its action and posts a command message named after itself. Push, toggle and radio
// buttons share the class; radio buttons form groups among their siblings. Script type "Button".
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/windows/layered_window.h"
#include "core/windows/widget_calls.h"

class TLuaFunction;
class TWindowSound;

class TButton : public TLayeredWindow, public TButtonCalls {
 public:
  enum Type : uint32_t { kPush = 0, kToggle = 1, kRadio = 2 };
  // kClick is only ever the notification of a click, never a stored state.
  enum State : uint32_t { kNormal = 0, kPressed = 1, kRollover = 2, kClick = 3 };
  // Option words of SetOptions (the creation keys' booleans).
  static constexpr uint32_t kSetBeginGroup = 1, kSetSendToParent = 2, kSetClose = 4, kSetDefault = 8,
                            kSetCancel = 0x10;

  // What a click runs.
  class Action {
   public:
    virtual ~Action() {}
    virtual void Execute(TButton* button) = 0;
  };
  // Runs a script function inside the window script, which may wait for messages meanwhile.
  class LuaAction : public Action {
   public:
    // Takes the function.
    explicit LuaAction(TLuaFunction* function) : mFunction(function) {}
    ~LuaAction() override;
    void Execute(TButton* button) override;
    TLuaFunction* GetFunction() const { return mFunction; }

   private:
    TLuaFunction* mFunction;
  };

  TButton();
  // Resets the mouse state first (tracking ends), then lets go of the action, sounds and mask.
  ~TButton() override;

  const char* GetClassName() const override { return "TButton"; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &TButton::GetFactory || TLayeredWindow::IsKindOf(classId);
  }
  // Creates a TButton (script type "Button"); the class identity.
  static TWindow* GetFactory();

  bool OnNewParent() override;
  // Keys: "sound", "rolloversound", "mask", "type", "scale", "sendToParent", "beginGroup",
  // "close", "default", "cancel", "on", "tooltip" (unused), "graphics" with "hflip", "vflip" and
  // "rotate", "command".
  void Init(TWindowStyle& style) override;
  void PostChildrenInit(TWindowStyle& style) override;
  bool OnMouseDown(TPoint point) override;
  bool OnMouseUp(TPoint point) override;
  bool OnMouseMove(TPoint point) override;
  bool OnMouseLeave() override;

  // A click: the click notification, the press sound, the action and command message, then
  // toggling. False when the click ended the button's part (its action closed or replaced it).
  bool Press() override;
  virtual void OnStateChange(uint32_t newState, uint32_t oldState);
  virtual void SetState(uint32_t state);
  // The close message and the command message, and the action; true when the action took the
  // button out of the window tree.
  bool DoAction() override;

  uint32_t GetType() const { return mTypeState & 0xF; }
  void SetType(uint32_t type) { mTypeState = (mTypeState & ~0xFu) | (type & 0xF); }
  uint32_t GetState() const { return (mTypeState >> 4) & 7; }
  uint32_t GetOptions() const override { return mOptions; }
  // Sets the bits of the option word (never clears one).
  void SetOptions(uint32_t options);
  // index 1 the press sound, 2 the rollover sound.
  void SetSound(TStr name, int index);
  // A copy of the texture's pixels; a texture that cannot be locked leaves the mask as it was.
  void SetMask(const std::shared_ptr<TTexture>& texture);
  void SetAction(Action* action);
  Action* GetAction() const { return mAction.get(); }
  // A radio button turned on first turns the others of its group off; the look follows.
  void SetToggleState(bool on) override;
  void Toggle();
  bool IsOn() const { return (mOptions & kButtonOn) != 0; }
  void SetLabel(TStr text) override;
  TStr GetLabel() override;
  void SetLuaCommand(TLuaFunction* command) override;

 protected:
  // Outside the button, or on a dark pixel of its mask; the button lets go of the mouse then.
  bool IsOutside(TPoint point);
  // The layer that shows a state.
  int LayerOf(uint32_t state) const;
  void AddGraphics(TWindowStyle& style, float scale, uint32_t flip, bool rotate);

  uint32_t mTypeState = 0;  // bits 0-3 the type, 4-6 the state
  uint32_t mOptions = 0;
  std::unique_ptr<Action> mAction;
  std::shared_ptr<TWindowSound> mSounds[3];
  std::vector<uint32_t> mMask;
  int32_t mMaskWidth = 0, mMaskHeight = 0;
};
