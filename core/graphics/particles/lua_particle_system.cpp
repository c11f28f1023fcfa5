// TLuaParticleSystem: script set-up (own or shared), loading, the frame and the passes over the
// records. The script functions and the compiler are in lua_particle_system_script.cpp.
#include "core/graphics/particles/lua_particle_system.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "core/base/file.h"
#include "core/base/log.h"
#include "core/base/settings.h"
#include "core/graphics/particles/2d_particle_renderer.h"
#include "core/graphics/particles/particles_library.h"
#include "core/script/lib_aux.h"
#include "core/script/lua.h"
#include "core/script/lua_bindings.h"
#include "core/script/script.h"
#include "core/script/script_code.h"

namespace {

// Users of each shared script state (main thread only).
std::map<TScript*, int> gSharedUsers;
TScript* gSharedScript = nullptr;
uint32_t gNextNumber = 0;

const char kRendererChunk[] = "TLuaParticleSystem ParticleRenderer init string";

double ScriptRandomRange(int lo, int hi) {
  return (double)lo + std::floor(ParticleRandomDouble() * ((double)hi - (double)lo + 1.0));
}
float ScriptRandomFloat() { return ParticleRandomFloat(); }

void RunChunk(lua_State* L, const char* text, size_t size, const char* name) {
  int top = lua_gettop(L);
  lua_dobuffer(L, text, size, name);
  lua_settop(L, top);
}

}  // namespace

TLuaParticleSystem::TLuaParticleSystem(TParticleRenderer* renderer) : mRenderer(renderer) {
  if (!mRenderer) {
    mRenderer = new T2dParticleRenderer();
    mOwnsRenderer = true;
  }
  AcquireParticleRandom();
  mState = std::make_unique<TParticleEvalState>(this);
  mContext.record.sizes = mContextSizes;
  Init();
}

TLuaParticleSystem::~TLuaParticleSystem() {
  ReleaseParticleRandom();
  ReleaseScript();
  mCollection.Clear();
  if (mOwnsRenderer) delete mRenderer;
  mRenderer = nullptr;
}

void TLuaParticleSystem::ReleaseScript() {
  if (!mScript) return;
  if (mActiveSlot && *mActiveSlot == this) *mActiveSlot = nullptr;
  mActiveSlot = nullptr;
  TScript* script = mScript;
  mScript = nullptr;
  if (!mSharedUser) {
    delete script;
    return;
  }
  mSharedUser = false;
  script->DoLuaString(TStr::Format("Update%u=nil;", mNumber));
  lua_State* L = script->GetState();
  lua_setgcthreshold(L, 0);
  lua_setgcthreshold(L, 20);
  auto users = gSharedUsers.find(script);
  if (users == gSharedUsers.end() || --users->second > 0) return;
  gSharedUsers.erase(users);
  if (gSharedScript == script) gSharedScript = nullptr;
  delete script;
}

void TLuaParticleSystem::SetUpScript() {
  bool shared = GetSettingBool(TStr("lpsonescript"));
  if (shared && gSharedScript) {
    if (mScript != gSharedScript) {
      ReleaseScript();
      mScript = gSharedScript;
      mSharedUser = true;
      ++gSharedUsers[mScript];
    }
  } else {
    ReleaseScript();
    mScript = new TScript();
    lua_State* L = mScript->GetState();
    int top = lua_gettop(L);
    luaopen_math(L);
    lua_settop(L, top);
    lua_pushstring(L, "ParticleMemberMT");
    lua_newtable(L);
    lua_settable(L, LUA_GLOBALSINDEX);
    RegisterLuaFunction(L, "RandomRange", &ScriptRandomRange);
    RegisterLuaFunction(L, "RandomFloat", &ScriptRandomFloat);
    if (shared) {
      gSharedScript = mScript;
      mSharedUser = true;
      ++gSharedUsers[mScript];
    }
  }
}

void TLuaParticleSystem::Init() {
  mInitProgram.clear();
  mAnimProgram.clear();
  mPendingSteps.clear();
  mMemberWidths.clear();
  mCollection.Clear();
  mRecordWidth = 0;
  SetUpScript();
  RegisterScriptFunctions();
  lua_State* L = mScript->GetState();
  RunChunk(L, kParticlesLibrary, kParticlesLibrarySize, "particles.lua");
  TStr layout = mRenderer->GetLayoutScript();
  RunChunk(L, layout.c_str(), (size_t)layout.Length(), kRendererChunk);
}

void TLuaParticleSystem::MakeActive() {
  if (mActiveSlot) *mActiveSlot = this;
}

