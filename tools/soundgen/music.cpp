// The music: a loop per screen in C major or A minor (menu, map, three port tunes, the two
// factories, rewards) and the factories' jingles. Each loop is a whole number of bars at a
// tempo whose bar is a whole number of samples, rendered round the loop so it joins without a
// seam, and brought to -18 dBFS on average.
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "tools/soundgen/sounds.h"

using namespace Synth;

namespace {

struct Song {
  double bpm;
  int bars;
  bool loop;
  double Beat() const { return 60.0 / bpm; }
  size_t Frames() const { return (size_t)std::llround(bars * 4 * 60.0 / bpm * kRate); }
};

// "E5:1 G5:.5 r:1" — notes (or rests) with their lengths in beats, one after another.
struct Step {
  int note;  // -1: rest
  double beats;
};
std::vector<Step> Line(const std::string& text) {
  std::vector<Step> steps;
  std::istringstream in(text);
  std::string token;
  while (in >> token) {
    size_t colon = token.find(':');
    std::string name = token.substr(0, colon);
    double beats = colon == std::string::npos ? 1.0 : std::stod(token.substr(colon + 1));
    steps.push_back({name == "r" ? -1 : NoteNumber(name), beats});
  }
  return steps;
}

// "C Am F:2 G:2": chords with their lengths in beats (a bar when none is given).
struct Chord {
  int root;                // MIDI number in octave 3
  std::vector<int> tones;  // semitones above the root
  double start, beats;
};
std::vector<Chord> Chords(const std::string& text) {
  std::vector<Chord> chords;
  std::istringstream in(text);
  std::string token;
  double at = 0;
  while (in >> token) {
    size_t colon = token.find(':');
    std::string name = token.substr(0, colon);
    double beats = colon == std::string::npos ? 4.0 : std::stod(token.substr(colon + 1));
    size_t rootLength = name.size() > 1 && (name[1] == '#' || name[1] == 'b') ? 2 : 1;
    std::string quality = name.substr(rootLength);
    Chord c;
    c.root = NoteNumber(name.substr(0, rootLength) + "3");
    c.tones = quality == "m"    ? std::vector<int>{0, 3, 7}
              : quality == "7"  ? std::vector<int>{0, 4, 7, 10}
              : quality == "m7" ? std::vector<int>{0, 3, 7, 10}
                                : std::vector<int>{0, 4, 7};
    c.start = at;
    c.beats = beats;
    chords.push_back(c);
    at += beats;
  }
  return chords;
}

class Arranger {
 public:
  explicit Arranger(Song song) : mSong(song), mBuffer(Buffer::Frames(song.Frames())) {}

  void Melody(const std::string& text, const Timbre& t, double level, Envelope env, double legato = 0.9,
              double vibrato = 0) {
    double at = 0;
    for (const Step& s : Line(text)) {
      if (s.note >= 0) {
        Note n;
        n.start = at * mSong.Beat();
        n.freq = Midi(s.note);
        n.length = s.beats * mSong.Beat() * legato;
        n.timbre = t;
        n.level = level;
        n.env = env;
        n.vibrato = vibrato;
        Play(mBuffer, n, mSong.loop);
      }
      at += s.beats;
    }
  }

