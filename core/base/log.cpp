// The log writer: opens, writes and closes the file for every entry so a crash loses nothing.
#include "core/base/log.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <system_error>

const char kLogWrapBanner[] =
    "\n\n\n\n ****************** LOG WRAP AROUND ******************\n\n\n\n";

namespace {
// Entries come from the main thread and from worker threads (HTTP, sound); one lock keeps each
// entry whole and the write position consistent.
std::mutex gLogLock;
TStr gLogPath;                 // guarded by gLogLock
uint32_t gWritePosition = 0;   // guarded by gLogLock
int32_t gMemoryLimit = 0;      // guarded by gLogLock

// The stamp as the original platform's C library printed it: two-digit day with a zero.
TStr Stamp() {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::time_t now = std::time(nullptr);
  const std::tm* t = std::localtime(&now);  // not reentrant: only called under gLogLock
  if (!t) return TStr("??? ??? 00 00:00:00 0000");
  return TStr::Format("%s %s %02d %02d:%02d:%02d %d", kDays[t->tm_wday % 7], kMonths[t->tm_mon % 12],
                      t->tm_mday, t->tm_hour, t->tm_min, t->tm_sec, t->tm_year + 1900);
}
}  // namespace

void SetLogPath(const char* text) {
  std::lock_guard<std::mutex> hold(gLogLock);
  if (text && std::strncmp(text, "__MEMORYMAX__", 13) == 0) {
    // The number follows one separator character; a negative one would size nothing sensible.
    int32_t n = text[13] ? TStr(text + 14).ToInt() : 0;
    gMemoryLimit = n < 0 ? 0 : n;
    return;
  }
  if (!text) {
    gLogPath = TStr();
    return;
  }
  std::error_code ec;
  std::filesystem::create_directories(text, ec);
  gLogPath = TStr(text) + "/logfile.txt";
  std::remove(gLogPath.c_str());
  gWritePosition = 0;
}

TStr GetLogPath() {
  std::lock_guard<std::mutex> hold(gLogLock);
  return TStr(gLogPath.c_str());
}

int32_t GetLogMemoryLimit() {
  std::lock_guard<std::mutex> hold(gLogLock);
  return gMemoryLimit;
}

namespace {

void WriteEntry(const TStr& message, bool error) {
  std::lock_guard<std::mutex> hold(gLogLock);
  if (error) {
    // One write per line under the lock, so errors from two threads never mix; a message's own
    // trailing newlines would leave empty lines on the terminal.
    int length = message.Length();
    while (length > 0 && (message[(unsigned)(length - 1)] == '\n' || message[(unsigned)(length - 1)] == '\r')) length--;
    TStr line = TStr(message.c_str(), length) + "\n";
    std::fwrite(line.c_str(), 1, (size_t)line.Length(), stderr);
    std::fflush(stderr);
  }
  if (gLogPath.IsEmpty()) return;
  std::FILE* f = std::fopen(gLogPath.c_str(), "r+");
  if (!f) f = std::fopen(gLogPath.c_str(), "w");
  if (!f) return;
  TStr entry = Stamp() + ": " + message + "\n";
  if (gWritePosition <= kLogWrapLimit) {
    std::fseek(f, (long)gWritePosition, SEEK_SET);
  } else {
    std::fseek(f, (long)kLogWrapTarget, SEEK_SET);
    gWritePosition = kLogWrapTarget;
    std::fputs(kLogWrapBanner, f);
  }
  std::fwrite(entry.c_str(), 1, (size_t)entry.Length(), f);
  long end = std::ftell(f);
  if (end >= 0) gWritePosition = (uint32_t)end;
  std::fflush(f);
  std::fclose(f);
}

}  // namespace

// Formatting needs no lock and is done first, so a slow format never holds up other threads.
void LogVPrintf(const char* format, va_list args) { WriteEntry(TStr::VFormat(format, args), false); }

void LogVError(const char* format, va_list args) { WriteEntry(TStr::VFormat(format, args), true); }

void LogError(const char* format, ...) {
  va_list args;
  va_start(args, format);
  LogVError(format, args);
  va_end(args);
}

void LogPrintf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  LogVPrintf(format, args);
  va_end(args);
}
