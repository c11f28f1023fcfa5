// The particle system's script functions and the compiler that turns expression tables into
// steps. Every function is a closure over one slot of the script state that names the system
// the state is working for, so a shared state always acts on the system that entered it last
// and a destroyed system is never reached.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>

#include "core/base/asset_map.h"
#include "core/base/log.h"
#include "core/base/saturate.h"
#include "core/graphics/particles/lua_particle_system.h"
#include "core/graphics/particles/particle_renderer.h"
#include "core/graphics/texture.h"
#include "core/script/lib_aux.h"
#include "core/script/lua.h"
#include "core/script/lua_bindings.h"
#include "core/script/script.h"

namespace {

const char kActiveSlotKey[] = "TLuaParticleSystem.active";
const char kMemberMetatable[] = "ParticleMemberMT";

// Leaves the slot's userdata on the stack, making it on first use.
void PushActiveSlot(lua_State* L) {
  lua_pushstring(L, kActiveSlotKey);
  lua_rawget(L, LUA_REGISTRYINDEX);
  if (lua_touserdata(L, -1)) return;
  lua_pop(L, 1);
  void* slot = lua_newuserdata(L, sizeof(TLuaParticleSystem*));
  *static_cast<TLuaParticleSystem**>(slot) = nullptr;
  lua_pushstring(L, kActiveSlotKey);
  lua_pushvalue(L, -2);
  lua_rawset(L, LUA_REGISTRYINDEX);
}

void PushGlobal(lua_State* L, const char* name) {
  lua_pushstring(L, name);
  lua_gettable(L, LUA_GLOBALSINDEX);
}

void Alert(lua_State* L, const TStr& message) {
  PushGlobal(L, "_ALERT");
  if (!lua_isfunction(L, -1)) {
    lua_pop(L, 1);
    LogError("%s", message.c_str());
    return;
  }
  PushLuaString(L, message);
  if (lua_pcall(L, 1, 0, 0) != 0) lua_pop(L, 1);
}

// The Lua text that makes a vocabulary name build an expression of that node.
void DefineExpressionFunction(lua_State* L, const char* name) {
  TStr text = TStr::Format("function %s(...) return CreateValue('%s',arg); end", name, name);
  int top = lua_gettop(L);
  lua_dostring(L, text.c_str());
  lua_settop(L, top);
}

// The node a name creates: the same names for every system. Null for an unknown name.
TParticleFactory FindNodeFactory(const TStr& name) {
  static const std::map<TStr, TParticleFactory> factories = [] {
    std::map<TStr, TParticleFactory> byName;
    for (const TParticleNodeName* n = kParticleOperatorNodes; n->name; ++n) byName[TStr(n->name)] = n->factory;
    for (const TParticleNodeName* n = kParticleFunctionNodes; n->name; ++n) byName[TStr(n->name)] = n->factory;
    return byName;
  }();
  auto found = factories.find(name);
  return found != factories.end() ? found->second : nullptr;
}

uint8_t ByteWidth(lua_State* L, int idx) {
  if (lua_type(L, idx) != LUA_TNUMBER) return 0;
  int w = SaturateToInt32(lua_tonumber(L, idx));
  return (uint8_t)(w < 0 ? 0 : w > 255 ? 255 : w);
}

}  // namespace

void PushParticleMember(lua_State* L, TParticleMember member) {
  lua_boxpointer(L, reinterpret_cast<void*>((uintptr_t)member.Pack()));
  PushGlobal(L, kMemberMetatable);
  if (lua_istable(L, -1))
    lua_setmetatable(L, -2);
  else
    lua_pop(L, 1);
}

bool ToParticleMember(lua_State* L, int idx, TParticleMember* member) {
  if (lua_type(L, idx) != LUA_TUSERDATA || !lua_getmetatable(L, idx)) return false;
  PushGlobal(L, kMemberMetatable);
  bool handle = lua_rawequal(L, -1, -2) != 0;
  lua_pop(L, 2);
  if (!handle) return false;
  // A boxed pointer reads back as the pointer itself.
  *member = TParticleMember::Unpack((uint32_t)reinterpret_cast<uintptr_t>(lua_touserdata(L, idx)));
  return true;
}

template <int (TLuaParticleSystem::*Fn)(lua_State*)>
int TLuaParticleSystem::Thunk(lua_State* L) {
  auto* slot = static_cast<TLuaParticleSystem**>(lua_touserdata(L, lua_upvalueindex(1)));
  TLuaParticleSystem* system = slot ? *slot : nullptr;
  return system ? (system->*Fn)(L) : 0;
}

