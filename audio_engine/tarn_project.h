// Tarn::cTarnProject: one loaded project, its patches and query definitions by name identifier.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "audio_engine/property_set.h"
#include "audio_engine/tarn_string.h"

namespace Tarn {

class cTarnProject {
 public:
  cTarnProject() = default;
  cTarnProject(const cTarnProject&) = delete;
  cTarnProject& operator=(const cTarnProject&) = delete;
  virtual ~cTarnProject() = default;

  // Takes the set: 0; 9 (with the "Duplicate Patch" message) when its name is taken, and the
  // set is dropped. New patch names enter the name table; "QueryDef" sets are kept apart.
  int AddPatch(std::unique_ptr<cPropertySet> patch);
  // The patch with that identifier, or null.
  cPropertySet* FindPatch(uint32_t id) const;
  cPropertySet* FindQueryDef(uint32_t id) const;

  cString mName;
  cString mFolder;
  cString mResourcesFolder;
  std::map<uint32_t, std::unique_ptr<cPropertySet>> mPatches;
  std::map<uint32_t, std::unique_ptr<cPropertySet>> mQueryDefs;
};

}  // namespace Tarn
