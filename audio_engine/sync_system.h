// cSyncSystem: starts music clips on musical boundaries of the current master's grid and
// decides what else stops when a clip starts (by each clip's sync modes), with fades and the
// clip's scheduled end.
#pragma once

#include <cstdint>
#include <list>

#include "audio_engine/variant.h"

namespace Tarn {

class cSound;
class cPropertySet;

class cSyncSystem {
 public:
  struct Entry {
    tVariant name;      // the clip's patch name
    tVariant resource;  // its "ResourceName" identifier (an integer)
    cSound* node;       // not owned
  };

  cSyncSystem() = default;
  ~cSyncSystem();
  cSyncSystem(const cSyncSystem&) = delete;
  cSyncSystem& operator=(const cSyncSystem&) = delete;

  // Starts a clip (time -1: on the master's next boundary, else one sample before the time).
  int Play(cSound* clip, int64_t time);
  // One tick: drops entries of clips that have finished and traces list sizes.
  void Update();
  // Stops what the stopping list may stop (fading where the master mode says so) and every
  // unison clip, at the time; empties both lists.
  void StopAll(int64_t time);
  int RemoveByResource(uint32_t resource);
  bool IsListed(uint32_t id, bool alsoResource) const;
  // The first stopping-list entry's name, or an empty value.
  tVariant Master() const;
  // The master's node when the sound system still has it, else null.
  cSound* MasterNode() const;
  // Without a master: now (0). With an active master: its next grid boundary for this clip
  // (0). Otherwise 2. A grid that cannot be formed gives now with a log line.
  int GetNextSyncTime(cSound* clip, int64_t* time);

  // Forgets every entry (the nodes are going away).
  void Clear();
  const std::list<Entry>& Stopping() const { return mStopping; }
  const std::list<Entry>& Unison() const { return mUnison; }

 private:
  Entry MakeEntry(cSound* clip) const;
  // The entry's node while the sound system still has it under the entry's name, else null.
  cSound* LiveNode(const Entry& e) const;
  // Whether an entry's clip has finished (its node is gone or no longer active).
  bool Finished(const Entry& e) const;
  // Entries of clips that have ended go, so a finished master no longer sets the grid and a
  // one-shot can start again at once.
  void PruneFinished();

  std::list<Entry> mStopping;
  std::list<Entry> mUnison;
  size_t mReported[2] = {0, 0};
};

// The value of a property from the first set of a chain that holds it (empty when none).
const tVariant& ChainValue(const cPropertySet* const chain[5], uint32_t id);

// The master's grid: how long one unit is, in samples (0 when it cannot be formed: tempo 0,
// an empty loop, an unknown unit name), in double precision so long measures do not wrap.
struct tSyncGrid {
  uint32_t unit;  // the name identifier of "Samples", "Measures", ...
  int64_t numerator;
  double tempo;
  double beatsPerBar;
  int64_t timeLineStart, timeLineEnd, loopStart, loopEnd;
};
double SyncUnitLength(const tSyncGrid& grid);
// Samples from a timeline position to the next boundary of units counted from `origin`.
int64_t SamplesToBoundary(int64_t position, int64_t origin, double unitLength);

}  // namespace Tarn
