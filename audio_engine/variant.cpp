// tVariant setters, copying and equality.
#include "audio_engine/variant.h"

#include <cstring>

namespace Tarn {

tVariant& tVariant::operator=(const tVariant& o) {
  if (this == &o) return *this;
  // Clone first: the source may be owned by the object being replaced.
  tVariant copy(o);
  DestroyObject();
  mType = copy.mType;
  mWord = copy.mWord;
  mText = copy.mText;
  mPtr = copy.mPtr;
  if (copy.mType == kObject) copy.mType = kEmpty;  // ownership moved
  return *this;
}

void tVariant::DestroyObject() {
  if (mType == kObject) delete mObject;
  mPtr = nullptr;
  mType = kEmpty;
}

void tVariant::CopyFrom(const tVariant& o) {
  mType = o.mType;
  mWord = o.mWord;
  mPtr = nullptr;
  if (o.mType == kString) mText = o.mText;
  if (o.mType == kPointer) mPtr = o.mPtr;
  if (o.mType == kObject) mObject = o.mObject ? o.mObject->Clone() : nullptr;
}

void tVariant::SetEmpty() {
  DestroyObject();
  mWord.u = 0;
  mText = cString();
}
void tVariant::SetBool(bool v) {
  DestroyObject();
  mType = kBool;
  mWord.u = v ? 1 : 0;
}
void tVariant::SetInt(int32_t v) {
  DestroyObject();
  mType = kInt;
  mWord.u = (uint32_t)v;
}
void tVariant::SetIntLike(uint32_t v) {
  DestroyObject();
  mType = kIntLike;
  mWord.u = v;
}
void tVariant::SetFloat(float v) {
  DestroyObject();
  mType = kFloat;
  mWord.f = v;
}
void tVariant::SetString(const char* text) { SetString(cString(text)); }
void tVariant::SetString(const cString& text) {
  cString copy(text);
  DestroyObject();
  mType = kString;
  mText = copy;
  mWord.u = mText.Id();
}
void tVariant::SetPointer(void* p) {
  DestroyObject();
  mType = kPointer;
  mWord.u = 0;
  mPtr = p;
}
void tVariant::SetObject(cVariantObject* object) {
  DestroyObject();
  mType = kObject;
  mWord.u = 0;
  mObject = object;
}

bool tVariant::operator==(const tVariant& r) const {
  switch (mType) {
    case kBool:
      return r.mType == kBool && (mWord.u & 0xFF) == (r.mWord.u & 0xFF);
    case kInt:
      return (r.mType == kInt || r.mType == kString) && mWord.u == r.mWord.u;
    case kIntLike:
      return r.mType == kIntLike && mWord.u == r.mWord.u;
    case kFloat:
      return r.mType == kFloat && mWord.f == r.mWord.f;
    case kString:
      return (r.mType == kInt && mWord.u == r.mWord.u) || (r.mType == kString && mText == r.mText);
    default:
      return false;
  }
}

}  // namespace Tarn
