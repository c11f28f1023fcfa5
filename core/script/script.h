// TScript: a script state (or coroutine) as a framework task: installs the script environment,
// runs source text and script files, calls functions with the host's error handling and
// resumes its coroutine each time its timer falls due.
#pragma once

#include <vector>

#include "core/base/anim_task.h"
#include "core/base/color.h"
#include "core/base/str.h"
#include "core/script/lua.h"

class TLuaObjectWrapper;
class TLuaTable;
class TLuaThread;

class TScript : public TAnimTask {
 public:
  // Null opens (and later closes) a new state; a given state is borrowed and never closed.
  explicit TScript(lua_State* L = nullptr);
  ~TScript() override;
  TScript(const TScript&) = delete;
  TScript& operator=(const TScript&) = delete;

  bool Animate() override;
  // Called with a closure on top of the stack while the coroutine is suspended; false (after
  // popping it) asks for the call to be made at once. An override that resumes the coroutine
  // (Resume) with the closure has taken the call: it is not made again, even when it failed.
  virtual bool OfferCall();

  // A new script on a coroutine sharing this script's globals; the caller owns it.
  TScript* NewThread();
  lua_State* GetState() const { return mL; }

  void AddTemporary(TLuaObjectWrapper* handle);
  // Hands a handle to the script running on L (its temporaries), or keeps it until a script
  // of that state next runs when none is known.
  static void AdoptTemporary(lua_State* L, TLuaObjectWrapper* handle);

  // Calls the function below nargs arguments; 0 or lua_pcall's code.
  int RunFunction(int nargs, int nresults);
  void DoLuaString(TStr code, int length = -1, int nresults = 0);
  bool RunScript(TStr fileName);
  int Resume(int nargs);
  // True while the coroutine is suspended in a yield (the argument does not matter).
  bool IsYielded(int unused = 0) const;
  // True once a resume of the coroutine has failed: it is dead, and nothing resumes it again
  // until a new body starts. Hosts whose whole flow runs there end on it.
  bool HasCoroutineFailed() const { return mCoroutineFailed; }
  // The message of the last failure of RunScript or of a resume (empty before any).
  TStr GetLastError() const { return mLastError; }

  void SetGlobalString(TStr name, TStr value);
  void SetGlobalNumber(TStr name, double value);
  double GetGlobalNumber(TStr name);
  TLuaTable* GetGlobalTable(TStr name);
  TStr PopString();
  TColor PopColor();

 private:
  void InstallEnvironment();
  void DeleteTemporaries();
  void NoteCoroutineFailure(const char* message);

  // What the first Resume made while a call is offered did with it.
  struct Offer {
    bool taken = false;
    int status = 0;
    bool hasMessage = false;
    TStr message;
  };

  lua_State* mL;
  Offer* mOffer = nullptr;  // set only during OfferCall
  TLuaThread* mThread = nullptr;
  bool mOwnsState = false;
  bool mCoroutineFailed = false;
  TStr mLastError;
  std::vector<TLuaObjectWrapper*> mTemporaries;
};

// The process-wide script search path (initially "assets/?;?;../?;../../?").
TStr GetScriptPath();
void SetScriptPath(TStr path);
