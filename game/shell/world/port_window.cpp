// The port screen: its task, the opening fade, hover and glow, clicks, music.
#include "game/shell/world/port_window.h"

#include <cmath>

#include "core/base/random.h"
#include "core/base/saturate.h"
#include "core/graphics/draw_spec.h"
#include "core/graphics/renderer.h"
#include "core/graphics/sprites/sprite.h"
#include "core/graphics/texture.h"
#include "core/script/lua_table.h"
#include "core/windows/modal_window.h"
#include "core/windows/window_host.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_style.h"
#include "game/shell/editors/path_sprite.h"
#include "game/shell/sound_bridge.h"
#include "game/shell/window_fader.h"
#include "game/shell/world/rollover.h"
#include "game/shell/world/world_drawing.h"
#include "game/shell/world/world_script.h"

namespace {

PortWindow* gPort = nullptr;
PortCurveEditing gCurveEditing;

constexpr int kHitAlpha = 128;

void Invalidate() {
  if (TWindowManager* manager = TWindowManager::Get()) manager->Invalidate();
}

void ShowLabel(TWindow* label, float alpha) {
  if (!label) return;
  label->SetFlags(label->GetFlags() | kWindowEnabled);
  SetTreeAlpha(label, alpha);
}

}  // namespace

PortAnimTask::~PortAnimTask() {
  if (mWindow) mWindow->mAnimTask = nullptr;
}

bool PortAnimTask::Animate() {
  if (!mWindow) return false;
  mWindow->Animate();
  return true;
}

PortWindow::PortWindow() { gPort = this; }

PortWindow::~PortWindow() {
  if (gPort == this) gPort = nullptr;
  if (mAnimTask) {
    mAnimTask->mWindow = nullptr;
    TWindowHost* host = WorldHost();
    // Handed back by the list (also mid-pass), so it is ours to delete.
    if (host && host->GetTaskList().RemoveTask(mAnimTask)) delete mAnimTask;
  }
}

TWindow* PortWindow::Create() { return new PortWindow; }

PortWindow* PortWindow::Get() { return gPort; }

void PortWindow::SetCurveEditing(const PortCurveEditing& editing) { gCurveEditing = editing; }

uint32_t PortWindow::Now() const {
  if (mAnimTask) return mAnimTask->GetTime();
  TWindowHost* host = WorldHost();
  return host ? host->GetTime() : 0;
}

void PortWindow::Init(TWindowStyle& style) {
  TWindow::Init(style);
  mBackground = TSprite::Create(0, TTexture::Get(style.GetString("background", TStr()), 0));
  mBackground->GetDrawSpec().SetOrigin(TVec2(0, 0));
  if (TModalWindow* modal = GetParentModal()) modal->SetFocus(this);
  mGlobals.Bind("PausePortAnimations", this, &PortWindow::PausePortAnimations);
}

void PortWindow::PostChildrenInit(TWindowStyle& style) {
  TWindow::PostChildrenInit(style);
  // Without a scene table the port is its background alone.
  if (std::unique_ptr<TLuaTable> port{style.GetTable("port")}) {
    BuildBuildings(port.get());
    BuildScene(port.get());
  }
  mAnimTask = new PortAnimTask(this);
  if (TWindowHost* host = WorldHost()) host->GetTaskList().AddTask(mAnimTask);
  mAnimTask->SetTimer(kTickMs, true, true, true);
  SetSceneTint(TColor(kDarkTint, kDarkTint, kDarkTint, 1.0f));
  mFadeStart = mLastAnimate = Now();
  mMusicDue = Now() + SaturateToUInt32(std::trunc(style.GetNumber("musicDelay", 25000)));
}

void PortWindow::SetSceneTint(const TColor& colour) {
  mBackground->GetDrawSpec().mColor = colour;
  for (const std::shared_ptr<TSprite>& sprite : mTintedSprites) sprite->GetDrawSpec().mColor = colour;
}

