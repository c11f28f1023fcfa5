// The zxml tool: round trips, and damaged containers as errors with a message.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/base/xml_node.h"
#include "tests/support/temp_folder.h"

namespace {

// The tools are built beside the tests.
std::string BinDir() {
  if (const char* dir = getenv("ORVELLA_BIN_DIR"); dir && *dir) return dir;
  return std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
}

struct Result {
  int status;
  std::string out;
};

Result RunTool(const std::string& args) {
  std::string command = BinDir() + "/zxml " + args + " 2>&1";
  Result r{-1, ""};
  FILE* p = popen(command.c_str(), "r");
  if (!p) return r;
  char buf[256];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int status = pclose(p);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(ZxmlTool, RoundTripsAndTheReaderReadsWhatItWrites) {
  TempFolder t;
  std::string xml = "<root>\n    <item k=\"v\">caf&#195;&#169;</item>\n</root>\n";
  for (int i = 0; i < 50; ++i) xml += "<pad>some repeated text</pad>\n";
  std::ofstream(t.File("in.xml"), std::ios::binary) << xml;
  ASSERT_EQ(RunTool("pack " + t.File("in.xml") + " " + t.File("out.zxml")).status, 0);
  std::string packed = Slurp(t.File("out.zxml"));
  EXPECT_EQ(packed.compare(0, 4, "ZXML"), 0);
  EXPECT_LT(packed.size(), xml.size());
  TXmlNode doc;
  doc.LoadString(packed.data(), (int)packed.size());
  ASSERT_NE(doc.GetChild("root"), nullptr);
  EXPECT_STREQ(doc.GetChild("root")->GetChildText("item").c_str(), "caf\xC3\xA9");
  ASSERT_EQ(RunTool("unpack " + t.File("out.zxml") + " " + t.File("back.xml")).status, 0);
  EXPECT_EQ(Slurp(t.File("back.xml")), xml);
  // An empty file wraps and unwraps too.
  std::ofstream(t.File("empty"), std::ios::binary) << "";
  ASSERT_EQ(RunTool("pack " + t.File("empty") + " " + t.File("empty.zxml")).status, 0);
  ASSERT_EQ(RunTool("unpack " + t.File("empty.zxml") + " " + t.File("empty.back")).status, 0);
  EXPECT_EQ(Slurp(t.File("empty.back")), "");
}

TEST(ZxmlTool, DamagedContainersAreErrors) {
  TempFolder t;
  std::ofstream(t.File("in.xml"), std::ios::binary) << "<a>some text to squeeze</a>";
  ASSERT_EQ(RunTool("pack " + t.File("in.xml") + " " + t.File("good.zxml")).status, 0);
  std::string good = Slurp(t.File("good.zxml"));
  std::string flipped = good;
  flipped[good.size() - 5] ^= 0x77;
  const std::string cases[] = {good.substr(0, good.size() - 3), flipped, "ZXML", "<a>not a container</a>"};
  int i = 0;
  for (const std::string& bytes : cases) {
    std::string path = t.File("bad" + std::to_string(i++));
    std::ofstream(path, std::ios::binary) << bytes;
    Result r = RunTool("unpack " + path + " " + t.File("out"));
    EXPECT_EQ(r.status, 1) << i;
    EXPECT_NE(r.out.find("damaged container"), std::string::npos) << r.out;
  }
  EXPECT_EQ(RunTool("unpack /no/such/file " + t.File("out")).status, 1);
  EXPECT_EQ(RunTool("squeeze a b").status, 2);
}
