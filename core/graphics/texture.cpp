// TTexture: cache keys, creation and loading through the asset manager, drawing as a quad.
#include "core/graphics/texture.h"

#include <cinttypes>
#include <cmath>
#include <utility>

#include "core/base/asset_manager.h"
#include "core/base/saturate.h"
#include "core/graphics/draw_spec.h"
#include "core/graphics/renderer.h"
#include "core/graphics/texture_data.h"
#include "core/graphics/vertex_array.h"

namespace {

void ForgetKey(TStr key) {
  if (TAssetManager* manager = TAssetManager::GetInstance()) manager->RemoveAsset(key);
}

// Channel x 255 truncated toward zero, then kept within a byte (NaN gives 0).
uint8_t ClampedChannel(float v) {
  int32_t c = SaturateToInt32((double)v * 255.0);
  return (uint8_t)(c < 0 ? 0 : c > 255 ? 255 : c);
}

}  // namespace

TClassId TTexture::ClassId() {
  static const char token = 0;
  return &token;
}

TTexture::TTexture() : mData(TRenderer::Get()->GetBackend()->CreateTextureData()) {}

TTexture::~TTexture() {
  // Only unnamed textures (render targets, textures made in memory) sit under their address key.
  if (mData && mData->GetFileName().IsEmpty()) ForgetKey(MakeRenderTargetKey(this));
  mData.reset();
}

TStr TTexture::MakeCacheKey(TStr name, bool alpha, bool mipmap, bool simple) {
  name.Replace(TStr("\\"), TStr("/"), TStr::kReplaceAll);
  if (alpha) name += TStr(":a");
  if (mipmap) name += TStr(":m");
  if (simple) name += TStr(":s");
  return name + TStr(":tex");
}

TStr TTexture::MakeMaskCacheKey(TStr image, TStr mask, bool mipmap, bool simple) {
  TStr key = image + TStr(":") + mask;
  if (mipmap) key += TStr(":m");
  if (simple) key += TStr(":s");
  return key + TStr(":tex");
}

TStr TTexture::MakeRenderTargetKey(const TTexture* texture) {
  // The whole address: two live textures must never share a key.
  return TStr::Format("%" PRIxPTR ":tex:r", (uintptr_t)texture);
}

std::shared_ptr<TTexture> TTexture::Create(TStr key) {
  std::shared_ptr<TTexture> texture(new TTexture());
  if (key.IsEmpty()) key = MakeRenderTargetKey(texture.get());
  if (TAssetManager* manager = TAssetManager::GetInstance()) manager->RegisterAsset(key, texture);
  return texture;
}

std::shared_ptr<TTexture> TTexture::GetUnderKey(TStr key, uint8_t flags, TStr image, TStr mask) {
  return TAssetManager::FindOrLoad<TTexture>(key, [&]() -> std::shared_ptr<TTexture> {
    std::shared_ptr<TTexture> texture(new TTexture());
    texture->mData->SetFlags(flags);
    if (!texture->Load(image, mask)) return nullptr;
    return texture;
  });
}

std::shared_ptr<TTexture> TTexture::Get(TStr name, uint32_t request) {
  uint8_t flags = 0;
  if (request & kRequestAlpha)
    flags |= kTextureAlpha;
  else if (!(request & kRequestNoAlpha))
    flags |= kTextureDetectAlpha;
  if (request & kRequestMipmap) flags |= kTextureMipmap;
  return GetUnderKey(MakeCacheKey(name, (request & kRequestAlpha) != 0, (request & kRequestMipmap) != 0, false), flags,
                     name, TStr());
}

std::shared_ptr<TTexture> TTexture::GetWithMask(TStr image, TStr mask, uint32_t request) {
  bool mipmap = (request & kRequestMipmap) != 0;
  return GetUnderKey(MakeMaskCacheKey(image, mask, mipmap, false), kTextureAlpha | (mipmap ? kTextureMipmap : 0),
                     image, mask);
}

