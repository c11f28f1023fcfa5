// TPrefs: values per user and install key, the chunk file as written and as read back (also by
// another process), damaged files, the older XML layout and saving over a previous file.
#include "core/base/prefs.h"

#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "core/base/cipher.h"
#include "core/base/file.h"
#include "core/base/log.h"
#include "core/base/settings.h"
#include "tests/support/host_file.h"
#include "tests/support/temp_folder.h"

namespace {

const char kKey[] = "Rk47vbnwJAAA";

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Builds chunk images by hand, enciphering as the file does.
class ChunkImage {
 public:
  ChunkImage() : mCipher(kKey) {}
  ChunkImage& Raw(const char* tag, const std::string& data) {
    mBytes.append(tag, 4);
    uint32_t n = (uint32_t)data.size();
    for (int i = 0; i < 4; ++i) mBytes += (char)(n >> (8 * i));
    mBytes += data;
    return *this;
  }
  ChunkImage& Enciphered(const char* tag, const std::string& plain) {
    return Raw(tag, Encipher(plain));
  }
  ChunkImage& Ikey(const std::string& key) { return Enciphered("IKEY", key + '\0'); }
  ChunkImage& User(int index) { return Raw("USER", std::string{(char)(index & 0xFF), (char)(index >> 8)}); }
  ChunkImage& Kvpr(const std::string& key, const std::string& value) {
    size_t n = key.size() + 1;
    std::string record{(char)(n & 0xFF), (char)(n >> 8)};
    record += key + '\0' + value + '\0';
    return Enciphered("KVPR", record);
  }
  std::string Encipher(const std::string& plain) {
    uint32_t n = mCipher.Encrypt(plain.data(), (uint32_t)plain.size(), nullptr, 0, false);
    std::string out(n, '\0');
    mCipher.Encrypt(plain.data(), (uint32_t)plain.size(), out.data(), n, false);
    return out;
  }
  std::string Decipher(const std::string& data) {
    uint32_t n = mCipher.Decrypt(data.data(), (uint32_t)data.size(), nullptr, 0, false);
    std::string out(n, '\0');
    if (n) mCipher.Decrypt(data.data(), (uint32_t)data.size(), out.data(), n, false);
    return out;
  }
  const std::string& Bytes() const { return mBytes; }

 private:
  TCipher mCipher;
  std::string mBytes;
};

class PrefsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearSettingsForTest();
    SetSetting("encryptionkey", kKey);
    ClearFileMap();
    SetDataFolders(folder.Path().c_str(), "", "");
    GetFileMap()["install.txt"] = TStr(InstallPath().c_str());
  }
  void TearDown() override { ClearFileMap(); }
  std::string PrefsPath() const { return folder.Path() + "/prefs.dat"; }
  std::string InstallPath() const { return folder.Path() + "/install.txt"; }
  TempFolder folder;
};

TEST_F(PrefsTest, ValuesPerUserWithDefaults) {
  TPrefs prefs(false);
  EXPECT_EQ(prefs.GetUserCount(), 0);
  prefs.SetInt("volume", -5, 0, false);
  prefs.SetString("name", "Ann", 1, false);
  prefs.SetString("mode", "story", -1, false);
  EXPECT_STREQ(prefs.GetString("volume", "x", 0).c_str(), "-5");
  EXPECT_EQ(prefs.GetInt("volume", 9, 0), -5);
  EXPECT_EQ(prefs.GetInt("absent", 9, 0), 9);
  EXPECT_STREQ(prefs.GetString("name", "none", 1).c_str(), "Ann");
  EXPECT_STREQ(prefs.GetString("name", "none", 0).c_str(), "none");
  EXPECT_STREQ(prefs.GetString("mode", "", -1).c_str(), "story");
  EXPECT_EQ(prefs.GetUserCount(), 2);
  // Reading past the last user creates nothing.
  EXPECT_STREQ(prefs.GetString("name", "dflt", 3).c_str(), "dflt");
  EXPECT_EQ(prefs.GetUserCount(), 2);
  prefs.SetString("name", "Bo", 1, false);  // replaces
  EXPECT_STREQ(prefs.GetString("name", "", 1).c_str(), "Bo");

  TPrefs fresh(false);
  fresh.SetString("k", "v", 4, false);  // global plus users 0 to 4
  EXPECT_EQ(fresh.GetUserCount(), 5);
  fresh.DeleteUser(7);  // out of range: nothing happens
  EXPECT_EQ(fresh.GetUserCount(), 5);
  fresh.DeleteUser(0);
  EXPECT_EQ(fresh.GetUserCount(), 4);
  EXPECT_STREQ(fresh.GetString("k", "", 3).c_str(), "v");  // later users moved down
  EXPECT_FALSE(std::filesystem::exists(PrefsPath()));  // saving disabled
}

