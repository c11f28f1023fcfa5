// Writes packed asset files ("KSPK"): magic, member count, directory, then the members'
// bytes back to back. Header-only so that tests can build packs without the tool.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct TPackMember {
  std::string name;  // path relative to the assets folder, "/" between folders
  std::string data;
};

inline void PackPut32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += (char)(v >> (8 * i));
}

// The whole pack as bytes; names longer than 255 bytes are refused (empty result).
inline std::string BuildPack(const std::vector<TPackMember>& members) {
  std::string directory;
  size_t directorySize = 8;
  for (const TPackMember& m : members) {
    if (m.name.size() > 255) return std::string();
    directorySize += 1 + m.name.size() + 8;
  }
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
  if (members.size() > 0 && BuildPack(members).empty()) return false;
  return WriteBytes(path, BuildPack(members));
}
