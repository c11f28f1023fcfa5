// TAnimatedSprite: script states, play threads and their retirement.
//
// A stopped script goes to a retired slot; whatever stood in the slot before is disposed of.
// Disposing deletes at once unless the script still runs (its coroutine, or for a main script
// any coroutine of its state, is active) or a task pass is under way: then it is buried, and the
// burial task deletes it on a later pass once it has returned (a pass later at the earliest, so
// the list has forgotten it). Threads are always disposed of before their state's main script.
#include "core/graphics/sprites/animated_sprite.h"

#include <algorithm>
#include <vector>

#include "core/base/log.h"
#include "core/base/platform.h"
#include "core/base/random.h"
#include "core/base/task_list.h"
#include "core/graphics/sprites/animated_texture.h"
#include "core/graphics/sprites/animation_library.h"
#include "core/graphics/sprites/animation_state.h"
#include "core/script/lib_aux.h"
#include "core/script/script.h"
#include "core/script/state.h"

namespace {

struct Buried {
  TScript* script;
  int passes;  // burial-task runs seen
};
std::vector<Buried> gBuried;  // main thread only

bool IsMainScript(TScript* s) {
  lua_State* L = s->GetState();
  return L == G(L)->mainthread;
}

bool IsBusy(TScript* s) {
  lua_State* L = s->GetState();
  if (!IsMainScript(s)) return L->ci != L->base_ci && !(L->ci->flags & CIST_YIELD);
  if (G(L)->nCresume > 0 || L->ci != L->base_ci) return true;
  // Its threads go first.
  for (const Buried& b : gBuried)
    if (b.script != s && G(b.script->GetState()) == G(L)) return true;
  return false;
}

// Deletes what may go: in a pass only what a previous pass already saw buried.
void PurgeBuried(bool inPass) {
  for (bool again = true; again;) {
    again = false;
    for (size_t i = 0; i < gBuried.size(); ++i) {
      if ((inPass && gBuried[i].passes < 1) || IsBusy(gBuried[i].script)) continue;
      TScript* s = gBuried[i].script;
      gBuried.erase(gBuried.begin() + (ptrdiff_t)i);
      delete s;
      again = true;
      break;
    }
  }
  if (inPass)
    for (Buried& b : gBuried) ++b.passes;
}

class TBurialTask : public TTask {
 public:
  static inline TBurialTask* gInstance = nullptr;  // main thread only
  TBurialTask() { gInstance = this; }
  ~TBurialTask() override {
    gInstance = nullptr;
    // The list is going away (shut-down): nothing runs any more.
    std::stable_partition(gBuried.begin(), gBuried.end(), [](const Buried& b) { return !IsMainScript(b.script); });
    std::vector<Buried> doomed;
    doomed.swap(gBuried);
    for (const Buried& b : doomed) delete b.script;
  }
  bool DoTask() override {
    PurgeBuried(true);
    if (!gBuried.empty()) return true;
    gInstance = nullptr;
    return false;
  }
};

void Bury(TScript* s) {
  gBuried.push_back({s, 0});
  if (TBurialTask::gInstance) return;
  if (TTaskList* list = TAnimatedSprite::GetTaskList()) list->AddTask(new TBurialTask());
}

void Dispose(TScript*& slot) {
  TScript* s = slot;
  slot = nullptr;
  if (!s) return;
  TTaskList* list = TAnimatedSprite::GetTaskList();
  if (IsBusy(s) || (list && list->IsRunning()))
    Bury(s);
  else
    delete s;
}

void PurgeOutsidePasses() {
  TTaskList* list = TAnimatedSprite::GetTaskList();
  if (!gBuried.empty() && !(list && list->IsRunning())) PurgeBuried(false);
}

}  // namespace

TClassId TAnimatedSprite::ClassId() {
  static const char token = 0;
  return &token;
}

TTaskList* TAnimatedSprite::GetTaskList() {
  if (TPlatform* platform = TPlatform::GetInstance()) return platform->GetTaskList();
  static TTaskList own;
  return &own;
}

size_t TAnimatedSprite::GetBuriedScriptCount() { return gBuried.size(); }

int32_t AnimationRandom(int32_t lo, int32_t hi) {
  // An empty range has only its low end (the modulo would divide by zero).
  if (hi <= lo) return lo;
  TPlatform* platform = TPlatform::GetInstance();
  uint32_t r = platform ? platform->Rand() : GetProgramRandom().genrand_int32();
  return (int32_t)((uint32_t)lo + r % ((uint32_t)hi - (uint32_t)lo));
}

TAnimatedSprite::TAnimatedSprite(int32_t layer) : TSprite(layer) {}

std::shared_ptr<TAnimatedSprite> TAnimatedSprite::Create(int32_t layer) {
  return std::shared_ptr<TAnimatedSprite>(new TAnimatedSprite(layer));
}

TAnimatedSprite::~TAnimatedSprite() {
  // The second pass disposes of what the first retired.
  for (int pass = 0; pass < 2; ++pass) {
    StopPlayThread();
    RetireMainScript();
  }
  PurgeOutsidePasses();
}

void TAnimatedSprite::PushFrame() {
  if (mState.animation) mState.animation->SetFrame(mState.currentFrame);
}

void TAnimatedSprite::Draw(const TDrawSpec& parent, uint32_t depth) {
  PushFrame();
  TSprite::Draw(parent, depth);
}

