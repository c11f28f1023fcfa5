// Short Ogg Vorbis test tones: a sine of a given frequency and level, mono or stereo; and the
// encoder under them, for any samples.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ToneGen {

struct ToneSpec {
  double frequency = 440.0;
  double amplitude = 0.5;  // of full scale
  double phase = 0.0;      // radians at the first frame (pi/2: a cosine, which starts at full level)
  uint32_t frames = 44100;
  int channels = 2;
  int rate = 44100;
  float quality = 0.6f;  // Vorbis VBR quality
  int serial = 0x7E57;   // Ogg stream serial; chained files need a different one per part
};

// The encoded file; empty on failure.
std::vector<uint8_t> MakeOggTone(const ToneSpec& spec);

// Interleaved float samples (-1..1) as an Ogg Vorbis file; empty on failure.
struct OggSpec {
  int channels = 1;
  int rate = 44100;
  float quality = 0.6f;
  int serial = 0x7E57;
};
std::vector<uint8_t> EncodeOgg(const std::vector<float>& interleaved, const OggSpec& spec);
bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace ToneGen
