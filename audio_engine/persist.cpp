// Mounted packs and resource look-up.
#include "audio_engine/persist.h"

#include <memory>
#include <vector>

#include "audio_engine/debug.h"
#include "audio_engine/file_reader.h"
#include "audio_engine/tarn_dir.h"
#include "audio_engine/vex_file.h"

namespace Tarn {

namespace {
// Changed only on the game's thread while the mixing thread is not running.
struct PersistState {
  cString folder;
  bool initialised = false;
  std::vector<std::unique_ptr<cVexFile>> packs;
  bool looseFilesFirst = false;
};
PersistState& State() {
  static PersistState state;
  return state;
}
}  // namespace

int cPersist::Init(const char* dataFolder) {
  Trace("cPersist::Init: Data folder is %s\n", dataFolder ? dataFolder : "");
  SetDataFolder(dataFolder);
  State().initialised = true;
  return kOk;
}

int cPersist::SetDataFolder(const char* dataFolder) {
  Shutdown();
  PersistState& s = State();
  s.folder = cString();
  if (!dataFolder) return kOk;
  std::string folder = dataFolder;
  if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
  s.folder = cString(folder);
  Trace("cPersist::SetDataFolder: Data folder is %s\n", s.folder.c_str());
  cTarnDir dir;
  cString name;
  for (int r = dir.FindFirst(s.folder + "*.VEX", &name); r == kOk; r = dir.FindNext(&name))
    Mount(s.folder + name);
  return kOk;
}

int cPersist::Mount(const cString& path) {
  auto pack = std::make_unique<cVexFile>(path);
  if (pack->IsCorrupt()) {
    MessageBox("Error: VEX File appears to be corrupt:\n%s", path.c_str());
    return -1;
  }
  State().packs.push_back(std::move(pack));
  return kOk;
}

int cPersist::Open(const tVariant& name, cIReader** reader) {
  PersistState& s = State();
  *reader = nullptr;
  if (s.looseFilesFirst) {
    *reader = new cFileReader(s.folder + name.Text(), "rb");
    return kOk;
  }
  for (auto& pack : s.packs)
    if (pack->OpenReader(name.Id(), reader) == kOk) return kOk;
  *reader = new cFileReader(s.folder + name.Text(), "rb");
  return kOk;
}

void cPersist::Shutdown() {
  Trace("cPersist::Shutdown\n");
  State().packs.clear();
  State().initialised = false;
}

const cString& cPersist::DataFolder() { return State().folder; }
bool cPersist::IsInitialised() { return State().initialised; }
size_t cPersist::PackCount() { return State().packs.size(); }
cVexFile* cPersist::Pack(size_t i) { return i < State().packs.size() ? State().packs[i].get() : nullptr; }

}  // namespace Tarn
