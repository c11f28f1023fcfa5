// Ogg decoding and file players against generated tones.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "audio_engine/debug.h"
#include "audio_engine/mix/reader_player.h"
#include "audio_engine/mix/tarn_sound_system.h"
#include "audio_engine/ogg_reader.h"
#include "audio_engine/persist.h"
#include "audio_engine/sound_reader_buffer.h"
#include "tests/support/temp_folder.h"
#include "tools/tonegen/tone.h"

#include <ogg/ogg.h>

using namespace Tarn;

namespace {

class BytesReader : public cIReader, public cISeek {
 public:
  explicit BytesReader(std::vector<uint8_t> b) : mBytes(std::move(b)) {}
  int Open() override {
    mPos = 0;
    return 0;
  }
  int Close() override { return 0; }
  int Read(void* buf, uint32_t n, uint32_t* got) override {
    *got = (uint32_t)std::min<size_t>(n, mBytes.size() - mPos);
    if (*got) std::memcpy(buf, mBytes.data() + mPos, *got);
    mPos += *got;
    return 0;
  }
  int Seek(uint32_t p, uint32_t* out) override {
    mPos = std::min<size_t>(p, mBytes.size());
    if (out) *out = (uint32_t)mPos;
    return 0;
  }
  int GetSize(uint32_t* s) override {
    *s = (uint32_t)mBytes.size();
    return 0;
  }
  std::vector<uint8_t> mBytes;
  size_t mPos = 0;
};

std::vector<int16_t> Decode(cIReader* r, size_t maxBytes = 1 << 24) {
  std::vector<int16_t> out;
  std::vector<int16_t> chunk(2048);
  while (out.size() * 2 < maxBytes) {
    uint32_t got = 0;
    r->Read(chunk.data(), (uint32_t)chunk.size() * 2, &got);
    if (got == 0) break;
    out.insert(out.end(), chunk.begin(), chunk.begin() + got / 2);
  }
  return out;
}

// Frequency from zero crossings and RMS level of one channel, past the codec's start-up.
void Measure(const std::vector<int16_t>& s, int channels, int channel, double* freq, double* rms) {
  size_t frames = s.size() / channels;
  size_t from = 2048, crossings = 0;
  double sum = 0;
  for (size_t i = from + 1; i < frames; i++) {
    int a = s[(i - 1) * channels + channel], b = s[i * channels + channel];
    if (a < 0 && b >= 0) crossings++;
    sum += (double)b * b;
  }
  *freq = crossings * 44100.0 / (frames - from - 1);
  *rms = std::sqrt(sum / (frames - from - 1));
}

class OggTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetMessageSink([this](const std::string&, const std::string& t) { messages.push_back(t); });
  }
  void TearDown() override { SetMessageSink(nullptr); }
  std::vector<std::string> messages;
};

}  // namespace

TEST_F(OggTest, DecodedTonesMatchTheirGenerator) {
  struct Case {
    double freq, amp;
    int channels;
  } cases[] = {{440.0, 0.5, 2}, {1000.0, 0.25, 1}};
  for (auto& c : cases) {
    ToneGen::ToneSpec spec;
    spec.frequency = c.freq;
    spec.amplitude = c.amp;
    spec.channels = c.channels;
    spec.frames = 44100;
    BytesReader bytes(ToneGen::MakeOggTone(spec));
    cOggReader ogg(&bytes);
    ASSERT_EQ(ogg.Open(), 0);
    EXPECT_EQ(ogg.GetWaveFormat().channels, c.channels);
    EXPECT_EQ(ogg.GetWaveFormat().blockAlign, 2 * c.channels);
    int64_t frames = 0;
    ogg.GetLengthFrames(&frames);
    EXPECT_EQ(frames, 44100);
    auto pcm = Decode(&ogg);
    EXPECT_EQ(pcm.size(), 44100u * c.channels);
    double f, rms;
    Measure(pcm, c.channels, 0, &f, &rms);
    EXPECT_NEAR(f, c.freq, c.freq * 0.01);
    EXPECT_NEAR(rms, c.amp * 32767 / std::sqrt(2.0), c.amp * 32767 * 0.05);
  }
}

