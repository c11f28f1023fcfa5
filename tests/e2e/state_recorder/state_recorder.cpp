// A plug-in game-state module for the end-to-end tests: it writes every change the store tells
// its handlers, "key<TAB>value" a line, to the file named by ORVELLA_STATE_RECORD (nothing when
// unset). A test installs it in the assets folder of the game's working folder.
#include <cstdio>
#include <cstdlib>

#include "core/base/game_state_handler.h"

#define MODULE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

class Recorder : public TGameStateHandler {
 public:
  bool HandleEvent(const char* key, const char* value) override {
    if (const char* path = getenv("ORVELLA_STATE_RECORD")) {
      if (FILE* f = fopen(path, "a")) {
        fprintf(f, "%s\t%s\n", key, value ? value : "");
        fclose(f);
      }
    }
    return false;
  }
};

}  // namespace

MODULE_EXPORT TGameStateHandler* CreateHandler() { return new Recorder; }

MODULE_EXPORT void DestroyHandler(TGameStateHandler* handler) { delete handler; }
