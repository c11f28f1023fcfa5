// The pack tool end to end: its packs mount in the engine and its listing and hashes agree.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "audio_engine/debug.h"
#include "audio_engine/name_id.h"
#include "audio_engine/persist.h"
#include "audio_engine/vex_file.h"
#include "tests/support/host_file.h"
#include "tests/support/run_tool.h"
#include "tests/support/temp_folder.h"

namespace {
std::string Vexpack(const std::string& args, int* status) {
  ToolResult r = RunTool("vexpack", args);
  *status = r.status;
  return r.out;
}
}  // namespace

TEST(Vexpack, PackListAndHash) {
  TempFolder dir;
  std::string a = dir.File("a.txt"), pack = dir.File("Music.VEX");
  FILE* f = std::fopen(a.c_str(), "wb");
  std::fputs("hello", f);
  std::fclose(f);
  int status = 0;
  Vexpack("pack " + pack + " Music.xml=" + a + " 0x10=" + a, &status);
  ASSERT_EQ(status, 0);
  std::string listed = Vexpack("list " + pack, &status);
  char expected[128];
  std::snprintf(expected, sizeof expected, "0x%08X 5 64\n0x00000010 5 69\n", Tarn::NameId("Music.xml"));
  EXPECT_EQ(listed, expected);
  EXPECT_EQ(Vexpack("hash EventClip 0x10", &status), "0xBDFB42E6\n0x00000010\n");
  Tarn::cVexFile vex{Tarn::cString(pack)};
  Tarn::cIReader* r = nullptr;
  ASSERT_EQ(vex.OpenReader(Tarn::NameId("Music.xml"), &r), 0);
  char buf[16];
  uint32_t got = 0;
  r->Read(buf, sizeof buf, &got);
  EXPECT_EQ(std::string(buf, got), "hello");
  delete r;
}

TEST(Vexpack, RawVariantsAreRefusedOrReadSafely) {
  TempFolder dir;
  Tarn::SetMessageSink([](const std::string&, const std::string&) {});
  struct Case {
    const char* kind;
    int mount;
  } cases[] = {{"count-too-large", -1}, {"truncated-directory", -1}, {"duplicate-ids", 0}, {"empty", 0}};
  for (auto& c : cases) {
    std::string path = dir.File(std::string(c.kind) + ".VEX");
    int status = 0;
    Vexpack("raw " + path + " " + c.kind, &status);
    ASSERT_EQ(status, 0) << c.kind;
    EXPECT_EQ(Tarn::cPersist::Mount(Tarn::cString(path)), c.mount) << c.kind;
  }
  Tarn::cPersist::Shutdown();
  Tarn::SetMessageSink(nullptr);
}

// A listing is believed: a file that is not a whole pack is refused, never listed.
TEST(Vexpack, ListRefusesWhatIsNotAWholePack) {
  TempFolder dir;
  std::string a = dir.File("a.txt");
  std::ofstream(a, std::ios::binary) << std::string(100, 'a');
  std::string pack = dir.File("Music.VEX");
  int status = 0;
  Vexpack("pack " + pack + " one=" + a + " two=" + a, &status);
  ASSERT_EQ(status, 0);
  std::string whole = ReadHostFile(pack);
  std::string noise;
  for (int i = 0; i < 300; ++i) noise += (char)(i * 97 + 13);
  struct Case {
    const char* name;
    std::string bytes;
    const char* says;
  } cases[] = {
      {"cut.VEX", whole.substr(0, whole.size() - 50), "lies past the end of the file"},
      {"random.VEX", noise, "is not a pack"},
      {"short.VEX", whole.substr(0, 20), "is not a pack"},
      {"directory.VEX", whole.substr(0, 40), "does not fit"},
  };
  for (const Case& c : cases) {
    std::string path = dir.File(c.name);
    std::ofstream(path, std::ios::binary) << c.bytes;
    std::string out = Vexpack("list " + path, &status);
    EXPECT_EQ(status, 1) << c.name << "\n" << out;
    EXPECT_NE(out.find(c.says), std::string::npos) << c.name << "\n" << out;
    EXPECT_EQ(out.rfind("vexpack: ", 0), 0u) << c.name << ": nothing listed before\n" << out;
    EXPECT_EQ(out.find('\n'), out.size() - 1) << c.name << ": nothing listed after\n" << out;
  }
}
