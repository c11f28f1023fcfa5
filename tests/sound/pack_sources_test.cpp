// The music project the build put in the program's assets/vexa against its sources: the pack
// holds exactly the project made from sound/events.txt (member "Game.xml", the member the
// engine opens for a pack named Game.VEX) and every clip of sound/clips, byte for byte, and the
// symbol table beside it names every event.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "tests/support/host_file.h"
#include "tests/support/run_tool.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

uint32_t Get32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; i--) v = (v << 8) | (uint8_t)s[at + i];
  return v;
}

// The members of a pack by identifier; empty when it is not a whole pack.
std::map<uint32_t, std::string> Members(const std::string& pack) {
  std::map<uint32_t, std::string> members;
  if (pack.size() < 32 || pack.compare(0, 7, "VEXPACK") != 0) return members;
  uint32_t count = Get32(pack, 12);
  for (uint32_t i = 0; i < count && 32 + 16 * (size_t)(i + 1) <= pack.size(); i++) {
    size_t e = 32 + 16 * (size_t)i;
    uint32_t length = Get32(pack, e + 8), offset = Get32(pack, e + 12);
    if ((size_t)offset + length <= pack.size()) members[Get32(pack, e)] = pack.substr(offset, length);
  }
  return members;
}

uint32_t Id(const std::string& name) {
  ToolResult r = RunTool("vexpack", "hash '" + name + "'");
  return (uint32_t)std::strtoul(r.out.c_str(), nullptr, 16);
}

}  // namespace

TEST(SoundPack, TheBuiltPackHoldsTheProjectAndClipsOfItsSources) {
  std::string source = std::string(std::getenv("ORVELLA_SOURCE_DIR")) + "/sound";
  TempFolder made;
  ToolResult project = RunTool("soundgen", "project " + source + "/events.txt " + source + "/clips " +
                                               made.File("Game.xml") + " " + made.File("symbols.xml"));
  ASSERT_EQ(project.status, 0) << project.out;

  std::map<uint32_t, std::string> want;
  want[Id("Game.xml")] = ReadHostFile(made.File("Game.xml"));
  for (const auto& e : fs::directory_iterator(source + "/clips"))
    if (e.path().extension() == ".ogg") want[Id(e.path().filename().string())] = ReadHostFile(e.path().string());
  ASSERT_GT(want.size(), 50u);

  std::string built = ToolPath("assets/vexa/Game.VEX");
  auto members = Members(ReadHostFile(built));
  EXPECT_EQ(members.size(), want.size()) << built;
  for (const auto& [id, bytes] : want) {
    auto it = members.find(id);
    ASSERT_NE(it, members.end()) << "member " << std::hex << id << " missing from " << built;
    EXPECT_TRUE(it->second == bytes) << "member " << std::hex << id << " differs from its source";
  }
  EXPECT_EQ(ReadHostFile(built + ".symboltable.xml"), ReadHostFile(made.File("symbols.xml")));
}
