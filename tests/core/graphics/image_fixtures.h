// Image files made by the tests themselves: PNG through libpng, JPEG through libjpeg and
// JPEG-2000 through OpenJPEG's encoder.
#pragma once

#include <png.h>
#include <jpeglib.h>
#include <openjpeg.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct PngSpec {
  int width = 1, height = 1;
  int colorType = PNG_COLOR_TYPE_RGB;
  int depth = 8;
  std::vector<unsigned char> data;  // packed rows as libpng expects them (16-bit big-endian)
  std::vector<png_color> palette;
  std::vector<unsigned char> paletteAlpha;  // tRNS for palette images
  bool keyColour = false;                   // tRNS colour for grey or colour images
  png_color_16 key{};
  double gamma = 0;  // gAMA chunk when non-zero
};

inline PngSpec Png(int width, int height, int colorType, int depth, std::vector<unsigned char> data) {
  PngSpec s;
  s.width = width;
  s.height = height;
  s.colorType = colorType;
  s.depth = depth;
  s.data = std::move(data);
  return s;
}

// An RGBA PNG of 32-bit ARGB pixels given row by row; with `opaque` an RGB one, the alpha
// channel left out of the file altogether.
inline PngSpec ArgbPng(int width, int height, const std::vector<uint32_t>& argb, bool opaque = false) {
  std::vector<unsigned char> rows;
  rows.reserve(argb.size() * 4);
  for (uint32_t p : argb) {
    rows.insert(rows.end(), {(unsigned char)(p >> 16), (unsigned char)(p >> 8), (unsigned char)p});
    if (!opaque) rows.push_back((unsigned char)(p >> 24));
  }
  return Png(width, height, opaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGBA, 8, std::move(rows));
}

inline bool WritePng(const std::string& path, const PngSpec& s) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, s.width, s.height, s.depth, s.colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), (int)s.palette.size());
  if (!s.paletteAlpha.empty())
    png_set_tRNS(png, info, s.paletteAlpha.data(), (int)s.paletteAlpha.size(), nullptr);
  if (s.keyColour) {
    png_color_16 key = s.key;
    png_set_tRNS(png, info, nullptr, 0, &key);
  }
  if (s.gamma > 0) png_set_gAMA(png, info, s.gamma);
  png_write_info(png, info);
  size_t rowBytes = png_get_rowbytes(png, info);
  for (int r = 0; r < s.height; ++r) png_write_row(png, (png_const_bytep)s.data.data() + r * rowBytes);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return fclose(f) == 0;
}

// samples holds width x height x components bytes in the colour space given. For CMYK, adobe
// chooses whether Adobe's marker is written (the library records the transform in it: none, or
// YCCK when ycck is set); readers take data with the marker as inverted.
inline std::string EncodeJpegSamples(int width, int height, const std::vector<unsigned char>& samples,
                                     J_COLOR_SPACE space, int quality, bool adobe = false, bool ycck = false) {
  int components = space == JCS_CMYK ? 4 : 3;
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = (JDIMENSION)width;
  c.image_height = (JDIMENSION)height;
  c.input_components = components;
  c.in_color_space = space;
  jpeg_set_defaults(&c);
  if (ycck) jpeg_set_colorspace(&c, JCS_YCCK);
  jpeg_set_quality(&c, quality, TRUE);
  if (space == JCS_CMYK) c.write_Adobe_marker = adobe ? TRUE : FALSE;
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = (JSAMPROW)&samples[(size_t)c.next_scanline * (size_t)width * components];
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  std::string bytes((const char*)out, size);
  jpeg_destroy_compress(&c);
  free(out);
  return bytes;
}

// rgb holds width x height x 3 bytes.
inline std::string EncodeJpeg(int width, int height, const std::vector<unsigned char>& rgb, int quality = 95) {
  return EncodeJpegSamples(width, height, rgb, JCS_RGB, quality);
}

