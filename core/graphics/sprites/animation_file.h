// Animation files: a sprite sheet image, its frames (rectangles with a registration point, an
// optional 2D transform, an alpha and named anchors) and the script that plays them, in XML
// (".xml") or chunked little-endian binary (".anm") form. The readers never trust the file:
// lengths and counts are checked against what remains.
#pragma once

#include <cstdint>
#include <vector>

#include "core/base/str.h"

// Transform value a of a frame without a transform.
constexpr float kNoFrameTransform = -10000000.0f;

struct TAnimationAnchor {
  TStr name;
  int32_t x = 0, y = 0;
};

struct TAnimationFrame {
  TStr name;
  int32_t x = 0, y = 0, w = 0, h = 0;  // source rectangle in the sheet
  int32_t regx = 0, regy = 0;          // registration point inside the frame
  std::vector<TAnimationAnchor> anchors;
  float transform[6] = {kNoFrameTransform, 0, 0, 0, 0, 0};  // a, b, c, d, e, f
  float alpha = 1.0f;

  bool HasTransform() const { return transform[0] != kNoFrameTransform; }
};

struct TAnimation {
  TStr sequenceName;
  TStr sequenceSource;
  TStr fileName;  // as asked for
  TStr imageName;
  TStr maskName;
  TStr folder;    // the file name up to and including its last "/" or "\"
  TStr script;
  int32_t maxFrameWidth = 0, maxFrameHeight = 0;
  int32_t imageRegX = 0, imageRegY = 0;
  int32_t imageWidth = 0, imageHeight = 0;
  std::vector<TAnimationFrame> frames;
};

// Read into a fresh record; false (with a log line naming the file) on failure. The name is
// used for the log only.
bool ReadAnimationXml(const char* text, int length, TStr name, TAnimation& animation);
bool ReadAnimationAnm(const unsigned char* bytes, size_t length, TStr name, TAnimation& animation);
// Reads the file by its name: ".xml" in the name as XML, ".anm" as binary, else false.
bool ReadAnimationFile(TStr file, TAnimation& animation);

// "function DoAnim()", a 60 ms delay and every frame in turn, for files without a script.
TStr BuildDefaultAnimationScript(int frameCount);
