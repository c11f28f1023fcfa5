// Plugging the sound manager and the sound asset loaders into the platform.
#include "core/graphics/sound/sound_service.h"

#include "core/base/platform_services.h"
#include "core/graphics/sound/sound.h"
#include "core/graphics/sound/sound_manager.h"

void InstallSoundService() {
  SetSoundManagerFactory([]() -> TPlatformSoundManager* { return new TSoundManager(); });
  AddAssetLoaderRegistration(&RegisterSoundAssetLoaders);
}
