// The sound manager. Locking: one re-entrant Win32 mutex guards the device, the stream list,
// the volumes and every stream; the stream thread holds it for one service pass and waits
// outside it. The thread is started only once the device works, and is woken and joined at
// shut-down rather than polled.
#include "core/graphics/sound/sound_manager.h"

#include <algorithm>
#include <vector>

#include "core/base/log.h"
#include "core/base/platform.h"
#include "core/graphics/directx/dx_error.h"
#include "core/graphics/sound/sound_stream.h"

namespace {

inline constexpr const char* kUnitSoundManager = ".\\soundmanager";
constexpr size_t kMaxRefillsPerPass = 32;
constexpr uint32_t kCleanupPeriodMs = 500;
constexpr DWORD kServicePeriodMs = 50;

std::atomic<TSoundManager*> gInstance{nullptr};

}  // namespace

TSoundManager::TSoundManager(bool serviceThread) : mServiceThread(serviceThread) {
  mMutex = CreateMutexA(nullptr, FALSE, "TSoundManagerMutex");
  mStopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  TSoundManager* none = nullptr;
  gInstance.compare_exchange_strong(none, this);
}

TSoundManager::~TSoundManager() {
  StopStreamThread();
  Lock();
  // Streams may outlive the manager in the instances the game still holds: they let go of
  // their buffers and of the manager now.
  for (auto& stream : mStreams) stream->Detach();
  mStreams.clear();
  ReleaseDevice();
  Unlock();
  TSoundManager* self = this;
  gInstance.compare_exchange_strong(self, nullptr);
  CloseHandle(mStopEvent);
  CloseHandle(mMutex);
}

TSoundManager* TSoundManager::GetInstance() { return gInstance.load(); }

void TSoundManager::Lock() { WaitForSingleObject(mMutex, INFINITE); }

void TSoundManager::Unlock() { ReleaseMutex(mMutex); }

bool TSoundManager::Initialize() {
  if (mInitialized) return true;
  Lock();
  IDirectSound* device = nullptr;
  HRESULT hr = DirectSoundCreate(nullptr, &device, nullptr);
  if (FAILED(hr)) {
    DxLog(hr, kUnitSoundManager, __LINE__);
    Unlock();
    return false;
  }
  DSCAPS caps{};
  caps.dwSize = sizeof caps;
  device->GetCaps(&caps);
  TPlatform* platform = TPlatform::GetInstance();
  hr = device->SetCooperativeLevel(platform ? platform->GetMainWindow() : nullptr, DSSCL_PRIORITY);
  if (FAILED(hr)) {
    DxLog(hr, kUnitSoundManager, __LINE__);
    device->Release();
    Unlock();
    return false;
  }
  DSBUFFERDESC desc{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
  IDirectSoundBuffer* primary = nullptr;
  hr = device->CreateSoundBuffer(&desc, &primary, nullptr);
  if (FAILED(hr)) {
    DxLog(hr, kUnitSoundManager, __LINE__);
    device->Release();
    Unlock();
    return false;
  }
  WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
  primary->SetFormat(&format);  // a device that keeps its own format still plays
  mDevice = device;
  mPrimary = primary;
  mCleanupClock.Reset();
  mCleanupClock.Start();
  Unlock();

  if (mServiceThread) {
    mStopping = false;
    ResetEvent(mStopEvent);
    mThread = CreateThread(nullptr, 0, &TSoundManager::StreamThreadProc, this, 0, nullptr);
    if (!mThread) {
      LogError("TSoundManager::Initialize: the stream thread could not be started");
      Lock();
      ReleaseDevice();
      Unlock();
      return false;
    }
  }
  mInitialized = true;
  return true;
}

void TSoundManager::ReleaseDevice() {
  if (mPrimary) mPrimary->Release();
  if (mDevice) mDevice->Release();
  mPrimary = nullptr;
  mDevice = nullptr;
}

DWORD TSoundManager::StreamThreadProc(void* argument) {
  TSoundManager* manager = (TSoundManager*)argument;
  while (WaitForSingleObject(manager->mStopEvent, kServicePeriodMs) == WAIT_TIMEOUT) {
    manager->Lock();
    try {
      if (!manager->mStopping) manager->ServiceStreams();
    } catch (...) {
      LogError("TSoundManager::StreamThreadProc: a service pass failed");
    }
    manager->Unlock();
  }
  return 0;
}

void TSoundManager::StopStreamThread() {
  if (!mThread) return;
  mStopping = true;
  SetEvent(mStopEvent);
  WaitForSingleObject(mThread, INFINITE);
  CloseHandle(mThread);
  mThread = nullptr;
}

void TSoundManager::Update() {
  Lock();
  std::vector<std::shared_ptr<TSoundStream>> streams(mStreams.begin(), mStreams.end());
  for (auto& stream : streams)
    if (stream) stream->Update();
  Unlock();
}

void TSoundManager::SetActive(bool active) {
  Lock();
  mActive = active;
  std::vector<std::shared_ptr<TSoundStream>> streams(mStreams.begin(), mStreams.end());
  for (auto& stream : streams) stream->SetPauseSwitch(!active);
  if (active) ApplyVolumes();
  Unlock();
}

bool TSoundManager::IsActive() {
  Lock();
  bool active = mActive;
  Unlock();
  return active;
}

float TSoundManager::GetVolume(int group) {
  Lock();
  float volume = mMasterVolume;
  auto found = mGroupVolumes.find(group);
  if (found != mGroupVolumes.end()) volume *= found->second;
  Unlock();
  return volume;
}

void TSoundManager::SetMasterVolume(float volume) {
  Lock();
  mMasterVolume = volume;
  ApplyVolumes();
  Unlock();
}

void TSoundManager::SetGroupVolume(int group, float volume) {
  Lock();
  mGroupVolumes[group] = volume;
  ApplyVolumes();
  Unlock();
}

void TSoundManager::ApplyVolumes() {
  Lock();
  for (auto& stream : mStreams) stream->SetVolume(GetVolume(stream->GetGroup()));
  Unlock();
}

void TSoundManager::AddStream(std::shared_ptr<TSoundStream> stream) {
  if (!stream) return;
  Lock();
  mStreams.push_back(std::move(stream));
  Unlock();
}

void TSoundManager::RemoveStream(TSoundStream* stream) {
  Lock();
  mStreams.remove_if([stream](const std::shared_ptr<TSoundStream>& s) { return s.get() == stream; });
  Unlock();
}

int TSoundManager::GetStreamCount() {
  Lock();
  int count = (int)mStreams.size();
  Unlock();
  return count;
}

void TSoundManager::ServiceStreams() {
  Lock();
  if (mCleanupClock.GetTime() > kCleanupPeriodMs) {
    mCleanupClock.Reset();
    mCleanupClock.Start();
    mStreams.remove_if([](const std::shared_ptr<TSoundStream>& s) { return !s->IsPlaying(); });
  }
  // At most 32 refills a pass; with more streams the passes take turns, so that none keeps
  // replaying its stale buffer.
  std::vector<std::shared_ptr<TSoundStream>> due;
  size_t count = mStreams.size();
  if (count > 0) {
    size_t take = std::min(count, kMaxRefillsPerPass);
    size_t start = count > kMaxRefillsPerPass ? mNextRefill % count : 0;
    auto it = std::next(mStreams.begin(), (long)start);
    for (size_t i = 0; i < take; i++) {
      due.push_back(*it);
      if (++it == mStreams.end()) it = mStreams.begin();
    }
    mNextRefill = (start + take) % count;
  }
  for (auto& stream : due) stream->Refill(false);
  Unlock();
}
