// vexpack: builds, lists and hashes ".VEX" packs; "raw" writes the malformed packs tests need.
//   vexpack pack OUT.VEX NAME=FILE...     members named by text (hashed) or "0x..." ids
//   vexpack list IN.VEX                   one entry a line: id, length, offset; refuses a
//                                         file that is not a whole pack
//   vexpack hash NAME...                  each name's identifier
//   vexpack raw OUT.VEX KIND              KIND: count-too-large, truncated-directory,
//                                         duplicate-ids, empty
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "audio_engine/name_id.h"
#include "tools/usage.h"

namespace {

void Put32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; i++) s.push_back((char)((v >> (8 * i)) & 0xFF));
}
uint32_t Get32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; i--) v = (v << 8) | (uint8_t)s[at + i];
  return v;
}

bool ReadFile(const std::string& path, std::string* out) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char buf[65536];
  size_t n;
  out->clear();
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out->append(buf, n);
  std::fclose(f);
  return true;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

struct Member {
  uint32_t id;
  std::string bytes;
};

std::string Build(const std::vector<Member>& members) {
  std::string out("VEXPACK\0\1\0\0\0", 12);
  Put32(out, (uint32_t)members.size());
  out.append(16, '\0');
  uint32_t offset = 32 + 16 * (uint32_t)members.size();
  for (auto& m : members) {
    Put32(out, m.id);
    Put32(out, 0);
    Put32(out, (uint32_t)m.bytes.size());
    Put32(out, offset);
    offset += (uint32_t)m.bytes.size();
  }
  for (auto& m : members) out += m.bytes;
  return out;
}

const char kUsage[] =
    "usage: vexpack pack OUT.VEX NAME=FILE...\n"
    "       vexpack list IN.VEX\n"
    "       vexpack hash NAME...\n"
    "       vexpack raw OUT.VEX count-too-large|truncated-directory|duplicate-ids|empty\n";

int Usage() { return ToolArgs::Usage(kUsage); }

// The directory as the engine reads it, checked the way the engine does not: the header is ours,
// and every member must lie inside the file.
int List(const char* path) {
  std::string pack;
  if (!ReadFile(path, &pack)) {
    std::fprintf(stderr, "vexpack: cannot read %s\n", path);
    return 1;
  }
  if (pack.size() < 32 || pack.compare(0, 8, std::string("VEXPACK\0", 8)) != 0) {
    std::fprintf(stderr, "vexpack: %s is not a pack\n", path);
    return 1;
  }
  uint32_t count = Get32(pack, 12);
  if ((uint64_t)count * 16 > pack.size() - 32) {
    std::fprintf(stderr, "vexpack: %s: directory of %u entries does not fit\n", path, count);
    return 1;
  }
  for (uint32_t i = 0; i < count; i++) {
    size_t e = 32 + (size_t)i * 16;
    if ((uint64_t)Get32(pack, e + 12) + Get32(pack, e + 8) > pack.size()) {
      std::fprintf(stderr, "vexpack: %s: member 0x%08X lies past the end of the file\n", path, Get32(pack, e));
      return 1;
    }
  }
  for (uint32_t i = 0; i < count; i++) {
    size_t e = 32 + (size_t)i * 16;
    std::printf("0x%08X %u %u\n", Get32(pack, e), Get32(pack, e + 8), Get32(pack, e + 12));
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (ToolArgs::WantsHelp(argc, argv)) return ToolArgs::Help(kUsage);
  if (argc < 2) return Usage();
  std::string cmd = argv[1];
  if (cmd == "hash" && argc >= 3) {
    for (int i = 2; i < argc; i++) std::printf("0x%08X\n", Tarn::NameId(argv[i]));
    return 0;
  }
  if (cmd == "pack" && argc >= 3) {
    std::vector<Member> members;
    for (int i = 3; i < argc; i++) {
      const char* eq = std::strchr(argv[i], '=');
      if (!eq) return Usage();
      std::string name(argv[i], eq - argv[i]);
      Member m{Tarn::NameId(name.c_str()), {}};
      if (!ReadFile(eq + 1, &m.bytes)) {
        std::fprintf(stderr, "vexpack: cannot read %s\n", eq + 1);
        return 1;
      }
      members.push_back(std::move(m));
    }
    if (!WriteFile(argv[2], Build(members))) {
      std::fprintf(stderr, "vexpack: cannot write %s\n", argv[2]);
      return 1;
    }
    return 0;
  }
  if (cmd == "list" && argc == 3) return List(argv[2]);
  if (cmd == "raw" && argc == 4) {
    std::string kind = argv[3], bytes;
    std::string good = Build({{1, "alpha"}, {2, "beta"}});
    if (kind == "count-too-large") {
      bytes = good;
      bytes[12] = bytes[13] = bytes[14] = (char)0xFF;
      bytes[15] = 0x0F;
    } else if (kind == "truncated-directory") {
      bytes = good.substr(0, 40);
    } else if (kind == "duplicate-ids") {
      bytes = Build({{7, "first"}, {7, "second"}});
    } else if (kind == "empty") {
      bytes.clear();
    } else {
      return Usage();
    }
    if (!WriteFile(argv[2], bytes)) return 1;
    return 0;
  }
  return Usage();
}
