// The pack tool end to end: its packs mount in the engine and its listing and hashes agree.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "audio_engine/debug.h"
#include "audio_engine/name_id.h"
#include "audio_engine/persist.h"
#include "audio_engine/vex_file.h"
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
