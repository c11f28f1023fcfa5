// The effects: short, soft and enveloped, peaks at -12 dBFS. Successes rise by major
// intervals, misses fall a minor second, money rings two high tones.
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <string>

#include "tools/soundgen/sounds.h"

using namespace Synth;

namespace {

std::string Numbered(const char* format, int n) {
  char text[64];
  std::snprintf(text, sizeof text, format, n);
  return text;
}

Note Tone(double start, const char* name, double length, const Timbre& timbre, Envelope env, double level = 0.3) {
  Note n;
  n.start = start;
  n.freq = Midi(NoteNumber(name));
  n.length = length;
  n.timbre = timbre;
  n.env = env;
  n.level = level;
  return n;
}

Note Pitch(double start, double midi, double length, const Timbre& timbre, Envelope env, double level = 0.3) {
  Note n;
  n.start = start;
  n.freq = Midi(midi);
  n.length = length;
  n.timbre = timbre;
  n.env = env;
  n.level = level;
  return n;
}

const Envelope kTap{0.002, 0.03, 0.4, 0.06};
const Envelope kPing{0.003, 0.1, 0.5, 0.25};
const Envelope kSoft{0.02, 0.1, 0.7, 0.12};
const Envelope kRing{0.003, 0.3, 0.35, 0.6};

Buffer Finish(Buffer b, double room = 0.0) {
  if (room > 0) Room(b, room);
  Fades(b);
  NormalisePeak(b, Sounds::kEffectPeakDb);
  return b;
}

// A few notes and nothing else: the bells, the money rings, the falling misses.
Buffer Notes(double seconds, std::initializer_list<Note> notes, double room) {
  Buffer b(seconds);
  for (const Note& n : notes) Play(b, n);
  return Finish(b, room);
}

// The framework's sounds.

Buffer Click() {
  Buffer b(0.12);
  Play(b, Tone(0, "C6", 0.012, Timbres::kMarimba, {0.001, 0.01, 0.5, 0.05}));
  NoiseBurst(b, 0, 0.03, 0.08, 3500, 0.006, 1);
  return Finish(b);
}

Buffer Typing(int n) {
  Buffer b(0.07);
  const double pitch[] = {0, 2400, 2150, 2600, 2000};
  NoiseBurst(b, 0, 0.05, 0.25, 3000 + 400 * n, 0.008, 10 + n);
  Note tick = Pitch(0, 0, 0.006, Timbres::kSine, {0.001, 0.005, 0.5, 0.02}, 0.12);
  tick.freq = pitch[n];
  Play(b, tick);
  return Finish(b);
}

Buffer Firework(int n) {
  Buffer b(1.4);
  // The bang: a low thump and a dull burst; then crackles falling away.
  Kick(b, 0, 0.5 + 0.05 * n);
  NoiseBurst(b, 0, 0.6, 0.6, 700 + 150 * n, 0.12 + 0.02 * n, 100 + n);
  uint32_t s = 7u * n + 3;
  for (int k = 0; k < 14 + 2 * n; k++) {
    s = s * 1664525u + 1013904223u;
    double at = 0.15 + (s >> 8) % 1000 / 1000.0 * 0.9;
    double level = 0.18 * (1.2 - at);
    NoiseBurst(b, at, 0.025, level, 5000, 0.006, s);
  }
  return Finish(b, 0.25);
}

// The music project's effects.

Buffer ClockTick() {
  Buffer b(0.1);
  Play(b, Tone(0, "G6", 0.01, Timbres::kMarimba, {0.001, 0.01, 0.5, 0.05}));
  NoiseBurst(b, 0, 0.02, 0.05, 4000, 0.004, 2);
  return Finish(b);
}

Buffer StartBell() {
  return Notes(1.4, {Tone(0, "C6", 0.2, Timbres::kBell, kRing), Tone(0.06, "E6", 0.2, Timbres::kBell, kRing, 0.22)},
               0.2);
}

Buffer Whistle() {
  Buffer b(0.75);
  Note n = Tone(0, "A6", 0.5, Timbres::kFlute, {0.04, 0.1, 0.8, 0.12});
  n.vibrato = 0.6;
  Play(b, n);
  NoiseBurst(b, 0, 0.6, 0.03, 6000, 0.3, 3);
  return Finish(b);
}

Buffer Snatch() {
  Buffer b(0.22);
  Note n = Tone(0, "G4", 0.1, Timbres::kPluck, {0.002, 0.05, 0.6, 0.06});
  n.glideTo = Midi(NoteNumber("G5"));
  Play(b, n);
  NoiseBurst(b, 0, 0.12, 0.1, 2500, 0.04, 4);
  return Finish(b);
}

// A miss: two notes falling a minor second, lower with each miss.
Buffer Miss(int n) {
  double top = NoteNumber("B4") - 2 * (n - 1);
  return Notes(0.5,
               {Pitch(0, top, 0.1, Timbres::kClarinet, kSoft), Pitch(0.14, top - 1, 0.16, Timbres::kClarinet, kSoft)},
               0.15);
}

Buffer Shutdown() {
  Buffer b(1.8);
  const char* line[] = {"G4", "F#4", "F4", "E4"};
  for (int k = 0; k < 4; k++) Play(b, Tone(0.22 * k, line[k], k == 3 ? 0.6 : 0.16, Timbres::kBrass, kSoft));
  Play(b, Tone(0.66, "C3", 0.7, Timbres::kOrgan, kSoft, 0.2));
  return Finish(b, 0.2);
}

Buffer Recycler() {
  Buffer b(0.45);
  NoiseBurst(b, 0, 0.3, 0.5, 1200, 0.12, 5);
  Note gulp = Tone(0.08, "C4", 0.12, Timbres::kPluck, {0.003, 0.05, 0.6, 0.08});
  gulp.glideTo = Midi(NoteNumber("G3"));
  Play(b, gulp);
  return Finish(b);
}

Buffer Launch(int n) {
  Buffer b(0.25);
  Note pop = Pitch(0, NoteNumber("C5") + 2 * n, 0.06, Timbres::kPluck, {0.001, 0.03, 0.5, 0.05});
  pop.glideTo = pop.freq * 2;
  Play(b, pop);
  NoiseBurst(b, 0, 0.08, 0.25, 2000 + 500 * n, 0.015, 20 + n);
  return Finish(b);
}

// Money: two high tones.
Buffer Coins() {
  return Notes(0.7, {Tone(0, "E6", 0.06, Timbres::kGlass, kPing), Tone(0.09, "B6", 0.12, Timbres::kGlass, kPing)},
               0.15);
}

Buffer Counted() {
  return Notes(0.6, {Tone(0, "G6", 0.05, Timbres::kGlass, kPing), Tone(0.08, "C7", 0.1, Timbres::kGlass, kPing)}, 0.15);
}

// A success: a step and a major third up, higher with each place filled; a colour match
// climbs a fifth instead and rings.
Buffer Success(int n, bool colour) {
  const int scale[] = {0, 2, 4, 7, 9, 12, 14, 16};
  Buffer b(0.6);
  double base = NoteNumber("C5") + scale[(n - 1) % 8];
  const Timbre& t = colour ? Timbres::kBell : Timbres::kMarimba;
  Play(b, Pitch(0, base, 0.06, t, kPing));
  Play(b, Pitch(0.08, base + (colour ? 7 : 4), 0.12, t, kPing));
  return Finish(b, 0.15);
}

Buffer Arpeggio(const std::vector<const char*>& notes, double step, const Timbre& t, double hold) {
  Buffer b(step * notes.size() + hold + 0.8);
  for (size_t k = 0; k < notes.size(); k++)
    Play(b, Tone(step * k, notes[k], k + 1 == notes.size() ? hold : step, t, kPing));
  return Finish(b, 0.2);
}

Buffer FullBonus() {
  Buffer b(1.6);
  const char* up[] = {"C5", "E5", "G5", "C6"};
  for (int k = 0; k < 4; k++) Play(b, Tone(0.1 * k, up[k], k == 3 ? 0.5 : 0.1, Timbres::kBrass, kSoft));
  for (const char* n : {"C6", "E6", "G6"}) Play(b, Tone(0.3, n, 0.4, Timbres::kBell, kRing, 0.15));
  return Finish(b, 0.25);
}

// Coffee group collected: more notes of a rising arpeggio the bigger the bonus.
Buffer Match(int grade) {
  const char* notes[] = {"C5", "E5", "G5", "C6", "E6", "G6"};
  std::vector<const char*> line(notes, notes + grade + 1);
  return Arpeggio(line, 0.07, Timbres::kMarimba, 0.2);
}

Buffer Silence() { return Buffer(0.1); }

// Loops are rendered round the loop, so their ends join.
Buffer Belt() {
  Buffer b(1.0);
  Note hum = Tone(0, "A1", 1.0, Timbres::kOrgan, {0.0, 0.0, 1.0, 0.0}, 0.25);
  hum.env = {1e-6, 1e-6, 1.0, 1e-6};
  Play(b, hum, true);
  for (int k = 0; k < 8; k++) NoiseBurst(b, k / 8.0, 0.05, k % 2 ? 0.2 : 0.3, 1800, 0.01, 30 + k, true);
  NormalisePeak(b, -18.0);
  return b;
}

Buffer Spin() {
  Buffer b(1.0);
  for (int k = 0; k < 12; k++) {
    Play(b, Pitch(k / 12.0, NoteNumber("D5") + (k % 2 ? 0 : 5), 0.01, Timbres::kMarimba, {0.001, 0.01, 0.5, 0.03}, 0.2),
         true);
    NoiseBurst(b, k / 12.0, 0.03, 0.15, 3000, 0.006, 40 + k, true);
  }
  NormalisePeak(b, Sounds::kEffectPeakDb);
  return b;
}

Buffer CoinShower() {
  Buffer b(2.0);
  const char* notes[] = {"C7", "E7", "G7", "E7", "D7", "G7", "C7", "A6"};
  for (int k = 0; k < 16; k++) Play(b, Tone(k / 8.0, notes[k % 8], 0.03, Timbres::kGlass, kPing, 0.2), true);
  NormalisePeak(b, Sounds::kEffectPeakDb);
  return b;
}

Buffer CrateClick() {
  Buffer b(0.2);
  NoiseBurst(b, 0, 0.08, 0.4, 1500, 0.02, 6);
  Play(b, Tone(0, "G3", 0.02, Timbres::kMarimba, {0.001, 0.02, 0.5, 0.08}));
  return Finish(b);
}

Buffer NoMoney() {
  return Notes(0.6, {Tone(0, "D4", 0.12, Timbres::kClarinet, kSoft), Tone(0.16, "C#4", 0.2, Timbres::kClarinet, kSoft)},
               0.15);
}

Buffer SpinStop() {
  Buffer b(0.3);
  Kick(b, 0, 0.5);
  NoiseBurst(b, 0, 0.05, 0.3, 3000, 0.01, 7);
  return Finish(b);
}

Buffer Randomize() {
  Buffer b(0.55);
  for (int k = 0; k < 4; k++) Shaker(b, 0.08 * k, 0.5, 50 + k);
  Note up = Tone(0.32, "E5", 0.05, Timbres::kPluck, kTap);
  up.glideTo = Midi(NoteNumber("B5"));
  Play(b, up);
  return Finish(b);
}

Buffer GameOver() {
  Buffer b(2.2);
  Play(b, Tone(0, "C5", 0.3, Timbres::kBell, {0.003, 0.5, 0.3, 1.2}));
  Play(b, Tone(0, "G4", 0.3, Timbres::kBell, {0.003, 0.5, 0.3, 1.2}, 0.2));
  Play(b, Tone(0, "C4", 0.3, Timbres::kBell, {0.003, 0.5, 0.3, 1.2}, 0.15));
  return Finish(b, 0.2);
}

Buffer Depart() {
  Buffer b(1.4);
  Note horn = Tone(0, "G3", 0.5, Timbres::kBrass, {0.06, 0.1, 0.8, 0.3});
  Play(b, horn);
  Play(b, Tone(0.1, "D4", 0.4, Timbres::kBrass, {0.06, 0.1, 0.8, 0.3}, 0.2));
  NoiseBurst(b, 0.1, 1.0, 0.15, 800, 0.4, 8);
  return Finish(b, 0.2);
}

Buffer Arrive() {
  return Notes(1.3, {Tone(0, "E5", 0.1, Timbres::kBell, kRing), Tone(0.3, "C5", 0.2, Timbres::kBell, kRing)}, 0.2);
}

// The sample dialog's chime: a plain 440 Hz tone at 0.3 of full scale for a second, as the
// program's sound tests measure it.
Buffer Chime() {
  Buffer b(1.0);
  for (size_t i = 0; i < b.s.size(); i++) b.s[i] = (float)(0.3 * std::sin(2 * M_PI * 440.0 * i / kRate));
  Fades(b);
  return b;
}

const bool gAdded = [] {
  using Sounds::Add;
  Add("assets", "vexa/ui_click.ogg", Click, 0.5f);
  for (int n = 1; n <= 4; n++)
    Add(
        "assets", Numbered("sfx/sfx_typing_%02d.ogg", n), [n] { return Typing(n); }, 0.5f);
  for (int n = 1; n <= 5; n++)
    Add(
        "assets", Numbered("sfx/firework%d.ogg", n), [n] { return Firework(n); }, 0.4f);

  Add("clips", "tick.ogg", ClockTick, 0.5f);
  Add("clips", "start_bell.ogg", StartBell, 0.4f);
  Add("clips", "whistle.ogg", Whistle, 0.4f);
  Add("clips", "snatch.ogg", Snatch, 0.5f);
  for (int n = 1; n <= 6; n++)
    Add(
        "clips", Numbered("miss_%d.ogg", n), [n] { return Miss(n); }, 0.4f);
  Add("clips", "shutdown.ogg", Shutdown, 0.4f);
  Add("clips", "recycler.ogg", Recycler, 0.5f);
  for (int n = 1; n <= 2; n++)
    Add(
        "clips", Numbered("launch_%d.ogg", n), [n] { return Launch(n); }, 0.5f);
  Add("clips", "coins.ogg", Coins, 0.4f);
  Add("clips", "counted.ogg", Counted, 0.4f);
  for (int n = 1; n <= 8; n++) {
    Add(
        "clips", Numbered("success_%d.ogg", n), [n] { return Success(n, false); }, 0.4f);
    Add(
        "clips", Numbered("colour_%d.ogg", n), [n] { return Success(n, true); }, 0.4f);
  }
  Add(
      "clips", "complete.ogg",
      [] {
        return Arpeggio({"C5", "E5", "G5", "C6"}, 0.07, Timbres::kMarimba, 0.25);
      },
      0.4f);
  Add(
      "clips", "complete_colour.ogg",
      [] {
        return Arpeggio({"C5", "E5", "G5", "C6", "E6"}, 0.07, Timbres::kBell, 0.3);
      },
      0.4f);
  Add("clips", "full_bonus.ogg", FullBonus, 0.4f);
  for (int n = 0; n <= 5; n++)
    Add(
        "clips", Numbered("match_%d.ogg", n), [n] { return Match(n); }, 0.4f);
  Add("clips", "silence.ogg", Silence, 0.3f);
  Add("clips", "belt_loop.ogg", Belt, 0.4f);
  Add("clips", "spin_loop.ogg", Spin, 0.4f);
  Add("clips", "coin_loop.ogg", CoinShower, 0.4f);
  Add("clips", "crate_click.ogg", CrateClick, 0.5f);
  Add("clips", "no_money.ogg", NoMoney, 0.4f);
  Add("clips", "spin_stop.ogg", SpinStop, 0.5f);
  Add(
      "clips", "quest.ogg",
      [] {
        return Arpeggio({"G5", "C6", "E6"}, 0.1, Timbres::kBell, 0.4);
      },
      0.4f);
  Add("clips", "randomize.ogg", Randomize, 0.5f);
  Add("clips", "game_over.ogg", GameOver, 0.4f);
  Add("clips", "depart.ogg", Depart, 0.4f);
  Add("clips", "arrive.ogg", Arrive, 0.4f);
  Add("clips", "chime.ogg", Chime, 0.5f);
  return true;
}();

}  // namespace