TEST_F(PrefsTest, RoundTripAcrossProcesses) {
  auto inChild = [](auto body) {
    pid_t pid = fork();
    if (pid == 0) _exit(body() ? 0 : 1);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  };
  ASSERT_TRUE(inChild([] {
    TPrefs prefs(true);
    prefs.SetString("name", "Ann", 0, false);
    prefs.SetString("name", "Bo", 1, false);
    prefs.SetInt("volume", 70, -1, false);
    return true;  // the destructor saves
  }));
  {
    TPrefs prefs(true);
    ASSERT_EQ(prefs.GetUserCount(), 2);
    EXPECT_STREQ(prefs.GetString("name", "", 0).c_str(), "Ann");
    EXPECT_EQ(prefs.GetInt("volume", 0, -1), 70);
    prefs.DeleteUser(0);
    prefs.SetString("extra", "\xc3\xa9t\xc3\xa9", 0, true);
  }
  EXPECT_TRUE(inChild([] {
    TPrefs prefs(true);
    return prefs.GetUserCount() == 1 && prefs.GetString("name", "", 0) == TStr("Bo") &&
           prefs.GetString("extra", "", 0) == TStr("\xc3\xa9t\xc3\xa9") &&
           prefs.GetInt("volume", 0, -1) == 70;
  }));
}

TEST_F(PrefsTest, FileLayoutIsChunkedAndEnciphered) {
  WriteFile(InstallPath(), "KeyOne\r\n");
  {
    TPrefs first(true);  // without a file the key keeps its case
    EXPECT_STREQ(first.GetInstallKey().c_str(), "KeyOne");
  }
  {
    TPrefs prefs(true);
    EXPECT_STREQ(prefs.GetInstallKey().c_str(), "keyone");  // trimmed and lower-cased
    prefs.SetString("a", "1", -1, true);
  }
  ChunkImage expected;
  expected.Ikey("keyone").Ikey("keyone").User(0).Kvpr("a", "1");
  std::string file = ReadHostFile(PrefsPath());
  EXPECT_EQ(file, expected.Bytes());
  // The enciphered record: 16-bit key size, key with NUL, value with NUL.
  ChunkImage cipher;
  std::string record = cipher.Decipher(file.substr(file.size() - 8));
  EXPECT_EQ(record, std::string("\x02\x00" "a\0" "1\0", 6));
}

TEST_F(PrefsTest, InstallKeysDivideTheFile) {
  WriteFile(InstallPath(), "KeyOne");
  { TPrefs(true).SetString("who", "one", -1, true); }
  WriteFile(InstallPath(), "keytwo\n");
  {
    TPrefs prefs(true);
    EXPECT_STREQ(prefs.GetString("who", "nobody", -1).c_str(), "nobody");
    prefs.SetString("who", "two", -1, true);
  }
  WriteFile(InstallPath(), "KEYONE");
  TPrefs prefs(false);
  EXPECT_STREQ(prefs.GetString("who", "", -1).c_str(), "one");
  auto keys = prefs.GetInstallKeys();
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_STREQ(keys[0].c_str(), "keyone");
  EXPECT_STREQ(keys[1].c_str(), "keytwo");
}

TEST_F(PrefsTest, EmptyInstallTextTakesTheKeyFromTheFile) {
  ChunkImage image;
  image.Ikey("FromFile").Ikey("fromfile").User(0).Kvpr("k", "v");
  WriteFile(PrefsPath(), image.Bytes());
  WriteFile(InstallPath(), "");
  TPrefs prefs(false);
  EXPECT_STREQ(prefs.GetInstallKey().c_str(), "fromfile");
  EXPECT_STREQ(prefs.GetString("k", "", -1).c_str(), "v");
}