TEST_F(OggTest, CorruptFilesGiveTheirCodes) {
  ToneGen::ToneSpec spec;
  spec.frames = 4410;
  auto good = ToneGen::MakeOggTone(spec);
  std::vector<uint8_t> notVorbis(4000, 'x');
  std::vector<uint8_t> truncated(good.begin(), good.begin() + 60);
  std::vector<uint8_t> empty;
  struct Case {
    std::vector<uint8_t> bytes;
    int code;
  } cases[] = {{notVorbis, 20}, {empty, 20}};
  for (auto& c : cases) {
    messages.clear();
    BytesReader bytes(c.bytes);
    cOggReader ogg(&bytes);
    EXPECT_EQ(ogg.Open(), c.code);
    EXPECT_EQ(messages.size(), 1u);
  }
  BytesReader cut(truncated);
  cOggReader ogg(&cut);
  int r = ogg.Open();
  EXPECT_EQ(r, 20);  // the decoder sees no Vorbis stream in a cut header page
  // Damaged identification headers with valid page checksums (the decoder reports a wrong
  // version as a bad header too).
  struct Damage {
    size_t at;
    uint8_t value;
    int code;
  } damages[] = {{11, 0, 22}, {7, 1, 22}};
  for (auto& d : damages) {
    std::vector<uint8_t> bytes = good;
    size_t segments = bytes[26], headerLen = 27 + segments, bodyLen = 0;
    for (size_t i = 0; i < segments; i++) bodyLen += bytes[27 + i];
    bytes[headerLen + d.at] = d.value;
    ogg_page page{bytes.data(), (long)headerLen, bytes.data() + headerLen, (long)bodyLen};
    ogg_page_checksum_set(&page);
    BytesReader reader(bytes);
    cOggReader damaged(&reader);
    EXPECT_EQ(damaged.Open(), d.code);
  }
  // A damaged middle still decodes to the end without hanging.
  std::vector<uint8_t> damaged = good;
  for (size_t i = damaged.size() / 2; i < damaged.size() / 2 + 200; i++) damaged[i] ^= 0x5A;
  BytesReader dmg(damaged);
  cOggReader ogg2(&dmg);
  if (ogg2.Open() == 0) Decode(&ogg2);
}

namespace {
// The same bytes without a seek interface.
class StreamOnly : public cIReader {
 public:
  explicit StreamOnly(BytesReader* inner) : mInner(inner) {}
  int Open() override { return mInner->Open(); }
  int Close() override { return 0; }
  int Read(void* b, uint32_t n, uint32_t* got) override { return mInner->Read(b, n, got); }
  int GetSize(uint32_t* s) override { return mInner->GetSize(s); }
  BytesReader* mInner;
};
}  // namespace

TEST_F(OggTest, NonSeekableStreamsOnlyRewind) {
  ToneGen::ToneSpec spec;
  spec.frames = 5000;
  BytesReader bytes(ToneGen::MakeOggTone(spec));
  StreamOnly stream(&bytes);
  cOggReader ogg(&stream);
  ASSERT_EQ(ogg.Open(), 0);
  EXPECT_FALSE(ogg.IsSeekable());
  auto first = Decode(&ogg, 4000);
  uint32_t at = 99;
  EXPECT_EQ(ogg.Seek(100, &at), 3);
  EXPECT_EQ(at, 99u);
  EXPECT_EQ(ogg.Seek(0, &at), 0);
  EXPECT_EQ(at, 0u);
  auto again = Decode(&ogg, 4000);
  EXPECT_EQ(first, again);
  int64_t frames = 0;
  ogg.GetLengthFrames(&frames);  // counted by decoding, then rewound
  EXPECT_EQ(frames, 5000);
  EXPECT_EQ(Decode(&ogg, 4000), first);
}

