// TScript: the script host.
#include "core/script/script.h"

#include <algorithm>
#include <new>
#include <utility>

#include "core/base/file.h"
#include "core/base/log.h"
#include "core/script/lib_aux.h"
#include "core/script/lua_bindings.h"
#include "core/script/lua_function.h"
#include "core/script/lua_object_wrapper.h"
#include "core/script/lua_table.h"
#include "core/script/lua_thread.h"
#include "core/script/script_code.h"
#include "core/script/state.h"

namespace {

TStr& ScriptPath() {
  static TStr path("assets/?;?;../?;../../?");
  return path;
}

// Live scripts in creation order (main thread only). `_SCRIPT' is checked against this list
// and moved to the newest live script of the state when its script goes away.
std::vector<TScript*>& LiveScripts() {
  static std::vector<TScript*> scripts;
  return scripts;
}

// Deletes the handles, taking them off the list first: nothing a destructor does meets a
// half-deleted list.
void DeleteHandles(std::vector<TLuaObjectWrapper*>& handles) {
  std::vector<TLuaObjectWrapper*> doomed;
  doomed.swap(handles);
  for (TLuaObjectWrapper* h : doomed) delete h;
}

// Handles released while no live script was known for their state. The list lives in the
// state (a registry box whose finaliser deletes what is left when the state closes), so a
// state closed without any script leaves nothing stale behind in the process.
struct OrphanBox {
  std::vector<TLuaObjectWrapper*> handles;
};

const char kOrphanKey = 0;  // its address is the registry key

int CloseOrphanBox(lua_State* L) {
  auto* box = static_cast<OrphanBox*>(lua_touserdata(L, 1));
  if (!box) return 0;
  DeleteHandles(box->handles);
  box->~OrphanBox();
  return 0;
}

OrphanBox* FindOrphanBox(lua_State* L) {
  lua_pushlightuserdata(L, const_cast<char*>(&kOrphanKey));
  lua_rawget(L, LUA_REGISTRYINDEX);
  auto* box = static_cast<OrphanBox*>(lua_touserdata(L, -1));
  lua_pop(L, 1);
  return box;
}

OrphanBox* OrphanBoxFor(lua_State* L) {
  if (OrphanBox* box = FindOrphanBox(L)) return box;
  int top = lua_gettop(L);
  lua_pushlightuserdata(L, const_cast<char*>(&kOrphanKey));
  // An empty vector owns no memory, so a failure before the finaliser is set loses nothing.
  auto* box = new (lua_newuserdata(L, sizeof(OrphanBox))) OrphanBox();
  lua_newtable(L);
  lua_pushliteral(L, "__gc");
  lua_pushcfunction(L, CloseOrphanBox);
  lua_rawset(L, -3);
  lua_setmetatable(L, -2);
  lua_rawset(L, LUA_REGISTRYINDEX);
  lua_settop(L, top);
  return box;
}

void DeleteOrphans(lua_State* L) {
  OrphanBox* box = FindOrphanBox(L);
  if (box) DeleteHandles(box->handles);
}

void SetScriptGlobal(lua_State* L, TScript* script) {
  lua_pushliteral(L, "_SCRIPT");
  if (script)
    lua_pushlightuserdata(L, script);
  else
    lua_pushnil(L);
  lua_settable(L, LUA_GLOBALSINDEX);
}

TScript* ScriptGlobal(lua_State* L) {
  lua_pushliteral(L, "_SCRIPT");
  lua_gettable(L, LUA_GLOBALSINDEX);
  void* p = lua_touserdata(L, -1);
  lua_pop(L, 1);
  auto& live = LiveScripts();
  TScript* s = static_cast<TScript*>(p);
  return std::find(live.begin(), live.end(), s) != live.end() ? s : nullptr;
}

// The message handler of every RunFunction and the target of lua_dobuffer's reports. It hands
// the message on, so that callers still find it on the stack after the failed call.
int Alert(lua_State* L) {
  const char* msg = lua_tostring(L, -1);
  LogError("Lua error: %s", msg ? msg : "(error object is not a string)");
  return lua_gettop(L) > 0 ? 1 : 0;
}

void DebugOut(TStr) {}

// Holes inside 1..n come out as nil, so the count of values matches n.
int ToParams(lua_State* L) {
  if (!lua_istable(L, -1)) return 0;
  int t = lua_gettop(L);
  int n = lua_getn(L, t);
  luaL_checkstack(L, n, "too many results");
  for (int i = 1; i <= n; i++) lua_rawgeti(L, t, i);
  return n;
}

const char kDumpTable[] =
    "function _Internal_DumpEntry(key, value, indent)\n"
    "  local pad = string.rep(' ', indent)\n"
    "  if type(value) == 'table' then\n"
    "    return pad .. tostring(key) .. ' -> {\\n' .. _Internal_DumpTable(value, indent + 2) .. pad .. '}\\n'\n"
    "  end\n"
    "  return pad .. tostring(key) .. ' -> ' .. tostring(value) .. '\\n'\n"
    "end\n"
    "function _Internal_DumpTable(t, indent)\n"
    "  indent = indent or 0\n"
    "  if indent > 10 then return string.rep(' ', indent) .. '...\\n' end\n"
    "  local out = ''\n"
    "  table.foreach(t, function(k, v) out = out .. _Internal_DumpEntry(k, v, indent) end)\n"
    "  return out\n"
    "end\n"
    "function DumpTable(t) DebugOut('Dump Table: \\n' .. _Internal_DumpTable(t, 2)) end\n";

const char kGetClosure[] =
    "function GetClosure( f, ... ) return function() return f( arg[1], arg[2], arg[3], arg[4], "
    "arg[5], arg[6] ); end; end";

void PushGlobal(lua_State* L, const char* name) {
  lua_pushstring(L, name);
  lua_gettable(L, LUA_GLOBALSINDEX);
}

}  // namespace

