// TWindowAnim.
#include "core/windows/window_anim.h"

#include "core/windows/window.h"

TWindowAnim::~TWindowAnim() { Detach(); }

bool TWindowAnim::Animate() { return mWindow ? mWindow->OnAnimate() : false; }

void TWindowAnim::Detach() {
  if (mWindow && mWindow->mAnim == this) mWindow->mAnim = nullptr;
  mWindow = nullptr;
}
