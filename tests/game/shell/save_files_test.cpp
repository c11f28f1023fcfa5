// Save strings, save files and configuration queries as the scripts call them: per-user save
// strings, files written whole or not at all (a full disk, a kill in the middle of a save), the
// save-file listing, the configuration words and the local score list.
#include "game/shell/save_files.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "core/base/file.h"
#include "core/base/asset_file_list.h"
#include "core/base/hiscore.h"
#include "core/base/settings.h"
#include "game/shell/game_library.h"
#include "game/shell/user_manager.h"
#include "tests/game/shell/game_script_fixture.h"
#include "tests/support/full_disk.h"
#include "tests/support/killed_child.h"

namespace {

class SaveFilesTest : public game_test::GameScriptFixture {
 protected:
  void SetUp() override {
    GameScriptFixture::SetUp();
    SetSetting("encryptionkey", "Rk47vbnwJAAA");
    SetDataFolders(user.Path().c_str(), common.Path().c_str(), TStr());
    RegisterGameLibrary();
    UserManager::Create();
  }
  void TearDown() override {
    UserManager::Destroy();
    // Forget the folder's keys and the listing's place in them.
    for (auto it = GetFileMap().begin(); it != GetFileMap().end();)
      it = strncmp(it->first.c_str(), "user:", 5) == 0 ? GetFileMap().erase(it) : std::next(it);
    while (!NextSaveFileName().IsEmpty()) {
    }
    SetDataFolders(TStr(), TStr(), TStr());
    GameScriptFixture::TearDown();
  }
  std::string Eval(const std::string& expression) {
    Run("gValue = " + expression);
    return GlobalString("gValue");
  }
  std::string HostFile(const std::string& name) { return ReadHostFile(user.Path() + "/" + name); }

  TempFolder user, common;
};

}  // namespace

TEST_F(SaveFilesTest, SaveStringsBelongToTheCurrentUser) {
  Run("CreateNewUser('Ann') CreateNewUser('Bob') CreateNewUser('Cy')");
  Run("SetCurrentUser(1) SaveGameString('bob: week 3')");
  Run("SetCurrentUser(2) SaveGameString('cy: week 9')");
  EXPECT_EQ(Eval("LoadGameString()"), "cy: week 9");
  Run("SetCurrentUser(1)");
  EXPECT_EQ(Eval("LoadGameString()"), "bob: week 3");  // user 2's save left user 1's alone
  Run("SetCurrentUser(0)");
  EXPECT_EQ(Eval("LoadGameString()"), "");

  Run("SetCurrentUser(-1) SaveGameString('nobody')");
  EXPECT_EQ(Eval("LoadGameString()"), "");  // even though others have saves
  // Saved at once: a new manager reads them back from the file.
  UserManager::Create();
  Run("SetCurrentUser(2)");
  EXPECT_EQ(Eval("LoadGameString()"), "cy: week 9");
}

TEST_F(SaveFilesTest, FilesComeBackExactlyAsWritten) {
  std::string everyByte;
  for (int c = 0; c < 256; ++c) everyByte += (char)c;
  struct Case {
    const char* name;
    std::string text;
  } cases[] = {
      {"empty.quill3", ""},
      {"plain.quill3", "Player = { money = 1200 }"},
      {"lines.txt", "one\ntwo\r\nthree\n"},
      {"nul.quill3", std::string("before\0after the NUL", 20)},
      {"bytes.quill3", everyByte},
      {"big.quill3", std::string(300000, 'x') + "end"},
  };
  for (const Case& c : cases) {
    lua_State* L = this->L();
    lua_pushstring(L, "gText");
    lua_pushlstring(L, c.text.data(), c.text.size());
    lua_settable(L, LUA_GLOBALSINDEX);
    Run(std::string("gOk = WriteToFile('") + c.name + "', gText) gBack = ReadFromFile('" + c.name + "')");
    EXPECT_EQ(GlobalString("gOk"), "true") << c.name;
    lua_pushstring(L, "gBack");
    lua_gettable(L, LUA_GLOBALSINDEX);
    EXPECT_EQ(std::string(lua_tostring(L, -1), lua_strlen(L, -1)), c.text) << c.name;
    lua_pop(L, 1);
    EXPECT_EQ(HostFile(c.name), c.text) << c.name;
  }
  EXPECT_EQ(Eval("ReadFromFile('missing.quill3')"), "");
  // The per-user folder is the limit: a name that climbs out of it writes nothing.
  EXPECT_EQ(Eval("WriteToFile('../outside.quill3', 'x')"), "false");
}

