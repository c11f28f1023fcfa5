// A world map in the world's surroundings: its pictures (pins, vehicles of eight headings,
// dots), a few ports in the script tables and the player's table, and readers for what the map
// made.
#pragma once

#include <string>

#include "core/graphics/sprites/animated_sprite.h"
#include "core/graphics/texture.h"
#include "game/shell/world/map_window.h"
#include "tests/game/shell/world/world_fixture.h"

class MapFixture : public WorldFixture {
 protected:
  void SetUp() override {
    WorldFixture::SetUp();
    PutImage("image/worldmap", 800, 600, 0xFF3F7FBFu);
    PutImage("image/worldmap_clouds", 800, 160, 0x80FFFAF0u);
    PutImage("image/port_visited", 40, 40);
    PutImage("image/icon_shop", 40, 40);
    PutImage("image/port_current", 48, 48);
    PutImage("image/traveldot", 4, 4);
    PutAnimation("image/port_new", 3);
    PutAnimation("image/factory", 3);
    PutAnimation("image/factory_idle", 3);
    PutAnimation("image/port_locked", 1);
    PutAnimation("image/travel_air", 8);
    PutAnimation("image/travel_sea", 8);
    // home and east lie 100 apart on a line heading right.
    Run("_AllPorts = { { name = 'home', mapx = 100, mapy = 100 }, { name = 'east', mapx = 200, mapy = 100 } }"
        "Player = { portName = 'home', portsAvailable = { home = 'factory', east = 'open' } }");
  }

  MapWindow* OpenMap(const std::string& keys = "") {
    Make("MapWindow { name = 'map', x = 0, y = 0, w = 800, h = 600, background = 'image/worldmap', " + keys + " }");
    return Find<MapWindow>("map");
  }

  // Sprites on the map drawn with that picture.
  int Count(MapWindow* map, const char* picture) {
    std::shared_ptr<TTexture> texture = TTexture::Get(picture, 0);
    int n = 0;
    for (const auto& child : map->GetBackground()->GetChildren()) n += child->GetTexture() == texture;
    return n;
  }
  // Ticks of the journey's 30 ms clock.
  void Ticks(int n) {
    for (int i = 0; i < n; i++) Advance(30);
  }
};
