// Transitions. The window manager owns its message listeners and deletes them when it goes,
// while the task list owns the transitions: so a transition registers a small listener of its
// own rather than itself, and the two forget each other whichever goes first.
#include "game/shell/world/qrn_transition.h"

#include <cmath>

#include "core/base/saturate.h"

#include "core/script/lua_function.h"
#include "core/windows/message.h"
#include "core/windows/window.h"
#include "core/windows/window_host.h"
#include "core/windows/window_manager.h"
#include "core/windows/widgets/image.h"
#include "game/shell/editors/curve.h"
#include "game/shell/window_fader.h"

struct QRNTransition::Link {
  QRNTransition* transition = nullptr;
  Listener* listener = nullptr;
  TWindowManager* manager = nullptr;
};

class QRNTransition::Listener : public TMessageListener {
 public:
  explicit Listener(std::shared_ptr<Link> link) : mLink(std::move(link)) {}
  ~Listener() override {
    mLink->listener = nullptr;
    if (mLink->transition) mLink->transition->OnManagerGone();
  }
  bool OnMessage(TMessage* message) override {
    if (mLink->transition) mLink->transition->OnMessage(message);
    return false;
  }

 private:
  std::shared_ptr<Link> mLink;
};

namespace {

TWindow* FindBySerial(TWindow* window, uint32_t serial) {
  if (!window) return nullptr;
  if (window->GetSerial() == serial) return window;
  for (TWindow* child : window->GetChildren())
    if (TWindow* found = FindBySerial(child, serial)) return found;
  return nullptr;
}

// Calls the function and drops what it left on the stack.
void CallEndFunction(std::unique_ptr<TLuaFunction>& onEnd) {
  std::unique_ptr<TLuaFunction> function = std::move(onEnd);
  if (!function) return;
  lua_State* L = function->GetState();
  int top = lua_gettop(L);
  function->Call();
  lua_settop(L, top);
}

}  // namespace

TWindow* FindLiveWindow(uint32_t serial) {
  TWindowManager* manager = TWindowManager::Get();
  if (!manager) return nullptr;
  if (TWindow* found = FindBySerial(manager->GetScreen(), serial)) return found;
  // Every modal window lies below the first one pushed.
  TWindow* bottom = manager->GetTopModal();
  while (bottom && bottom->GetParent()) bottom = bottom->GetParent();
  return bottom == manager->GetScreen() ? nullptr : FindBySerial(bottom, serial);
}

QRNTransition::QRNTransition(TWindow* window, uint32_t duration, TLuaFunction* onEnd)
    : mWindowSerial(window->GetSerial()),
      mOnEnd(onEnd),
      mRunning(std::make_shared<bool>(true)),
      mDuration(duration),
      mLink(std::make_shared<Link>()) {
  mStartTime = GetTime();
  mLink->transition = this;
  if (TWindowManager* manager = TWindowManager::Get()) {
    if (TWindow* top = manager->GetTopModal()) mModalId = top->GetIdString();
    mLink->manager = manager;
    mLink->listener = new Listener(mLink);
    manager->AddMessageListener(mLink->listener);
  }
}

QRNTransition::~QRNTransition() {
  mLink->transition = nullptr;
  if (Listener* listener = mLink->listener) {
    mLink->manager->RemoveMessageListener(listener);
    delete listener;
  }
  *mRunning = false;
}

std::shared_ptr<bool> QRNTransition::Start(QRNTransition* transition) {
  *transition->mRunning = true;
  std::shared_ptr<bool> running = transition->mRunning;
  TWindowManager* manager = TWindowManager::Get();
  if (!manager) {
    delete transition;
    return running;
  }
  manager->GetHost().GetTaskList().AddTask(transition);
  transition->SetTimer(kTickMs, true, true, false);
  return running;
}

bool QRNTransition::Animate() {
  if (!*mRunning) return false;
  TWindow* window = FindLiveWindow(mWindowSerial);
  if (!window) {
    End();
    return false;
  }
  window->SetFlags(window->GetFlags() | kWindowEnabled);
  uint32_t elapsed = GetTime() - mStartTime;
  bool last = elapsed >= mDuration;
  mProgress = last ? 1.0f : (float)elapsed / (float)mDuration;
  Apply(window);
  if (TWindowManager* manager = TWindowManager::Get()) manager->Invalidate();
  if (!last) return true;
  End();
  return false;
}

void QRNTransition::End() {
  *mRunning = false;
  CallEndFunction(mOnEnd);
}

void QRNTransition::OnMessage(TMessage* message) {
  if (message->GetType() == kModalClosed && message->GetName() == mModalId && *mRunning) End();
}

void QRNTransition::OnManagerGone() {
  mOnEnd.reset();
  *mRunning = false;
}

void FadeTransition::Apply(TWindow* window) {
  SetTreeAlpha(window, (mOut ? 1.0f - GetProgress() : GetProgress()) * mAlpha);
}

void SwipeTransition::Apply(TWindow* window) {
  float p = GetProgress();
  window->SetPosition(SaturateToInt32(std::trunc(mStartX + ((float)mEndX - (float)mStartX) * p)),
                      SaturateToInt32(std::trunc(mStartY + ((float)mEndY - (float)mStartY) * p)));
}

CurveTransition::CurveTransition(TWindow* window, std::shared_ptr<TCurve> curve, uint32_t duration,
                                 TLuaFunction* onEnd)
    : QRNTransition(window, duration, onEnd), mCurve(std::move(curve)) {}

void CurveTransition::Apply(TWindow* window) {
  TVec2 q = PathPoint(mCurve, GetProgress());
  window->SetPosition(SaturateToInt32(std::trunc(q.x + 0.5f)), SaturateToInt32(std::trunc(q.y + 0.5f)));
}

void ZoomInTransition::Apply(TWindow* window) {
  if (!window->IsKindOf(&TImage::GetFactory)) return;
  TImage* image = static_cast<TImage*>(window);
  image->SetTexture(image->GetTexture(), GetProgress());
}
