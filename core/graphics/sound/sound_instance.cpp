// Sound instances.
#include "core/graphics/sound/sound_instance.h"

#include "core/graphics/sound/sound_data.h"
#include "core/graphics/sound/sound_stream.h"

TSoundInstance::TSoundInstance(std::shared_ptr<TSoundStream> stream, std::shared_ptr<TSoundData> data)
    : mStream(std::move(stream)), mData(std::move(data)) {}

TSoundInstance::~TSoundInstance() {
  if (mData) mData->RemoveInstance(this);
}

bool TSoundInstance::IsPlaying() { return mStream && mStream->Plays(this); }

void TSoundInstance::Stop() {
  if (mStream) mStream->StopInstance(this);
}

void TSoundInstance::Pause(bool pause) {
  if (mStream && mStream->Plays(this)) mStream->Pause(pause);
}
