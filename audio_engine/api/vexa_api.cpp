// The exported functions of VexaAPI: thin C entries over the engine's lifecycle; nothing
// thrown inside may cross them.
#include "audio_engine/api/vexa_api.h"

#include <cstdarg>

#include "audio_engine/vexa_engine.h"

#define VEXA_EXPORT extern "C" __attribute__((visibility("default")))

VEXA_EXPORT void VexaInit(const char* dataFolder, void* window) {
  try {
    Tarn::VexaEngineInit(dataFolder, (HWND)window);
  } catch (...) {
  }
}

VEXA_EXPORT void VexaEvent(const char* name, ...) {
  va_list values;
  va_start(values, name);
  try {
    Tarn::VexaEngineEventV(name, values);
  } catch (...) {
  }
  va_end(values);
}

VEXA_EXPORT void VexaEvent_F(const char* name, float value) { VexaEvent(name, (double)value); }

VEXA_EXPORT void VexaShutdown(void) {
  try {
    Tarn::VexaEngineShutdown();
  } catch (...) {
  }
}
