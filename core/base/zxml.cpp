// The compressed XML container "ZXML".
#include "core/base/zxml.h"

#include <zlib.h>

#include <cstring>

namespace {
uint32_t Le32(const unsigned char* p) {
  return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}
void PutLe32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = (unsigned char)(v >> (8 * i));
}
}  // namespace

bool IsZxml(const void* data, size_t size) {
  return data && size >= 4 && memcmp(data, "ZXML", 4) == 0;
}

bool ZxmlDecode(const void* data, size_t size, std::vector<char>* out, const char** why) {
  static const char* unused;
  if (!why) why = &unused;
  out->clear();
  if (!IsZxml(data, size)) {
    *why = "not a ZXML container";
    return false;
  }
  if (size < kZxmlHeaderSize) {
    *why = "header cut short";
    return false;
  }
  const unsigned char* p = (const unsigned char*)data;
  uint32_t packed = Le32(p + 4);
  uint32_t textSize = Le32(p + 8);
  if (packed > size - kZxmlHeaderSize) {
    *why = "compressed size passes the end of the data";
    return false;
  }
  // zlib cannot expand by more than about 1032:1, so a larger claim is a lie.
  if (textSize > kMaxZxmlTextSize || (uint64_t)textSize > (uint64_t)packed * 1040 + 64) {
    *why = "text size out of bounds";
    return false;
  }
  out->resize(textSize);
  uLongf produced = textSize;
  uLong consumed = packed;
  int rc = uncompress2((Bytef*)out->data(), &produced, p + kZxmlHeaderSize, &consumed);
  if (rc != Z_OK) {
    out->clear();
    *why = rc == Z_BUF_ERROR ? "stream longer than its stated size or cut short" : "stream damaged";
    return false;
  }
  out->resize(produced);
  return true;
}

bool ZxmlEncode(const void* text, size_t size, std::vector<char>* out) {
  if (size > kMaxZxmlTextSize) return false;
  uLongf bound = compressBound((uLong)size);
  out->resize(kZxmlHeaderSize + bound);
  unsigned char* p = (unsigned char*)out->data();
  if (compress2(p + kZxmlHeaderSize, &bound, (const Bytef*)text, (uLong)size, Z_BEST_COMPRESSION) != Z_OK) {
    out->clear();
    return false;
  }
  memcpy(p, "ZXML", 4);
  PutLe32(p + 4, (uint32_t)bound);
  PutLe32(p + 8, (uint32_t)size);
  out->resize(kZxmlHeaderSize + bound);
  return true;
}
