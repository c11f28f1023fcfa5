// Voices are summed partials with per-partial decay; envelopes ramp with raised cosines.
#include "tools/soundgen/synth.h"

#include <algorithm>
#include <cmath>

#include "tools/tonegen/tone.h"

namespace Synth {

namespace Timbres {
const Timbre kSine = {{1, 1}};
const Timbre kFlute = {{1, 1}, {2, 0.22}, {3, 0.08}, {4, 0.03}};
const Timbre kClarinet = {{1, 1}, {3, 0.36}, {5, 0.18}, {7, 0.08}, {9, 0.04}};
const Timbre kBrass = {{1, 1}, {2, 0.55}, {3, 0.35}, {4, 0.22}, {5, 0.14}, {6, 0.08}};
const Timbre kMarimba = {{1, 1, 3}, {3.93, 0.22, 14}, {9.2, 0.06, 30}};
const Timbre kBell = {{1, 1, 1.2}, {2.0, 0.45, 2.2}, {2.76, 0.32, 3}, {5.4, 0.14, 6}, {8.9, 0.06, 9}};
const Timbre kPluck = {{1, 1, 4}, {2, 0.5, 7}, {3, 0.25, 10}, {4, 0.12, 14}};
const Timbre kOrgan = {{0.5, 0.35}, {1, 1}, {2, 0.5}, {3, 0.18}, {4, 0.12}};
const Timbre kGlass = {{1, 1, 2.5}, {2.0, 0.3, 5}, {3.0, 0.12, 8}, {4.16, 0.08, 12}};
}  // namespace Timbres

namespace {

// A smooth step from 0 to 1 over [0, 1].
double Ramp(double x) {
  if (x <= 0) return 0;
  if (x >= 1) return 1;
  return 0.5 - 0.5 * std::cos(M_PI * x);
}

double Held(const Envelope& e, double t) {
  if (t < e.attack) return Ramp(t / e.attack);
  t -= e.attack;
  if (t < e.decay) return 1 - (1 - e.sustain) * Ramp(t / e.decay);
  return e.sustain;
}

class Noise {
 public:
  explicit Noise(uint32_t seed) : mState(seed * 2654435761u + 12345u) {}
  double Next() {
    mState = mState * 1664525u + 1013904223u;
    return (double)(mState >> 8) / 8388608.0 - 1.0;
  }

