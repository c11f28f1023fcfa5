// Pictures and animations for the game's sprite tests, made by the test in the assets folder of
// a DrawingTest (a renderer over the recording backend).
#pragma once

#include <string>
#include <vector>

#include "tests/core/graphics/fake_display.h"

class GameSpriteTest : public DrawingTest {
 protected:
  // image/<name>.png: size x size, one colour.
  void PutImage(const std::string& name, int width, int height, uint32_t argb = 0xFFC98A4Bu) {
    PutSolidPng(name + ".png", width, height, argb);
  }
  // <name>.xml: an animation of `frames` frames, each size x size, side by side on one sheet;
  // its default script's DoAnim steps through them.
  void PutAnimation(const std::string& name, int frames, int size = 8) {
    std::vector<uint32_t> sheet((size_t)frames * size * size);
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < frames * size; ++x) sheet[(size_t)y * frames * size + x] = 0xFF000000u | (uint32_t)(x / size * 0x1F) << 16;
    PutPng(name + ".png", frames * size, size, sheet);
    std::string leaf = name.substr(name.rfind('/') + 1);
    std::string xml = "<sequence name=\"" + leaf + "\"><img name=\"" + leaf + ".png\"/><framelist>";
    for (int i = 0; i < frames; ++i)
      xml += "<frame x=\"" + std::to_string(i * size) + "\" y=\"0\" w=\"" + std::to_string(size) + "\" h=\"" +
             std::to_string(size) + "\"/>";
    xml += "</framelist></sequence>";
    PutAsset(name + ".xml", xml);
  }
};
