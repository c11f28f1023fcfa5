// zxml: wraps a file in the compressed XML container ("pack") or unwraps one ("unpack").
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/base/zxml.h"
#include "tools/usage.h"

namespace {

const char kUsage[] =
    "usage: zxml pack IN OUT\n"
    "       zxml unpack IN OUT\n";

bool ReadFile(const char* path, std::string* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

// A full disk often shows only when the buffered bytes are flushed at close.
bool WriteFile(const char* path, const std::vector<char>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), (std::streamsize)bytes.size());
  out.close();
  return !out.fail();
}

}  // namespace

int main(int argc, char** argv) {
  if (ToolArgs::WantsHelp(argc, argv)) return ToolArgs::Help(kUsage);
  if (argc != 4 || (std::string(argv[1]) != "pack" && std::string(argv[1]) != "unpack"))
    return ToolArgs::Usage(kUsage);
  std::string in;
  if (!ReadFile(argv[2], &in)) {
    fprintf(stderr, "zxml: cannot read %s\n", argv[2]);
    return 1;
  }
  std::vector<char> out;
  if (std::string(argv[1]) == "pack") {
    if (!ZxmlEncode(in.data(), in.size(), &out)) {
      fprintf(stderr, "zxml: %s is too large to wrap\n", argv[2]);
      return 1;
    }
  } else {
    const char* why = "";
    if (!ZxmlDecode(in.data(), in.size(), &out, &why)) {
      fprintf(stderr, "zxml: %s: damaged container: %s\n", argv[2], why);
      return 1;
    }
  }
  if (!WriteFile(argv[3], out)) {
    fprintf(stderr, "zxml: cannot write %s\n", argv[3]);
    return 1;
  }
  return 0;
}
