// Particle scripts end to end: members and compiled programs, spawning with carried fractions,
// expiry and the reuse order of records, member indexing, bound parameters, loading from files
// and textures beside them, the shared-script mode, and the particle counts and members that
// must never take the records past their memory.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/base/mersenne_twister.h"
#include "core/base/settings.h"
#include "core/graphics/particles/2d_particle_renderer.h"
#include "core/graphics/particles/lua_particle_system.h"
#include "core/script/lua.h"
#include "core/script/script.h"
#include "tests/core/graphics/fake_display.h"

namespace {

// A bound colour, as a game's native parameter would be.
class TestColor : public TParticleNode<TestColor> {
 public:
  static constexpr const char* kClassName = "TestColor";
  float rgba[4] = {0.25f, 0.5f, 0.75f, 1.0f};
  uint8_t GetResultSize(uint8_t, const uint8_t*) const override { return 4; }
  bool Evaluate(TParticleContext&, TParticleEvalState& state) override { return state.Push(rgba, 4); }
};

class ParticleSystemTest : public DrawingTest {
 protected:
  void TearDown() override {
    mSystems.clear();
    DrawingTest::TearDown();
  }

  TLuaParticleSystem& Make(const std::string& source) {
    mSystems.push_back(std::make_unique<TLuaParticleSystem>());
    TLuaParticleSystem& s = *mSystems.back();
    GetParticleRandom().init_genrand(7);
    EXPECT_TRUE(s.Load(TStr(source.c_str())));
    return s;
  }
  static double Global(TLuaParticleSystem& s, const char* name) { return s.GetScript()->GetGlobalNumber(TStr(name)); }
  static void Run(TLuaParticleSystem& s, const std::string& code) { s.GetScript()->DoLuaString(TStr(code.c_str())); }
  // The live records in list order, each as its record index and the floats from `from' on.
  static std::string Live(const TLuaParticleSystem& s, uint32_t from, uint32_t count) {
    std::string out;
    const TParticleCollection& c = s.GetCollection();
    for (float* p : c.GetLiveList()) {
      out += out.empty() ? "" : " ";
      out += std::to_string(c.IndexOf(p)) + ":";
      for (uint32_t i = 0; i < count; ++i) out += (i ? "," : "") + std::to_string((int)p[from + i]);
    }
    return out;
  }

