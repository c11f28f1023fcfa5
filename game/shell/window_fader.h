// TWindowFader: gives one alpha to a window and every window below it, whatever their classes
// (texts, pictures and game windows take it; other windows keep theirs, their children still
// take it). SetTreeAlpha runs one over a subtree.
#pragma once

#include "core/windows/window_spider.h"

class TWindowFader : public TWindowSpider {
 public:
  explicit TWindowFader(float alpha) : mAlpha(alpha) {}
  // Gives the window the alpha, then visits its children; never stops a walk.
  bool Process(TWindow* window) override;

 private:
  float mAlpha;
};

void SetTreeAlpha(TWindow* window, float alpha);
