// Applying patches, and reading patch values with the engine defaults behind them.
#include "audio_engine/patch_holder.h"

#include "audio_engine/property_ids.h"
#include "audio_engine/tarn_sound_system.h"

namespace Tarn {

float VariantFloat(const tVariant& v) {
  switch (v.GetType()) {
    case tVariant::kFloat: return v.AsFloat();
    case tVariant::kInt: return (float)v.AsInt();
    case tVariant::kIntLike: return (float)v.Word();
    case tVariant::kBool: return v.AsBool() ? 1.0f : 0.0f;
    default: return 0.0f;
  }
}

int cPatchHolder::SetPatch(cPropertySet* patch) {
  OnBeginSetPatch();
  mPatch = patch;
  if (patch) {
    for (const auto& [id, value] : *patch) {
      if (id == Ids::kTagList || id == Ids::kName || id == Ids::kPlayerType) continue;
      if (IsPatchLocked(id)) continue;
      HandleParameterChange(id, value, 0);
    }
  }
  OnEndSetPatch();
  return 0;
}

int cPatchHolder::SetParameter(uint32_t id, uint32_t propagate) {
  const tVariant* v = PatchValue(id);
  return HandleParameterChange(id, v ? *v : tVariant(), propagate);
}

const tVariant& cPatchHolder::PatchOrDefault(uint32_t id) const {
  if (const tVariant* v = PatchValue(id)) return *v;
  if (cTarnSoundSystem* system = cTarnSoundSystem::Get())
    if (const tVariant* d = system->Defaults().Find(id)) return *d;
  static const tVariant empty{};
  return empty;
}

float cPatchHolder::PatchFloat(uint32_t id) const { return VariantFloat(PatchOrDefault(id)); }
int32_t cPatchHolder::PatchInt(uint32_t id) const { return PatchOrDefault(id).AsInt(); }
bool cPatchHolder::PatchBool(uint32_t id) const { return PatchOrDefault(id).AsBool(); }

const char* cPatchHolder::PatchName() const {
  const tVariant* v = PatchValue(Ids::kName);
  return v ? v->Text().c_str() : "(unnamed)";
}

}  // namespace Tarn
