// Where pictures go: PNG files and animation files under an output folder, by asset key, and
// the list of picture areas. Each area (ui, items, world, ...) lives in its own source file
// and registers itself with ART_AREA, so adding pictures never touches another area.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tools/artgen/raster.h"

namespace Art {

// One frame of an animation: its picture and its registration point (the point of the frame
// that is placed where the sprite is drawn).
struct Frame {
  Canvas canvas;
  int regx = 0, regy = 0;
};

class Sink {
 public:
  explicit Sink(std::string root) : mRoot(std::move(root)) {}

  // Keys are asset paths with their extension, e.g. "ui/kit/button.png".
  void Png(const std::string& key, const Canvas& canvas);
  void Text(const std::string& key, const std::string& text);
  // The frames packed into one sheet "<key>.png" and the sequence file "<key>.xml" naming
  // them in order; an empty script plays them all (the reader's default).
  void Animation(const std::string& key, const std::vector<Frame>& frames, const std::string& script = "");

  bool Ok() const { return mOk; }
  const std::vector<std::string>& Written() const { return mWritten; }

 private:
  void Write(const std::string& key, const std::string& bytes);
  std::string mRoot;
  bool mOk = true;
  std::vector<std::string> mWritten;
};

std::string EncodePng(const Canvas& canvas);
// A PNG file as a canvas (empty 0x0 when it cannot be read); for previews.
Canvas ReadPng(const std::string& path);
// A copy with every pixel's colour multiplied by the tint, as the game tints a layer.
Canvas Tinted(const Canvas& canvas, Color tint);

using AreaFn = void (*)(Sink&);
std::vector<std::pair<std::string, AreaFn>>& Areas();
struct AreaRegistrar {
  AreaRegistrar(const char* name, AreaFn fn) { Areas().emplace_back(name, fn); }
};
// Mock screens that show an area's pictures together, for people to look at; never assets.
std::vector<std::pair<std::string, AreaFn>>& Previews();
struct PreviewRegistrar {
  PreviewRegistrar(const char* name, AreaFn fn) { Previews().emplace_back(name, fn); }
};

}  // namespace Art

// ART_AREA(items) { out.Png(...); } defines and registers the area "items".
#define ART_AREA(name)                                               \
  static void ArtArea_##name(Art::Sink& out);                        \
  static Art::AreaRegistrar gArtArea_##name(#name, &ArtArea_##name); \
  static void ArtArea_##name(Art::Sink& out)

#define ART_PREVIEW(name)                                                     \
  static void ArtPreview_##name(Art::Sink& out);                              \
  static Art::PreviewRegistrar gArtPreview_##name(#name, &ArtPreview_##name); \
  static void ArtPreview_##name(Art::Sink& out)
