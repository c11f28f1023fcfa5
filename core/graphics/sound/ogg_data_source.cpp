// Ogg Vorbis through vorbisfile, over the file layer or over a memory copy of the file. Reads
// keep the decoder's byte position and seek only when asked for another one. A chained file
// plays while its links keep the first link's format: a link of another rate or channel count
// would come out at the wrong speed or with its channels mixed up.
#include "core/graphics/sound/ogg_data_source.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "core/base/file.h"
#include "core/base/log.h"
#include "core/graphics/sound/mem_data_source.h"
#include "core/graphics/sound/sound_manager.h"

namespace {

// Sounds that decode into memory are short; a header claiming more than this is not trusted
// with one allocation, and the sound decodes as it plays instead.
constexpr uint64_t kMaxMemoryBytes = 32u << 20;

}  // namespace

struct TOggDataSource::Decoder {
  OggVorbis_File file;
  bool open = false;
  TFile input;                 // streamed
  std::vector<uint8_t> block;  // in memory
  size_t blockPosition = 0;
  bool streamed = false;

  ~Decoder() {
    if (open) ov_clear(&file);
  }

  static size_t MemoryRead(void* out, size_t size, size_t count, void* source) {
    Decoder* d = (Decoder*)source;
    if (size == 0) return 0;
    size_t left = d->block.size() - d->blockPosition;
    size_t items = std::min(count, left / size);
    if (items == 0) return 0;  // an empty block has no data pointer to copy from
    std::memcpy(out, d->block.data() + d->blockPosition, items * size);
    d->blockPosition += items * size;
    return items;
  }
  static int MemorySeek(void* source, ogg_int64_t offset, int whence) {
    Decoder* d = (Decoder*)source;
    ogg_int64_t base;
    switch (whence) {
      case SEEK_SET: base = 0; break;
      case SEEK_CUR: base = (ogg_int64_t)d->blockPosition; break;
      case SEEK_END: base = (ogg_int64_t)d->block.size(); break;
      default: return -1;
    }
    ogg_int64_t target = std::clamp<ogg_int64_t>(base + offset, 0, (ogg_int64_t)d->block.size());
    d->blockPosition = (size_t)target;
    return 0;
  }
  static long MemoryTell(void* source) { return (long)((Decoder*)source)->blockPosition; }

  static size_t FileRead(void* out, size_t size, size_t count, void* source) {
    Decoder* d = (Decoder*)source;
    if (size == 0) return 0;
    size_t want = std::min<size_t>(size * count, INT_MAX);
    int got = d->input.Read(out, (int)want);
    if (got <= 0) return 0;
    size_t items = (size_t)got / size;
    // A partial trailing item is given back, so the next read starts with it.
    int partial = got - (int)(items * size);
    if (partial) d->input.Seek(-partial, 0);
    return items;
  }
  static int FileSeek(void* source, ogg_int64_t offset, int whence) {
    Decoder* d = (Decoder*)source;
    if (offset < INT_MIN || offset > INT_MAX) return -1;
    int origin;
    switch (whence) {
      case SEEK_SET: origin = 1; break;
      case SEEK_CUR: origin = 0; break;
      case SEEK_END: origin = 2; break;
      default: return -1;
    }
    d->input.Seek((int)offset, origin);
    return 0;
  }
  static long FileTell(void* source) { return ((Decoder*)source)->input.Tell(); }
};

TOggDataSource::TOggDataSource() {}

TOggDataSource::~TOggDataSource() { Close(); }

void TOggDataSource::Close() { mDecoder.reset(); }

bool TOggDataSource::IsStreamed() const { return mDecoder && mDecoder->streamed; }

