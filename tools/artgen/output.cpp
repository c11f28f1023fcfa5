// PNG files are written with fixed settings and no time chunk, so equal pixels give equal
// bytes; fully opaque pictures are stored without an alpha channel.
#include "tools/artgen/output.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace Art {

namespace {

void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* out = (std::string*)png_get_io_ptr(png);
  out->append((const char*)data, length);
}

void NoFlush(png_structp) {}

std::string Base(const std::string& key) {
  size_t slash = key.rfind('/');
  return slash == std::string::npos ? key : key.substr(slash + 1);
}

// libpng reports errors by longjmp, so the encoder keeps nothing of its own across it.
struct PngImage {
  int w, h;
  bool opaque;
  std::vector<uint8_t> rows;
};

bool WritePng(const PngImage* image, std::string* out) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, out, AppendBytes, NoFlush);
  png_set_compression_level(png, 9);
  png_set_IHDR(png, info, (png_uint_32)image->w, (png_uint_32)image->h, 8,
               image->opaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  size_t stride = (size_t)image->w * (image->opaque ? 3 : 4);
  for (int y = 0; y < image->h; y++) png_write_row(png, (png_const_bytep)&image->rows[(size_t)y * stride]);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

std::string EncodePng(const Canvas& canvas) {
  std::vector<uint8_t> rgba = canvas.Rgba();
  PngImage image{canvas.Width(), canvas.Height(), true, {}};
  for (size_t i = 3; i < rgba.size(); i += 4) image.opaque &= rgba[i] == 255;
  int channels = image.opaque ? 3 : 4;
  image.rows.resize((size_t)image.w * image.h * channels);
  for (size_t i = 0; i < (size_t)image.w * image.h; i++)
    for (int k = 0; k < channels; k++) image.rows[i * channels + k] = rgba[i * 4 + k];
  std::string out;
  return WritePng(&image, &out) ? out : std::string();
}

Canvas ReadPng(const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return Canvas(0, 0);
  image.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return Canvas(0, 0);
  Canvas c((int)image.width, (int)image.height);
  for (int y = 0; y < c.Height(); y++)
    for (int x = 0; x < c.Width(); x++) {
      const uint8_t* p = &pixels[((size_t)y * c.Width() + x) * 4];
      c.Set(x, y, Color{p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f, p[3] / 255.0f});
    }
  return c;
}

Canvas Tinted(const Canvas& canvas, Color tint) {
  Canvas c(canvas.Width(), canvas.Height());
  for (int y = 0; y < c.Height(); y++)
    for (int x = 0; x < c.Width(); x++) {
      Color p = canvas.PixelAt(x, y);
      c.Set(x, y, Color{p.r * tint.r, p.g * tint.g, p.b * tint.b, p.a * tint.a});
    }
  return c;
}

void Sink::Write(const std::string& key, const std::string& bytes) {
  // Two areas drawing one key would leave whichever ran last: refuse it.
  for (const std::string& done : mWritten)
    if (done == key) {
      std::fprintf(stderr, "artgen: %s is drawn twice\n", key.c_str());
      mOk = false;
      return;
    }
  std::filesystem::path path = std::filesystem::path(mRoot) / key;
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  FILE* f = std::fopen(path.c_str(), "wb");
  bool ok = f && !bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (f) ok = std::fclose(f) == 0 && ok;
  if (!ok) {
    std::fprintf(stderr, "artgen: cannot write %s\n", path.c_str());
    mOk = false;
  }
  mWritten.push_back(key);
}

void Sink::Png(const std::string& key, const Canvas& canvas) { Write(key, EncodePng(canvas)); }

void Sink::Text(const std::string& key, const std::string& text) { Write(key, text); }

void Sink::Animation(const std::string& key, const std::vector<Frame>& frames, const std::string& script) {
  // Shelves left to right, at most 1024 px wide, a pixel of air around every frame so that
  // filtering never reaches a neighbour.
  const int kMaxWidth = 1024, kGap = 1;
  struct Place {
    int x, y;
  };
  std::vector<Place> places;
  int x = kGap, y = kGap, shelf = 0, width = 0;
  for (const Frame& f : frames) {
    if (x + f.canvas.Width() + kGap > kMaxWidth && x > kGap) {
      x = kGap;
      y += shelf + kGap;
      shelf = 0;
    }
    places.push_back({x, y});
    x += f.canvas.Width() + kGap;
    width = std::max(width, x);
    shelf = std::max(shelf, f.canvas.Height());
  }
  Canvas sheet(width, y + shelf + kGap);
  for (size_t i = 0; i < frames.size(); i++) sheet.Draw(frames[i].canvas, places[i].x, places[i].y);
  std::string image = Base(key) + ".png";
  Png(key + ".png", sheet);

  std::string xml = "<sequence name=\"" + Base(key) + "\">\n";
  xml += "  <img name=\"" + image + "\" w=\"" + std::to_string(sheet.Width()) + "\" h=\"" +
         std::to_string(sheet.Height()) + "\"/>\n  <framelist>\n";
  for (size_t i = 0; i < frames.size(); i++) {
    const Frame& f = frames[i];
    xml += "    <frame x=\"" + std::to_string(places[i].x) + "\" y=\"" + std::to_string(places[i].y) + "\" w=\"" +
           std::to_string(f.canvas.Width()) + "\" h=\"" + std::to_string(f.canvas.Height()) + "\" regx=\"" +
           std::to_string(f.regx) + "\" regy=\"" + std::to_string(f.regy) + "\"/>\n";
  }
  xml += "  </framelist>\n";
  if (!script.empty()) xml += "  <script>\n" + script + "  </script>\n";
  xml += "</sequence>\n";
  Text(key + ".xml", xml);
}

std::vector<std::pair<std::string, AreaFn>>& Areas() {
  static std::vector<std::pair<std::string, AreaFn>> areas;
  return areas;
}

std::vector<std::pair<std::string, AreaFn>>& Previews() {
  static std::vector<std::pair<std::string, AreaFn>> previews;
  return previews;
}

}  // namespace Art
