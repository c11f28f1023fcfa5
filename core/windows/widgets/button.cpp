// TButton: states and layers, the mouse, clicks, radio groups, the creation keys.
#include "core/windows/widgets/button.h"

#include "core/base/log.h"
#include "core/script/lua_function.h"
#include "core/script/lua_table.h"
#include "core/graphics/texture.h"
#include "core/graphics/texture_data.h"
#include "core/windows/message.h"
#include "core/windows/modal_window.h"
#include "core/windows/text.h"
#include "core/windows/widgets/image.h"
#include "core/windows/window_host.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_script.h"
#include "core/windows/window_spider.h"
#include "core/windows/window_style.h"

namespace {

TWindowManager* Manager() { return TWindowManager::Get(); }

TButton* AsTButton(TWindow* window) {
  return window && window->IsKindOf(&TButton::GetFactory) ? static_cast<TButton*>(window) : nullptr;
}

// Turns off the other buttons of a radio button's group. Pass 0 finds where the group starts
// (the last window with kWindowBeginGroup up to the button); pass 1 walks from there to the
// next group start. The parent's children are walked in creation order, back of the list first.
class TRadioButtonSpider : public TWindowSpider {
 public:
  explicit TRadioButtonSpider(TButton* button) : mOn(button) {}
  bool Process(TWindow* window) override {
    if (mPass == 0) {
      if (window->GetFlags() & kWindowBeginGroup) mGroupStart = window;
      return window != mOn;
    }
    if (!mInGroup) {
      if (window != mGroupStart) return true;
      mInGroup = true;
    } else if (window->GetFlags() & kWindowBeginGroup) {
      return false;
    }
    if (TButton* other = AsTButton(window))
      if (other != mOn) other->SetToggleState(false);
    return true;
  }
  void Run(TWindow* parent) {
    parent->ForEachChild(*this, true);
    if (!mGroupStart) return;  // no group starts before the button: nobody is turned off
    mPass = 1;
    parent->ForEachChild(*this, true);
  }

 private:
  int mPass = 0;
  bool mInGroup = false;
  TWindow* mGroupStart = nullptr;
  TButton* mOn;
};

// "GetButtonName" answers the name kept as its upvalue.
int ReturnButtonName(lua_State* L) {
  lua_pushvalue(L, lua_upvalueindex(1));
  return 1;
}

// Defines GetButtonName for the command about to run. The name goes in as a value, never as
// script text, so no name can end the definition early or smuggle code into it.
void DefineButtonName(lua_State* L, const TStr& name) {
  lua_pushstring(L, "GetButtonName");
  lua_pushlstring(L, name.c_str(), (size_t)name.Length());
  lua_pushcclosure(L, &ReturnButtonName, 1);
  lua_settable(L, LUA_GLOBALSINDEX);
}

// The caption: the first text window named "label" at or under one of the button's children.
TText* FindLabel(const std::list<TWindow*>& children) {
  for (TWindow* child : children)
    if (TText* label = AsText(child->FindChild("label", -1))) return label;
  return nullptr;
}

// Whether the window still hangs from the root screen.
bool ReachesRoot(TWindow* window) {
  TWindowManager* manager = Manager();
  TWindow* root = manager ? manager->GetScreen() : nullptr;
  return root && window->IsUnder(root);
}

}  // namespace

// Actions.

TButton::LuaAction::~LuaAction() { delete mFunction; }

void TButton::LuaAction::Execute(TButton* button) {
  TMessage* message = new TMessage(kCommandOnly, TStr("LuaAction:") + button->GetName());
  TWindowManager* manager = Manager();
  TWindowScript* script = manager ? manager->GetScript() : nullptr;
  if (!script) {
    delete message;
    return;
  }
  DefineButtonName(script->GetState(), button->GetName());
  script->DeliverMessage(message, mFunction);
}

// Construction.

TButton::TButton() : TLayeredWindow(4) { SelectLayer(0); }

TButton::~TButton() {
  OnMouseLeave();
  // Lets go of the sounds and the mask with the members; the action is deleted with them.
}

TWindow* TButton::GetFactory() { return new TButton(); }

bool TButton::OnNewParent() {
  SetState(kNormal);
  return true;
}

void TButton::SetOptions(uint32_t options) {
  if (options & kSetBeginGroup) mFlags |= kWindowBeginGroup;
  if (options & kSetSendToParent) mOptions |= kButtonSendToParent;
  if (options & kSetClose) mOptions |= kButtonClose;
  if (options & kSetDefault) mOptions |= kButtonDefault;
  if (options & kSetCancel) mOptions |= kButtonCancel;
}

