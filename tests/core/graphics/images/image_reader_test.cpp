// The image readers and their decoding glue: PNG of every colour type, JPEG through the file
// source with its error manager, JPEG-2000 through OpenJPEG, and damaged files of each.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "core/base/file.h"
#include "core/graphics/images/image_reader.h"
#include "core/graphics/images/jpeg2000.h"
#include "core/graphics/images/png_image.h"
#include "tests/core/graphics/image_fixtures.h"
#include "tests/support/host_file.h"
#include "tests/support/temp_folder.h"

namespace {

uint32_t Px(const unsigned char* pixels, int side, int x, int y) {
  const unsigned char* p = pixels + ((size_t)y * side + x) * 4;
  return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

class ImageTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) { return "::" + mTemp.File(name); }
  std::string Put(const std::string& name, const std::string& bytes) {
    std::ofstream(mTemp.File(name), std::ios::binary) << bytes;
    return Path(name);
  }
  std::string Slurp(const std::string& name) { return ReadHostFile(mTemp.File(name)); }
  TempFolder mTemp;
};

struct Decoded {
  bool ok = false;
  unsigned char* pixels = nullptr;
  int width = 0, height = 0, side = 0;
  bool alpha = false;
  uint32_t key = 0;
  ~Decoded() { FreeImagePixels(pixels); }
  uint32_t At(int x, int y) const { return Px(pixels, side, x, y); }
};

void ReadPng(const std::string& path, Decoded* d) {
  d->ok = ReadPngImage(path.c_str(), &d->pixels, &d->width, &d->height, &d->side, &d->key, &d->alpha);
}

// A binary PPM made by another tool: its RGB triples, row by row (comment lines skipped).
std::vector<unsigned char> ReadFixturePpm(const std::string& name, int* width, int* height) {
  std::ifstream in(std::string(getenv("ORVELLA_SOURCE_DIR")) + "/tests/core/graphics/fixtures/" + name,
                   std::ios::binary);
  std::string line, header;
  for (int seen = 0; seen < 3 && std::getline(in, line);)
    if (!line.empty() && line[0] != '#') {
      header += line + " ";
      ++seen;
    }
  *width = *height = 0;
  sscanf(header.c_str(), "P6 %d %d", width, height);
  std::vector<unsigned char> rgb((size_t)*width * (size_t)*height * 3);
  in.read((char*)rgb.data(), (std::streamsize)rgb.size());
  return rgb;
}

std::string ReadFixture(const std::string& name) {
  return ReadHostFile(std::string(getenv("ORVELLA_SOURCE_DIR")) + "/tests/core/graphics/fixtures/" + name);
}

// The sYCC images of the fixture folder: 7 x 5, luma at full size, chroma at 1 / step.
Jp2Spec SyccImage(int step) {
  Jp2Spec s = Jp2(OPJ_CODEC_JP2, 7, 5, 8, false, OPJ_CLRSPC_SYCC, {});
  s.steps = {1, step, step};
  int cw = (7 + step - 1) / step, ch = (5 + step - 1) / step;
  std::vector<int> y, cb, cr;
  for (int i = 0; i < 35; ++i) y.push_back(40 + i * 5);
  for (int i = 0; i < cw * ch; ++i) {
    cb.push_back(60 + i * 17 % 150);
    cr.push_back(200 - i * 13 % 170);
  }
  s.comps = {y, cb, cr};
  return s;
}

// Largest difference of one colour byte between a decoded buffer and RGB triples.
int LargestDifference(const unsigned char* pixels, int side, const std::vector<unsigned char>& rgb, int width,
                      int height, bool argb) {
  int worst = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int i = 0; i < 3; ++i) {
        int got = argb ? pixels[((size_t)y * side + x) * 4 + (2 - i)] : pixels[((size_t)y * side + x) * 4 + i];
        worst = std::max(worst, std::abs(got - rgb[((size_t)y * width + x) * 3 + i]));
      }
  return worst;
}

}  // namespace

