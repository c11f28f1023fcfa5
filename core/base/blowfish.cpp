// Blowfish rounds, key schedule and ECB buffers.
#include "core/base/blowfish.h"

#include <cstring>

namespace {
uint32_t ReadBE(const uint8_t* p) {
  return ((uint32_t)p[0] << 24) | ((uint32_t)p[1] << 16) | ((uint32_t)p[2] << 8) | p[3];
}
void WriteBE(uint8_t* p, uint32_t v) {
  p[0] = (uint8_t)(v >> 24);
  p[1] = (uint8_t)(v >> 16);
  p[2] = (uint8_t)(v >> 8);
  p[3] = (uint8_t)v;
}
}  // namespace

TBlowfish::TBlowfish() {
  std::memcpy(mP, kInitP, sizeof mP);
  std::memcpy(mS, kInitS, sizeof mS);
}

uint32_t TBlowfish::F(uint32_t x) const {
  return ((mS[0][x >> 24] + mS[1][(x >> 16) & 0xFF]) ^ mS[2][(x >> 8) & 0xFF]) + mS[3][x & 0xFF];
}

void TBlowfish::EncryptBlock(uint32_t& left, uint32_t& right) const {
  uint32_t l = left ^ mP[0], r = right;
  for (int i = 1; i <= 15; i += 2) {
    r ^= F(l) ^ mP[i];
    l ^= F(r) ^ mP[i + 1];
  }
  r ^= mP[17];
  left = r;
  right = l;
}

void TBlowfish::DecryptBlock(uint32_t& left, uint32_t& right) const {
  uint32_t l = left ^ mP[17], r = right;
  for (int i = 16; i >= 2; i -= 2) {
    r ^= F(l) ^ mP[i];
    l ^= F(r) ^ mP[i - 1];
  }
  r ^= mP[0];
  left = r;
  right = l;
}

void TBlowfish::SetKey(const uint8_t* key, size_t length) {
  std::memcpy(mP, kInitP, sizeof mP);
  std::memcpy(mS, kInitS, sizeof mS);
  if (length > 0) {
    size_t k = 0;
    for (int i = 0; i < 18; ++i) {
      uint32_t word = 0;
      for (int b = 0; b < 4; ++b) {
        word = (word << 8) | key[k];
        if (++k >= length) k = 0;
      }
      mP[i] ^= word;
    }
  }
  uint32_t l = 0, r = 0;
  for (int i = 0; i < 18; i += 2) {
    EncryptBlock(l, r);
    mP[i] = l;
    mP[i + 1] = r;
  }
  for (int s = 0; s < 4; ++s) {
    for (int i = 0; i < 256; i += 2) {
      EncryptBlock(l, r);
      mS[s][i] = l;
      mS[s][i + 1] = r;
    }
  }
}

std::vector<uint8_t> TBlowfish::EncryptBuffer(const uint8_t* data, size_t n) const {
  size_t pad = 8 - n % 8;
  std::vector<uint8_t> out(n + pad, (uint8_t)pad);
  if (n) std::memcpy(out.data(), data, n);
  for (size_t i = 0; i < out.size(); i += 8) {
    uint32_t l = ReadBE(&out[i]), r = ReadBE(&out[i + 4]);
    EncryptBlock(l, r);
    WriteBE(&out[i], l);
    WriteBE(&out[i + 4], r);
  }
  return out;
}

std::vector<uint8_t> TBlowfish::DecryptBuffer(const uint8_t* data, size_t n) const {
  if (n == 0) return {};
  std::vector<uint8_t> out(data, data + n);
  out.resize((n + 7) / 8 * 8, 0);
  for (size_t i = 0; i < out.size(); i += 8) {
    uint32_t l = ReadBE(&out[i]), r = ReadBE(&out[i + 4]);
    DecryptBlock(l, r);
    WriteBE(&out[i], l);
    WriteBE(&out[i + 4], r);
  }
  int pad = (int8_t)out[n - 1];
  long long length = (long long)n - pad;
  if (length < 0 || length > (long long)n) length = 0;
  out.resize((size_t)length);
  return out;
}
