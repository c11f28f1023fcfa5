// TSoundData: what one sound asset plays: its data source, its volume group and name, and the
// instances playing it now. TStreamNotify is how a stream tells the data that an instance ended.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "core/base/str.h"
#include "core/graphics/sound/sound_data_source.h"

class TSoundInstance;

class TStreamNotify {
 public:
  virtual ~TStreamNotify() {}
  // The stream stopped playing the instance (null when the instance has already gone).
  virtual void OnStreamEnd(TSoundInstance* instance) = 0;
};

class TSoundData : public TStreamNotify {
 public:
  TSoundData() {}
  ~TSoundData() override {}

  const std::shared_ptr<TSoundDataSource>& GetSource() const { return mSource; }
  void SetSource(std::shared_ptr<TSoundDataSource> source) { mSource = std::move(source); }
  int GetGroup() const { return mGroup; }
  void SetGroup(int group) { mGroup = group; }
  TStr GetName() const { return mName; }
  void SetName(TStr name) { mName = name; }

  // The instance map; each call takes the sound manager's lock.
  void AddInstance(const std::shared_ptr<TSoundInstance>& instance);
  void RemoveInstance(const TSoundInstance* instance);
  std::vector<std::shared_ptr<TSoundInstance>> GetInstances();
  void OnStreamEnd(TSoundInstance* instance) override;

 private:
  std::shared_ptr<TSoundDataSource> mSource;
  int mGroup = 0;
  TStr mName;
  // Guarded by the sound manager's lock: Play adds on the main thread, ends arrive from the
  // stream thread.
  std::map<const TSoundInstance*, std::weak_ptr<TSoundInstance>> mInstances;
};