  // A figure over every chord: degrees of the chord ("1", "3", "5", "7", "8" for the octave)
  // with lengths in beats, repeated across the chord; transposed by `octave` octaves.
  void Figure(const std::vector<Chord>& chords, const std::string& pattern, int octave, const Timbre& t, double level,
              Envelope env, double legato = 0.8) {
    std::vector<std::pair<int, double>> steps;
    std::istringstream in(pattern);
    std::string token;
    double cycle = 0;
    while (in >> token) {
      size_t colon = token.find(':');
      int degree = std::stoi(token.substr(0, colon));
      double beats = colon == std::string::npos ? 1.0 : std::stod(token.substr(colon + 1));
      steps.push_back({degree, beats});
      cycle += beats;
    }
    for (const Chord& c : chords) {
      double at = 0;
      for (size_t k = 0; at < c.beats - 1e-9; k = (k + 1) % steps.size()) {
        int degree = steps[k].first;
        if (degree > 0) {
          int semis = degree == 8                         ? 12
                      : degree == 1                       ? 0
                      : degree == 3                       ? c.tones[1]
                      : degree == 5                       ? c.tones[2]
                      : degree == 7 && c.tones.size() > 3 ? c.tones[3]
                      : degree == 7                       ? 12
                                                          : 0;
          Note n;
          n.start = (c.start + at) * mSong.Beat();
          n.freq = Midi(c.root + 12 * octave + semis);
          n.length = steps[k].second * mSong.Beat() * legato;
          n.timbre = t;
          n.level = level;
          n.env = env;
          Play(mBuffer, n, mSong.loop);
        }
        at += steps[k].second;
      }
    }
    (void)cycle;
  }

  // Whole chords held for their length.
  void Pad(const std::vector<Chord>& chords, int octave, const Timbre& t, double level, Envelope env) {
    for (const Chord& c : chords)
      for (int tone : c.tones) {
        Note n;
        n.start = c.start * mSong.Beat();
        n.freq = Midi(c.root + 12 * octave + tone);
        n.length = c.beats * mSong.Beat() * 0.95;
        n.timbre = t;
        n.level = level;
        n.env = env;
        Play(mBuffer, n, mSong.loop);
      }
  }

  // A bar of drums in sixteenths ("k" kick, "s" snare, "h" hat, "x" shaker, "." nothing),
  // played in every bar.
  void Drums(const std::string& bar, double level) {
    uint32_t seed = 1;
    for (int b = 0; b < mSong.bars; b++)
      for (size_t i = 0; i < bar.size(); i++) {
        double at = (b * 4 + i * 4.0 / bar.size()) * mSong.Beat();
        seed++;
        switch (bar[i]) {
          case 'k':
            Kick(mBuffer, at, level, mSong.loop);
            break;
          case 's':
            Snare(mBuffer, at, level * 0.6, seed, mSong.loop);
            break;
          case 'h':
            Hat(mBuffer, at, level * 0.35, seed, mSong.loop);
            break;
          case 'x':
            Shaker(mBuffer, at, level * 0.4, seed, mSong.loop);
            break;
          default:
            break;
        }
      }
  }

  Buffer Done(double room) {
    Room(mBuffer, room, mSong.loop);
    if (!mSong.loop) Fades(mBuffer, 0.02);
    NormaliseRms(mBuffer, Sounds::kMusicRmsDb, Sounds::kMusicCeilingDb);
    return mBuffer;
  }