TEST_F(OggTest, LoopsAreGaplessAndEndSafely) {
  ToneGen::ToneSpec spec;
  spec.frames = 10000;
  BytesReader bytes(ToneGen::MakeOggTone(spec));
  cOggReader ogg(&bytes);
  ASSERT_EQ(ogg.Open(), 0);
  auto once = Decode(&ogg);
  ogg.Seek(0, nullptr);
  cSoundReaderBuffer buffer(&ogg);
  buffer.SetPosition(0);
  buffer.SetLoop(true);
  buffer.SetLoopStart(0);
  buffer.SetLoopEnd(-1);
  std::vector<int16_t> looped(3 * 20000 + 1000);
  uint32_t got = 0;
  buffer.Read(looped.data(), (uint32_t)looped.size() * 2, &got);
  EXPECT_EQ(got, looped.size() * 2);  // no gap in the delivered count
  for (size_t i = 0; i < looped.size(); i++) ASSERT_EQ(looped[i], once[i % once.size()]) << i;
  // A loop end beyond the file ends the read short.
  buffer.SetPosition(0);
  buffer.SetLoopEnd(20000);
  buffer.Read(looped.data(), (uint32_t)looped.size() * 2, &got);
  EXPECT_EQ(got, 40000u);
  EXPECT_TRUE(buffer.Finished());
  // A loop over a file that decodes nothing terminates.
  BytesReader headerOnly(ToneGen::MakeOggTone([] {
    ToneGen::ToneSpec s;
    s.frames = 1;
    return s;
  }()));
  cOggReader tiny(&headerOnly);
  ASSERT_EQ(tiny.Open(), 0);
  cSoundReaderBuffer tinyBuffer(&tiny);
  tinyBuffer.SetLoop(true);
  tinyBuffer.SetLoopStart(5);  // past the end of the file
  tinyBuffer.Read(looped.data(), 4000, &got);
  EXPECT_LE(got, 4000u);
}

TEST_F(OggTest, CachedAndStreamedPlayersGiveTheSameMix) {
  TempFolder dir;
  ToneGen::ToneSpec spec;
  spec.frames = 8000;
  spec.channels = 1;
  ASSERT_TRUE(ToneGen::WriteFile(dir.File("tone.ogg"), ToneGen::MakeOggTone(spec)));
  cPersist::Init(dir.Path().c_str());
  auto* system = TarnMix::cTarnSoundSystem::Init();
  std::vector<int16_t> results[2];
  for (int streaming = 0; streaming < 2; streaming++) {
    TarnMix::cSound player(cString("tone.ogg"), streaming == 1);
    ASSERT_FALSE(player.IsEmpty());
    player.Play(-1);
    EXPECT_TRUE(player.IsRegistered());
    EXPECT_TRUE(system->Root()->HasSource(&player));
    std::vector<int16_t> out(2 * 10000);
    for (int block = 0; block < 10; block++) {
      uint32_t got = 0;
      system->RootReader()->Read(out.data() + block * 2000, 4000, &got);
    }
    results[streaming] = out;
    EXPECT_FALSE(player.IsActive());  // ended by itself at the end of the file
  }
  EXPECT_EQ(results[0], results[1]);
  // Mono fills both channels.
  bool any = false;
  for (int i = 0; i < 8000; i++) {
    ASSERT_EQ(results[0][2 * i], results[0][2 * i + 1]);
    any |= results[0][2 * i] != 0;
  }
  EXPECT_TRUE(any);
  for (int i = 8000; i < 10000; i++) EXPECT_EQ(results[0][2 * i], 0);
  TarnMix::cTarnSoundSystem::Shutdown();
  cPersist::Shutdown();
  // A name that no pack or file holds leaves the player empty and silent.
  TarnMix::cSound missing(cString("nothing.ogg"), true);
  EXPECT_TRUE(missing.IsEmpty());
}

