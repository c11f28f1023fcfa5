// Tests of the settings store: defaults, the cheat-mode gate, the listener and its reactions.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "core/base/cipher.h"
#include "core/base/log.h"
#include "core/base/settings.h"
#include "tests/core/base/file_fixture.h"

namespace {
const char kKey[] = "Rk47vbnwJAAA";

// A cheat code as the tool that issues them writes it: the identifier with its NUL, enciphered.
TStr MakeCode(const char* id, const char* key = kKey) {
  TCipher cipher(key);
  uint32_t need = cipher.Encrypt(id, (uint32_t)std::strlen(id) + 1, nullptr, 0, true);
  std::vector<char> out(need);
  cipher.Encrypt(id, (uint32_t)std::strlen(id) + 1, out.data(), need, true);
  return TStr(out.data());
}

std::vector<std::pair<std::string, std::string>> gHeard;
void Listener(const TStr& key, const TStr& value) { gHeard.emplace_back(key.c_str(), value.c_str()); }

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearSettingsForTest();
    SetSettingListener(nullptr);
    gHeard.clear();
  }
  void TearDown() override { SetSettingListener(nullptr); }
};
}  // namespace

TEST_F(SettingsTest, KeyTable) {
  EXPECT_STREQ(gSettingKeys[0], "cheatcode");
  EXPECT_STREQ(gSettingKeys[kSettingComputerId], "computerid");
  EXPECT_STREQ(gSettingKeys[kSettingEncryptionKey], "encryptionkey");
  EXPECT_STREQ(gSettingKeys[kSettingVSync], "vsync");
  EXPECT_STREQ(gSettingKeys[kSettingFpuPrecision], "fpuprecision");
  EXPECT_EQ(kSettingFpuPrecision, 26);
}

TEST_F(SettingsTest, DefaultsAndEmptyValues) {
  EXPECT_STREQ(GetSetting("publisher", "Kestrune").c_str(), "Kestrune");
  SetSetting("publisher", "");
  EXPECT_STREQ(GetSetting("publisher", "Kestrune").c_str(), "");
  SetSetting("Publisher", "Other");  // keys are case-sensitive
  EXPECT_STREQ(GetSetting("publisher", "x").c_str(), "");
  SetSetting("publisher", "A");
  SetSetting("publisher", "B");
  EXPECT_STREQ(GetSetting("publisher").c_str(), "B");

  EXPECT_FALSE(GetSettingBool("hittestchildren"));
  SetSetting("hittestchildren", "2");
  EXPECT_TRUE(GetSettingBool("hittestchildren"));
  SetSetting("hittestchildren", "yes");
  EXPECT_FALSE(GetSettingBool("hittestchildren"));

  struct Case {
    const char* value;
    int expect;
  } cases[] = {{"-5", 0}, {"99999999999", 1000}, {"250", 250}, {"junk", 0}, {"", 0}};
  for (const Case& c : cases) {
    SetSetting("monitorfrequency", c.value);
    EXPECT_EQ(GetSettingClamped("monitorfrequency", 60, 0, 1000), c.expect) << c.value;
  }
  EXPECT_EQ(GetSettingClamped("absent", 60, 0, 1000), 60);
  EXPECT_EQ(GetSettingInt("absent", -3), -3);
}

TEST_F(SettingsTest, CheatGate) {
  TStr good = MakeCode("ABCDEFGHIJKLMNOP");
  SetSetting("computerid", "ABCDEFGHIJKLMNOP");

  // The code before the key: nothing until the key arrives.
  SetSetting("cheatcode", good);
  EXPECT_STREQ(GetSetting("cheatmode", "absent").c_str(), "absent");
  SetSetting("encryptionkey", kKey);
  EXPECT_STREQ(GetSetting("cheatmode").c_str(), "1");

  // Another machine's code closes it.
  SetSetting("cheatcode", MakeCode("ZZZZZZZZZZZZZZZZ"));
  EXPECT_STREQ(GetSetting("cheatmode").c_str(), "0");
  // An empty code leaves it as it was.
  SetSetting("cheatmode", "1");
  SetSetting("cheatcode", "");
  EXPECT_STREQ(GetSetting("cheatmode").c_str(), "1");
  // A code made with another key fails.
  SetSetting("cheatcode", MakeCode("ABCDEFGHIJKLMNOP", "QQQQQQQQQAAA"));
  EXPECT_STREQ(GetSetting("cheatmode").c_str(), "0");
}