// cmyk holds width x height x 4 bytes, written as given.
inline std::string EncodeCmykJpeg(int width, int height, const std::vector<unsigned char>& cmyk, bool adobe,
                                  bool ycck = false) {
  return EncodeJpegSamples(width, height, cmyk, JCS_CMYK, 100, adobe, ycck);
}

struct Jp2Spec {
  OPJ_CODEC_FORMAT codec = OPJ_CODEC_JP2;
  int width = 1, height = 1;
  int precision = 8;
  bool sgnd = false;
  OPJ_COLOR_SPACE space = OPJ_CLRSPC_SRGB;
  std::vector<std::vector<int>> comps;  // each holds its component's samples, row by row
  int alphaIndex = -1;                  // component flagged as opacity
  std::vector<int> steps;               // per-component subsampling step (1 when absent)
  int x0 = 0, y0 = 0;                   // image origin on the reference grid
};

inline Jp2Spec Jp2(OPJ_CODEC_FORMAT codec, int width, int height, int precision, bool sgnd, OPJ_COLOR_SPACE space,
                   std::vector<std::vector<int>> comps, int alphaIndex = -1) {
  Jp2Spec s;
  s.codec = codec;
  s.width = width;
  s.height = height;
  s.precision = precision;
  s.sgnd = sgnd;
  s.space = space;
  s.comps = std::move(comps);
  s.alphaIndex = alphaIndex;
  return s;
}

inline bool WriteJp2(const std::string& path, const Jp2Spec& s) {
  std::vector<opj_image_cmptparm_t> params(s.comps.size());
  for (size_t i = 0; i < params.size(); ++i) {
    opj_image_cmptparm_t& p = params[i];
    p = opj_image_cmptparm_t{};
    OPJ_UINT32 step = i < s.steps.size() ? (OPJ_UINT32)s.steps[i] : 1;
    p.dx = p.dy = step;
    // A component covers the samples whose grid positions fall inside the image.
    OPJ_UINT32 x0 = (OPJ_UINT32)s.x0, y0 = (OPJ_UINT32)s.y0;
    OPJ_UINT32 x1 = x0 + (OPJ_UINT32)s.width, y1 = y0 + (OPJ_UINT32)s.height;
    p.x0 = (x0 + step - 1) / step;
    p.y0 = (y0 + step - 1) / step;
    p.w = (x1 + step - 1) / step - p.x0;
    p.h = (y1 + step - 1) / step - p.y0;
    p.prec = (OPJ_UINT32)s.precision;
    p.sgnd = s.sgnd ? 1 : 0;
  }
  opj_image_t* image = opj_image_create((OPJ_UINT32)params.size(), params.data(), s.space);
  if (!image) return false;
  image->x0 = (OPJ_UINT32)s.x0;
  image->y0 = (OPJ_UINT32)s.y0;
  image->x1 = (OPJ_UINT32)(s.x0 + s.width);
  image->y1 = (OPJ_UINT32)(s.y0 + s.height);
  for (size_t i = 0; i < s.comps.size(); ++i) {
    for (size_t k = 0; k < s.comps[i].size(); ++k) image->comps[i].data[k] = s.comps[i][k];
    image->comps[i].alpha = (OPJ_UINT16)((int)i == s.alphaIndex ? 1 : 0);
  }
  opj_cparameters_t p;
  opj_set_default_encoder_parameters(&p);
  p.tcp_numlayers = 1;
  p.tcp_rates[0] = 0;
  p.cp_disto_alloc = 1;
  p.numresolution = 1;
  opj_codec_t* codec = opj_create_compress(s.codec);
  bool ok = opj_setup_encoder(codec, &p, image);
  opj_stream_t* stream = ok ? opj_stream_create_default_file_stream(path.c_str(), OPJ_FALSE) : nullptr;
  ok = ok && stream && opj_start_compress(codec, image, stream) && opj_encode(codec, stream) &&
       opj_end_compress(codec, stream);
  if (stream) opj_stream_destroy(stream);
  opj_destroy_codec(codec);
  opj_image_destroy(image);
  return ok;
}
