// The list of the game's sounds. Each sound file is made by a function in the file of its
// kind (sfx.cpp: effects, music.cpp: music), which adds it to the list when the program
// starts: place "assets" writes it into the assets folder by its key (the framework's own
// sounds), place "clips" into the music project's clip folder.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tools/soundgen/synth.h"

namespace Sounds {

struct Entry {
  std::string place, file;
  std::function<Synth::Buffer()> make;
  float quality;  // Vorbis quality
};

std::vector<Entry>& All();
inline bool Add(const std::string& place, const std::string& file, std::function<Synth::Buffer()> make, float quality) {
  All().push_back({place, file, std::move(make), quality});
  return true;
}

// Levels every effect and tune is brought to.
constexpr double kEffectPeakDb = -12.0;
constexpr double kMusicRmsDb = -18.0;
constexpr double kMusicCeilingDb = -3.0;

}  // namespace Sounds
