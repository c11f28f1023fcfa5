// A process killed mid-way: for code that must leave its files whole whenever it is stopped.
#pragma once

#include <functional>

// Runs body in a child process and kills the child with SIGKILL as soon as the body calls the
// ready function it is given (the parent waits for that call, not for a time). True when the
// kill ended the child; false when the body returned or the child died before calling ready.
bool KillChildAtReady(const std::function<void(const std::function<void()>& ready)>& body);
