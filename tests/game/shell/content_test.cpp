// The data loader: which files it finds, the XML-to-table text (escaping, keys, nesting), the
// calls it makes into the scripts, the item images it keeps, the port and quest script lists,
// and a hostile data file in the per-user folder.
#include "game/shell/content.h"

#include <fstream>
#include <string>
#include <vector>

#include "core/base/asset_file_list.h"
#include "core/base/file.h"
#include "core/base/xml_node.h"
#include "tests/game/shell/game_script_fixture.h"

namespace {

std::vector<std::string> gImageLoads;  // names the test image loader was asked for

class ContentTest : public game_test::GameScriptFixture {
 protected:
  void SetUp() override {
    GameScriptFixture::SetUp();
    gImageLoads.clear();
    TAssetLoader loader;
    loader.kind = TAsset::ClassId();
    loader.MakeKey = [](TStr name, TStr) { return name + ":image"; };
    loader.Load = [](TStr name, TStr) {
      gImageLoads.push_back(name.c_str());
      return std::make_shared<TAsset>();
    };
    RegisterAssetLoader("png", loader);
    Content::Create();
    // The scripts' side: every call is recorded as the table it received, in a stable text.
    Run(R"(
      function Dump(t)
        local keys = {}
        for k in pairs(t) do table.insert(keys, k) end
        table.sort(keys)
        local s = "{"
        for _, k in ipairs(keys) do
          local v = t[k]
          s = s .. k .. "=" .. (type(v) == "table" and Dump(v) or ("<" .. v .. ">")) .. ";"
        end
        return s .. "}"
      end
      gCalls = {}
      function CreateIngredient(t) table.insert(gCalls, "ingredient" .. Dump(t)) end
      function CreateProductFromXML(t) table.insert(gCalls, "product" .. Dump(t)) end
      function Calls() return table.concat(gCalls, "\n") end)");
  }
  void TearDown() override {
    Content::Destroy();
    UnregisterAssetLoader("png");
    for (const std::string& key : userKeys) GetFileMap().erase(TStr(key.c_str()));
    GameScriptFixture::TearDown();
  }

  std::string Calls() {
    Run("gText = Calls()");
    return GlobalString("gText");
  }
  // A file in a per-user folder of the test's own, mapped as the start-up scan maps it.
  void AddUserFile(const std::string& name, const std::string& text) {
    std::ofstream(userFolder.File(name), std::ios::binary) << text;
    ScanFolder(userFolder.Path().c_str(), "user:");
    userKeys.push_back("user:" + name);
  }
  static std::string Items(const std::string& body) { return "<root>" + body + "</root>"; }

  TempFolder userFolder;
  std::vector<std::string> userKeys;
};

std::vector<std::string> Texts(const std::vector<TStr>& paths) {
  std::vector<std::string> out;
  for (const TStr& p : paths) out.push_back(p.c_str());
  return out;
}

}  // namespace

TEST_F(ContentTest, FindsEveryFileOfTheNameInByteOrder) {
  for (const char* name : {"b/ingredients.xml", "a/ingredients.xml", "c/ingredients.xml.bak",
                           "d/ingredients.xml/x.lua", "ingredients.xml"})
    AddFile(name, "<root/>");
  EXPECT_EQ(Texts(FindDataFiles("ingredients.xml")),
            (std::vector<std::string>{"a/ingredients.xml", "b/ingredients.xml", "ingredients.xml"}));
  EXPECT_TRUE(FindDataFiles("nothing.xml").empty());
}

TEST_F(ContentTest, TableTextIsEscapedAndKeyed) {
  struct Case {
    const char* xml;
    const char* table;
  } cases[] = {
      {"<i><name>cocoa</name><price>12</price></i>", R"({["name"]="cocoa",["price"]="12",})"},
      {"<i/>", "{}"},
      {"<i><counts><milk>2</milk><sugar>1</sugar></counts></i>", R"({["counts"]={["milk"]="2",["sugar"]="1",},})"},
      {"<i><end>x</end><a-b>y</a-b></i>", R"({["end"]="x",["a-b"]="y",})"},
      {R"(<i><q>say &quot;hi&quot; \n</q></i>)", R"({["q"]="say \"hi\" \\n",})"},
      {"<i><!-- note --><x>1</x></i>", R"({["x"]="1",})"},
  };
  for (const Case& c : cases) {
    TXmlNode document;
    document.LoadString(c.xml);
    EXPECT_EQ(std::string(XmlToLuaTable(document.GetChild("i")).c_str()), c.table) << c.xml;
  }
  EXPECT_EQ(std::string(QuoteLuaString(TStr("a\nb\x01" "9\x7f")).c_str()), "\"a\\010b\\0019\\127\"");
}

