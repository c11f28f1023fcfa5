// TAnimatedTexture: reading the description, loading the sheet, drawing the current frame.
#include "core/graphics/sprites/animated_texture.h"

#include "core/base/asset_manager.h"
#include "core/base/file.h"
#include "core/graphics/draw_spec.h"
#include "core/graphics/texture_data.h"

TClassId TAnimatedTexture::ClassId() {
  static const char token = 0;
  return &token;
}

TStr TAnimatedTexture::MakeAssetKey(TStr file, TStr image, TStr mask) {
  return file + TStr(":") + image + TStr(":") + mask;
}

std::shared_ptr<TAnimatedTexture> TAnimatedTexture::Get(TStr file, TStr image, TStr mask) {
  return TAssetManager::FindOrLoad<TAnimatedTexture>(
      MakeAssetKey(file, image, mask), [&]() -> std::shared_ptr<TAnimatedTexture> {
        std::shared_ptr<TAnimatedTexture> anim(new TAnimatedTexture());
        if (!anim->Open(file, image, mask) || !anim->LoadSheet()) return nullptr;
        return anim;
      });
}

bool TAnimatedTexture::Open(TStr file, TStr image, TStr mask) {
  TStr path = file;
  if (!FileExists(path)) {
    if (FileExists(file + TStr(".xml")))
      path = file + TStr(".xml");
    else if (FileExists(file + TStr(".anm")))
      path = file + TStr(".anm");
  }
  TAnimation animation;
  if (!ReadAnimationFile(path, animation)) return false;
  animation.fileName = file;
  int slash = file.Find('/', TStr::kBackward);
  int backslash = file.Find('\\', TStr::kBackward);
  int cut = slash > backslash ? slash : backslash;
  animation.folder = cut >= 0 ? file.SubStr(0, cut + 1) : TStr();
  if (!image.IsEmpty()) animation.imageName = image;
  if (!mask.IsEmpty()) animation.maskName = mask;
  mAnimation = std::move(animation);
  mCurrentFrame = -1;
  return true;
}

// The sheet always has alpha: first beside the animation file, then by its names as they stand.
bool TAnimatedTexture::LoadSheet() {
  TTextureData* data = GetData();
  if (!data) return false;
  const TAnimation& a = mAnimation;
  data->SetFlags(kTextureAlpha);
  TStr mask = a.maskName.IsEmpty() ? TStr() : a.folder + a.maskName;
  if (Load(a.folder + a.imageName, mask)) return true;
  data->SetFlags(kTextureAlpha);
  return Load(a.imageName, a.maskName);
}

void TAnimatedTexture::SetFrame(int32_t index) {
  if (index >= -1 && index < GetFrameCount()) mCurrentFrame = index;
}

const TAnimationFrame* TAnimatedTexture::GetFrameRecord(int32_t index) const {
  if (index < 0 || index >= GetFrameCount()) return nullptr;
  return &mAnimation.frames[(size_t)index];
}

TRect TAnimatedTexture::GetFrameRect(int32_t index) const {
  const TAnimationFrame* f = GetFrameRecord(index);
  return f ? TRect(f->x, f->y, f->x + f->w, f->y + f->h) : TRect();
}

void TAnimatedTexture::GetFrameReg(int32_t index, int32_t* regx, int32_t* regy) const {
  const TAnimationFrame* f = GetFrameRecord(index);
  *regx = f ? f->regx : 0;
  *regy = f ? f->regy : 0;
}

int TAnimatedTexture::GetWidth() const {
  const TAnimationFrame* f = GetFrameRecord(mCurrentFrame);
  return f ? f->w : 0;
}

int TAnimatedTexture::GetHeight() const {
  const TAnimationFrame* f = GetFrameRecord(mCurrentFrame);
  return f ? f->h : 0;
}

bool TAnimatedTexture::FrameSpec(const TDrawSpec& spec, TDrawSpec* out) const {
  const TAnimationFrame* f = GetFrameRecord(mCurrentFrame);
  if (!f) return false;
  TDrawSpec s = spec;
  if (!(s.mFlags & TDrawSpec::kOrigin)) {
    float ox = (s.mFlags & TDrawSpec::kFlipHorizontal) ? (float)(f->w - f->regx) : (float)f->regx;
    float oy = (s.mFlags & TDrawSpec::kFlipVertical) ? (float)(f->h - f->regy) : (float)f->regy;
    s.SetOrigin(TVec2(ox, oy));
  }
  if (f->HasTransform()) {
    const float* t = f->transform;
    s.mMatrix = TMat3(t[0], t[1], 0, t[2], t[3], 0, t[4], t[5], 1) * s.mMatrix;
  }
  if (f->w) {
    TRect frame(f->x, f->y, f->x + f->w, f->y + f->h);
    if (s.mFlags & TDrawSpec::kSourceRect) {
      TRect r = s.mSourceRect;
      r.Offset(f->x, f->y);
      s.mSourceRect = r.Intersect(frame);
    } else {
      s.SetSourceRect(frame);
    }
  }
  s.mAlpha *= f->alpha;
  *out = s;
  return true;
}

void TAnimatedTexture::Draw(const TDrawSpec& spec) {
  TDrawSpec s;
  if (FrameSpec(spec, &s)) TTexture::Draw(s);
}

bool TAnimatedTexture::GetDrawBounds(const TDrawSpec& spec, TRect* bounds) const {
  TDrawSpec s;
  return FrameSpec(spec, &s) && TTexture::GetDrawBounds(s, bounds);
}
