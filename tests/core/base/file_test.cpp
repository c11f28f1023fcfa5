// The file layer: path resolution, the handle and free functions, folder listing through the
// map, data folders and the directory iterator.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "core/base/directory_iterator.h"
#include "core/base/file.h"
#include "core/base/settings.h"
#include "tests/core/base/file_fixture.h"

namespace fs = std::filesystem;

TEST_F(FileLayerTest, ResolvesMappedNamesWhateverTheirCaseAndSeparators) {
  GetFileMap()[TStr("ui/mainloop.lua")] = TStr("assets/UI/MainLoop.lua");
  const struct {
    const char* path;
    const char* want;
  } cases[] = {
      {"ui/mainloop.lua", "assets/UI/MainLoop.lua"},
      {"UI/MainLoop.LUA", "assets/UI/MainLoop.lua"},
      {"ui\\mainloop.lua", "assets/UI/MainLoop.lua"},
      {"assets/ui/mainloop.lua", "assets/UI/MainLoop.lua"},
      {"assets\\ui/mainloop.lua", "assets/UI/MainLoop.lua"},
      {"Assets/UI/MainLoop.lua", "assets/UI/MainLoop.lua"},
      {"ui/other.lua", ""},
      {"/etc/passwd", ""},
      {"mainloop.lua", ""},
  };
  for (const auto& c : cases) EXPECT_STREQ(ResolvePath(TStr(c.path), true).c_str(), c.want) << c.path;
}

TEST_F(FileLayerTest, ProgramFolderPathsResolveAgainstTheDiskWithoutRegardToCase) {
  Put("Tools/Data.BIN", "xyz");
  EXPECT_STREQ(ResolvePath(TStr("::Tools/Data.BIN"), true).c_str(), "Tools/Data.BIN");
  EXPECT_STREQ(ResolvePath(TStr("::tools/data.bin"), false).c_str(), "Tools/Data.BIN");
  EXPECT_STREQ(ResolvePath(TStr("::tools\\DATA.bin"), true).c_str(), "Tools/Data.BIN");
  EXPECT_STREQ(ResolvePath(TStr("::tools/missing.bin"), false).c_str(), "");
  EXPECT_EQ(ReadAll("::TOOLS/data.bin"), "xyz");
  // A folder is not a readable file.
  EXPECT_STREQ(ResolvePath(TStr("::tools"), true).c_str(), "");
}

TEST_F(FileLayerTest, UserPathsMapOnlyWhatExistsOrIsWritten) {
  EXPECT_EQ(FileOpen("user:missing.txt", kFileReadBinary), nullptr);
  EXPECT_EQ(GetFileMap().count(TStr("user:missing.txt")), 0u);

  TFile* f = FileOpen("user:New/Sub/File.txt", kFileWriteBinary);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(FileWrite(f, "hello", 5), 5);
  FileClose(f);
  EXPECT_TRUE(fs::is_regular_file(UserFolder() + "/new/sub/file.txt"));
  ASSERT_EQ(GetFileMap().count(TStr("user:new/sub/file.txt")), 1u);
  EXPECT_EQ(ReadAll("USER:new/sub/FILE.TXT"), "hello");
  EXPECT_TRUE(FileExists(TStr("user:new/sub/file.txt")));
}

TEST_F(FileLayerTest, UserPathsFindFilesWrittenInAnyCase) {
  Put("data/user/Saves/Game1.SAV", "saved");
  EXPECT_EQ(ReadAll("user:saves/game1.sav"), "saved");
  // Writing the same name replaces that file instead of making a second one.
  TFile* f = FileOpen("user:SAVES/GAME1.sav", kFileWriteBinary);
  ASSERT_NE(f, nullptr);
  FileWrite(f, "again", 5);
  FileClose(f);
  EXPECT_EQ(ReadAll("::data/user/Saves/Game1.SAV"), "again");
  EXPECT_FALSE(fs::exists(UserFolder() + "/saves"));
}

TEST_F(FileLayerTest, DataFolderPathsNeverLeaveTheirFolder) {
  Put("data/secret.txt", "secret");
  const char* paths[] = {"user:../secret.txt", "user:..\\secret.txt", "user:a/../../secret.txt",
                         "common:../secret.txt", "desktop:../../x.txt", "user:./../secret.txt"};
  for (const char* p : paths) {
    EXPECT_STREQ(ResolvePath(TStr(p), true).c_str(), "") << p;
    EXPECT_STREQ(ResolvePath(TStr(p), false).c_str(), "") << p;
    EXPECT_EQ(FileOpen(p, kFileWriteBinary), nullptr) << p;
  }
  EXPECT_EQ(ReadAll("::data/secret.txt"), "secret");
  EXPECT_FALSE(fs::exists(Root() + "/x.txt"));
  // "." steps are harmless and stay inside.
  Put("data/user/ok.txt", "ok");
  EXPECT_EQ(ReadAll("user:./ok.txt"), "ok");
}

