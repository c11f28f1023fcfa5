// TFailure: the program-wide reporter that logs a message with its source position.
#pragma once

class TFailure {
 public:
  virtual ~TFailure() {}
  // Logs "%s(%d): %s" with the source file, the line and the message.
  virtual void Report(const char* message, int line, const char* file);
};

// The one instance, alive from program start; never null.
extern TFailure* gFailure;
