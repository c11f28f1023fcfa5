// Plug-in libraries through the platform's module loading.
#include "audio_engine/vst/vst_plugin_loader.h"

#include "platform/win32/win32.h"

namespace TarnVst {

cVstPluginLoader::~cVstPluginLoader() {
  if (mModule) FreeLibrary((HMODULE)mModule);
}

bool cVstPluginLoader::Load(const Tarn::cString& path) {
  if (mModule) FreeLibrary((HMODULE)mModule);
  mModule = LoadLibraryA(path.c_str());
  return mModule != nullptr;
}

tVstEntry cVstPluginLoader::Entry() const {
  if (!mModule) return nullptr;
  FARPROC entry = GetProcAddress((HMODULE)mModule, "VSTPluginMain");
  if (!entry) entry = GetProcAddress((HMODULE)mModule, "main");
  return reinterpret_cast<tVstEntry>(entry);
}

}  // namespace TarnVst
