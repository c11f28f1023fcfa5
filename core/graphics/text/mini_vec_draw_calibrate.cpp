// The rasteriser's calibration against the display device: how a device places the ends of
// one-pixel lines differs, so offset choices each draw two one-pixel spans into a render target,
// and the choice that lights exactly those pixels (and the brightest, later ones winning ties)
// is kept. The first bank of 128 choices moves line starts by -1 ... -0.25 pixels; devices that
// put a line's first pixel after its start (such as the display stand-in) need a start offset
// of 0 ... 0.75, which a second bank of 128, drawn four rows lower, tries.
#include <cstdint>

#include "core/graphics/renderer.h"
#include "core/graphics/text/mini_vec_draw.h"
#include "core/graphics/texture.h"

namespace {

constexpr int kBank = 128;
constexpr int kTests = 2 * kBank;

void ChooseOffset(TKsMiniVecDraw& r, int n) {
  int bank = n / kBank, i = n % kBank;
  r.SetOffset(i / 8 % 4 + 4 * bank, i % 8, i / 32);
}

}  // namespace

void TKsMiniVecDraw::DrawAliasedSpan(int x0, int x1, int y) {
  int row = y >> 2, first = x0 >> 2, last = x1 >> 2;
  if (first == last) {
    int k = (x1 & 3) - (x0 & 3);
    if (k >= 0) AddLine(mShapeX + first, mShapeX + first + 1, mShapeY + row, mPartial[0][k]);
    return;
  }
  AddLine(mShapeX + first, mShapeX + first + 1, mShapeY + row, mPartial[0][3 - (x0 & 3)]);
  if (last > first + 1) AddLine(mShapeX + first + 1, mShapeX + last, mShapeY + row, mPartial[0][3]);
  AddLine(mShapeX + last, mShapeX + last + 1, mShapeY + row, mPartial[0][x1 & 3]);
}

bool TKsMiniVecDraw::CalibrateOnce(bool& passed) {
  passed = false;
  std::shared_ptr<TTexture> texture = TTexture::CreateRenderTarget(800, 512);
  if (!texture) return false;
  TRenderer* renderer = TRenderer::Get();
  if (renderer->BeginRenderTarget(texture, 0)) {
    bool in2d = renderer->Begin2d();
    SetColour(0, TColor(1, 1, 1, 1), 1.0f);
    Begin(0, 0, (const TPixelTarget*)nullptr);
    mShapeX = mShapeY = 0;
    for (int n = 0; n < kTests; n++) {
      int i = n % kBank, row = 16 * (n / kBank);
      ChooseOffset(*this, n);
      DrawAliasedSpan(4 + 16 * i, 7 + 16 * i, 4 + row);
      DrawAliasedSpan(8 + 16 * i, 11 + 16 * i, 8 + row);
    }
    End();
    if (in2d) renderer->End2d();
    renderer->EndRenderTarget();
  }

  uint32_t* pixels = nullptr;
  int pitch = 0;
  int empty = 0, best = -1;
  uint64_t bestScore = 0;
  if (texture->Lock(pixels, pitch)) {
    auto at = [&](int x, int y) { return x < 0 || x >= 800 ? 0u : pixels[(size_t)y * pitch + x] & 0xFFFFFFu; };
    for (int n = 0; n < kTests; n++) {
      int p = 1 + 4 * (n % kBank), y = 4 * (n / kBank);
      uint32_t t1 = at(p, y + 1), t2 = at(p + 1, y + 2);
      const uint32_t around[6] = {at(p - 1, y + 1), at(p + 1, y + 1), at(p, y), at(p, y + 2), at(p + 2, y + 2),
                                  at(p + 1, y + 3)};
      bool dark = true;
      for (uint32_t c : around) dark = dark && c == 0;
      if (dark && t1 == 0 && t2 == 0) empty++;
      uint64_t score = (uint64_t)t1 + t2;
      if (dark && t1 && t2 && (best < 0 || score >= bestScore)) {
        best = n;
        bestScore = score;
      }
    }
    texture->Unlock();
  }
  if (best >= 0) ChooseOffset(*this, best);
  else SetOffset(1, 1, 1);
  passed = best >= 0;
  // More than 75 of every 128 empty: the device drew almost nothing.
  return empty * kBank > 75 * kTests;
}

bool TKsMiniVecDraw::CalibrateOffset() {
  bool passed = false;
  if (CalibrateOnce(passed) && mBatchSize != 64) {
    // A device that drew nearly nothing may take no more lines a call.
    SetBatchSize(64);
    CalibrateOnce(passed);
  }
  return passed;
}
