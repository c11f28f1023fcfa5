// The command line every tool shares: "--help" (or "-h") prints the usage on standard output and
// answers 0; a bad argument prints it on standard error and answers 2. Numbers are taken whole:
// "12x", "" and non-finite values are bad arguments, never read as a prefix or as zero.
#pragma once

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ToolArgs {

inline bool WantsHelp(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (!strcmp(argv[i], "--help") || !strcmp(argv[i], "-h")) return true;
  return false;
}

inline int Help(const char* usage) {
  fputs(usage, stdout);
  return 0;
}

inline int Usage(const char* usage) {
  fputs(usage, stderr);
  return 2;
}

// A finite number in [lo, hi], the whole text.
inline bool ParseNumber(const char* text, double lo, double hi, double* out) {
  char* end = nullptr;
  errno = 0;
  double v = strtod(text, &end);
  if (end == text || *end || errno == ERANGE || !std::isfinite(v) || v < lo || v > hi) return false;
  *out = v;
  return true;
}

// A whole number in [lo, hi], the whole text.
inline bool ParseInt(const char* text, long lo, long hi, long* out) {
  char* end = nullptr;
  errno = 0;
  long v = strtol(text, &end, 10);
  if (end == text || *end || errno == ERANGE || v < lo || v > hi) return false;
  *out = v;
  return true;
}

}  // namespace ToolArgs