TEST_F(ImageTest, PngColourTypesDecodeToArgb) {
  const struct {
    const char* what;
    PngSpec spec;
    std::vector<uint32_t> want;  // the first row's pixels
    bool alpha;
    uint32_t key;
  } cases[] = {
      {"rgb 8", Png(2, 1, PNG_COLOR_TYPE_RGB, 8, {10, 20, 30, 200, 100, 0}), {0xFF0A141E, 0xFFC86400}, false, 0},
      {"rgba 8", Png(2, 1, PNG_COLOR_TYPE_RGBA, 8, {10, 20, 30, 40, 1, 2, 3, 255}), {0x280A141E, 0xFF010203}, true, 0},
      {"grey 8", Png(2, 1, PNG_COLOR_TYPE_GRAY, 8, {0, 77}), {0xFF000000, 0xFF4D4D4D}, false, 0},
      {"grey 16", Png(2, 1, PNG_COLOR_TYPE_GRAY, 16, {0x12, 0x34, 0xFF, 0x00}), {0xFF121212, 0xFFFFFFFF}, false, 0},
      {"grey alpha", Png(1, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {90, 7}), {0x075A5A5A}, true, 0},
      {"grey 1 bit", Png(3, 1, PNG_COLOR_TYPE_GRAY, 1, {0xA0}), {0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF}, false, 0},
      {"rgb 16", Png(1, 1, PNG_COLOR_TYPE_RGB, 16, {0x80, 1, 0x40, 2, 0x20, 3}), {0xFF804020}, false, 0},
      {"rgba 16", Png(1, 1, PNG_COLOR_TYPE_RGBA, 16, {1, 0, 2, 0, 3, 0, 4, 0}), {0x04010203}, true, 0},
  };
  for (const auto& c : cases) {
    std::string path = Path(std::string(c.what) + ".png");
    ASSERT_TRUE(WritePng(mTemp.File(std::string(c.what) + ".png"), c.spec)) << c.what;
    Decoded d;
    ReadPng(path, &d);
    ASSERT_TRUE(d.ok) << c.what;
    EXPECT_EQ(d.alpha, c.alpha) << c.what;
    EXPECT_EQ(d.key, c.key) << c.what;
    for (size_t x = 0; x < c.want.size(); ++x) EXPECT_EQ(d.At((int)x, 0), c.want[x]) << c.what << " x " << x;
  }
}

TEST_F(ImageTest, PngTransparencyChunksBecomeAlphaAndKeyColour) {
  PngSpec palette = Png(3, 1, PNG_COLOR_TYPE_PALETTE, 4, {0x01, 0x20});
  palette.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  palette.paletteAlpha = {128, 255};
  ASSERT_TRUE(WritePng(mTemp.File("pal.png"), palette));
  Decoded p;
  ReadPng(Path("pal.png"), &p);
  ASSERT_TRUE(p.ok);
  EXPECT_TRUE(p.alpha);
  EXPECT_EQ(p.At(0, 0), 0x80FF0000u);
  EXPECT_EQ(p.At(1, 0), 0xFF00FF00u);
  EXPECT_EQ(p.At(2, 0), 0xFF0000FFu);

  palette.paletteAlpha.clear();
  ASSERT_TRUE(WritePng(mTemp.File("opaque.png"), palette));
  Decoded o;
  ReadPng(Path("opaque.png"), &o);
  ASSERT_TRUE(o.ok);
  EXPECT_FALSE(o.alpha);
  EXPECT_EQ(o.At(0, 0), 0xFFFF0000u);

  PngSpec keyed = Png(2, 1, PNG_COLOR_TYPE_RGB, 8, {1, 2, 3, 9, 9, 9});
  keyed.keyColour = true;
  keyed.key.red = 1;
  keyed.key.green = 2;
  keyed.key.blue = 3;
  ASSERT_TRUE(WritePng(mTemp.File("key.png"), keyed));
  Decoded k;
  ReadPng(Path("key.png"), &k);
  ASSERT_TRUE(k.ok);
  EXPECT_TRUE(k.alpha);
  EXPECT_EQ(k.key, 0x030201u);
  EXPECT_EQ(k.At(0, 0), 0x00010203u);
  EXPECT_EQ(k.At(1, 0), 0xFF090909u);
}

