// cOggReader: Ogg Vorbis decoding (libvorbisfile) over a byte stream, as 16-bit PCM.
#pragma once

#include <cstdint>
#include <memory>

#include "audio_engine/mix/wave_format.h"
#include "audio_engine/reader.h"

namespace Tarn {

class cOggReader : public cIReader, public cISeek, public TarnMix::cWaveFormatHolder {
 public:
  cOggReader(cIReader* source, bool seekable = true);
  ~cOggReader() override;

  // Opens the source, then the decoder: 0, the source's error, or 19-22 / 7 for decoder errors.
  int Open() override;
  int Close() override;
  // Decoded bytes; fewer at the end of the stream.
  int Read(void* buffer, uint32_t count, uint32_t* read) override;
  // Frame position. A non-seekable stream can only go back to 0 (else 3).
  int Seek(uint32_t frame, uint32_t* newFrame) override;
  int GetSize(uint32_t* bytes) override;
  int GetLengthFrames(int64_t* frames);
  bool IsOpen() const { return mOpen; }
  bool IsSeekable() const { return mSeekable; }

 private:
  struct Callbacks;
  int OpenDecoder(bool seekable);
  // Whether the part being decoded has the first part's format; logs the first change.
  bool CurrentLinkMatches();

  cIReader* mSource;
  cISeek* mSourceSeek;
  struct Decoder;
  std::unique_ptr<Decoder> mDecoder;
  bool mOpen = false;
  uint64_t mStreamPosition = 0;
  int mBitstream = 0;
  bool mSeekable;
  int64_t mTotalBytes = -1;
  int64_t mTotalFrames = -1;
  int mLinks = 1;  // parts of a chained stream that play: those before the first in another format
  bool mFormatChanged = false;  // decoding reached a part in another format: the stream ends there
  bool mReportedChange = false;
};

}  // namespace Tarn
