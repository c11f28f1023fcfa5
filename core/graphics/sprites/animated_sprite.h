// TAnimatedSprite: a sprite whose frames come from a TAnimatedTexture and whose timing a script
// drives. Each sprite owns a script state; it runs the animation library, registers its native
// functions and runs the animation's text, which defines functions such as DoAnim. Play runs one
// of them as a coroutine (the play thread) that sets frames and sleeps between them by yielding;
// the task list wakes it when its timer (on the sprite's clock) comes due.
//
// Scripts are tasks in the platform task list. A script the sprite stops waits in a retired slot
// and is deleted the next time that slot is needed, never in the call that stops it, so Die and
// halt may be called from inside the very coroutine they stop; one that is still running then
// waits longer, until it has returned.
#pragma once

#include <cstdint>
#include <memory>

#include "core/base/str.h"
#include "core/base/vec2.h"
#include "core/graphics/sprites/sprite.h"

struct lua_State;
class TAnimatedTexture;
class TClock;
class TScript;
class TTaskList;

// What an animated sprite holds of its animation.
struct TAnimatedSpriteState {
  int32_t currentFrame = 0;  // pushed into the shared texture before every use
  std::shared_ptr<TAnimatedTexture> animation;
  TClock* clock = nullptr;  // not owned; null: platform time
  TScript* mainScript = nullptr;
  TScript* playThread = nullptr;
  TScript* retiredScript = nullptr;
  TScript* retiredThread = nullptr;
};

class TAnimatedSprite : public TSprite {
 public:
  static std::shared_ptr<TAnimatedSprite> Create(int32_t layer = 0);
  static TClassId ClassId();
  const char* GetClassName() const override { return "TAnimatedSprite"; }
  bool IsKindOf(TClassId id) const override { return id == ClassId() || TSprite::IsKindOf(id); }
  ~TAnimatedSprite() override;

  void Draw(const TDrawSpec& parent, uint32_t depth = kAllDepths) override;
  // Also refreshes the registration point from the current frame.
  TRect GetRect(const TDrawSpec& parent) override;
  bool HitTest(const TVec2& point, int threshold) override;
  // The animation becomes the texture when it is an animated one (else none); the script state
  // is not touched.
  void SetTexture(std::shared_ptr<TTexture> texture) override;

  // Runs the named function of the sprite's script as a new play thread, at once up to its
  // first wait; an empty name makes an idle thread. Builds the script first when there is none
  // (nothing happens without an animation). Scripts reach the sprite through its shared
  // ownership: a sprite must be held by a shared pointer (Create) before it plays.
  void Play(TStr function);
  // Builds a new script state for the animation, retiring the old one.
  void InitScript();
  // Stops the play thread and retires the script; a later Play builds a new one.
  void Die();
  // Frames below -1 are ignored; the texture follows only for frames it has.
  void SetCurrentFrame(int32_t frame);
  int32_t GetCurrentFrame() const { return mState.currentFrame; }
  // The animation's frame count, 1 without one.
  int32_t GetFrameCount() const;
  // depth: how many levels of animated children to ask as well (0xFFFFFFFF: all).
  bool IsPlaying(uint32_t depth);
  // Stops (or wakes on the next pass) the play thread, then the children's to depth.
  void Pause(bool stop, uint32_t depth);

  // The clock the scripts run on (null: platform time); the owner keeps it alive.
  void SetClock(TClock* clock);
  std::shared_ptr<TAnimatedTexture> GetAnimation() const { return mState.animation; }
  // The current frame's registration point as the last GetRect saw it, mirrored with the flips.
  TVec2 GetRegistrationPoint() const { return mRegistration; }
  const TAnimatedSpriteState& GetState() const { return mState; }

  // The list the scripts are tasks of: the platform's, or without a platform object (tools and
  // tests) one the sprites keep themselves.
  static TTaskList* GetTaskList();
  // Scripts stopped while they still ran, waiting to be deleted.
  static size_t GetBuriedScriptCount();

 protected:
  explicit TAnimatedSprite(int32_t layer);

 private:
  void StartPlayThread();
  void StopPlayThread();
  void RetireMainScript();
  void PushFrame();
  void RegisterScriptFunctions(lua_State* L);

  // Script functions (animated_sprite_script.cpp); L is the calling state.
  int ScriptSetCurrentFrame(lua_State* L);
  int ScriptWaitLuaNextFrame(lua_State* L);
  int ScriptDie(lua_State* L);
  int ScriptPause(lua_State* L);
  int ScriptIsPlaying(lua_State* L);
  int ScriptLoad(lua_State* L);
  int ScriptGetScript(lua_State* L);
  int ScriptSetAlpha(lua_State* L);
  int ScriptSetLayer(lua_State* L);
  int ScriptRemoveSprite(lua_State* L);
  template <int (TAnimatedSprite::*Fn)(lua_State*)>
  static int Thunk(lua_State* L);

  TAnimatedSpriteState mState;
  TVec2 mRegistration;
  bool mComputingRect = false;
};

// Random(lo, hi) of the animation scripts: lo + (r mod (hi - lo)) in unsigned 32-bit with r
// the platform generator's next value; lo when hi <= lo.
int32_t AnimationRandom(int32_t lo, int32_t hi);
