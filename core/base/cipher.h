// TCipher: Blowfish keyed from a 12-character Base64 key text, binary or Base64 output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/base/str.h"

class TBlowfish;

class TCipher {
 public:
  // Only the first nine characters of the key text count; short keys are padded with "A".
  explicit TCipher(const TStr& keyText);
  ~TCipher();
  TCipher(const TCipher&) = delete;
  TCipher& operator=(const TCipher&) = delete;

  // 0 when the result was written to out, else the bytes out needs (nothing written).
  // Text form is Base64 with a terminating NUL.
  uint32_t Encrypt(const void* data, uint32_t size, void* out, uint32_t capacity, bool asText);
  uint32_t Decrypt(const void* data, uint32_t size, void* out, uint32_t capacity, bool fromText);
  uint32_t GetLastSize() const { return mLastSize; }
  // The deciphered Base64 text up to its first NUL; empty when nothing deciphers.
  TStr DecryptText(const TStr& text);

  // The 12-character key text after padding and masking (for tests).
  static TStr PrepareKeyText(const TStr& keyText);

 private:
  uint32_t Deliver(const uint8_t* result, size_t needed, void* out, uint32_t capacity);

  std::unique_ptr<TBlowfish> mBlowfish;
  uint32_t mLastSize = 0;
};
