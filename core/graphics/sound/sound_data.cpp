// The instance bookkeeping of a sound's data.
#include "core/graphics/sound/sound_data.h"

#include "core/graphics/sound/sound_instance.h"
#include "core/graphics/sound/sound_manager.h"

void TSoundData::AddInstance(const std::shared_ptr<TSoundInstance>& instance) {
  TSoundManagerLock lock;
  if (instance) mInstances[instance.get()] = instance;
}

void TSoundData::RemoveInstance(const TSoundInstance* instance) {
  TSoundManagerLock lock;
  mInstances.erase(instance);
}

std::vector<std::shared_ptr<TSoundInstance>> TSoundData::GetInstances() {
  TSoundManagerLock lock;
  std::vector<std::shared_ptr<TSoundInstance>> live;
  for (auto& [key, instance] : mInstances)
    if (auto strong = instance.lock()) live.push_back(strong);
  return live;
}

void TSoundData::OnStreamEnd(TSoundInstance* instance) { RemoveInstance(instance); }
