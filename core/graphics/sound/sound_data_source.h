// TSoundDataSource: decoded 16-bit PCM of one sound file, readable from any byte position, and
// the registry that picks a source builder by the file's extension ("ogg" is built in).
#pragma once

#include <cstdint>
#include <memory>

#include "core/base/str.h"

class TSoundDataSource {
 public:
  virtual ~TSoundDataSource() {}
  // Up to count bytes of interleaved signed 16-bit little-endian samples from a byte position;
  // the bytes delivered, 0 at the end. Runs under the sound manager's lock.
  virtual int Read(void* buffer, uint64_t position, int count) = 0;
  // Bytes of decoded PCM: sample frames x channels x 2.
  virtual uint64_t GetLength() = 0;
  virtual int GetSampleRate() = 0;
  virtual int GetChannelCount() = 0;
  virtual double GetDuration() = 0;
};

class TSoundDataSourceBuilder {
 public:
  virtual ~TSoundDataSourceBuilder() {}
  // stream: read the file as it plays instead of keeping it in memory. Empty on failure.
  virtual std::shared_ptr<TSoundDataSource> Build(TStr name, bool stream) = 0;
};

// Sets the builder of an extension (without its dot); an empty builder removes it. Main thread.
void RegisterSoundDataSource(TStr extension, std::shared_ptr<TSoundDataSourceBuilder> builder);
// A source for the file: by its extension when that is registered, else the first registered
// extension whose file (name + "." + extension) exists. Empty when nothing could be built.
std::shared_ptr<TSoundDataSource> CreateSoundDataSource(TStr name, bool stream);
