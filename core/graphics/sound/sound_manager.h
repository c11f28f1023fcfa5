// TSoundManager: the framework's own sound output. It owns the DirectSound device and the
// primary buffer, keeps the playing streams with their volume groups, applies master and group
// volumes, pauses everything while the application is in the background, and runs the stream
// thread that refills the streaming buffers every 50 ms. The platform makes one through its
// sound seam; sounds find it through GetInstance.
#pragma once

#include <atomic>
#include <list>
#include <map>
#include <memory>

#include "core/base/clock.h"
#include "core/base/platform_services.h"
#include "platform/dsound/dsound.h"

class TSoundStream;

class TSoundManager : public TPlatformSoundManager {
 public:
  // With serviceThread false no stream thread runs and the owner calls ServiceStreams itself
  // (tests that drive a manual sound device step by step).
  explicit TSoundManager(bool serviceThread = true);
  ~TSoundManager() override;
  TSoundManager(const TSoundManager&) = delete;
  TSoundManager& operator=(const TSoundManager&) = delete;

  // The first manager made while none exists; null when there is none.
  static TSoundManager* GetInstance();

  // Opens the device and the primary buffer, then starts the stream thread. True on success or
  // when already done; a failure is logged and leaves no device and no thread.
  bool Initialize();
  bool IsInitialized() const { return mInitialized; }
  bool HasStreamThread() const { return mThread != nullptr; }

  void Start() override { Initialize(); }
  // Per-frame service on the main thread.
  void Update() override;
  void SetActive(bool active) override;
  bool IsActive();

  // Master volume times the group's; the master alone for a group without a volume (-1 is
  // never one, so it asks for the master).
  float GetVolume(int group) override;
  void SetMasterVolume(float volume) override;
  void SetGroupVolume(int group, float volume);

  void AddStream(std::shared_ptr<TSoundStream> stream);
  void RemoveStream(TSoundStream* stream);
  int GetStreamCount();
  // One pass of the stream thread: drops finished streams (at most every 500 ms) and refills
  // up to 32 streams, taking turns when more play.
  void ServiceStreams();

  // The device, null until initialised. Streams create their buffers on it under the lock.
  IDirectSound* GetDevice() { return mDevice; }

  // The manager's mutex "TSoundManagerMutex": re-entrant, taken by every call that touches the
  // streams, from the main thread and from the stream thread.
  void Lock();
  void Unlock();

 private:
  static DWORD StreamThreadProc(void* manager);
  void ApplyVolumes();
  void StopStreamThread();
  void ReleaseDevice();

  bool mServiceThread;
  HANDLE mMutex = nullptr;
  HANDLE mStopEvent = nullptr;       // set once to end the stream thread
  HANDLE mThread = nullptr;          // main thread only
  std::atomic<bool> mStopping{false};
  bool mInitialized = false;         // main thread only

  // Guarded by mMutex:
  IDirectSound* mDevice = nullptr;
  IDirectSoundBuffer* mPrimary = nullptr;
  std::list<std::shared_ptr<TSoundStream>> mStreams;
  size_t mNextRefill = 0;            // where the next refill pass starts when more than 32 play
  float mMasterVolume = 1.0f;
  std::map<int, float> mGroupVolumes;
  bool mActive = true;
  TClock mCleanupClock;
};

// Holds the sound manager's mutex for a scope; does nothing when there is no manager.
class TSoundManagerLock {
 public:
  explicit TSoundManagerLock(TSoundManager* manager = TSoundManager::GetInstance()) : mManager(manager) {
    if (mManager) mManager->Lock();
  }
  ~TSoundManagerLock() {
    if (mManager) mManager->Unlock();
  }
  TSoundManagerLock(const TSoundManagerLock&) = delete;
  TSoundManagerLock& operator=(const TSoundManagerLock&) = delete;

 private:
  TSoundManager* mManager;
};
