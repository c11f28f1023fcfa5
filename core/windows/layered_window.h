// TLayeredWindow: keeps its children in a fixed number of layers and shows one layer at a time
// (a button shows one image per state this way).
#pragma once

#include <cstdint>
#include <vector>

#include "core/windows/window.h"

class TLayeredWindow : public TWindow {
 public:
  static constexpr uint32_t kAllLayers = 0xFFFFFFFFu;

  explicit TLayeredWindow(uint32_t layerCount);

  const char* GetClassName() const override { return "TLayeredWindow"; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &TLayeredWindow::ClassId || TWindow::IsKindOf(classId);
  }
  // The class identity (the class has no factory).
  static TWindow* ClassId();

  // A child goes into the current layer, or into every layer while all are current.
  bool AddChild(TWindow* child, bool notify) override;
  void RemoveChild(TWindow* child) override;

  // Disables every child, then enables the windows of the layer (layer 0 for kAllLayers).
  void SelectLayer(uint32_t layer);
  uint32_t GetCurrentLayer() const { return mCurrentLayer; }
  uint32_t GetLayerCount() const { return (uint32_t)mLayers.size(); }
  const std::vector<TWindow*>& GetLayer(uint32_t layer) const { return mLayers[layer]; }

 protected:
  uint32_t mCurrentLayer = 0;
  std::vector<std::vector<TWindow*>> mLayers;
};
