// Tests of Base64 (RFC 4648 vectors, lenient decoding), Blowfish (published vectors) and TCipher.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/base/base64.h"
#include "core/base/blowfish.h"
#include "core/base/cipher.h"

namespace {
std::string Encode(const std::string& in) {
  std::string out(Base64EncodedSize(in.size()), '?');
  size_t n = Base64Encode(out.data(), (const uint8_t*)in.data(), in.size());
  EXPECT_EQ(n, out.size());
  return out;
}

std::string Decode(const std::string& text, size_t* written = nullptr) {
  std::vector<uint8_t> out(Base64DecodedSize(text.size()) + 1, 0xEE);
  size_t n = Base64Decode(out.data(), text.data(), text.size());
  // Every group writes three bytes; the guard byte after them stays.
  EXPECT_EQ(out.back(), 0xEE);
  if (written) *written = Base64DecodedSize(text.size());
  return std::string((const char*)out.data(), n);
}

uint64_t Hex64(const char* hex) { return std::stoull(hex, nullptr, 16); }
}  // namespace

TEST(Base64Test, Rfc4648Vectors) {
  const char* vectors[][2] = {{"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},
                              {"foo", "Zm9v"},  {"foob", "Zm9vYg=="},  {"fooba", "Zm9vYmE="},
                              {"foobar", "Zm9vYmFy"}};
  for (auto& v : vectors) {
    EXPECT_EQ(Encode(v[0]), v[1]);
    EXPECT_EQ(Decode(v[1]), v[0]);
  }
  std::string all;
  for (int i = 0; i < 256; ++i) all += (char)i;
  EXPECT_EQ(Decode(Encode(all)), all);
  EXPECT_EQ(Encode("\xfb\xff"), "+/8=");
}

TEST(Base64Test, SizesAndLenientDecoding) {
  EXPECT_EQ(Base64EncodedSize(0), 0u);
  EXPECT_EQ(Base64EncodedSize(1), 4u);
  EXPECT_EQ(Base64EncodedSize(3), 4u);
  EXPECT_EQ(Base64EncodedSize(4), 8u);
  EXPECT_EQ(Base64DecodedSize(0), 0u);
  EXPECT_EQ(Base64DecodedSize(2), 3u);
  EXPECT_EQ(Base64DecodedSize(8), 6u);

  // 1, 2 and 3 bytes: each writes 3, counts 1, 2, 3.
  size_t written = 0;
  EXPECT_EQ(Decode("Zg==", &written).size(), 1u);
  EXPECT_EQ(written, 3u);
  EXPECT_EQ(Decode("Zm8=").size(), 2u);
  EXPECT_EQ(Decode("Zm9v").size(), 3u);
  // Missing padding behaves as if "=" had been appended.
  EXPECT_EQ(Decode("Zg"), "f");
  EXPECT_EQ(Decode("Zm8"), "fo");
  EXPECT_EQ(Decode("Zm9vYg"), "foob");
  // Characters outside the alphabet are not rejected and never crash.
  EXPECT_EQ(Decode("Z\x80!~").size(), 3u);
}

TEST(BlowfishTest, PublishedVectors) {
  struct Case {
    const char* key;
    const char* plain;
    const char* cipher;
  } cases[] = {
      {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
      {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
      {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
      {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
      {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
      {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
  };
  for (const Case& c : cases) {
    uint64_t k = Hex64(c.key);
    uint8_t key[8];
    for (int i = 0; i < 8; ++i) key[i] = (uint8_t)(k >> (56 - 8 * i));
    TBlowfish bf;
    bf.SetKey(key, 8);
    uint64_t p = Hex64(c.plain);
    uint32_t l = (uint32_t)(p >> 32), r = (uint32_t)p;
    bf.EncryptBlock(l, r);
    EXPECT_EQ(((uint64_t)l << 32) | r, Hex64(c.cipher)) << c.key;
    bf.DecryptBlock(l, r);
    EXPECT_EQ(((uint64_t)l << 32) | r, p) << c.key;
  }
}

TEST(BlowfishTest, KeyBytesAreTakenCyclically) {
  // Published variable-length key vectors: prefixes of one long key, plaintext FEDCBA9876543210.
  const uint8_t longKey[] = {0xF0, 0xE1, 0xD2, 0xC3, 0xB4, 0xA5, 0x96, 0x87, 0x78};
  const char* expect[] = {"F9AD597C49DB005E", "E91D21C1D961A6D6", "E9C2B70A1BC65CF3",
                          "BE1E639408640F05", "B39E44481BDB1E6E", "9457AA83B1928C0D",
                          "8BB77032F960629D", "E87A244E2CC85E82", "15750E7A4F4EC577"};
  for (size_t len = 1; len <= 9; ++len) {
    TBlowfish bf;
    bf.SetKey(longKey, len);
    uint32_t l = 0xFEDCBA98u, r = 0x76543210u;
    bf.EncryptBlock(l, r);
    EXPECT_EQ(((uint64_t)l << 32) | r, Hex64(expect[len - 1])) << len;
  }
}

TEST(BlowfishTest, BufferPadding) {
  TBlowfish bf;
  const uint8_t key[] = {1, 2, 3};
  bf.SetKey(key, 3);
  const uint8_t eight[8] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};
  std::vector<uint8_t> sealed = bf.EncryptBuffer(eight, 8);
  ASSERT_EQ(sealed.size(), 16u);
  // The second block is the encipherment of eight bytes 0x08.
  uint32_t l = 0x08080808u, r = 0x08080808u;
  bf.EncryptBlock(l, r);
  EXPECT_EQ(sealed[8], (uint8_t)(l >> 24));
  EXPECT_EQ(sealed[15], (uint8_t)r);
  EXPECT_EQ(bf.DecryptBuffer(sealed.data(), sealed.size()), std::vector<uint8_t>(eight, eight + 8));

  EXPECT_EQ(bf.EncryptBuffer(eight, 7).size(), 8u);
  EXPECT_EQ(bf.EncryptBuffer(nullptr, 0).size(), 8u);
  EXPECT_TRUE(bf.DecryptBuffer(nullptr, 0).empty());

  // Pad values read from the last deciphered byte: 0 keeps all, 0x80+ or > n gives nothing.
  auto sealBlock = [&](uint8_t last) {
    uint8_t block[8] = {'x', 'y', 'z', 'w', 1, 2, 3, last};
    uint32_t bl = (uint32_t)block[0] << 24 | block[1] << 16 | block[2] << 8 | block[3];
    uint32_t br = (uint32_t)block[4] << 24 | block[5] << 16 | block[6] << 8 | block[7];
    bf.EncryptBlock(bl, br);
    std::vector<uint8_t> out(8);
    for (int i = 0; i < 4; ++i) {
      out[i] = (uint8_t)(bl >> (24 - 8 * i));
      out[4 + i] = (uint8_t)(br >> (24 - 8 * i));
    }
    return out;
  };
  struct Case {
    uint8_t last;
    size_t length;
  } cases[] = {{0, 8}, {3, 5}, {8, 0}, {9, 0}, {0x80, 0}, {0xFF, 0}};
  for (const Case& c : cases) {
    std::vector<uint8_t> s = sealBlock(c.last);
    EXPECT_EQ(bf.DecryptBuffer(s.data(), 8).size(), c.length) << (int)c.last;
  }
}

TEST(CipherTest, KeyPreparation) {
  struct Case {
    const char* in;
    const char* prepared;
  } cases[] = {
      {"Rk47vbnwJAAA", "Rk47vbnwJAAA"},
      {"Rk47vbnwJXYZ", "Rk47vbnwJAAA"},
      {"Rk47", "Rk47AAAAAAAA"},
      {"", "AAAAAAAAAAAA"},
      {"Rk47vbnwJAAAextra", "Rk47vbnwJAAA"},
  };
  for (const Case& c : cases) EXPECT_STREQ(TCipher::PrepareKeyText(c.in).c_str(), c.prepared) << c.in;

  // Keys that agree in the first nine characters give the same cipher; short keys pad with "A".
  auto sealed = [](const char* key) {
    TCipher cipher(key);
    char out[64] = {0};
    EXPECT_EQ(cipher.Encrypt("secret", 7, out, sizeof out, true), 0u);
    return std::string(out);
  };
  EXPECT_EQ(sealed("Rk47vbnwJAAA"), sealed("Rk47vbnwJ123"));
  EXPECT_EQ(sealed("Rk47"), sealed("Rk47AAAAAAAA"));
  EXPECT_NE(sealed("Rk47vbnwJAAA"), sealed("Rk47vbnwKAAA"));
}

TEST(CipherTest, TwoCallPatternAndRoundTrips) {
  TCipher cipher("Rk47vbnwJAAA");
  const char text[] = "computer id text";  // 17 bytes with the NUL
  uint32_t need = cipher.Encrypt(text, sizeof text, nullptr, 0, true);
  EXPECT_EQ(need, Base64EncodedSize(24) + 1);
  std::vector<char> out(need);
  // One short of the NUL: nothing written, same answer.
  EXPECT_EQ(cipher.Encrypt(text, sizeof text, out.data(), need - 1, true), need);
  EXPECT_EQ(cipher.GetLastSize(), 0u);
  EXPECT_EQ(cipher.Encrypt(text, sizeof text, out.data(), need, true), 0u);
  EXPECT_EQ(cipher.GetLastSize(), need);
  EXPECT_EQ(out[need - 1], 0);
  EXPECT_EQ(std::strlen(out.data()), need - 1);

  EXPECT_STREQ(cipher.DecryptText(out.data()).c_str(), text);

  uint32_t plainNeed = cipher.Decrypt(out.data(), need - 1, nullptr, 0, true);
  EXPECT_EQ(plainNeed, sizeof text);
  std::vector<char> plain(plainNeed);
  EXPECT_EQ(cipher.Decrypt(out.data(), need - 1, plain.data(), plainNeed, true), 0u);
  EXPECT_EQ(cipher.GetLastSize(), sizeof text);
  EXPECT_STREQ(plain.data(), text);

  // Binary form.
  uint32_t binNeed = cipher.Encrypt(text, 5, nullptr, 0, false);
  EXPECT_EQ(binNeed, 8u);
  std::vector<uint8_t> bin(binNeed);
  EXPECT_EQ(cipher.Encrypt(text, 5, bin.data(), binNeed, false), 0u);
  char back[8] = {0};
  EXPECT_EQ(cipher.Decrypt(bin.data(), 8, back, sizeof back, false), 0u);
  EXPECT_EQ(cipher.GetLastSize(), 5u);
  EXPECT_EQ(std::string(back, 5), std::string(text, 5));

  // Damaged or foreign input never crashes and yields garbage or nothing.
  EXPECT_STREQ(cipher.DecryptText("").c_str(), "");
  TCipher other("ZZZZZZZZZAAA");
  EXPECT_STRNE(other.DecryptText(out.data()).c_str(), text);
  cipher.DecryptText("!!!not base64 at all\x80\xff");
}

TEST(CipherTest, DamagedInputNeverOverruns) {
  // Deterministic garbage of every small length, as text and as binary.
  TCipher cipher("Rk47vbnwJAAA");
  uint32_t state = 12345;
  auto next = [&] {
    state = state * 214013u + 2531011u;
    return (uint8_t)(state >> 16);
  };
  for (int len = 0; len < 80; ++len) {
    std::string junk;
    for (int i = 0; i < len; ++i) junk += (char)(next() | 1);  // no NUL inside the text
    TStr text = cipher.DecryptText(junk.c_str());
    EXPECT_LE(text.Length(), len);
    uint32_t need = cipher.Decrypt(junk.data(), (uint32_t)len, nullptr, 0, false);
    EXPECT_LE(need, (uint32_t)(len + 7));
    std::vector<uint8_t> out(need + 1);
    cipher.Decrypt(junk.data(), (uint32_t)len, out.data(), need, false);
  }
}