// Damaged files load what came before the damage and never crash.
TEST_F(PrefsTest, DamagedFiles) {
  std::string goodStart = ChunkImage().Ikey("unknown").Ikey("unknown").User(0).Kvpr("a", "1").Bytes();
  std::string plainRecordNoNul = std::string("\x03\x00", 2) + "abc" + "value";
  std::string overrun = std::string("\x40\x00", 2) + "k" + '\0';
  struct Case {
    const char* name;
    std::string tail;   // appended to goodStart
    bool keepsA;        // "a" loaded
    bool keepsB;        // "b" (after the damage) loaded
  };
  ChunkImage c;
  std::string after = ChunkImage().Kvpr("b", "2").Bytes();
  Case cases[] = {
      {"intact", after, true, true},
      {"user index 1024 accepted", ChunkImage().User(1024).Bytes() + ChunkImage().User(0).Bytes() + after, true, true},
      {"user index 1025 ends", ChunkImage().User(1025).Bytes() + after, true, false},
      {"oversized user", ChunkImage().Raw("USER", std::string(4, '\0')).Bytes() + after, true, false},
      {"kvpr overruns", ChunkImage().Enciphered("KVPR", overrun).Bytes() + after, true, false},
      {"key without NUL", ChunkImage().Enciphered("KVPR", plainRecordNoNul).Bytes() + after, true, false},
      {"bad tag", ChunkImage().Enciphered("XXXX", "junk").Bytes() + after, true, false},
      {"zero length", ChunkImage().Raw("KVPR", "").Bytes() + after, true, false},
      {"length above 4 MiB", std::string("KVPR\x01\x00\x40\x00", 8) + after, true, false},
      {"truncated length", std::string("KVPR\x10\x00", 6), true, false},
      {"truncated data", after.substr(0, after.size() - 3), true, false},
      {"undecipherable", ChunkImage().Raw("KVPR", std::string(8, '\x7f')).Bytes() + after, true, false},
  };
  for (const Case& k : cases) {
    WriteFile(PrefsPath(), goodStart + k.tail);
    TPrefs prefs(false);
    EXPECT_EQ(prefs.GetString("a", "", -1) == TStr("1"), k.keepsA) << k.name;
    EXPECT_EQ(prefs.GetString("b", "", -1) == TStr("2"), k.keepsB) << k.name;
  }

  // Without an IKEY chunk first nothing loads at all.
  for (const std::string& bytes : {ChunkImage().User(0).Kvpr("a", "1").Bytes(),
                                   ChunkImage().Kvpr("a", "1").Bytes(), std::string("IK"),
                                   std::string()}) {
    WriteFile(PrefsPath(), bytes);
    TPrefs prefs(false);
    EXPECT_STREQ(prefs.GetString("a", "none", -1).c_str(), "none");
    EXPECT_EQ(prefs.GetUserCount(), 0);
  }
}

// A damaged file is logged, and kept as it was beside the new one, which holds only what was read.
TEST_F(PrefsTest, ADamagedFileIsLoggedAndKeptBeforeItIsSavedOver) {
  TempFolder logs;
  SetLogPath(logs.Path().c_str());
  std::string good = ChunkImage().Ikey("unknown").User(0).Kvpr("a", "1").Bytes();
  std::string damaged = good + ChunkImage().Raw("KVPR", std::string(8, '\x7f')).Kvpr("b", "2").Bytes();
  WriteFile(PrefsPath(), damaged);
  { TPrefs prefs(true); }
  SetLogPath(nullptr);
  std::string log = ReadHostFile(logs.Path() + "/logfile.txt");
  EXPECT_NE(log.find("is damaged at byte " + std::to_string(good.size()) + " (chunk does not decipher)"),
            std::string::npos) << log;
  EXPECT_EQ(ReadHostFile(PrefsPath() + ".damaged"), damaged);
  {
    TPrefs again(false);
    EXPECT_STREQ(again.GetString("a", "", -1).c_str(), "1");
    EXPECT_STREQ(again.GetString("b", "none", -1).c_str(), "none");
  }

  // An intact file leaves no copy and no line.
  std::filesystem::remove(PrefsPath() + ".damaged");
  TempFolder quiet;
  SetLogPath(quiet.Path().c_str());
  { TPrefs prefs(true); }
  SetLogPath(nullptr);
  EXPECT_FALSE(std::filesystem::exists(PrefsPath() + ".damaged"));
  EXPECT_EQ(ReadHostFile(quiet.Path() + "/logfile.txt").find("damaged"), std::string::npos);
}

