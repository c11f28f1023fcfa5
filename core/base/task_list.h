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
  size_t Count() const { return mTasks.size(); }
  bool Contains(const TTask* task) const;

 private:
  static bool In(const std::list<TTask*>& list, const TTask* task);

  bool mRunning = false;
  std::list<TTask*> mTasks;
  std::list<TTask*> mRemoval;
  std::list<TTask*> mDeletion;
};
