#include "game/shell/test_seams.h"

#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "core/base/settings.h"
#include "core/script/lua.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_script.h"
#include "core/windows/window_style.h"
#include "platform/test_control.h"

namespace {

// Main thread only (scripts, window creation and the bridge all run there).
std::FILE* gFile = nullptr;
std::set<std::string> gWritten;

void Note(const std::string& line) {
  if (!gFile || !gWritten.insert(line).second) return;
  std::fprintf(gFile, "%s\n", line.c_str());
  std::fflush(gFile);  // a run that dies still leaves what it reached
}

// The game's natives by identity: a script may call one through a local or a table too.
std::map<const void*, std::string> gNatives;

void ObserveNative(lua_State*, int event, const char* name, const void* native) {
  if (event == LUA_NATIVEBOUND) {
    gNatives[native] = name;
    Note(std::string("bound ") + name);
  } else if (auto it = gNatives.find(native); it != gNatives.end()) {
    Note("called " + it->second);
  }
}

class ClassHook : public TWindowCreationHook {
 public:
  void OnWindowCreated(TWindow*, TWindowStyle& style) override {
    Note("class " + std::string(style.GetString("typename", TStr()).c_str()));
  }
};

ClassHook gClassHook;

}  // namespace

void StartCoverageLog(const char* const* classKeys) {
  TStr path = GetSetting("coveragelog", TStr());
  TWindowManager* manager = TWindowManager::Get();
  TWindowScript* script = manager ? manager->GetScript() : nullptr;
  if (path.IsEmpty() || !script) return;
  if (!gFile) gFile = std::fopen(path.c_str(), "a");
  if (!gFile) return;
  gWritten.clear();
  gNatives.clear();
  for (const char* const* key = classKeys; *key; key++) Note(std::string("known class ") + *key);
  lua_setnativeobserver(script->GetState(), &ObserveNative);
  script->SetCreationHook(&gClassHook);
}

void NoteSoundCoverage(const char* name) {
  if (gFile) Note(std::string("sound ") + name);
}

namespace {

bool FindNamedWindow(const char* name, int* x, int* y) {
  TWindowManager* manager = TWindowManager::Get();
  TWindow* top = manager ? manager->GetTopModal() : nullptr;
  TWindow* window = top ? top->FindChild(TStr(name), -1) : nullptr;
  if (!window || !window->IsVisible()) return false;
  TRect rect = window->GetScreenRect();
  *x = (rect.left + rect.right) / 2;
  *y = (rect.top + rect.bottom) / 2;
  return true;
}

}  // namespace

void OfferWindowFinder() { TestControl::SetWindowFinder(&FindNamedWindow); }
