// Safe replacing writes: on a disk that fills up (a file-size limit in a child process), every
// saver keeps the previous file whole, leaves no temporary file and says why in the log.
#include "core/base/whole_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "core/base/file.h"
#include "core/base/hiscore.h"
#include "core/base/log.h"
#include "core/base/prefs.h"
#include "core/base/settings.h"
#include "platform/test_control.h"
#include "tests/support/full_disk.h"
#include "tests/support/host_file.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

class WholeFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearSettingsForTest();
    SetSetting("encryptionkey", "Rk47vbnwJAAA");
    ClearFileMap();
    SetDataFolders(folder.Path().c_str(), "", "");
    SetLogPath(logs.Path().c_str());
  }
  void TearDown() override {
    SetLogPath(nullptr);
    ClearFileMap();
  }
  std::string Log() const { return ReadHostFile(logs.Path() + "/logfile.txt"); }
  TempFolder folder;
  TempFolder logs;
};

TEST_F(WholeFileTest, WritesReplaceAndReadBack) {
  std::string path = folder.Path() + "/sub/folder/data.bin";  // folders are made on the way
  ASSERT_TRUE(WriteFileReplacing("user:sub/folder/data.bin", "first", 5));
  EXPECT_EQ(ReadHostFile(path), "first");
  ASSERT_TRUE(WriteFileReplacing("user:sub/folder/data.bin", "", 0));
  EXPECT_EQ(ReadHostFile(path), "");
  ASSERT_TRUE(WriteFileReplacing("user:sub/folder/data.bin", "second", 6));
  std::vector<char> back;
  ASSERT_TRUE(ReadWholeFile("user:sub/folder/data.bin", &back));
  EXPECT_EQ(std::string(back.begin(), back.end()), "second");
  ASSERT_TRUE(ReadWholeFile("user:sub/folder/data.bin", &back, 3));
  EXPECT_EQ(std::string(back.begin(), back.end()), "sec");
  EXPECT_FALSE(ReadWholeFile("user:absent.bin", &back));
  EXPECT_FALSE(fs::exists(path + ".tmp"));
}

// Each saver writes a good file, then tries to save something larger on a full disk. The new
// content stays below the size a buffered writer keeps in memory, so a writer that checks only
// its write calls would not notice and would rename a truncated file over the good one.
TEST_F(WholeFileTest, FullDiskKeepsThePreviousFile) {
  const std::string big(1500, 'x');
  const struct {
    const char* what;
    const char* file;
    std::function<void()> saveGood;
    std::function<void()> saveBig;
  } cases[] = {
      {"helper", "data.bin", [] { WriteFileReplacing("user:data.bin", "good", 4); },
       [&] { WriteFileReplacing("user:data.bin", big.data(), big.size()); }},
      {"preferences", "prefs.dat", [] { TPrefs(true).SetString("name", "Ann", 0, true); },
       [&] { TPrefs(true).SetString("name", TStr(big.c_str()), 0, true); }},
      {"high scores", "hiscore.dat",
       [] {
         TKsHiscores h;
         h.SetParameter(TKsHiscores::kParamPlayer, "Ann");
         h.SetParameter(TKsHiscores::kParamGameMode, "story");
         h.AddLocalScore(10, false, "", "");
       },
       [&] {
         TKsHiscores h;
         h.SetParameter(TKsHiscores::kParamPlayer, "Ann");
         h.SetParameter(TKsHiscores::kParamGameMode, "story");
         h.AddLocalScore(20, false, big.c_str(), "");
       }},
  };
  for (const auto& c : cases) {
    std::string path = folder.Path() + "/" + c.file;
    c.saveGood();
    std::string good = ReadHostFile(path);
    ASSERT_FALSE(good.empty()) << c.what;
    ASSERT_LT(good.size() + 64, 1000u) << c.what;
    SetLogPath(nullptr);  // the child starts its own log, which must fit under the limit too
    ASSERT_TRUE(InFullDiskChild(1000, [&] {
      SetLogPath(logs.Path().c_str());
      c.saveBig();
      SetLogPath(nullptr);
      return true;
    })) << c.what;
    EXPECT_NE(Log().find("the previous file is kept"), std::string::npos) << c.what;
    SetLogPath(logs.Path().c_str());
    EXPECT_EQ(ReadHostFile(path), good) << c.what;
    EXPECT_FALSE(fs::exists(path + ".tmp")) << c.what;
    // With room again the same save goes through.
    c.saveBig();
    EXPECT_GE(ReadHostFile(path).size(), big.size()) << c.what;
  }
}

// What a process killed while saving leaves behind is removed by the next save, whatever it has
// become since: never written through to another file.
TEST_F(WholeFileTest, AStaleTemporaryFileIsRemovedByTheNextSave) {
  std::string path = folder.Path() + "/prefs.dat", temp = path + ".tmp";
  std::string other = folder.Path() + "/other.dat";
  const struct {
    const char* what;
    std::function<void()> leave;
  } cases[] = {
      {"cut-off save", [&] { std::ofstream(temp, std::ios::binary) << std::string(5000, 'z'); }},
      {"hard link", [&] { fs::create_hard_link(other, temp); }},
      {"symbolic link", [&] { fs::create_symlink(other, temp); }},
  };
  for (const auto& c : cases) {
    std::ofstream(other, std::ios::binary) << "someone else's";
    c.leave();
    ASSERT_TRUE(WriteFileReplacing("user:prefs.dat", "fresh", 5)) << c.what;
    EXPECT_EQ(ReadHostFile(path), "fresh") << c.what;
    EXPECT_FALSE(fs::is_symlink(path)) << c.what;
    EXPECT_FALSE(fs::exists(fs::symlink_status(temp))) << c.what;
    EXPECT_EQ(ReadHostFile(other), "someone else's") << c.what;
  }
}

// The folder's flush comes after the rename: when it fails the new file is in place, and the
// log and the answer say so.
TEST_F(WholeFileTest, AFailedFolderFlushAfterTheRenameKeepsTheNewFile) {
  std::string path = folder.Path() + "/data.bin";
  ASSERT_TRUE(WriteFileReplacing("user:data.bin", "old", 3));
  TestControl::FailFolderFlush(true);
  EXPECT_TRUE(WriteFileReplacing("user:data.bin", "new", 3));
  TestControl::FailFolderFlush(false);
  EXPECT_EQ(ReadHostFile(path), "new");
  EXPECT_FALSE(fs::exists(path + ".tmp"));
  std::string log = Log();
  EXPECT_NE(log.find("Saved user:data.bin, but flushing its folder failed"), std::string::npos) << log;
  EXPECT_EQ(log.find("the previous file is kept"), std::string::npos) << log;
}

TEST_F(WholeFileTest, TargetsThatCannotBeReplacedFail) {
  GetFileMap()["member.txt"] = "@0:0,10";
  EXPECT_FALSE(WriteFileReplacing("member.txt", "x", 1));
  // A folder in the way of the temporary file.
  fs::create_directories(folder.Path() + "/blocked.dat.tmp/inside");
  EXPECT_FALSE(WriteFileReplacing("user:blocked.dat", "x", 1));
  EXPECT_FALSE(fs::exists(folder.Path() + "/blocked.dat"));
  EXPECT_NE(Log().find("Could not save user:blocked.dat"), std::string::npos);
}

}  // namespace
