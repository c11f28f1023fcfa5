// The identifier-to-name table.
#include "audio_engine/unhasher.h"

#include <map>

#include "audio_engine/debug.h"

namespace Tarn {

namespace {
// Guarded by the engine lock like every other engine table.
std::map<uint32_t, cString>& Table() {
  static std::map<uint32_t, cString> table;
  return table;
}
}  // namespace

void cUnhasher::Register(const cString& name, uint32_t id) {
  auto [it, added] = Table().emplace(id, name);
  if (!added && !(it->second == name)) MessageBox("Multiply-defined symbol\n");
}
bool cUnhasher::Contains(uint32_t id) { return Table().count(id) != 0; }
cString cUnhasher::NameOf(uint32_t id) {
  auto it = Table().find(id);
  return it == Table().end() ? cString() : it->second;
}
void cUnhasher::Clear() { Table().clear(); }
size_t cUnhasher::Size() { return Table().size(); }

}  // namespace Tarn
