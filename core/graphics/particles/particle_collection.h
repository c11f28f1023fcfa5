// TParticleCollection: one particle system's records, a fixed block of equal-sized records
// threaded on a live list (what is drawn, in the order kept) and a free list. Records move
// between the lists by index, so nothing is allocated after Init.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class TParticleCollection;

// The live (or free) records in list order, as pointers to their first float.
class TParticleList {
 public:
  class Iterator {
   public:
    Iterator(const TParticleCollection* c, int32_t i) : mCollection(c), mIndex(i) {}
    float* operator*() const;
    Iterator& operator++();
    bool operator!=(const Iterator& o) const { return mIndex != o.mIndex; }

   private:
    const TParticleCollection* mCollection;
    int32_t mIndex;
  };

  TParticleList(const TParticleCollection* c, int32_t head, int32_t count) : mCollection(c), mHead(head), mCount(count) {}
  Iterator begin() const { return Iterator(mCollection, mHead); }
  Iterator end() const { return Iterator(mCollection, -1); }
  int32_t size() const { return mCount; }

 private:
  const TParticleCollection* mCollection;
  int32_t mHead;
  int32_t mCount;
};

class TParticleCollection {
 public:
  // Beyond these a count is refused: a script's particle count must not take the machine.
  static constexpr int32_t kMaxCount = 1 << 20;
  static constexpr uint64_t kMaxFloats = 1ull << 23;

  TParticleCollection() {}
  virtual ~TParticleCollection();
  TParticleCollection(const TParticleCollection&) = delete;
  TParticleCollection& operator=(const TParticleCollection&) = delete;

  // Replaces everything: count records of floatsPerParticle floats, all free in address order.
  // A given block (count x floatsPerParticle floats) stays the caller's; null allocates one. A
  // count below 1 leaves both lists empty. False (and empty) when the count or the block size
  // is beyond the limits or cannot be allocated.
  bool Init(int32_t count, uint32_t floatsPerParticle, float* block = nullptr);
  // Frees an owned block; everything becomes 0 and both lists empty.
  void Clear();
  // Gives every record a new width, keeping the lists and each record's leading floats (new
  // floats are 0). False (nothing changed) when the new block cannot be had.
  bool SetRecordWidth(uint32_t floatsPerParticle);

  int32_t GetCapacity() const { return mCapacity; }
  int32_t GetLiveCount() const { return mLiveCount; }
  int32_t GetFreeCount() const { return mCapacity - mLiveCount; }
  // Bytes per record.
  uint32_t GetStride() const { return mWidth * 4; }
  uint32_t GetRecordWidth() const { return mWidth; }
  bool IsExternal() const { return mExternal; }

  TParticleList GetLiveList() const { return TParticleList(this, mLive.head, mLiveCount); }
  TParticleList GetFreeList() const { return TParticleList(this, mFree.head, mCapacity - mLiveCount); }
  // Index walking, for passes that retire records as they go.
  int32_t GetLiveHead() const { return mLive.head; }
  int32_t GetNext(int32_t index) const { return mNext[(size_t)index]; }
  float* GetRecord(int32_t index) const { return mData + (size_t)index * mWidth; }
  int32_t IndexOf(const float* record) const { return (int32_t)((record - mData) / (mWidth ? mWidth : 1)); }

  // The first free record moves to the end of the live list; -1 when none is free.
  int32_t TakeFree();
  // A live record moves to the end of the free list.
  void Retire(int32_t index);

 private:
  struct Ends {
    int32_t head = -1;
    int32_t tail = -1;
  };
  void Append(Ends& list, int32_t index);
  void Unlink(Ends& list, int32_t index);

  float* mData = nullptr;
  std::unique_ptr<float[]> mOwned;
  bool mExternal = false;
  int32_t mCapacity = 0;
  uint32_t mWidth = 0;
  int32_t mLiveCount = 0;
  std::vector<int32_t> mNext;
  std::vector<int32_t> mPrev;
  Ends mLive;
  Ends mFree;
};
