// The texture loader's image readers: PNG, JPEG and JPEG-2000 into square pixel buffers.
#include "core/graphics/images/image_reader.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <openjpeg.h>

#include "core/base/file.h"
#include "core/base/log.h"
#include "core/graphics/images/jpeg2000.h"
#include "core/graphics/images/jpeg_file_source.h"
#include "core/graphics/images/png_image.h"

bool ReadPngImage(const char* path, unsigned char** pixels, int* width, int* height, int* side,
                  uint32_t* keyColour, bool* hasAlpha) {
  unsigned char* buffer = nullptr;
  unsigned char key[3] = {0, 0, 0};
  int channels = 0;
  bool alpha = false;
  if (!LoadPngImage(path, &buffer, width, height, &channels, side, &alpha, key)) return false;
  *pixels = buffer;
  if (keyColour) *keyColour = (uint32_t)key[0] | ((uint32_t)key[1] << 8) | ((uint32_t)key[2] << 16);
  if (hasAlpha) *hasAlpha = alpha;
  return true;
}

// ---- JPEG ----

namespace {

// The library's fatal errors come back here instead of ending the process.
struct JpegErrorManager {
  jpeg_error_mgr pub;
  jmp_buf jump;
};

void JpegErrorExit(j_common_ptr cinfo) {
  JpegErrorManager* err = (JpegErrorManager*)cinfo->err;
  longjmp(err->jump, 1);
}

void JpegOutputMessage(j_common_ptr) {}

struct JpegDecode {
  jpeg_decompress_struct cinfo;
  JpegErrorManager err;
  TFile* file = nullptr;
  unsigned char* pixels = nullptr;
  bool created = false;
};

// Four bytes a pixel of CMYK to three of RGB, in place (the row holds side x 4 bytes). Each
// colour is what is left of white after its ink and the black ink.
void CmykRowToRgb(unsigned char* row, int width, bool inverted) {
  for (int x = 0; x < width; ++x) {
    const unsigned char* in = row + (size_t)x * 4;
    unsigned k = inverted ? in[3] : 255u - in[3];
    unsigned char rgb[3];
    for (int i = 0; i < 3; ++i) {
      unsigned left = inverted ? in[i] : 255u - in[i];
      rgb[i] = (unsigned char)((left * k + 127) / 255);
    }
    memcpy(row + (size_t)x * 3, rgb, 3);
  }
}

bool DecodeJpeg(JpegDecode* d, int* width, int* height, int* side) {
  jpeg_decompress_struct* cinfo = &d->cinfo;
  if (setjmp(d->err.jump)) return false;
  jpeg_create_decompress(cinfo);
  d->created = true;
  SetJpegFileSource(cinfo, d->file);
  jpeg_read_header(cinfo, TRUE);
  if (cinfo->image_width == 0 || cinfo->image_height == 0 || cinfo->image_width > (JDIMENSION)kMaxImageSide ||
      cinfo->image_height > (JDIMENSION)kMaxImageSide)
    return false;
  // The library does not turn CMYK into RGB: those are read as CMYK and converted here.
  bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
  cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_start_decompress(cinfo);
  if (cinfo->output_components != (cmyk ? 4 : 3) || cinfo->output_width > (JDIMENSION)kMaxImageSide ||
      cinfo->output_height > (JDIMENSION)kMaxImageSide)
    return false;
  // Files with Adobe's marker store CMYK inverted (0 is full ink), as Photoshop writes them.
  bool inverted = cmyk && cinfo->saw_Adobe_marker;
  int w = (int)cinfo->output_width;
  int h = (int)cinfo->output_height;
  int s = ImageSideFor(w, h);
  d->pixels = AllocImagePixels(s);
  if (!d->pixels) return false;
  size_t rowLength = (size_t)s * 4;
  while (cinfo->output_scanline < cinfo->output_height) {
    JSAMPROW row = d->pixels + (size_t)cinfo->output_scanline * rowLength;
    jpeg_read_scanlines(cinfo, &row, 1);
    if (cmyk) CmykRowToRgb(row, w, inverted);
  }
  jpeg_finish_decompress(cinfo);
  *width = w;
  *height = h;
  *side = s;
  return true;
}

}  // namespace

