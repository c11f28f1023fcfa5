// TCurveEditor: the authoring tool for the moving figures of the port scenes. It shows a port's
// picture with its buildings and still sprites, lets the author place (A held) and drag the
// control points of a curve, plays an animated figure along it as the port would, and on C puts
// a line of scene script (a CreateSprite call with the figure's image, time, layer, scales and
// path) on the clipboard. While D is held clicks are ignored. Presses that hit no point or
// handle, and ignored ones, are declined, so a port hosting the editor can pick the path sprite
// under them and hand its curve over (SetCurve). Script type "CurveEditor".
#pragma once

#include <cstdint>
#include <memory>

#include "core/base/str.h"
#include "core/base/vec2.h"
#include "core/windows/window.h"
#include "game/shell/script_globals.h"

class TAnimatedSprite;
class TCurve;
class TLuaTable;
class TSprite;

class TCurveEditor : public TWindow {
 public:
  enum Mode : int32_t { kNormal = 0, kAdding = 1, kIgnoring = 2 };
  static constexpr uint8_t kKeyAdd = 65, kKeyCopy = 67, kKeyIgnore = 68;  // A, C, D
  static constexpr float kPickRadius = 5.0f;   // scene units
  static constexpr float kHandleSize = 5.0f;   // half the drawn handle, screen pixels
  static constexpr uint32_t kTickMs = 20;
  // The zoom is kept within these: at 0 no point on the screen would have a place in the scene.
  static constexpr float kMinZoom = 0.01f, kMaxZoom = 16.0f;

  TCurveEditor();
  ~TCurveEditor() override;

  static TWindow* Create();
  const char* GetClassName() const override { return "TCurveEditor"; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &TCurveEditor::Create || TWindow::IsKindOf(classId);
  }

  // Key "background" (the scene's picture); binds SetAnimScale, UpdateAnimTime, UpdateAnimLayer
  // and SetAnimSprite, handed back when the editor goes.
  void Init(TWindowStyle& style) override;
  // Key "port" (its buildings and still sprites join the scene); the sliders "scaleslider",
  // "farslider", "nearslider" take the present values; the preview starts.
  void PostChildrenInit(TWindowStyle& style) override;
  void Draw() override;
  bool OnMessage(TMessage* message) override;
  bool OnAnimate() override;
  bool OnMouseDown(TPoint point) override;
  bool OnMouseUp(TPoint point) override;
  bool OnMouseMove(TPoint point) override;
  bool OnKeyDown(uint8_t key, uint32_t modifiers) override;
  bool OnKeyUp(uint8_t key) override;

  // Script functions.
  void SetAnimScale(double zoom);
  void UpdateAnimTime();
  void UpdateAnimLayer();
  void SetAnimSprite(TStr name);

  // The curve to edit (a path sprite's, handed over by a port): shared, so the figure follows
  // the edits. Null edits a new empty curve.
  void SetCurve(std::shared_ptr<TCurve> curve);
  // The scene script line the copy key puts on the clipboard.
  TStr GetScriptLine() const;

  const std::shared_ptr<TCurve>& GetCurve() const { return mCurve; }
  const std::shared_ptr<TSprite>& GetScene() const { return mScene; }
  const std::shared_ptr<TAnimatedSprite>& GetPreview() const { return mPreview; }
  int32_t GetMode() const { return mMode; }
  int32_t GetSelected() const { return mSelected; }
  float GetZoom() const { return mZoom; }
  TVec2 GetOffset() const { return TVec2(mOffsetX, mOffsetY); }
  float GetFarScale() const { return mFarScale; }
  float GetNearScale() const { return mNearScale; }
  uint32_t GetTime() const { return mTime; }
  const TStr& GetAnimImage() const { return mAnimImage; }
  // The scene point under a point of the window.
  TVec2 ScenePoint(TPoint point) const;

 private:
  void AddPort(TLuaTable* port);
  void UpdatePreview();
  // The control point pressed: within the pick radius, else under its drawn handle; -1 none.
  int32_t PointAt(TPoint point) const;

  std::shared_ptr<TSprite> mScene;
  std::shared_ptr<TSprite> mBackground;
  int32_t mMode = kNormal;
  int32_t mSelected = -1;
  std::shared_ptr<TCurve> mCurve;
  TStr mSpriteName;
  TStr mAnimImage;
  float mZoom = 0.5f;
  float mOffsetX = 0, mOffsetY = 0;
  float mFarY = 0, mNearY = 600;
  float mFarScale = 1.0f, mNearScale = 1.0f;
  std::shared_ptr<TAnimatedSprite> mPreview;
  uint32_t mClock = 0;
  uint32_t mTime = 5000;
  TScriptGlobals mGlobals;
};
