// Short Ogg Vorbis test tones: a sine of a given frequency and level, mono or stereo.
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
bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace ToneGen
