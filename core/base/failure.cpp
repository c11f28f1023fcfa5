// The failure reporter and its program-wide instance.
#include "core/base/failure.h"

#include "core/base/log.h"

void TFailure::Report(const char* message, int line, const char* file) {
  LogError("%s(%d): %s", file ? file : "", line, message ? message : "");
}

namespace {
TFailure gFailureInstance;
}
TFailure* gFailure = &gFailureInstance;
