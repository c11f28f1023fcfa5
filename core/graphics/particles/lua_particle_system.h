// TLuaParticleSystem: one particle effect. The effect is a Lua script that declares the members
// of a particle record, builds expression trees for how particles start and how they change
// each frame, and decides each frame how many to spawn; the system compiles the trees into
// programs of TParticleFunction nodes and runs them natively over the records, so Lua runs once
// a frame. With the setting "lpsonescript" every system shares one script state, each keeping
// its update function as Update<number>.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/base/str.h"
#include "core/base/vec3.h"
#include "core/graphics/particles/particle_collection.h"
#include "core/graphics/particles/particle_function.h"
#include "core/graphics/particles/particle_nodes.h"
#include "core/graphics/particles/particle_stack.h"

struct lua_State;
class TParticleRenderer;
class TScript;
class TScriptCode;

class TLuaParticleSystem {
 public:
  // A record holds at most this many floats (member offsets are bytes).
  static constexpr uint32_t kMaxRecordWidth = 255;

  // Null makes a T2dParticleRenderer that the system owns; a given renderer stays the caller's.
  explicit TLuaParticleSystem(TParticleRenderer* renderer = nullptr);
  virtual ~TLuaParticleSystem();
  TLuaParticleSystem(const TLuaParticleSystem&) = delete;
  TLuaParticleSystem& operator=(const TLuaParticleSystem&) = delete;

  // A name containing ".lua" is a script file (found through the script-code cache with the
  // file's folder, "assets/" and "assets/fx/" on the search path); anything else is Lua source.
  // False for a missing or broken file, which leaves the system as it was.
  virtual bool Load(TStr name);
  // One frame: the script's Update with the seconds, then the anim program over every particle.
  virtual void Update(int32_t ms);

  // Back to a fresh script with the library and the renderer's members: no programs, members or
  // particles.
  void Init();
  // The live particles at the origin, through the renderer (nothing when none live).
  void Draw(const TVec3& origin);

  // Makes a native node readable by the script as the global name; the node stays the caller's
  // and must outlive the system. Returns the handle's (negative) offset.
  int32_t BindParameter(TStr name, TParticleFunction* parameter);
  // Bound parameter number index (0 first), null when there is none.
  TParticleFunction* GetBoundParameter(int32_t index) const;

  TScript* GetScript() const { return mScript; }
  TParticleRenderer* GetRenderer() const { return mRenderer; }
  const TParticleCollection& GetCollection() const { return mCollection; }
  // Passed to the renderer with every draw; the 2D renderer scales the particles' alpha by it.
  void SetScale(float scale) { mScale = scale; }
  float GetScale() const { return mScale; }
  bool IsDone() const { return mDone; }
  uint32_t GetSystemNumber() const { return mNumber; }
  uint32_t GetRecordWidth() const { return mRecordWidth; }
  const std::vector<uint8_t>& GetMemberWidths() const { return mMemberWidths; }
  const TParticleProgram& GetInitProgram() const { return mInitProgram; }
  const TParticleProgram& GetAnimProgram() const { return mAnimProgram; }
  float GetPendingParticles() const { return mPending; }
  TStr GetScriptDirectory() const { return mScriptDirectory; }

  // Asks for count more particles (fractions carry over); each new record is zeroed, takes the
  // renderer's defaults and runs the init program. Stops when no record is free.
  void CreateParticles(double count);

 private:
  void SetUpScript();
  void RegisterScriptFunctions();
  // Script calls reach whichever system last entered the state (Init, Load, Update, binding).
  void MakeActive();
  void StartPass(uint32_t elapsedMs);
  void ReleaseScript();

  // Compiles the value at idx into the pending steps; false when it compiles to nothing.
  bool CompileValue(lua_State* L, int idx, int* width);

  // Script functions (lua_particle_system_script.cpp).
  int ScriptSetRendererOption(lua_State* L);
  int ScriptSetNumParticles(lua_State* L);
  int ScriptSetTexture(lua_State* L);
  int ScriptCreateParticles(lua_State* L);
  int ScriptAllocate(lua_State* L);
  int ScriptCompileParam(lua_State* L);
  int ScriptGetParticleMemberParts(lua_State* L);
  int ScriptAccumulateInitStream(lua_State* L);
  int ScriptAccumulateAnimStream(lua_State* L);
  int ScriptDone(lua_State* L);
  template <int (TLuaParticleSystem::*Fn)(lua_State*)>
  static int Thunk(lua_State* L);

  bool mOwnsRenderer = false;
  TParticleRenderer* mRenderer = nullptr;
  TParticleCollection mCollection;
  TScript* mScript = nullptr;
  bool mSharedUser = false;  // mScript is the shared one
  TLuaParticleSystem** mActiveSlot = nullptr;  // lives in the script state
  uint32_t mNumber = 0;
  std::shared_ptr<TScriptCode> mCode;
  TStr mScriptDirectory;
  uint32_t mRecordWidth = 0;
  std::vector<uint8_t> mMemberWidths;
  std::vector<TParticleFunction*> mBound;
  TParticleProgram mInitProgram;
  TParticleProgram mAnimProgram;
  TParticleProgram mPendingSteps;  // statements compiled and not yet accumulated
  float mScale = 1.0f;
  bool mDone = false;
  float mPending = 0.0f;  // particles asked for and not yet created
  TParticleContext mContext;
  uint8_t mContextSizes[TParticleStack::kMaxEntries] = {};
  std::unique_ptr<TParticleEvalState> mState;
};

// Member handles as scripts hold them: a boxed pointer under the metatable ParticleMemberMT.
void PushParticleMember(lua_State* L, TParticleMember member);
// False when the value is not such a handle.
bool ToParticleMember(lua_State* L, int idx, TParticleMember* member);