bool TOggDataSource::Open(TStr name, bool stream) {
  Close();
  auto d = std::make_unique<Decoder>();
  if (!d->input.Open(name, 0) && !d->input.Open(name + TStr(".ogg"), 0)) return false;
  int result;
  if (stream) {
    d->streamed = true;
    ov_callbacks callbacks = {&Decoder::FileRead, &Decoder::FileSeek, nullptr, &Decoder::FileTell};
    result = ov_open_callbacks(d.get(), &d->file, nullptr, 0, callbacks);
  } else {
    d->input.Seek(0, 2);
    int size = d->input.Tell();
    d->input.Seek(0, 1);
    d->block.resize(size > 0 ? (size_t)size : 0);
    int got = size > 0 ? d->input.Read(d->block.data(), size) : 0;
    d->block.resize(got > 0 ? (size_t)got : 0);
    d->input.Close();
    ov_callbacks callbacks = {&Decoder::MemoryRead, &Decoder::MemorySeek, nullptr, &Decoder::MemoryTell};
    result = ov_open_callbacks(d.get(), &d->file, nullptr, 0, callbacks);
  }
  if (result != 0) {
    LogError("OGG file could not be opened");
    return false;  // vorbisfile cleared its state itself; the block goes with d
  }
  d->open = true;
  vorbis_info* info = ov_info(&d->file, -1);
  ogg_int64_t frames = ov_pcm_total(&d->file, -1);
  double seconds = ov_time_total(&d->file, -1);
  if (!info || info->channels <= 0 || info->rate <= 0 || info->rate > INT_MAX || frames < 0 || seconds < 0) {
    LogError("OGG file could not be opened");
    return false;
  }
  mRate = (int)info->rate;
  mChannels = info->channels;
  mDuration = seconds;
  mLength = (uint64_t)frames * (uint64_t)mChannels * 2;
  mDecoder = std::move(d);
  mPosition = 0;
  ov_pcm_seek(&mDecoder->file, 0);
  return true;
}

long TOggDataSource::Decode(char* out, int count) {
  int link = 0;
  long n = ov_read(&mDecoder->file, out, count, 0, 2, 1, &link);
  if (n <= 0) return 0;  // the end, or a decoding error: either ends the read
  vorbis_info* info = ov_info(&mDecoder->file, link);
  if (!info || info->channels != mChannels || info->rate != mRate) {
    // The decoder stands past bytes that are not ours: its position is unknown, so the next
    // read seeks, and stops here again.
    mPosition = UINT64_MAX;
    return -1;
  }
  return n;
}

bool TOggDataSource::SeekTo(uint64_t position) {
  uint64_t block = (uint64_t)mChannels * 2;
  mPending.clear();
  if (ov_pcm_seek(&mDecoder->file, (ogg_int64_t)(position / block)) != 0) return false;
  mPosition = position;
  // A position inside a sample frame starts with the rest of that frame.
  uint64_t rest = position % block;
  if (rest > 0) {
    mPending.resize(block);
    long n = Decode((char*)mPending.data(), (int)block);
    if (n < (long)block) {
      // The end, or a link of another format (-1): nothing of that frame is ours to give, and
      // the next read seeks again.
      mPending.clear();
      mPosition = UINT64_MAX;
      return false;
    }
    mPending.erase(mPending.begin(), mPending.begin() + (long)rest);
  }
  return true;
}

int TOggDataSource::Read(void* buffer, uint64_t position, int count) {
  TSoundManagerLock lock;
  if (!mDecoder || count <= 0) return 0;
  if (position != mPosition && !SeekTo(position)) return 0;
  const int block = mChannels * 2;
  char* out = (char*)buffer;
  int delivered = 0;
  while (delivered < count) {
    if (!mPending.empty()) {
      int n = (int)std::min<size_t>(mPending.size(), (size_t)(count - delivered));
      std::memcpy(out + delivered, mPending.data(), (size_t)n);
      mPending.erase(mPending.begin(), mPending.begin() + n);
      delivered += n;
      continue;
    }
    // The decoder gives whole sample frames: a request for less than one goes through a frame
    // whose rest waits for the next read.
    if (count - delivered < block) {
      mPending.resize((size_t)block);
      long n = Decode((char*)mPending.data(), block);
      mPending.resize(n > 0 ? (size_t)n : 0);
      if (n <= 0) break;
      continue;
    }
    long n = Decode(out + delivered, count - delivered);
    if (n <= 0) break;
    delivered += (int)n;
  }
  if (mPosition != UINT64_MAX) mPosition += (uint64_t)delivered;
  return delivered;
}

std::shared_ptr<TSoundDataSource> TOggDataSourceBuilder::Build(TStr name, bool stream) {
  auto ogg = std::make_shared<TOggDataSource>();
  if (!ogg->Open(name, stream)) return nullptr;
  if (stream || ogg->GetDuration() >= 2.0 || ogg->GetLength() > kMaxMemoryBytes) return ogg;
  return std::make_shared<TMemDataSource>(*ogg);
}
