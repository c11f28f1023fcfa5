// Building the file map: manifests, packs, loose files, data folders and damaged packs.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/base/asset_file_list.h"
#include "core/base/file_map_handler.h"
#include "core/base/settings.h"
#include "tests/core/base/file_fixture.h"
#include "tools/kspack/pack_writer.h"

namespace fs = std::filesystem;

class AssetFileListTest : public FileLayerTest {
 protected:
  TStr Mapped(const char* key) {
    auto it = GetFileMap().find(TStr(key));
    return it == GetFileMap().end() ? TStr("<none>") : it->second;
  }
};

TEST_F(AssetFileListTest, LooseFilesBeatPacksAndLaterPacksBeatEarlierOnes) {
  ASSERT_TRUE(WritePack(Root() + "/assets/a.ksp", {{"UI/X.lua", "from a"}, {"only/a.txt", "A"}}));
  ASSERT_TRUE(WritePack(Root() + "/assets/b.ksp", {{"ui/x.lua", "from b"}, {"ui/y.lua", "y from b"}}));
  Put("assets/ui/y.lua", "loose y");
  BuildFileMap();
  ASSERT_EQ(GetPackList().size(), 2u);
  EXPECT_EQ(ReadAll("ui/x.lua"), "from b");
  EXPECT_EQ(std::string(Mapped("ui/x.lua").c_str()).substr(0, 3), "@1:");
  EXPECT_EQ(ReadAll("UI/Y.LUA"), "loose y");
  EXPECT_STREQ(Mapped("ui/y.lua").c_str(), "assets/ui/y.lua");
  EXPECT_EQ(ReadAll("only/a.txt"), "A");
  EXPECT_EQ(ReadAll("assets/only/a.txt"), "A");
}

TEST_F(AssetFileListTest, LooseNamesKeepTheirCaseInTheValue) {
  fs::remove_all(Root() + "/assets");
  Put("Assets/UI/Menu.lua", "menu");
  Put("Assets/Packs.KSP", BuildPack({{"Fonts/Big.MVEC", "font"}}));
  BuildFileMap();
  EXPECT_STREQ(Mapped("ui/menu.lua").c_str(), "Assets/UI/Menu.lua");
  EXPECT_EQ(ReadAll("ui/menu.lua"), "menu");
  EXPECT_EQ(ReadAll("fonts/big.mvec"), "font");
}

TEST_F(AssetFileListTest, ManifestWordsExcludeAndMinusStarCancelsWhatCameBefore) {
  Put("final.txt", "a.lua\t-*\r\nb.lua  Debug\n");
  for (const char* f : {"assets/a.lua", "assets/b.lua", "assets/debug/tool.lua", "assets/c.lua"}) Put(f, "x");
  BuildFileMap();
  EXPECT_EQ(GetExclusionSet().size(), 2u);
  EXPECT_NE(Mapped("a.lua"), TStr("<none>"));
  EXPECT_EQ(Mapped("b.lua"), TStr("<none>"));
  EXPECT_EQ(Mapped("debug/tool.lua"), TStr("<none>"));
  EXPECT_NE(Mapped("c.lua"), TStr("<none>"));
  EXPECT_FALSE(IsPathAllowed(TStr("B.lua")));
  EXPECT_TRUE(IsPathAllowed(TStr("a.lua")));
}

TEST_F(AssetFileListTest, ManifestOfOneHundredThousandBytesIsIgnored) {
  for (int size : {99999, 100000}) {
    Reset();
    std::string text = "b.lua ";
    text.resize((size_t)size, ' ');
    Put("final.txt", text);
    Put("assets/b.lua", "x");
    BuildFileMap();
    EXPECT_EQ(GetExclusionSet().count(TStr("b.lua")), size < 100000 ? 1u : 0u) << size;
    EXPECT_EQ(Mapped("b.lua") == TStr("<none>"), size < 100000) << size;
  }
}

TEST_F(AssetFileListTest, EarlyViewPicksItsOwnManifest) {
  Put("final.txt", "a.lua");
  Put("earlyview.txt", "b.lua");
  SetSetting(TStr("earlyview"), TStr("1"));
  BuildFileMap();
  EXPECT_EQ(GetExclusionSet().count(TStr("b.lua")), 1u);
  EXPECT_EQ(GetExclusionSet().count(TStr("a.lua")), 0u);
}

TEST_F(AssetFileListTest, ParseExclusionListRemovesWhenNotAdding) {
  std::string add = "A B c";
  std::string remove = "b";
  EXPECT_FALSE(ParseExclusionList(add.data(), true));
  EXPECT_FALSE(ParseExclusionList(remove.data(), false));
  EXPECT_EQ(GetExclusionSet(), (std::set<TStr>{TStr("a"), TStr("c")}));
  std::string clear = "-*";
  EXPECT_TRUE(ParseExclusionList(clear.data(), false));
  EXPECT_TRUE(GetExclusionSet().empty());
}

