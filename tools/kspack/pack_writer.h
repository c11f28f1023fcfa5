// Writes packed asset files ("KSPK"): magic, member count, directory, then the members'
// bytes back to back. Header-only so that tests can build packs without the tool.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

struct TPackMember {
  std::string name;  // path relative to the assets folder, "/" between folders
  std::string data;
};

inline void PackPut32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += (char)(v >> (8 * i));
}

// Offsets and sizes are 32-bit: a pack reaching past 4 GiB cannot be described.
constexpr uint64_t kPackMaxSize = 0xFFFFFFFFull;

// Size of the pack for members of these name lengths and data sizes; more than kPackMaxSize
// when it does not fit.
inline uint64_t PackSize(const std::vector<std::pair<size_t, uint64_t>>& nameAndDataSizes) {
  uint64_t size = 8;
  for (const auto& [name, data] : nameAndDataSizes) size += 1 + name + 8 + data;
  return size;
}

// The whole pack as bytes; names longer than 255 bytes and packs past 4 GiB are refused
// (empty result).
inline std::string BuildPack(const std::vector<TPackMember>& members) {
  std::vector<std::pair<size_t, uint64_t>> sizes;
  size_t directorySize = 8;
  for (const TPackMember& m : members) {
    if (m.name.size() > 255) return std::string();
    directorySize += 1 + m.name.size() + 8;
    sizes.emplace_back(m.name.size(), m.data.size());
  }
  if (PackSize(sizes) > kPackMaxSize) return std::string();
  std::string out = "KSPK";
  PackPut32(out, (uint32_t)members.size());
  uint64_t offset = directorySize;
  for (const TPackMember& m : members) {
    out += (char)m.name.size();
    out += m.name;
    PackPut32(out, (uint32_t)offset);
    PackPut32(out, (uint32_t)m.data.size());
    offset += m.data.size();
  }
  for (const TPackMember& m : members) out += m.data;
  return out;
}

inline bool WriteBytes(const std::string& path, const std::string& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return fclose(f) == 0 && ok;
}

inline bool WritePack(const std::string& path, const std::vector<TPackMember>& members) {
  std::string bytes = BuildPack(members);  // never empty when it succeeds: the magic at least
  return !bytes.empty() && WriteBytes(path, bytes);
}
