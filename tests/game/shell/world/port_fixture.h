// A port screen in the world's surroundings: a scene's pictures (a background, buildings of
// 100 x 80, decorations and a walker of eight headings) and the port window opened on the
// scene table gScene.
#pragma once

#include <string>

#include "game/shell/world/port_window.h"
#include "tests/game/shell/world/world_fixture.h"

class PortFixture : public WorldFixture {
 protected:
  void SetUp() override {
    WorldFixture::SetUp();
    // The port fills the modal, so screen and port coordinates differ by the modal's place only.
    modal->SetPosition(0, 0);
    PutImage("ports/test/background", 800, 600, 0xFFA9D3F0u);
    for (const char* building : {"mill", "shop", "tower"}) PutImage(std::string("ports/test/") + building, 100, 80);
    PutImage("ports/barrels", 40, 30);
    PutImage("ports/lamp", 16, 48);
    PutImage("ports/mask", 8, 8, 0xFFFFFFFFu);
    PutAnimation("ports/animations/walker", 8);
    PutAnimation("ports/animations/walker_mask", 8);
    PutAnimation("ports/animations/flag", 4);
    PutAnimation("ports/animations/still", 1);
    Run("gScene = { name = 'test' }");
  }

  // The port window on gScene, with the children (labels, an editor) given.
  PortWindow* Open(const std::string& children) {
    Make("PortWindow { name = 'port', x = 0, y = 0, w = 800, h = 600, background = 'ports/test/background', "
         "port = gScene, musicDelay = 25000, " +
         children + " }");
    return Find<PortWindow>("port");
  }
  // The port's 50 ms steps.
  void Ticks(int n) {
    for (int i = 0; i < n; i++) Advance(50);
  }
};
