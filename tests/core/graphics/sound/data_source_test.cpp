// Sound data sources: the extension registry, the memory-or-stream rule, Ogg decoding checked
// by the tone that comes out, seeking, chained files, memory sources and the spooler.
#include <gtest/gtest.h>

#include <cstring>

#include "core/graphics/sound/mem_data_source.h"
#include "core/graphics/sound/ogg_data_source.h"
#include "core/graphics/sound/stream_spooler.h"
#include "tests/core/graphics/sound/sound_fixture.h"
#include "tests/support/tone_measure.h"

namespace {

std::vector<uint8_t> DecodeAll(TSoundDataSource& source) {
  std::vector<uint8_t> out((size_t)source.GetLength() + 4096);
  size_t done = 0;
  for (;;) {
    int got = source.Read(out.data() + done, done, 4096);
    if (got <= 0) break;
    done += got;
  }
  out.resize(done);
  return out;
}

std::vector<int16_t> Samples(const std::vector<uint8_t>& bytes) {
  std::vector<int16_t> s(bytes.size() / 2);
  std::memcpy(s.data(), bytes.data(), s.size() * 2);
  return s;
}

// Bytes that name their position, so a read shows where it came from.
class CountingSource : public TSoundDataSource {
 public:
  explicit CountingSource(uint64_t length) : mLength(length) {}
  int Read(void* buffer, uint64_t position, int count) override {
    int n = 0;
    for (; n < count && position + n < mLength; n++) ((uint8_t*)buffer)[n] = (uint8_t)((position + n) % 251);
    return n;
  }
  uint64_t GetLength() override { return mLength; }
  int GetSampleRate() override { return 100; }
  int GetChannelCount() override { return 1; }
  double GetDuration() override { return mLength / 200.0; }

 private:
  uint64_t mLength;
};

}  // namespace

TEST_F(SoundTest, ShortSoundsDecodeIntoMemoryLongerOnesAndStreamsDecodeAsTheyPlay) {
  struct Case {
    double seconds;
    bool stream;
    bool memory;    // a TMemDataSource
    bool streamed;  // an Ogg source over the file rather than over its copy
  } cases[] = {{1.5, false, true, false}, {1.99, false, true, false}, {2.0, false, false, false},
               {3.0, false, false, false}, {1.5, true, false, true}, {3.0, true, false, true}};
  int n = 0;
  for (const Case& c : cases) {
    std::string name = "sfx/tone" + std::to_string(n++) + ".ogg";
    Tone(name, c.seconds);
    auto source = CreateSoundDataSource(TStr(name.c_str()), c.stream);
    ASSERT_TRUE(source) << name;
    auto* ogg = dynamic_cast<TOggDataSource*>(source.get());
    EXPECT_EQ(dynamic_cast<TMemDataSource*>(source.get()) != nullptr, c.memory) << c.seconds;
    if (!c.memory) {
      ASSERT_TRUE(ogg);
      EXPECT_EQ(ogg->IsStreamed(), c.streamed) << c.seconds;
    }
    EXPECT_NEAR(source->GetDuration(), c.seconds, 0.001);
    EXPECT_EQ(source->GetLength(), (uint64_t)(c.seconds * 44100 + 0.5) * 4);
  }
}

TEST_F(SoundTest, NamesFindTheirFilesByExtension) {
  Tone("sfx/click.ogg", 0.2);
  AddFile("sfx/readme.ogg", std::vector<uint8_t>(300, 'x'));
  EXPECT_TRUE(CreateSoundDataSource(TStr("sfx/click.ogg"), false));
  EXPECT_TRUE(CreateSoundDataSource(TStr("sfx/click"), false));  // finds sfx/click.ogg
  EXPECT_TRUE(CreateSoundDataSource(TStr("SFX\\Click"), true));
  EXPECT_FALSE(CreateSoundDataSource(TStr("sfx/none"), false));
  EXPECT_FALSE(CreateSoundDataSource(TStr("sfx/click.wav"), false));  // no builder, no click.wav.ogg
  EXPECT_EQ(LogText().find("OGG file could not be opened"), std::string::npos);
  EXPECT_FALSE(CreateSoundDataSource(TStr("sfx/readme.ogg"), false));
  EXPECT_FALSE(CreateSoundDataSource(TStr("sfx/readme.ogg"), true));
  EXPECT_NE(LogText().find("OGG file could not be opened"), std::string::npos);
  // An empty file decodes from an empty block: refused without a copy from its null data.
  static const uint8_t kNothing = 0;
  RegisterMemoryFile(TStr("sfx/empty.ogg"), &kNothing, 0);
  EXPECT_FALSE(CreateSoundDataSource(TStr("sfx/empty.ogg"), false));
  EXPECT_FALSE(CreateSoundDataSource(TStr("sfx/empty.ogg"), true));
  // A builder of another extension takes part in the search.
  struct Fixed : TSoundDataSourceBuilder {
    std::shared_ptr<TSoundDataSource> Build(TStr name, bool) override {
      return name == TStr("sfx/beep.raw") ? std::make_shared<CountingSource>(10) : nullptr;
    }
  };
  RegisterSoundDataSource(TStr("raw"), std::make_shared<Fixed>());
  AddFile("sfx/beep.raw", std::vector<uint8_t>(10));
  EXPECT_TRUE(CreateSoundDataSource(TStr("sfx/beep"), false));
  RegisterSoundDataSource(TStr("raw"), nullptr);
  EXPECT_FALSE(CreateSoundDataSource(TStr("sfx/beep"), false));
}

