// Sound assets: names, groups and cache keys, sharing through the asset manager, the asset
// map's sound loader, failures and their log lines, and the instances a sound keeps.
#include <gtest/gtest.h>

#include "core/base/asset_manager.h"
#include "core/base/asset_map.h"
#include "tests/core/graphics/sound/sound_fixture.h"

TEST(SoundKeys, GroupsComeFromTheName) {
  struct Case {
    const char* name;
    int group;
    const char* key;
  } cases[] = {{"sfx/a.ogg?group=1000", -1, "sfx/a.ogg;0;1000"},
               {"sfx/a.ogg?group=1001", -1, "sfx/a.ogg;0;1001"},
               {"sfx/a.ogg", -1, "sfx/a.ogg;0;0"},
               {"sfx/a.ogg", 1000, "sfx/a.ogg;0;1000"},
               {"sfx/a.ogg?group=1001", 0, "sfx/a.ogg;0;1001"},
               {"sfx/a.ogg?loud&group=7", -1, "sfx/a.ogg;0;7"},
               {"sfx/a.ogg?loud", -1, "sfx/a.ogg;0;0"}};
  for (const Case& c : cases) EXPECT_STREQ(TSound::MakeAssetKey(c.name, c.group).c_str(), c.key) << c.name;
}

TEST_F(SoundTest, SoundsAreSharedByKeyWhileTheyLive) {
  TAssetManager assets;
  Tone("sfx/a.ogg", 0.2);
  auto first = TSound::Get("sfx/a.ogg?group=1000");
  ASSERT_TRUE(first);
  EXPECT_EQ(first->GetData()->GetGroup(), 1000);
  EXPECT_EQ(TSound::Get("sfx/a.ogg?group=1000"), first);
  EXPECT_EQ(TSound::Get("sfx/a.ogg", 1, 1000), first);
  auto other = TSound::Get("sfx/a.ogg?group=1001");
  EXPECT_NE(other, first);
  EXPECT_EQ(assets.FindAsset("sfx/a.ogg;0;1001"), other);
  first.reset();
  auto again = TSound::Get("sfx/a.ogg?group=1000");
  ASSERT_TRUE(again);
  EXPECT_EQ(assets.FindAsset("sfx/a.ogg;0;1000"), again);
}

TEST_F(SoundTest, FailuresAreLoggedAndGiveNothing) {
  TAssetManager assets;
  EXPECT_FALSE(TSound::Get(""));
  EXPECT_FALSE(TSound::Get("sfx/none.ogg?group=3"));
  EXPECT_NE(LogText().find("TSound::Get: No valid sound file found: sfx/none.ogg?group=3"), std::string::npos);
  // Playing before there is a sound manager, and a sound without data.
  Tone("sfx/a.ogg", 0.2);
  auto sound = TSound::Get("sfx/a.ogg");
  ASSERT_TRUE(sound);
  EXPECT_FALSE(sound->Play(false));
  EXPECT_NE(LogText().find("No Sound Manager"), std::string::npos);
  Manager();
  TSound empty;
  EXPECT_FALSE(empty.Play(false));
  EXPECT_NE(LogText().find("Play of uninitialized sound"), std::string::npos);
  EXPECT_TRUE(sound->Play(false));
}

TEST_F(SoundTest, AssetMapLoadsSoundsByShortNameWithTheirGroup) {
  TAssetManager assets;
  RegisterSoundAssetLoaders();
  Tone("sfx/click.ogg", 0.2);
  TAssetMap map;
  map.AddAsset(TStr("sfx\\click?group=1000"), nullptr, false);
  auto click = map.GetSound<TSound>(TStr("sfx/click?group=1000"));
  ASSERT_TRUE(click);
  EXPECT_EQ(click->GetData()->GetGroup(), 1000);
  EXPECT_EQ(assets.FindAsset("sfx/click.ogg;0;1000"), click);
  // A second map reuses the live sound.
  TAssetMap second;
  second.AddAsset(TStr("sfx/click?group=1000"), nullptr, false);
  EXPECT_EQ(second.GetSound<TSound>(TStr("sfx/click?group=1000")), click);
  // Speex files have no source: the loader fails with both lines.
  AddFile("sfx/voice.spx", std::vector<uint8_t>(64, 1));
  map.AddAsset(TStr("sfx/voice.spx"), nullptr, false);
  EXPECT_FALSE(map.HasAsset(TStr("sfx/voice.spx")));
  EXPECT_NE(LogText().find("TSound::Get: No valid sound file found: sfx/voice.spx"), std::string::npos);
  EXPECT_NE(LogText().find("TAssetMap::AddAsset: Error loading sfx/voice.spx"), std::string::npos);
}

TEST_F(SoundTest, SoundsKnowTheirPlayingInstances) {
  Manager();
  Tone("sfx/a.ogg", 0.2);
  auto sound = TSound::Get("sfx/a.ogg");
  auto one = sound->Play(false);
  auto two = sound->Play(true);
  EXPECT_EQ(sound->GetInstanceCount(), 2);
  manager->ServiceStreams();
  Play(44100);  // the sound played once has ended
  EXPECT_FALSE(one->IsPlaying());
  EXPECT_TRUE(two->IsPlaying());
  EXPECT_EQ(sound->GetInstanceCount(), 1);
  // A dropped instance leaves the map; its sound plays on.
  two.reset();
  EXPECT_EQ(sound->GetInstanceCount(), 0);
  EXPECT_EQ(DSoundTest::PlayingBufferCount(), 1);
  // Dropping the sound itself leaves what plays alone too.
  auto three = sound->Play(true);
  sound.reset();
  EXPECT_TRUE(three->IsPlaying());
  EXPECT_EQ(DSoundTest::PlayingBufferCount(), 2);
}