bool TLuaParticleSystem::Load(TStr name) {
  if (!mScript) return false;
  MakeActive();
  mPending = 0.0f;
  if (name.Find(TStr(".lua")) >= 0) {
    if (!FileExists(name)) {
      LogError("TLuaParticleSystem::Load: %s not found", name.c_str());
      return false;
    }
    int slash = name.Find('/', TStr::kBackward);
    TStr directory = slash >= 0 ? name.SubStr(0, slash + 1) : TStr();
    TStr error;
    std::shared_ptr<TScriptCode> code = TScriptCode::Load(name, directory + "?;assets/?;assets/fx/?", &error);
    if (!code) {
      LogError("TLuaParticleSystem::Load: %s cannot be loaded: %s", name.c_str(), error.c_str());
      return false;
    }
    mScriptDirectory = directory;
    mCode = code;
    mScript->DoLuaString(code->GetCode(), code->GetLength());
  } else {
    mScript->DoLuaString(name);
  }
  if (mSharedUser) {
    mNumber = ++gNextNumber;
    mScript->DoLuaString(TStr::Format("Update%u=Update", mNumber));
  }
  mDone = false;
  return true;
}

void TLuaParticleSystem::StartPass(uint32_t elapsedMs) {
  mState->Reset();
  mContext.record.count = 0;
  mContext.record.offsets[0] = 0;
  mContext.record.SetSizes(0, mMemberWidths.data(), (uint32_t)mMemberWidths.size());
  mContext.elapsedMs = elapsedMs;
}

void TLuaParticleSystem::CreateParticles(double count) {
  if (mCollection.GetCapacity() == 0) return;
  // A count that is not a number would leave the carry NaN, and nothing would spawn again.
  if (!std::isfinite(count)) return;
  mPending += (float)count;
  StartPass(0);
  uint32_t defaults = std::min(mRenderer->GetParticleSize(), mRecordWidth);
  const float* defaultRecord = mRenderer->GetDefaultParticle();
  while (mPending > 0.0f) {
    mPending -= 1.0f;
    int32_t index = mCollection.TakeFree();
    if (index < 0) break;
    float* record = mCollection.GetRecord(index);
    std::memset(record, 0, mRecordWidth * sizeof(float));
    if (defaults && defaultRecord) std::memcpy(record, defaultRecord, defaults * sizeof(float));
    mContext.record.data = record;
    mContext.alive = 1;
    RunParticleProgram(mInitProgram, mContext, *mState);
  }
}

void TLuaParticleSystem::Update(int32_t ms) {
  if (!mScript) return;
  MakeActive();
  // A system that never loaded has no update function of its own in a shared state.
  if (mSharedUser) {
    if (mNumber) mScript->DoLuaString(TStr::Format("Update%u(%f);", mNumber, ms / 1000.0));
  } else
    mScript->DoLuaString(TStr::Format("Update(%f);", ms / 1000.0));
  if (mCollection.GetLiveCount() == 0) return;
  StartPass((uint32_t)ms);
  for (int32_t index = mCollection.GetLiveHead(); index >= 0;) {
    int32_t next = mCollection.GetNext(index);
    mContext.record.data = mCollection.GetRecord(index);
    mContext.alive = 1;
    RunParticleProgram(mAnimProgram, mContext, *mState);
    if (!mContext.alive) mCollection.Retire(index);
    index = next;
  }
}

void TLuaParticleSystem::Draw(const TVec3& origin) {
  if (mCollection.GetLiveCount() == 0 || !mRenderer) return;
  mRenderer->Draw(origin, mScale, mCollection.GetLiveList(), mCollection.GetCapacity());
}

int32_t TLuaParticleSystem::BindParameter(TStr name, TParticleFunction* parameter) {
  if (!parameter || !mScript || mBound.size() >= 0x7FFF) return 0;
  MakeActive();
  mBound.push_back(parameter);
  TParticleMember member;
  member.offset = (int16_t)-(int32_t)mBound.size();
  member.width = parameter->GetResultSize(0, nullptr);
  lua_State* L = mScript->GetState();
  lua_pushstring(L, name.c_str());
  PushParticleMember(L, member);
  lua_settable(L, LUA_GLOBALSINDEX);
  parameter->name = name;
  return member.offset;
}

TParticleFunction* TLuaParticleSystem::GetBoundParameter(int32_t index) const {
  return index >= 0 && (size_t)index < mBound.size() ? mBound[(size_t)index] : nullptr;
}
