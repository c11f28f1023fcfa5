// A full disk for tests of code that must survive one: a child process whose files cannot grow
// past a limit.
#pragma once

#include <cstdint>
#include <functional>

// Runs body in a child process whose files may not grow past limitBytes; writes past it fail
// with EFBIG instead of ending the process. True when the limit was set and body returned true.
bool InFullDiskChild(uint64_t limitBytes, const std::function<bool()>& body);
