// The world map: a pin, label and hot area for each port the player may see (by its state), the
// current port's ring, the clouds' drift and its stop in the background, the ports' popups and
// clicks (with names from data kept out of the script text), and the map's functions going with it.
#include "game/shell/world/map_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "core/graphics/text/text_sprite.h"
#include "game/shell/world/popup_window.h"
#include "game/shell/world/rollover.h"
#include "tests/game/shell/world/map_fixture.h"

namespace {

class MapWindowTest : public MapFixture {
 protected:
  std::vector<Rollover*> HotAreas(MapWindow* map) {
    std::vector<Rollover*> out;
    for (TWindow* child : map->GetChildren())
      if (child->IsKindOf(&Rollover::Create)) out.push_back(static_cast<Rollover*>(child));
    return out;
  }
  std::vector<TTextSprite*> Labels(MapWindow* map) {
    std::vector<TTextSprite*> out;
    for (const auto& child : map->GetBackground()->GetChildren())
      if (child->IsKindOf(TTextSprite::ClassId())) out.push_back(static_cast<TTextSprite*>(child.get()));
    return out;
  }
};

TEST_F(MapWindowTest, EachPortTheScriptsShowGetsThePinOfItsStateALabelAndAHotArea) {
  struct Case {
    const char* state;  // nil: no entry
    const char* picture;
    bool animated, plays;
  } cases[] = {
      {"'open'", "image/port_visited", false, false},   {"'new'", "image/port_new.xml", true, true},
      {"'factory'", "image/factory.xml", true, true},    {"'factory_stall'", "image/factory_idle.xml", true, true},
      {"'shop'", "image/icon_shop", false, false},       {"'locked'", "image/port_locked.xml", true, false},
      {"nil", "image/port_locked.xml", true, false},     {"''", "image/port_locked.xml", true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.state);
    Run(std::string("Player.portsAvailable.home = ") + c.state);
    MapWindow* map = OpenMap();
    ASSERT_EQ(map->GetPortPins().size(), 2u);
    const MapWindow::PortPin& pin = map->GetPortPins()[0];
    EXPECT_EQ(pin.name, "home");
    EXPECT_EQ(pin.pin->GetPosition(), TVec2(100, 100));
    std::shared_ptr<TTexture> expected = c.animated ? std::shared_ptr<TTexture>(TAnimatedTexture::Get(c.picture))
                                                    : TTexture::Get(c.picture, 0);
    EXPECT_EQ(pin.pin->GetTexture(), expected);
    EXPECT_EQ(pin.pin->IsPlaying(0), c.plays);
    EXPECT_EQ(map->GetCurrentPin(), pin.pin);
    EXPECT_EQ(Count(map, "image/port_current"), 1);
    EXPECT_EQ(HotAreas(map).size(), 2u);
    modal->RemoveChild(map);
    delete map;
  }
}

TEST_F(MapWindowTest, AHiddenPortHasNothingOnTheMapAndIsNeverTheCurrentOne) {
  Run("Player.portsAvailable.home = 'hidden'");
  MapWindow* map = OpenMap();
  ASSERT_EQ(map->GetPortPins().size(), 1u);
  EXPECT_EQ(map->GetPortPins()[0].name, "east");
  EXPECT_EQ(map->GetCurrentPin(), nullptr);
  EXPECT_EQ(Count(map, "image/port_current"), 0);
  EXPECT_EQ(HotAreas(map).size(), 1u);
  EXPECT_EQ(Labels(map).size(), 1u);
}

TEST_F(MapWindowTest, LabelsGoLeftOfPinsFromX750OrWhenThePortAsksAndRightOtherwise) {
  Run("_AllPorts = { { name = 'a', mapx = 749, mapy = 80 }, { name = 'b', mapx = 750, mapy = 90 },"
      "              { name = 'c', mapx = 300, mapy = 100, align = 'left' } }"
      "Player.portsAvailable = { a = 'open', b = 'open', c = 'open' }");
  MapWindow* map = OpenMap();
  std::vector<TTextSprite*> labels = Labels(map);
  ASSERT_EQ(labels.size(), 3u);
  struct Expect {
    float x, y;
    int alignment;
  } expect[] = {{759, 80, 4}, {740, 90, 6}, {290, 100, 6}};
  for (size_t i = 0; i < 3; i++) {
    // The text starts (4) or ends (6) at the spot, half-way down its box.
    EXPECT_EQ(labels[i]->GetPosition() + labels[i]->GetAnchor(), TVec2(expect[i].x, expect[i].y)) << i;
    EXPECT_EQ(labels[i]->GetAlignment(), expect[i].alignment) << i;
    EXPECT_EQ(labels[i]->GetLayer(), 3);
    // The white halo lies under the label, two units down and right.
    ASSERT_EQ(labels[i]->GetChildren().size(), 1u);
    const auto& halo = labels[i]->GetChildren()[0];
    EXPECT_EQ(halo->GetLayer(), -1);
    EXPECT_EQ(halo->GetPosition(), TVec2(2, 2));
    EXPECT_FLOAT_EQ(halo->GetAlpha(), 0.75f);
  }
  // The hot areas: 34 units square about each pin.
  std::vector<TRect> hot;
  for (Rollover* area : HotAreas(map)) hot.push_back(area->GetRect());
  EXPECT_EQ(hot.size(), 3u);
  EXPECT_NE(std::find(hot.begin(), hot.end(), TRect(732, 63, 766, 97)), hot.end());
}

TEST_F(MapWindowTest, APortsHotAreaOpensItsPopupWhereThePortSaysAndAClickRunsItsHandler) {
  Run("_AllPorts[1].popupX = 300 _AllPorts[1].popupY = 200 gClicks = '' "
      "home = {}  function home:MapRolloverPopup() MakeDialog { Rectangle { name = 'tip', x = 0, y = 0, w = 50, h = 20 } } end "
      "function home:OnClick() gClicks = gClicks .. 'home' end "
      "east = {} function east:MapRolloverPopup() MakeDialog { Rectangle { name = 'tip', x = 0, y = 0, w = 50, h = 20 } } end");
  // The map fills the modal here, so the popups' places are the map's.
  modal->SetPosition(0, 0);
  MapWindow* map = OpenMap();
  auto popup = [&]() -> PopupWindow* {
    for (TWindow* child : modal->GetChildren())
      if (child->IsKindOf(&PopupWindow::ClassId)) return static_cast<PopupWindow*>(child);
    return nullptr;
  };
  Move(105, 98);
  ASSERT_NE(popup(), nullptr);
  EXPECT_EQ(popup()->GetScreenRect().left, 300);
  EXPECT_EQ(popup()->GetScreenRect().top, 200);
  Press(105, 98);
  Release(105, 98);
  Idle();
  lua_State* L = script->GetState();
  lua_pushstring(L, "gClicks");
  lua_gettable(L, LUA_GLOBALSINDEX);
  EXPECT_STREQ(lua_tostring(L, -1), "home");
  lua_pop(L, 1);
  // Without its own place a popup opens 10 right of and 48 above the pin.
  Move(400, 400);
  Idle();
  Move(201, 101);
  ASSERT_NE(popup(), nullptr);
  EXPECT_EQ(popup()->GetScreenRect().left, 210);
  EXPECT_EQ(popup()->GetScreenRect().top, 52);
  (void)map;
}

TEST_F(MapWindowTest, PortNamesFromDataNeverBecomeScriptCode) {
  Run("gHacked = 0 _AllPorts = { { name = \"x:OnClick() gHacked = 1 --\", mapx = 100, mapy = 100 } }"
      "Player.portsAvailable = { [\"x:OnClick() gHacked = 1 --\"] = 'open' }");
  modal->SetPosition(0, 0);
  OpenMap();
  Move(100, 100);
  Press(100, 100);
  Release(100, 100);
  Idle();
  EXPECT_EQ(Number("gHacked"), 0);
}

TEST_F(MapWindowTest, TheCloudsDriftAWindowWidthACycleAndStopInTheBackground) {
  MapWindow* map = OpenMap("cloudTime = 20000, cloudY = 30");
  auto x = [&] { return map->GetClouds()->GetPosition().x; };
  EXPECT_FLOAT_EQ(map->GetClouds()->GetPosition().y, 30);
  EXPECT_FLOAT_EQ(x(), (float)map->GetCloudPhase() / 20000 * 800);
  // The band is three copies wide: one each side.
  ASSERT_EQ(map->GetClouds()->GetChildren().size(), 2u);
  EXPECT_EQ(map->GetClouds()->GetChildren()[0]->GetPosition().x, 800);
  EXPECT_EQ(map->GetClouds()->GetChildren()[1]->GetPosition().x, -800);
  uint32_t phase = map->GetCloudPhase();
  Advance(30);
  EXPECT_EQ(map->GetCloudPhase(), (phase + 30) % 20000);
  // 0.04 units a millisecond: 1.2 a tick (less the jump back at the cycle's end).
  float before = x();
  Advance(30);
  if (x() > before) {
    EXPECT_NEAR(x() - before, 1.2f, 1e-3f);
  }

  host.active = false;
  NotifyMapActivation();
  phase = map->GetCloudPhase();
  Advance(300);
  EXPECT_EQ(map->GetCloudPhase(), phase);
  host.active = true;
  NotifyMapActivation();
  Advance(30);
  EXPECT_EQ(map->GetCloudPhase(), (phase + 30) % 20000);
}

TEST_F(MapWindowTest, CloudsWithoutACycleStandStill) {
  for (const char* time : {"0", "-5", "0.5"}) {
    MapWindow* map = OpenMap(std::string("cloudTime = ") + time);
    EXPECT_EQ(map->GetCloudTime(), 0u);
    Advance(30);
    Advance(30);
    EXPECT_EQ(map->GetClouds()->GetPosition().x, 0) << time;
    modal->RemoveChild(map);
    delete map;
  }
}

TEST_F(MapWindowTest, WithoutThePortsOrThePlayersTableTheMapShowsWhatItCan) {
  Run("Player = nil");
  MapWindow* map = OpenMap();
  // Every port reads as locked, and none is the player's.
  ASSERT_EQ(map->GetPortPins().size(), 2u);
  EXPECT_EQ(map->GetPortPins()[0].pin->GetTexture(), TAnimatedTexture::Get("image/port_locked.xml"));
  EXPECT_EQ(map->GetCurrentPin(), nullptr);
  modal->RemoveChild(map);
  delete map;
  Run("_AllPorts = nil");
  map = OpenMap();
  EXPECT_TRUE(map->GetPortPins().empty());
}

TEST_F(MapWindowTest, TheMapsFunctionsGoWithIt) {
  MapWindow* map = OpenMap();
  EXPECT_EQ(MapWindow::Get(), map);
  Run("gBound = InitiateTravel ~= nil and PauseTravel ~= nil and ResumeTravel ~= nil and 1 or 0");
  EXPECT_EQ(Number("gBound"), 1);
  modal->RemoveChild(map);
  delete map;
  EXPECT_EQ(MapWindow::Get(), nullptr);
  Run("gBound = (InitiateTravel or PauseTravel or ResumeTravel) and 1 or 0");
  EXPECT_EQ(Number("gBound"), 0);
  NotifyMapActivation();  // with no map: nothing
}

}  // namespace
