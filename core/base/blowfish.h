// TBlowfish: the Blowfish block cipher, and ECB over whole buffers with count padding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class TBlowfish {
 public:
  TBlowfish();
  // The standard key schedule; the key bytes are taken cyclically.
  void SetKey(const uint8_t* key, size_t length);
  void EncryptBlock(uint32_t& left, uint32_t& right) const;
  void DecryptBlock(uint32_t& left, uint32_t& right) const;
  // ECB over big-endian blocks; 1 to 8 pad bytes each holding the pad count.
  std::vector<uint8_t> EncryptBuffer(const uint8_t* data, size_t n) const;
  // The plaintext without its padding; empty when the pad count is out of range.
  std::vector<uint8_t> DecryptBuffer(const uint8_t* data, size_t n) const;

  static const uint32_t kInitP[18];
  static const uint32_t kInitS[4][256];

 private:
  uint32_t F(uint32_t x) const;

  uint32_t mP[18];
  uint32_t mS[4][256];
};
