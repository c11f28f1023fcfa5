// TSprite: the retained-mode drawing node. A tree of sprites, each with an optional texture, a
// drawing spec, a visibility flag and a layer that orders it among its siblings; drawn children
// of negative layer first, then the sprite's own texture, then the rest. The live-sprite count
// is kept in the setting "current_sprite_count".
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/base/asset.h"
#include "core/base/rect.h"
#include "core/base/vec2.h"
#include "core/graphics/draw_spec.h"

class TTexture;

class TSprite : public std::enable_shared_from_this<TSprite> {
 public:
  // Draw depth that reaches every descendant.
  static constexpr uint32_t kAllDepths = 0xFFFFFFFFu;

  // A new sprite on the layer, with the texture when one is given.
  static std::shared_ptr<TSprite> Create(int32_t layer = 0, std::shared_ptr<TTexture> texture = nullptr);

  static TClassId ClassId();
  virtual const char* GetClassName() const { return "TSprite"; }
  virtual bool IsKindOf(TClassId id) const { return id == ClassId(); }
  virtual ~TSprite();
  // Draws the sprite inside the parent's spec and, depth permitting, its children (depth 0:
  // the sprite alone, 1: with its direct children, ...).
  virtual void Draw(const TDrawSpec& parent, uint32_t depth = kAllDepths);
  // True when the child was there; its parent link is cleared.
  virtual bool RemoveChild(std::shared_ptr<TSprite> child);
  // What the sprite's texture covers under the combined spec, united with its children's; empty
  // when nothing is drawn.
  virtual TRect GetRect(const TDrawSpec& parent);
  // Pixel-exact: true when the pixel under the point (in the parent's space) has at least the
  // threshold's alpha.
  virtual bool HitTest(const TVec2& point, int threshold);
  virtual void SetTexture(std::shared_ptr<TTexture> texture);
  // Stable sort by layer, ascending.
  virtual void SortChildren();

  // Moves the child here from any other parent; a child already here stays where it is. A
  // sprite never becomes its own ancestor.
  void AddChild(std::shared_ptr<TSprite> child);
  void RemoveAllChildren();
  // Re-sorts the parent's children when the layer changed.
  void SetLayer(int32_t layer);
  int32_t GetLayer() const { return mLayer; }
  void SetVisible(bool visible) { mVisible = visible; }
  bool IsVisible() const { return mVisible; }
  std::shared_ptr<TTexture> GetTexture() const { return mTexture; }
  TSprite* GetParent() const { return mParent; }
  const std::vector<std::shared_ptr<TSprite>>& GetChildren() const { return mChildren; }

  TDrawSpec& GetDrawSpec() { return mSpec; }
  const TDrawSpec& GetDrawSpec() const { return mSpec; }
  void SetPosition(const TVec2& p) { mSpec.SetPosition(p); }
  TVec2 GetPosition() const { return mSpec.GetPosition(); }
  void SetAlpha(float alpha) { mSpec.mAlpha = alpha; }
  float GetAlpha() const { return mSpec.mAlpha; }

  // Sprites alive now.
  static int32_t GetLiveCount();

  TSprite(const TSprite&) = delete;
  TSprite& operator=(const TSprite&) = delete;

 protected:
  explicit TSprite(int32_t layer);

 private:
  TSprite* mParent = nullptr;
  bool mVisible = true;
  int32_t mLayer = 0;
  std::shared_ptr<TTexture> mTexture;
  TDrawSpec mSpec;
  std::vector<std::shared_ptr<TSprite>> mChildren;  // sorted by layer
};
