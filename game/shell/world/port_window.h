// PortWindow: the screen of one port, a scene built from the port's scene table (port_scene.cpp):
// clickable buildings over a background, with still, animated and path-walking decoration. It
// brightens from dark as it opens while the buildings' names show for a moment and fade, gives
// the building under the mouse a pulsing glow and its name, runs the building's OnClick when it
// is clicked, drives the path sprites, and alternates port tunes with silence. Script type
// "PortWindow"; NotifyPortActivation holds the scene while the program is in the background.
//
// While scenes are authored a curve editor named "curve_editor" may lie in the port: it takes
// presses first, and a click on a path sprite hands it that sprite's path (PortCurveEditing).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/base/anim_task.h"
#include "core/base/color.h"
#include "core/base/str.h"
#include "core/windows/window.h"
#include "game/shell/script_globals.h"

class TCurve;
class TLuaTable;
class TPathSprite;
class TSprite;
class TTexture;

class PortWindow;

// The port's 50 ms animation task; the window owns it.
class PortAnimTask : public TAnimTask {
 public:
  explicit PortAnimTask(PortWindow* window) : mWindow(window) {}
  ~PortAnimTask() override;
  bool Animate() override;

 private:
  friend class PortWindow;
  PortWindow* mWindow;  // cleared when the window goes first
};

// How the port reaches a curve editor lying in it, given by the editors' set-up: the editor's
// class identity, and the hand-over of a path.
struct PortCurveEditing {
  TWindowFactory editorClass = nullptr;
  void (*setCurve)(TWindow* editor, std::shared_ptr<TCurve> curve) = nullptr;
};

class PortWindow : public TWindow {
 public:
  static constexpr uint32_t kTickMs = 50;
  static constexpr uint32_t kFadeMs = 2000;
  static constexpr uint32_t kPulseMs = 3000;
  static constexpr float kDarkTint = 0.25f;

  struct Building {
    TStr name;
    std::shared_ptr<TSprite> sprite;
    std::shared_ptr<TSprite> highlight;
    TWindow* label = nullptr;  // the script's label window, not owned; null without one
    float pulse = 0.0f;        // the glow's extra scale at its peak
  };
  static constexpr size_t kNone = (size_t)-1;

  PortWindow();
  ~PortWindow() override;

  static TWindow* Create();
  const char* GetClassName() const override { return "PortWindow"; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &PortWindow::Create || TWindow::IsKindOf(classId);
  }
  // The live port window, or null.
  static PortWindow* Get();
  // Set by the editors' set-up; without it presses never go to an editor.
  static void SetCurveEditing(const PortCurveEditing& editing);

  // Key "background".
  void Init(TWindowStyle& style) override;
  // Keys "port" (the scene table) and "musicDelay"; builds the scene and starts the task.
  void PostChildrenInit(TWindowStyle& style) override;
  void Draw() override;
  bool OnMouseDown(TPoint point) override;
  bool OnMouseUp(TPoint point) override;
  bool OnMouseMove(TPoint point) override;
  bool OnKeyDown(uint8_t key, uint32_t modifiers) override { return false; }
  // One 50 ms step: opening fade, glow, path sprites, music.
  virtual bool Animate();

  // Script function (port_window_script.cpp).
  void PausePortAnimations(bool paused);
  void OnActivationChange();

  // The scene table's parts (port_scene.cpp).
  void BuildBuildings(TLuaTable* port);
  void BuildScene(TLuaTable* port);

  // The building whose picture is under the point (window coordinates), or kNone.
  size_t FindBuildingAt(TPoint point);
  void SetSceneTint(const TColor& colour);

  const std::vector<Building>& GetBuildings() const { return mBuildings; }
  const std::vector<std::shared_ptr<TSprite>>& GetTintedSprites() const { return mTintedSprites; }
  const std::vector<std::shared_ptr<TPathSprite>>& GetPathSprites() const { return mPathSprites; }
  const std::shared_ptr<TSprite>& GetBackground() const { return mBackground; }
  size_t GetHovered() const { return mHovered; }
  PortAnimTask* GetAnimTask() const { return mAnimTask; }
  uint32_t GetMusicDue() const { return mMusicDue; }
  bool IsMusicPlaying() const { return mMusicPlaying != 0; }
  bool IsAnimPaused() const { return mAnimPaused; }

 private:
  friend class PortAnimTask;
  void ChangeMusic();
  void ClearHover();
  TWindow* FindCurveEditor();
  uint32_t Now() const;

  bool mAnimPaused = false;
  PortAnimTask* mAnimTask = nullptr;
  uint32_t mFadeStart = 0;
  uint32_t mLastAnimate = 0;
  uint32_t mPulsePhase = 0;
  std::shared_ptr<TSprite> mBackground;
  uint32_t mMusicDue = 0;
  uint32_t mMusicPlaying = 1;
  std::vector<Building> mBuildings;
  size_t mHovered = kNone;
  size_t mPressed = kNone;
  std::vector<std::shared_ptr<TSprite>> mTintedSprites;
  std::vector<std::shared_ptr<TPathSprite>> mPathSprites;
  TScriptGlobals mGlobals;
};

// The glow's extra scale at its peak for a building picture of that size: at most 20 % and at
// most 50 units in either direction.
float GlowPulse(float width, float height);

// The game's activation hook: tells the live port window, if any.
void NotifyPortActivation();
