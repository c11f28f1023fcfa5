// The engine's trace routine, trace switches and its one user-visible error channel (message box).
#pragma once

#include <functional>
#include <string>

namespace Tarn {

// Writes nothing in this build; kept so call sites document what the engine would say.
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Trace switches by class tag ("Tarn::cVexFile"): on when listed and not switched off.
bool IsTraceOn(const char* tag);
void SetTraceSwitch(const char* tag, bool off);
void ClearTraceSwitches();

// Formats into 1024 bytes (longer text is cut), traces it and shows it titled
// "Tarn Framework Message" with an OK button.
void MessageBox(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Where message boxes go; tests capture them. An empty sink restores the default, which shows
// the text through the platform.
using MessageSink = std::function<void(const std::string& title, const std::string& text)>;
void SetMessageSink(MessageSink sink);

extern const char* const kMessageTitle;

// Log lines for bad data and refused input (a file that does not parse, a cycle in a
// project): unlike the trace they are always written, to standard error unless a sink is set.
void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));
using LogSink = std::function<void(const std::string& line)>;
void SetLogSink(LogSink sink);

}  // namespace Tarn
