// The game string table: spreadsheet rows, the fall-back to the framework table, reference
// expansion, hostile texts (cycles, explosive references) and the script functions' lifetime.
#include "game/shell/qrn_string_file.h"

#include <memory>

#include "tests/game/shell/game_script_fixture.h"

namespace {

class StringFileTest : public game_test::GameScriptFixture {
 protected:
  void SetUp() override {
    GameScriptFixture::SetUp();
    file = std::make_unique<QRNStringFile>();
  }
  void TearDown() override {
    file.reset();
    GameScriptFixture::TearDown();
  }
  std::unique_ptr<QRNStringFile> file;
};

}  // namespace

TEST_F(StringFileTest, ReadsRowsAndLaterFilesWin) {
  AddFile("strings/one.xml",
          "<?xml version=\"1.0\"?><Workbook><Worksheet><Table><Column/>"
          "<Row><Cell><Data>greeting</Data></Cell><Cell><Data>Hello &amp; welcome</Data></Cell></Row>"
          "<Row><Cell><Data>lonely</Data></Cell></Row>"
          "<Row><Cell><Data></Data></Cell><Cell><Data>no label</Data></Cell></Row>"
          "<Row><Other/><Cell><Data>skipped</Data></Cell></Row>"
          "<Row><Cell><Data>twice</Data></Cell><Cell><Data>first</Data></Cell></Row>"
          "<Row><Cell><Data>twice</Data></Cell><Cell><Data>second</Data></Cell></Row>"
          "</Table></Worksheet></Workbook>");
  AddFile("strings/two.xml", Spreadsheet({{"greeting", "Hi"}}));
  Run("qrnLoadStringFile('strings/one.xml') qrnLoadStringFile('strings/missing.xml')");
  EXPECT_EQ(std::string(file->GetString("greeting").c_str()), "Hello & welcome");
  EXPECT_TRUE(file->StringExists("lonely"));
  EXPECT_EQ(std::string(file->GetString("lonely").c_str()), "");
  EXPECT_FALSE(file->StringExists(""));
  EXPECT_FALSE(file->StringExists("skipped"));
  EXPECT_EQ(std::string(file->GetString("twice").c_str()), "second");

  Run("qrnLoadStringFile('strings/two.xml')");
  Run("gText = qrnGetString('greeting') gHas = qrnStringExists('greeting')");
  EXPECT_EQ(GlobalString("gText"), "Hi");
  EXPECT_EQ(GlobalString("gHas"), "true");
}

TEST_F(StringFileTest, ExpansionTable) {
  strings.strings = {{"framework_only", "from the framework"}, {"fw_ref", "[%a%]"}};
  AddFile("game.xml", Spreadsheet({{"a", "apple"},
                                   {"b", "banana"},
                                   {"pair", "%a%%b%"},
                                   {"twice", "%a% and %a%"},
                                   {"percent", "100%% sure"},
                                   {"hash", "#%a%"},
                                   {"missing", "x %nothing% y"},
                                   {"nested", "<%pair%>"},
                                   {"inserted", "%pct%b%"},
                                   {"pct", "50%"},
                                   {"lone", "a % sign"},
                                   {"self", "loop %self%"},
                                   {"ping", "%pong%"},
                                   {"pong", "%ping%"}}));
  file->LoadStringFile("game.xml");
  struct Case {
    const char* label;
    const char* text;
  } cases[] = {
      {"#word", "word"},
      {"#%a%", "%a%"},  // not a label: nothing expands
      {"pair", "applebanana"},
      {"twice", "apple and apple"},
      {"percent", "100% sure"},
      {"hash", "#apple"},
      {"missing", "x -->nothing<-- y"},
      {"nested", "<applebanana>"},
      {"inserted", "50%b%"},  // a percent that came in with the text is not scanned again
      {"lone", "a % sign"},
      {"framework_only", "from the framework"},
      {"fw_ref", "[apple]"},
      {"nowhere", "#####"},
      // Cycles end: the innermost reference reads as missing.
      {"self", "loop loop loop loop loop loop loop loop loop loop loop loop loop loop loop loop loop -->self<--"},
  };
  for (const Case& c : cases) EXPECT_EQ(std::string(file->GetString(c.label).c_str()), c.text) << c.label;
  EXPECT_FALSE(file->StringExists("framework_only"));
  std::string pingPong = file->GetString("ping").c_str();
  EXPECT_NE(pingPong.find("<--"), std::string::npos);
}

TEST_F(StringFileTest, ExplosiveReferencesStayBounded) {
  // Each level holds its lower level 32 times: fully expanded it would be 32^12 characters.
  std::map<std::string, std::string> rows{{"l0", "word"}};
  for (int level = 1; level <= 12; ++level) {
    std::string text;
    for (int k = 0; k < 32; ++k) text += "%l" + std::to_string(level - 1) + "%.";
    rows["l" + std::to_string(level)] = text;
  }
  AddFile("bomb.xml", Spreadsheet(rows));
  file->LoadStringFile("bomb.xml");
  std::string text = file->GetString("l12").c_str();
  EXPECT_LE(text.size(), (size_t)2 << 20);
  EXPECT_EQ(text.compare(0, 5, "word."), 0);
  EXPECT_NE(Log().find("grows too long"), std::string::npos);
}

TEST_F(StringFileTest, FunctionsLiveExactlyAsLongAsTheTable) {
  EXPECT_EQ(QRNStringFile::Get(), file.get());
  EXPECT_FALSE(GlobalIsNil("qrnGetString"));
  file.reset();
  EXPECT_EQ(QRNStringFile::Get(), nullptr);
  for (const char* name : {"qrnLoadStringFile", "qrnStringExists", "qrnGetString"}) EXPECT_TRUE(GlobalIsNil(name)) << name;
}
