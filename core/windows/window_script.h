// TWindowScript: the script host of the window toolkit. One script state holds every window
// script, the window classes (each a Lua constructor), the native window functions and the
// window library "gScreenInit". Its main script runs as a coroutine of the state that yields
// while it waits for a message (HandleGetMessage) and is resumed by message delivery, by its
// task timer, or by native code that hands it a call to run (OfferCall).
#pragma once

#include <map>
#include <set>
#include <vector>

#include "core/base/str.h"
#include "core/script/script.h"
#include "core/windows/window.h"

class TLuaFunction;
class TMessage;
class TMoviePlayer;
class TWindowStyle;

// Called after every window created from a script table.
class TWindowCreationHook {
 public:
  virtual ~TWindowCreationHook() {}
  virtual void OnWindowCreated(TWindow* window, TWindowStyle& style) = 0;
};

class TWindowScript : public TScript {
 public:
  // The wait state: where the coroutine stands as far as messages go.
  enum WaitState { kWaitFailed = 0, kWaitNone = 1, kWaitForMessage = 3 };

  // Opens a new state, registers the functions and window classes, runs the library.
  TWindowScript();
  // Stops a movie, collects every script object (messages held by scripts go with it).
  ~TWindowScript() override;

  // Ends a wait (a time-out) and resumes the coroutine.
  bool Animate() override;
  // Resumes a coroutine that waits for a message with (nil, closure); otherwise the call is
  // made at once.
  bool OfferCall() override;

  // Defines the Lua constructor of the class and keeps the factory (a later one replaces it).
  void RegisterWindowClass(TStr name, TWindowFactory factory);
  TWindowFactory FindWindowClass(TStr name) const;

  // The current-window stack: the parent of windows created from tables.
  // Returns the depth before the push, for RestoreWindowDepth.
  size_t PushWindow(TWindow* window);
  // Drops the current window unless it is the only one.
  void PopWindow();
  void RestoreWindowDepth(size_t depth);
  // Empties the stack and makes the window current (null: none).
  void SetModalWindow(TWindow* window);
  TWindow* GetCurrentWindow() const { return mWindows.empty() ? nullptr : mWindows.back(); }
  size_t GetWindowDepth() const { return mWindows.size(); }

  // With the window's table on top of the stack (popped): attaches the window under the
  // current window, runs its Init, makes it current. False when the parent refuses it.
  bool InitWindowFromTable(TWindow* window);

  bool SetTranslateLabels(bool on);
  bool GetTranslateLabels() const { return mTranslateLabels; }
  void SetCreationHook(TWindowCreationHook* hook) { mCreationHook = hook; }

  // A message that reached the top of the tree, or a command (either may be null); takes the
  // message. A waiting script is resumed with (message, command); otherwise the message is
  // queued for the script's next wait, and the command is queued too (or, while the script
  // is suspended in a plain Yield, run at once).
  bool DeliverMessage(TMessage* message, TLuaFunction* command);

  void StopMovie();
  // A close request while a movie plays: stops it and ends the script's wait.
  void AbortMovie();
  int GetWaitState() const { return mWaitState; }

 private:
  int ResumeScript(int nargs);
  // Pushes a message as a script object (a wrapper gives back its script's object).
  void PushMessage(TMessage* message);
  // table.insert(global, value on top), popped.
  void QueueTop(const char* global);
  void RegisterFunctions();
  void PushPlaceholder();

  // Script functions (window_functions_script.cpp).
  int PostCreate(lua_State* L);
  TStr GetLabel(TStr name);
  void RegisterHotkey(TStr key, TStr name);
  void SetLabel(TStr name, TStr label);
  TStr TagHotKey(TStr key, TStr label, TStr unused);
  void SetBitmap(TStr name, TStr image, double scale);
  void SetPosition(TStr name, int x, int y);
  int SetCommand(lua_State* L);
  int StripKeyFromLabel(lua_State* L);
  void SetWindowName(TStr name);
  int FillRect(lua_State* L);
  uint32_t GetTimer();
  TStr GetConfig(TStr key, TStr def);
  bool IsEnabled(TStr key);
  void DoSelectLayer(int layer);
  bool EnableWindow(TStr name, bool on);
  bool GetButtonToggleState(TStr name);
  void SetButtonToggleState(TStr name, bool on);
  void ScriptPopWindow();
  void RealSetFocus(TStr name);
  bool StringToClipboard(TStr text);
  void UpdateWindow();
  TStr PushModal(TStr name);
  void ClearModalChildren();
  int GetWindowDepthFunction();
  void DoPopModal(TStr name);
  int HandleGetMessage(lua_State* L);
  int GenericCreate(lua_State* L);
  int CreateNamedMessage(lua_State* L);
  int CreateCloseMessage(lua_State* L);
  int PostMessage(lua_State* L);
  int PostMessageToParent(lua_State* L);
  TStr GetString(TStr id, TStr a1, TStr a2, TStr a3, TStr a4, TStr a5);
  bool StartMovie(TStr name, bool translate, bool allowInput);
  bool IsMoviePlaying();
  void ScriptStopMovie();
  bool ImageLoaded(TStr name);
  void DestroyWindow(TStr name);
  void DoFitToChildren();

  std::vector<TWindow*> mWindows;  // not owned; back() is current
  std::set<TWindow*> mPlaceholders;
  std::map<TStr, TWindowFactory> mClasses;
  int mWaitState = kWaitNone;
  TWindowCreationHook* mCreationHook = nullptr;
  bool mTranslateLabels = false;
  TMoviePlayer* mMovie = nullptr;  // owned
};

// The window library's source text (chunk name "gScreenInit").
extern const char kScreenInitSource[];
extern const unsigned kScreenInitSize;
