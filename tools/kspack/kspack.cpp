// kspack: builds a ".ksp" pack from a folder, lists and extracts packs, and writes malformed
// packs for tests ("raw").
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/kspack/pack_writer.h"
#include "tools/usage.h"

namespace fs = std::filesystem;

namespace {

const char kUsage[] =
    "usage: kspack pack OUT.ksp DIR\n"
    "       kspack list IN.ksp\n"
    "       kspack extract IN.ksp DIR\n"
    "       kspack raw OUT.ksp COUNT [NAME:OFFSET:SIZE ...] [--data TEXT] [--cut BYTES]\n";

int Usage() { return ToolArgs::Usage(kUsage); }

bool ReadFile(const std::string& path, std::string* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

uint32_t Le32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= (uint32_t)(unsigned char)s[at + i] << (8 * i);
  return v;
}

struct Entry {
  std::string name;
  uint32_t offset, size;
};

// The directory, checked against the file: false with a reason for a damaged pack.
bool ReadDirectory(const std::string& pack, std::vector<Entry>* entries, std::string* why) {
  if (pack.size() < 8 || pack.compare(0, 4, "KSPK") != 0) {
    *why = "not a KSPK pack";
    return false;
  }
  int32_t count = (int32_t)Le32(pack, 4);
  if (count < 0 || (uint64_t)count * 9 > pack.size() - 8) {
    *why = "entry count does not fit the file";
    return false;
  }
  size_t at = 8;
  for (int32_t i = 0; i < count; ++i) {
    if (at + 1 > pack.size()) return *why = "directory cut short", false;
    size_t length = (unsigned char)pack[at++];
    if (at + length + 8 > pack.size()) return *why = "directory cut short", false;
    Entry e{pack.substr(at, length), Le32(pack, at + length), Le32(pack, at + length + 4)};
    at += length + 8;
    if ((uint64_t)e.offset + e.size > pack.size()) return *why = "member " + e.name + " lies past the end", false;
    entries->push_back(e);
  }
  return true;
}

int Pack(const std::string& out, const std::string& dir) {
  std::vector<TPackMember> members;
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) {
    fprintf(stderr, "kspack: %s is not a folder\n", dir.c_str());
    return 1;
  }
  std::vector<fs::path> files;
  for (auto it = fs::recursive_directory_iterator(dir, ec); it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (ec) break;
    if (it->is_directory() && it->path().filename() == ".svn") {
      it.disable_recursion_pending();
      continue;
    }
    if (it->is_regular_file()) files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  // Checked before anything is read: the directory's offsets are 32-bit.
  std::vector<std::pair<size_t, uint64_t>> sizes;
  for (const fs::path& f : files) {
    uint64_t size = fs::file_size(f, ec);
    sizes.emplace_back(fs::relative(f, dir).generic_string().size(), ec ? 0 : size);
  }
  if (PackSize(sizes) > kPackMaxSize) {
    fprintf(stderr, "kspack: %s would be larger than 4 GiB; its offsets would not fit in 32 bits\n", out.c_str());
    return 1;
  }
  for (const fs::path& f : files) {
    TPackMember m;
    m.name = fs::relative(f, dir).generic_string();
    if (m.name.size() > 255) {
      fprintf(stderr, "kspack: member name longer than 255 bytes: %s\n", m.name.c_str());
      return 1;
    }
    if (!ReadFile(f.string(), &m.data)) {
      fprintf(stderr, "kspack: cannot read %s\n", f.string().c_str());
      return 1;
    }
    members.push_back(std::move(m));
  }
  if (!WritePack(out, members)) {
    fprintf(stderr, "kspack: cannot write %s\n", out.c_str());
    return 1;
  }
  return 0;
}

int ListOrExtract(const std::string& in, const char* dir) {
  std::string pack, why;
  std::vector<Entry> entries;
  if (!ReadFile(in, &pack)) {
    fprintf(stderr, "kspack: cannot read %s\n", in.c_str());
    return 1;
  }
  if (!ReadDirectory(pack, &entries, &why)) {
    fprintf(stderr, "kspack: %s: %s\n", in.c_str(), why.c_str());
    return 1;
  }
  for (const Entry& e : entries) {
    if (!dir) {
      printf("%s %u\n", e.name.c_str(), e.size);
      continue;
    }
    fs::path rel = fs::path(e.name).lexically_normal();
    if (e.name.empty() || rel.is_absolute() || *rel.begin() == "..") {
      fprintf(stderr, "kspack: refusing member name %s\n", e.name.c_str());
      return 1;
    }
    fs::path target = fs::path(dir) / rel;
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec);
    if (!WriteBytes(target.string(), pack.substr(e.offset, e.size))) {
      fprintf(stderr, "kspack: cannot write %s\n", target.string().c_str());
      return 1;
    }
  }
  return 0;
}

// Writes exactly what it is told: magic, the count, the entries and the data, cut to a length.
int Raw(int argc, char** argv) {
  if (argc < 4) return Usage();
  std::string out = argv[2];
  std::string bytes = "KSPK";
  PackPut32(bytes, (uint32_t)strtoll(argv[3], nullptr, 0));
  long long cut = -1;
  for (int i = 4; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--data" && i + 1 < argc) {
      bytes += argv[++i];
    } else if (arg == "--cut" && i + 1 < argc) {
      cut = strtoll(argv[++i], nullptr, 0);
    } else {
      size_t a = arg.rfind(':');
      size_t b = a == std::string::npos ? a : arg.rfind(':', a - 1);
      if (b == std::string::npos) return Usage();
      std::string name = arg.substr(0, b);
      bytes += (char)name.size();
      bytes += name;
      PackPut32(bytes, (uint32_t)strtoull(arg.substr(b + 1, a - b - 1).c_str(), nullptr, 0));
      PackPut32(bytes, (uint32_t)strtoull(arg.substr(a + 1).c_str(), nullptr, 0));
    }
  }
  if (cut >= 0 && (size_t)cut < bytes.size()) bytes.resize((size_t)cut);
  if (!WriteBytes(out, bytes)) {
    fprintf(stderr, "kspack: cannot write %s\n", out.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (ToolArgs::WantsHelp(argc, argv)) return ToolArgs::Help(kUsage);
  if (argc < 3) return Usage();
  std::string command = argv[1];
  if (command == "pack" && argc == 4) return Pack(argv[2], argv[3]);
  if (command == "list" && argc == 3) return ListOrExtract(argv[2], nullptr);
  if (command == "extract" && argc == 4) return ListOrExtract(argv[2], argv[3]);
  if (command == "raw") return Raw(argc, argv);
  return Usage();
}
