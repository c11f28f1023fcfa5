// Adding patches to a project.
#include "audio_engine/tarn_project.h"

#include "audio_engine/debug.h"
#include "audio_engine/property_ids.h"
#include "audio_engine/unhasher.h"

namespace Tarn {

int cTarnProject::AddPatch(std::unique_ptr<cPropertySet> patch) {
  const tVariant& name = patch->GetVariant(Ids::kName);
  uint32_t key = name.Id();
  if (mPatches.count(key) || mQueryDefs.count(key)) {
    MessageBox("Duplicate Patch:\nA Patch with the name '%s' already exists", name.Text().c_str());
    return 9;
  }
  if (name.GetType() == tVariant::kString && !cUnhasher::Contains(key)) cUnhasher::Register(name.Text(), key);
  if (patch->GetVariant(Ids::kPlayerType).Id() == Ids::kTypeQueryDef)
    mQueryDefs[key] = std::move(patch);
  else
    mPatches[key] = std::move(patch);
  return 0;
}

cPropertySet* cTarnProject::FindPatch(uint32_t id) const {
  auto it = mPatches.find(id);
  return it == mPatches.end() ? nullptr : it->second.get();
}
cPropertySet* cTarnProject::FindQueryDef(uint32_t id) const {
  auto it = mQueryDefs.find(id);
  return it == mQueryDefs.end() ? nullptr : it->second.get();
}

}  // namespace Tarn
