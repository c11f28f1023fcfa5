#include "tools/artgen/kit.h"

#include <algorithm>
#include <cmath>

namespace Art {

Path Band(const Path& along, double width) {
  Path band;
  for (const auto& o : along.Outlines())
    for (size_t i = 0; i + 1 < o.size(); i++) band.Append(CapsuleShape(o[i].x, o[i].y, o[i + 1].x, o[i + 1].y, width));
  return band;
}

std::vector<Frame> Centred(const std::vector<Canvas>& canvases) {
  std::vector<Frame> frames;
  for (const Canvas& c : canvases) frames.push_back({c, c.Width() / 2, c.Height() / 2});
  return frames;
}

std::vector<Frame> Headings(const std::function<Canvas(double)>& draw) {
  std::vector<Canvas> turned;
  for (int k = 0; k < 8; k++) turned.push_back(draw(k * M_PI / 4));
  return Centred(turned);
}

Scratch::Scratch(const std::string& name, const std::vector<std::string>& areas)
    : mFolder("/tmp/artgen-preview-" + name) {
  Sink sink(mFolder);
  for (const auto& a : Areas())
    if (std::find(areas.begin(), areas.end(), a.first) != areas.end()) a.second(sink);
}

Canvas Scratch::Load(const std::string& key) const { return ReadPng(mFolder + "/" + key + ".png"); }

void Put(Canvas& on, const Canvas& what, double x, double y, float opacity) {
  on.Draw(what, (int)std::lround(x - what.Width() / 2.0), (int)std::lround(y - what.Height() / 2.0), opacity);
}

}  // namespace Art
