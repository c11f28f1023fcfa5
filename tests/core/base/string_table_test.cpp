// The string table: spreadsheet rows, ZXML files, percent escapes, missing labels, the
// string-test mask and the Flash texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/asset_file_list.h"
#include "core/base/settings.h"
#include "core/base/string_table.h"
#include "core/base/zxml.h"
#include "tests/core/base/file_fixture.h"

namespace {

std::string Row(const std::string& label, const std::string& text) {
  return "<Row><Cell><Data ss:Type=\"String\">" + label + "</Data></Cell><Cell><Data ss:Type=\"String\">" + text +
         "</Data></Cell></Row>\n";
}

std::string Sheet(const std::string& rows) {
  return "<?xml version=\"1.0\"?>\n<Workbook><Worksheet><Table>\n" + rows + "</Table></Worksheet></Workbook>\n";
}

}  // namespace

class StringTableTest : public FileLayerTest {
 protected:
  void SetUp() override {
    FileLayerTest::SetUp();
    std::string sheet = Sheet(Row("HELLO", "Hello %1%!") + Row("SURE", "100%% sure") + Row("SEE", "See %OTHER%") +
                              Row("OTHER", "other %1% text") + Row("GREETING", "Good day") +
                              Row("SCORE", "Score: %2%") + Row("SIX", "bad %6%") + Row("ODD", "ends in 5%") +
                              Row("NOLABEL", "uses %MISSING%") + Row("GO", "Go now") +
                              Row("LINES", "one&#10;two &amp; three") + Row("MANY", "%1%%2%%3%%4%%5%") +
                              "<Row><Cell><Data>EMPTY</Data></Cell><Cell><Data></Data></Cell></Row>\n"
                              "<Row><Cell><Data>ONLY</Data></Cell></Row>\n"
                              "<Row><Cell></Cell></Row>\n");
    Put("assets/strings.xml", sheet);
    GetFileMap()[TStr("strings.xml")] = TStr("assets/strings.xml");
    ASSERT_TRUE(mTable.Load(TStr("strings.xml")));
  }
  TStringTable mTable;
};

TEST_F(StringTableTest, ExpansionTable) {
  const struct {
    const char* label;
    std::vector<const char*> args;
    const char* want;
  } cases[] = {
      {"HELLO", {"World"}, "Hello World!"},
      {"SURE", {}, "100% sure"},
      {"SEE", {}, "See other %1% text"},
      {"SCORE", {"a", ""}, "Score: "},
      {"SIX", {}, "#####"},
      {"HELLO", {"%GREETING%"}, "Hello Good day!"},
      {"HELLO", {"%%"}, "Hello %!"},
      {"HELLO", {"%NOPE%"}, "#####"},
      {"HELLO", {"%x"}, "#####"},
      {"HELLO", {"50%"}, "Hello 50%!"},
      {"NOLABEL", {}, "#####"},
      {"LINES", {}, "one\ntwo & three"},
      {"MANY", {"1", "2", "3", "4", "5"}, "12345"},
      {"EMPTY", {}, ""},
      {"ONLY", {}, ""},
      {"ABSENT", {}, "#####"},
      {"hello", {}, "#####"},
  };
  for (const auto& c : cases) {
    TStr a[5];
    for (size_t i = 0; i < c.args.size(); ++i) a[i] = TStr(c.args[i]);
    EXPECT_STREQ(mTable.GetString(TStr(c.label), a[0], a[1], a[2], a[3], a[4]).c_str(), c.want) << c.label;
  }
}

TEST_F(StringTableTest, MissingAndUnmatchedEscapesAreLoggedUnlessQuiet) {
  // The unmatched escape's empty content reads as "%%".
  EXPECT_STREQ(mTable.GetString(TStr("ODD")).c_str(), "ends in 5%");
  EXPECT_STREQ(mTable.GetString(TStr("ABSENT")).c_str(), "#####");
  std::string log = LogText();
  EXPECT_NE(log.find("Non-matched percent (%) escape found in string ODD, 'ends in 5%'"), std::string::npos);
  EXPECT_NE(log.find(" ##### : Missing string for label 'ABSENT'"), std::string::npos);
  mTable.SetQuiet(true);
  mTable.GetString(TStr("QUIETLY"));
  EXPECT_EQ(LogText().find("QUIETLY"), std::string::npos);
}

TEST_F(StringTableTest, StringTestMasksEveryCharacterButBlanks) {
  SetSetting(TStr("stringtest"), TStr("1"));
  EXPECT_STREQ(mTable.GetString(TStr("GO")).c_str(), "xx xxx");
  EXPECT_STREQ(mTable.GetString(TStr("HELLO"), TStr("\xC3\xA9t\xC3\xA9")).c_str(), "xxxxx xxxx");
}

