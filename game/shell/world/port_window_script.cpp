// The port's script function PausePortAnimations.
#include "game/shell/world/port_window.h"

void PortWindow::PausePortAnimations(bool paused) {
  mAnimPaused = paused;
  if (!mAnimTask) return;
  if (paused)
    mAnimTask->StopTimer();
  else
    mAnimTask->SetTimer(kTickMs, true, true, true);
}