void TLuaParticleSystem::RegisterScriptFunctions() {
  lua_State* L = mScript->GetState();
  int top = lua_gettop(L);
  for (const TParticleNodeName* n = kParticleFunctionNodes; n->name; ++n) DefineExpressionFunction(L, n->name);

  PushActiveSlot(L);
  mActiveSlot = static_cast<TLuaParticleSystem**>(lua_touserdata(L, -1));
  MakeActive();
  const struct {
    const char* name;
    lua_CFunction fn;
  } functions[] = {
      {"SetRendererOption1", &Thunk<&TLuaParticleSystem::ScriptSetRendererOption>},
      {"SetRendererOption2", &Thunk<&TLuaParticleSystem::ScriptSetRendererOption>},
      {"SetRendererOption3", &Thunk<&TLuaParticleSystem::ScriptSetRendererOption>},
      {"SetRendererOption4", &Thunk<&TLuaParticleSystem::ScriptSetRendererOption>},
      {"SetNumParticles", &Thunk<&TLuaParticleSystem::ScriptSetNumParticles>},
      {"_SetTexture", &Thunk<&TLuaParticleSystem::ScriptSetTexture>},
      {"CreateParticles", &Thunk<&TLuaParticleSystem::ScriptCreateParticles>},
      {"Allocate", &Thunk<&TLuaParticleSystem::ScriptAllocate>},
      {"CompileParam", &Thunk<&TLuaParticleSystem::ScriptCompileParam>},
      {"GetParticleMemberParts", &Thunk<&TLuaParticleSystem::ScriptGetParticleMemberParts>},
      {"AccumulateInitStream", &Thunk<&TLuaParticleSystem::ScriptAccumulateInitStream>},
      {"AccumulateAnimStream", &Thunk<&TLuaParticleSystem::ScriptAccumulateAnimStream>},
      {"Done", &Thunk<&TLuaParticleSystem::ScriptDone>},
  };
  for (const auto& f : functions) {
    lua_pushstring(L, f.name);
    lua_pushvalue(L, -2);
    lua_pushcclosure(L, f.fn, 1);
    lua_settable(L, LUA_GLOBALSINDEX);
  }
  lua_settop(L, top);
}

// SetRendererOption1 to 4: a name and up to four numbers (missing ones 0).
int TLuaParticleSystem::ScriptSetRendererOption(lua_State* L) {
  float values[4] = {0, 0, 0, 0};
  int n = lua_gettop(L) - 1;
  for (int i = 0; i < 4 && i < n; ++i) values[i] = (float)lua_tonumber(L, i + 2);
  if (mRenderer) mRenderer->SetOption(GetLuaString(L, 1), values);
  return 0;
}

int TLuaParticleSystem::ScriptSetNumParticles(lua_State* L) {
  int32_t n = SaturateToInt32(lua_tonumber(L, 1));
  int32_t limit = TParticleCollection::kMaxCount;
  if (mRecordWidth) limit = std::min<int64_t>(limit, (int64_t)(TParticleCollection::kMaxFloats / mRecordWidth));
  if (n < 0 || n > limit) {
    LogError("TLuaParticleSystem: SetNumParticles(%d) is outside 0..%d", n, limit);
    n = n < 0 ? 0 : limit;
  }
  if (!mCollection.Init(n, mRecordWidth)) LogError("TLuaParticleSystem: no memory for %d particles", n);
  return 0;
}

// The texture as named, else in the script's folder.
int TLuaParticleSystem::ScriptSetTexture(lua_State* L) {
  TStr name = GetLuaString(L, 1);
  TAssetMap map;
  TStr found = name;
  map.AddAsset(name, nullptr, true);
  if (!map.HasAsset(name) && !mScriptDirectory.IsEmpty()) {
    found = mScriptDirectory + name;
    map.AddAsset(found, nullptr, true);
  }
  std::shared_ptr<TAsset> asset = map.HasAsset(found) ? map.GetAsset(found) : nullptr;
  std::shared_ptr<TTexture> texture;
  if (asset && asset->IsKindOf(TTexture::ClassId())) texture = std::static_pointer_cast<TTexture>(asset);
  if (!texture) LogError("TLuaParticleSystem: texture %s not found", name.c_str());
  if (mRenderer) mRenderer->SetTexture(texture);
  return 0;
}

int TLuaParticleSystem::ScriptCreateParticles(lua_State* L) {
  CreateParticles(lua_tonumber(L, 1));
  return 0;
}

// A new member at the end of the record. Members added after the particle count was set widen
// every record at once, so no program writes past its record.
int TLuaParticleSystem::ScriptAllocate(lua_State* L) {
  uint32_t n = (uint32_t)SaturateToInt32(lua_tonumber(L, 1)) & 0xFF;
  if (mRecordWidth + n > kMaxRecordWidth || mMemberWidths.size() >= TParticleStack::kMaxEntries) {
    LogError("TLuaParticleSystem: Allocate(%u) refused: a particle record holds at most %u floats", n,
             kMaxRecordWidth);
    return 0;
  }
  if (!mCollection.SetRecordWidth(mRecordWidth + n)) {
    LogError("TLuaParticleSystem: Allocate(%u) refused: no memory for wider particles", n);
    return 0;
  }
  TParticleMember member;
  member.offset = (int16_t)mRecordWidth;
  member.width = (uint16_t)n;
  mRecordWidth += n;
  mMemberWidths.push_back((uint8_t)n);
  PushParticleMember(L, member);
  return 1;
}