TEST_F(ImageTest, PngGammaIsCorrectedForTheScreen) {
  PngSpec linear = Png(1, 1, PNG_COLOR_TYPE_GRAY, 8, {128});
  linear.gamma = 1.0;
  ASSERT_TRUE(WritePng(mTemp.File("linear.png"), linear));
  Decoded d;
  ReadPng(Path("linear.png"), &d);
  ASSERT_TRUE(d.ok);
  int v = (int)(d.At(0, 0) & 0xFF);
  EXPECT_NEAR(v, 186, 2);  // 255 * (128/255)^(1/2.2)
  linear.gamma = 1 / 2.2;
  ASSERT_TRUE(WritePng(mTemp.File("screen.png"), linear));
  Decoded s;
  ReadPng(Path("screen.png"), &s);
  EXPECT_NEAR((int)(s.At(0, 0) & 0xFF), 128, 1);
}

TEST_F(ImageTest, BuffersAreSquarePowersOfTwoWithTheImageTopLeft) {
  const struct {
    int w, h, side;
  } sizes[] = {{100, 30, 128}, {100, 37, 128}, {1, 1, 1}, {256, 256, 256}, {3, 17, 32}};
  for (const auto& s : sizes) {
    PngSpec spec = Png(s.w, s.h, PNG_COLOR_TYPE_GRAY, 8, std::vector<unsigned char>((size_t)s.w * s.h, 200));
    ASSERT_TRUE(WritePng(mTemp.File("size.png"), spec));
    Decoded d;
    ReadPng(Path("size.png"), &d);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.width, s.w);
    EXPECT_EQ(d.height, s.h);
    EXPECT_EQ(d.side, s.side) << s.w << "x" << s.h;
    EXPECT_EQ(d.At(s.w - 1, s.h - 1), 0xFFC8C8C8u);
    if (s.w < s.side) {
      EXPECT_EQ(d.At(s.w, 0), 0u);
    }
    if (s.h < s.side) {
      EXPECT_EQ(d.At(0, s.h), 0u);
    }
  }
}

TEST_F(ImageTest, DamagedPngsFailWithNothingAllocated) {
  PngSpec spec = Png(8, 8, PNG_COLOR_TYPE_RGB, 8, std::vector<unsigned char>(8 * 8 * 3, 7));
  ASSERT_TRUE(WritePng(mTemp.File("good.png"), spec));
  std::string good = Slurp("good.png");
  std::string crc = good;
  crc[30] ^= 0x40;
  PngSpec wide = Png(9000, 1, PNG_COLOR_TYPE_GRAY, 1, std::vector<unsigned char>(1125, 0));
  ASSERT_TRUE(WritePng(mTemp.File("wide.png"), wide));
  const struct {
    const char* what;
    std::string path;
  } cases[] = {
      {"truncated", Put("cut.png", good.substr(0, good.size() / 2))},
      {"signature only", Put("sig.png", good.substr(0, 8))},
      {"bad crc", Put("crc.png", crc)},
      {"not a png", Put("text.png", "hello, world")},
      {"empty", Put("empty.png", "")},
      {"too wide", Path("wide.png")},
      {"missing", Path("missing.png")},
  };
  for (const auto& c : cases) {
    unsigned char* pixels = (unsigned char*)malloc(16);  // freed first, whatever happens
    int w = -1, h = -1, channels = -1, side = -1;
    bool alpha = false;
    EXPECT_EQ(LoadPngImage(c.path.c_str(), &pixels, &w, &h, &channels, &side, &alpha), 0) << c.what;
    EXPECT_EQ(pixels, nullptr) << c.what;
  }
}

