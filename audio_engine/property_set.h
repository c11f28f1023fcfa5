// cPropertySet: properties by name identifier, iterated in ascending identifier order.
#pragma once

#include <cstdint>
#include <map>
#include <set>

#include "audio_engine/variant.h"

namespace Tarn {

class cPropertySet {
 public:
  using Map = std::map<uint32_t, tVariant>;

  cPropertySet() = default;
  cPropertySet(const cPropertySet&) = default;
  cPropertySet& operator=(const cPropertySet&) = default;
  virtual ~cPropertySet() = default;

  const tVariant* Find(uint32_t id) const;
  tVariant* Find(uint32_t id);
  bool Has(uint32_t id) const { return mMap.count(id) != 0; }
  // Access that creates an empty entry when absent.
  tVariant& operator[](uint32_t id) { return mMap[id]; }
  // Inserts under the name's identifier; an existing entry is kept.
  bool Insert(const char* name, const tVariant& value);
  void Set(uint32_t id, const tVariant& value) { mMap[id] = value; }
  void Erase(uint32_t id) { mMap.erase(id); }
  void Clear() { mMap.clear(); }

  // Typed getters with a default for an absent key.
  uint32_t GetId(uint32_t id, uint32_t def = 0) const;
  int32_t GetInt(uint32_t id, int32_t def = 0) const { return (int32_t)GetId(id, (uint32_t)def); }
  bool GetBool(uint32_t id, bool def = false) const;
  float GetFloat(uint32_t id, float def = 0.0f) const;
  // The entry, or one shared empty variant.
  const tVariant& GetVariant(uint32_t id) const;

  size_t Size() const { return mMap.size(); }
  Map::const_iterator begin() const { return mMap.begin(); }
  Map::const_iterator end() const { return mMap.end(); }

 private:
  Map mMap;
};

// An ordered set of strings, ordered byte-wise.
class cStringSet {
 public:
  virtual ~cStringSet() = default;
  std::set<cString> mSet;
};

// Automation points and other float curves: integer key to float.
using cFloatMap = std::map<int32_t, float>;

// The shared objects properties hold (type 7).
using cFloatMapObject = cSharedVariantObject<cFloatMap>;
using cStringSetObject = cSharedVariantObject<cStringSet>;

// The float map or string set a property holds, or null.
const cFloatMap* GetFloatMap(const tVariant& v);
const cStringSet* GetStringSet(const tVariant& v);

}  // namespace Tarn
