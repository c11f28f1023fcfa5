// Journeys on the map: the dots laid on the way, the timed events, the vehicles and their
// headings, the depth scale, pausing, and the journey's end (also when the map goes first).
#include "game/shell/world/travel_task.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/base/task_list.h"
#include "core/graphics/sprites/animated_texture.h"
#include "core/script/lua_bindings.h"
#include "tests/game/shell/world/map_fixture.h"

namespace {

TEST(TravelHeadingTest, DirectionsGiveDegreesClockwiseFromUpAndNeverNaN) {
  struct Case {
    TVec2 direction;
    float heading;
  } cases[] = {
      {{0, -1}, 0},   {{1, 0}, 90},   {{0, 1}, 180},  {{-1, 0}, 270},
      {{0.70710678f, -0.70710678f}, 45}, {{-0.70710678f, 0.70710678f}, 225},
      {{0, 0}, 90},  // the route's end gives no direction
      // Rounding can leave a unit vector a little longer than 1.
      {{0, -1.0000002f}, 0}, {{0, 1.0000002f}, 180}, {{0, NAN}, 90},
  };
  for (const Case& c : cases) {
    float h = TravelTask::Heading(c.direction);
    EXPECT_FALSE(std::isnan(h)) << c.direction.x << ", " << c.direction.y;
    EXPECT_NEAR(h, c.heading, 0.01f) << c.direction.x << ", " << c.direction.y;
  }
}

class TravelTest : public MapFixture {
 protected:
  void SetUp() override {
    MapFixture::SetUp();
    Run("gLog = ''");
    map = OpenMap();
    ASSERT_NE(map, nullptr);
  }
  std::string Log() {
    lua_State* L = script->GetState();
    lua_pushstring(L, "gLog");
    lua_gettable(L, LUA_GLOBALSINDEX);
    std::string log = lua_tostring(L, -1) ? lua_tostring(L, -1) : "";
    lua_pop(L, 1);
    return log;
  }
  size_t Tasks() { return host.GetTaskList().Count(); }
  void Close(MapWindow* which) {
    modal->RemoveChild(which);
    delete which;
  }
  MapWindow* map = nullptr;
};

// An action that appends its letter to gLog.
std::string Event(int time, const char* letter) {
  return "{ time = " + std::to_string(time) + ", action = function() gLog = gLog .. '" + letter + "' end }";
}

TEST_F(TravelTest, ARouteOfLength100GetsADotEvery12UnitsAndTheTravellerEndsAtItsEnd) {
  Run("InitiateTravel { dest = _AllPorts[2], events = { " + Event(1000, "a") + " } }");
  TravelTask* travel = map->GetTravelTask();
  ASSERT_NE(travel, nullptr);
  std::shared_ptr<TAnimatedSprite> traveller = travel->GetTraveller();
  EXPECT_FALSE(traveller->IsVisible());  // until the first tick places it

  Ticks(10);  // 300 ms, 30 units: dots at 0 and 12; the one at 24 comes once 36 is passed
  EXPECT_EQ(Count(map, "image/traveldot"), 2);
  EXPECT_TRUE(traveller->IsVisible());
  // Heading right: the frame for 90 degrees and nothing left over to turn.
  EXPECT_EQ(traveller->GetCurrentFrame(), 2);
  EXPECT_NEAR(traveller->GetDrawSpec().mMatrix.m[0][1], 0.0f, 1e-5f);
  EXPECT_NEAR(traveller->GetPosition().x, 130.0f, 0.5f);

  Ticks(24);  // 1020 ms: arrived
  EXPECT_EQ(Log(), "a");
  EXPECT_EQ(map->GetTravelTask(), nullptr);
  std::vector<float> xs;
  std::shared_ptr<TTexture> dot = TTexture::Get("image/traveldot", 0);
  for (const auto& child : map->GetBackground()->GetChildren())
    if (child->GetTexture() == dot) xs.push_back(child->GetPosition().x);
  ASSERT_EQ(xs.size(), 8u);  // 0 to 84: none at 96
  for (size_t k = 0; k < xs.size(); k++) EXPECT_NEAR(xs[k], 100.0f + 12.0f * k, 0.01f);
  EXPECT_NEAR(traveller->GetPosition().x, 200.0f, 0.01f);
  EXPECT_EQ(traveller->GetCurrentFrame(), 2);  // at the end the vehicle faces right
  Ticks(5);
  EXPECT_EQ(Log(), "a");  // nothing fires twice
}

TEST_F(TravelTest, EventsFireInListOrderWhenDueAndAllAtTheArrival) {
  struct Case {
    std::string events;
    int ticks;
    std::string log;
    bool running;
  } cases[] = {
      {Event(500, "a") + "," + Event(1000, "b"), 17, "a", true},
      {Event(500, "a") + "," + Event(1000, "b"), 34, "ab", false},
      // A later event listed first holds the earlier one back until its own time.
      {Event(2000, "a") + "," + Event(1000, "b"), 34, "", true},
      {Event(2000, "a") + "," + Event(1000, "b"), 67, "ab", false},
      // An event without an action only moves on.
      {"{ time = 300 }," + Event(600, "b"), 11, "", true},
      {"{ time = 300 }," + Event(600, "b"), 21, "b", false},
      // No positive time: a journey of no length arrives at the first tick with every event.
      {Event(0, "a") + "," + Event(0, "b"), 1, "ab", false},
      {"", 1, "", false},
  };
  Close(map);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.events + " after " + std::to_string(c.ticks) + " ticks");
    Run("gLog = ''");
    map = OpenMap();
    Run("InitiateTravel { dest = _AllPorts[2], events = { " + c.events + " } }");
    ASSERT_NE(map->GetTravelTask(), nullptr);
    Ticks(c.ticks);
    EXPECT_EQ(Log(), c.log);
    EXPECT_EQ(map->GetTravelTask() != nullptr, c.running);
    Close(map);
    Ticks(1);
  }
}

