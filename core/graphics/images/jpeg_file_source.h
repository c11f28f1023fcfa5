// A JPEG library source manager that reads an open framework file through a 4096-byte buffer.
#pragma once

#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

class TFile;

// Installs the source on the decompressor (allocated from its permanent pool on the first call)
// and resets it. The file stays owned by the caller, who closes it after the decompressor is
// destroyed.
void SetJpegFileSource(j_decompress_ptr cinfo, TFile* file);
