// mvecgen FONT.ttf OUT.mvec [--em UNITS] [--chars RANGES]: writes the glyphs of a TrueType font
// as an MVC4 vector font. Quadratic outlines map straight onto the shape commands; cubic ones
// (other outline formats) are split and approximated by two quadratics each. y is flipped,
// since shapes grow downward. RANGES is a comma list of hexadecimal codes or code ranges
// ("20-7E,A0-FF,20AC").
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_BBOX_H

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/graphics/text/shape_writer.h"
#include "core/graphics/text/vector_font_builder.h"
#include "tools/usage.h"

namespace {

const char* kDefaultChars = "20-7E,A0-FF,152-153,160-161,178,17D-17E,192,2C6,2DC,2013-2014,"
                            "2018-201A,201C-201E,2020-2022,2026,2030,2039-203A,20AC,2122";

struct Outline {
  TShapeWriter* w;
  float scale;
  float startX = 0, startY = 0, penX = 0, penY = 0;
  bool open = false;

  float X(const FT_Vector* v) const { return v->x * scale; }
  float Y(const FT_Vector* v) const { return -v->y * scale; }
  // Closes the previous contour explicitly: the rasteriser fills only the edges it is given.
  void Close() {
    if (open && (penX != startX || penY != startY)) w->LineTo(startX, startY);
    open = false;
  }
};

int MoveTo(const FT_Vector* to, void* user) {
  Outline* o = (Outline*)user;
  o->Close();
  o->startX = o->penX = o->X(to);
  o->startY = o->penY = o->Y(to);
  o->w->MoveTo(o->penX, o->penY);
  o->open = true;
  return 0;
}

int LineTo(const FT_Vector* to, void* user) {
  Outline* o = (Outline*)user;
  o->penX = o->X(to);
  o->penY = o->Y(to);
  o->w->LineTo(o->penX, o->penY);
  return 0;
}

int ConicTo(const FT_Vector* c, const FT_Vector* to, void* user) {
  Outline* o = (Outline*)user;
  o->penX = o->X(to);
  o->penY = o->Y(to);
  o->w->CurveTo(o->X(c), o->Y(c), o->penX, o->penY);
  return 0;
}

int CubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
  Outline* o = (Outline*)user;
  float p[4][2] = {{o->penX, o->penY}, {o->X(c1), o->Y(c1)}, {o->X(c2), o->Y(c2)}, {o->X(to), o->Y(to)}};
  // Split at t = 1/2 (de Casteljau), then each half's quadratic control is (3(c1 + c2) - p0 - p3) / 4.
  float m[3][2], n[2][2], mid[2];
  for (int k = 0; k < 2; k++) {
    for (int i = 0; i < 3; i++) m[i][k] = (p[i][k] + p[i + 1][k]) / 2;
    for (int i = 0; i < 2; i++) n[i][k] = (m[i][k] + m[i + 1][k]) / 2;
    mid[k] = (n[0][k] + n[1][k]) / 2;
  }
  float a[2], b[2];
  for (int k = 0; k < 2; k++) {
    a[k] = (3 * (m[0][k] + n[0][k]) - p[0][k] - mid[k]) / 4;
    b[k] = (3 * (n[1][k] + m[2][k]) - mid[k] - p[3][k]) / 4;
  }
  o->w->CurveTo(a[0], a[1], mid[0], mid[1]);
  o->w->CurveTo(b[0], b[1], p[3][0], p[3][1]);
  o->penX = p[3][0];
  o->penY = p[3][1];
  return 0;
}

bool ParseRanges(const char* text, std::vector<uint32_t>& codes) {
  std::string s(text);
  size_t at = 0;
  while (at < s.size()) {
    size_t comma = s.find(',', at);
    std::string item = s.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
    char* end = nullptr;
    unsigned long lo = strtoul(item.c_str(), &end, 16), hi = lo;
    if (end == item.c_str()) return false;
    if (*end == '-') hi = strtoul(end + 1, &end, 16);
    if (*end != 0 || hi < lo || hi > 0x10FFFF) return false;
    for (unsigned long c = lo; c <= hi; c++) codes.push_back((uint32_t)c);
    if (comma == std::string::npos) break;
    at = comma + 1;
  }
  return true;
}

}  // namespace

const char kUsage[] =
    "usage: mvecgen FONT.ttf OUT.mvec [--em UNITS] [--chars RANGES]\n"
    "  UNITS: the em in font units, above 0, at most 64 (64)\n"
    "  RANGES: hexadecimal codes or code ranges, comma separated (\"20-7E,A0-FF\")\n";

int main(int argc, char** argv) {
  if (ToolArgs::WantsHelp(argc, argv)) return ToolArgs::Help(kUsage);
  if (argc < 3 || argv[1][0] == '-' || argv[2][0] == '-') return ToolArgs::Usage(kUsage);
  // Coordinates are 16-bit in 1/128 units: an em above 64 would clip tall glyphs.
  double em = 64.0;
  const char* chars = kDefaultChars;
  std::vector<uint32_t> codes;
  for (int i = 3; i < argc; i += 2) {
    if (i + 1 == argc) return ToolArgs::Usage(kUsage);  // an option without its value
    if (!strcmp(argv[i], "--chars")) {
      chars = argv[i + 1];
    } else if (strcmp(argv[i], "--em") || !ToolArgs::ParseNumber(argv[i + 1], 0, 64, &em) || em == 0) {
      return ToolArgs::Usage(kUsage);
    }
  }
  if (!ParseRanges(chars, codes)) return ToolArgs::Usage(kUsage);

  FT_Library lib;
  FT_Face face;
  if (FT_Init_FreeType(&lib) || FT_New_Face(lib, argv[1], 0, &face)) {
    fprintf(stderr, "mvecgen: cannot open %s\n", argv[1]);
    return 1;
  }
  float scale = (float)em / face->units_per_EM;
  FT_Outline_Funcs funcs = {MoveTo, LineTo, ConicTo, CubicTo, 0, 0};
  TVectorFontBuilder builder;
  for (uint32_t code : codes) {
    FT_UInt index = FT_Get_Char_Index(face, code);
    if (!index || FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING)) continue;
    if (face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) continue;
    FT_Outline* outline = &face->glyph->outline;
    TShapeWriter w;
    TVectorFontBuilder::Glyph g;
    g.advance = face->glyph->metrics.horiAdvance * scale;
    if (outline->n_points > 0) {
      w.Layer();
      w.Fill1(1);
      Outline o{&w, scale};
      FT_Outline_Decompose(outline, &funcs, &o);
      o.Close();
      FT_BBox box;
      FT_Outline_Get_BBox(outline, &box);
      g.left = box.xMin * scale;
      g.right = box.xMax * scale;
      g.top = -box.yMax * scale;
      g.bottom = -box.yMin * scale;
    }
    w.End();
    g.shape = w.Bytes();
    builder.Add(code, std::move(g));
  }
  std::vector<uint8_t> bytes = builder.Build();
  FILE* out = fopen(argv[2], "wb");
  if (!out || fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || fclose(out) != 0) {
    fprintf(stderr, "mvecgen: cannot write %s\n", argv[2]);
    return 1;
  }
  printf("%s: %zu glyphs, %zu bytes\n", argv[2], builder.Count(), bytes.size());
  FT_Done_Face(face);
  FT_Done_FreeType(lib);
  return 0;
}
