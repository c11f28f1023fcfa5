// The JPEG-2000 formats the texture readers know ("jp2" files and "jpc" code streams),
// decoded by OpenJPEG through the framework's file layer.
#pragma once

#include <openjpeg.h>

class TFile;

struct TJpeg2000Format {
  int id;
  const char* name;  // also the extension
  const char* description;
  OPJ_CODEC_FORMAT codec;
};

// Registers the two formats (id 0 "jp2", id 1 "jpc"), once; later calls do nothing.
void RegisterJpeg2000Formats();
int GetJpeg2000FormatCount();
const TJpeg2000Format* GetJpeg2000Format(int id);
// The registered format whose signature starts the file (read from its start, which is put
// back afterwards), or null.
const TJpeg2000Format* RecognizeJpeg2000Format(TFile* file);

// A library stream over an open framework file (reads and seeks through the file layer; the
// file stays the caller's). Destroy with opj_stream_destroy.
opj_stream_t* CreateJp2FileStream(TFile* file);
