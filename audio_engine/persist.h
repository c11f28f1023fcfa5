// Tarn::cPersist: the data folder, the mounted packs and opening named resources.
#pragma once

#include "audio_engine/reader.h"
#include "audio_engine/tarn_string.h"
#include "audio_engine/variant.h"

namespace Tarn {

class cVexFile;

class cPersist {
 public:
  static int Init(const char* dataFolder);
  // Unmounts everything, stores the folder (with a "/" appended unless it ends in one) and
  // mounts every "*.VEX" in it in sorted order.
  static int SetDataFolder(const char* dataFolder);
  // 0, or -1 when the pack is corrupt (shown and discarded).
  static int Mount(const cString& path);
  // From the packs in mount order, else a not yet opened loose-file reader ("rb").
  // The caller owns the reader.
  static int Open(const tVariant& name, cIReader** reader);
  static void Shutdown();

  static const cString& DataFolder();
  static bool IsInitialised();
  static size_t PackCount();
  static cVexFile* Pack(size_t i);
};

}  // namespace Tarn