TEST_F(SoundTest, DecodedTonesKeepTheirPitchLevelAndChannels) {
  for (int channels : {1, 2}) {
    for (int rate : {22050, 44100, 48000}) {
      Tone("t.ogg", 0.5, 1000.0, channels, rate);
      TOggDataSource ogg;
      ASSERT_TRUE(ogg.Open(TStr("t.ogg"), channels == 2));
      EXPECT_EQ(ogg.GetChannelCount(), channels);
      EXPECT_EQ(ogg.GetSampleRate(), rate);
      std::vector<int16_t> pcm = Samples(DecodeAll(ogg));
      ASSERT_EQ(pcm.size() * 2, ogg.GetLength());
      for (int c = 0; c < channels; c++) {
        EXPECT_NEAR(ToneMeasure::Frequency(pcm, channels, c, rate), 1000.0, 2.0) << channels << " " << rate;
        EXPECT_NEAR(ToneMeasure::Rms(pcm, channels, c), 0.5 * 32767 / std::sqrt(2.0), 400.0);
      }
    }
  }
}

TEST_F(SoundTest, ReadsAtAnyPositionGiveTheSameBytesAsOneReadThrough) {
  Tone("t.ogg", 2.5, 440.0);
  TOggDataSource whole;
  ASSERT_TRUE(whole.Open(TStr("t.ogg"), false));
  std::vector<uint8_t> all = DecodeAll(whole);
  ASSERT_EQ(all.size(), whole.GetLength());
  for (bool stream : {false, true}) {
    TOggDataSource ogg;
    ASSERT_TRUE(ogg.Open(TStr("t.ogg"), stream));
    std::vector<uint8_t> part(5000);
    // Forwards, backwards, inside a sample frame, and back to the start after the end.
    for (uint64_t at : {100000ull, 105000ull, 4000ull, 60002ull, 60003ull, 0ull}) {
      ASSERT_EQ(ogg.Read(part.data(), at, 5000), 5000);
      EXPECT_EQ(0, std::memcmp(part.data(), all.data() + at, 5000)) << at << " streamed " << stream;
    }
    EXPECT_EQ(ogg.Read(part.data(), all.size() - 100, 5000), 100);
    EXPECT_EQ(ogg.Read(part.data(), all.size(), 5000), 0);
    ASSERT_EQ(ogg.Read(part.data(), 0, 5000), 5000);
    EXPECT_EQ(0, std::memcmp(part.data(), all.data(), 5000));
  }
  // The memory source holds the same decoding.
  TMemDataSource memory(whole);
  EXPECT_EQ(memory.GetLength(), all.size());
  EXPECT_EQ(DecodeAll(memory), all);
  std::vector<uint8_t> tail(1000);
  EXPECT_EQ(memory.Read(tail.data(), all.size() - 10, 1000), 10);
  EXPECT_EQ(memory.Read(tail.data(), all.size(), 1000), 0);
  EXPECT_EQ(memory.Read(tail.data(), all.size() + 5000, 1000), 0);
}

