// TTaskList: the tasks run on every idle pass or frame; tasks may change the list while it runs.
#pragma once

#include <cstddef>
#include <list>

#include "core/base/task.h"

class TTaskList {
 public:
  TTaskList() {}
  ~TTaskList();
  TTaskList(const TTaskList&) = delete;
  TTaskList& operator=(const TTaskList&) = delete;

  // The list owns the task from here on.
  void AddTask(TTask* task);
  // Hands the task back to the caller without deleting it; false when it is not in the list.
  bool RemoveTask(TTask* task);
  // One pass: every ready task runs; a false DoTask deletes it.
  void RunTasks(int code);
  // Deletes every task; during a pass the deletion waits for the pass to end.
  void KillAllTasks();

  bool IsRunning() const { return mRunning; }
  size_t Count() const;
  bool Contains(const TTask* task) const;

 private:
  // An entry removed during a pass stays in the list, marked, until the pass ends: the mark
  // belongs to the entry, not the address, so a new task that reuses a handed-back task's
  // address is never taken for it.
  struct Entry {
    TTask* task;
    bool removed;
  };
  std::list<Entry>::iterator FindLive(const TTask* task);
  std::list<Entry>::const_iterator FindLive(const TTask* task) const;

  bool mRunning = false;
  std::list<Entry> mTasks;
  std::list<TTask*> mDeletion;
};
