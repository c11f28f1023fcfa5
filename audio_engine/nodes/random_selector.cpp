// Random selection among the delegate mixer's children.
#include "audio_engine/nodes/random_selector.h"

#include <iterator>

#include "audio_engine/engine_random.h"
#include "audio_engine/nodes/mixer.h"

namespace Tarn {

int cRandomSelector::Play(int64_t time) {
  if (!mEnabled) return cSound::Play(time);
  auto* mixer = dynamic_cast<cMixer*>(mDelegate);
  if (!mixer) return kNotFound;
  const auto& children = mixer->Children();
  if (children.empty()) return 0;
  if (children.size() == 1) mLast = nullptr;
  cSound* choice = nullptr;
  do {
    choice = *std::next(children.begin(), Random() % (int)children.size());
  } while (choice == mLast);
  mLast = choice;
  if (!choice->IsActive()) choice->Play(time);
  return 0;
}

}  // namespace Tarn
