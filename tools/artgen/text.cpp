// Glyph outlines are read unscaled (font units, no hinting) and scaled here, so the shapes do
// not depend on FreeType's grid fitting.
#include "tools/artgen/text.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <cstdio>

namespace Art {

struct Face::Impl {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
};

namespace {

const char* const kFontFolders[] = {"/usr/share/fonts/truetype/dejavu/"};

struct Builder {
  Path* path;
  double scale, x, y;
  double X(const FT_Vector* v) const { return x + v->x * scale; }
  double Y(const FT_Vector* v) const { return y - v->y * scale; }
};

int MoveFn(const FT_Vector* to, void* user) {
  auto* b = (Builder*)user;
  b->path->MoveTo(b->X(to), b->Y(to));
  return 0;
}
int LineFn(const FT_Vector* to, void* user) {
  auto* b = (Builder*)user;
  b->path->LineTo(b->X(to), b->Y(to));
  return 0;
}
int ConicFn(const FT_Vector* c, const FT_Vector* to, void* user) {
  auto* b = (Builder*)user;
  b->path->QuadTo(b->X(c), b->Y(c), b->X(to), b->Y(to));
  return 0;
}
int CubicFn(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
  auto* b = (Builder*)user;
  b->path->CubicTo(b->X(c1), b->Y(c1), b->X(c2), b->Y(c2), b->X(to), b->Y(to));
  return 0;
}

}  // namespace

std::shared_ptr<Face> Face::Load(const std::string& fileName) {
  std::shared_ptr<Face> f(new Face());
  f->mImpl = std::make_unique<Impl>();
  if (FT_Init_FreeType(&f->mImpl->library) != 0) return nullptr;
  for (const char* folder : kFontFolders) {
    std::string path = std::string(folder) + fileName;
    if (FT_New_Face(f->mImpl->library, path.c_str(), 0, &f->mImpl->face) == 0) return f;
  }
  std::fprintf(stderr, "artgen: cannot read the font %s (install fonts-dejavu-core)\n", fileName.c_str());
  return nullptr;
}

Face::~Face() {
  if (!mImpl) return;
  if (mImpl->face) FT_Done_Face(mImpl->face);
  if (mImpl->library) FT_Done_FreeType(mImpl->library);
}

namespace {
// Lays the text out from x with kerning: each glyph's outline goes into the path when there is
// one. Answers the pen position after the last glyph.
double Walk(FT_Face face, const std::string& text, double x, double y, double size, Path* path) {
  double scale = size / face->units_per_EM;
  FT_Outline_Funcs funcs{MoveFn, LineFn, ConicFn, CubicFn, 0, 0};
  FT_UInt previous = 0;
  for (unsigned char ch : text) {
    FT_UInt glyph = FT_Get_Char_Index(face, ch);
    if (previous && glyph && FT_HAS_KERNING(face)) {
      FT_Vector k;
      if (FT_Get_Kerning(face, previous, glyph, FT_KERNING_UNSCALED, &k) == 0) x += k.x * scale;
    }
    if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) == 0) {
      if (path) {
        Builder b{path, scale, x, y};
        FT_Outline_Decompose(&face->glyph->outline, &funcs, &b);
        path->Close();
      }
      x += face->glyph->advance.x * scale;
    }
    previous = glyph;
  }
  return x;
}
}  // namespace

Path Face::Outline(const std::string& text, double x, double y, double size) const {
  Path path;
  Walk(mImpl->face, text, x, y, size, &path);
  return path;
}

double Face::Advance(const std::string& text, double size) const {
  return Walk(mImpl->face, text, 0, 0, size, nullptr);
}

double Face::CapHeight(double size) const {
  FT_Face face = mImpl->face;
  FT_UInt glyph = FT_Get_Char_Index(face, 'H');
  if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) return size * 0.7;
  FT_BBox box;
  FT_Outline_Get_CBox(&face->glyph->outline, &box);
  return box.yMax * size / face->units_per_EM;
}

Path CentredText(const Face& face, const std::string& text, double cx, double cy, double size) {
  double w = face.Advance(text, size);
  return face.Outline(text, cx - w / 2, cy + face.CapHeight(size) / 2, size);
}

}  // namespace Art
