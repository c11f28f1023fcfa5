// cVstProgram: a hosted plug-in configured by its patch: the library ("Url"), the program
// and parameter values by name; buses run it as an insert effect.
#pragma once

#include <map>

#include "audio_engine/auto_ptr.h"
#include "audio_engine/patch_holder.h"
#include "audio_engine/reader.h"
#include "audio_engine/vst/vst_plugin.h"

namespace Tarn {

class cVstProgram : public cPatchHolder {
 public:
  ~cVstProgram() override;
  int HandleParameterChange(uint32_t id, const tVariant& value, uint32_t propagate) override;
  void OnEndSetPatch() override;
  // The plug-in, or null when none loaded.
  TarnVst::cVstPlugin* Plugin() const { return mPlugin.Get(); }

 private:
  cAutoPtr<TarnVst::cVstPlugin> mPlugin;
  int32_t mProgram = -1;
  std::map<int32_t, float> mParameters;  // index -> value
};

}  // namespace Tarn
