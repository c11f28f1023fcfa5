// The self-guarding update list.
#include "audio_engine/update_list.h"

#include <algorithm>

namespace Tarn {

namespace {
void EraseAll(std::vector<cIUpdate*>& v, cIUpdate* item) { v.erase(std::remove(v.begin(), v.end(), item), v.end()); }
}  // namespace

void cUpdateList::Add(cIUpdate* item) {
  if (!TryTake()) {
    cAutoCriticalSection lock(mQueueLock);
    mAdditions.push_back(item);
    return;
  }
  mMembers.push_back(item);
  Give();
}

void cUpdateList::Remove(cIUpdate* item) {
  if (!TryTake()) {
    cAutoCriticalSection lock(mQueueLock);
    mRemovals.push_back(item);
    return;
  }
  EraseAll(mMembers, item);
  Give();
}

void cUpdateList::Run() {
  while (!TryTake()) Sleep(0);
  // Indexing, not iterators: a member's Update may only queue changes, but stay safe anyway.
  for (size_t i = 0; i < mMembers.size(); i++) mMembers[i]->Update();
  {
    // The hand-over and the clearing of the flag happen under the queue lock, so a change
    // queued from another thread is either applied here or by the next run.
    cAutoCriticalSection lock(mQueueLock);
    for (cIUpdate* item : mAdditions) mMembers.push_back(item);
    mAdditions.clear();
    for (cIUpdate* item : mRemovals) EraseAll(mMembers, item);
    mRemovals.clear();
    Give();
  }
}

void cUpdateList::Clear() {
  while (!TryTake()) Sleep(0);
  mMembers.clear();
  {
    cAutoCriticalSection lock(mQueueLock);
    mAdditions.clear();
    mRemovals.clear();
  }
  Give();
}

bool cUpdateList::Contains(cIUpdate* item) {
  while (!TryTake()) Sleep(0);
  bool found = std::find(mMembers.begin(), mMembers.end(), item) != mMembers.end();
  Give();
  return found;
}

size_t cUpdateList::Size() {
  while (!TryTake()) Sleep(0);
  size_t n = mMembers.size();
  Give();
  return n;
}

}  // namespace Tarn
