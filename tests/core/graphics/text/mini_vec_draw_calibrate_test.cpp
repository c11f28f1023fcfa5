// Calibration of the line batch against devices that place one-pixel lines differently: a
// device that follows the display stand-in's rule, one shifted by half a pixel, one that draws
// nothing in large batches and one that draws nothing at all.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "core/graphics/text/mini_vec_draw.h"
#include "core/graphics/text/shape_writer.h"
#include "tests/core/graphics/fake_display.h"

namespace {

// Draws horizontal line lists into the render target: columns from the start to the end (the
// stand-in's rule: ceil(x - 0.5) with the end excluded, row floor(y + 0.5)), optionally shifted.
class LineBackend : public FakeBackend {
 public:
  float shift = 0, shiftY = 0;
  int mostLines = 1 << 30;  // more lines in one call draw nothing
  bool blind = false;

  void DrawVertices(uint32_t primitive, TVertexArray* va) override {
    FakeBackend::DrawVertices(primitive, va);
    if (primitive != kPrimitiveLineList || !target || blind || (int)va->GetCount() / 2 > mostLines) return;
    uint32_t* pixels = nullptr;
    int pitch = 0;
    if (!target->Lock(pixels, pitch)) return;
    const TVertex* v = (const TVertex*)va->GetVertices();
    for (uint32_t i = 0; i + 1 < va->GetCount(); i += 2) {
      int first = (int)std::ceil(v[i].x + shift - 0.5), last = (int)std::ceil(v[i + 1].x + shift - 0.5);
      int row = (int)std::floor(v[i].y + shiftY + 0.5);
      for (int x = std::max(first, 0); x < last && x < pitch; x++)
        if (row >= 0 && row < 512) pixels[(size_t)row * pitch + x] = v[i].diffuse | 0xFF000000u;
    }
  }
};

class Calibration : public DrawingTest {
 protected:
  LineBackend* lines = nullptr;
  void SetUp() override {
    DrawingTest::SetUp();
    TRenderer::Destroy();
    TRenderer::SetBackendFactory([this]() {
      auto b = std::make_unique<LineBackend>();
      lines = b.get();
      mBackend = b.get();
      return b;
    });
    TRenderer::Get();
  }

  // The pixels a box lights through the line batch, and through direct pixel writes.
  std::set<std::pair<int, int>> ThroughLines(TKsMiniVecDraw& r, const std::vector<uint8_t>& shape) {
    auto target = TTexture::CreateRenderTarget(64, 32);
    R()->BeginRenderTarget(target, 0);
    R()->Begin2d();
    r.Begin(5.5f, 3.25f, (const TPixelTarget*)nullptr);
    r.DrawShape(shape.data(), (uint32_t)shape.size(), 0, 0);
    r.End();
    R()->End2d();
    R()->EndRenderTarget();
    std::set<std::pair<int, int>> lit;
    uint32_t* pixels;
    int pitch;
    EXPECT_TRUE(target->Lock(pixels, pitch));
    for (int y = 0; y < 32; y++)
      for (int x = 0; x < 64; x++)
        if (pixels[y * pitch + x] & 0xFFFFFF) lit.insert({x, y});
    return lit;
  }
  std::set<std::pair<int, int>> Direct(TKsMiniVecDraw& r, const std::vector<uint8_t>& shape) {
    std::vector<uint32_t> pixels(64 * 32, 0);
    TPixelTarget t{pixels.data(), 64, 32, 64};
    r.SetPixelMode(true, false);
    r.Begin(5.5f, 3.25f, &t);
    r.DrawShape(shape.data(), (uint32_t)shape.size(), 0, 0);
    r.End();
    std::set<std::pair<int, int>> lit;
    for (int y = 0; y < 32; y++)
      for (int x = 0; x < 64; x++)
        if (pixels[y * 64 + x] >> 24) lit.insert({x, y});
    return lit;
  }
};

TEST_F(Calibration, FindsOffsetsThatPutSpansOnTheirPixels) {
  TShapeWriter w;
  w.Layer();
  w.Fill1(1);
  w.Rect(0, 0, 37, 21);
  w.MoveTo(50, 2);
  w.LineTo(70, 30);
  w.LineTo(45, 25);
  w.LineTo(50, 2);
  w.End();
  // -0.5: the display stand-in puts a line's first pixel after its start (second bank).
  const float shifts[][2] = {{0, 0}, {0.5f, 0}, {0.75f, -0.25f}, {-0.5f, 0}, {-0.75f, -0.25f}};
  for (auto& shift : shifts) {
    SCOPED_TRACE(shift[0]);
    lines->shift = shift[0];
    lines->shiftY = shift[1];
    TKsMiniVecDraw r;
    r.SetColour(1, TColor(1, 1, 1, 1), 1.0f);
    ASSERT_TRUE(r.CalibrateOffset());
    EXPECT_EQ(r.GetBatchSize(), 256);
    EXPECT_EQ(ThroughLines(r, w.Bytes()), Direct(r, w.Bytes()));
  }
}

TEST_F(Calibration, SmallerBatchesForADeviceThatDrewNothing) {
  lines->mostLines = 32;
  TKsMiniVecDraw r;
  EXPECT_TRUE(r.CalibrateOffset());
  EXPECT_EQ(r.GetBatchSize(), 64);
}

TEST_F(Calibration, NoPassingChoiceKeepsTheFallbackOffset) {
  lines->blind = true;
  TKsMiniVecDraw r;
  EXPECT_FALSE(r.CalibrateOffset());
  EXPECT_FLOAT_EQ(r.GetOffset()[0], -0.75f);
  EXPECT_FLOAT_EQ(r.GetOffset()[1], -0.75f);
  EXPECT_FLOAT_EQ(r.GetOffset()[2], 0.25f);
}

}  // namespace
