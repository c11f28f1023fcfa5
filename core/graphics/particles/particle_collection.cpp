// TParticleCollection: records in one block, two lists linked by index.
#include "core/graphics/particles/particle_collection.h"

#include <algorithm>
#include <cstring>
#include <new>

float* TParticleList::Iterator::operator*() const { return mCollection->GetRecord(mIndex); }

TParticleList::Iterator& TParticleList::Iterator::operator++() {
  mIndex = mCollection->GetNext(mIndex);
  return *this;
}

TParticleCollection::~TParticleCollection() { Clear(); }

void TParticleCollection::Clear() {
  mOwned.reset();
  mData = nullptr;
  mExternal = false;
  mCapacity = 0;
  mWidth = 0;
  mLiveCount = 0;
  mNext.clear();
  mPrev.clear();
  mLive = Ends();
  mFree = Ends();
}

bool TParticleCollection::Init(int32_t count, uint32_t floatsPerParticle, float* block) {
  Clear();
  if (count < 1) return true;
  if (count > kMaxCount || (uint64_t)count * floatsPerParticle > kMaxFloats) return false;
  size_t floats = (size_t)count * floatsPerParticle;
  if (!block) {
    mOwned.reset(new (std::nothrow) float[floats ? floats : 1]());
    if (!mOwned) return false;
    block = mOwned.get();
  }
  try {
    mNext.assign((size_t)count, -1);
    mPrev.assign((size_t)count, -1);
  } catch (const std::bad_alloc&) {
    Clear();
    return false;
  }
  mData = block;
  mExternal = mOwned == nullptr;
  mWidth = floatsPerParticle;
  mCapacity = count;
  for (int32_t i = 0; i < count; ++i) Append(mFree, i);
  return true;
}

bool TParticleCollection::SetRecordWidth(uint32_t floatsPerParticle) {
  if (floatsPerParticle == mWidth || mCapacity == 0) return true;
  if ((uint64_t)mCapacity * floatsPerParticle > kMaxFloats) return false;
  size_t floats = (size_t)mCapacity * floatsPerParticle;
  std::unique_ptr<float[]> block(new (std::nothrow) float[floats ? floats : 1]());
  if (!block) return false;
  uint32_t keep = std::min(mWidth, floatsPerParticle);
  for (int32_t i = 0; i < mCapacity; ++i)
    std::memcpy(block.get() + (size_t)i * floatsPerParticle, GetRecord(i), keep * sizeof(float));
  mOwned = std::move(block);
  mData = mOwned.get();
  mExternal = false;
  mWidth = floatsPerParticle;
  return true;
}

void TParticleCollection::Append(Ends& list, int32_t index) {
  mPrev[(size_t)index] = list.tail;
  mNext[(size_t)index] = -1;
  if (list.tail >= 0)
    mNext[(size_t)list.tail] = index;
  else
    list.head = index;
  list.tail = index;
}

void TParticleCollection::Unlink(Ends& list, int32_t index) {
  int32_t prev = mPrev[(size_t)index], next = mNext[(size_t)index];
  if (prev >= 0)
    mNext[(size_t)prev] = next;
  else
    list.head = next;
  if (next >= 0)
    mPrev[(size_t)next] = prev;
  else
    list.tail = prev;
}

int32_t TParticleCollection::TakeFree() {
  int32_t index = mFree.head;
  if (index < 0) return -1;
  Unlink(mFree, index);
  Append(mLive, index);
  ++mLiveCount;
  return index;
}

void TParticleCollection::Retire(int32_t index) {
  Unlink(mLive, index);
  Append(mFree, index);
  --mLiveCount;
}
