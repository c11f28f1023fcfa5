// The diagnostic log: one stamped, printf-style writer into "logfile.txt", bounded by wrapping.
// Errors also go to standard error, so a user at a terminal sees why a run failed.
#pragma once

#include <cstdarg>
#include <cstdint>

#include "core/base/str.h"

// A folder: the log becomes folder + "/logfile.txt" (folder created, old log deleted).
// Null: logging off. "__MEMORYMAX__=<n>": records the memory limit number only.
void SetLogPath(const char* text);
TStr GetLogPath();
// The number last recorded through "__MEMORYMAX__=", never negative.
int32_t GetLogMemoryLimit();

// One entry: a date-and-time stamp, ": ", the message and a newline. Safe from any thread.
void LogPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogVPrintf(const char* format, va_list args);
// An error: the same entry, and the message on a line of standard error, even while the log
// file is off or cannot be written.
void LogError(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogVError(const char* format, va_list args);

// The wrap rule: past kLogWrapLimit the next entry goes to kLogWrapTarget after the banner.
constexpr uint32_t kLogWrapLimit = 102400;
constexpr uint32_t kLogWrapTarget = 51200;
extern const char kLogWrapBanner[];
