// The task list pass with its removal marks and deletion queue.
#include "core/base/task_list.h"

#include <algorithm>
#include <vector>

TTaskList::~TTaskList() {
  mRunning = false;
  KillAllTasks();
}

std::list<TTaskList::Entry>::iterator TTaskList::FindLive(const TTask* task) {
  return std::find_if(mTasks.begin(), mTasks.end(),
                      [task](const Entry& e) { return e.task == task && !e.removed; });
}

std::list<TTaskList::Entry>::const_iterator TTaskList::FindLive(const TTask* task) const {
  return std::find_if(mTasks.begin(), mTasks.end(),
                      [task](const Entry& e) { return e.task == task && !e.removed; });
}

bool TTaskList::Contains(const TTask* task) const { return FindLive(task) != mTasks.end(); }

size_t TTaskList::Count() const {
  return std::count_if(mTasks.begin(), mTasks.end(), [](const Entry& e) { return !e.removed; });
}

void TTaskList::AddTask(TTask* task) {
  if (task) mTasks.push_back({task, false});
}

bool TTaskList::RemoveTask(TTask* task) {
  auto it = FindLive(task);
  if (it == mTasks.end()) return false;
  if (mRunning)
    it->removed = true;
  else
    mTasks.erase(it);
  return true;
}

void TTaskList::RunTasks(int code) {
  // A task that runs its own list again would unsettle the walk below.
  if (mRunning) return;
  mRunning = true;
  for (auto it = mTasks.begin(); it != mTasks.end();) {
    auto next = std::next(it);
    TTask* task = it->task;
    if (!it->removed && task->Ready(code) && !task->DoTask()) {
      mTasks.erase(it);
      // A kill during this pass may have queued it too: it is deleted here, once.
      mDeletion.remove(task);
      delete task;
    }
    it = next;
  }
  mRunning = false;
  mTasks.remove_if([](const Entry& e) { return e.removed; });
  std::list<TTask*> doomed;
  doomed.swap(mDeletion);
  for (TTask* task : doomed) delete task;
}

void TTaskList::KillAllTasks() {
  if (mRunning) {
    // Tasks already handed back by RemoveTask belong to their caller again: leave them be.
    for (Entry& e : mTasks) {
      if (e.removed) continue;
      e.removed = true;
      mDeletion.push_back(e.task);
    }
    return;
  }
  std::vector<TTask*> doomed;
  for (const Entry& e : mTasks)
    if (!e.removed) doomed.push_back(e.task);
  for (TTask* task : mDeletion)
    if (std::find(doomed.begin(), doomed.end(), task) == doomed.end()) doomed.push_back(task);
  mTasks.clear();
  mDeletion.clear();
  // Deleting may run task destructors that touch this list: it is already empty.
  for (TTask* task : doomed) delete task;
}
