// The compressed XML container "ZXML": magic, compressed size, text size (32-bit
// little-endian) and a zlib stream of the text. Used by the XML reader, the string table and
// the zxml tool.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr size_t kZxmlHeaderSize = 12;
// Texts above this size are refused: no file of the program comes near it.
constexpr uint32_t kMaxZxmlTextSize = 256u << 20;

bool IsZxml(const void* data, size_t size);
// Decompresses a container of size bytes into out, which then holds exactly the bytes the
// stream produced. On a damaged container returns false and sets why to a short reason.
bool ZxmlDecode(const void* data, size_t size, std::vector<char>* out, const char** why);
// Wraps text in a container.
bool ZxmlEncode(const void* text, size_t size, std::vector<char>* out);
