// prefsdump KEY FILE: prints every install key, section and entry of a "prefs.dat", for people
// who must look inside one. Reads the chunks exactly as the game does, stopping where it stops.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "core/base/prefs.h"
#include "core/base/settings.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: prefsdump KEY FILE\n  KEY: the game's encryption key text\n");
    return 2;
  }
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
  prefs.LoadChunks((const uint8_t*)bytes.data(), bytes.size(), true);
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
  return 0;
}