 private:
  Song mSong;
  Buffer mBuffer;
};

const Envelope kPluck{0.004, 0.15, 0.35, 0.12};
const Envelope kLead{0.02, 0.1, 0.75, 0.12};
const Envelope kSlowPad{0.35, 0.4, 0.8, 0.5};
const Envelope kStab{0.01, 0.08, 0.5, 0.1};
const Envelope kMallet{0.002, 0.1, 0.3, 0.15};

// The menu: cheerful, 96 BPM, eight bars in C.
Buffer Menu() {
  Arranger a({96, 8, true});
  auto chords = Chords("C Am F G C Am F:2 G:2 C");
  a.Melody(
      "E5:1 G5:1 C6:1.5 B5:.5  A5:1 E5:1 C5:2  F5:1 A5:1 C6:1 A5:1  G5:1.5 F5:.5 E5:1 D5:1 "
      "E5:1 G5:1 C6:1.5 D6:.5  E6:1 C6:1 A5:2  A5:1 C6:1 B5:1 D6:1  C6:3 r:1",
      Timbres::kFlute, 0.3, kLead, 0.92, 0.15);
  a.Figure(chords, "1:.5 3:.5 5:.5 3:.5 8:.5 5:.5 3:.5 5:.5", 1, Timbres::kMarimba, 0.16, kMallet);
  a.Figure(chords, "1:1.5 1:.5 5:1 8:1", -1, Timbres::kPluck, 0.3, kPluck);
  a.Drums("k...x.x.k.x.x.x.", 0.25);
  return a.Done(0.18);
}

// The map: airy travel, 90 BPM, eight bars in A minor.
Buffer Map() {
  Arranger a({90, 8, true});
  auto chords = Chords("Am F C G Am F G E");
  a.Melody(
      "A4:1.5 B4:.5 C5:1 E5:1  F5:2 E5:1 C5:1  G5:1.5 E5:.5 C5:2  D5:1 E5:1 D5:1 B4:1 "
      "A4:1.5 B4:.5 C5:1 E5:1  A5:2 G5:1 F5:1  E5:1 D5:1 B4:1 D5:1  G#4:2 B4:1 E5:1",
      Timbres::kClarinet, 0.26, kLead, 0.95, 0.2);
  a.Pad(chords, 1, Timbres::kOrgan, 0.08, kSlowPad);
  a.Figure(chords, "1:2 5:2", -1, Timbres::kPluck, 0.28, kPluck);
  a.Drums("k.......x...x...", 0.25);
  return a.Done(0.25);
}

// The ports: three tunes at 100 BPM, four bars each, a harbour band's oom-pah.
Buffer Port(int n) {
  Arranger a({100, 4, true});
  const char* const progressions[] = {"C F G7 C", "Am Dm G C", "F G Am:2 Em:2 Am"};
  const char* const melodies[] = {
      "G4:.5 C5:.5 E5:.5 G5:.5 E5:1 C5:1  F5:.5 A5:.5 F5:.5 C5:.5 A4:2  G4:.5 B4:.5 D5:.5 F5:.5 E5:1 D5:1  "
      "C5:2 G4:1 r:1",
      "A4:1 C5:.5 E5:.5 A5:1 G5:1  F5:1 D5:.5 F5:.5 A5:1 F5:1  G5:1 D5:.5 B4:.5 D5:1 G5:1  E5:1.5 D5:.5 C5:2",
      "C5:.5 D5:.5 F5:1 A5:1 F5:1  D5:.5 E5:.5 G5:1 B5:1 G5:1  C6:1 A5:1 B5:1 G5:1  A5:2 E5:1 C5:1"};
  const Timbre* leads[] = {&Timbres::kClarinet, &Timbres::kOrgan, &Timbres::kFlute};
  auto chords = Chords(progressions[n - 1]);
  a.Melody(melodies[n - 1], *leads[n - 1], 0.28, kLead, 0.9, n == 2 ? 0.08 : 0.12);
  a.Figure(chords, "1:1 0:1 5:1 0:1", -1, Timbres::kPluck, 0.3, kPluck);
  a.Figure(chords, "0:1 3:1 0:1 3:1", 1, Timbres::kOrgan, 0.07, kStab, 0.5);
  a.Figure(chords, "0:1 5:1 0:1 5:1", 1, Timbres::kOrgan, 0.07, kStab, 0.5);
  a.Drums("k.......k...s...", 0.18);
  return a.Done(0.2);
}

// The factories: busy, 126 BPM, four bars; chocolate in C, coffee in A minor.
Buffer Factory(bool coffee) {
  Arranger a({126, 4, true});
  auto chords = Chords(coffee ? "Am F G E" : "C Am F G");
  a.Melody(coffee ? "A4:.5 C5:.5 E5:.5 A5:.5 G5:1 E5:1  F5:.5 A5:.5 C6:.5 A5:.5 F5:2  G5:.5 B5:.5 D6:.5 B5:.5 "
                    "G5:1 D5:1  E5:1 G#5:1 B5:1 r:1"
                  : "C5:.5 r:.5 E5:.5 G5:.5 C6:1 G5:1  A5:.5 r:.5 C6:.5 A5:.5 E5:2  F5:.5 r:.5 A5:.5 C6:.5 "
                    "A5:1 F5:1  G5:.5 r:.5 B5:.5 D6:.5 G5:1 r:1",
           coffee ? Timbres::kClarinet : Timbres::kBrass, 0.22, kStab, 0.8);
  a.Figure(chords, "1:.25 5:.25 8:.25 5:.25", 1, Timbres::kMarimba, 0.12, kMallet);
  a.Figure(chords, "1:.5 1:.5 8:.5 1:.5", -1, Timbres::kPluck, 0.28, kPluck, 0.7);
  a.Drums("k.h.s.h.k.hks.h.", 0.3);
  return a.Done(0.12);
}

// Rewards: a fanfare loop, 120 BPM, four bars in C.
Buffer Rewards() {
  Arranger a({120, 4, true});
  auto chords = Chords("C F G C");
  a.Melody(
      "C5:.5 E5:.5 G5:.5 C6:.5 E6:1 C6:1  A5:.5 C6:.5 F6:1 C6:1 A5:1  B5:.5 D6:.5 G6:1 F6:.5 E6:.5 D6:1  "
      "C6:3 r:1",
      Timbres::kBell, 0.17, kMallet, 0.9);
  a.Figure(chords, "1:1.5 5:.5 3:1 5:1", 0, Timbres::kBrass, 0.1, kStab, 0.6);
  a.Figure(chords, "1:1 5:1 8:1 5:1", -1, Timbres::kPluck, 0.28, kPluck);
  a.Drums("k...s...k.k.s..x", 0.25);
  return a.Done(0.2);
}

// The factories' jingles at their loop's tempo: two bars before play, two after time is up.
Buffer Intro(bool coffee) {
  Arranger a({126, 2, false});
  a.Melody(
      coffee ? "A3:.5 C4:.5 E4:.5 A4:.5 C5:.5 E5:.5 A5:.5 C6:.5" : "C4:.5 E4:.5 G4:.5 C5:.5 E5:.5 G5:.5 C6:.5 E6:.5",
      Timbres::kMarimba, 0.3, kMallet);
  a.Pad(Chords(coffee ? "r:4 E7:3" : "r:4 G7:3"), 1, Timbres::kBrass, 0.09, kStab);
  a.Drums("........", 0);
  return a.Done(0.2);
}

Buffer Outro(bool coffee) {
  Arranger a({126, 2, false});
  a.Pad(Chords(coffee ? "E7:2 Am:5" : "G7:2 C:5"), 1, Timbres::kBrass, 0.09, kStab);
  a.Melody(coffee ? "B4:.5 G#4:.5 B4:.5 D5:.5 C5:.5 E5:.5 A5:3" : "D5:.5 B4:.5 D5:.5 F5:.5 E5:.5 G5:.5 C6:3",
           Timbres::kBell, 0.28, kMallet);
  return a.Done(0.25);
}

const bool gAdded = [] {
  using Sounds::Add;
  Add("clips", "menu_loop.ogg", Menu, 0.3f);
  Add("clips", "map_loop.ogg", Map, 0.3f);
  for (int n = 1; n <= 3; n++)
    Add(
        "clips", "port_loop_" + std::to_string(n) + ".ogg", [n] { return Port(n); }, 0.3f);
  Add(
      "clips", "chocolate_loop.ogg", [] { return Factory(false); }, 0.3f);
  Add(
      "clips", "coffee_loop.ogg", [] { return Factory(true); }, 0.3f);
  Add("clips", "rewards_loop.ogg", Rewards, 0.3f);
  Add(
      "clips", "chocolate_intro.ogg", [] { return Intro(false); }, 0.3f);
  Add(
      "clips", "coffee_intro.ogg", [] { return Intro(true); }, 0.3f);
  Add(
      "clips", "chocolate_outro.ogg", [] { return Outro(false); }, 0.3f);
  Add(
      "clips", "coffee_outro.ogg", [] { return Outro(true); }, 0.3f);
  return true;
}();

}  // namespace