bool ReadJpegImage(const char* path, unsigned char** pixels, int* width, int* height, int* side) {
  JpegDecode d;
  d.file = FileOpen(path, kFileReadBinary);
  if (!d.file) return false;
  d.cinfo.err = jpeg_std_error(&d.err.pub);
  d.err.pub.error_exit = JpegErrorExit;
  d.err.pub.output_message = JpegOutputMessage;
  int w = 0, h = 0, s = 0;
  bool ok = DecodeJpeg(&d, &w, &h, &s);
  if (d.created) jpeg_destroy_decompress(&d.cinfo);
  FileClose(d.file);
  if (!ok) {
    FreeImagePixels(d.pixels);
    return false;
  }
  *pixels = d.pixels;
  *width = w;
  *height = h;
  *side = s;
  return true;
}

// ---- JPEG-2000 ----

namespace {

void Jp2Quiet(const char*, void*) {}

// One component's sample at an image position, scaled to 8 bits. A component's samples sit on
// the reference grid at multiples of its step, from its own origin on: an image pixel takes the
// sample whose cell covers its grid position (the image's origin added), kept inside the
// component at the edges.
struct Channel {
  const opj_image_comp_t* comp = nullptr;
  int64_t originX = 0, originY = 0;  // the image's origin on the reference grid
  int Sample(int x, int y) const {
    int64_t cx = (originX + x) / (comp->dx ? comp->dx : 1) - (int64_t)comp->x0;
    int64_t cy = (originY + y) / (comp->dy ? comp->dy : 1) - (int64_t)comp->y0;
    cx = cx < 0 ? 0 : cx >= (int64_t)comp->w ? (int64_t)comp->w - 1 : cx;
    cy = cy < 0 ? 0 : cy >= (int64_t)comp->h ? (int64_t)comp->h - 1 : cy;
    int64_t v = comp->data[(size_t)cy * comp->w + (size_t)cx];
    int prec = (int)comp->prec;
    if (comp->sgnd) v += (int64_t)1 << (prec - 1);
    // Wider samples lose their low bits; narrower ones move up. Never a negative shift.
    if (prec > 8)
      v >>= (prec - 8);
    else if (prec < 8)
      v <<= (8 - prec);
    return v < 0 ? 0 : v > 255 ? 255 : (int)v;
  }
};

// sYCC (full-range Y, Cb, Cr of 8 bits) to R, G, B.
void SyccToRgb(int y, int cb, int cr, unsigned char rgb[3]) {
  double b = cb - 128.0, r = cr - 128.0;
  double out[3] = {y + 1.402 * r, y - 0.344136 * b - 0.714136 * r, y + 1.772 * b};
  for (int i = 0; i < 3; ++i) rgb[i] = (unsigned char)(out[i] < 0 ? 0 : out[i] > 255 ? 255 : (int)(out[i] + 0.5));
}

bool UsableComponent(const opj_image_comp_t& c) {
  return c.data && c.w > 0 && c.h > 0 && c.prec >= 1 && c.prec <= 31 && c.dx >= 1 && c.dy >= 1;
}

}  // namespace