TEST_F(ImageTest, JpegRowsHoldRgbTriples) {
  std::vector<unsigned char> rgb;
  for (int i = 0; i < 20 * 10; ++i) rgb.insert(rgb.end(), {200, 40, 90});
  std::string jpeg = EncodeJpeg(20, 10, rgb);
  std::string path = Put("a.jpg", jpeg);
  unsigned char* pixels = nullptr;
  int w, h, side;
  ASSERT_TRUE(ReadJpegImage(path.c_str(), &pixels, &w, &h, &side));
  EXPECT_EQ(w, 20);
  EXPECT_EQ(h, 10);
  EXPECT_EQ(side, 32);
  for (int y : {0, 9}) {
    const unsigned char* row = pixels + (size_t)y * side * 4;
    for (int x : {0, 19}) {
      EXPECT_NEAR(row[x * 3], 200, 4);
      EXPECT_NEAR(row[x * 3 + 1], 40, 4);
      EXPECT_NEAR(row[x * 3 + 2], 90, 4);
    }
    EXPECT_EQ(row[20 * 3], 0);
  }
  FreeImagePixels(pixels);

  // A file that stops early decodes with a supplied end-of-image.
  std::string cut = Put("cut.jpg", jpeg.substr(0, jpeg.size() - 2));
  pixels = nullptr;
  EXPECT_TRUE(ReadJpegImage(cut.c_str(), &pixels, &w, &h, &side));
  FreeImagePixels(pixels);
}

TEST_F(ImageTest, DamagedJpegsFailInsteadOfEndingTheProcess) {
  std::vector<unsigned char> rgb(16 * 16 * 3, 128);
  std::string jpeg = EncodeJpeg(16, 16, rgb);
  std::string headerOnly = jpeg.substr(0, 120);
  std::string garbled = jpeg;
  for (size_t i = 2; i < 200 && i < garbled.size(); i += 3) garbled[i] = (char)0xFF;
  std::vector<unsigned char> wideRgb(9000 * 3, 1);
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"not a jpeg", "this is not a picture"},
      {"markers garbled", garbled},
      {"too wide", EncodeJpeg(9000, 1, wideRgb, 50)},
      {"soi only", std::string("\xFF\xD8", 2)},
  };
  for (const auto& c : cases) {
    std::string path = Put("bad.jpg", c.bytes);
    unsigned char* pixels = nullptr;
    int w, h, side;
    EXPECT_FALSE(ReadJpegImage(path.c_str(), &pixels, &w, &h, &side)) << c.what;
    EXPECT_EQ(pixels, nullptr) << c.what;
  }
  unsigned char* pixels = nullptr;
  int w, h, side;
  EXPECT_FALSE(ReadJpegImage(Path("missing.jpg").c_str(), &pixels, &w, &h, &side));
  std::string partial = Put("partial.jpg", headerOnly);
  if (ReadJpegImage(partial.c_str(), &pixels, &w, &h, &side)) FreeImagePixels(pixels);
}

TEST_F(ImageTest, Jpeg2000FormatsAreRegisteredOnce) {
  RegisterJpeg2000Formats();
  RegisterJpeg2000Formats();
  ASSERT_EQ(GetJpeg2000FormatCount(), 2);
  EXPECT_STREQ(GetJpeg2000Format(0)->name, "jp2");
  EXPECT_STREQ(GetJpeg2000Format(0)->description, "JPEG-2000 JP2 File Format Syntax (ISO/IEC 15444-1)");
  EXPECT_STREQ(GetJpeg2000Format(1)->name, "jpc");
  EXPECT_STREQ(GetJpeg2000Format(1)->description, "JPEG-2000 Code Stream Syntax (ISO/IEC 15444-1)");
  EXPECT_EQ(GetJpeg2000Format(2), nullptr);
}

