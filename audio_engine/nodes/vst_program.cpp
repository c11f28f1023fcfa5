// Plug-in programs: loading on first "Url", programs, named parameters.
#include "audio_engine/nodes/vst_program.h"

#include "audio_engine/debug.h"
#include "audio_engine/property_ids.h"

namespace Tarn {

cVstProgram::~cVstProgram() = default;

int cVstProgram::HandleParameterChange(uint32_t id, const tVariant& value, uint32_t) {
  switch (id) {
    case Ids::kUrl:
      if (!mPlugin && !value.IsEmpty()) {
        auto* plugin = new TarnVst::cVstPlugin();
        if (plugin->Load(value.Text()) != kOk) {
          delete plugin;
          return kNotFound;
        }
        mPlugin.Reset(plugin);
        if (mProgram != -1) mPlugin->SetProgram(mProgram);
      }
      return 0;
    case Ids::kProgramNumber:
      mProgram = value.IsEmpty() ? -1 : value.AsInt();
      if (mPlugin && mProgram != -1) mPlugin->SetProgram(mProgram);
      return 0;
    case Ids::kVstParameterList:
      mParameters.clear();
      if (const cFloatMap* list = value.IsEmpty() ? nullptr : GetFloatMap(value))
        for (const auto& [index, v] : *list) mParameters[index] = v;
      return 0;
    default:
      if (!mInSetPatch && mPlugin) {
        int32_t index = 0;
        if (mPlugin->FindParameter(id, &index) == kOk) mPlugin->SetParameter(index, VariantFloat(value));
      }
      return 0;
  }
}

void cVstProgram::OnEndSetPatch() {
  mInSetPatch = false;
  if (!mPlugin) return;
  for (const auto& [index, value] : mParameters) mPlugin->SetParameter(index, value);
}

}  // namespace Tarn