TEST_F(TravelTest, TheFirstVehicleShowsFromTheStartAndLaterOnesFromTheirShare) {
  PutAnimation("image/balloon", 8);
  struct Case {
    std::string types;
    int ticks;
    const char* vehicle;
  } cases[] = {
      {"", 0, "image/travel_air.xml"},
      {"{ 0, 'travel_sea' }, { 0.5, 'balloon' }", 0, "image/travel_sea.xml"},
      {"{ 0, 'travel_sea' }, { 0.5, 'balloon' }", 16, "image/travel_sea.xml"},  // t = 0.48
      {"{ 0, 'travel_sea' }, { 0.5, 'balloon' }", 17, "image/balloon.xml"},     // t = 0.51
      {"{ 0.9, 'travel_sea' }", 0, "image/travel_sea.xml"},
      // Entries that are not tables are skipped; a missing name is the airship.
      {"'junk', { 0 }", 0, "image/travel_air.xml"},
  };
  Close(map);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.types + " after " + std::to_string(c.ticks) + " ticks");
    map = OpenMap();
    Run("InitiateTravel { dest = _AllPorts[2], type = { " + c.types + " }, events = { { time = 1000 } } }");
    TravelTask* travel = map->GetTravelTask();
    ASSERT_NE(travel, nullptr);
    std::shared_ptr<TAnimatedSprite> traveller = travel->GetTraveller();
    Ticks(c.ticks);
    EXPECT_EQ(traveller->GetTexture(), TAnimatedTexture::Get(c.vehicle));
    Close(map);
    Ticks(1);
  }
}

TEST_F(TravelTest, TheTravellerGrowsWithItsHeightOnTheMapAndKeepsItsTurn) {
  // Far line at y 0 with scale 0.5, near line at 800 with 1.5: at y 100, 0.625.
  Close(map);
  map = OpenMap("yFar = 0, yNear = 800, farScale = 0.5, nearScale = 1.5");
  Run("InitiateTravel { path = { {100, 100}, {100, 100}, {200, 100}, {200, 100} }, events = { { time = 1000 } } }");
  std::shared_ptr<TAnimatedSprite> traveller = map->GetTravelTask()->GetTraveller();
  Ticks(3);
  const TMat3& m = traveller->GetDrawSpec().mMatrix;
  EXPECT_NEAR(m.m[0][0], 0.625f, 1e-4f);
  EXPECT_NEAR(m.m[1][1], 0.625f, 1e-4f);

  // Heading 60 degrees on eight frames: frame 1 (45) and 15 degrees turned, at the depth scale.
  Close(map);
  map = OpenMap("yFar = 0, yNear = 800, farScale = 0.5, nearScale = 1.5");
  Run("Player.portName = 'home' InitiateTravel { path = { {100, 100}, {100, 100}, {186.6025, 50}, {186.6025, 50} },"
      " events = { { time = 1000 } } }");
  traveller = map->GetTravelTask()->GetTraveller();
  Ticks(3);
  EXPECT_EQ(traveller->GetCurrentFrame(), 1);
  float s = (traveller->GetPosition().y - 0) / 800 * 1.0f + 0.5f;
  const TMat3& turned = traveller->GetDrawSpec().mMatrix;
  EXPECT_NEAR(turned.m[0][0], std::cos(15 * 3.14159265f / 180) * s, 1e-3f);
  EXPECT_NEAR(turned.m[0][1], std::sin(15 * 3.14159265f / 180) * s, 1e-3f);
}

TEST_F(TravelTest, ARouteOfNoLengthLaysNoDotsAndEndsWhereItStarts) {
  Run("InitiateTravel { path = { {100, 100}, {100, 100}, {100, 100}, {100, 100} }, events = { " + Event(300, "a") + " } }");
  std::shared_ptr<TAnimatedSprite> traveller = map->GetTravelTask()->GetTraveller();
  Ticks(11);
  EXPECT_EQ(Log(), "a");
  EXPECT_EQ(Count(map, "image/traveldot"), 0);
  EXPECT_EQ(traveller->GetPosition(), TVec2(100, 100));
  EXPECT_FALSE(std::isnan(traveller->GetDrawSpec().mMatrix.m[0][0]));
}