TRect TAnimatedSprite::GetRect(const TDrawSpec& parent) {
  bool mine = false;
  if (!mComputingRect && mState.animation) {
    mComputingRect = mine = true;
    PushFrame();
    int32_t rx = 0, ry = 0;
    mState.animation->GetFrameReg(mState.currentFrame, &rx, &ry);
    float x = (float)rx, y = (float)ry;
    // Mirrored about the frame's centre in floats: a point past the centre must not wrap.
    uint32_t flags = GetDrawSpec().mFlags;
    if (flags & TDrawSpec::kFlipHorizontal) {
      float half = (float)(uint32_t)mState.animation->GetWidth() / 2.0f;
      x = half - (x - half);
    }
    if (flags & TDrawSpec::kFlipVertical) {
      float half = (float)(uint32_t)mState.animation->GetHeight() / 2.0f;
      y = half - (y - half);
    }
    mRegistration = TVec2(x, y);
  }
  PushFrame();
  TRect r = TSprite::GetRect(parent);
  if (mine) mComputingRect = false;
  return r;
}

bool TAnimatedSprite::HitTest(const TVec2& point, int threshold) {
  PushFrame();
  return TSprite::HitTest(point, threshold);
}

void TAnimatedSprite::SetTexture(std::shared_ptr<TTexture> texture) {
  TSprite::SetTexture(texture);
  mState.animation = texture && texture->IsKindOf(TAnimatedTexture::ClassId())
                         ? std::static_pointer_cast<TAnimatedTexture>(texture)
                         : nullptr;
}

void TAnimatedSprite::SetCurrentFrame(int32_t frame) {
  if (frame < -1) return;
  mState.currentFrame = frame;
  if (mState.animation && frame < mState.animation->GetFrameCount()) mState.animation->SetFrame(frame);
}

int32_t TAnimatedSprite::GetFrameCount() const {
  return mState.animation ? mState.animation->GetFrameCount() : 1;
}

void TAnimatedSprite::SetClock(TClock* clock) {
  mState.clock = clock;
  if (mState.mainScript) mState.mainScript->SetClock(clock);
  if (mState.playThread) mState.playThread->SetClock(clock);
}

void TAnimatedSprite::StopPlayThread() {
  Dispose(mState.retiredThread);
  TScript* thread = mState.playThread;
  mState.playThread = nullptr;
  TTaskList* list = GetTaskList();
  // A thread the list no longer holds is someone else's (or gone): it is only forgotten.
  if (!thread || !list->Contains(thread)) return;
  // The thread's globals become the main state's again.
  if (mState.mainScript) RestoreMainGlobals(thread->GetState(), mState.mainScript->GetState());
  list->RemoveTask(thread);
  thread->StopTimer();
  mState.retiredThread = thread;
}

void TAnimatedSprite::RetireMainScript() {
  Dispose(mState.retiredScript);
  TScript* script = mState.mainScript;
  mState.mainScript = nullptr;
  TTaskList* list = GetTaskList();
  if (!script || !list->RemoveTask(script)) return;
  script->StopTimer();
  mState.retiredScript = script;
}

void TAnimatedSprite::InitScript() {
  StopPlayThread();
  RetireMainScript();
  PurgeOutsidePasses();
  TScript* script = new TScript();
  mState.mainScript = script;
  script->SetClock(mState.clock);
  GetTaskList()->AddTask(script);
  lua_State* L = script->GetState();
  int top = lua_gettop(L);
  lua_dobuffer(L, kAnimationLibrary, kAnimationLibrarySize, "ganimationscript");
  lua_settop(L, top);
  RegisterScriptFunctions(L);
  if (std::shared_ptr<TAnimatedTexture> animation = mState.animation) {
    TStr folder = animation->GetFolder();
    SetScriptPath(TStr::Format("?;?.lua;scripts/?;scripts/?.lua;%s?;%s?.lua", folder.c_str(), folder.c_str()));
    // The text may call Die, which retires the script: it stays alive until its slot is needed.
    script->DoLuaString(animation->GetScript());
  }
}

void TAnimatedSprite::StartPlayThread() {
  StopPlayThread();
  TScript* thread = mState.mainScript->NewThread();
  if (mState.clock) thread->SetClock(mState.clock);
  GetTaskList()->AddTask(thread);
  mState.playThread = thread;
}

void TAnimatedSprite::Play(TStr function) {
  if (!mState.mainScript) {
    if (!mState.animation) return;
    InitScript();
    if (!mState.mainScript) return;
  }
  StartPlayThread();
  if (function.IsEmpty()) return;
  lua_State* T = mState.playThread->GetState();
  lua_pushstring(T, function.c_str());
  lua_gettable(T, LUA_GLOBALSINDEX);
  if (lua_resume(T, 0) != 0) {
    const char* message = lua_tostring(T, -1);
    LogError("TAnimatedSprite::Play: lua_resume error: %s", message ? message : "");
  }
}

void TAnimatedSprite::Die() {
  StopPlayThread();
  RetireMainScript();
}

void TAnimatedSprite::Pause(bool stop, uint32_t depth) {
  if (!mState.playThread) return;
  if (mState.mainScript) {
    if (stop)
      mState.playThread->StopTimer();
    else
      mState.playThread->SetTimer(1, true, true, false);
  }
  if (depth == 0) return;
  std::vector<std::shared_ptr<TSprite>> children = GetChildren();
  for (const auto& child : children)
    if (child->IsKindOf(ClassId())) static_cast<TAnimatedSprite*>(child.get())->Pause(stop, depth - 1);
}

bool TAnimatedSprite::IsPlaying(uint32_t depth) {
  if (mState.playThread && mState.playThread->IsYielded()) return true;
  if (depth == 0) return false;
  std::vector<std::shared_ptr<TSprite>> children = GetChildren();
  for (const auto& child : children)
    if (child->IsKindOf(ClassId()) && static_cast<TAnimatedSprite*>(child.get())->IsPlaying(depth - 1)) return true;
  return false;
}
