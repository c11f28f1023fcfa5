// Tone encoding with libvorbisenc.
#include "tools/tonegen/tone.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace ToneGen {

namespace {
void Append(std::vector<uint8_t>& out, const ogg_page& page) {
  out.insert(out.end(), page.header, page.header + page.header_len);
  out.insert(out.end(), page.body, page.body + page.body_len);
}
}  // namespace

std::vector<uint8_t> MakeOggTone(const ToneSpec& spec) {
  std::vector<float> samples((size_t)spec.frames * spec.channels);
  for (uint32_t i = 0; i < spec.frames; i++) {
    double t = (double)i / spec.rate;
    float v = (float)(spec.amplitude * std::sin(2.0 * M_PI * spec.frequency * t + spec.phase));
    for (int c = 0; c < spec.channels; c++) samples[(size_t)i * spec.channels + c] = v;
  }
  return EncodeOgg(samples, OggSpec{spec.channels, spec.rate, spec.quality, spec.serial});
}

std::vector<uint8_t> EncodeOgg(const std::vector<float>& interleaved, const OggSpec& spec) {
  std::vector<uint8_t> out;
  if (spec.channels < 1) return out;
  const uint32_t frames = (uint32_t)(interleaved.size() / spec.channels);
  vorbis_info vi;
  vorbis_info_init(&vi);
  if (vorbis_encode_init_vbr(&vi, spec.channels, spec.rate, spec.quality) != 0) {
    vorbis_info_clear(&vi);
    return out;
  }
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_dsp_state vd;
  vorbis_block vb;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, spec.serial);  // fixed per spec: the same spec gives the same bytes
  ogg_packet header, comment, code;
  vorbis_analysis_headerout(&vd, &vc, &header, &comment, &code);
  ogg_stream_packetin(&os, &header);
  ogg_stream_packetin(&os, &comment);
  ogg_stream_packetin(&os, &code);
  ogg_page page;
  while (ogg_stream_flush(&os, &page)) Append(out, page);

  const uint32_t chunk = 1024;
  uint32_t done = 0;
  bool eos = false;
  while (!eos) {
    uint32_t n = std::min(chunk, frames - done);
    if (n == 0) {
      vorbis_analysis_wrote(&vd, 0);
    } else {
      float** buffer = vorbis_analysis_buffer(&vd, (int)n);
      for (uint32_t i = 0; i < n; i++)
        for (int c = 0; c < spec.channels; c++) buffer[c][i] = interleaved[(size_t)(done + i) * spec.channels + c];
      vorbis_analysis_wrote(&vd, (int)n);
      done += n;
    }
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
      vorbis_analysis(&vb, nullptr);
      vorbis_bitrate_addblock(&vb);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&vd, &packet)) {
        ogg_stream_packetin(&os, &packet);
        while (!eos && ogg_stream_pageout(&os, &page)) {
          Append(out, page);
          if (ogg_page_eos(&page)) eos = true;
        }
      }
    }
    if (n == 0 && !eos) {
      while (ogg_stream_flush(&os, &page)) Append(out, page);
      eos = true;
    }
  }
  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  return out;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace ToneGen
