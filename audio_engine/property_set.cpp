// cPropertySet look-ups.
#include "audio_engine/property_set.h"

#include "audio_engine/name_id.h"

namespace Tarn {

const tVariant* cPropertySet::Find(uint32_t id) const {
  auto it = mMap.find(id);
  return it == mMap.end() ? nullptr : &it->second;
}
tVariant* cPropertySet::Find(uint32_t id) {
  auto it = mMap.find(id);
  return it == mMap.end() ? nullptr : &it->second;
}
bool cPropertySet::Insert(const char* name, const tVariant& value) {
  return mMap.emplace(NameId(name), value).second;
}
uint32_t cPropertySet::GetId(uint32_t id, uint32_t def) const {
  const tVariant* v = Find(id);
  return v ? v->Word() : def;
}
bool cPropertySet::GetBool(uint32_t id, bool def) const {
  const tVariant* v = Find(id);
  return v ? v->AsBool() : def;
}
float cPropertySet::GetFloat(uint32_t id, float def) const {
  const tVariant* v = Find(id);
  return v ? v->AsFloat() : def;
}
const tVariant& cPropertySet::GetVariant(uint32_t id) const {
  static const tVariant empty = tVariant();
  const tVariant* v = Find(id);
  return v ? *v : empty;
}

const cFloatMap* GetFloatMap(const tVariant& v) {
  auto* o = dynamic_cast<cFloatMapObject*>(v.Object());
  return o ? o->Ptr().Get() : nullptr;
}
const cStringSet* GetStringSet(const tVariant& v) {
  auto* o = dynamic_cast<cStringSetObject*>(v.Object());
  return o ? o->Ptr().Get() : nullptr;
}

}  // namespace Tarn
