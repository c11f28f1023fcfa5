// prefsdump KEY FILE: prints every install key, section and entry of a "prefs.dat", for people
// who must look inside one. Reads the chunks exactly as the game does, stopping where it stops,
// and says where and why it stopped: what the game ignores there is lost to the player.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "core/base/prefs.h"
#include "core/base/settings.h"
#include "tools/usage.h"

namespace {

const char kUsage[] =
    "usage: prefsdump KEY FILE\n"
    "  KEY: the game's encryption key text\n";

void PrintStore(const TPrefs& prefs) {
  printf("current install key: %s\n", prefs.GetInstallKey().c_str());
  for (const TStr& key : prefs.GetInstallKeys()) {
    int sections = prefs.GetSectionCount(key);
    if (sections == 0) continue;  // no data under it
    printf("install key \"%s\": %d section%s\n", key.c_str(), sections, sections == 1 ? "" : "s");
    for (int i = 0; i < sections; ++i) {
      if (i == 0)
        printf("  [global]\n");
      else
        printf("  [user %d]\n", i - 1);
      for (const auto& [name, value] : prefs.GetSectionEntries(key, i))
        printf("    %s = %s\n", name.c_str(), value.c_str());
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (ToolArgs::WantsHelp(argc, argv)) return ToolArgs::Help(kUsage);
  if (argc != 3) return ToolArgs::Usage(kUsage);
  std::ifstream in(argv[2], std::ios::binary);
  if (!in) {
    fprintf(stderr, "prefsdump: cannot open %s\n", argv[2]);
    return 1;
  }
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() >= 2 && bytes[0] == '<' && bytes[1] == '>') {
    fprintf(stderr, "prefsdump: %s is in the older XML layout; the game converts it on load\n", argv[2]);
    return 1;
  }
  SetSetting("encryptionkey", argv[1]);
  TPrefs prefs(false);  // no data folders here: starts empty and never saves
  TPrefsReadEnd end = prefs.LoadChunks((const uint8_t*)bytes.data(), bytes.size(), true);
  // Every file the game writes starts with its install key.
  if (bytes.size() < 8 || memcmp(bytes.data(), "IKEY", 4) != 0) {
    fprintf(stderr, "prefsdump: %s is not a preferences file\n", argv[2]);
    return 1;
  }
  if (end.chunks > 0) PrintStore(prefs);
  if (!end.complete) {
    fflush(stdout);
    fprintf(stderr, "prefsdump: %s: chunk %d at byte %zu: %s%s; the game ignores it and everything after it\n",
            argv[2], end.chunks + 1, end.offset, end.why, end.chunks == 0 ? " (a wrong key?)" : "");
    return 1;
  }
  return 0;
}
