// Sound assets: names, cache keys, loading through the data-source registry, and playing.
#include "core/graphics/sound/sound.h"

#include <cstdlib>
#include <cstring>

#include "core/base/asset_manager.h"
#include "core/base/log.h"
#include "core/graphics/sound/sound_data.h"
#include "core/graphics/sound/sound_instance.h"
#include "core/graphics/sound/sound_manager.h"
#include "core/graphics/sound/sound_stream.h"
#include "core/graphics/sound/stream_spooler.h"

namespace {

// The path before "?" and the group: from the options' "group=", else the fallback, else 0.
void SplitName(TStr name, int fallback, TStr* path, int* group) {
  int question = name.Find('?');
  *path = question >= 0 ? name.SubStr(0, question) : name;
  *group = fallback >= 0 ? fallback : 0;
  if (question < 0) return;
  TStr options = name.SubStr(question + 1);
  int at = options.Find(TStr("group="));
  if (at >= 0) *group = TStr(options.c_str() + at + 6).ToInt();
}

TStr AssetKey(const TStr& path, int group) { return TStr::Format("%s;%d;%d", path.c_str(), 0, group); }

}  // namespace

TSound::TSound() : mData(std::make_shared<TSoundData>()) {}

TSound::~TSound() {}

TClassId TSound::ClassId() {
  static const char token = 0;
  return &token;
}

TStr TSound::MakeAssetKey(TStr name, int group) {
  TStr path;
  int resolved;
  SplitName(name, group, &path, &resolved);
  return AssetKey(path, resolved);
}

std::shared_ptr<TSound> TSound::Get(TStr name, int flag, int group) {
  if (name.IsEmpty()) return nullptr;
  TStr path;
  int resolved;
  SplitName(name, group, &path, &resolved);
  return TAssetManager::FindOrLoad<TSound>(AssetKey(path, resolved), [&]() -> std::shared_ptr<TSound> {
    auto sound = std::make_shared<TSound>();
    sound->mData->SetGroup(resolved);
    sound->mData->SetName(path);
    std::shared_ptr<TSoundDataSource> source = CreateSoundDataSource(path, flag == 0);
    if (!source) {
      LogError("TSound::Get: No valid sound file found: %s", name.c_str());
      return nullptr;
    }
    sound->mData->SetSource(source);
    return sound;
  });
}

std::shared_ptr<TSoundInstance> TSound::Play(bool loop) {
  if (!mData || !mData->GetSource()) {
    LogError("Play of uninitialized sound");
    return nullptr;
  }
  TSoundManager* manager = TSoundManager::GetInstance();
  if (!manager) {
    LogError("No Sound Manager");
    return nullptr;
  }
  TSoundManagerLock lock(manager);
  auto stream = std::make_shared<TSoundStream>(manager, std::make_unique<TStreamSpooler>(mData->GetSource()), !loop,
                                               mData->GetGroup(), mData);
  auto instance = std::make_shared<TSoundInstance>(stream, mData);
  stream->SetInstance(instance);
  mData->AddInstance(instance);
  stream->Start();
  manager->AddStream(stream);
  return instance;
}

std::shared_ptr<TSoundInstance> TSound::PlayAfter(const std::shared_ptr<TSoundInstance>& current) {
  if (!mData || !mData->GetSource()) {
    LogError("Play of uninitialized sound");
    return nullptr;
  }
  TSoundManagerLock lock;
  if (!current || !current->IsPlaying()) return Play(false);
  const std::shared_ptr<TSoundStream>& stream = current->GetStream();
  auto instance = std::make_shared<TSoundInstance>(stream, mData);
  mData->AddInstance(instance);
  stream->Queue(std::make_unique<TStreamSpooler>(mData->GetSource()), mData, instance);
  return instance;
}

int TSound::GetInstanceCount() { return mData ? (int)mData->GetInstances().size() : 0; }
