// tVariant: the engine's typed value (boolean, integer, float, string with its identifier,
// pointers and owned objects).
#pragma once

#include <cstdint>

#include "audio_engine/shared_ptr.h"
#include "audio_engine/tarn_string.h"

namespace Tarn {

// An object a variant owns (type 7): cloned when the variant is copied.
class cVariantObject {
 public:
  virtual ~cVariantObject() = default;
  virtual cVariantObject* Clone() const = 0;
};

// A shared object held by a variant: clones share the one object (float maps, string lists).
template <class T>
class cSharedVariantObject : public cVariantObject {
 public:
  explicit cSharedVariantObject(const cSharedPtr<T>& p) : mPtr(p) {}
  cVariantObject* Clone() const override { return new cSharedVariantObject(mPtr); }
  const cSharedPtr<T>& Ptr() const { return mPtr; }

 private:
  cSharedPtr<T> mPtr;
};

class tVariant {
 public:
  enum Type : uint32_t {
    kEmpty = 0,
    kBool = 1,
    kInt = 2,
    kIntLike = 3,
    kFloat = 4,
    kString = 5,
    kPointer = 6,  // not owned
    kObject = 7,   // owned, cloned on copy
  };

  tVariant() = default;
  tVariant(const tVariant& o) { CopyFrom(o); }
  tVariant& operator=(const tVariant& o);
  ~tVariant() { DestroyObject(); }

  static tVariant Bool(bool v) { tVariant r; r.SetBool(v); return r; }
  static tVariant Int(int32_t v) { tVariant r; r.SetInt(v); return r; }
  static tVariant Float(float v) { tVariant r; r.SetFloat(v); return r; }
  static tVariant String(const char* v) { tVariant r; r.SetString(v); return r; }

  void SetEmpty();
  void SetBool(bool v);
  void SetInt(int32_t v);
  void SetIntLike(uint32_t v);
  void SetFloat(float v);
  void SetString(const char* text);
  void SetString(const cString& text);
  void SetPointer(void* p);
  void SetObject(cVariantObject* object);  // takes ownership

  Type GetType() const { return mType; }
  bool IsEmpty() const { return mType == kEmpty; }
  // The 32-bit value word: identifier of a string, integer bits, float bits, boolean byte.
  uint32_t Word() const { return mWord.u; }
  bool AsBool() const { return (mWord.u & 0xFF) != 0; }
  int32_t AsInt() const { return (int32_t)mWord.u; }
  float AsFloat() const { return mWord.f; }
  uint32_t Id() const { return mWord.u; }
  const cString& Text() const { return mText; }
  void* Pointer() const { return mType == kPointer ? mPtr : nullptr; }
  cVariantObject* Object() const { return mType == kObject ? mObject : nullptr; }

  // Equality by the left side's type, as the engine compares names and values.
  bool operator==(const tVariant& right) const;
  bool operator!=(const tVariant& right) const { return !(*this == right); }

 private:
  void DestroyObject();
  void CopyFrom(const tVariant& o);

  union Word {
    uint32_t u;
    float f;
  } mWord{0};
  // Pointers get storage of their own: a 32-bit value word cannot hold one here.
  union {
    void* mPtr = nullptr;
    cVariantObject* mObject;
  };
  cString mText;
  Type mType = kEmpty;
};

}  // namespace Tarn
