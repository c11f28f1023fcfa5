// TarnVst::cVstPluginLoader: a plug-in library loaded by path, and its entry point.
#pragma once

#include "audio_engine/tarn_string.h"
#include "audio_engine/vst/vst2.h"

namespace TarnVst {

class cVstPluginLoader {
 public:
  cVstPluginLoader() = default;
  ~cVstPluginLoader();
  cVstPluginLoader(const cVstPluginLoader&) = delete;
  cVstPluginLoader& operator=(const cVstPluginLoader&) = delete;

  // True when the library loaded.
  bool Load(const Tarn::cString& path);
  // "VSTPluginMain", else "main"; null when the library has neither.
  tVstEntry Entry() const;

 private:
  void* mModule = nullptr;  // HMODULE
};

}  // namespace TarnVst