 private:
  uint32_t mState;
};

double OnePole(double cutoff) { return 1 - std::exp(-2 * M_PI * cutoff / kRate); }

// Where frame i of a sound starting at `at` lands, or -1 past the end (without wrap).
long Index(const Buffer& b, double at, size_t i, bool wrap) {
  long start = std::lround(at * kRate);
  long n = (long)b.s.size();
  long k = start + (long)i;
  if (wrap) return n ? ((k % n) + n) % n : -1;
  return k >= 0 && k < n ? k : -1;
}

}  // namespace

double Midi(double note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

int NoteNumber(const std::string& name) {
  static const int kSteps[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  if (name.empty() || name[0] < 'A' || name[0] > 'G') return -1;
  int n = kSteps[name[0] - 'A'];
  size_t i = 1;
  if (i < name.size() && name[i] == '#')
    n++, i++;
  else if (i < name.size() && name[i] == 'b')
    n--, i++;
  if (i >= name.size()) return -1;
  int octave = std::atoi(name.c_str() + i);
  return 12 * (octave + 1) + n;
}

void Play(Buffer& b, const Note& n, bool wrap) {
  const double total = n.length + n.env.release;
  const size_t frames = (size_t)(total * kRate);
  const double atRelease = Held(n.env, n.length);
  double levels = 0;
  for (const Partial& p : n.timbre) levels += p.level;
  std::vector<double> phase(n.timbre.size(), 0.0);
  for (size_t i = 0; i < frames; i++) {
    long k = Index(b, n.start, i, wrap);
    if (k < 0) break;
    double t = (double)i / kRate;
    double env = t < n.length ? Held(n.env, t) : atRelease * (1 - Ramp((t - n.length) / n.env.release));
    double f = n.freq;
    if (n.glideTo > 0) f *= std::pow(n.glideTo / n.freq, std::min(t / std::max(n.length, 1e-3), 1.0));
    if (n.vibrato > 0) f *= std::pow(2.0, n.vibrato / 12 * std::sin(2 * M_PI * 5 * t) * Ramp(t / 0.25));
    double v = 0;
    for (size_t p = 0; p < n.timbre.size(); p++) {
      const Partial& part = n.timbre[p];
      double pf = f * part.ratio;
      phase[p] += 2 * M_PI * pf / kRate;
      if (pf > 18000) continue;
      double decay = part.decay > 0 ? std::exp(-part.decay * t) : 1.0;
      v += part.level * decay * std::sin(phase[p]);
    }
    b.s[(size_t)k] += (float)(n.level * env * v / levels);
  }
}

void Kick(Buffer& b, double at, double level, bool wrap) {
  const size_t frames = (size_t)(0.35 * kRate);
  double phase = 0;
  for (size_t i = 0; i < frames; i++) {
    long k = Index(b, at, i, wrap);
    if (k < 0) break;
    double t = (double)i / kRate;
    double f = 48 + 92 * std::exp(-t / 0.03);
    phase += 2 * M_PI * f / kRate;
    double env = Ramp(t / 0.002) * std::exp(-t / 0.09) * (1 - Ramp((t - 0.3) / 0.05));
    b.s[(size_t)k] += (float)(level * env * std::sin(phase));
  }
}

void NoiseBurst(Buffer& b, double at, double length, double level, double cutoff, double decay, uint32_t seed,
                bool wrap) {
  Noise noise(seed);
  const size_t frames = (size_t)(length * kRate);
  const double a = OnePole(cutoff);
  double y1 = 0, y2 = 0;
  for (size_t i = 0; i < frames; i++) {
    long k = Index(b, at, i, wrap);
    if (k < 0) break;
    double t = (double)i / kRate;
    y1 += a * (noise.Next() - y1);
    y2 += a * (y1 - y2);
    double env = Ramp(t / 0.004) * std::exp(-t / decay) * (1 - Ramp((t - (length - 0.01)) / 0.01));
    b.s[(size_t)k] += (float)(level * 2.5 * env * y2);
  }
}

namespace {
// High-passed noise: the noise less its own low-passed copy.
void BrightNoise(Buffer& b, double at, double length, double level, double cutoff, double rise, double decay,
                 uint32_t seed, bool wrap) {
  Noise noise(seed);
  const size_t frames = (size_t)(length * kRate);
  const double a = OnePole(cutoff);
  double low = 0;
  for (size_t i = 0; i < frames; i++) {
    long k = Index(b, at, i, wrap);
    if (k < 0) break;
    double t = (double)i / kRate;
    double x = noise.Next();
    low += a * (x - low);
    double env = Ramp(t / rise) * std::exp(-t / decay) * (1 - Ramp((t - (length - 0.005)) / 0.005));
    b.s[(size_t)k] += (float)(level * env * (x - low));
  }
}
}  // namespace

void Snare(Buffer& b, double at, double level, uint32_t seed, bool wrap) {
  NoiseBurst(b, at, 0.22, level * 0.8, 4500, 0.06, seed, wrap);
  Note body;
  body.start = at;
  body.freq = 190;
  body.glideTo = 160;
  body.length = 0.04;
  body.level = level * 0.5;
  body.env = {0.002, 0.03, 0.3, 0.05};
  Play(b, body, wrap);
}

void Hat(Buffer& b, double at, double level, uint32_t seed, bool wrap) {
  BrightNoise(b, at, 0.08, level, 6000, 0.001, 0.02, seed, wrap);
}

void Shaker(Buffer& b, double at, double level, uint32_t seed, bool wrap) {
  BrightNoise(b, at, 0.12, level, 3500, 0.015, 0.035, seed, wrap);
}

double Peak(const Buffer& b) {
  double p = 0;
  for (float v : b.s) p = std::max(p, (double)std::fabs(v));
  return p;
}

double Rms(const Buffer& b) {
  if (b.s.empty()) return 0;
  double sum = 0;
  for (float v : b.s) sum += (double)v * v;
  return std::sqrt(sum / b.s.size());
}

double Db(double ratio) { return ratio > 0 ? 20 * std::log10(ratio) : -200; }

void Gain(Buffer& b, double factor) {
  for (float& v : b.s) v = (float)(v * factor);
}

void NormalisePeak(Buffer& b, double db) {
  double p = Peak(b);
  if (p > 0) Gain(b, std::pow(10.0, db / 20) / p);
}

void NormaliseRms(Buffer& b, double db, double ceilingDb) {
  double r = Rms(b), p = Peak(b);
  if (r <= 0) return;
  double g = std::pow(10.0, db / 20) / r;
  g = std::min(g, std::pow(10.0, ceilingDb / 20) / p);
  Gain(b, g);
}

void Fades(Buffer& b, double seconds) {
  size_t n = std::min(b.s.size() / 2, (size_t)(seconds * kRate));
  for (size_t i = 0; i < n; i++) {
    double g = Ramp((double)i / n);
    b.s[i] = (float)(b.s[i] * g);
    b.s[b.s.size() - 1 - i] = (float)(b.s[b.s.size() - 1 - i] * g);
  }
}

void Room(Buffer& b, double amount, bool wrap) {
  const double delays[] = {0.037, 0.053, 0.079, 0.113, 0.149};
  std::vector<float> dry = b.s;
  double gain = amount;
  for (double d : delays) {
    size_t shift = (size_t)(d * kRate);
    for (size_t i = 0; i < dry.size(); i++) {
      size_t k = i + shift;
      if (k >= dry.size()) {
        if (!wrap) break;
        k %= dry.size();
      }
      b.s[k] += (float)(dry[i] * gain);
    }
    gain *= 0.62;
  }
}

void LowPass(Buffer& b, double cutoff) {
  if (cutoff >= 20000) return;
  const double a = OnePole(cutoff);
  double y = 0;
  for (float& v : b.s) {
    y += a * (v - y);
    v = (float)y;
  }
}

std::vector<uint8_t> Encode(const Buffer& b, float quality) {
  std::vector<float> s = b.s;
  for (float& v : s) v = std::clamp(v, -1.0f, 1.0f);
  ToneGen::OggSpec spec;
  spec.channels = 1;
  spec.quality = quality;
  return ToneGen::EncodeOgg(s, spec);
}

}  // namespace Synth
