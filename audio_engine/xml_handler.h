// cIXmlHandler: one element handler on the XML reader's stack; cTextBuffer: the 2000-byte
// element-text buffer the handlers share in shape.
#pragma once

#include <cstddef>

namespace Tarn {

class cIXmlHandler {
 public:
  virtual ~cIXmlHandler() = default;
  virtual void StartElement(const char* name, const char** attributes) = 0;
  virtual void EndElement(const char* name) = 0;
  virtual void CharacterData(const char* data, int length) = 0;
};

// Element text below 2000 bytes; longer text is cut rather than overflowing.
class cTextBuffer {
 public:
  static constexpr size_t kCapacity = 2000;
  void Append(const char* data, size_t length) {
    size_t room = kCapacity - 1 - mLength;
    if (length > room) length = room;
    for (size_t i = 0; i < length; i++) mData[mLength + i] = data[i];
    mLength += length;
    mData[mLength] = 0;
  }
  void Clear() {
    mLength = 0;
    mData[0] = 0;
  }
  const char* Text() const { return mData; }
  // The text with leading white space skipped.
  const char* Trimmed() const {
    const char* p = mData;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f') p++;
    return p;
  }
  size_t Length() const { return mLength; }

 private:
  char mData[kCapacity] = {0};
  size_t mLength = 0;
};

}  // namespace Tarn
