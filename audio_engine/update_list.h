// cUpdateList: things ticked in order; additions and removals made while a run is in progress
// (from a member's Update or from another thread) are queued and applied after it.
#pragma once

#include <vector>

#include "audio_engine/critical_section.h"
#include "audio_engine/iupdate.h"
#include "platform/win32/win32.h"

namespace Tarn {

class cUpdateList {
 public:
  void Add(cIUpdate* item);
  void Remove(cIUpdate* item);
  // Ticks every member, then applies the queued additions and removals in the order made.
  void Run();
  void Clear();
  bool Contains(cIUpdate* item);
  size_t Size();

 private:
  bool TryTake() { return InterlockedExchange(&mBusy, 1) == 0; }
  void Give() { InterlockedExchange(&mBusy, 0); }

  volatile LONG mBusy = 0;           // changed only by atomic exchange
  std::vector<cIUpdate*> mMembers;   // guarded by mBusy
  cCriticalSection mQueueLock;
  // Queued changes in the order they were made, so the last one wins: a "Pause" and
  // "Unpause" that both meet a running tick leave the player playing.
  struct Change {
    cIUpdate* item;
    bool add;
  };
  std::vector<Change> mQueue;  // guarded by mQueueLock
};

}  // namespace Tarn