// Either kind of element counts in either file; other elements are skipped.
TEST_F(ContentTest, IngredientsAndProductsReachTheScriptsInFileOrder) {
  AddFile("b/ingredients.xml", Items("<ingredient><name>sugar</name></ingredient>"));
  AddFile("a/ingredients.xml",
          Items("<ingredient><name>cocoa</name><color>1</color></ingredient><note>skipped</note>"
                "<product><name>also</name></product>"));
  AddFile("a/products.xml",
          Items("<product><name>truffle</name><counts><cocoa>2</cocoa></counts></product>"
                "<ingredient><name>extra</name></ingredient>"));
  AddFile("items/cocoa.png", "x");
  Run("LoadIngredients()");
  EXPECT_EQ(Calls(), "ingredient{color=<1>;name=<cocoa>;}\nproduct{name=<also>;}\ningredient{name=<sugar>;}");
  // The item images stay in the loader's map; a missing one is logged and the loading goes on.
  EXPECT_TRUE(Content::Get()->HasAsset("items/cocoa"));
  EXPECT_EQ(gImageLoads, std::vector<std::string>{"items/cocoa.png"});

  Run("gCalls = {} LoadProducts()");
  EXPECT_EQ(Calls(), "product{counts={cocoa=<2>;};name=<truffle>;}\ningredient{name=<extra>;}");
}

TEST_F(ContentTest, AFileThatBreaksOrFailsLeavesTheOthersLoading) {
  AddFile("a/ingredients.xml", "<notroot><ingredient><name>lost</name></ingredient></notroot>");
  AddFile("b/ingredients.xml", Items("<ingredient><name>bad</name></ingredient><ingredient><name>good</name></ingredient>"));
  AddFile("c/ingredients.xml", "<root><ingredient><name>cut");
  AddFile("d/ingredients.xml", "<root><ingredient><name>half</name></ingredient></ro");
  Run("function CreateIngredient(t) if t.name == 'bad' then error('no') end table.insert(gCalls, t.name) end");
  Run("LoadIngredients()");
  EXPECT_EQ(Calls(), "good\ncut\nhalf");
  EXPECT_NE(Log().find("Lua Error"), std::string::npos);
  // A file broken inside a tag says so; the well-formed ones do not.
  EXPECT_NE(Log().find("Data file \"d/ingredients.xml\" is damaged"), std::string::npos) << Log();
  EXPECT_EQ(Log().find("Data file \"a/"), std::string::npos) << Log();
}

TEST_F(ContentTest, AHostileFileInTheUserFolderStaysData) {
  const std::string payload = R"(x", gHacked = 1, y = ")";
  const std::string breakout = R"(]] gHacked = 2 --)";
  AddUserFile("ingredients.xml",
              Items("<ingredient><name>" + std::string(XmlEscape(payload.c_str()).c_str()) + "</name><end>" + breakout +
                    "</end><x\\>slash</x\\></ingredient>"));
  Run("LoadIngredients()");
  EXPECT_TRUE(GlobalIsNil("gHacked"));
  EXPECT_EQ(Calls(), "ingredient{end=<" + breakout + ">;name=<" + payload + ">;x\\=<slash>;}");

  // Nesting deeper than the script parser takes is one logged error, not a crash.
  std::string deep;
  for (int i = 0; i < 600; ++i) deep += "<n>";
  AddUserFile("products.xml", Items("<product>" + deep + "x</product>"));
  Run("LoadProducts()");
  EXPECT_NE(Log().find("Lua Error"), std::string::npos);
}

TEST_F(ContentTest, PortAndQuestListsResolveScripts) {
  AddFile("ports/ports.xml",
          Items("<port>harbour</port><port><name>mill.lua</name></port><port>gone</port><port>.lua</port>"
                "<port>a.lua.lua</port><port></port><file>quest_in_ports</file>"));
  AddFile("ports/harbour/harbour.lua", "");
  AddFile("ports/harbour.lua", "");  // the folder's script wins
  AddFile("ports/mill.lua", "");
  AddFile("ports/a.lua.lua", "");
  AddFile("ports.xml", Items("<port>root_port</port>"));  // a file at the top names top-level scripts
  AddFile("root_port.lua", "");
  AddFile("quests/quests.xml", Items("<file>first</file><port>not a quest</port>"));
  AddFile("quests/first/first.lua", "");

  Run("gPorts = {'old1', 'old2', 'old3', 'old4', 'old5', x = 'kept'} LoadPortFileList(gPorts)");
  Run("gText = table.concat(gPorts, ',') .. ';' .. gPorts.x");
  EXPECT_EQ(GlobalString("gText"), "root_port.lua,ports/harbour/harbour.lua,ports/mill.lua,ports/a.lua.lua,old5;kept");

  Run("gQuests = {} LoadQuestFileList(gQuests) gText = table.concat(gQuests, ',')");
  EXPECT_EQ(GlobalString("gText"), "quests/first/first.lua");
  Run("LoadPortFileList(nil) LoadPortFileList('text')");  // not a table: nothing to fill
}

TEST_F(ContentTest, CreatedOnceAndSharedByPointer) {
  std::shared_ptr<Content> first = Content::Get();
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(Content::Create());
  EXPECT_EQ(Content::Get(), first);
}
