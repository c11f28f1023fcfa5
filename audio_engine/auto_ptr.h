// cAutoPtr: an owning pointer that deletes its object on reset and destruction.
#pragma once

namespace Tarn {

template <class T>
class cAutoPtr {
 public:
  cAutoPtr() = default;
  explicit cAutoPtr(T* p) : mPtr(p) {}
  cAutoPtr(const cAutoPtr&) = delete;
  cAutoPtr& operator=(const cAutoPtr&) = delete;
  virtual ~cAutoPtr() { delete mPtr; }

  void Reset(T* p = nullptr) {
    if (p == mPtr) return;
    T* old = mPtr;
    mPtr = p;
    delete old;
  }
  T* Release() {
    T* p = mPtr;
    mPtr = nullptr;
    return p;
  }
  T* Get() const { return mPtr; }
  T* operator->() const { return mPtr; }
  T& operator*() const { return *mPtr; }
  explicit operator bool() const { return mPtr != nullptr; }

 private:
  T* mPtr = nullptr;
};

}  // namespace Tarn
