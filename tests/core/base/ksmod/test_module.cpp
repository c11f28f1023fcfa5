// A plug-in game-state module for the store's tests. KSMOD_NO_DESTROY leaves out
// "DestroyHandler"; KSMOD_NULL_HANDLER makes "CreateHandler" answer null. The handler consumes
// "consume" changes and answers "module" reads; a file named by KSMOD_TRACE records the calls.
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "core/base/game_state_handler.h"

#define MODULE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

void Trace(const char* what) {
  if (const char* path = getenv("KSMOD_TRACE")) {
    if (FILE* f = fopen(path, "a")) {
      fprintf(f, "%s\n", what);
      fclose(f);
    }
  }
}

class ModuleHandler : public TGameStateHandler {
 public:
  bool HandleEvent(const char* key, const char* value) override {
    Trace(key);
    return key[0] == 'c' && std::string_view(key) == "consume";
  }
  const char* Query(const char* key, const char* current) override {
    return std::string_view(key) == "module" ? "answered" : current;
  }
  bool IsBusy() override { return false; }
};

}  // namespace

MODULE_EXPORT TGameStateHandler* CreateHandler() {
  Trace("create");
#ifdef KSMOD_NULL_HANDLER
  return nullptr;
#else
  return new ModuleHandler;
#endif
}

#ifndef KSMOD_NO_DESTROY
MODULE_EXPORT void DestroyHandler(TGameStateHandler* handler) {
  Trace("destroy");
  delete handler;
}
#endif