TEST_F(FileLayerTest, DataFolderPathsWithoutAFolderResolveToNothing) {
  SetDataFolders(TStr(""), TStr(""), TStr(""));
  EXPECT_STREQ(ResolvePath(TStr("user:prefs.dat"), false).c_str(), "");
  EXPECT_EQ(FileOpen("user:prefs.dat", kFileWriteBinary), nullptr);
}

TEST_F(FileLayerTest, ExcludedNamesCannotBeReadEvenThroughTheUserForm) {
  Put("data/user/cheats.txt", "x");
  GetExclusionSet().insert(TStr("user:cheats.txt"));
  EXPECT_EQ(FileOpen("user:cheats.txt", kFileReadBinary), nullptr);
  EXPECT_FALSE(FileExists(TStr("User:Cheats.txt")));
  // Writing is not a read: it goes through.
  TFile* f = FileOpen("user:cheats.txt", kFileWriteBinary);
  EXPECT_NE(f, nullptr);
  FileClose(f);
}

TEST_F(FileLayerTest, AHandleWithoutDataGivesNeutralValues) {
  TFile f;
  char buf[4];
  EXPECT_FALSE(f.IsOpen());
  EXPECT_EQ(f.Tell(), -1);
  EXPECT_EQ(f.GetSize(), 0);
  EXPECT_TRUE(f.IsEOF());
  EXPECT_EQ(f.Read(buf, 4), 0);
  EXPECT_EQ(f.Write(buf, 4), 0);
  f.Seek(3, kSeekStart);
  f.UngetByte();
  EXPECT_EQ(FileOpen("nothing/here", kFileReadBinary), nullptr);
  EXPECT_EQ(FileError(nullptr), 1);
  EXPECT_EQ(FileGetChar(nullptr), -1);
  FileClose(nullptr);
}

TEST_F(FileLayerTest, DiskFileSeekTellAndEndTable) {
  Put("data/user/ten.bin", "0123456789");
  TFile f;
  ASSERT_TRUE(f.Open(TStr("user:ten.bin"), kFileReadBinary));
  EXPECT_EQ(f.GetSize(), 10);
  const struct {
    int offset, origin, tell;
  } seeks[] = {{4, kSeekStart, 4}, {2, kSeekCurrent, 6}, {-3, kSeekEnd, 7}, {0, kSeekEnd, 10}, {0, 9, 0}};
  for (const auto& s : seeks) {
    f.Seek(s.offset, s.origin);
    EXPECT_EQ(f.Tell(), s.tell) << s.offset << "," << s.origin;
  }
  char buf[16];
  EXPECT_FALSE(f.IsEOF());
  EXPECT_EQ(f.Read(buf, 16), 10);
  EXPECT_TRUE(f.IsEOF());
  f.UngetByte();
  EXPECT_EQ(f.Read(buf, 1), 1);
  EXPECT_EQ(buf[0], '9');
}

TEST_F(FileLayerTest, FileGetsTable) {
  Put("data/user/lines.txt", "ab\ncd\r\nlast");
  const struct {
    int size;
    std::vector<std::string> lines;
    std::vector<bool> more;
  } cases[] = {
      {64, {"ab\n", "cd\r", "\n", "last"}, {true, true, true, false}},
      // A full buffer stops before the end is seen; the next call finds it.
      {3, {"ab", "\n", "cd", "\r", "\n", "la", "st", ""}, {true, true, true, true, true, true, true, false}},
      {1, {"", "", ""}, {true, true, true}},
  };
  for (const auto& c : cases) {
    TFile* f = FileOpen("user:lines.txt", kFileReadBinary);
    ASSERT_NE(f, nullptr);
    for (size_t i = 0; i < c.lines.size(); ++i) {
      char buf[64];
      memset(buf, 'z', sizeof buf);
      char* r = FileGets(f, buf, c.size);
      EXPECT_EQ(std::string(buf), c.lines[i]) << "size " << c.size << " line " << i;
      EXPECT_EQ(r != nullptr, (bool)c.more[i]) << "size " << c.size << " line " << i;
    }
    FileClose(f);
  }
}

