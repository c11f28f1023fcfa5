// The extension registry of sound data sources.
#include "core/graphics/sound/sound_data_source.h"

#include <map>

#include "core/base/file.h"
#include "core/graphics/sound/ogg_data_source.h"

namespace {

// Main thread only. Ogg is there from the start: every sound the game ships is Ogg Vorbis.
std::map<TStr, std::shared_ptr<TSoundDataSourceBuilder>>& Builders() {
  static std::map<TStr, std::shared_ptr<TSoundDataSourceBuilder>> builders{
      {TStr("ogg"), std::make_shared<TOggDataSourceBuilder>()}};
  return builders;
}

}  // namespace

void RegisterSoundDataSource(TStr extension, std::shared_ptr<TSoundDataSourceBuilder> builder) {
  if (builder)
    Builders()[extension] = builder;
  else
    Builders().erase(extension);
}

std::shared_ptr<TSoundDataSource> CreateSoundDataSource(TStr name, bool stream) {
  int dot = name.Find('.', TStr::kBackward);
  if (dot >= 0) {
    auto known = Builders().find(name.SubStr(dot + 1));
    if (known != Builders().end()) return known->second->Build(name, stream);
  }
  for (auto& [extension, builder] : Builders()) {
    TStr candidate = name + TStr(".") + extension;
    if (FileExists(candidate)) return builder->Build(candidate, stream);
  }
  return nullptr;
}