TEST_F(AssetFileListTest, DataFoldersAreScannedWithPrefixesUnlessEmbedded) {
  Put("data/user/prefs.dat", "p");
  Put("data/user/Strings_fr.xml", "s");
  Put("data/user/.svn/entries", "e");
  Put("data/common/display.xml", "d");
  Put("data/user/user.ksp", BuildPack({{"ui/x.lua", "never"}}));
  Put("assets/notes.ksp.txt", "not a pack");
  BuildFileMap();
  EXPECT_NE(Mapped("user:prefs.dat"), TStr("<none>"));
  EXPECT_NE(Mapped("user:strings_fr.xml"), TStr("<none>"));
  EXPECT_EQ(Mapped("user:.svn/entries"), TStr("<none>"));
  EXPECT_NE(Mapped("common:display.xml"), TStr("<none>"));
  // Packs only open from the assets folder; a name holding ".ksp" is only tried.
  EXPECT_EQ(Mapped("ui/x.lua"), TStr("<none>"));
  EXPECT_TRUE(GetPackList().empty());
  EXPECT_NE(Mapped("notes.ksp.txt"), TStr("<none>"));

  Reset();
  SetSetting(TStr("activex"), TStr("1"));
  BuildFileMap();
  EXPECT_EQ(Mapped("user:prefs.dat"), TStr("<none>"));
  EXPECT_EQ(ReadAll("user:prefs.dat"), "p");
}

TEST_F(AssetFileListTest, RemountingAPackReusesItsSlot) {
  Put("assets/a.ksp", BuildPack({{"x.txt", "one"}}));
  ASSERT_TRUE(MountPack(TStr("::assets/a.ksp"), GetFileMap()));
  Put("assets/a.ksp", BuildPack({{"x.txt", "two!"}}));
  ASSERT_TRUE(MountPack(TStr("::assets/a.ksp"), GetFileMap()));
  EXPECT_EQ(GetPackList().size(), 1u);
  EXPECT_EQ(ReadAll("x.txt"), "two!");
}

namespace {
std::string Le32(uint32_t v) {
  std::string s;
  PackPut32(s, v);
  return s;
}
std::string Entry(const std::string& name, uint32_t offset, uint32_t size) {
  return std::string(1, (char)name.size()) + name + Le32(offset) + Le32(size);
}
}  // namespace

TEST_F(AssetFileListTest, LyingPacksAreSkippedWholeAndTheRestMount) {
  const struct {
    const char* what;
    std::string bytes;
  } bad[] = {
      {"count too large", "KSPK" + Le32(1000) + Entry("bad/a", 0, 4)},
      {"negative count", "KSPK" + Le32(0x80000000u) + Entry("bad/a", 0, 4)},
      {"member past the end", "KSPK" + Le32(2) + Entry("bad/a", 0, 4) + Entry("bad/b", 20, 4000)},
      {"offset wraps", "KSPK" + Le32(1) + Entry("bad/a", 0xFFFFFFF0u, 0x20)},
      {"directory cut short", "KSPK" + Le32(2) + Entry("bad/a", 0, 4) + std::string("\x09" "bad/", 5)},
      {"count cut short", std::string("KSPK\x01\x00", 6)},
      {"name with NUL", "KSPK" + Le32(1) + Entry(std::string("bad\0a", 5), 0, 4)},
  };
  char name = 'a';
  for (const auto& b : bad) Put(std::string("assets/") + name++ + ".ksp", b.bytes);
  Put("assets/z.ksp", BuildPack({{"good/x.txt", "good"}}));
  Put("assets/wrongmagic.ksp", "KSPX" + Le32(0));
  BuildFileMap();
  for (const char* key : {"bad/a", "bad/b"}) EXPECT_EQ(Mapped(key), TStr("<none>")) << key;
  ASSERT_EQ(GetPackList().size(), 1u);
  EXPECT_EQ(ReadAll("good/x.txt"), "good");
  std::string log = LogText();
  for (char c = 'a'; c < name; ++c)
    EXPECT_NE(log.find(std::string("Skipping damaged pack ::assets/") + c + ".ksp"), std::string::npos) << c;
  EXPECT_EQ(log.find("wrongmagic"), std::string::npos);
}

TEST_F(AssetFileListTest, MemberReadsStayInsideTheirPack) {
  std::string pack = BuildPack({{"m/one", "0123456789"}});
  Put("assets/p.ksp", pack);
  BuildFileMap();
  TFile f;
  ASSERT_TRUE(f.Open(TStr("m/one"), kFileReadBinary));
  char buf[64];
  EXPECT_EQ(f.Read(buf, 64), 10);
  f.Seek(-100, kSeekEnd);
  EXPECT_EQ(f.Read(buf, 64), 0);
}

TEST_F(AssetFileListTest, AFolderLinkedIntoItselfEndsTheScan) {
  Put("assets/loop/real.txt", "r");
  std::error_code ec;
  fs::create_directory_symlink(Root() + "/assets/loop", Root() + "/assets/loop/again", ec);
  if (ec) GTEST_SKIP() << "no symbolic links here";
  Put("assets/after.txt", "a");
  BuildFileMap();
  EXPECT_EQ(ReadAll("loop/real.txt"), "r");
  EXPECT_EQ(ReadAll("loop/again/again/real.txt"), "r");
  EXPECT_EQ(ReadAll("after.txt"), "a");
  EXPECT_NE(LogText().find("is nested too deeply; skipped"), std::string::npos);
}