TEST_F(TravelTest, APausedJourneyGoesOnFromWhereItStoppedAndIgnoresTheForeground) {
  Run("InitiateTravel { dest = _AllPorts[2], events = { " + Event(1000, "a") + " } }");
  std::shared_ptr<TAnimatedSprite> traveller = map->GetTravelTask()->GetTraveller();
  Ticks(10);
  float x = traveller->GetPosition().x;
  Run("PauseTravel()");
  EXPECT_TRUE(map->IsTravelPaused());
  Ticks(200);  // six seconds
  EXPECT_EQ(traveller->GetPosition().x, x);
  // Back in the foreground the clouds move, but a paused journey stays paused.
  host.active = false;
  NotifyMapActivation();
  host.active = true;
  NotifyMapActivation();
  Ticks(10);
  EXPECT_EQ(traveller->GetPosition().x, x);
  Run("ResumeTravel()");
  Ticks(1);
  EXPECT_NEAR(traveller->GetPosition().x, x + 3.0f, 0.01f);
  EXPECT_EQ(Log(), "");
  Ticks(23);
  EXPECT_EQ(Log(), "a");
}

TEST_F(TravelTest, AJourneyAskedForWhileOneRunsIsRefusedAndOneAfterItHasEndedIsNot) {
  Run("InitiateTravel { dest = _AllPorts[2], events = { " + Event(300, "a") + " } }");
  TravelTask* first = map->GetTravelTask();
  Run("InitiateTravel { dest = _AllPorts[2], events = { " + Event(300, "b") + " } }");
  EXPECT_EQ(map->GetTravelTask(), first);
  Ticks(11);
  EXPECT_EQ(Log(), "a");
  EXPECT_EQ(map->GetTravelTask(), nullptr);
  // Pausing and resuming with no journey do nothing.
  Run("PauseTravel() ResumeTravel()");
  EXPECT_FALSE(map->IsTravelPaused());
  Run("InitiateTravel { dest = _AllPorts[2], events = { " + Event(300, "b") + " } }");
  EXPECT_NE(map->GetTravelTask(), nullptr);
  Ticks(11);
  EXPECT_EQ(Log(), "ab");
}

TEST_F(TravelTest, TheArrivalsActionMayStartTheNextJourney) {
  Run("function Onward() InitiateTravel { dest = _AllPorts[1], events = { " + Event(300, "b") + " } } end");
  Run("InitiateTravel { dest = _AllPorts[2], events = { { time = 300, action = function() gLog = gLog .. 'a' Onward() end } } }");
  Ticks(11);
  EXPECT_EQ(Log(), "a");
  ASSERT_NE(map->GetTravelTask(), nullptr);
  Ticks(11);
  EXPECT_EQ(Log(), "ab");
}

TEST_F(TravelTest, AJourneyWithoutAStartOrAnEndIsRefused) {
  size_t before = Tasks();
  for (const char* journey : {"InitiateTravel { events = { { time = 100 } } }", "InitiateTravel()",
                              "InitiateTravel(5)", "InitiateTravel { path = 7 }"}) {
    Run(journey);
    EXPECT_EQ(map->GetTravelTask(), nullptr) << journey;
  }
  // The player's port has no pin here: a hidden port is never the current one.
  Run("Player.portsAvailable.home = 'hidden'");
  Close(map);
  map = OpenMap();
  EXPECT_EQ(map->GetCurrentPin(), nullptr);
  Run("InitiateTravel { dest = _AllPorts[2], events = { { time = 100 } } }");
  EXPECT_EQ(map->GetTravelTask(), nullptr);
  EXPECT_EQ(Tasks(), before);
}

TEST_F(TravelTest, AMapClosedDuringAJourneyEndsItAndNoActionReachesIt) {
  size_t before = Tasks();
  Run("InitiateTravel { dest = _AllPorts[2], events = { " + Event(600, "a") + "," + Event(1000, "b") + " } }");
  EXPECT_EQ(Tasks(), before + 1);
  Ticks(5);
  Close(map);
  Ticks(40);
  EXPECT_EQ(Log(), "");
  EXPECT_EQ(Tasks(), before);
}

MapWindow* gClosing = nullptr;
void CloseMapFromScript() {
  if (!gClosing) return;
  gClosing->GetParent()->RemoveChild(gClosing);
  delete gClosing;
  gClosing = nullptr;
}

TEST_F(TravelTest, AMapClosedByTheJourneysOwnActionEndsItThere) {
  gClosing = map;
  RegisterLuaFunction(script->GetState(), "CloseMap", &CloseMapFromScript);
  Run("InitiateTravel { dest = _AllPorts[2], events = { { time = 300, action = function() gLog = gLog .. 'a' CloseMap() end }, " +
      Event(300, "b") + "," + Event(600, "c") + " } }");
  Ticks(11);
  EXPECT_EQ(Log(), "a");
  EXPECT_EQ(gClosing, nullptr);
  Ticks(20);
  EXPECT_EQ(Log(), "a");
}

}  // namespace
