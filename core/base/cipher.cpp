// The string cipher used by preferences, high scores and the cheat gate.
#include "core/base/cipher.h"

#include <cstring>
#include <vector>

#include "core/base/base64.h"
#include "core/base/blowfish.h"

TStr TCipher::PrepareKeyText(const TStr& keyText) {
  TStr key = keyText;
  if (key.Length() != 12) key = (key + "AAAAAAAAAAAA").SubStr(0, 12);
  if (key.SubStr(9, 3) != TStr("AAA")) key = key.SubStr(0, 9) + "AAA";
  return key;
}

TCipher::TCipher(const TStr& keyText) : mBlowfish(new TBlowfish) {
  TStr key = PrepareKeyText(keyText);
  uint8_t bytes[9];
  Base64Decode(bytes, key.c_str(), 12);
  mBlowfish->SetKey(bytes, 9);
}

TCipher::~TCipher() = default;

uint32_t TCipher::Deliver(const uint8_t* result, size_t needed, void* out, uint32_t capacity) {
  if (!out || capacity < needed) return (uint32_t)needed;
  if (needed) std::memcpy(out, result, needed);
  mLastSize = (uint32_t)needed;
  return 0;
}

uint32_t TCipher::Encrypt(const void* data, uint32_t size, void* out, uint32_t capacity, bool asText) {
  std::vector<uint8_t> sealed = mBlowfish->EncryptBuffer((const uint8_t*)data, size);
  if (!asText) return Deliver(sealed.data(), sealed.size(), out, capacity);
  std::vector<uint8_t> text(Base64EncodedSize(sealed.size()) + 1, 0);
  Base64Encode((char*)text.data(), sealed.data(), sealed.size());
  return Deliver(text.data(), text.size(), out, capacity);
}

uint32_t TCipher::Decrypt(const void* data, uint32_t size, void* out, uint32_t capacity, bool fromText) {
  std::vector<uint8_t> plain;
  if (fromText) {
    std::vector<uint8_t> sealed(Base64DecodedSize(size));
    size_t n = Base64Decode(sealed.data(), (const char*)data, size);
    plain = mBlowfish->DecryptBuffer(sealed.data(), n);
  } else {
    plain = mBlowfish->DecryptBuffer((const uint8_t*)data, size);
  }
  return Deliver(plain.data(), plain.size(), out, capacity);
}

TStr TCipher::DecryptText(const TStr& text) {
  uint32_t needed = Decrypt(text.c_str(), (uint32_t)text.Length(), nullptr, 0, true);
  if (needed == 0) return TStr();
  std::vector<uint8_t> plain(needed);
  Decrypt(text.c_str(), (uint32_t)text.Length(), plain.data(), needed, true);
  size_t n = 0;
  while (n < plain.size() && plain[n]) ++n;
  return TStr((const char*)plain.data(), (int)n);
}