TEST_F(OggTest, FilesAtOtherRatesPlayAtTheirPitchAndLength) {
  TempFolder dir;
  cPersist::Init(dir.Path().c_str());
  auto* system = TarnMix::cTarnSoundSystem::Init();
  struct Case {
    int rate, channels;
  } cases[] = {{22050, 1}, {48000, 2}, {32000, 2}, {44100, 1}};
  for (const auto& c : cases) {
    ToneGen::ToneSpec spec;
    spec.rate = c.rate;
    spec.channels = c.channels;
    spec.frequency = 1000.0;
    spec.amplitude = 0.5;
    spec.frames = (uint32_t)c.rate;  // one second
    std::string name = "tone" + std::to_string(c.rate) + ".ogg";
    ASSERT_TRUE(ToneGen::WriteFile(dir.File(name), ToneGen::MakeOggTone(spec)));
    TarnMix::cSound player(cString(name.c_str()), true);
    ASSERT_FALSE(player.IsEmpty());
    player.Play(-1);
    std::vector<int16_t> out(2 * 44100 * 3 / 2);
    for (size_t at = 0; at < out.size(); at += 2 * 882) {
      uint32_t got = 0;
      system->RootReader()->Read(out.data() + at, 882 * 4, &got);
    }
    // One second of sound at the mix rate, at the tone's pitch, then silence.
    size_t last = 0;
    for (size_t i = 0; i < out.size() / 2; i++)
      if (std::abs(out[2 * i]) > 200) last = i;
    EXPECT_NEAR((double)last, 44100.0, 300.0) << c.rate;
    std::vector<int16_t> body(out.begin(), out.begin() + 2 * 40000);
    double f, rms;
    Measure(body, 2, 1, &f, &rms);
    EXPECT_NEAR(f, 1000.0, 5.0) << c.rate;
    EXPECT_NEAR(rms, 0.5 * 32767 / std::sqrt(2.0), 0.5 * 32767 * 0.05) << c.rate;
  }
  TarnMix::cTarnSoundSystem::Shutdown();
  cPersist::Shutdown();
}

TEST_F(OggTest, ChainedStreamsReportTheLengthTheyDeliver) {
  auto part = [](int channels, int rate, uint32_t frames, int serial) {
    ToneGen::ToneSpec spec;
    spec.channels = channels;
    spec.rate = rate;
    spec.frames = frames;
    spec.serial = serial;
    return ToneGen::MakeOggTone(spec);
  };
  auto chain = [](std::vector<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> all;
    for (auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
  };
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    int64_t frames;  // what plays, at two channels
    bool logged;
  } cases[] = {
      {"same format", chain({part(2, 44100, 3000, 1), part(2, 44100, 2000, 2)}), 5000, false},
      {"mono part", chain({part(2, 44100, 3000, 1), part(1, 44100, 2000, 2)}), 3000, true},
      {"other rate", chain({part(2, 44100, 3000, 1), part(2, 22050, 2000, 2), part(2, 44100, 900, 3)}), 3000, true},
  };
  for (auto& c : cases) {
    for (bool seekable : {true, false}) {
      std::vector<std::string> lines;
      SetLogSink([&](const std::string& l) { lines.push_back(l); });
      BytesReader bytes(c.bytes);
      StreamOnly stream(&bytes);
      cOggReader ogg(seekable ? (cIReader*)&bytes : (cIReader*)&stream);
      ASSERT_EQ(ogg.Open(), 0) << c.what;
      int64_t frames = 0;
      ogg.GetLengthFrames(&frames);
      auto pcm = Decode(&ogg);
      EXPECT_EQ(frames, c.frames) << c.what << " seekable " << seekable;
      EXPECT_EQ((int64_t)pcm.size(), c.frames * 2) << c.what << " seekable " << seekable;
      EXPECT_EQ(!lines.empty(), c.logged) << c.what;
      if (!lines.empty()) {
        EXPECT_NE(lines[0].find("part"), std::string::npos) << lines[0];
      }
      SetLogSink(nullptr);
    }
  }
}