TEST_F(PrefsTest, OlderLayoutIsImportedAndRewritten) {
  ChunkImage c;
  std::string content = "<section gamma=\"g\"/><section name=\"Ann\" volume=\"3\"/>";
  // Enciphered content with its NUL, as Base64 text.
  TCipher cipher(kKey);
  std::string plain = content + '\0';
  uint32_t n = cipher.Encrypt(plain.data(), (uint32_t)plain.size(), nullptr, 0, true);
  std::string text(n, '\0');
  cipher.Encrypt(plain.data(), (uint32_t)plain.size(), text.data(), n, true);
  text.resize(strlen(text.c_str()));
  std::string old = "<>\n    <data1\n        data=\"" + text + "\">\n    </data1>\n"
                    "    <data2\n        data=\"" + std::to_string(content.size()) +
                    "\">\n    </data2>\n</>\n";
  WriteFile(PrefsPath(), old);
  {
    TPrefs prefs(true);
    EXPECT_STREQ(prefs.GetString("gamma", "", -1).c_str(), "g");
    EXPECT_STREQ(prefs.GetString("name", "", 0).c_str(), "Ann");
    EXPECT_EQ(prefs.GetInt("volume", 0, 0), 3);
  }
  std::string rewritten = ReadHostFile(PrefsPath());
  ASSERT_GE(rewritten.size(), 4u);
  EXPECT_EQ(rewritten.substr(0, 4), "IKEY");
  TPrefs again(false);
  EXPECT_STREQ(again.GetString("name", "", 0).c_str(), "Ann");

  // The older install file names the install key the sections are filed under.
  WriteFile(PrefsPath(), old);
  WriteFile(InstallPath(), "<install ksinstallkey=\"OldKey\"/>");
  TPrefs filed(false);
  EXPECT_EQ(filed.GetSectionCount("oldkey"), 2);
  auto entries = filed.GetSectionEntries("oldkey", 1);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_STREQ(entries[0].first.c_str(), "name");
  EXPECT_STREQ(entries[0].second.c_str(), "Ann");
}

TEST_F(PrefsTest, FailedSaveKeepsThePreviousFile) {
  { TPrefs(true).SetString("keep", "me", -1, true); }
  std::string before = ReadHostFile(PrefsPath());
  ASSERT_FALSE(before.empty());
  // The temporary file cannot be made: a folder holds its name.
  std::filesystem::create_directories(PrefsPath() + ".tmp/blocked");
  {
    TPrefs prefs(true);
    prefs.SetString("keep", "changed", -1, true);
  }
  EXPECT_EQ(ReadHostFile(PrefsPath()), before);
  std::filesystem::remove_all(PrefsPath() + ".tmp");
  { TPrefs(true).SetString("keep", "changed", -1, true); }
  EXPECT_NE(ReadHostFile(PrefsPath()), before);
  EXPECT_FALSE(std::filesystem::exists(PrefsPath() + ".tmp"));
}

