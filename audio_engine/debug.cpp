// Trace switches and the message box.
#include "audio_engine/debug.h"

#include <cstdarg>
#include <cstdio>
#include <map>
#include <mutex>

#include "audio_engine/name_id.h"
#include "platform/win32/win32.h"

namespace Tarn {

const char* const kMessageTitle = "Tarn Framework Message";

namespace {
struct TraceRecord {
  bool off = false;
};
// Keyed by the tag's name identifier (the tag is a string variant in the design).
std::map<uint32_t, TraceRecord>& Switches() {
  static std::map<uint32_t, TraceRecord> switches;
  return switches;
}
std::mutex gSinkMutex;
MessageSink gSink;  // guarded by gSinkMutex
LogSink gLogSink;   // guarded by gSinkMutex
}  // namespace

void Trace(const char*, ...) {}

bool IsTraceOn(const char* tag) {
  auto it = Switches().find(NameId(tag));
  return it != Switches().end() && !it->second.off;
}
void SetTraceSwitch(const char* tag, bool off) { Switches()[NameId(tag)].off = off; }
void ClearTraceSwitches() { Switches().clear(); }

void SetMessageSink(MessageSink sink) {
  std::lock_guard<std::mutex> lock(gSinkMutex);
  gSink = std::move(sink);
}

void SetLogSink(LogSink sink) {
  std::lock_guard<std::mutex> lock(gSinkMutex);
  gLogSink = std::move(sink);
}

namespace {
// A copy of a sink taken under its lock, so it is called without holding it.
template <class T>
T Current(const T& sink) {
  std::lock_guard<std::mutex> lock(gSinkMutex);
  return sink;
}
}  // namespace

void Log(const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (LogSink sink = Current(gLogSink)) return sink(text);
  std::fprintf(stderr, "VexaAPI: %s\n", text);
}

void MessageBox(const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  Trace("%s", text);
  if (MessageSink sink = Current(gSink)) return sink(kMessageTitle, text);
  ::MessageBoxA(nullptr, text, kMessageTitle, MB_OK);
}

}  // namespace Tarn
