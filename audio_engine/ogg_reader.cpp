// Ogg Vorbis decoding through libvorbisfile callbacks over the engine's readers.
#include "audio_engine/ogg_reader.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstdio>

#include "audio_engine/debug.h"
#include "platform/win32/win32.h"

namespace Tarn {

struct cOggReader::Decoder {
  OggVorbis_File file;
};

struct cOggReader::Callbacks {
  static size_t Read(void* ptr, size_t size, size_t count, void* source) {
    auto* self = static_cast<cOggReader*>(source);
    if (size == 0 || count == 0) return 0;
    uint64_t want = (uint64_t)size * count;
    if (want > 0x7FFFFFFF) want = 0x7FFFFFFF;
    uint32_t got = 0;
    self->mSource->Read(ptr, (uint32_t)want, &got);
    self->mStreamPosition += got;
    return got / size;
  }
  // Keeps the position that Tell reports in step with where the source went.
  static int Seek(void* source, ogg_int64_t offset, int whence) {
    auto* self = static_cast<cOggReader*>(source);
    if (!self->mSourceSeek) return -1;
    int64_t target;
    uint32_t landed = 0;
    if (whence == SEEK_SET) {
      target = offset;
    } else if (whence == SEEK_CUR) {
      target = (int64_t)self->mStreamPosition + offset;
    } else {
      uint32_t end = 0;
      if (self->mSourceSeek->Seek(0xFFFFFFFFu, &end) != kOk) return -1;
      target = (int64_t)end + offset;
    }
    if (target < 0 || target >= 0xFFFFFFFFll) return -1;
    int r = self->mSourceSeek->Seek((uint32_t)target, &landed);
    self->mStreamPosition = landed;
    return r == kOk && landed == (uint32_t)target ? 0 : -1;
  }
  static int Close(void* source) {
    auto* self = static_cast<cOggReader*>(source);
    if (self->mOpen && self->mSourceSeek) {
      uint32_t landed = 0;
      self->mSourceSeek->Seek(0, &landed);
      self->mStreamPosition = 0;
    }
    return 0;
  }
  static long Tell(void* source) { return (long)static_cast<cOggReader*>(source)->mStreamPosition; }
};

cOggReader::cOggReader(cIReader* source, bool seekable)
    : mSource(source), mSourceSeek(dynamic_cast<cISeek*>(source)), mSeekable(seekable) {}

cOggReader::~cOggReader() { Close(); }

int cOggReader::OpenDecoder(bool seekable) {
  DWORD start = timeGetTime();
  ov_callbacks table;
  table.read_func = Callbacks::Read;
  table.seek_func = seekable && mSourceSeek ? Callbacks::Seek : nullptr;
  table.close_func = Callbacks::Close;
  table.tell_func = seekable && mSourceSeek ? Callbacks::Tell : nullptr;
  mDecoder = std::make_unique<Decoder>();
  mStreamPosition = 0;
  int r = ov_open_callbacks(this, &mDecoder->file, nullptr, 0, table);
  Trace("ov_open_callbacks took %ld msec\n", (long)(timeGetTime() - start));
  if (r < 0) {
    mDecoder.reset();  // ov_open_callbacks frees what it made on failure
    switch (r) {
      case OV_EREAD: MessageBox("Ogg Vorbis Read Error (OV_EREAD)\n"); return kOggRead;
      case OV_ENOTVORBIS: MessageBox("Not a Vorbis File (OV_ENOTVORBIS)\n"); return kOggNotVorbis;
      case OV_EVERSION: MessageBox("Vorbis Version Mismatch (OV_EVERSION)\n"); return kOggVersion;
      case OV_EBADHEADER: MessageBox("Bad Ogg Vorbis Header (OV_EBADHEADER)\n"); return kOggBadHeader;
      default: MessageBox("Ogg Vorbis caused an exception (OV_EFAULT)"); return kFaultException;
    }
  }
  mOpen = true;
  vorbis_info* info = ov_info(&mDecoder->file, -1);
  uint16_t channels = info ? (uint16_t)info->channels : 2;
  uint32_t rate = info ? (uint32_t)info->rate : 44100;
  mFormat = TarnMix::MakeWaveFormat(channels, rate, 16, TarnMix::kFormatPcm);
  mSeekable = ov_seekable(&mDecoder->file) != 0;
  mFormatChanged = false;
  if (mSeekable) {
    // A chained stream plays as far as its parts keep the first part's format, so the length
    // reported and the samples delivered always agree.
    long links = ov_streams(&mDecoder->file);
    ogg_int64_t frames = 0;
    mLinks = 0;
    for (long i = 0; i < links; i++) {
      vorbis_info* part = ov_info(&mDecoder->file, (int)i);
      if (!part || part->channels != mFormat.channels || (uint32_t)part->rate != mFormat.sampleRate) {
        if (!mReportedChange)
          Log("Ogg stream: part %ld changes to %d channels at %ld Hz; only the first %d part(s) play", i + 1,
              part ? part->channels : 0, part ? part->rate : 0L, mLinks);
        mReportedChange = true;
        break;
      }
      ogg_int64_t n = ov_pcm_total(&mDecoder->file, (int)i);
      if (n < 0) {
        frames = -1;
        break;
      }
      frames += n;
      mLinks++;
    }
    if (mLinks == 0) mLinks = 1;
    // After opening a chain the decoder can stand past a first part that fits in one page;
    // an explicit seek to the start puts it on the first sample.
    if (links > 1) ov_pcm_seek(&mDecoder->file, 0);
    mTotalFrames = frames < 0 ? -1 : frames;
    mTotalBytes = mTotalFrames < 0 ? -1 : mTotalFrames * mFormat.blockAlign;
  }
  // A non-seekable stream keeps a length once counted: rewinding reopens the decoder.
  return kOk;
}

int cOggReader::Open() {
  if (mOpen) return kOk;
  int r = mSource->Open();
  if (r != kOk) return r;
  return OpenDecoder(mSeekable);
}

int cOggReader::Close() {
  if (mDecoder) {
    ov_clear(&mDecoder->file);  // calls Close, which rewinds the source
    mDecoder.reset();
  }
  if (mOpen) mSource->Close();
  mOpen = false;
  return kOk;
}

bool cOggReader::CurrentLinkMatches() {
  if (mSeekable) {
    if (mBitstream < mLinks) return true;
  } else {
    vorbis_info* part = ov_info(&mDecoder->file, -1);
    if (part && part->channels == mFormat.channels && (uint32_t)part->rate == mFormat.sampleRate) return true;
    if (!mReportedChange)
      Log("Ogg stream: a later part changes to %d channels at %ld Hz; the stream ends before it",
          part ? part->channels : 0, part ? part->rate : 0L);
    mReportedChange = true;
  }
  mFormatChanged = true;
  return false;
}

int cOggReader::Read(void* buffer, uint32_t count, uint32_t* read) {
  *read = 0;
  if (!mOpen) return kNotFound;
  char* out = (char*)buffer;
  int holes = 0;
  while (*read < count && !mFormatChanged) {
    long r = ov_read(&mDecoder->file, out + *read, (int)std::min<uint32_t>(count - *read, 1u << 20), 0, 2, 1, &mBitstream);
    if (r == OV_HOLE && ++holes < 64) continue;
    if (r <= 0) break;
    // Samples of a part in another format would be read as the first part's: drop them.
    if (!CurrentLinkMatches()) break;
    *read += (uint32_t)r;
  }
  return kOk;
}

int cOggReader::Seek(uint32_t frame, uint32_t* newFrame) {
  if (!mOpen) return kNotFound;
  if (mSeekable) {
    DWORD start = timeGetTime();
    if (mTotalFrames >= 0 && (int64_t)frame > mTotalFrames) frame = (uint32_t)mTotalFrames;
    mFormatChanged = false;
    int r = ov_pcm_seek(&mDecoder->file, frame);
    Trace("ov_pcm_seek took %ld msec\n", (long)(timeGetTime() - start));
    ogg_int64_t at = ov_pcm_tell(&mDecoder->file);
    if (newFrame) *newFrame = at < 0 ? 0 : (uint32_t)at;
    return r == 0 ? kOk : kFailed;
  }
  if (frame != 0) return kNotSupported;
  DWORD start = timeGetTime();
  ov_clear(&mDecoder->file);
  mDecoder.reset();
  mOpen = false;
  mSource->Close();
  int r = mSource->Open();
  if (r == kOk) r = OpenDecoder(false);
  Trace("ov_clear and  took %ld msec\n", (long)(timeGetTime() - start));
  if (newFrame) *newFrame = 0;
  return r;
}

int cOggReader::GetSize(uint32_t* bytes) {
  int64_t frames = 0;
  int r = GetLengthFrames(&frames);
  *bytes = frames < 0 ? 0 : (uint32_t)std::min<int64_t>(mTotalBytes, 0xFFFFFFFFll);
  return r;
}

int cOggReader::GetLengthFrames(int64_t* frames) {
  if (!mOpen) return kNotFound;
  if (mTotalFrames < 0) {
    // Count by decoding the whole stream, then rewind.
    Seek(0, nullptr);
    uint64_t bytes = 0;
    char step[100];
    for (;;) {
      uint32_t got = 0;
      Read(step, sizeof step, &got);
      if (got == 0) break;
      bytes += got;
    }
    mTotalFrames = mFormat.blockAlign ? (int64_t)(bytes / mFormat.blockAlign) : 0;
    mTotalBytes = mTotalFrames * mFormat.blockAlign;
    Seek(0, nullptr);
  }
  *frames = mTotalFrames;
  return kOk;
}

}  // namespace Tarn