void TButton::SetSound(TStr name, int index) {
  if (index < 0 || index > 2) return;
  TWindowManager* manager = Manager();
  mSounds[index] = name.IsEmpty() || !manager ? nullptr : manager->GetHost().LoadSound(name);
}

void TButton::SetMask(const std::shared_ptr<TTexture>& texture) {
  uint32_t* pixels = nullptr;
  int pitch = 0;
  if (!texture || !texture->Lock(pixels, pitch)) return;
  int w = texture->GetWidth(), h = texture->GetHeight();
  TTextureData* data = texture->GetData();
  int mx = data ? (int)data->GetMarginX() : 0, my = data ? (int)data->GetMarginY() : 0;
  mMask.assign((size_t)w * h, 0);
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) mMask[(size_t)y * w + x] = pixels[(size_t)(y + my) * pitch + x + mx];
  mMaskWidth = w;
  mMaskHeight = h;
  texture->Unlock();
}

void TButton::SetAction(Action* action) { mAction.reset(action); }

void TButton::SetLuaCommand(TLuaFunction* command) { SetAction(command ? new LuaAction(command) : nullptr); }

void TButton::SetToggleState(bool on) {
  if (on && GetType() == kRadio && mParent) TRadioButtonSpider(this).Run(mParent);
  mOptions = on ? mOptions | kButtonOn : mOptions & ~kButtonOn;
  SetState(GetState());
  RequestRedraw();
}

void TButton::Toggle() {
  mOptions ^= kButtonOn;
  SetState(GetState());
}

void TButton::SetLabel(TStr text) {
  if (TText* label = FindLabel(mChildren)) label->SetText(text);
}

TStr TButton::GetLabel() {
  TStr text;
  if (TText* label = FindLabel(mChildren)) label->GetText(text);
  return text;
}

// Creation keys.

void TButton::Init(TWindowStyle& style) {
  TWindow::Init(style);
  TStr sound = style.GetString("sound", "");
  TStr rolloverSound = style.GetString("rolloversound", "");
  TStr mask = style.GetString("mask", "");
  SetType((uint32_t)style.GetInt("type", kPush));
  float scale = (float)style.GetNumber("scale", 1.0);
  uint32_t options = (style.GetBool("sendToParent", false) ? kSetSendToParent : 0) |
                     (style.GetBool("beginGroup", false) ? kSetBeginGroup : 0) |
                     (style.GetBool("close", false) ? kSetClose : 0) |
                     (style.GetBool("default", false) ? kSetDefault : 0) |
                     (style.GetBool("cancel", false) ? kSetCancel : 0);
  bool on = style.GetBool("on", false);
  // The options go first: a radio button that starts a group and is on must turn off its own
  // group's buttons, not those of the group before it.
  SetOptions(options);
  if (on) SetToggleState(true);
  SetSound(sound, kPressed);
  SetSound(rolloverSound, kRollover);
  if (!mask.IsEmpty()) SetMask(TTexture::Get(mask, 0));
  style.GetString("tooltip", "");
  uint32_t flip = (style.GetBool("hflip", false) ? TImage::kFlipHorizontal : 0) |
                  (style.GetBool("vflip", false) ? TImage::kFlipVertical : 0);
  bool rotate = style.GetBool("rotate", false);
  AddGraphics(style, scale, flip, rotate);
  FitToChildren();
  if (TLuaFunction* command = style.GetFunction("command")) SetAction(new LuaAction(command));
  SelectLayer(kAllLayers);
}

void TButton::AddGraphics(TWindowStyle& style, float scale, uint32_t flip, bool rotate) {
  TLuaTable* graphics = style.GetTable("graphics");
  if (!graphics) return;
  int count = GetType() == kPush ? 3 : 4;
  TImage* last = nullptr;
  for (int i = 0; i < count; i++) {
    TStr name = graphics->GetStringAt(i + 1, "");
    SelectLayer((uint32_t)i);
    if (name.IsEmpty()) {
      // The look of the nearest earlier state stands in.
      if (last) AddChild(last, false);
      continue;
    }
    TImage* image = new TImage(true);
    image->SetTexture(TTexture::Get(name, 0), scale);
    image->SetWindowName(TStr::Format("image%d", i));
    image->SetFlip(flip);
    image->SetRotate(rotate);
    AddChild(image, false);
    last = image;
  }
  delete graphics;
}