// A file naming high user sections under many install keys costs memory and write-back in
// proportion to its own size, not to the sections it names; the user counts survive.
TEST_F(PrefsTest, HighSectionNumbersCostWhatTheFileHolds) {
  ChunkImage image;
  image.Ikey("unknown");
  for (int k = 0; k < 300; ++k) image.Ikey("k" + std::to_string(k)).User(1024);
  image.Ikey("unknown").User(1).Kvpr("a", "1");
  WriteFile(PrefsPath(), image.Bytes());
  size_t before = mallinfo2().uordblks;
  {
    TPrefs prefs(true);
    size_t used = mallinfo2().uordblks - before;
    EXPECT_EQ(prefs.GetSectionCount("k7"), 1025);
    EXPECT_EQ(prefs.GetUserCount(), 1);
    EXPECT_STREQ(prefs.GetString("a", "", 0).c_str(), "1");
    EXPECT_STREQ(prefs.GetString("a", "none", 1023).c_str(), "none");
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    EXPECT_LT(used, 40 * image.Bytes().size());
#endif
    (void)used;
  }  // saved here
  EXPECT_LE(ReadHostFile(PrefsPath()).size(), image.Bytes().size() + 32);
  TPrefs again(false);
  EXPECT_EQ(again.GetSectionCount("k299"), 1025);
  EXPECT_EQ(again.GetUserCount(), 1);
  EXPECT_STREQ(again.GetString("a", "", 0).c_str(), "1");
  again.DeleteUser(0);
  EXPECT_EQ(again.GetUserCount(), 0);
  EXPECT_STREQ(again.GetString("a", "gone", 0).c_str(), "gone");
}

// Loading stops at a bound on entries and on bytes read; saving never writes a file the
// loader would cut short.
TEST_F(PrefsTest, LoadingAndSavingAreBounded) {
  TempFolder logs;
  SetLogPath(logs.Path().c_str());
  ChunkImage many;
  many.Ikey("unknown").Ikey("unknown").User(0);
  for (int i = 0; i < kPrefsMaxItems + 10; ++i) many.Kvpr("k" + std::to_string(i), "");
  WriteFile(PrefsPath(), many.Bytes());
  {
    TPrefs prefs(false);
    EXPECT_STREQ(prefs.GetString("k100", "absent", -1).c_str(), "");
    EXPECT_STREQ(prefs.GetString(TStr::Format("k%d", kPrefsMaxItems + 9), "absent", -1).c_str(), "absent");
  }
  std::filesystem::remove(PrefsPath());
  std::string big(3u << 20, 'v');
  {
    TPrefs prefs(true);
    for (const char* key : {"one", "two", "three"}) prefs.SetString(key, TStr(big.c_str()), -1, false);
  }
  EXPECT_LE(ReadHostFile(PrefsPath()).size(), kPrefsMaxFileSize);
  TPrefs back(false);
  EXPECT_EQ(back.GetString("one", "", -1).Length(), (int)big.size());
  EXPECT_EQ(back.GetString("three", "", -1).Length(), (int)big.size());
  EXPECT_STREQ(back.GetString("two", "skipped", -1).c_str(), "skipped");  // key order: one, three, two
  // A file past the byte bound loads what lies within it.
  WriteFile(PrefsPath(), ReadHostFile(PrefsPath()) + ChunkImage().Kvpr("two", big).Kvpr("late", "x").Bytes());
  TPrefs cut(false);
  EXPECT_STREQ(cut.GetString("late", "cut", -1).c_str(), "cut");
  EXPECT_EQ(cut.GetString("three", "", -1).Length(), (int)big.size());
  SetLogPath(nullptr);
  std::string log = ReadHostFile(logs.Path() + "/logfile.txt");
  EXPECT_NE(log.find("Prefs: more than 65536 entries; the rest of the file is ignored"), std::string::npos);
  EXPECT_NE(log.find("Prefs: entry too large to save, skipped"), std::string::npos);
  EXPECT_NE(log.find("is larger than 8388608 bytes; the rest is ignored"), std::string::npos);
}

TEST_F(PrefsTest, MissingKeyIsLoggedAndUsersBeyondTheLimitAreRefused) {
  TempFolder logs;
  SetLogPath(logs.Path().c_str());
  ClearSettingsForTest();
  TPrefs prefs(false);
  prefs.SetString("k", "v", kPrefsMaxUserIndex, false);  // section 1025: never loadable
  prefs.SetString("k", "v", -2, false);
  EXPECT_EQ(prefs.GetUserCount(), 0);
  prefs.SetString("k", "v", kPrefsMaxUserIndex - 1, false);
  EXPECT_EQ(prefs.GetUserCount(), kPrefsMaxUserIndex);
  SetLogPath(nullptr);
  EXPECT_NE(ReadHostFile(logs.Path() + "/logfile.txt").find("ERROR: No encryption key set before TPrefs construction!"),
            std::string::npos);
}

}  // namespace
