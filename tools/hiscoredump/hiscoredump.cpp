// hiscoredump KEY FILE: deciphers a "hiscore.dat", checks its checksum and prints its XML text
// (local score lists, logins, medals), for people who must look inside one.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "core/base/cipher.h"
#include "core/base/hiscore.h"
#include "tools/usage.h"

namespace {

const char kUsage[] =
    "usage: hiscoredump KEY FILE\n"
    "  KEY: the game's encryption key text\n";

}  // namespace

int main(int argc, char** argv) {
  if (ToolArgs::WantsHelp(argc, argv)) return ToolArgs::Help(kUsage);
  if (argc != 3) return ToolArgs::Usage(kUsage);
  std::ifstream in(argv[2], std::ios::binary);
  if (!in) {
    fprintf(stderr, "hiscoredump: cannot open %s\n", argv[2]);
    return 1;
  }
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  TCipher cipher(argv[1]);
  TStr text;
  switch (DecodeHiscoreFile(cipher, bytes.data(), bytes.size(), &text)) {
    case kHiscoreFileEmpty:
      fprintf(stderr, "hiscoredump: %s holds no data (8 bytes or fewer)\n", argv[2]);
      return 1;
    case kHiscoreFileBadChecksum:
      fprintf(stderr, "hiscoredump: checksum does not match (damaged file or wrong key); the game ignores it\n");
      return 1;
  }
  fwrite(text.c_str(), 1, (size_t)text.Length(), stdout);
  return 0;
}
