// The fireworks as a screen script builds them: the nine fireworks made once, their cycle of
// waiting, launch and burning with the bursts' places, colours, pictures and bangs, the show held
// still and let go on, and the colour node that hands each burst its colour.
#include "game/minigames/rewards/fireworks_window.h"

#include <map>
#include <regex>
#include <set>

#include "core/graphics/particles/2d_particle_renderer.h"
#include "core/script/script.h"
#include "game/minigames/rewards/particle_color.h"
#include "tests/game/minigames/rewards/rewards_fixture.h"

namespace {

class FireworksTest : public RewardsTest {
 protected:
  static TFireworksWindow* OpenFireworks() {
    return Open<TFireworksWindow>("FireworksWindow { name = 'show', x = 100, y = 20, w = 600, h = 420 }", "show",
                                  &TFireworksWindow::Create);
  }
  // The firework sounds named in the log so far (the test's assets have no sfx/: each bang names
  // its missing file).
  std::vector<std::string> Bangs() {
    std::vector<std::string> bangs;
    std::string log = LogText();
    std::regex bang("No valid sound file found: sfx/(firework[0-9]+)\\.ogg");
    for (std::sregex_iterator it(log.begin(), log.end(), bang), end; it != end; ++it) bangs.push_back((*it)[1]);
    return bangs;
  }
};

TEST_F(FireworksTest, NineFireworksWaitBurstBurnAndStartOver) {
  Play([&](TPlatform*) {
    TFireworksWindow* show = OpenFireworks();
    ASSERT_NE(show, nullptr);
    EXPECT_TRUE(show->GetFireworks().empty());
    OrvellaSrand(5);
    Run("StartFireworks()");
    const auto& fireworks = show->GetFireworks();
    ASSERT_EQ(fireworks.size(), 9u);
    std::set<std::string> pictures;
    for (const auto& f : fireworks) {
      EXPECT_EQ(f->state, Firework::kWaiting);
      EXPECT_LT(f->timer, 1000u);
      EXPECT_EQ(f->x, 200);
      EXPECT_EQ(f->y, 100);
      EXPECT_EQ(f->colour.GetColor().r, 1.0f);
      EXPECT_EQ(f->colour.GetColor().g, 0.0f);
      lua_State* L = f->particles->GetScript()->GetState();
      lua_pushstring(L, "gSparkleTexture");
      lua_gettable(L, LUA_GLOBALSINDEX);
      pictures.insert(lua_tostring(L, -1));
      lua_pop(L, 1);
      EXPECT_GT(f->particles->GetCollection().GetCapacity(), 0);  // the burst script loaded
    }
    for (const std::string& p : pictures)
      EXPECT_TRUE(p == "firework_blue" || p == "firework_red" || p == "firework_yellow" || p == "firework_green") << p;

    // Twenty seconds of ticks, following each firework.
    struct Track {
      uint32_t state = Firework::kWaiting;
      int ticksInState = 0;
      int bursts = 0;
    };
    std::vector<Track> tracks(9);
    int launches = 0;
    for (int tick = 0; tick < 500; ++tick) {
      show->OnAnimate();
      for (size_t i = 0; i < 9; ++i) {
        const Firework& f = *fireworks[i];
        Track& t = tracks[i];
        if (f.state == t.state) {
          t.ticksInState++;
          continue;
        }
        SCOPED_TRACE(testing::Message() << "firework " << i << " tick " << tick);
        if (f.state == Firework::kLaunch) {
          EXPECT_EQ(t.state, Firework::kWaiting);
          EXPECT_EQ(f.timer, 0u);
        } else if (f.state == Firework::kBurning) {
          EXPECT_EQ(t.state, Firework::kLaunch);
          EXPECT_EQ(t.ticksInState, 0);  // the launch lasts one tick
          launches++;
          t.bursts++;
          EXPECT_GE(f.x, 50);
          EXPECT_LE(f.x, 299);
          EXPECT_GE(f.y, 100);
          EXPECT_LE(f.y, 299);
          bool listed = false;
          for (const TColor& c : TFireworksWindow::kBurstColours)
            listed |= c.r == f.colour.GetColor().r && c.g == f.colour.GetColor().g && c.b == f.colour.GetColor().b;
          EXPECT_TRUE(listed);
          EXPECT_EQ(f.particles->GetScript()->GetGlobalNumber("gSparkleTime"), 0.1);
        } else {
          EXPECT_EQ(t.state, Firework::kBurning);
          EXPECT_EQ(t.ticksInState, 28);  // 1100 ms and a little more, in 40 ms ticks
          EXPECT_GE(f.timer, 250u);
          EXPECT_LE(f.timer, 749u);
          // Its sparks have died out before it goes dark.
          EXPECT_EQ(f.particles->GetCollection().GetLiveCount(), 0);
        }
        t.state = f.state;
        t.ticksInState = 0;
      }
    }
    for (const Track& t : tracks) EXPECT_GE(t.bursts, 8);  // 20 s of cycles of at most 2.0 s
    // One bang a burst, each one of the five.
    std::vector<std::string> bangs = Bangs();
    EXPECT_EQ((int)bangs.size(), launches);
    std::set<std::string> kinds(bangs.begin(), bangs.end());
    for (const std::string& b : kinds) EXPECT_TRUE(std::regex_match(b, std::regex("firework[1-5]"))) << b;
    EXPECT_EQ(kinds.size(), 5u);
    EXPECT_TRUE(TakeEvents().empty());  // none went to the music engine

    // A second start makes no more fireworks.
    Run("StartFireworks()");
    EXPECT_EQ(show->GetFireworks().size(), 9u);
  });
}

TEST_F(FireworksTest, AHeldShowStandsStillOnTheScreenAndGoesOn) {
  Play([&](TPlatform*) {
    TFireworksWindow* show = OpenFireworks();
    ASSERT_NE(show, nullptr);
    Run("StartFireworks()");
    // The show runs on the window's 40 ms timer until some burn.
    auto burning = [&] {
      int n = 0;
      for (const auto& f : show->GetFireworks()) n += f->state == Firework::kBurning;
      return n;
    };
    for (int i = 0; i < 100 && burning() < 3; ++i) Advance(40);
    ASSERT_GE(burning(), 3);
    Advance(200);
    Run("StopFireworks()");
    std::vector<uint32_t> timers;
    for (const auto& f : show->GetFireworks()) timers.push_back(f->timer);
    Advance(20);
    std::vector<uint32_t> held = Presented();
    for (int i = 0; i < 50; ++i) Advance(40);
    std::vector<uint32_t> after;
    for (const auto& f : show->GetFireworks()) after.push_back(f->timer);
    EXPECT_EQ(after, timers);
    EXPECT_EQ(Presented(), held);  // the bursts stay drawn where they stood
    size_t lit = 0;
    for (uint32_t p : held) lit += (p & 0xFFFFFF) != 0;
    EXPECT_GT(lit, 1000u);  // their sparks, over a screen that has nothing else
    Run("StartFireworks()");
    Advance(40);
    std::vector<uint32_t> moved;
    for (const auto& f : show->GetFireworks()) moved.push_back(f->timer);
    EXPECT_NE(moved, timers);
  });
}

TEST_F(FireworksTest, AParticleColourIsFourFloatsWhateverItsName) {
  Play([&](TPlatform*) {
    ParticleColor colour(TColor(0.25f, 0.5f, 0.75f, 1.0f));
    EXPECT_STREQ(colour.GetClassName(), "ParticleColor");
    EXPECT_TRUE(colour.IsKindOf(ParticleColor::ClassId()));
    EXPECT_TRUE(colour.IsKindOf(TParticleFunction::ClassId()));
    for (const char* name : {"", "gSparkleColorStart", "x"}) {
      colour.name = TStr(name);
      EXPECT_EQ(colour.GetResultSize(0, nullptr), 4u);
      EXPECT_EQ(colour.GetResultSize(3, (const uint8_t*)"\1\1\1"), 4u);
    }
    // Bound into an effect, it colours each particle as it is when the particle starts.
    TLuaParticleSystem system;
    system.BindParameter(TStr("gTint"), &colour);
    ASSERT_TRUE(system.Load(TStr("SetNumParticles(4) pColor:Init(gTint)")));
    system.CreateParticles(1);
    colour.SetColor(TColor(1, 0, 0, 0.5f));
    system.CreateParticles(1);
    std::vector<std::vector<float>> seen;
    for (float* p : system.GetCollection().GetLiveList())
      seen.push_back(std::vector<float>(p + T2dParticleRenderer::kColor, p + T2dParticleRenderer::kColor + 4));
    EXPECT_EQ(seen, (std::vector<std::vector<float>>{{0.25f, 0.5f, 0.75f, 1.0f}, {1, 0, 0, 0.5f}}));
  });
}

}  // namespace
