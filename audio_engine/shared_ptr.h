// cSharedPtr: a counted shared pointer with a plain (non-atomic) count; the engine lock covers
// every use across threads.
#pragma once

#include <cstdint>

namespace Tarn {

class cSharedRefCountBase {
 public:
  virtual ~cSharedRefCountBase() = default;
  virtual void AddRef() { ++mCount; }
  // Deletes the block (and with it the object) on the last release.
  virtual void Release() {
    if (--mCount == 0) delete this;
  }
  long Count() const { return mCount; }

 protected:
  long mCount = 1;
};

template <class T>
class cSharedRefCount : public cSharedRefCountBase {
 public:
  explicit cSharedRefCount(T* object) : mObject(object) {}
  ~cSharedRefCount() override { delete mObject; }
  T* mObject;
};

class cSharedPtrBase {
 public:
  virtual ~cSharedPtrBase() = default;
  virtual void Assign(const cSharedPtrBase& other) = 0;
  virtual cSharedPtrBase* Clone() const = 0;
};

template <class T>
class cSharedPtr : public cSharedPtrBase {
 public:
  cSharedPtr() = default;
  explicit cSharedPtr(T* object) : mBlock(object ? new cSharedRefCount<T>(object) : nullptr) {}
  cSharedPtr(const cSharedPtr& o) : mBlock(o.mBlock) {
    if (mBlock) mBlock->AddRef();
  }
  cSharedPtr& operator=(const cSharedPtr& o) {
    Assign(o);
    return *this;
  }
  ~cSharedPtr() override { Reset(); }

  void Assign(const cSharedPtrBase& other) override {
    const cSharedPtr& o = static_cast<const cSharedPtr&>(other);
    if (o.mBlock == mBlock) return;
    if (o.mBlock) o.mBlock->AddRef();
    Reset();
    mBlock = o.mBlock;
  }
  cSharedPtrBase* Clone() const override { return new cSharedPtr(*this); }

  void Reset() {
    if (mBlock) mBlock->Release();
    mBlock = nullptr;
  }
  T* Get() const { return mBlock ? mBlock->mObject : nullptr; }
  T* operator->() const { return Get(); }
  T& operator*() const { return *Get(); }
  explicit operator bool() const { return Get() != nullptr; }
  long UseCount() const { return mBlock ? mBlock->Count() : 0; }

 private:
  cSharedRefCount<T>* mBlock = nullptr;
};

}  // namespace Tarn