TEST_F(SettingsTest, CheatGateStaysClosedWithoutAnIdentifier) {
  // A code that deciphers to nothing (or garbage text that is empty) must not match an absent
  // or empty "computerid".
  SetSetting("encryptionkey", kKey);
  SetSetting("cheatcode", MakeCode(""));
  EXPECT_STREQ(GetSetting("cheatmode").c_str(), "0");
  SetSetting("computerid", "");
  SetSetting("cheatcode", MakeCode(""));
  EXPECT_STREQ(GetSetting("cheatmode").c_str(), "0");
  SetSetting("cheatcode", "garbage!");
  EXPECT_STREQ(GetSetting("cheatmode").c_str(), "0");
}

TEST_F(SettingsTest, LegacyLineWrapIsSticky) {
  EXPECT_FALSE(IsLegacyLineWrap());
  SetSetting("legacylinewrap", "0");
  EXPECT_TRUE(IsLegacyLineWrap());
  SetSetting("other", "1");
  EXPECT_TRUE(IsLegacyLineWrap());
}

TEST_F(SettingsTest, ListenerHearsWritesOnceInstalled) {
  SetSetting("gamename", "before");
  SetSettingListener(&Listener);
  SetSetting("vsync", "1");
  SetSetting("encryptionkey", kKey);
  SetSetting("cheatcode", MakeCode("X"));
  // "cheatmode" is written by the gate straight into the map: the listener never hears it.
  std::vector<std::pair<std::string, std::string>> expect = {
      {"vsync", "1"}, {"encryptionkey", kKey}, {"cheatcode", MakeCode("X").c_str()}};
  EXPECT_EQ(gHeard, expect);
  SetSettingListener(nullptr);
  SetSetting("vsync", "0");
  EXPECT_EQ(gHeard.size(), 3u);
}

namespace {
struct FakeTarget : TPlatformSettingTarget {
  std::vector<bool> vsync;
  std::vector<float> scales;
  void SetVSync(bool on) override { vsync.push_back(on); }
  void SetViewportScale(float scale) override { scales.push_back(scale); }
};
}  // namespace

TEST_F(SettingsTest, PlatformReactions) {
  FakeTarget target;
  ApplyPlatformSetting(target, "vsync", "1");
  ApplyPlatformSetting(target, "vsync", "0");
  ApplyPlatformSetting(target, "vsync", "");
  EXPECT_EQ(target.vsync, (std::vector<bool>{true, false, false}));

  ApplyPlatformSetting(target, "viewportscale", "1.5");
  ApplyPlatformSetting(target, "viewportscale", "-2");
  ApplyPlatformSetting(target, "viewportscale", "0");
  ApplyPlatformSetting(target, "viewportscale", "nan");
  ApplyPlatformSetting(target, "viewportscale", "inf");
  EXPECT_EQ(target.scales, (std::vector<float>{1.5f}));

  ApplyPlatformSetting(target, "memorymax", "200000000");
  EXPECT_EQ(GetLogMemoryLimit(), 200000000);
  ApplyPlatformSetting(target, "memorymax", "-1");
  EXPECT_EQ(GetLogMemoryLimit(), 0);
  ApplyPlatformSetting(target, "memorymax", "5000000000");
  EXPECT_EQ(GetLogMemoryLimit(), 2147483647);

  ApplyPlatformSetting(target, "gamename", "x");
  EXPECT_EQ(target.vsync.size(), 3u);
}

namespace {
class SettingsFileTest : public FileLayerTest {
 protected:
  void SetUp() override {
    FileLayerTest::SetUp();
    gHeard.clear();
  }
  void TearDown() override {
    SetSettingListener(nullptr);
    FileLayerTest::TearDown();
  }
};
}  // namespace

TEST_F(SettingsFileTest, SettingsFileOverridesDefaultsAndReachesTheListener) {
  Put("assets/settings.xml", "<?xml version=\"1.0\"?>\n<settings>\n"
                             "  <memorymax>250000000</memorymax>\n"
                             "  <publisher>Someone</publisher>\n"
                             "  <vsync>1</vsync>\n"
                             "  <empty></empty>\n"
                             "</settings>\n");
  SetSetting("memorymax", "100000000");
  SetSettingListener(&Listener);
  LoadSettingsFile();
  EXPECT_STREQ(GetSetting("memorymax").c_str(), "250000000");
  EXPECT_STREQ(GetSetting("publisher").c_str(), "Someone");
  EXPECT_STREQ(GetSetting("empty", "x").c_str(), "");
  std::vector<std::pair<std::string, std::string>> expect = {
      {"memorymax", "250000000"}, {"publisher", "Someone"}, {"vsync", "1"}, {"empty", ""}};
  EXPECT_EQ(gHeard, expect);

  // A missing file, or one without the element, leaves the map alone.
  LoadSettingsFile("::assets/absent.xml");
  Put("assets/other.xml", "<config><publisher>No</publisher></config>");
  LoadSettingsFile("::assets/other.xml");
  EXPECT_STREQ(GetSetting("publisher").c_str(), "Someone");
}