TStr GetScriptPath() { return ScriptPath(); }
void SetScriptPath(TStr path) { ScriptPath() = path; }

TScript::TScript(lua_State* L) : TAnimTask(nullptr), mL(L) {
  if (!mL) {
    mL = lua_open();
    mOwnsState = true;
  }
  StopTimer();
  LiveScripts().push_back(this);
  InstallEnvironment();
}

TScript::~TScript() {
  DeleteTemporaries();
  auto& live = LiveScripts();
  live.erase(std::remove(live.begin(), live.end(), this), live.end());
  if (mThread) {
    // `_SCRIPT' goes back to the newest live script of this state, or nil.
    if (ScriptGlobal(mL) == nullptr || ScriptGlobal(mL) == this) {
      TScript* newest = nullptr;
      for (TScript* s : live)
        if (G(s->mL) == G(mL)) newest = s;
      SetScriptGlobal(mL, newest);
    }
    delete mThread;
  } else {
    bool last = std::none_of(live.begin(), live.end(), [this](TScript* s) { return G(s->mL) == G(mL); });
    if (last) DeleteOrphans(mL);
    if (mOwnsState) {
      lua_close(mL);
    } else {
      TScript* newest = nullptr;
      for (TScript* s : live)
        if (G(s->mL) == G(mL)) newest = s;
      SetScriptGlobal(mL, newest);
    }
  }
}

void TScript::InstallEnvironment() {
  int top = lua_gettop(mL);
  luaopen_base(mL);
  luaopen_string(mL);
  luaopen_table(mL);
  lua_settop(mL, top);
  lua_register(mL, "_ALERT", Alert);
  RegisterLuaFunction(mL, "DebugOut", &DebugOut);
  lua_register(mL, "toparams", ToParams);
  lua_dobuffer(mL, kDumpTable, sizeof(kDumpTable) - 1, "DumpTable");
  SetScriptGlobal(mL, this);
  lua_settop(mL, top);
}

TScript* TScript::NewThread() {
  TLuaThread* thread = new TLuaThread(mL);
  TScript* script = new TScript(thread->GetState());
  script->mThread = thread;
  return script;
}

void TScript::AddTemporary(TLuaObjectWrapper* handle) { mTemporaries.push_back(handle); }

