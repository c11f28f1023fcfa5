// TSoundInstance: the caller's handle on one playing sound. Dropping it leaves the sound
// playing to its end; the manager keeps the stream.
#pragma once

#include <memory>

class TSoundData;
class TSoundStream;

class TSoundInstance : public std::enable_shared_from_this<TSoundInstance> {
 public:
  TSoundInstance(std::shared_ptr<TSoundStream> stream, std::shared_ptr<TSoundData> data);
  virtual ~TSoundInstance();
  TSoundInstance(const TSoundInstance&) = delete;
  TSoundInstance& operator=(const TSoundInstance&) = delete;

  // Until its sound has ended or was stopped (paused counts as playing).
  bool IsPlaying();
  void Stop();
  void Pause(bool pause);
  const std::shared_ptr<TSoundStream>& GetStream() const { return mStream; }
  const std::shared_ptr<TSoundData>& GetData() const { return mData; }

 private:
  std::shared_ptr<TSoundStream> mStream;
  std::shared_ptr<TSoundData> mData;
};
