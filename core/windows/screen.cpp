// TScreen.
#include "core/windows/screen.h"

#include "core/windows/window_host.h"
#include "core/windows/window_manager.h"

TScreen::TScreen() {
  mFlags |= kWindowRenderTarget | kWindowOpaque;
  mName = "_screen_";
}

TWindow* TScreen::ClassId() { return reinterpret_cast<TWindow*>(reinterpret_cast<void*>(&TScreen::ClassId)); }

void TScreen::Draw() {
  TWindowManager* manager = TWindowManager::Get();
  if (!manager) return;
  TWindowHost& host = manager->GetHost();
  if (!mFillNever && (mFillAlways || manager->GetTopModal() == this)) host.FillRect(host.GetViewport(), mClearColor);
  if (manager->GetRenderTarget()) host.DrawTexture(manager->GetRenderTarget());
}
