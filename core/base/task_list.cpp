// The task list pass with its removal and deletion queues.
#include "core/base/task_list.h"

#include <algorithm>
#include <vector>

TTaskList::~TTaskList() {
  mRunning = false;
  KillAllTasks();
}

bool TTaskList::In(const std::list<TTask*>& list, const TTask* task) {
  return std::find(list.begin(), list.end(), task) != list.end();
}

bool TTaskList::Contains(const TTask* task) const { return In(mTasks, task) && !In(mRemoval, task); }

void TTaskList::AddTask(TTask* task) {
  if (task) mTasks.push_back(task);
}

bool TTaskList::RemoveTask(TTask* task) {
  if (!In(mTasks, task)) return false;
  if (mRunning) {
    if (!In(mRemoval, task)) mRemoval.push_back(task);
  } else {
    mTasks.remove(task);
  }
  return true;
}

void TTaskList::RunTasks(int code) {
  // A task that runs its own list again would unsettle the walk below.
  if (mRunning) return;
  mRunning = true;
  for (auto it = mTasks.begin(); it != mTasks.end();) {
    auto next = std::next(it);
    TTask* task = *it;
    if (!In(mRemoval, task) && task->Ready(code) && !task->DoTask()) {
      mTasks.erase(it);
      // Forget every queued mention, so a later task at the same address is not touched.
      mDeletion.remove(task);
      mRemoval.remove(task);
      delete task;
    }
    it = next;
  }
  mRunning = false;
  for (TTask* task : mRemoval) mTasks.remove(task);
  mRemoval.clear();
  std::list<TTask*> doomed;
  doomed.swap(mDeletion);
  for (TTask* task : doomed) delete task;
}

void TTaskList::KillAllTasks() {
  if (mRunning) {
    // Tasks already handed back by RemoveTask belong to their caller again: leave them be.
    for (TTask* task : mTasks) {
      if (In(mRemoval, task)) continue;
      mRemoval.push_back(task);
      if (!In(mDeletion, task)) mDeletion.push_back(task);
    }
    return;
  }
  std::vector<TTask*> doomed;
  for (TTask* task : mTasks)
    if (!In(mRemoval, task)) doomed.push_back(task);
  for (TTask* task : mDeletion)
    if (std::find(doomed.begin(), doomed.end(), task) == doomed.end()) doomed.push_back(task);
  mTasks.clear();
  mRemoval.clear();
  mDeletion.clear();
  // Deleting may run task destructors that touch this list: it is already empty.
  for (TTask* task : doomed) delete task;
}
