// TSprite: the sprite tree, its drawing order, bounds, the pixel-exact hit test and the count of
// live sprites.
#include "core/graphics/sprites/sprite.h"

#include <algorithm>
#include <cmath>

#include "core/base/settings.h"
#include "core/graphics/renderer.h"
#include "core/graphics/texture.h"
#include "core/graphics/texture_data.h"

namespace {

int32_t gLiveSprites = 0;                       // main thread only
std::shared_ptr<TTexture> gHitTestTarget;       // main thread only; kept while any sprite lives

// The pixel under the point lands here in the hit-test target.
constexpr int kHitPixel = 1;
constexpr int kHitTargetSide = 4;
// Render-target copy that turns what was drawn into the target's alpha.
constexpr uint32_t kAlphaMaskTarget = 4;

void PublishCount() { SetSetting(TStr("current_sprite_count"), TStr::Format("%d", gLiveSprites)); }

}  // namespace

TClassId TSprite::ClassId() {
  static const char token = 0;
  return &token;
}

TSprite::TSprite(int32_t layer) : mLayer(layer) {
  ++gLiveSprites;
  PublishCount();
}

TSprite::~TSprite() {
  RemoveAllChildren();
  --gLiveSprites;
  PublishCount();
  if (gLiveSprites == 0) gHitTestTarget.reset();
}

std::shared_ptr<TSprite> TSprite::Create(int32_t layer, std::shared_ptr<TTexture> texture) {
  std::shared_ptr<TSprite> sprite(new TSprite(layer));
  if (texture) sprite->SetTexture(texture);
  return sprite;
}

int32_t TSprite::GetLiveCount() { return gLiveSprites; }

void TSprite::SetTexture(std::shared_ptr<TTexture> texture) { mTexture = std::move(texture); }

void TSprite::SortChildren() {
  std::stable_sort(mChildren.begin(), mChildren.end(),
                   [](const std::shared_ptr<TSprite>& a, const std::shared_ptr<TSprite>& b) { return a->mLayer < b->mLayer; });
}

void TSprite::AddChild(std::shared_ptr<TSprite> child) {
  if (!child || child->mParent == this) return;
  // A cycle would make every walk of the tree endless.
  for (TSprite* s = this; s; s = s->mParent)
    if (s == child.get()) return;
  if (child->mParent) child->mParent->RemoveChild(child);
  mChildren.push_back(child);
  SortChildren();
  child->mParent = this;
}

bool TSprite::RemoveChild(std::shared_ptr<TSprite> child) {
  auto it = std::find(mChildren.begin(), mChildren.end(), child);
  if (it == mChildren.end()) return false;
  mChildren.erase(it);
  child->mParent = nullptr;
  return true;
}

void TSprite::RemoveAllChildren() {
  for (auto& child : mChildren) child->mParent = nullptr;
  mChildren.clear();
}

void TSprite::SetLayer(int32_t layer) {
  if (layer == mLayer) return;
  mLayer = layer;
  if (mParent) mParent->SortChildren();
}

void TSprite::Draw(const TDrawSpec& parent, uint32_t depth) {
  if (!mVisible) return;
  TDrawSpec spec = mSpec.Combine(parent);
  // Each child is held by this copy while it draws, so a child may remove itself (or others).
  std::vector<std::shared_ptr<TSprite>> children;
  if (depth != 0) children = mChildren;
  size_t i = 0;
  for (; i < children.size() && children[i]->mLayer < 0; ++i) children[i]->Draw(spec, depth - 1);
  if (mTexture) mTexture->Draw(spec);
  for (; i < children.size(); ++i) children[i]->Draw(spec, depth - 1);
}

TRect TSprite::GetRect(const TDrawSpec& parent) {
  TDrawSpec spec = mSpec.Combine(parent);
  TRect bounds;
  bool any = mTexture && mTexture->GetDrawBounds(spec, &bounds);
  for (auto& child : mChildren) {
    TRect r = child->GetRect(spec);
    if (r.IsEmpty()) continue;
    bounds = any ? bounds.Union(r) : r;
    any = true;
  }
  return any ? bounds : TRect();
}

bool TSprite::HitTest(const TVec2& point, int threshold) {
  if (!mTexture && !GetSettingBool(SettingKey(kSettingHitTestChildren))) return false;
  if (!mVisible) return false;
  TRect bounds = GetRect(TDrawSpec());
  if (!bounds.Contains((int32_t)std::floor(point.x), (int32_t)std::floor(point.y))) return false;

  TRenderer* renderer = TRenderer::Get();
  // Inside an open frame the target cannot be drawn: its pixel would be from an earlier test.
  if (renderer->IsDrawing()) return true;
  if (!gHitTestTarget) gHitTestTarget = TTexture::CreateRenderTarget(kHitTargetSide, kHitTargetSide);
  std::shared_ptr<TTexture> target = gHitTestTarget;
  if (!target) return true;
  target->GetData()->Clear();
  if (!renderer->BeginRenderTarget(target, kAlphaMaskTarget)) return true;
  bool began = renderer->Begin2d();
  Draw(TDrawSpec(TVec2(kHitPixel - point.x, kHitPixel - point.y)));
  if (began) renderer->End2d();
  renderer->EndRenderTarget();

  uint32_t* pixels = nullptr;
  int pitch = 0;
  if (!target->Lock(pixels, pitch)) return true;
  int alpha = (int)(pixels[kHitPixel * pitch + kHitPixel] >> 24);
  target->Unlock();
  // 16-bit surfaces keep four bits of alpha.
  if (renderer->GetOption(TStr("16bitmode")).ToInt() != 0 && threshold > 0xF0) threshold &= ~0xF;
  return alpha >= threshold;
}
