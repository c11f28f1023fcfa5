// A JPEG library source manager that reads an open framework file through a 4096-byte buffer.
#include "core/graphics/images/jpeg_file_source.h"

#include <jerror.h>

#include "core/base/file.h"

namespace {

constexpr int kBufferSize = 4096;

struct JpegFileSource {
  jpeg_source_mgr pub;
  TFile* file;
  JOCTET* buffer;
  bool startOfFile;
};

void InitSource(j_decompress_ptr cinfo) { ((JpegFileSource*)cinfo->src)->startOfFile = true; }

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  JpegFileSource* src = (JpegFileSource*)cinfo->src;
  int got = FileRead(src->file, src->buffer, kBufferSize);
  if (got <= 0) {
    if (src->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    WARNMS(cinfo, JWRN_JPEG_EOF);
    // A fake end-of-image lets the decoder finish what it has.
    src->buffer[0] = (JOCTET)0xFF;
    src->buffer[1] = (JOCTET)JPEG_EOI;
    got = 2;
  }
  src->pub.next_input_byte = src->buffer;
  src->pub.bytes_in_buffer = (size_t)got;
  src->startOfFile = false;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  JpegFileSource* src = (JpegFileSource*)cinfo->src;
  if (count <= 0) return;
  while (count > (long)src->pub.bytes_in_buffer) {
    count -= (long)src->pub.bytes_in_buffer;
    FillInputBuffer(cinfo);
  }
  src->pub.next_input_byte += count;
  src->pub.bytes_in_buffer -= (size_t)count;
}

void TermSource(j_decompress_ptr) {}

}  // namespace

void SetJpegFileSource(j_decompress_ptr cinfo, TFile* file) {
  if (!cinfo->src) {
    cinfo->src = (jpeg_source_mgr*)(*cinfo->mem->alloc_small)((j_common_ptr)cinfo, JPOOL_PERMANENT,
                                                              sizeof(JpegFileSource));
    JpegFileSource* src = (JpegFileSource*)cinfo->src;
    src->buffer = (JOCTET*)(*cinfo->mem->alloc_small)((j_common_ptr)cinfo, JPOOL_PERMANENT, kBufferSize);
  }
  JpegFileSource* src = (JpegFileSource*)cinfo->src;
  src->pub.init_source = InitSource;
  src->pub.fill_input_buffer = FillInputBuffer;
  src->pub.skip_input_data = SkipInputData;
  src->pub.resync_to_restart = jpeg_resync_to_restart;
  src->pub.term_source = TermSource;
  src->file = file;
  src->pub.bytes_in_buffer = 0;
  src->pub.next_input_byte = nullptr;
}