TEST_F(SoundTest, ChainedFilesPlayOnlyWhileTheirLinksKeepTheFirstFormat) {
  ToneGen::ToneSpec first, same, other;
  first.frames = same.frames = 22050;
  same.serial = 2;
  other.frames = 22050;
  other.channels = 1;
  other.serial = 3;
  std::vector<uint8_t> a = ToneGen::MakeOggTone(first), b = ToneGen::MakeOggTone(same), c = ToneGen::MakeOggTone(other);
  std::vector<uint8_t> chain = a;
  chain.insert(chain.end(), b.begin(), b.end());
  AddFile("same.ogg", chain);
  chain.insert(chain.end(), c.begin(), c.end());
  AddFile("mixed.ogg", chain);
  TOggDataSource ogg;
  ASSERT_TRUE(ogg.Open(TStr("same.ogg"), false));
  EXPECT_EQ(DecodeAll(ogg).size(), 44100u * 4);
  ASSERT_TRUE(ogg.Open(TStr("mixed.ogg"), true));
  std::vector<uint8_t> played = DecodeAll(ogg);
  EXPECT_EQ(played.size(), 44100u * 4);  // the mono link is not read as stereo
  std::vector<uint8_t> again(64);
  EXPECT_EQ(ogg.Read(again.data(), played.size(), 64), 0);
  // A position inside a sample frame of the mono link reads nothing either, and leaves the
  // source able to read what it has.
  EXPECT_EQ(ogg.Read(again.data(), played.size() + 1, 64), 0);
  EXPECT_EQ(ogg.Read(again.data(), played.size() + 3, 1), 0);
  ASSERT_EQ(ogg.Read(again.data(), 6, 64), 64);
  EXPECT_EQ(0, std::memcmp(again.data(), played.data() + 6, 64));
}

TEST(StreamSpooler, LoopingSourceWrapsWithinOneRead) {
  TStreamSpooler spooler(std::make_shared<CountingSource>(1000));
  std::vector<uint8_t> buffer(2500, 0xEE);
  uint32_t read = 0;
  EXPECT_TRUE(spooler.Read(buffer.data(), 2500, &read, true));
  EXPECT_EQ(read, 2500u);
  for (uint32_t i = 0; i < 2500; i++) ASSERT_EQ(buffer[i], (uint8_t)((i % 1000) % 251)) << i;
  EXPECT_EQ(spooler.GetPosition(), 500u);
  // A read that ended exactly at the end of the source: the next one starts over.
  EXPECT_TRUE(spooler.Read(buffer.data(), 500, &read, true));
  EXPECT_EQ(spooler.GetPosition(), 1000u);
  EXPECT_TRUE(spooler.Read(buffer.data(), 10, &read, true));
  EXPECT_EQ(read, 10u);
  EXPECT_EQ(buffer[9], 9);
  // An empty source loops to nothing, without hanging.
  TStreamSpooler empty(std::make_shared<CountingSource>(0));
  EXPECT_TRUE(empty.Read(buffer.data(), 10, &read, true));
  EXPECT_EQ(read, 0u);
}

TEST(StreamSpooler, EndLeavesTheRestSilent) {
  TStreamSpooler spooler(std::make_shared<CountingSource>(1000));
  std::vector<uint8_t> buffer(600, 0xEE);
  uint32_t read = 0;
  EXPECT_TRUE(spooler.Read(buffer.data(), 600, &read, false));
  EXPECT_EQ(read, 600u);
  std::fill(buffer.begin(), buffer.end(), 0xEE);
  EXPECT_FALSE(spooler.Read(buffer.data(), 600, &read, false));
  EXPECT_EQ(read, 400u);
  EXPECT_EQ(buffer[0], 600 % 251);
  EXPECT_EQ(buffer[399], 999 % 251);
  EXPECT_EQ(buffer[400], 0);
  EXPECT_EQ(buffer[599], 0);
  EXPECT_FALSE(spooler.Read(buffer.data(), 600, &read, false));
  EXPECT_EQ(read, 0u);
  // Positions from times: whole frames (2 bytes, 100 a second), within the sound.
  spooler.SetPosition(1.234f);
  EXPECT_EQ(spooler.GetPosition(), 246u);
  spooler.SetPosition(60.0f);
  EXPECT_EQ(spooler.GetPosition(), 1000u);
  spooler.SetPosition(-1.0f);
  EXPECT_EQ(spooler.GetPosition(), 0u);
  spooler.Rewind();
  EXPECT_TRUE(spooler.Read(buffer.data(), 10, &read, false));
  EXPECT_EQ(buffer[9], 9);
  // A spooler without a source delivers silence.
  TStreamSpooler empty(nullptr);
  EXPECT_TRUE(empty.Read(buffer.data(), 10, &read, false));
  EXPECT_EQ(read, 0u);
}
