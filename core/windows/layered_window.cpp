// TLayeredWindow.
#include "core/windows/layered_window.h"

#include <algorithm>

#include "core/base/log.h"
#include "core/windows/window_spider.h"

TLayeredWindow::TLayeredWindow(uint32_t layerCount) : mLayers(layerCount) {}

TWindow* TLayeredWindow::ClassId() {
  return reinterpret_cast<TWindow*>(reinterpret_cast<void*>(&TLayeredWindow::ClassId));
}

bool TLayeredWindow::AddChild(TWindow* child, bool notify) {
  if (!TWindow::AddChild(child, notify)) return false;
  if (mCurrentLayer == kAllLayers) {
    for (auto& layer : mLayers) layer.push_back(child);
  } else if (mCurrentLayer < mLayers.size()) {
    mLayers[mCurrentLayer].push_back(child);
  }
  return true;
}

void TLayeredWindow::RemoveChild(TWindow* child) {
  TWindow::RemoveChild(child);
  for (auto& layer : mLayers) layer.erase(std::remove(layer.begin(), layer.end(), child), layer.end());
}

void TLayeredWindow::SelectLayer(uint32_t layer) {
  if (layer == mCurrentLayer) return;
  // A layer past the count would index past the lists.
  if (layer != kAllLayers && layer >= mLayers.size()) {
    LogError("TLayeredWindow::SelectLayer: no layer %u in '%s' (%u layers)", layer, mName.c_str(),
             (unsigned)mLayers.size());
    return;
  }
  mCurrentLayer = layer;
  TWindowClearFlags disable(~(uint32_t)kWindowEnabled, false);
  ForEachChild(disable);
  uint32_t shown = layer == kAllLayers ? 0 : layer;
  if (shown < mLayers.size())
    for (TWindow* w : mLayers[shown]) w->SetFlags(w->GetFlags() | kWindowEnabled);
  RequestRedraw();
}
