// Feeds arbitrary bytes to the preferences loader as the contents of "prefs.dat" (chunked or
// the older XML layout), then reads back what was loaded. Nothing may crash or read past the
// input, whatever the chunk lengths, tags and deciphered records say.
#include <cstddef>
#include <cstdint>

#include "core/base/prefs.h"
#include "core/base/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = [] {
    SetSetting("encryptionkey", "Rk47vbnwJAAA");
    return true;
  }();
  (void)ready;
  TPrefs prefs(false);  // no data folders: starts empty, never writes
  prefs.LoadImage(data, size, size > 0 && (data[0] & 1));
  for (const TStr& key : prefs.GetInstallKeys())
    for (int i = 0; i < prefs.GetSectionCount(key); ++i) prefs.GetSectionEntries(key, i);
  prefs.GetString("name", "", 0);
  prefs.GetUserCount();
  return 0;
}