TEST_F(SaveFilesTest, AFailedSaveKeepsThePreviousFileAndSaysSo) {
  ASSERT_TRUE(WriteToFile("slot.quill3", "the good save"));
  // On a full disk the new text does not fit; the script hears of it and the old file stays.
  EXPECT_TRUE(InFullDiskChild(4096, [] { return !WriteToFile("slot.quill3", std::string(100000, 'n')); }));
  EXPECT_EQ(HostFile("slot.quill3"), "the good save");

  // Killed in the middle of saving: the file is the old save or the new one, never a mix. The
  // kill comes once a quarter of the new save has reached the folder, wherever it is written.
  const std::string newText(32 << 20, 'N');
  const std::string folder = user.Path();
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(WriteToFile("slot.quill3", "the good save"));
    EXPECT_TRUE(KillChildAtReady([&](const std::function<void()>& ready) {
      std::thread watcher([&] {
        for (;;) {
          std::error_code error;
          uintmax_t bytes = 0;
          for (const auto& entry : std::filesystem::directory_iterator(folder, error))
            if (entry.is_regular_file(error)) bytes += entry.file_size(error);
          if (bytes >= newText.size() / 4) break;
        }
        ready();
      });
      WriteToFile("slot.quill3", newText);
      watcher.join();
    }));
    EXPECT_EQ(HostFile("slot.quill3"), "the good save") << "round " << round;
  }
  ASSERT_TRUE(WriteToFile("slot.quill3", newText));
  EXPECT_EQ(HostFile("slot.quill3").size(), newText.size());
}

TEST_F(SaveFilesTest, SaveFilesAreListedOneByOneThenAgain) {
  for (const char* name : {"a.quill3", "b.txt", "c.quill3", "x.QUILL3", "d.quill3.bak"}) WriteToFile(name, "x");
  // Names on disk that the folder scan maps too.
  std::ofstream(user.File("sub/e.quill3")) << "x";
  std::ofstream(user.File("f.quill3")) << "x";
  ScanFolder(user.Path().c_str(), "user:");
  // The file map's keys are lower case: "x.QUILL3" comes back as "x" (the file layer decides).
  const char* expected[] = {"a", "c", "f", "x", "", "a"};
  for (const char* name : expected) EXPECT_EQ(Eval("NextSaveFileName()"), name);
}

TEST_F(SaveFilesTest, ConfigurationWordsAndLocalScores) {
  SetSetting("hiscorelocal", "1");
  SetSetting("hiscoreanon", "0");
  SetSetting("cheatmode", "2");
  AddFile("xsell/xsell.lua", "");
  struct Case {
    const char* key;
    const char* answer;
  } cases[] = {{"local", "true"},    {"Local", "false"}, {"anonymous", "false"}, {"earlyview", "false"},
               {"xsell", "true"},    {"dev", "true"},    {"", "false"},          {"cheatmode", "false"}};
  for (const Case& c : cases) EXPECT_EQ(Eval(std::string("CheckConfig('") + c.key + "')"), c.answer) << c.key;

  Run("CreateNewUser('Ann') LogScore(1234.9, 'week 12', 'server')");
  TKsHiscores* scores = UserManager::Get()->GetHiscores();
  ASSERT_EQ(scores->GetScoreCount(true), 1);
}
