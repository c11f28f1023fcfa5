// TQRNWindow: the base of the game's windows that have a background. It can fill its rectangle
// with a translucent colour, draw a frame around itself from a nine-piece animated picture
// (corners, tiled edges, an optional ornament on top), fade itself and everything inside it to
// one alpha, swallow the mouse so that clicks stay off the windows below, and turn right-button
// events into two operations that derived windows override. Script type "QRNWindow".
#pragma once

#include <memory>

#include "core/base/color.h"
#include "core/windows/window.h"

class TAnimatedTexture;
class TText;

class TQRNWindow : public TWindow {
 public:
  TQRNWindow();
  ~TQRNWindow() override;

  // Makes a new window; the class identity.
  static TWindow* Create();
  const char* GetClassName() const override { return "TQRNWindow"; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &TQRNWindow::Create || TWindow::IsKindOf(classId);
  }

  // Keys "swallowmouse", "frame" (an animation, ".xml" added unless the name holds it), "color"
  // (whose alpha, when from 0 to 1, also fades the children) and "fill".
  void PostChildrenInit(TWindowStyle& style) override;
  void Draw() override;
  bool OnMouseDown(TPoint point) override { return mSwallowMouse; }
  bool OnOtherMouseEvent(TPoint point, uint32_t button) override;
  bool OnMouseUp(TPoint point) override { return mSwallowMouse; }
  bool OnMouseMove(TPoint point) override { return mSwallowMouse; }
  virtual bool OnRightMouseDown(TPoint point) { return false; }
  virtual bool OnRightMouseUp(TPoint point) { return false; }

  // An alpha outside 0..1 changes nothing; with fadeChildren the whole subtree takes it too.
  void SetAlpha(float alpha, bool fadeChildren);
  float GetAlpha() const { return mColor.a; }
  const TColor& GetColor() const { return mColor; }
  bool GetFill() const { return mFill; }
  bool GetSwallowMouse() const { return mSwallowMouse; }
  const std::shared_ptr<TAnimatedTexture>& GetFrame() const { return mFrame; }

 protected:
  void DrawFrame();

  std::shared_ptr<TAnimatedTexture> mFrame;
  bool mFill = true;
  TColor mColor;
  bool mSwallowMouse = false;
};

// Fills a screen rectangle: an alpha of exactly 1 replaces what is there, 0 or less draws
// nothing, anything between blends.
void FillRectAlpha(const TRect& rect, const TColor& color);

// The descendant text window of that name (depth as TWindow::FindChild); null when there is
// none or it is not a text window. Game windows fill the texts their scripts declare through it.
TText* FindChildText(TWindow* window, const TStr& name, int depth = -1);
