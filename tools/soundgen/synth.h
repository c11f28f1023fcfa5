// A small synthesiser for the game's sounds: additive voices with smooth envelopes, tuned
// percussion and filtered noise, mixed into mono buffers. No randomness but a seeded
// generator, so the same score always gives the same samples.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Synth {

constexpr int kRate = 44100;

struct Buffer {
  std::vector<float> s;
  explicit Buffer(double seconds = 0) : s((size_t)(seconds * kRate + 0.5), 0.0f) {}
  static Buffer Frames(size_t n) {
    Buffer b;
    b.s.assign(n, 0.0f);
    return b;
  }
  double Seconds() const { return (double)s.size() / kRate; }
};

// The timbre of a voice: partials as (frequency ratio, level, decay per second; 0 = none).
struct Partial {
  double ratio, level, decay = 0;
};
using Timbre = std::vector<Partial>;

namespace Timbres {
extern const Timbre kSine, kFlute, kClarinet, kBrass, kMarimba, kBell, kPluck, kOrgan, kGlass;
}

// Attack and release are raised-cosine ramps, so no voice starts or ends with a step.
struct Envelope {
  double attack = 0.005, decay = 0.08, sustain = 0.7, release = 0.08;  // seconds, level
};

struct Note {
  double start = 0, length = 0.2;  // seconds; length is how long it is held before release
  double freq = 440, glideTo = 0;  // hertz; glideTo (when > 0) is reached at the note's end
  double level = 0.3;
  Timbre timbre = Timbres::kSine;
  Envelope env;
  double vibrato = 0;  // depth in semitones, at 5 Hz
};

double Midi(double note);                 // 69 = A4 = 440 Hz
int NoteNumber(const std::string& name);  // "C4", "F#3", "Bb5"

// Mixes the note in. With wrap, what runs past the end continues from the start (loops).
void Play(Buffer& b, const Note& n, bool wrap = false);

// Percussion, all short and soft.
void Kick(Buffer& b, double at, double level, bool wrap = false);
void Snare(Buffer& b, double at, double level, uint32_t seed, bool wrap = false);
void Hat(Buffer& b, double at, double level, uint32_t seed, bool wrap = false);
void Shaker(Buffer& b, double at, double level, uint32_t seed, bool wrap = false);
// A burst of noise through a low-pass of `cutoff` Hz, with a smooth rise and an exponential
// fall of `decay` seconds (bangs, taps, rattles).
void NoiseBurst(Buffer& b, double at, double length, double level, double cutoff, double decay, uint32_t seed,
                bool wrap = false);

double Peak(const Buffer& b);
double Rms(const Buffer& b);
double Db(double ratio);
void Gain(Buffer& b, double factor);
// Scaled so its peak is at `db` dBFS.
void NormalisePeak(Buffer& b, double db);
// Scaled so its RMS is at `db` dBFS, but never past a peak of `ceilingDb`.
void NormaliseRms(Buffer& b, double db, double ceilingDb);
// Short raised-cosine fades at both ends, so a file never starts or stops on a step.
void Fades(Buffer& b, double seconds = 0.003);
// A little room: a few soft echoes (wrapping for loops).
void Room(Buffer& b, double amount, bool wrap = false);
// One-pole low-pass over the whole buffer.
void LowPass(Buffer& b, double cutoff);

std::vector<uint8_t> Encode(const Buffer& b, float quality);

}  // namespace Synth