TEST_F(StringTableTest, LaterFilesReplaceTextsAndCompressedFilesLoad) {
  std::string sheet = Sheet(Row("GO", "Allez") + Row("NEW", "nouveau"));
  std::vector<char> packed;
  ASSERT_TRUE(ZxmlEncode(sheet.data(), sheet.size(), &packed));
  Put("data/user/strings_fr.xml", std::string(packed.begin(), packed.end()));
  ASSERT_TRUE(mTable.AddFile(TStr("user:strings_fr.xml")));
  EXPECT_STREQ(mTable.GetString(TStr("GO")).c_str(), "Allez");
  EXPECT_STREQ(mTable.GetString(TStr("NEW")).c_str(), "nouveau");
  EXPECT_STREQ(mTable.GetString(TStr("SURE")).c_str(), "100% sure");

  EXPECT_FALSE(mTable.AddFile(TStr("user:none.xml")));
  EXPECT_STREQ(mTable.GetString(TStr("GO")).c_str(), "Allez");
  EXPECT_FALSE(mTable.Load(TStr("user:none.xml")));
  EXPECT_EQ(mTable.GetCount(), 0);
}

TEST_F(StringTableTest, DamagedFilesNeverBreakTheTable) {
  std::string sheet = Sheet(Row("A", "a"));
  std::vector<char> packed;
  ASSERT_TRUE(ZxmlEncode(sheet.data(), sheet.size(), &packed));
  std::string damaged(packed.begin(), packed.end());
  damaged[damaged.size() / 2] ^= 0x5A;
  std::string lying(packed.begin(), packed.end());
  lying[8] = lying[9] = lying[10] = (char)0xFF;
  const struct {
    const char* what;
    std::string bytes;
    bool ok;
  } cases[] = {
      {"damaged stream", damaged, false},
      {"lying text size", lying, false},
      {"cut header", std::string("ZXML\x01", 5), false},
      {"row without cells", "<Row><Row><Data", true},
      {"cell without end", "<Row><Data>abc", true},
      {"nul inside", std::string("<Row><Data>A</Data>\0<Data>B</Data>", 33), true},
  };
  for (const auto& c : cases) {
    TStringTable table;
    EXPECT_EQ(table.AddText(c.bytes.data(), (int)c.bytes.size()), c.ok) << c.what;
  }
  TStringTable table;
  std::string cut = "<Row><Data>abc";
  table.AddText(cut.data(), (int)cut.size());
  EXPECT_TRUE(table.HasLabel(TStr("abc")));
  EXPECT_NE(LogText().find("TStringTable: damaged ZXML container"), std::string::npos);
}

TEST_F(StringTableTest, FlashTextsPreferTheFlashPrefix) {
  std::vector<std::pair<TStr, TStr>> list;
  TStringTable numbered;
  std::string rows = Sheet(Row("flash1_2", "one-two") + Row("flash10_1", "ten") + Row("flashy", "no") + Row("X", "x"));
  numbered.AddText(rows.data(), (int)rows.size());
  numbered.GetFlashStrings(list);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_STREQ(list[0].first.c_str(), "flash10_1");
  EXPECT_STREQ(list[1].second.c_str(), "one-two");

  std::string more = Sheet(Row("FLASH_TITLE", "Title"));
  numbered.AddText(more.data(), (int)more.size());
  list.clear();
  numbered.GetFlashStrings(list);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_STREQ(list[0].second.c_str(), "Title");
}

TEST_F(StringTableTest, StartUpTablesAddTheDataFoldersStringFilesInOrder) {
  Put("data/user/strings_b.xml", Sheet(Row("GO", "user b")));
  Put("data/user/Strings_A.XML", Sheet(Row("GO", "user a") + Row("A", "a")));
  Put("data/user/mystrings.xml", Sheet(Row("GO", "never")));
  Put("data/user/sub/strings.xml", Sheet(Row("GO", "never")));
  Put("data/common/strings.xml", Sheet(Row("GO", "common")));
  Put("data/common/stringsfr.txt", Sheet(Row("GO", "never")));
  Reset();
  BuildFileMap();
  GetFileMap()[TStr("strings.xml")] = TStr("assets/strings.xml");
  TStringTable table;
  EXPECT_TRUE(table.LoadStartupTables());
  EXPECT_STREQ(table.GetString(TStr("GO")).c_str(), "common");
  EXPECT_STREQ(table.GetString(TStr("A")).c_str(), "a");
  EXPECT_STREQ(table.GetString(TStr("SURE")).c_str(), "100% sure");
  GetFileMap().erase(TStr("strings.xml"));
  GetFileMap().erase(TStr("common:strings.xml"));
  EXPECT_FALSE(table.LoadStartupTables());
  EXPECT_STREQ(table.GetString(TStr("GO")).c_str(), "user b");
}