TEST_F(ImageTest, Jpeg2000ComponentsMapOntoArgb) {
  auto fill = [](int n, int v) { return std::vector<int>((size_t)n, v); };
  const struct {
    const char* what;
    Jp2Spec spec;
    uint32_t pixel;
    bool alpha;
  } cases[] = {
      {"rgb jp2", Jp2(OPJ_CODEC_JP2, 3, 2, 8, false, OPJ_CLRSPC_SRGB, {fill(6, 10), fill(6, 20), fill(6, 30)}), 0xFF0A141E,
       false},
      {"rgba jp2", Jp2(OPJ_CODEC_JP2, 3, 2, 8, false, OPJ_CLRSPC_SRGB, {fill(6, 10), fill(6, 20), fill(6, 30), fill(6, 40)}, 3),
       0x280A141E, true},
      {"rgba codestream", Jp2(OPJ_CODEC_J2K, 3, 2, 8, false, OPJ_CLRSPC_SRGB, {fill(6, 1), fill(6, 2), fill(6, 3), fill(6, 4)}),
       0x04010203, true},
      {"grey jp2", Jp2(OPJ_CODEC_JP2, 3, 2, 8, false, OPJ_CLRSPC_GRAY, {fill(6, 99)}), 0xFF636363, false},
      {"grey codestream", Jp2(OPJ_CODEC_J2K, 3, 2, 8, false, OPJ_CLRSPC_GRAY, {fill(6, 7)}), 0xFF070707, false},
      {"grey alpha", Jp2(OPJ_CODEC_JP2, 3, 2, 8, false, OPJ_CLRSPC_GRAY, {fill(6, 50), fill(6, 60)}, 1), 0x3C323232, true},
      {"12 bit", Jp2(OPJ_CODEC_JP2, 3, 2, 12, false, OPJ_CLRSPC_GRAY, {fill(6, 0xABC)}), 0xFFABABAB, false},
      {"16 bit", Jp2(OPJ_CODEC_JP2, 3, 2, 16, false, OPJ_CLRSPC_SRGB, {fill(6, 0xFF00), fill(6, 0x1234), fill(6, 0x00FF)}),
       0xFFFF1200, false},
      {"4 bit", Jp2(OPJ_CODEC_J2K, 3, 2, 4, false, OPJ_CLRSPC_GRAY, {fill(6, 0xA)}), 0xFFA0A0A0, false},
      {"signed", Jp2(OPJ_CODEC_J2K, 3, 2, 8, true, OPJ_CLRSPC_GRAY, {fill(6, -128)}), 0xFF000000, false},
  };
  for (const auto& c : cases) {
    std::string name = std::string(c.what) + (c.spec.codec == OPJ_CODEC_JP2 ? ".jp2" : ".j2k");
    ASSERT_TRUE(WriteJp2(mTemp.File(name), c.spec)) << c.what;
    unsigned char* pixels = nullptr;
    int w, h, side;
    bool alpha = !c.alpha;
    ASSERT_TRUE(ReadJp2Image(Path(name).c_str(), &pixels, &w, &h, &side, &alpha)) << c.what;
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(side, 4);
    EXPECT_EQ(alpha, c.alpha) << c.what;
    EXPECT_EQ(Px(pixels, side, 0, 0), c.pixel) << c.what;
    FreeImagePixels(pixels);
  }
}

TEST_F(ImageTest, Jpeg2000BordersStretchToTheSide) {
  Jp2Spec s = Jp2(OPJ_CODEC_JP2, 3, 2, 8, false, OPJ_CLRSPC_GRAY, {{1, 2, 3, 4, 5, 6}});
  ASSERT_TRUE(WriteJp2(mTemp.File("edge.jp2"), s));
  unsigned char* pixels = nullptr;
  int w, h, side;
  bool alpha;
  ASSERT_TRUE(ReadJp2Image(Path("edge.jp2").c_str(), &pixels, &w, &h, &side, &alpha));
  const uint32_t want[4][4] = {{1, 2, 3, 3}, {4, 5, 6, 6}, {4, 5, 6, 6}, {4, 5, 6, 6}};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(Px(pixels, side, x, y), 0xFF000000u | want[y][x] * 0x010101u) << x << "," << y;
  FreeImagePixels(pixels);
}

