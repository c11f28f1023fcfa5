// TModalWindow: hot keys, default and cancel buttons, focus child, covers and the level's tasks.
#include "core/windows/modal_window.h"

#include <algorithm>
#include <cctype>

#include "core/base/log.h"
#include "core/windows/message.h"
#include "core/windows/widget_calls.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_spider.h"

namespace {

bool Contains(const TStr& text, const char* part) { return text.Find(TStr(part)) >= 0; }

// Enabled up to (and including) the modal window.
bool EnabledUpTo(TWindow* window, TWindow* modal) {
  for (TWindow* w = window; w; w = w->GetParent()) {
    if (!(w->GetFlags() & kWindowEnabled)) return false;
    if (w == modal) break;
  }
  return true;
}

// Finds the default and cancel buttons of a modal window's subtree.
class FindDefault : public TWindowSpider {
 public:
  explicit FindDefault(TWindow* modal) : mModal(modal) {}
  bool Process(TWindow* window) override {
    if (TButtonCalls* button = AsButton(window)) {
      if (EnabledUpTo(window, mModal)) {
        if (button->GetOptions() & kButtonDefault) mDefault = button;
        if (button->GetOptions() & kButtonCancel) mCancel = button;
      }
      return !(mDefault && mCancel);  // this list ends; the enclosing ones go on
    }
    window->ForEachChild(*this);
    return true;
  }
  TWindow* mModal;
  TButtonCalls* mDefault = nullptr;
  TButtonCalls* mCancel = nullptr;
};

}  // namespace

TModalWindow* AsModal(TWindow* window) {
  return window && window->IsKindOf(&TModalWindow::ClassId) ? static_cast<TModalWindow*>(window) : nullptr;
}

TStr NormalizeKeyName(TStr name) {
  name.ToLower();
  int n = name.Length();
  if (n == 0) return name;
  char last = (char)std::toupper((unsigned char)name[n - 1]);
  if (n > 1 && name[0] == '@') return TStr("@") + last;
  TStr result;
  if (Contains(name, "shift-")) result += "shift-";
  if (Contains(name, "ctrl-") || Contains(name, "control-")) result += "ctrl-";
  if (Contains(name, "alt-")) result += "alt-";
  return result + last;
}

TModalWindow::TModalWindow() { mFlags |= kWindowModal | kWindowFocusable; }

TModalWindow::~TModalWindow() {
  if (TWindowManager* manager = TWindowManager::Get()) manager->PostMessage(new TMessage(kModalClosed, GetIdString()));
  mTasks.KillAllTasks();
  mCovers.clear();
}

TWindow* TModalWindow::ClassId() { return reinterpret_cast<TWindow*>(reinterpret_cast<void*>(&TModalWindow::ClassId)); }

bool TModalWindow::OnNewParent() {
  mClock.Start();
  return true;
}

void TModalWindow::PostChildrenInit(TWindowStyle& style) {
  FitToChildren();
  TWindow::PostChildrenInit(style);
}

bool TModalWindow::OnMessage(TMessage* message) {
  if (message->GetType() != kCloseWindow) return false;
  if (!message->GetName().IsEmpty()) {
    if (TWindowManager* manager = TWindowManager::Get()) manager->PopModalsTo(message->GetName());
  }
  return true;
}

bool TModalWindow::OnChar(uint8_t character) {
  if (character != 13 && character != 27) return false;
  FindDefault finder(this);
  ForEachChild(finder);
  TButtonCalls* button = character == 13 ? finder.mDefault : finder.mCancel;
  // Unless the action says it dealt with the key, the script hears of it as it would without
  // a button (a plain button's action posts its command and reports nothing).
  if (button && button->DoAction()) return true;
  TWindowManager* manager = TWindowManager::Get();
  TWindow* from = manager && manager->GetFocus() ? manager->GetFocus() : this;
  from->BubbleMessage(new TMessage(kDefaultAction, ""));
  return true;
}

bool TModalWindow::OnKeyDown(uint8_t key, uint32_t modifiers) {
  TStr name;
  if (modifiers & kModShift) name += "shift-";
  if (modifiers & kModCtrl) name += "ctrl-";
  if (modifiers & kModAlt) name += "alt-";
  name += (char)key;
  auto it = mHotKeys.find(NormalizeKeyName(name));
  if (it == mHotKeys.end()) it = mHotKeys.find(TStr("@") + (char)key);
  if (it == mHotKeys.end()) return false;
  TStr command = it->second;  // pressing may rebind keys
  TWindow* window = FindChild(command, -1);
  TButtonCalls* button = window ? AsButton(window) : nullptr;
  if (button)
    button->Press();
  else
    LogError("ERROR: Hot key button not found. Button:'%s'", command.c_str());
  return true;
}

void TModalWindow::OnSetFocus(TWindow* previous) {
  if (!mFocusChild) return;
  if (TWindowManager* manager = TWindowManager::Get()) manager->StoreFocus(mFocusChild);
  mFocusChild->OnSetFocus(previous);
}

void TModalWindow::SetKeyCommand(TStr key, TStr command) {
  TStr name = NormalizeKeyName(key);
  if (command.IsEmpty())
    mHotKeys.erase(name);
  else
    mHotKeys[name] = command;
}

TStr TModalWindow::GetKeyCommand(TStr key) const {
  auto it = mHotKeys.find(NormalizeKeyName(key));
  return it == mHotKeys.end() ? TStr() : it->second;
}

void TModalWindow::SetFocus(TWindow* window) {
  mFocusChild = window;
  TWindowManager* manager = TWindowManager::Get();
  if (manager && manager->GetFocus() == this && window) {
    manager->StoreFocus(window);
    window->OnSetFocus(this);
  }
}

void TModalWindow::SetCovering(TWindow* window, bool covers) {
  if (covers)
    mCovers.insert(window);
  else
    mCovers.erase(window);
  UpdateOpaque();
}

void TModalWindow::DropCoversUnder(TWindow* window) {
  for (auto it = mCovers.begin(); it != mCovers.end();) it = (*it)->IsUnder(window) ? mCovers.erase(it) : std::next(it);
  UpdateOpaque();
}

void TModalWindow::UpdateOpaque() {
  uint32_t flags = mCovers.empty() ? (mFlags & ~kWindowOpaque) : (mFlags | kWindowOpaque);
  if (flags != mFlags) SetFlags(flags);
}
