// cIPatchHolder and cPatchHolder: a graph node configured by its patch, property by property.
#pragma once

#include <cstdint>

#include "audio_engine/property_set.h"

namespace Tarn {

class cIPatchHolder {
 public:
  virtual ~cIPatchHolder() = default;
  // Applies every property of the patch (but "TagList", "Name", "PlayerType" and the locked
  // ones) through HandleParameterChange, between OnBeginSetPatch and OnEndSetPatch.
  virtual int SetPatch(cPropertySet* patch) = 0;
  virtual cPropertySet* GetPatch() = 0;
  // Re-applies one property from the patch (an empty value when the patch lacks it).
  virtual int SetParameter(uint32_t id, uint32_t propagate) = 0;
  // An empty value means the property is absent.
  virtual int HandleParameterChange(uint32_t id, const tVariant& value, uint32_t propagate) = 0;
};

class cPatchHolder : public cIPatchHolder {
 public:
  int SetPatch(cPropertySet* patch) override;
  cPropertySet* GetPatch() override { return mPatch; }
  int SetParameter(uint32_t id, uint32_t propagate) override;
  // True for properties to be applied only after the whole patch.
  virtual bool IsPatchLocked(uint32_t id) { return false; }
  virtual void OnBeginSetPatch() { mInSetPatch = true; }
  virtual void OnEndSetPatch() { mInSetPatch = false; }
  // Teardown, before any node is deleted: leave every mix and list this node joined, so that
  // deleting nodes in any order never reaches a deleted one.
  virtual void Detach() {}

  // The patch's value, or null (also without a patch).
  const tVariant* PatchValue(uint32_t id) const { return mPatch ? mPatch->Find(id) : nullptr; }
  // The patch's value, else the engine default, else an empty value.
  const tVariant& PatchOrDefault(uint32_t id) const;
  float PatchFloat(uint32_t id) const;
  int32_t PatchInt(uint32_t id) const;
  bool PatchBool(uint32_t id) const;
  uint32_t PatchId(uint32_t id) const { return PatchOrDefault(id).Id(); }
  // The patch's "Name" for log lines.
  const char* PatchName() const;

 protected:
  cPropertySet* mPatch = nullptr;  // owned by the project
  bool mInSetPatch = false;
};

// A float from any numeric variant (integers and booleans convert; anything else is 0).
float VariantFloat(const tVariant& v);

}  // namespace Tarn
