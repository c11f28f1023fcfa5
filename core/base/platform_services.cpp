// The module factories behind the platform's seams, with do-nothing defaults.
#include "core/base/platform_services.h"

#include <vector>

namespace {

// Written before start-up and read by the platform on the main thread.
std::function<TPlatformWindowManager*()> gWindowManagerFactory;
std::function<TPlatformRenderer*()> gRendererFactory;
std::function<TPlatformSoundManager*()> gSoundManagerFactory;
std::function<TPlatformShapeRasteriser*()> gShapeRasteriserFactory;

std::vector<void (*)()>& AssetLoaderRegistrations() {
  static std::vector<void (*)()> registrations;
  return registrations;
}

std::vector<void (*)()>& ShutdownHooks() {
  static std::vector<void (*)()> hooks;
  return hooks;
}

// Each function once, however often its module is installed.
void AddOnce(std::vector<void (*)()>& list, void (*f)()) {
  for (auto g : list)
    if (g == f) return;
  list.push_back(f);
}

template <class T>
T* MakeOrDefault(const std::function<T*()>& factory) {
  T* made = factory ? factory() : nullptr;
  return made ? made : new T;
}

}  // namespace

void SetWindowManagerFactory(std::function<TPlatformWindowManager*()> factory) { gWindowManagerFactory = factory; }
void SetRendererFactory(std::function<TPlatformRenderer*()> factory) { gRendererFactory = factory; }
void SetSoundManagerFactory(std::function<TPlatformSoundManager*()> factory) { gSoundManagerFactory = factory; }
void SetShapeRasteriserFactory(std::function<TPlatformShapeRasteriser*()> factory) {
  gShapeRasteriserFactory = factory;
}

TPlatformWindowManager* MakeWindowManager() { return MakeOrDefault(gWindowManagerFactory); }
TPlatformRenderer* MakeRenderer() { return MakeOrDefault(gRendererFactory); }
TPlatformSoundManager* MakeSoundManager() { return MakeOrDefault(gSoundManagerFactory); }
TPlatformShapeRasteriser* MakeShapeRasteriser() { return MakeOrDefault(gShapeRasteriserFactory); }

void AddAssetLoaderRegistration(void (*registration)()) { AddOnce(AssetLoaderRegistrations(), registration); }

void RegisterPlatformAssetLoaders() {
  for (auto r : AssetLoaderRegistrations()) r();
}

void AddPlatformShutdownHook(void (*hook)()) { AddOnce(ShutdownHooks(), hook); }

void RunPlatformShutdownHooks() {
  for (auto h : ShutdownHooks()) h();
}
