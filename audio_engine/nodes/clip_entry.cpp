// Clip entries: next start and distance on a looping timeline with a pending jump, the
// per-pass set-up, and handing plays and stops to the node on time.
//
// An entry reads the track's timeline (position, loop, pending jump to the start position)
// and works out its next pass: where on the timeline it starts (the entry's start, or the loop
// start for an entry reaching into the loop), how far away that is in samples (through the
// loop end, or through the jump when the jump comes first), and so the engine time of the next
// play and stop. Plays are handed to the node within the block about to be mixed, at their
// exact time; once a pass has been handed and has begun, the next one is worked out.
#include "audio_engine/nodes/clip_entry.h"

#include <algorithm>
#include <climits>

#include "audio_engine/debug.h"
#include "audio_engine/mix/wave_mixer.h"
#include "audio_engine/nodes/track_player.h"
#include "audio_engine/sound.h"

namespace Tarn {

namespace {
int64_t Now() { return (int64_t)TarnMix::GlobalMixTime(); }
}  // namespace

cClipEntry::cClipEntry(cTrackPlayer* track, cSound* node, bool enabled) : mTrack(track), mNode(node), mEnabled(enabled) {}

void cClipEntry::SetTimes(int64_t start, bool hasStart, int64_t end, bool hasEnd) {
  mStart = start;
  mHasStart = hasStart && start >= 0;
  mEnd = end;
  mHasEnd = hasEnd && end >= 0;
}

int64_t cClipEntry::NextStart(int64_t from) const {
  if (!mHasStart) return kNone;
  const int64_t s0 = mStart;
  const int64_t l0 = mTrack->LoopStart(), l1 = mTrack->LoopEnd();
  if (!mTrack->Looping() || from >= l1) return from < s0 ? s0 : kNone;
  if (mHasEnd && mEnd <= l0 && from > s0) return kNone;  // wholly before the loop
  if (from >= s0 && s0 < l0) return l0;                  // reaches into the loop: re-entered there
  return s0 < l1 ? s0 : kNone;
}

int64_t cClipEntry::Distance(int64_t from, int64_t to, bool viaJump) const {
  if (from < 0 || to < 0) return kNone;
  const int64_t now = Now();
  const int64_t jumpTime = mTrack->PendingStart();
  const int64_t jumpTo = mTrack->StartPosition();
  const int64_t l0 = mTrack->LoopStart(), l1 = mTrack->LoopEnd();
  if (!mTrack->Looping()) return to >= from ? to - from : kNone;
  if (from > l1) return to >= from ? to - from : kNone;
  if (to > l1) return kNone;
  const int64_t loopLength = l1 - l0;
  const int64_t untilJump = jumpTime != kNone ? jumpTime - now : kNone;
  // From the jump target to `to`, going round the loop when `to` lies before the target.
  auto fromJump = [&]() { return to >= jumpTo ? to - jumpTo : to - jumpTo + loopLength; };
  if (to < from) {
    int64_t wrapped = (to - from) + loopLength;
    if (untilJump != kNone && untilJump < wrapped) {
      if (jumpTo >= l1) return kNone;
      return untilJump + fromJump();
    }
    return wrapped;
  }
  int64_t straight = to - from;
  if (untilJump != kNone && untilJump < straight && !viaJump) return untilJump + fromJump();
  return straight;
}

void cClipEntry::SetUp() {
  const int64_t now = Now();
  const int64_t jumpTime = mTrack->PendingStart();
  const int64_t jumpTo = mTrack->StartPosition();
  const int64_t position = mTrack->Position();
  const int64_t l1 = mTrack->LoopEnd();
  const bool loop = mTrack->Looping();
  mNextPlay = kNone;
  // A jump before the end of what plays now cuts it at the jump.
  if (jumpTime != kNone && mStopInForce != kNone && mStopInForce > now &&
      (mPlayInForce == kNone || now >= mPlayInForce) && jumpTime < mStopInForce) {
    Trace("cTrackPlayer::SetUpClipEntry: Change sound stop time from %lld to %lld  ........ %lld (GMT is %lld)\n",
          (long long)mStopInForce, (long long)jumpTime, (long long)(jumpTime - now), (long long)now);
    mNode->Stop(jumpTime);
    mStopInForce = jumpTime;
    mNextStop = kNone;
    mHandedStop = kNone;
  }
  // A play handed for a time still to come is void: the pass is worked out again.
  if (mHandedPlay != kNone && mHandedPlay > now) {
    Trace("cTrackPlayer::SetUpClipEntry: withdraw the play at %lld\n", (long long)mHandedPlay);
    mNode->WithdrawPlay();
    mHandedPlay = kNone;
  }
  if (loop && position < l1 && mHasStart && mStart >= l1) return;  // out of reach while looping
  int64_t startAt = kNone;
  if (mHasStart) {
    int64_t s = NextStart(position);
    if (s != kNone && mTrack->IsActive()) {
      int64_t d = Distance(position, s, false);
      if (d != kNone) {
        mNextPlay = now + d;
        mOffset = s - mStart;
        startAt = s;
      }
    }
  }
  if (jumpTime != kNone && mHasStart) {
    const int64_t end = mHasEnd ? mEnd : INT64_MAX;
    int64_t s = ((mNextPlay != kNone && mNextPlay < jumpTime) || (mStart <= jumpTo && jumpTo < end))
                    ? jumpTo
                    : NextStart(jumpTo);
    if (s == kNone) {
      mNextPlay = kNone;
    } else {
      int64_t d = Distance(jumpTo, s, true);
      if (d != kNone && (mNextPlay == kNone || jumpTime + d <= mNextPlay)) {
        mNextPlay = jumpTime + d;
        mOffset = s - mStart;
        mHandedPlay = kNone;
        startAt = s;
      }
    }
  }
  if (mHasEnd && !(mHasStart && mNextPlay == kNone)) {
    int64_t from = mHasStart ? std::max<int64_t>(startAt, 0) : 0;
    int64_t length = (loop && l1 < mEnd) ? l1 - from : mEnd - from;
    int64_t base = mHasStart ? mNextPlay : now;
    mNextStop = base + std::max<int64_t>(length, 0);
    Trace("NST: %lld = npt %lld + playLength %ld (gmt %lld)\n", (long long)mNextStop, (long long)mNextPlay, (long)length,
          (long long)now);
    if (mNextPlay != kNone && jumpTime != kNone && mNextPlay < jumpTime && mNextStop > jumpTime) {
      mNextStop = jumpTime;
      Trace("     Limit to pending play time %lld\n", (long long)jumpTime);
    }
  }
}

void cClipEntry::OnTrackPlay() {
  mTrackStop = kNone;
  SetUp();
}

void cClipEntry::OnTrackStop(int64_t time) {
  mTrackStop = time;
  if (mHandedPlay != kNone && (mHandedStop == kNone || mHandedStop > time)) {
    mNode->Stop(time);
    mHandedStop = time;
  }
  if (mHandedPlay != kNone && mHandedPlay >= time) {
    mNode->WithdrawPlay();
    mHandedPlay = kNone;
  }
  if (mNextStop != kNone && mNextStop > time) mNextStop = time;
  if (mNextPlay != kNone && mNextPlay >= time) mNextPlay = kNone;
  if (mStopInForce != kNone && mStopInForce > time) mStopInForce = time;
}

void cClipEntry::Forget() {
  mNextPlay = mNextStop = mHandedPlay = mHandedStop = kNone;
  mPlayInForce = mStopInForce = kNone;
}

void cClipEntry::Update() {
  const int64_t now = Now();
  // Due within the block about to be mixed: the node starts on the exact frame.
  const int64_t horizon = now + std::max<int64_t>(TarnMix::ComingBlockFrames(), 1);
  // The node keeps one pending stop. The next pass's stop waits until the stop of the pass
  // now playing has been mixed, so that each pass ends at its own slot end; an earlier stop
  // (a pass cut short) replaces it at once.
  const bool stopPending = mStopInForce != kNone && mStopInForce >= now;
  if (mNextStop != kNone && mNextStop != mHandedStop && (!stopPending || mNextStop <= mStopInForce)) {
    mNode->Stop(mNextStop);
    mHandedStop = mNextStop;
    mStopInForce = mNextStop;
  }
  if (mNextPlay != kNone && mNextPlay != mHandedPlay && mNextPlay < horizon) {
    if (mTrackStop != kNone && mTrackStop <= mNextPlay) {
      Trace("cClipEntry::Update: We were going to play at %lld but we were stopped at %lld (bool is %ld)\n",
            (long long)mNextPlay, (long long)mTrackStop, (long)1);
      mNextPlay = kNone;
    } else {
      if (mNextPlay < now) {
        Trace("cClipEntry::Update: WARNING: NextPlayTime is %lld in the past\n", (long long)(now - mNextPlay));
        mNextPlay = now;
      }
      Trace("cClipEntry::Update: (0x%08lx) play from %ld at %lld, in %lld (GMT %lld)\n", (unsigned long)(uintptr_t)this,
            (long)mOffset, (long long)mNextPlay, (long long)(mNextPlay - now), (long long)now);
      mNode->SetStartPosition((int32_t)std::clamp<int64_t>(mOffset, 0, INT32_MAX));
      mNode->Play(mEnabled ? mNextPlay : -1);
      mHandedPlay = mNextPlay;
      mPlayInForce = mNextPlay;
    }
  }
  if (mNextPlay != kNone && mHandedPlay == mNextPlay && mHandedStop == mNextStop && mNextPlay <= now) SetUp();
}

}  // namespace Tarn