std::shared_ptr<TTexture> TTexture::GetSimple(TStr name) {
  return GetUnderKey(MakeCacheKey(name, false, false, true), kTextureSimple | kTextureDetectAlpha, name, TStr());
}

std::shared_ptr<TTexture> TTexture::CreateRenderTarget(int width, int height) {
  if (width <= 0 || height <= 0) return nullptr;
  std::shared_ptr<TTexture> texture = Create(TStr());
  texture->mData->SetFlags(kTextureRenderTarget | kTextureAlpha);
  if (!texture->mData->CreateSurface((uint32_t)width, (uint32_t)height, true)) return nullptr;
  return texture;
}

void TTexture::Release() {
  if (mData) mData->Release();
}

void TTexture::Restore() {
  if (mData) mData->Restore();
}

bool TTexture::Load(TStr name, TStr mask) { return mData && mData->Load(name, mask); }

TStr TTexture::GetFileName() const { return mData ? mData->GetFileName() : TStr(); }
bool TTexture::HasAlpha() const { return mData && mData->HasFlag(kTextureAlpha); }
bool TTexture::IsSimple() const { return mData && mData->HasFlag(kTextureSimple); }
int TTexture::GetWidth() const { return mData ? (int)mData->GetWidth() : 0; }
int TTexture::GetHeight() const { return mData ? (int)mData->GetHeight() : 0; }

bool TTexture::Lock(uint32_t*& pixels, int& pitch) { return mData && mData->Lock(pixels, pitch); }

void TTexture::Unlock() {
  if (mData) mData->Unlock();
}

void TTexture::GetSurfaceSize(int* width, int* height) const {
  *width = *height = 0;
  if (!mData) return;
  if (mData->GetSurfaceWidth() && mData->GetSurfaceHeight()) {
    *width = (int)mData->GetSurfaceWidth();
    *height = (int)mData->GetSurfaceHeight();
    return;
  }
  *width = (int)mData->GetPaddedWidth();
  *height = (int)mData->GetPaddedHeight();
}

bool TTexture::MakeQuad(const TDrawSpec& spec, TVec2 corners[4], TVec2* uv0, TVec2* uv1) const {
  if (!mData || IsSimple()) return false;
  TRect source = (spec.mFlags & TDrawSpec::kSourceRect) ? spec.mSourceRect
                                                        : TRect(0, 0, (int)mData->GetWidth(), (int)mData->GetHeight());
  if (source.IsEmpty()) return false;
  float w = (float)source.Width(), h = (float)source.Height();
  TVec2 offset = (spec.mFlags & TDrawSpec::kOrigin) ? -spec.mOrigin : TVec2(-w * 0.5f, -h * 0.5f);
  corners[0] = offset;
  corners[1] = offset + TVec2(w, 0);
  corners[2] = offset + TVec2(w, h);
  corners[3] = offset + TVec2(0, h);
  if (spec.mFlags & TDrawSpec::kFlipVertical) {
    std::swap(corners[0].y, corners[2].y);
    std::swap(corners[1].y, corners[3].y);
  }
  if (spec.mFlags & TDrawSpec::kFlipHorizontal) {
    std::swap(corners[0].x, corners[1].x);
    std::swap(corners[2].x, corners[3].x);
  }
  int surfaceWidth, surfaceHeight;
  GetSurfaceSize(&surfaceWidth, &surfaceHeight);
  if (surfaceWidth <= 0 || surfaceHeight <= 0) return false;
  // Texture coordinates are taken against the surface, which may be larger than the image.
  float mx = (float)mData->GetMarginX(), my = (float)mData->GetMarginY();
  *uv0 = TVec2((mx + source.left) / surfaceWidth, (my + source.top) / surfaceHeight);
  *uv1 = TVec2((mx + source.right) / surfaceWidth, (my + source.bottom) / surfaceHeight);
  return true;
}

