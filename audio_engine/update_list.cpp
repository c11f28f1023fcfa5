// The self-guarding update list.
#include "audio_engine/update_list.h"

#include <algorithm>

namespace Tarn {

namespace {
void EraseAll(std::vector<cIUpdate*>& v, cIUpdate* item) { v.erase(std::remove(v.begin(), v.end(), item), v.end()); }
// A member is listed once: adding it again changes nothing.
void AddOnce(std::vector<cIUpdate*>& v, cIUpdate* item) {
  if (std::find(v.begin(), v.end(), item) == v.end()) v.push_back(item);
}
}  // namespace

void cUpdateList::Add(cIUpdate* item) {
  if (!TryTake()) {
    cAutoCriticalSection lock(mQueueLock);
    mQueue.push_back({item, true});
    return;
  }
  AddOnce(mMembers, item);
  Give();
}

void cUpdateList::Remove(cIUpdate* item) {
  if (!TryTake()) {
    cAutoCriticalSection lock(mQueueLock);
    mQueue.push_back({item, false});
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
    for (const Change& c : mQueue) {
      if (c.add) AddOnce(mMembers, c.item);
      else EraseAll(mMembers, c.item);
    }
    mQueue.clear();
    Give();
  }
}

void cUpdateList::Clear() {
  while (!TryTake()) Sleep(0);
  mMembers.clear();
  {
    cAutoCriticalSection lock(mQueueLock);
    mQueue.clear();
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
