// The zxml tool: round trips, and damaged containers as errors with a message.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/base/xml_node.h"
#include "tests/support/host_file.h"
#include "tests/support/run_tool.h"
#include "tests/support/temp_folder.h"

namespace {

ToolResult Zxml(const std::string& args) { return RunTool("zxml", args); }

}  // namespace

TEST(ZxmlTool, RoundTripsAndTheReaderReadsWhatItWrites) {
  TempFolder t;
  std::string xml = "<root>\n    <item k=\"v\">caf&#195;&#169;</item>\n</root>\n";
  for (int i = 0; i < 50; ++i) xml += "<pad>some repeated text</pad>\n";
  std::ofstream(t.File("in.xml"), std::ios::binary) << xml;
  ASSERT_EQ(Zxml("pack " + t.File("in.xml") + " " + t.File("out.zxml")).status, 0);
  std::string packed = ReadHostFile(t.File("out.zxml"));
  EXPECT_EQ(packed.compare(0, 4, "ZXML"), 0);
  EXPECT_LT(packed.size(), xml.size());
  TXmlNode doc;
  doc.LoadString(packed.data(), (int)packed.size());
  ASSERT_NE(doc.GetChild("root"), nullptr);
  EXPECT_STREQ(doc.GetChild("root")->GetChildText("item").c_str(), "caf\xC3\xA9");
  ASSERT_EQ(Zxml("unpack " + t.File("out.zxml") + " " + t.File("back.xml")).status, 0);
  EXPECT_EQ(ReadHostFile(t.File("back.xml")), xml);
  // An empty file wraps and unwraps too.
  std::ofstream(t.File("empty"), std::ios::binary) << "";
  ASSERT_EQ(Zxml("pack " + t.File("empty") + " " + t.File("empty.zxml")).status, 0);
  ASSERT_EQ(Zxml("unpack " + t.File("empty.zxml") + " " + t.File("empty.back")).status, 0);
  EXPECT_EQ(ReadHostFile(t.File("empty.back")), "");
}

TEST(ZxmlTool, DamagedContainersAreErrors) {
  TempFolder t;
  std::ofstream(t.File("in.xml"), std::ios::binary) << "<a>some text to squeeze</a>";
  ASSERT_EQ(Zxml("pack " + t.File("in.xml") + " " + t.File("good.zxml")).status, 0);
  std::string good = ReadHostFile(t.File("good.zxml"));
  std::string flipped = good;
  flipped[good.size() - 5] ^= 0x77;
  const std::string cases[] = {good.substr(0, good.size() - 3), flipped, "ZXML", "<a>not a container</a>"};
  int i = 0;
  for (const std::string& bytes : cases) {
    std::string path = t.File("bad" + std::to_string(i++));
    std::ofstream(path, std::ios::binary) << bytes;
    ToolResult r = Zxml("unpack " + path + " " + t.File("out"));
    EXPECT_EQ(r.status, 1) << i;
    EXPECT_NE(r.out.find("damaged container"), std::string::npos) << r.out;
  }
  EXPECT_EQ(Zxml("unpack /no/such/file " + t.File("out")).status, 1);
  EXPECT_EQ(Zxml("squeeze a b").status, 2);
}

// /dev/full takes the open and refuses the bytes only when they are flushed at close.
TEST(ZxmlTool, AWriteThatFailsAtCloseIsAnError) {
  TempFolder t;
  std::ofstream(t.File("in.xml"), std::ios::binary) << "<a>short</a>";
  ASSERT_EQ(Zxml("pack " + t.File("in.xml") + " " + t.File("in.zxml")).status, 0);
  for (const char* mode : {"pack", "unpack"}) {
    std::string in = std::string(mode) == "pack" ? t.File("in.xml") : t.File("in.zxml");
    ToolResult r = Zxml(std::string(mode) + " " + in + " /dev/full");
    EXPECT_EQ(r.status, 1) << mode;
    EXPECT_NE(r.out.find("cannot write /dev/full"), std::string::npos) << r.out;
  }
}