TEST_F(ImageTest, Jpeg2000SubsampledComponentsAreReadAtTheirOwnScale) {
  // Red at full size; green and blue at half size in each direction.
  Jp2Spec s = Jp2(OPJ_CODEC_J2K, 4, 4, 8, false, OPJ_CLRSPC_SRGB,
                  {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, {100, 110, 120, 130}, {200, 210, 220, 230}});
  s.steps = {1, 2, 2};
  ASSERT_TRUE(WriteJp2(mTemp.File("sub.j2k"), s));
  unsigned char* pixels = nullptr;
  int w, h, side;
  bool alpha;
  ASSERT_TRUE(ReadJp2Image(Path("sub.j2k").c_str(), &pixels, &w, &h, &side, &alpha));
  EXPECT_EQ(Px(pixels, side, 0, 0), 0xFF0064C8u);
  EXPECT_EQ(Px(pixels, side, 3, 1), 0xFF076ED2u);
  EXPECT_EQ(Px(pixels, side, 2, 3), 0xFF0E82E6u);
  FreeImagePixels(pixels);
}

TEST_F(ImageTest, DamagedJpeg2000FilesFail) {
  Jp2Spec s = Jp2(OPJ_CODEC_JP2, 16, 16, 8, false, OPJ_CLRSPC_SRGB,
                  {std::vector<int>(256, 1), std::vector<int>(256, 2), std::vector<int>(256, 3)});
  ASSERT_TRUE(WriteJp2(mTemp.File("good.jp2"), s));
  std::string good = Slurp("good.jp2");
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"signature only", good.substr(0, 12)},
      {"half", good.substr(0, good.size() / 2)},
      {"not jpeg-2000", "plain text, nothing more"},
      {"codestream marker only", std::string("\xFF\x4F\xFF\x51", 4)},
  };
  for (const auto& c : cases) {
    std::string path = Put("bad.jp2", c.bytes);
    unsigned char* pixels = nullptr;
    int w, h, side;
    bool alpha;
    EXPECT_FALSE(ReadJp2Image(path.c_str(), &pixels, &w, &h, &side, &alpha)) << c.what;
    EXPECT_EQ(pixels, nullptr) << c.what;
  }
}

// Colour boxes that say sYCC give RGB, full-size and half-size chroma alike, as OpenJPEG's own
// decoder converts them.
TEST_F(ImageTest, Jpeg2000SyccBecomesRgb) {
  for (int step : {1, 2}) {
    std::string name = "sycc" + std::to_string(step) + ".jp2";
    ASSERT_TRUE(WriteJp2(mTemp.File(name), SyccImage(step)));
    int refWidth = 0, refHeight = 0;
    std::vector<unsigned char> reference =
        ReadFixturePpm(step == 1 ? "sycc444.ppm" : "sycc420.ppm", &refWidth, &refHeight);
    ASSERT_EQ(refWidth, 7);
    ASSERT_EQ(refHeight, 5);
    Decoded d;
    d.ok = ReadJp2Image(Path(name).c_str(), &d.pixels, &d.width, &d.height, &d.side, &d.alpha);
    ASSERT_TRUE(d.ok) << step;
    EXPECT_LE(LargestDifference(d.pixels, d.side, reference, 7, 5, true), 1) << step;
    EXPECT_EQ(d.At(0, 0) >> 24, 0xFFu);
  }
}

// Samples of a subsampled component sit at multiples of its step on the reference grid: an
// image starting at an odd position takes the first sample for its first two columns.
TEST_F(ImageTest, Jpeg2000SubsampledComponentsFollowTheOrigins) {
  // 4 x 4 pixels at (1, 1): red at full size; green and blue at half size, whose cells cover
  // the grid from 2 on (component origin 1) in both directions.
  Jp2Spec s = Jp2(OPJ_CODEC_J2K, 4, 4, 8, false, OPJ_CLRSPC_SRGB,
                  {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, {100, 110, 120, 130}, {200, 210, 220, 230}});
  s.steps = {1, 2, 2};
  s.x0 = 1;
  s.y0 = 1;
  ASSERT_TRUE(WriteJp2(mTemp.File("origin.j2k"), s));
  Decoded d;
  d.ok = ReadJp2Image(Path("origin.j2k").c_str(), &d.pixels, &d.width, &d.height, &d.side, &d.alpha);
  ASSERT_TRUE(d.ok);
  ASSERT_EQ(d.width, 4);
  ASSERT_EQ(d.height, 4);
  // Grid 1, 2, 3, 4 take chroma 0, 0, 0, 1, across and down.
  const int cell[4] = {0, 0, 0, 1};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      uint32_t green = 100 + 10 * (cell[y] * 2 + cell[x]);
      uint32_t want = 0xFF000000u | (uint32_t)(y * 4 + x) << 16 | green << 8 | (green + 100);
      EXPECT_EQ(d.At(x, y), want) << x << "," << y;
    }
}

