// Adding patches to a project.
#include "audio_engine/tarn_project.h"

#include "audio_engine/debug.h"
#include "audio_engine/name_id.h"
#include "audio_engine/unhasher.h"

namespace Tarn {

int cTarnProject::AddPatch(std::unique_ptr<cPropertySet> patch) {
  static const uint32_t kName = NameId("Name");
  static const uint32_t kPlayerType = NameId("PlayerType");
  static const uint32_t kQueryDef = NameId("QueryDef");
  const tVariant& name = patch->GetVariant(kName);
  uint32_t key = name.Id();
  if (mPatches.count(key) || mQueryDefs.count(key)) {
    MessageBox("Duplicate Patch:\nA Patch with the name '%s' already exists", name.Text().c_str());
    return 9;
  }
  if (name.GetType() == tVariant::kString && !cUnhasher::Contains(key)) cUnhasher::Register(name.Text(), key);
  if (patch->GetVariant(kPlayerType).Id() == kQueryDef)
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