void TButton::PostChildrenInit(TWindowStyle& style) {
  TWindow::PostChildrenInit(style);
  SetState(kNormal);
}

// States.

int TButton::LayerOf(uint32_t state) const {
  bool on = IsOn();
  if (GetType() == kPush) return state == kNormal ? 0 : state == kPressed ? 1 : state == kRollover ? 2 : -1;
  switch (state) {
    case kNormal: return on ? 1 : 0;
    case kPressed: return on ? 0 : 1;
    case kRollover: return on ? 3 : 2;
    default: return -1;
  }
}

void TButton::OnStateChange(uint32_t newState, uint32_t oldState) {
  if (newState != oldState && newState != kPressed && oldState != kClick && newState < 3 && mSounds[newState] &&
      (mFlags & kWindowEnabled))
    mSounds[newState]->Play();
  int layer = LayerOf(newState);
  if (layer >= 0) SelectLayer((uint32_t)layer);
}

void TButton::SetState(uint32_t state) {
  uint32_t old = GetState();
  mTypeState = (mTypeState & ~0x70u) | ((state & 7) << 4);
  OnStateChange(state, old);
}

// The mouse.

bool TButton::IsOutside(TPoint point) {
  bool outside = !GetLocalRect().Contains(point.x, point.y);
  if (!outside && mMaskWidth > 0 && mMaskHeight > 0) {
    int64_t x = (int64_t)point.x * mMaskWidth / GetWidth();
    int64_t y = (int64_t)point.y * mMaskHeight / GetHeight();
    if (x < 0 || y < 0 || x >= mMaskWidth || y >= mMaskHeight) {
      outside = true;
    } else {
      uint32_t p = mMask[(size_t)y * mMaskWidth + x];
      outside = ((p >> 16) & 0xFF) < 20 && ((p >> 8) & 0xFF) < 20 && (p & 0xFF) < 20;
    }
  }
  if (outside) OnMouseLeave();
  return outside;
}

bool TButton::OnMouseDown(TPoint point) {
  if (GetState() == kNormal)
    if (TWindowManager* manager = Manager()) manager->AddMouseTracker(this);
  SetState(kPressed);
  IsOutside(point);
  return true;
}

bool TButton::OnMouseMove(TPoint point) {
  if (IsOutside(point)) return false;
  if (GetState() != kNormal) return true;
  SetState(kRollover);
  if (TWindowManager* manager = Manager()) manager->AddMouseTracker(this);
  return true;
}

bool TButton::OnMouseUp(TPoint point) {
  if (GetState() == kNormal || IsOutside(point)) return true;
  if (GetState() == kPressed && !Press()) return true;
  if (!IsVisible())  // enabled up to and including its modal window
    OnMouseLeave();
  else
    SetState(kRollover);
  return true;
}

bool TButton::OnMouseLeave() {
  if (GetState() != kNormal) {
    if (TWindowManager* manager = Manager()) manager->RemoveMouseTracker(this);
    SetState(kNormal);
  }
  return true;
}

// Clicks.

bool TButton::Press() {
  OnStateChange(kClick, kPressed);
  if (mSounds[kPressed] && IsVisible()) mSounds[kPressed]->Play();
  if (!DoAction()) {
    if (GetType() == kRadio)
      SetToggleState(true);
    else if (GetType() == kToggle)
      Toggle();
    TWindowManager* manager = Manager();
    if (manager && GetParentModal() == manager->GetTopModal()) return true;
  }
  OnMouseLeave();
  return false;
}

bool TButton::DoAction() {
  TWindowManager* manager = Manager();
  if (!manager) return false;
  if (mOptions & kButtonClose) {
    if (TModalWindow* modal = GetParentModal()) {
      manager->PostMessage(new TMessage(kCloseWindow, modal->GetIdString()));
      if (TWindowScript* script = manager->GetScript()) script->SetGlobalString("gReturnValue", mName);
    }
  }
  TWindow* target = mParent;
  if (mOptions & kButtonSendToParent) {
    TWindow* top = manager->GetTopModal();
    target = top ? top->GetParent() : nullptr;
  }
  TMessage* command = new TMessage(kButtonPress, mName, target);
  if (mAction) {
    mAction->Execute(this);
    if (!ReachesRoot(this)) {
      if (mOptions & kButtonSendToParent)
        manager->PostMessage(command);
      else
        delete command;
      return true;
    }
  }
  manager->PostMessage(command);
  return false;
}
