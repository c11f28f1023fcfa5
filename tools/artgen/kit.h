// Helpers the areas share: lines drawn as bands, frame lists for animations, a seeded number
// generator, and the loading and placing that previews do.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tools/artgen/output.h"
#include "tools/artgen/raster.h"

namespace Art {

// A band of round-ended strokes along every segment of the path's outlines (open lines
// included, which Path::Stroke would close).
Path Band(const Path& along, double width);

// Frames registered at their centre, as sprites are drawn.
std::vector<Frame> Centred(const std::vector<Canvas>& canvases);
// Eight frames of a figure turned to headings k x 45 degrees (radians passed), frame 0 up the
// screen and clockwise, as journeys and path sprites pick them.
std::vector<Frame> Headings(const std::function<Canvas(double)>& draw);

// A small linear congruential generator: the same seed, the same numbers on every machine.
class Seeded {
 public:
  explicit Seeded(unsigned seed) : mState(seed) {}
  unsigned Next() {
    mState = mState * 1664525u + 1013904223u;
    return mState >> 8;
  }
  double Unit() { return (Next() % 100000) / 100000.0; }  // 0 to 1

 private:
  unsigned mState;
};

// Previews: the named areas drawn into a scratch folder, read back by key, placed centred.
class Scratch {
 public:
  Scratch(const std::string& name, const std::vector<std::string>& areas);
  Canvas Load(const std::string& key) const;

 private:
  std::string mFolder;
};
void Put(Canvas& on, const Canvas& what, double x, double y, float opacity = 1.0f);

}  // namespace Art
