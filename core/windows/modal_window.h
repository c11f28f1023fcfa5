// TModalWindow: one level of the modal stack (a dialog, a game screen, the root screen). It owns
// the level's task list and clock (paused while another modal lies above), the child that gets
// the keyboard focus, the children that cover it completely, and hot keys that press buttons;
// Enter and Escape press its default and cancel buttons.
#pragma once

#include <map>
#include <set>

#include "core/base/clock.h"
#include "core/base/task_list.h"
#include "core/windows/window.h"

class TModalWindow : public TWindow {
 public:
  TModalWindow();
  // Tells the scripts which modal closed (a kModalClosed message named with its id string).
  ~TModalWindow() override;

  const char* GetClassName() const override { return "TModalWindow"; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &TModalWindow::ClassId || TWindow::IsKindOf(classId);
  }
  // The class identity (the class has no factory).
  static TWindow* ClassId();

  // Starts the clock.
  bool OnNewParent() override;
  // Always grows to hold the children first.
  void PostChildrenInit(TWindowStyle& style) override;
  bool OnMessage(TMessage* message) override;
  bool OnChar(uint8_t character) override;
  bool OnKeyDown(uint8_t key, uint32_t modifiers) override;
  // Passes the focus on to the focus child.
  void OnSetFocus(TWindow* previous) override;
  // Binds a key name (see NormalizeKeyName) to the name of a button; an empty command unbinds.
  virtual void SetKeyCommand(TStr key, TStr command);
  TStr GetKeyCommand(TStr key) const;

  void SetFocus(TWindow* window);
  TWindow* GetFocusChild() const { return mFocusChild; }
  void ClearFocusChild(TWindow* window) {
    if (mFocusChild == window) mFocusChild = nullptr;
  }

  // Code 0 from the idle event, 1 from the frame.
  void AddTask(TTask* task) { mTasks.AddTask(task); }
  void RunTasks(int code) { mTasks.RunTasks(code); }
  void KillTasks() { mTasks.KillAllTasks(); }
  TTaskList& GetTaskList() { return mTasks; }
  TClock& GetClock() { return mClock; }

  // Adds or removes a cover, then carries kWindowOpaque exactly while covered.
  void SetCovering(TWindow* window, bool covers);
  // Drops the window and every cover beneath it (a detached subtree covers nothing here).
  void DropCoversUnder(TWindow* window);
  bool IsCoveredBy(TWindow* window) const { return mCovers.count(window) != 0; }

 private:
  void UpdateOpaque();

  TTaskList mTasks;
  TWindow* mFocusChild = nullptr;
  std::set<TWindow*> mCovers;
  TClock mClock;
  std::map<TStr, TStr> mHotKeys;
};

// The window as a modal window; null when it is none (or null).
TModalWindow* AsModal(TWindow* window);

// Lower case; "@x" names keep "@" and the last character upper-cased; other names become their
// "shift-", "ctrl-" ("control-" too) and "alt-" prefixes in that order, then the last character
// upper-cased: Control-Alt-s and alt-ctrl-S both give ctrl-alt-S.
TStr NormalizeKeyName(TStr name);