// CMYK JPEGs load as RGB: with Adobe's marker the data is inverted (plain CMYK or YCCK), without
// it the bytes are ink amounts. Flat colours come out exactly; a file made by another tool
// matches that tool's own conversion.
TEST_F(ImageTest, CmykJpegsLoadAsRgb) {
  const struct {
    unsigned char ink[4];
    unsigned char rgb[3];
  } colours[] = {
      {{0, 255, 255, 0}, {255, 0, 0}},   {{255, 255, 0, 0}, {0, 0, 255}}, {{0, 0, 0, 255}, {0, 0, 0}},
      {{0, 0, 0, 0}, {255, 255, 255}},   {{128, 0, 0, 0}, {127, 255, 255}}, {{0, 64, 0, 128}, {127, 95, 127}},
  };
  const struct {
    const char* what;
    bool adobe, ycck;
  } forms[] = {{"plain", false, false}, {"adobe", true, false}, {"adobe ycck", true, true}};
  for (const auto& form : forms)
    for (const auto& c : colours) {
      std::vector<unsigned char> cmyk;
      for (int i = 0; i < 8 * 8; ++i)
        for (int k = 0; k < 4; ++k) cmyk.push_back(form.adobe ? (unsigned char)(255 - c.ink[k]) : c.ink[k]);
      std::string path = Put("cmyk.jpg", EncodeCmykJpeg(8, 8, cmyk, form.adobe, form.ycck));
      Decoded d;
      d.ok = ReadJpegImage(path.c_str(), &d.pixels, &d.width, &d.height, &d.side);
      ASSERT_TRUE(d.ok) << form.what;
      std::vector<unsigned char> want;
      for (int i = 0; i < 64; ++i) want.insert(want.end(), c.rgb, c.rgb + 3);
      // Rows hold three bytes a pixel, as for any JPEG.
      std::vector<unsigned char> rows;
      for (int y = 0; y < 8; ++y) rows.insert(rows.end(), d.pixels + (size_t)y * d.side * 4, d.pixels + (size_t)y * d.side * 4 + 24);
      int worst = 0;
      for (size_t i = 0; i < want.size(); ++i) worst = std::max(worst, std::abs((int)rows[i] - (int)want[i]));
      EXPECT_LE(worst, 1) << form.what << " ink " << (int)c.ink[0] << "," << (int)c.ink[1] << "," << (int)c.ink[2]
                          << "," << (int)c.ink[3];
    }

  int refWidth = 0, refHeight = 0;
  std::vector<unsigned char> reference = ReadFixturePpm("cmyk_adobe.ppm", &refWidth, &refHeight);
  std::string path = Put("other.jpg", ReadFixture("cmyk_adobe.jpg"));
  Decoded d;
  d.ok = ReadJpegImage(path.c_str(), &d.pixels, &d.width, &d.height, &d.side);
  ASSERT_TRUE(d.ok);
  ASSERT_EQ(d.width, refWidth);
  ASSERT_EQ(d.height, refHeight);
  int worst = 0;
  for (int y = 0; y < d.height; ++y)
    for (int i = 0; i < d.width * 3; ++i)
      worst = std::max(worst, std::abs((int)d.pixels[(size_t)y * d.side * 4 + i] - (int)reference[(size_t)y * d.width * 3 + i]));
  EXPECT_LE(worst, 1);
}