void TScript::AdoptTemporary(lua_State* L, TLuaObjectWrapper* handle) {
  TScript* script = ScriptGlobal(L);
  if (script) {
    script->AddTemporary(handle);
  } else {
    OrphanBoxFor(L)->handles.push_back(handle);
  }
}

void TScript::DeleteTemporaries() {
  DeleteHandles(mTemporaries);
  DeleteOrphans(mL);
}

bool TScript::IsYielded(int) const { return mL->ci != mL->base_ci && (mL->ci->flags & CIST_YIELD) != 0; }

int TScript::RunFunction(int nargs, int nresults) {
  DeleteTemporaries();
  if (IsYielded() && nresults <= 1) {
    // A call into a suspended coroutine: wrap it so that its owner may run it in the coroutine.
    PushGlobal(mL, "_ALERT");
    lua_insert(mL, 1);
    PushGlobal(mL, "GetClosure");
    if (lua_isnil(mL, -1)) {
      lua_pop(mL, 1);
      lua_dostring(mL, kGetClosure);
      PushGlobal(mL, "GetClosure");
    }
    lua_insert(mL, -(nargs + 2));
    int status = lua_pcall(mL, nargs + 1, 1, 1);
    if (status != 0) {
      lua_remove(mL, 1);
      return status;
    }
    TLuaFunction* closure = new TLuaFunction(mL);
    lua_remove(mL, 1);
    closure->Push();
    Offer offer;
    Offer* outer = std::exchange(mOffer, &offer);
    bool handed = OfferCall();
    mOffer = outer;
    if (handed || offer.taken) {
      delete closure;
      if (handed || offer.status == 0) return 0;
      // The coroutine ran the call and failed (Resume logged it). Running it again here would
      // repeat whatever it did before the error; report it like a failed call instead.
      if (offer.hasMessage)
        PushLuaString(mL, offer.message);
      else
        lua_pushnil(mL);
      return offer.status;
    }
    closure->Push();
    delete closure;
    nargs = 0;
  }
  PushGlobal(mL, "_ALERT");
  int func = lua_gettop(mL) - nargs - 1;  // the handler goes below the function
  lua_insert(mL, func);
  int status = lua_pcall(mL, nargs, nresults, func);
  lua_remove(mL, func);
  if (status != 0) {
    if (nresults >= 2)
      LogError("TScript::RunFunction failure. Too many return results? (%d, FAILURE CODE %d)", nresults, status);
    return status;
  }
  if (!IsYielded() && nresults == 1 && lua_isfunction(mL, -1)) {
    // The returned function becomes the coroutine's body, resumed on every pass.
    if (GetTimePastDue() == -1) SetTimer(0, true, true, false);
    mCoroutineFailed = false;
    int r = lua_resume(mL, 0);
    if (r != 0) {
      const char* msg = lua_tostring(mL, -1);
      LogError("lua_resume error: %s", msg ? msg : "(error object is not a string)");
      NoteCoroutineFailure(msg);
    }
  }
  return 0;
}

bool TScript::OfferCall() {
  lua_pop(mL, 1);
  return false;
}

void TScript::NoteCoroutineFailure(const char* message) {
  mCoroutineFailed = true;
  mLastError = message ? TStr(message) : TStr("(error object is not a string)");
}

void TScript::DoLuaString(TStr code, int length, int nresults) {
  int entry = lua_gettop(mL);
  TStr setPath = TStr("LUA_PATH='") + GetScriptPath() + "' ;";
  lua_dostring(mL, setPath.c_str());
  if (length < 0) length = code.Length();
  const char* phase = "parsing";
  int status = luaL_loadbuffer(mL, code.c_str(), (size_t)length, code.c_str());
  if (status == 0) {
    phase = "running";
    int below = lua_gettop(mL) - 1;
    bool wasYielded = IsYielded();
    status = RunFunction(0, nresults ? nresults : 1);
    if (status == 0) {
      // A call handed to the coroutine leaves no result to drop.
      if (nresults == 0 && IsYielded() == wasYielded && lua_gettop(mL) > below) lua_settop(mL, below);
      return;
    }
  }
  if (lua_type(mL, -1) == LUA_TSTRING) {
    int top = lua_gettop(mL);
    TStr text = TStr::Format("Lua Error: %s\n\twhen %s", lua_tostring(mL, -1), phase);
    LogError("DoLuaString %s %s", text.c_str(), code.c_str());
    PushGlobal(mL, "LuaErrorMessage");
    if (!lua_isnil(mL, -1)) {
      PushLuaString(mL, text);
      if (lua_pcall(mL, 1, 0, 0) != 0) {
        const char* msg = lua_tostring(mL, -1);
        LogError("Lua error: %s", msg ? msg : "(error object is not a string)");
      }
    }
    lua_settop(mL, top);
  }
  // The error value is dropped: a caller that retries every frame would otherwise grow the
  // stack without bound, and nobody reads it.
  lua_settop(mL, entry);
}

