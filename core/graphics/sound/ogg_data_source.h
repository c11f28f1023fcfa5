// TOggDataSource: Ogg Vorbis decoded on the fly, from the file as it plays or from a copy of the
// file in memory; TOggDataSourceBuilder decodes short sounds once into a TMemDataSource instead.
#pragma once

#include <memory>
#include <vector>

#include "core/graphics/sound/sound_data_source.h"

class TOggDataSource : public TSoundDataSource {
 public:
  TOggDataSource();
  ~TOggDataSource() override;
  TOggDataSource(const TOggDataSource&) = delete;
  TOggDataSource& operator=(const TOggDataSource&) = delete;

  // Opens the name, else the name with ".ogg"; stream keeps the file open and reads it as the
  // sound plays, otherwise the whole file is copied into memory first.
  bool Open(TStr name, bool stream);

  int Read(void* buffer, uint64_t position, int count) override;
  uint64_t GetLength() override { return mLength; }
  int GetSampleRate() override { return mRate; }
  int GetChannelCount() override { return mChannels; }
  double GetDuration() override { return mDuration; }
  bool IsStreamed() const;

 private:
  struct Decoder;
  void Close();
  bool SeekTo(uint64_t position);
  // Decoded bytes of the first link's format into out; 0 at the end, -1 at a link of another.
  long Decode(char* out, int count);

  std::unique_ptr<Decoder> mDecoder;
  int mRate = 0;
  int mChannels = 0;
  double mDuration = 0.0;
  uint64_t mLength = 0;
  uint64_t mPosition = 0;        // of the decoder's output, in bytes
  std::vector<uint8_t> mPending;  // the rest of a sample frame that a seek landed inside
};

class TOggDataSourceBuilder : public TSoundDataSourceBuilder {
 public:
  // Streamed when asked; otherwise sounds of 2 seconds or more decode from the memory copy as
  // they play and shorter ones are decoded once, whole.
  std::shared_ptr<TSoundDataSource> Build(TStr name, bool stream) override;
};