bool PortWindow::Animate() {
  uint32_t now = Now();
  if ((int32_t)(mLastAnimate - (mFadeStart + kFadeMs)) <= 0) {
    uint32_t e = now - mFadeStart;
    float b = e < kFadeMs ? kDarkTint + (float)e * (1.0f - kDarkTint) / (float)kFadeMs : 1.0f;
    SetSceneTint(TColor(b, b, b, 1.0f));
    if (e > 1000) {
      float a = std::max(0.0f, 2.0f - (float)e / 1000.0f);
      for (size_t i = 0; i < mBuildings.size(); i++)
        if (i != mHovered) ShowLabel(mBuildings[i].label, a);
    }
  }
  mLastAnimate = now;

  if (mHovered != kNone) {
    Building& hovered = mBuildings[mHovered];
    mPulsePhase = (mPulsePhase + kTickMs) % kPulseMs;
    float p = (float)mPulsePhase / (kPulseMs / 2);
    if (p > 1) p = 2 - p;
    float alpha = p <= 0.4f ? 0.8f : 1.0f - 0.5f * p;
    TDrawSpec& glow = hovered.highlight->GetDrawSpec();
    glow = TDrawSpec(hovered.highlight->GetPosition(), alpha, 1.0f + hovered.pulse * p, 0);
    // Added to the scene behind the building, the larger copy lights its surroundings.
    glow.mBlendMode = kBlendAdditive;
  }

  for (const std::shared_ptr<TPathSprite>& sprite : mPathSprites) sprite->Update(kTickMs);
  if ((int32_t)(now - mMusicDue) >= 0) ChangeMusic();
  Invalidate();
  return true;
}

void PortWindow::ChangeMusic() {
  uint32_t wait;
  if (mMusicPlaying) {
    mMusicPlaying = 0;
    SoundEvent("Stop_Music");
    wait = (uint32_t)RandomInRange(10000, 15000);
  } else {
    mMusicPlaying = 1;
    SoundEvent(TStr::Format("port_music%lu", (unsigned long)RandomInRange(1, 3)));
    wait = (uint32_t)RandomInRange(40000, 60000);
  }
  mMusicDue = Now() + wait;
}

void PortWindow::Draw() { DrawSpriteAt(mBackground, this); }

size_t PortWindow::FindBuildingAt(TPoint point) {
  TVec2 at((float)point.x, (float)point.y);
  size_t found = kNone;
  for (size_t i = 0; i < mBuildings.size(); i++) {
    TSprite& sprite = *mBuildings[i].sprite;
    if (found != kNone && sprite.GetLayer() <= mBuildings[found].sprite->GetLayer()) continue;
    if (sprite.HitTest(at, kHitAlpha)) found = i;
  }
  return found;
}

bool PortWindow::OnMouseMove(TPoint point) {
  size_t b = FindBuildingAt(point);
  if (b == mHovered) return false;
  if (mHovered != kNone) ClearHover();
  mHovered = b;
  if (b != kNone) {
    mBuildings[b].highlight->SetVisible(true);
    ShowLabel(mBuildings[b].label, 1.0f);
    mPulsePhase = 0;
  }
  return false;
}

void PortWindow::ClearHover() {
  Building& hovered = mBuildings[mHovered];
  hovered.highlight->SetVisible(false);
  if (hovered.label) hovered.label->SetFlags(hovered.label->GetFlags() & ~kWindowEnabled);
  mPulsePhase = 0;
  Invalidate();
}

TWindow* PortWindow::FindCurveEditor() {
  if (!gCurveEditing.editorClass) return nullptr;
  TWindow* editor = FindChild("curve_editor", -1);
  if (!editor || !editor->IsKindOf(gCurveEditing.editorClass) || !(editor->GetFlags() & kWindowEnabled)) return nullptr;
  return editor;
}

bool PortWindow::OnMouseDown(TPoint point) {
  if (TWindow* editor = FindCurveEditor()) {
    TPoint local = point;
    LocalToScreen(local);
    editor->ScreenToLocal(local);
    if (editor->OnMouseDown(local)) return true;
    TVec2 at((float)point.x, (float)point.y);
    for (const std::shared_ptr<TPathSprite>& sprite : mPathSprites) {
      if (!sprite->HitTest(at, kHitAlpha)) continue;
      if (gCurveEditing.setCurve) gCurveEditing.setCurve(editor, sprite->GetCurve());
      break;
    }
    return false;
  }
  mPressed = FindBuildingAt(point);
  return mPressed != kNone;
}

bool PortWindow::OnMouseUp(TPoint point) {
  size_t pressed = mPressed;
  mPressed = kNone;
  if (pressed == kNone || FindBuildingAt(point) != pressed) return false;
  if (mHovered != kNone) {
    ClearHover();
    mHovered = kNone;
  }
  // Building names come from data: the call is made safe for any name.
  RunScriptText(TStr("gCurrentBuilding=nil;") + ScriptMethodCall(mBuildings[pressed].name, "OnClick"));
  return true;
}

void PortWindow::OnActivationChange() {
  if (!mAnimTask) return;
  TWindowHost* host = WorldHost();
  if (host && !host->IsWindowActive())
    mAnimTask->StopTimer();
  else if (!mAnimPaused)
    mAnimTask->SetTimer(kTickMs, true, true, true);
}

void NotifyPortActivation() {
  if (PortWindow* port = PortWindow::Get()) port->OnActivationChange();
}