void TTexture::Draw(const TDrawSpec& spec) {
  TRenderer* renderer = TRenderer::Get();
  TVec2 corners[4], uv0, uv1;
  if (!renderer->IsIn2d() || !MakeQuad(spec, corners, &uv0, &uv1)) return;
  TVertex vertices[4];
  BuildTexturedQuad(vertices, TVec2(), corners, uv0, uv1, spec.mMatrix, spec.mAlpha, spec.mColor);
  renderer->SetTexture(std::static_pointer_cast<TTexture>(weak_from_this().lock()));
  if (spec.mBlendMode != -1) renderer->SetBlendMode(spec.mBlendMode);
  TVertexArray array = TVertexArray::Create2d(vertices, 4);
  renderer->DrawVertices(kPrimitiveTriangleFan, &array);
}

bool TTexture::GetDrawBounds(const TDrawSpec& spec, TRect* bounds) const {
  TVec2 corners[4], uv0, uv1;
  if (!MakeQuad(spec, corners, &uv0, &uv1)) return false;
  float minX = 0, minY = 0, maxX = 0, maxY = 0;
  for (int k = 0; k < 4; ++k) {
    TVec2 p = corners[k] * spec.mMatrix;
    if (k == 0 || p.x < minX) minX = p.x;
    if (k == 0 || p.y < minY) minY = p.y;
    if (k == 0 || p.x > maxX) maxX = p.x;
    if (k == 0 || p.y > maxY) maxY = p.y;
  }
  *bounds = TRect(SaturateToInt32(std::floor(minX)), SaturateToInt32(std::floor(minY)),
                  SaturateToInt32(std::ceil(maxX)), SaturateToInt32(std::ceil(maxY)));
  return !bounds->IsEmpty();
}

void TTexture::DrawSprite(float x, float y, float alpha, float scale, float rotation, uint32_t flags) {
  if (!mData || !TRenderer::Get()->IsIn2d()) return;
  TDrawSpec spec(TVec2(x, y), alpha, scale, flags);
  spec.mMatrix.Rotate(rotation);
  Draw(spec);
}

void TTexture::CopyPixels(int x, int y, const TRect* source, std::shared_ptr<TTexture> destination) {
  if (!mData || TRenderer::Get()->IsDrawing()) return;
  TRect r(0, 0, (int)mData->GetWidth(), (int)mData->GetHeight());
  if (source) {
    r = *source;
    if (r.left < 0) r.left = 0;
    if (r.top < 0) r.top = 0;
    if (r.right > (int)mData->GetWidth()) r.right = (int)mData->GetWidth();
    if (r.bottom > (int)mData->GetHeight()) r.bottom = (int)mData->GetHeight();
  }
  mData->CopyTo(x, y, &r, destination ? destination->GetData() : nullptr);
}

void BuildTexturedQuad(TVertex out[4], const TVec2& position, TVec2 corners[4], const TVec2& uv0, const TVec2& uv1,
                       const TMat3& matrix, float alpha, const TColor& colour) {
  uint32_t diffuse = TColor32(ClampedChannel(colour.r), ClampedChannel(colour.g), ClampedChannel(colour.b),
                              ClampedChannel(alpha))
                         .Value();
  uint32_t specular = TColor32(0, 0, 0, 255).Value();
  const float us[4] = {uv0.x, uv1.x, uv1.x, uv0.x};
  const float vs[4] = {uv0.y, uv0.y, uv1.y, uv1.y};
  for (int k = 0; k < 4; ++k) {
    corners[k] = corners[k] * matrix;
    out[k] = TVertex();
    out[k].x = corners[k].x + position.x;
    out[k].y = corners[k].y + position.y;
    out[k].z = 0.1f;
    out[k].w = 0.5f;
    out[k].diffuse = diffuse;
    out[k].specular = specular;
    out[k].u = us[k];
    out[k].v = vs[k];
  }
}

TTextureData* GetTextureData(const std::shared_ptr<TTexture>& texture) { return texture ? texture->GetData() : nullptr; }
