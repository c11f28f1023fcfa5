// The JPEG-2000 formats the texture readers know, decoded by OpenJPEG through the file layer.
#include "core/graphics/images/jpeg2000.h"

#include <cstring>
#include <vector>

#include "core/base/file.h"

namespace {

std::vector<TJpeg2000Format>& Formats() {
  static std::vector<TJpeg2000Format> formats;  // main thread only
  return formats;
}

OPJ_SIZE_T StreamRead(void* buffer, OPJ_SIZE_T bytes, void* user) {
  TFile* file = (TFile*)user;
  if (bytes > 0x7FFFFFFF) bytes = 0x7FFFFFFF;
  int got = FileRead(file, buffer, (int)bytes);
  return got > 0 ? (OPJ_SIZE_T)got : (OPJ_SIZE_T)-1;
}

// The library's start, current and end origins are the file layer's 1, 0 and 2.
OPJ_OFF_T StreamSkip(OPJ_OFF_T bytes, void* user) {
  TFile* file = (TFile*)user;
  int here = FileTell(file);
  int size = FileGetSize(file);
  OPJ_OFF_T target = (OPJ_OFF_T)here + bytes;
  if (target < 0 || target > size) return -1;
  FileSeek(file, (int)target, kSeekStart);
  return bytes;
}

OPJ_BOOL StreamSeek(OPJ_OFF_T position, void* user) {
  TFile* file = (TFile*)user;
  if (position < 0 || position > FileGetSize(file)) return OPJ_FALSE;
  FileSeek(file, (int)position, kSeekStart);
  return OPJ_TRUE;
}

}  // namespace

void RegisterJpeg2000Formats() {
  if (!Formats().empty()) return;
  Formats().push_back({0, "jp2", "JPEG-2000 JP2 File Format Syntax (ISO/IEC 15444-1)", OPJ_CODEC_JP2});
  Formats().push_back({1, "jpc", "JPEG-2000 Code Stream Syntax (ISO/IEC 15444-1)", OPJ_CODEC_J2K});
}

int GetJpeg2000FormatCount() { return (int)Formats().size(); }

const TJpeg2000Format* GetJpeg2000Format(int id) {
  for (const TJpeg2000Format& f : Formats())
    if (f.id == id) return &f;
  return nullptr;
}

const TJpeg2000Format* RecognizeJpeg2000Format(TFile* file) {
  static const unsigned char kJp2[12] = {0, 0, 0, 0x0C, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
  static const unsigned char kCodeStream[4] = {0xFF, 0x4F, 0xFF, 0x51};
  unsigned char head[12] = {0};
  int start = FileTell(file);
  int got = FileRead(file, head, 12);
  FileSeek(file, start, kSeekStart);
  for (const TJpeg2000Format& f : Formats()) {
    if (f.codec == OPJ_CODEC_JP2 && got >= 12 && memcmp(head, kJp2, 12) == 0) return &f;
    if (f.codec == OPJ_CODEC_J2K && got >= 4 && memcmp(head, kCodeStream, 4) == 0) return &f;
  }
  return nullptr;
}

opj_stream_t* CreateJp2FileStream(TFile* file) {
  opj_stream_t* stream = opj_stream_create(4096, OPJ_TRUE);
  if (!stream) return nullptr;
  opj_stream_set_user_data(stream, file, nullptr);
  opj_stream_set_user_data_length(stream, (OPJ_UINT64)(FileGetSize(file) > 0 ? FileGetSize(file) : 0));
  opj_stream_set_read_function(stream, StreamRead);
  opj_stream_set_skip_function(stream, StreamSkip);
  opj_stream_set_seek_function(stream, StreamSeek);
  return stream;
}
