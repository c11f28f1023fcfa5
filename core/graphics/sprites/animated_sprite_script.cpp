// The animated sprite's script functions. Each is a closure over a weak link to the sprite, so a
// script that outlives its sprite (a coroutine still running when the sprite is destroyed)
// finds nothing to act on; waits still yield, so such a coroutine comes to rest.
#include <algorithm>
#include <new>

#include "core/base/log.h"
#include "core/base/saturate.h"
#include "core/graphics/sprites/animated_sprite.h"
#include "core/graphics/sprites/animated_texture.h"
#include "core/script/lua.h"
#include "core/script/lua_bindings.h"
#include "core/script/script.h"
#include "core/script/state.h"

namespace {

struct SpriteLink {
  std::weak_ptr<TSprite> sprite;
};

int CollectLink(lua_State* L) {
  static_cast<SpriteLink*>(lua_touserdata(L, 1))->~SpriteLink();
  return 0;
}

void PushLink(lua_State* L, std::weak_ptr<TSprite> sprite) {
  void* p = lua_newuserdata(L, sizeof(SpriteLink));
  new (p) SpriteLink{std::move(sprite)};
  lua_newtable(L);
  lua_pushstring(L, "__gc");
  lua_pushcfunction(L, CollectLink);
  lua_settable(L, -3);
  lua_setmetatable(L, -2);
}

// Yields when the caller is a coroutine's Lua code called straight from the coroutine, not
// text run through a protected call or a metamethod.
int YieldIfPossible(lua_State* L) {
  if (L->nCcalls > L->baseCcalls || L->ci == L->base_ci || !isLua(L->ci - 1)) return 0;
  return lua_yield(L, 0);
}

// Depths arrive as script numbers: -1 means every level.
uint32_t Depth(lua_State* L, int idx) { return (uint32_t)SaturateToInt32(lua_tonumber(L, idx)); }

}  // namespace

template <int (TAnimatedSprite::*Fn)(lua_State*)>
int TAnimatedSprite::Thunk(lua_State* L) {
  auto* link = static_cast<SpriteLink*>(lua_touserdata(L, lua_upvalueindex(1)));
  // Held for the call: a sprite whose last owner lets go inside it goes when the call returns.
  std::shared_ptr<TSprite> sprite = link ? link->sprite.lock() : nullptr;
  if (!sprite) return Fn == &TAnimatedSprite::ScriptWaitLuaNextFrame ? YieldIfPossible(L) : 0;
  return (static_cast<TAnimatedSprite*>(sprite.get())->*Fn)(L);
}

void TAnimatedSprite::RegisterScriptFunctions(lua_State* L) {
  const struct {
    const char* name;
    lua_CFunction fn;
  } functions[] = {
      {"SetCurrentFrame", &Thunk<&TAnimatedSprite::ScriptSetCurrentFrame>},
      {"WaitLuaNextFrame", &Thunk<&TAnimatedSprite::ScriptWaitLuaNextFrame>},
      {"Die", &Thunk<&TAnimatedSprite::ScriptDie>},
      {"Pause", &Thunk<&TAnimatedSprite::ScriptPause>},
      {"IsPlaying", &Thunk<&TAnimatedSprite::ScriptIsPlaying>},
      {"Load", &Thunk<&TAnimatedSprite::ScriptLoad>},
      {"GetScript", &Thunk<&TAnimatedSprite::ScriptGetScript>},
      {"SetAlpha", &Thunk<&TAnimatedSprite::ScriptSetAlpha>},
      {"SetLayer", &Thunk<&TAnimatedSprite::ScriptSetLayer>},
      {"RemoveSprite", &Thunk<&TAnimatedSprite::ScriptRemoveSprite>},
  };
  int top = lua_gettop(L);
  std::weak_ptr<TSprite> self = weak_from_this();
  if (self.expired())
    LogError("TAnimatedSprite::InitScript: the sprite is not held by a shared pointer; its script cannot reach it");
  PushLink(L, self);
  for (const auto& f : functions) {
    lua_pushstring(L, f.name);
    lua_pushvalue(L, top + 1);
    lua_pushcclosure(L, f.fn, 1);
    lua_settable(L, LUA_GLOBALSINDEX);
  }
  lua_settop(L, top);
  RegisterLuaFunction(L, "Random", &AnimationRandom);
}

int TAnimatedSprite::ScriptSetCurrentFrame(lua_State* L) {
  SetCurrentFrame(SaturateToInt32(lua_tonumber(L, 1)));
  return 0;
}

// One argument: wake that many milliseconds from now; none or several: sleep until woken.
int TAnimatedSprite::ScriptWaitLuaNextFrame(lua_State* L) {
  if (TScript* thread = mState.playThread) {
    if (lua_gettop(L) == 1)
      thread->SetTimer((uint32_t)std::max(SaturateToInt32(lua_tonumber(L, 1)), 0), true, true, false);
    else
      thread->StopTimer();
  }
  return YieldIfPossible(L);
}

int TAnimatedSprite::ScriptDie(lua_State*) {
  Die();
  return 0;
}

int TAnimatedSprite::ScriptPause(lua_State* L) {
  Pause(lua_toboolean(L, 1) != 0, Depth(L, 2));
  return 0;
}

int TAnimatedSprite::ScriptIsPlaying(lua_State* L) {
  lua_pushboolean(L, IsPlaying(Depth(L, 1)));
  return 1;
}

// Replaces the animation only; the texture the sprite draws stays.
int TAnimatedSprite::ScriptLoad(lua_State* L) {
  mState.animation = TAnimatedTexture::Get(GetLuaString(L, 1), GetLuaString(L, 2), GetLuaString(L, 3));
  lua_pushboolean(L, mState.animation != nullptr);
  return 1;
}

int TAnimatedSprite::ScriptGetScript(lua_State* L) {
  PushLuaString(L, mState.animation ? mState.animation->GetScript() : TStr());
  return 1;
}

int TAnimatedSprite::ScriptSetAlpha(lua_State* L) {
  SetAlpha((float)lua_tonumber(L, 1));
  return 0;
}

int TAnimatedSprite::ScriptSetLayer(lua_State* L) {
  SetLayer(SaturateToInt32(lua_tonumber(L, 1)));
  return 0;
}

int TAnimatedSprite::ScriptRemoveSprite(lua_State*) {
  if (TSprite* parent = GetParent()) parent->RemoveChild(shared_from_this());
  return 0;
}