int TLuaParticleSystem::ScriptCompileParam(lua_State* L) {
  int width = 0;
  if (!CompileValue(L, 1, &width)) return 0;
  lua_pushnumber(L, width);
  return 1;
}

int TLuaParticleSystem::ScriptGetParticleMemberParts(lua_State* L) {
  TParticleMember member;
  if (!ToParticleMember(L, 1, &member)) return 0;
  lua_pushnumber(L, member.offset);
  lua_pushnumber(L, member.width);
  return 2;
}

int TLuaParticleSystem::ScriptAccumulateInitStream(lua_State*) {
  mInitProgram.insert(mInitProgram.end(), mPendingSteps.begin(), mPendingSteps.end());
  mPendingSteps.clear();
  return 0;
}

int TLuaParticleSystem::ScriptAccumulateAnimStream(lua_State*) {
  mAnimProgram.insert(mAnimProgram.end(), mPendingSteps.begin(), mPendingSteps.end());
  mPendingSteps.clear();
  return 0;
}

int TLuaParticleSystem::ScriptDone(lua_State*) {
  mDone = true;
  return 0;
}

// Postfix order: a node's operands (compiled by CompileParameters) come before its own step.
bool TLuaParticleSystem::CompileValue(lua_State* L, int idx, int* width) {
  if (idx < 0) idx = lua_gettop(L) + idx + 1;
  switch (lua_type(L, idx)) {
    case LUA_TNUMBER:
      mPendingSteps.push_back({std::make_shared<FPush<float>>((float)lua_tonumber(L, idx)), 0});
      *width = 1;
      return true;
    case LUA_TUSERDATA: {
      TParticleMember member;
      if (!ToParticleMember(L, idx, &member)) return false;
      mPendingSteps.push_back({std::make_shared<FGetParticleParam>(member), 0});
      *width = member.width;
      return true;
    }
    case LUA_TTABLE:
      break;
    default:
      return false;
  }

  lua_pushstring(L, "cmd");
  lua_rawget(L, idx);
  bool hasCommand = !lua_isnil(L, -1);
  TStr name = hasCommand ? GetLuaString(L, -1) : TStr("fVec");
  lua_pop(L, 1);
  int operands = idx;
  if (hasCommand) {
    lua_pushstring(L, "params");
    lua_rawget(L, idx);
    if (!lua_istable(L, -1)) {
      lua_pop(L, 1);
      lua_pushvalue(L, idx);
    }
    operands = lua_gettop(L);
  }
  int n = lua_getn(L, operands);

  if (!hasCommand) {
    bool numbers = true;
    for (int i = 1; numbers && i <= n; ++i) {
      lua_rawgeti(L, idx, i);
      numbers = lua_type(L, -1) == LUA_TNUMBER;
      lua_pop(L, 1);
    }
    if (numbers) {
      float v[4] = {0, 0, 0, 0};
      for (int i = 0; i < n && i < 4; ++i) {
        lua_rawgeti(L, idx, i + 1);
        v[i] = (float)lua_tonumber(L, -1);
        lua_pop(L, 1);
      }
      std::shared_ptr<TParticleFunction> node;
      if (n == 2) node = std::make_shared<FPush<TVec2>>(TVec2(v[0], v[1]));
      if (n == 3) node = std::make_shared<FPush<TVec3>>(TVec3(v[0], v[1], v[2]));
      if (n == 4) node = std::make_shared<FPush<TVec4>>(TVec4(v[0], v[1], v[2], v[3]));
      if (!node) return false;
      mPendingSteps.push_back({node, 0});
      *width = n;
      return true;
    }
  }

  if (n < 0 || n > (int)TParticleStack::kMaxEntries) {
    Alert(L, TStr::Format("Too many operands for %s: %d", name.c_str(), n));
    if (hasCommand) lua_pop(L, 1);
    return false;
  }
  // The operands compile first; their widths come back in a table.
  PushGlobal(L, "CompileParameters");
  lua_pushvalue(L, operands);
  lua_call(L, 1, 1);
  uint8_t widths[TParticleStack::kMaxEntries] = {};
  if (lua_istable(L, -1)) {
    for (int i = 0; i < n; ++i) {
      lua_rawgeti(L, -1, i + 1);
      widths[i] = ByteWidth(L, -1);
      lua_pop(L, 1);
    }
  }
  lua_pop(L, hasCommand ? 2 : 1);

  TParticleFactory factory = FindNodeFactory(name);
  if (!factory) {
    Alert(L, TStr::Format("Type not found: %s", name.c_str()));
    return false;
  }
  std::shared_ptr<TParticleFunction> node = factory();
  *width = node->GetResultSize((uint8_t)n, widths);
  mPendingSteps.push_back({node, (uint8_t)n});
  return true;
}
