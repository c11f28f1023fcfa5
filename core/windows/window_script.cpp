// TWindowScript: the window toolkit's script host: construction, window classes, the
// current-window stack, creation from tables, and the message waiting protocol.
//
// Waiting: HandleGetMessage sets the wait state to kWaitForMessage and yields the coroutine.
// Every resume (delivery, OfferCall, the task timer, a movie abort) first clears that state,
// because the wait ends with it; so a coroutine suspended anywhere else (a plain Yield) is
// never resumed with a message meant for a wait: messages and commands are queued in the
// script's tables instead, and calls are made at once.
#include "core/windows/window_script.h"

#include <algorithm>

#include "core/base/log.h"
#include "core/base/saturate.h"
#include "core/script/lib_aux.h"
#include "core/script/lua_function.h"
#include "core/script/lua_table.h"
#include "core/script/state.h"
#include "core/windows/lua_message_wrapper.h"
#include "core/windows/text.h"
#include "core/windows/widget_calls.h"
#include "core/windows/widgets/button.h"
#include "core/windows/widgets/image.h"
#include "core/windows/widgets/slider.h"
#include "core/windows/widgets/text_edit.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_style.h"

namespace {

// A C function may yield only from the coroutine's own Lua code: not from a call that native
// code made (a callback of foreachi, a dofile chunk, a pcall) nor outside a resume. The engine
// would refuse too, but only after the wait state and the timer had been changed.
bool CanWaitHere(lua_State* L) {
  return L->nCcalls <= L->baseCcalls && L->ci != L->base_ci && isLua(L->ci - 1);
}

}  // namespace

TWindowScript::TWindowScript() : TScript(nullptr) {
  lua_State* L = GetState();
  RegisterFunctions();
  RegisterWindowClass("Slider", &TSlider::GetFactory);
  RegisterWindowClass("Bitmap", &TImage::GetFactory);
  RegisterWindowClass("Button", &TButton::GetFactory);
  RegisterWindowClass("Text", &TText::GetFactory);
  RegisterWindowClass("TextEdit", &TTextEdit::GetFactory);
  RegisterWindowClass("Window", &TWindow::GetFactory);
  InstallMessageMetatable(L);
  int top = lua_gettop(L);
  lua_dobuffer(L, kScreenInitSource, kScreenInitSize, "gScreenInit");
  lua_settop(L, top);
}

TWindowScript::~TWindowScript() {
  StopMovie();
  if (TWindowManager* manager = TWindowManager::Get())
    if (manager->GetScript() == this) manager->InitScript(nullptr);
  lua_setgcthreshold(GetState(), 0);
  mClasses.clear();
  mWindows.clear();
  for (TWindow* placeholder : mPlaceholders) delete placeholder;
  mPlaceholders.clear();
}

int TWindowScript::ResumeScript(int nargs) {
  mWaitState = kWaitNone;
  int status = Resume(nargs);
  if (status != 0) {
    mWaitState = kWaitFailed;
    StopTimer();
  }
  return status;
}

bool TWindowScript::Animate() {
  if (IsYielded() && ResumeScript(0) != 0) return true;
  if (!IsYielded()) StopTimer();
  return true;
}

bool TWindowScript::OfferCall() {
  lua_State* L = GetState();
  if (mWaitState != kWaitForMessage) {
    lua_pop(L, 1);
    return false;
  }
  lua_pushnil(L);
  lua_insert(L, -2);
  return ResumeScript(2) == 0;
}

// Window classes.

void TWindowScript::RegisterWindowClass(TStr name, TWindowFactory factory) {
  const char* n = name.c_str();
  TStr text = TStr::Format(
      "function %s( table )\tCreating( '%s', table );\ttable.typename='%s';\n\treturn function() DoWindow( table ) end end;",
      n, n, n);
  DoLuaString(text);
  mClasses[name] = factory;
}

TWindowFactory TWindowScript::FindWindowClass(TStr name) const {
  auto it = mClasses.find(name);
  return it == mClasses.end() ? nullptr : it->second;
}

// The current-window stack.

size_t TWindowScript::PushWindow(TWindow* window) {
  size_t depth = mWindows.size();
  mWindows.push_back(window);
  return depth;
}

void TWindowScript::PopWindow() {
  if (mWindows.empty()) return;
  TWindow* top = mWindows.back();
  if (mPlaceholders.count(top)) {
    // A window that could not be created: what was built in its place goes.
    mWindows.pop_back();
    mPlaceholders.erase(top);
    DeleteWindowLater(top);
    return;
  }
  if (mWindows.size() != 1) mWindows.pop_back();
}

void TWindowScript::RestoreWindowDepth(size_t depth) {
  while (mWindows.size() > depth) {
    if (mPlaceholders.count(mWindows.back()))
      PopWindow();
    else
      mWindows.pop_back();
  }
}

void TWindowScript::SetModalWindow(TWindow* window) {
  RestoreWindowDepth(0);
  if (window) mWindows.push_back(window);
}

