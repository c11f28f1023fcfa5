// The exported functions of VexaAPI. Until the engine lifecycle exists they only answer that
// the engine is not available.
#include <cstdarg>

#define VEXA_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
constexpr int kNotAvailable = 2;
}

VEXA_EXPORT int VexaInit(const char*, void*) { return kNotAvailable; }
VEXA_EXPORT int VexaEvent(const char*, ...) { return kNotAvailable; }
VEXA_EXPORT int VexaEvent_F(const char*, float) { return kNotAvailable; }
VEXA_EXPORT int VexaShutdown() { return kNotAvailable; }