  std::vector<std::unique_ptr<TLuaParticleSystem>> mSystems;
};

TEST_F(ParticleSystemTest, TheRendererMembersComeFirstAndNewParticlesTakeItsDefaults) {
  TLuaParticleSystem& s = Make("pLife = Allocate(1); SetNumParticles(4); pLife:Init(3)");
  EXPECT_EQ(s.GetRecordWidth(), 11u);
  EXPECT_EQ(s.GetMemberWidths(), (std::vector<uint8_t>{2, 2, 1, 4, 1, 1}));
  EXPECT_EQ(Global(s, "GetParticleMemberParts(pLife)"), 0.0);  // a call, not a global
  Run(s, "o, w = GetParticleMemberParts(pLife) lifeOffset = o lifeWidth = w");
  EXPECT_EQ(Global(s, "lifeOffset"), 10.0);
  EXPECT_EQ(Global(s, "lifeWidth"), 1.0);
  s.CreateParticles(1);
  const float* p = *s.GetCollection().GetLiveList().begin();
  EXPECT_EQ(std::vector<float>(p, p + 11), (std::vector<float>{0, 0, 0, -1, 1, 1, 1, 1, 1, 0, 3}));
}

TEST_F(ParticleSystemTest, CreatingCarriesFractionsAndStopsWhenNoRecordIsFree) {
  TLuaParticleSystem& s = Make("SetNumParticles(5)");
  s.CreateParticles(2.5);
  EXPECT_EQ(s.GetCollection().GetLiveCount(), 3);
  EXPECT_FLOAT_EQ(s.GetPendingParticles(), -0.5f);
  s.CreateParticles(0.4);
  EXPECT_EQ(s.GetCollection().GetLiveCount(), 3);
  s.CreateParticles(4.1);  // two fit; the attempt that found no record is spent too
  EXPECT_EQ(s.GetCollection().GetLiveCount(), 5);
  EXPECT_NEAR(s.GetPendingParticles(), 1.0f, 1e-6);
  // A count that is not a number is ignored rather than leaving the carry NaN.
  Run(s, "CreateParticles(0/0)");
  EXPECT_NEAR(s.GetPendingParticles(), 1.0f, 1e-6);
}

TEST_F(ParticleSystemTest, ExpiredRecordsGoToTheEndOfTheFreeListAndComeBackZeroed) {
  // Lives of 1, 2, 3 for successive particles; pMark is set only by the anim program.
  TLuaParticleSystem& s = Make(
      "pLife = Allocate(1); pMark = Allocate(1); SetNumParticles(5)\n"
      "pLife:Init(fClosedCycle(1, 3, 3))\n"
      "pLife:Anim(pLife - 1)\n"
      "pMark:Anim(7)\n"
      "Anim(fExpire(fLessEqual(pLife, 0)))\n");
  s.CreateParticles(3);
  EXPECT_EQ(Live(s, 10, 2), "0:1,0 1:2,0 2:3,0");
  s.Update(16);
  EXPECT_EQ(Live(s, 10, 2), "1:1,7 2:2,7");
  s.CreateParticles(3);  // records 3 and 4 were free before record 0
  EXPECT_EQ(Live(s, 10, 2), "1:1,7 2:2,7 3:1,0 4:2,0 0:3,0");
}

TEST_F(ParticleSystemTest, AFailingStepStopsOnlyThatParticlesRun) {
  // The first statement fails for every particle (scalar first), so the expiry never runs.
  TLuaParticleSystem& s = Make(
      "pV = Allocate(2); SetNumParticles(3)\n"
      "pV:Anim(2 * pV)\n"
      "Anim(fExpire(1))\n");
  s.CreateParticles(2);
  s.Update(10);
  EXPECT_EQ(s.GetCollection().GetLiveCount(), 2);
  Run(s, "pV:Anim(pV * 2)");  // appended after the expiry, which stops the program first now
  s.Update(10);
  EXPECT_EQ(s.GetCollection().GetLiveCount(), 2);
}

TEST_F(ParticleSystemTest, ExpressionsCompileToPostfixSteps) {
  TLuaParticleSystem& s = Make("");
  Run(s,
      "wVec = CompileParam(Vec2(1, 2)) wValue = CompileParam(Value(3)) or -1\n"
      "wAdd = CompileParam(pPosition + fTimeScale(Vec2(0, 9)))\n"
      "wVecOf = CompileParam(fVec(1, 2)) AccumulateInitStream()");
  EXPECT_EQ(Global(s, "wVec"), 2.0);
  EXPECT_EQ(Global(s, "wValue"), -1.0);
  EXPECT_EQ(Global(s, "wAdd"), 2.0);
  EXPECT_EQ(Global(s, "wVecOf"), 1.0);
  std::string names;
  for (const TParticleStep& step : s.GetInitProgram())
    names += std::string(names.empty() ? "" : " ") + step.node->GetClassName() + "/" + std::to_string(step.operands);
  EXPECT_EQ(names,
            "FPush<TVec2>/0 FGetParticleParam/0 FPush<TVec2>/0 FTimeScale/1 FAdd/2 "
            "FPush<float>/0 FPush<float>/0 FVec/2");
}

TEST_F(ParticleSystemTest, MotionFollowsTheStepTime) {
  TLuaParticleSystem& s = Make(
      "SetNumParticles(2)\n"
      "pPosition:Init(Vec2(10, 20))\n"
      "pPosition:Anim(pPosition + fTimeScale(Vec2(100, -40)))\n"
      "SetUpGravity(1000)\n"
      "pPosition:Anim(pPosition + fTimeScale(pVelocity))\n"
      "pColor:Init(fAlpha(Color(1, 0, 0, 1), 0.5))\n"
      "pScale:Init(-pScale)\n");
  s.CreateParticles(1);
  s.Update(250);
  s.Update(250);
  const float* p = *s.GetCollection().GetLiveList().begin();
  EXPECT_FLOAT_EQ(p[0], 60.0f);
  // Velocity 250, then 500: moved 62.5 + 125 down, 20 up.
  EXPECT_FLOAT_EQ(p[1], 20.0f - 20.0f + 62.5f + 125.0f);
  EXPECT_EQ(std::vector<float>(p + 4, p + 9), (std::vector<float>{-1, 1, 0, 0, 0.5f}));
}

TEST_F(ParticleSystemTest, IndexingAMemberReadsTheRecordAndReportsOnlyPastIt) {
  TLuaParticleSystem& s = Make(
      "pPair = Allocate(2); pOut = Allocate(3); SetNumParticles(2)\n"
      "pPair:Init(Vec2(5, 7))\n"
      "pOut:Init(Vec3(pPair[2], pPair[3], pOut[3]))\n");
  s.CreateParticles(1);
  // pPair[3] is pOut's first float (still 0), pOut[3] the record's last.
  EXPECT_EQ(Live(s, 10, 5), "0:5,7,7,0,0");
  EXPECT_EQ(LogText().find("Out of range parameter index"), std::string::npos);
  // pOut[4] lies past the record: the read fails and stops the rest of that init program.
  Run(s, "pOut:Init(Vec3(1, 1, pOut[4])) pPair:Init(Vec2(0, 0))");
  s.CreateParticles(1);
  EXPECT_EQ(Live(s, 10, 5), "0:5,7,7,0,0 1:5,7,7,0,0");
  EXPECT_NE(LogText().find("Out of range parameter index [4]"), std::string::npos) << LogText();
}

TEST_F(ParticleSystemTest, BoundParametersAreReadLikeMembers) {
  mSystems.push_back(std::make_unique<TLuaParticleSystem>());
  TLuaParticleSystem& s = *mSystems.back();
  TestColor colour;
  EXPECT_EQ(s.BindParameter(TStr("gTint"), &colour), -1);
  EXPECT_EQ(colour.name, TStr("gTint"));
  ASSERT_TRUE(s.Load(TStr("pGreen = Allocate(1); SetNumParticles(3)\npColor:Init(gTint)\npGreen:Init(gTint[2])")));
  s.CreateParticles(1);
  colour.rgba[1] = 0.125f;
  s.CreateParticles(1);
  std::string seen;
  for (float* p : s.GetCollection().GetLiveList()) seen += std::to_string(p[6]) + "/" + std::to_string(p[10]) + " ";
  EXPECT_EQ(seen, "0.500000/0.500000 0.125000/0.125000 ");
  Run(s, "pGreen:Init(gTint[5])");
  s.CreateParticles(1);
  EXPECT_NE(LogText().find("Out of range parameter index [5] when indexing gTint"), std::string::npos) << LogText();
}

TEST_F(ParticleSystemTest, GeneratorsAndTimeoutsCountTheirTime) {
  TLuaParticleSystem& s = Make(
      "g = NewParticleGenerator() a = g(10, 250) b = g(10, 50)\n"
      "z = NewParticleGenerator() c = z(0, 500) d = z(4, 500)\n"
      "t = NewTimeout(0.1) t1 = t(0.06) and 1 or 0 t2 = t(0.06) and 1 or 0 t3 = t(0.06) and 1 or 0\n"
      "r = RandomRange(3, 5) f = RandomFloat()");
  EXPECT_EQ(Global(s, "a"), 2.0);
  EXPECT_EQ(Global(s, "b"), 1.0);
  EXPECT_EQ(Global(s, "c"), 0.0);
  EXPECT_EQ(Global(s, "d"), 2.0);
  EXPECT_EQ(Global(s, "t1") + Global(s, "t2") * 2 + Global(s, "t3") * 4, 4.0);
  double r = Global(s, "r"), f = Global(s, "f");
  EXPECT_TRUE(r == 3 || r == 4 || r == 5) << r;
  EXPECT_TRUE(f >= 0 && f < 1) << f;
}

TEST_F(ParticleSystemTest, MembersAddedAfterTheCountWidenTheRecordsTheyAlreadyHave) {
  TLuaParticleSystem& s = Make(
      "pA = Allocate(1); SetNumParticles(3)\n"
      "pA:Init(fClosedCycle(1, 3, 3))\n");
  s.CreateParticles(3);
  Run(s, "pB = Allocate(4) pB:Anim(Color(9, 9, 9, 9)) pA:Anim(pA + 10)");
  EXPECT_EQ(s.GetCollection().GetRecordWidth(), 15u);
  s.Update(1);
  EXPECT_EQ(Live(s, 10, 5), "0:11,9,9,9,9 1:12,9,9,9,9 2:13,9,9,9,9");
}

TEST_F(ParticleSystemTest, CountsAndWidthsBeyondTheLimitsAreRefusedWithALogLine) {
  TLuaParticleSystem& s = Make("SetNumParticles(-5)");
  EXPECT_EQ(s.GetCollection().GetCapacity(), 0);
  Run(s, "SetNumParticles(1e12)");
  EXPECT_EQ(s.GetCollection().GetCapacity(), (int32_t)(TParticleCollection::kMaxFloats / 10));  // 32 MB
  Run(s, "SetNumParticles(2)");
  Run(s, "big = Allocate(200) tooBig = Allocate(100) or 'refused'");
  EXPECT_EQ(s.GetRecordWidth(), 210u);
  std::string log = LogText();
  EXPECT_NE(log.find("SetNumParticles(-5) is outside 0..838860"), std::string::npos) << log;
  EXPECT_NE(log.find("SetNumParticles(2147483647) is outside 0..838860"), std::string::npos) << log;
  EXPECT_NE(log.find("Allocate(100) refused"), std::string::npos) << log;
  lua_State* L = s.GetScript()->GetState();
  lua_pushstring(L, "tooBig");
  lua_gettable(L, LUA_GLOBALSINDEX);
  EXPECT_STREQ(lua_tostring(L, -1), "refused");
  lua_pop(L, 1);
}

TEST_F(ParticleSystemTest, UnknownNodesAreReportedAndCompileNothing) {
  TLuaParticleSystem& s = Make("Init({cmd = 'fNothing', params = {1}})");
  EXPECT_NE(LogText().find("Type not found: fNothing"), std::string::npos) << LogText();
  // The operand compiled; the node did not.
  ASSERT_EQ(s.GetInitProgram().size(), 1u);
  EXPECT_STREQ(s.GetInitProgram()[0].node->GetClassName(), "FPush<float>");
}

TEST_F(ParticleSystemTest, EffectsLoadFromFilesAndFindTexturesBesideThem) {
  PutSolidPng("glitz/spark.png", 6, 4);
  PutAsset("glitz/sparkle.lua",
           "SetNumParticles(8)\nSetTexture('spark')\nSetBlendMode(kBlendAdditiveAlpha)\n"
           "function Update(dt) Spawn(dt * 100) end\n");
  PutAsset("glitz/broken.lua", "SetNumParticles(");
  mSystems.push_back(std::make_unique<TLuaParticleSystem>());
  TLuaParticleSystem& s = *mSystems.back();
  ASSERT_TRUE(s.Load(TStr("glitz/sparkle.lua")));
  EXPECT_EQ(s.GetScriptDirectory(), TStr("glitz/"));
  auto* renderer = static_cast<T2dParticleRenderer*>(s.GetRenderer());
  EXPECT_TRUE(renderer->GetTexture());
  EXPECT_EQ(renderer->GetSize().x, 6.0f);
  EXPECT_EQ(renderer->GetBlendMode(), 2u);
  s.Update(30);
  EXPECT_EQ(s.GetCollection().GetLiveCount(), 3);

  EXPECT_FALSE(s.Load(TStr("glitz/missing.lua")));
  EXPECT_FALSE(s.Load(TStr("glitz/broken.lua")));
  EXPECT_EQ(s.GetScriptDirectory(), TStr("glitz/"));
  EXPECT_EQ(s.GetCollection().GetCapacity(), 8);
  std::string log = LogText();
  EXPECT_NE(log.find("TLuaParticleSystem::Load: glitz/missing.lua not found"), std::string::npos) << log;
  EXPECT_NE(log.find("TLuaParticleSystem::Load: glitz/broken.lua cannot be loaded"), std::string::npos) << log;
}

TEST_F(ParticleSystemTest, DrawingHandsTheLiveParticlesToTheRendererOnly) {
  TLuaParticleSystem& s = Make("SetNumParticles(4)");
  R()->BeginDraw(0);
  R()->Begin2d();
  Calls();
  s.Draw(TVec3(0, 0, 0));
  EXPECT_TRUE(Calls().empty());
  s.CreateParticles(3);
  s.Draw(TVec3(0, 0, 0));
  EXPECT_EQ(Calls(), (std::vector<std::string>{"SetTexture none", "SetBlendMode 0", "DrawIndexedVertices 4 18",
                                               "SetBlendMode 0"}));
  R()->End2d();
  R()->EndDraw(0);
}

class SharedScriptTest : public ParticleSystemTest {
 protected:
  void SetUp() override {
    ParticleSystemTest::SetUp();
    SetSetting(TStr("lpsonescript"), TStr("1"));
  }
};

TEST_F(SharedScriptTest, SystemsShareOneStateAndKeepTheirOwnUpdates) {
  TLuaParticleSystem& a = Make("SetNumParticles(4) function Update(dt) aSeen = (aSeen or 0) + 1 Spawn(1) end");
  TLuaParticleSystem& b = Make("SetNumParticles(6) function Update(dt) bSeen = (bSeen or 0) + 1 Spawn(2) end");
  ASSERT_EQ(a.GetScript(), b.GetScript());
  a.Update(10);
  a.Update(10);
  b.Update(10);
  EXPECT_EQ(Global(a, "aSeen"), 2.0);
  EXPECT_EQ(Global(a, "bSeen"), 1.0);
  // Script calls act on the system being updated.
  EXPECT_EQ(a.GetCollection().GetLiveCount(), 2);
  EXPECT_EQ(b.GetCollection().GetLiveCount(), 2);
  EXPECT_EQ(a.GetCollection().GetCapacity(), 4);

  TScript* shared = b.GetScript();
  std::string aUpdate = "Update" + std::to_string(a.GetSystemNumber());
  std::string bUpdate = "Update" + std::to_string(b.GetSystemNumber());
  mSystems.erase(mSystems.begin());
  lua_State* L = shared->GetState();
  lua_pushstring(L, aUpdate.c_str());
  lua_gettable(L, LUA_GLOBALSINDEX);
  EXPECT_TRUE(lua_isnil(L, -1));
  lua_pushstring(L, bUpdate.c_str());
  lua_gettable(L, LUA_GLOBALSINDEX);
  EXPECT_TRUE(lua_isfunction(L, -1));
  lua_pop(L, 2);
  b.Update(10);
  EXPECT_EQ(Global(b, "bSeen"), 2.0);
  EXPECT_EQ(b.GetCollection().GetLiveCount(), 4);

  // A system that joined the state but never loaded runs no one's update.
  mSystems.push_back(std::make_unique<TLuaParticleSystem>());
  mSystems.back()->Update(10);
  EXPECT_EQ(Global(b, "bSeen"), 2.0);
  EXPECT_EQ(LogText().find("Lua Error"), std::string::npos) << LogText();
}

}  // namespace
