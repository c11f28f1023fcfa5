// soundgen: the game's sounds and its music project.
//   soundgen sounds ASSETS CLIPS            renders every sound: the framework's own into the
//                                           assets folder by key, the project's clips into CLIPS
//   soundgen project EVENTS CLIPS OUT.xml OUT.symboltable.xml
//                                           the project document from the list of events
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tools/soundgen/project.h"
#include "tools/soundgen/sounds.h"
#include "tools/tonegen/tone.h"
#include "tools/usage.h"

namespace {

const char kUsage[] =
    "usage: soundgen sounds ASSETS CLIPS\n"
    "       soundgen project EVENTS CLIPS OUT.xml OUT.symboltable.xml\n";

bool WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  return (bool)out.flush();
}

int RenderSounds(const std::string& assets, const std::string& clips) {
  for (const Sounds::Entry& e : Sounds::All()) {
    std::filesystem::path path = std::filesystem::path(e.place == "assets" ? assets : clips) / e.file;
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    std::vector<uint8_t> bytes = Synth::Encode(e.make(), e.quality);
    if (bytes.empty() || !ToneGen::WriteFile(path.string(), bytes)) {
      std::fprintf(stderr, "soundgen: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}

int MakeProject(const std::string& eventsPath, const std::string& clips, const std::string& xmlPath,
                const std::string& symbolsPath) {
  std::ifstream in(eventsPath, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "soundgen: cannot read %s\n", eventsPath.c_str());
    return 1;
  }
  std::stringstream text;
  text << in.rdbuf();
  std::vector<Project::Event> events;
  std::string error, xml, symbols;
  if (!Project::ReadEvents(text.str(), &events, &error) || !Project::Build(events, clips, &xml, &symbols, &error)) {
    std::fprintf(stderr, "soundgen: %s: %s\n", eventsPath.c_str(), error.c_str());
    return 1;
  }
  if (!WriteText(xmlPath, xml) || !WriteText(symbolsPath, symbols)) {
    std::fprintf(stderr, "soundgen: cannot write the project\n");
    return 1;
  }
  return 0;
}

}  // namespace

namespace Sounds {
std::vector<Entry>& All() {
  static std::vector<Entry> all;
  return all;
}
}  // namespace Sounds

int main(int argc, char** argv) {
  if (ToolArgs::WantsHelp(argc, argv)) return ToolArgs::Help(kUsage);
  std::string cmd = argc > 1 ? argv[1] : "";
  if (cmd == "sounds" && argc == 4) return RenderSounds(argv[2], argv[3]);
  if (cmd == "project" && argc == 6) return MakeProject(argv[2], argv[3], argv[4], argv[5]);
  return ToolArgs::Usage(kUsage);
}
