// TAnimatedTexture: a TTexture whose picture is one frame of a sprite sheet described by an
// animation file (".xml" or ".anm"). Animated sprites run the file's script and select frames;
// drawing draws the current frame, placed by its registration point.
#pragma once

#include <memory>

#include "core/graphics/sprites/animation_file.h"
#include "core/graphics/texture.h"

class TAnimatedTexture : public TTexture {
 public:
  // The live animation under the key of the three names, else a newly read one; image and mask,
  // when not empty, replace the names the file gives. Empty on failure.
  static std::shared_ptr<TAnimatedTexture> Get(TStr file, TStr image = TStr(), TStr mask = TStr());
  // file + ":" + image + ":" + mask.
  static TStr MakeAssetKey(TStr file, TStr image, TStr mask);

  static TClassId ClassId();
  const char* GetClassName() const override { return "TAnimatedTexture"; }
  bool IsKindOf(TClassId id) const override { return id == ClassId() || TTexture::IsKindOf(id); }

  // Draws the current frame (nothing when there is none).
  void Draw(const TDrawSpec& spec) override;
  bool GetDrawBounds(const TDrawSpec& spec, TRect* bounds) const override;
  // The current frame's size; 0 without one.
  int GetWidth() const override;
  int GetHeight() const override;

  int32_t GetFrameCount() const { return (int32_t)mAnimation.frames.size(); }
  // -1 selects none; values outside -1..count-1 are ignored.
  void SetFrame(int32_t index);
  int32_t GetFrame() const { return mCurrentFrame; }
  // (x, y, x + w, y + h) in the sheet; all zero outside 0..count-1.
  TRect GetFrameRect(int32_t index) const;
  // (0, 0) outside 0..count-1.
  void GetFrameReg(int32_t index, int32_t* regx, int32_t* regy) const;
  const TAnimationFrame* GetFrameRecord(int32_t index) const;
  TStr GetScript() const { return mAnimation.script; }
  TStr GetFolder() const { return mAnimation.folder; }
  const TAnimation& GetAnimation() const { return mAnimation; }

  // Resolves and reads the file (trying ".xml", then ".anm" when it does not exist as named).
  bool Open(TStr file, TStr image, TStr mask);

 protected:
  TAnimatedTexture() {}

 private:
  // The spec the current frame draws with; false without a current frame.
  bool FrameSpec(const TDrawSpec& spec, TDrawSpec* out) const;
  bool LoadSheet();

  TAnimation mAnimation;
  int32_t mCurrentFrame = -1;
};