void TWindowScript::PushPlaceholder() {
  TWindow* placeholder = new TWindow();
  mPlaceholders.insert(placeholder);
  mWindows.push_back(placeholder);
}

bool TWindowScript::InitWindowFromTable(TWindow* window) {
  lua_State* L = GetState();
  TWindow* parent = GetCurrentWindow();
  if (!parent || !parent->AddChild(window, true)) {
    lua_pop(L, 1);
    return false;
  }
  TLuaTable table(L);
  TWindowStyle style(&table);
  window->Init(style);
  PushWindow(window);
  SetGlobalNumber("gDialogWidth", window->GetWidth());
  SetGlobalNumber("gDialogHeight", window->GetHeight());
  if (mCreationHook) mCreationHook->OnWindowCreated(window, style);
  return true;
}

int TWindowScript::GenericCreate(lua_State* L) {
  TWindow* window = nullptr;
  if (lua_istable(L, 1)) {
    lua_pushvalue(L, 1);
    TLuaTable table(L);
    TWindowStyle style(&table);
    window = CallWindowFactory(FindWindowClass(style.GetString("typename", "")));
  }
  if (window) {
    lua_pushvalue(L, 1);
    if (InitWindowFromTable(window)) return 0;
    // Refused by its parent: it was never attached, so nothing else knows it.
    DeleteWindowLater(window);
  }
  // The dialog's commands, name and PostCreate then go to a stand-in that PopWindow deletes,
  // never to the parent.
  PushPlaceholder();
  return 0;
}

bool TWindowScript::SetTranslateLabels(bool on) {
  bool previous = mTranslateLabels;
  mTranslateLabels = on;
  return previous;
}

// Messages and waiting.

void TWindowScript::PushMessage(TMessage* message) {
  lua_State* L = GetState();
  if (message->IsKindOf(TLuaMessageWrapper::ClassId())) {
    static_cast<TLuaMessageWrapper*>(message)->PushUserdata();
    delete message;  // the script's own object carries the message from here
  } else {
    PushMessageUserdata(L, message);
  }
}

void TWindowScript::QueueTop(const char* global) {
  lua_State* L = GetState();
  int value = lua_gettop(L);
  lua_pushliteral(L, "table");
  lua_gettable(L, LUA_GLOBALSINDEX);
  if (lua_istable(L, -1)) {
    lua_pushliteral(L, "insert");
    lua_gettable(L, -2);
    lua_remove(L, -2);
  }
  lua_pushstring(L, global);
  lua_gettable(L, LUA_GLOBALSINDEX);
  lua_pushvalue(L, value);
  if (lua_pcall(L, 2, 0, 0) != 0) {
    const char* error = lua_tostring(L, -1);
    LogError("TWindowScript: cannot queue in %s: %s", global, error ? error : "(no message)");
  }
  lua_settop(L, value - 1);
}

bool TWindowScript::DeliverMessage(TMessage* message, TLuaFunction* command) {
  lua_State* L = GetState();
  if (IsYielded() && mWaitState == kWaitForMessage) {
    if (message)
      PushMessage(message);
    else
      PushMessageUserdata(L, new TMessage(kCommandOnly, ""));
    int n = 1;
    if (command) {
      command->Push();
      n = 2;
    }
    ResumeScript(n);
    return true;
  }
  if (message) {
    PushMessage(message);
    QueueTop("gMessageQueue");
  }
  if (command) {
    if (IsYielded()) {
      command->Call();
      lua_pop(L, 1);
    } else {
      command->Push();
      QueueTop("gCommandQueue");
    }
  }
  return true;
}

int TWindowScript::HandleGetMessage(lua_State* L) {
  if (!CanWaitHere(L))
    return luaL_error(L,
                      "HandleGetMessage: cannot wait for a message here (only the script's coroutine may "
                      "wait, and not inside a call made by native code such as table.foreachi, dofile or "
                      "pcall)");
  if (lua_gettop(L) >= 1)
    SetTimer(SaturateToUInt32(lua_tonumber(L, 1)), true, true, false);
  else
    StopTimer();
  if (L == GetState()) mWaitState = kWaitForMessage;
  lua_pushliteral(L, "gYieldResult");
  lua_gettable(L, LUA_GLOBALSINDEX);
  return lua_yield(L, 1);
}

// Movies.

void TWindowScript::StopMovie() {
  if (!mMovie) return;
  TMoviePlayer* movie = mMovie;
  mMovie = nullptr;
  movie->Stop();
  delete movie;
}

void TWindowScript::AbortMovie() {
  if (!mMovie) return;
  lua_State* L = GetState();
  int top = lua_gettop(L);
  StopMovie();
  // Only a script that waits is resumed: one that runs (the close request came from inside
  // it) or sits in a plain Yield would take the resume for something else.
  if (IsYielded() && mWaitState == kWaitForMessage) ResumeScript(0);
  lua_settop(L, top);
}
