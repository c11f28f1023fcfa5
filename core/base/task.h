// TTask: a unit of per-frame work that a task list asks whether it is ready, then runs.
#pragma once

class TTask {
 public:
  virtual ~TTask() {}
  // Code 0 comes from the platform's idle pass, 1 from the window manager's frame.
  virtual bool Ready(int code) { return true; }
  // True keeps the task in its list; false removes and deletes it.
  virtual bool DoTask() = 0;
};