bool ReadJp2Image(const char* path, unsigned char** pixels, int* width, int* height, int* side, bool* hasAlpha) {
  TFile file;
  if (!file.Open(TStr(path), kFileReadBinary)) return false;
  RegisterJpeg2000Formats();
  const TJpeg2000Format* format = RecognizeJpeg2000Format(&file);
  if (!format) return false;

  opj_stream_t* stream = CreateJp2FileStream(&file);
  opj_codec_t* codec = opj_create_decompress(format->codec);
  opj_image_t* image = nullptr;
  unsigned char* buffer = nullptr;
  bool ok = false;
  do {
    if (!stream || !codec) break;
    opj_set_info_handler(codec, Jp2Quiet, nullptr);
    opj_set_warning_handler(codec, Jp2Quiet, nullptr);
    opj_set_error_handler(codec, Jp2Quiet, nullptr);
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    if (!opj_setup_decoder(codec, &parameters)) break;
    if (!opj_read_header(stream, codec, &image) || !image) break;
    if (image->x1 <= image->x0 || image->y1 <= image->y0) break;
    if (image->x1 - image->x0 > (OPJ_UINT32)kMaxImageSide || image->y1 - image->y0 > (OPJ_UINT32)kMaxImageSide) break;
    if (!opj_decode(codec, stream, image) || !opj_end_decompress(codec, stream)) break;

    int w = (int)(image->x1 - image->x0);
    int h = (int)(image->y1 - image->y0);
    // Colour components in order, and the opacity component: the one flagged as alpha, else
    // the one after the colours (a fourth of a colour image, a second of a grey one).
    std::vector<int> colours;
    int alpha = -1;
    for (OPJ_UINT32 i = 0; i < image->numcomps; ++i) {
      if (!UsableComponent(image->comps[i])) continue;
      if (image->comps[i].alpha && alpha < 0)
        alpha = (int)i;
      else if (!image->comps[i].alpha)
        colours.push_back((int)i);
    }
    if (colours.empty()) break;
    bool grey = image->color_space == OPJ_CLRSPC_GRAY || colours.size() < 3;
    size_t colourCount = grey ? 1 : 3;
    if (alpha < 0 && colours.size() > colourCount) alpha = colours[colourCount];
    // The colour box may say the colours are Y, Cb and Cr.
    bool sycc = !grey && image->color_space == OPJ_CLRSPC_SYCC;
    Channel red, green, blue, opacity;
    red.comp = &image->comps[colours[0]];
    green.comp = grey ? red.comp : &image->comps[colours[1]];
    blue.comp = grey ? red.comp : &image->comps[colours[2]];
    if (alpha >= 0) opacity.comp = &image->comps[alpha];
    for (Channel* c : {&red, &green, &blue, &opacity}) {
      c->originX = image->x0;
      c->originY = image->y0;
    }

    int s = ImageSideFor(w, h);
    buffer = AllocImagePixels(s);
    if (!buffer) break;
    size_t rowLength = (size_t)s * 4;
    for (int y = 0; y < h; ++y) {
      unsigned char* row = buffer + (size_t)y * rowLength;
      for (int x = 0; x < w; ++x) {
        unsigned char* p = row + (size_t)x * 4;
        if (sycc) {
          unsigned char rgb[3];
          SyccToRgb(red.Sample(x, y), green.Sample(x, y), blue.Sample(x, y), rgb);
          p[0] = rgb[2];
          p[1] = rgb[1];
          p[2] = rgb[0];
        } else {
          p[0] = (unsigned char)blue.Sample(x, y);
          p[1] = (unsigned char)green.Sample(x, y);
          p[2] = (unsigned char)red.Sample(x, y);
        }
        p[3] = opacity.comp ? (unsigned char)opacity.Sample(x, y) : 255;
      }
      // Stretch the border so filtering at the edges sees the image, not black.
      for (int x = w; x < s; ++x) memcpy(row + (size_t)x * 4, row + (size_t)(w - 1) * 4, 4);
    }
    for (int y = h; y < s; ++y) memcpy(buffer + (size_t)y * rowLength, buffer + (size_t)(h - 1) * rowLength, rowLength);

    *pixels = buffer;
    buffer = nullptr;
    *width = w;
    *height = h;
    *side = s;
    if (hasAlpha) *hasAlpha = opacity.comp != nullptr;
    ok = true;
  } while (false);
  FreeImagePixels(buffer);
  if (image) opj_image_destroy(image);
  if (codec) opj_destroy_codec(codec);
  if (stream) opj_stream_destroy(stream);
  return ok;
}