TEST_F(FileLayerTest, FolderListingTakesOnlyKeysInsideTheFolder) {
  for (const char* k : {"ui.lua", "ui-old/x.lua", "ui/a.lua", "ui/b/c.lua", "uia/d.lua", "ui/z.lua", "user:prefs.dat",
                        "user:sub/x.dat", "users/y.dat"})
    GetFileMap()[TStr(k)] = TStr("v");
  auto list = [](const char* folder, bool recursive) {
    std::vector<std::string> out;
    TStr name;
    while (GetNextFileInFolder(TStr(folder), name, recursive)) out.push_back(name.c_str());
    return out;
  };
  using V = std::vector<std::string>;
  EXPECT_EQ(list("ui", false), (V{"ui/a.lua", "ui/z.lua"}));
  EXPECT_EQ(list("UI/", false), (V{"ui/a.lua", "ui/z.lua"}));
  EXPECT_EQ(list("ui", true), (V{"ui/a.lua", "ui/b/c.lua", "ui/z.lua"}));
  EXPECT_EQ(list("ui/b", false), (V{"ui/b/c.lua"}));
  EXPECT_EQ(list("user:", false), (V{"user:prefs.dat"}));
  EXPECT_EQ(list("user:", true), (V{"user:prefs.dat", "user:sub/x.dat"}));
  EXPECT_EQ(list("nothing", true), V{});
  // Resuming behind a name outside the folder still finds the folder's keys.
  TStr name("a");
  ASSERT_TRUE(GetNextFileInFolder(TStr("ui"), name, false));
  EXPECT_STREQ(name.c_str(), "ui/a.lua");
}

TEST_F(FileLayerTest, DataFolderIsMadeBelowTheSpecialFolder) {
  const char* appdata = getenv("ORVELLA_APPDATA_DIR");
  ASSERT_NE(appdata, nullptr);
  char small[8];
  int needed = GetDataFolder(false, "quillomer", small, sizeof small);
  ASSERT_GT(needed, (int)sizeof small);
  std::vector<char> out((size_t)needed);
  // The size it asked for is enough, terminator included.
  ASSERT_EQ(GetDataFolder(false, "quillomer", out.data(), needed), 0);
  std::string want = fs::path(appdata).lexically_normal().string();
  if (want.back() != '/') want += '/';
  want += "Kestrune/quillomer/";
  EXPECT_EQ(std::string(out.data()), want);
  EXPECT_EQ((int)strlen(out.data()) + 1, needed);
  EXPECT_TRUE(fs::is_directory(want));

  SetSetting(TStr("publisher"), TStr("Other Maker"));
  char buf[4096];
  ASSERT_TRUE(GetFolderPath(0x1A, buf, "game", sizeof buf));
  EXPECT_NE(std::string(buf).find("/Other Maker/game/"), std::string::npos);
  ASSERT_TRUE(GetFolderPath(0x23, buf, "game", sizeof buf));
  EXPECT_EQ(std::string(buf).rfind(fs::path(getenv("ORVELLA_COMMON_APPDATA_DIR")).lexically_normal().string(), 0), 0u);
  ASSERT_TRUE(GetFolderPath(0, buf, "game", sizeof buf));
  EXPECT_EQ(std::string(buf).find("game"), std::string::npos);
}

TEST_F(FileLayerTest, DirectoryIteratorListsInByteOrderAndStepsOverFoldersOnRequest) {
  Put("list/b.txt", "");
  Put("list/A.txt", "");
  Put("list/sub/c.txt", "");
  TDirectoryIterator it;
  it.Open("list");
  std::vector<std::string> all;
  TStr name;
  bool isFolder;
  while (it.Next(name, &isFolder)) all.push_back(std::string(name.c_str()) + (isFolder ? "/" : ""));
  EXPECT_EQ(all, (std::vector<std::string>{"A.txt", "b.txt", "sub/"}));
  EXPECT_FALSE(it.Next(name, &isFolder));
  it.Open("list/");
  std::vector<std::string> files;
  while (it.Next(name, nullptr)) files.push_back(name.c_str());
  EXPECT_EQ(files, (std::vector<std::string>{"A.txt", "b.txt"}));
  it.Open("no-such-folder");
  EXPECT_FALSE(it.Next(name, nullptr));
}

TEST_F(FileLayerTest, FullPathAndWorkingDirectory) {
  EXPECT_EQ(std::string(GetWorkingDirectory().c_str()), fs::current_path().string());
  EXPECT_EQ(std::string(GetFullPath("a/../b.txt").c_str()), (fs::current_path() / "b.txt").string());
  EXPECT_STREQ(GetFullPath("").c_str(), "");
}
