// cClipEntry: one clip on a track's timeline. From the track's position, loop and pending
// jump it computes the engine times at which its node next plays and stops, hands them to the
// node when they come, and takes back what a track stop or jump makes void.
#pragma once

#include <cstdint>

namespace Tarn {

class cSound;
class cTrackPlayer;

class cClipEntry {
 public:
  static constexpr int64_t kNone = -1;

  cClipEntry(cTrackPlayer* track, cSound* node, bool enabled);

  // Own "TimeLineStartPosition" / "TimeLineEndPosition" (absent: -1).
  void SetTimes(int64_t start, bool hasStart, int64_t end, bool hasEnd);
  // The track starts playing (its pending start and position are set): work out the pass.
  void OnTrackPlay();
  // The track stops at `time`.
  void OnTrackStop(int64_t time);
  // One engine tick, after the track's position moved.
  void Update();
  // Works out the next pass from the track's timeline.
  void SetUp();
  // Stops the node's part in the timeline at once (track killed or withdrawn).
  void Forget();

  cSound* Node() const { return mNode; }
  bool Enabled() const { return mEnabled; }
  int64_t Start() const { return mHasStart ? mStart : kNone; }
  int64_t Offset() const { return mOffset; }

  // Next position at which the entry starts, from a timeline position (-1: never).
  int64_t NextStart(int64_t from) const;
  // Samples from one timeline position to another along the timeline, through the loop end
  // and the pending jump (-1: not reachable).
  int64_t Distance(int64_t from, int64_t to, bool viaJump) const;

 private:
  cTrackPlayer* mTrack;
  cSound* mNode;
  bool mEnabled;
  int64_t mStart = kNone, mEnd = kNone;
  bool mHasStart = false, mHasEnd = false;
  int64_t mNextPlay = kNone, mNextStop = kNone;
  int64_t mHandedPlay = kNone, mHandedStop = kNone;
  int64_t mPlayInForce = kNone, mStopInForce = kNone;
  int64_t mTrackStop = kNone;
  int64_t mOffset = 0;
};

}  // namespace Tarn