bool TScript::RunScript(TStr fileName) {
  if (fileName.IsEmpty() || !FileExists(fileName)) return false;
  int top = lua_gettop(mL);
  TStr error;
  std::shared_ptr<TScriptCode> code = TScriptCode::Load(fileName, GetScriptPath(), &error);
  int status = -1;
  if (code) {
    TStr bytes = code->GetCode();
    status = luaL_loadbuffer(mL, bytes.c_str(), (size_t)code->GetLength(), fileName.c_str());
  }
  if (status == 0) {
    int r = RunFunction(0, 1);
    if (r == 0) {
      if (!IsYielded()) lua_settop(mL, top);
      return true;
    }
    LogError("Failed to run script %s: %d", fileName.c_str(), r);
    const char* msg = lua_tostring(mL, -1);
    mLastError = msg ? TStr(msg) : TStr::Format("%s failed (%d)", fileName.c_str(), r);
    lua_settop(mL, top);
    return false;
  }
  // The compiler's message (or the loader's, on the stack) goes to _ALERT.
  PushGlobal(mL, "_ALERT");
  if (!error.IsEmpty())
    PushLuaString(mL, error);
  else if (status > 0)
    lua_pushvalue(mL, -2);
  else
    lua_pushliteral(mL, "cannot load script");
  const char* msg = lua_tostring(mL, -1);
  mLastError = msg ? TStr(msg) : TStr("cannot load script");
  lua_pcall(mL, 1, 0, 0);
  lua_settop(mL, top);
  return false;
}

int TScript::Resume(int nargs) {
  // Runs nested in this resume never count as the offered call's.
  Offer* offer = std::exchange(mOffer, nullptr);
  DeleteTemporaries();
  int status = lua_resume(mL, nargs);
  if (offer) {
    offer->taken = true;
    offer->status = status;
  }
  if (status != 0) {
    const char* msg = lua_tostring(mL, -1);
    LogError("lua_resume ERROR: %s", msg ? msg : "(error object is not a string)");
    NoteCoroutineFailure(msg);
    if (offer && msg) {
      offer->hasMessage = true;
      offer->message = TStr(msg, (int)lua_strlen(mL, -1));
    }
    lua_pop(mL, 1);
  }
  return status;
}

bool TScript::Animate() {
  if (Resume(0) != 0) StopTimer();
  if (!IsYielded()) StopTimer();
  return true;
}

void TScript::SetGlobalString(TStr name, TStr value) {
  lua_pushstring(mL, name.c_str());
  PushLuaString(mL, value);
  lua_settable(mL, LUA_GLOBALSINDEX);
}

void TScript::SetGlobalNumber(TStr name, double value) {
  lua_pushstring(mL, name.c_str());
  lua_pushnumber(mL, value);
  lua_settable(mL, LUA_GLOBALSINDEX);
}

double TScript::GetGlobalNumber(TStr name) {
  PushGlobal(mL, name.c_str());
  double v = lua_tonumber(mL, -1);
  lua_pop(mL, 1);
  return v;
}

TLuaTable* TScript::GetGlobalTable(TStr name) {
  PushGlobal(mL, name.c_str());
  if (lua_istable(mL, -1)) return new TLuaTable(mL);
  lua_pop(mL, 1);
  return nullptr;
}

TStr TScript::PopString() {
  TStr s = GetLuaString(mL, -1);
  lua_pop(mL, 1);
  return s;
}

TColor TScript::PopColor() { return PopLuaColor(mL); }
