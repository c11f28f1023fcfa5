// Software DirectSound: buffers are mixed into one 44100 Hz stereo stream that SDL plays (or,
// for tests, that a manual device advances). Each buffer is read at its own frequency with
// linear interpolation, its volume and pan applied in hundredths of a decibel as DirectSound
// defines them. Falls back to SDL's dummy driver, silent, when no sound card can be opened.
#include "platform/dsound/dsound.h"

#include <SDL.h>
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/dsound/dsound_test_control.h"
#include "platform/win32/sdl_window.h"

const GUID GUID_NULL_DS = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
const GUID DSDEVID_DefaultPlayback = {0xdef00000, 0x9c6d, 0x47ed, {0xaa, 0xf1, 0x4d, 0xda, 0x8f, 0x2b, 0x5c, 0x03}};
const GUID DS3DALG_DEFAULT = GUID_NULL_DS;
const GUID IID_IDirectSound = {0x4f5a0001, 0x0d50, 0x4c1e, {0x9d, 0x51, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01}};
const GUID IID_IDirectSound8 = {0x4f5a0002, 0x0d50, 0x4c1e, {0x9d, 0x51, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02}};
const GUID IID_IDirectSoundBuffer = {0x4f5a0003, 0x0d50, 0x4c1e, {0x9d, 0x51, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03}};
const GUID IID_IDirectSoundBuffer8 = {0x4f5a0004, 0x0d50, 0x4c1e, {0x9d, 0x51, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04}};
const GUID IID_IDirectSoundNotify = {0x4f5a0005, 0x0d50, 0x4c1e, {0x9d, 0x51, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05}};

namespace {

constexpr uint32_t kOutputRate = 44100;

class Device;
class Buffer;

// Everything below is guarded by Mixer::mutex unless it is atomic.
struct Mixer {
  std::mutex mutex;
  std::vector<Buffer*> buffers;  // secondary buffers alive
  bool manual = false;
  bool failCreate = false;
  bool failPrimary = false;
  bool tap = false;
  std::vector<DSoundTest::WriteRecord> writes;
  std::vector<int16_t> output;
  int sdlUsers = 0;
  SDL_AudioDeviceID sdlDevice = 0;
  bool silentFallback = false;
  std::vector<int32_t> accum;
  DSoundTest::CooperativeCall lastCooperative{};
};
Mixer& M() {
  static Mixer* m = new Mixer();  // outlives static destructors that may still release buffers
  return *m;
}

void Signal(HANDLE event) {
  if (event) SetEvent(event);
}

class Device : public IDirectSound {
 public:
  explicit Device(bool manual) : mManual(manual) {}
  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return DSERR_INVALIDPARAM;
    if (iid == IID_IDirectSound || iid == IID_IDirectSound8) {
      AddRef();
      *object = static_cast<IDirectSound*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG_PTR AddRef() override { return ++mRefs; }
  ULONG_PTR Release() override;
  HRESULT CreateSoundBuffer(LPCDSBUFFERDESC desc, IDirectSoundBuffer** buffer, void* outer) override;
  HRESULT GetCaps(DSCAPS* caps) override {
    if (!caps || caps->dwSize != sizeof(DSCAPS)) return DSERR_INVALIDPARAM;
    std::memset(caps, 0, sizeof *caps);
    caps->dwSize = sizeof(DSCAPS);
    caps->dwMinSecondarySampleRate = DSBFREQUENCY_MIN;
    caps->dwMaxSecondarySampleRate = DSBFREQUENCY_MAX;
    caps->dwPrimaryBuffers = 1;
    return S_OK;
  }
  HRESULT SetCooperativeLevel(HWND window, DWORD level) override {
    HRESULT hr = S_OK;
    if (level < DSSCL_NORMAL || level > DSSCL_WRITEPRIMARY) hr = DSERR_INVALIDPARAM;
    // A handle that names no window is refused; a null one is taken as it is.
    else if (window && !IsWindow(window)) hr = DSERR_INVALIDPARAM;
    else mLevel = level;
    std::lock_guard<std::mutex> lock(M().mutex);
    M().lastCooperative = DSoundTest::CooperativeCall{window, level, hr};
    return hr;
  }
  bool Manual() const { return mManual; }
  DWORD Level() const { return mLevel; }

 private:
  std::atomic<ULONG_PTR> mRefs{1};
  bool mManual;
  DWORD mLevel = 0;
};

class Buffer;

class Notify : public IDirectSoundNotify {
 public:
  explicit Notify(Buffer* b);
  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG_PTR AddRef() override { return ++mRefs; }
  ULONG_PTR Release() override;
  HRESULT SetNotificationPositions(DWORD count, LPCDSBPOSITIONNOTIFY positions) override;

 private:
  std::atomic<ULONG_PTR> mRefs{1};
  Buffer* mBuffer;
};

class Buffer : public IDirectSoundBuffer {
 public:
  Buffer(Device* device, bool primary, DWORD flags, const WAVEFORMATEX& format, DWORD size)
      : mDevice(device), mPrimary(primary), mFlags(flags), mFormat(format), mSize(size) {
    mDevice->AddRef();
    mData.assign(size, format.wBitsPerSample == 8 ? 0x80 : 0);
    mFrequency = format.nSamplesPerSec;
  }
  ~Buffer() override { mDevice->Release(); }

  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return DSERR_INVALIDPARAM;
    *object = nullptr;
    if (iid == IID_IDirectSoundBuffer || iid == IID_IDirectSoundBuffer8) {
      AddRef();
      *object = static_cast<IDirectSoundBuffer*>(this);
      return S_OK;
    }
    if (iid == IID_IDirectSoundNotify && !mPrimary && (mFlags & DSBCAPS_CTRLPOSITIONNOTIFY)) {
      *object = static_cast<IDirectSoundNotify*>(new Notify(this));
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  ULONG_PTR AddRef() override { return ++mRefs; }
  ULONG_PTR Release() override {
    ULONG_PTR left = --mRefs;
    if (left == 0) {
      {
        std::lock_guard<std::mutex> lock(M().mutex);
        auto& v = M().buffers;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
      }
      delete this;
    }
    return left;
  }

  HRESULT GetCurrentPosition(DWORD* play, DWORD* write) override {
    std::lock_guard<std::mutex> lock(M().mutex);
    if (mPrimary) {
      if (play) *play = 0;
      if (write) *write = 0;
      return S_OK;
    }
    if (play) *play = mCursor;
    if (write) *write = mPlaying ? (mCursor + WriteLead()) % mSize : mCursor;
    return S_OK;
  }
  HRESULT GetFormat(LPWAVEFORMATEX format, DWORD allocated, DWORD* written) override {
    std::lock_guard<std::mutex> lock(M().mutex);
    if (!format) {
      if (!written) return DSERR_INVALIDPARAM;
      *written = sizeof(WAVEFORMATEX);
      return S_OK;
    }
    DWORD n = std::min<DWORD>(allocated, sizeof(WAVEFORMATEX));
    std::memcpy(format, &mFormat, n);
    if (written) *written = n;
    return S_OK;
  }
  HRESULT GetVolume(LONG* volume) override {
    if (!volume) return DSERR_INVALIDPARAM;
    if (!(mFlags & DSBCAPS_CTRLVOLUME) && !mPrimary) return DSERR_CONTROLUNAVAIL;
    std::lock_guard<std::mutex> lock(M().mutex);
    *volume = mVolume;
    return S_OK;
  }
  HRESULT GetPan(LONG* pan) override {
    if (!pan) return DSERR_INVALIDPARAM;
    if (!(mFlags & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
    std::lock_guard<std::mutex> lock(M().mutex);
    *pan = mPan;
    return S_OK;
  }
  HRESULT GetFrequency(DWORD* frequency) override {
    if (!frequency) return DSERR_INVALIDPARAM;
    if (!(mFlags & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
    std::lock_guard<std::mutex> lock(M().mutex);
    *frequency = mFrequency;
    return S_OK;
  }
  HRESULT GetStatus(DWORD* status) override {
    if (!status) return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(M().mutex);
    *status = (mPlaying ? DSBSTATUS_PLAYING : 0) | (mPlaying && mLooping ? DSBSTATUS_LOOPING : 0) |
              (mLost ? DSBSTATUS_BUFFERLOST : 0);
    return S_OK;
  }
  HRESULT Lock(DWORD offset, DWORD bytes, void** p1, DWORD* n1, void** p2, DWORD* n2, DWORD flags) override {
    if (!p1 || !n1) return DSERR_INVALIDPARAM;
    if (mPrimary) return DSERR_PRIORITYLEVELNEEDED;
    std::lock_guard<std::mutex> lock(M().mutex);
    if (mLost) return DSERR_BUFFERLOST;
    if (mLocked) return DSERR_INVALIDCALL;
    if (flags & DSBLOCK_FROMWRITECURSOR) offset = mPlaying ? (mCursor + WriteLead()) % mSize : mCursor;
    if (flags & DSBLOCK_ENTIREBUFFER) bytes = mSize;
    if (offset >= mSize || bytes == 0 || bytes > mSize) return DSERR_INVALIDPARAM;
    // Writers get a staging copy that Unlock commits under the mixer lock, so the mixing thread
    // never reads bytes while they are being written.
    DWORD first = std::min(bytes, mSize - offset);
    if (first < bytes && (!p2 || !n2)) return DSERR_INVALIDPARAM;
    mStaging.assign(mData.begin(), mData.end());
    mLocked = true;
    *p1 = mStaging.data() + offset;
    *n1 = first;
    if (p2) *p2 = first < bytes ? mStaging.data() : nullptr;
    if (n2) *n2 = first < bytes ? bytes - first : 0;
    return S_OK;
  }
  HRESULT Play(DWORD, DWORD, DWORD flags) override {
    std::lock_guard<std::mutex> lock(M().mutex);
    if (mLost) return DSERR_BUFFERLOST;
    mPlaying = true;
    mLooping = (flags & DSBPLAY_LOOPING) != 0;
    return S_OK;
  }
  HRESULT SetCurrentPosition(DWORD position) override {
    if (mPrimary) return DSERR_INVALIDCALL;
    std::lock_guard<std::mutex> lock(M().mutex);
    if (position >= mSize) return DSERR_INVALIDPARAM;
    mCursor = position - position % mFormat.nBlockAlign;
    mFraction = 0.0;
    return S_OK;
  }
  HRESULT SetFormat(LPCWAVEFORMATEX format) override {
    if (!mPrimary) return DSERR_INVALIDCALL;
    if (!format || !ValidFormat(*format)) return DSERR_INVALIDPARAM;
    if (mDevice->Level() < DSSCL_PRIORITY) return DSERR_PRIORITYLEVELNEEDED;
    std::lock_guard<std::mutex> lock(M().mutex);
    mFormat = *format;
    return S_OK;
  }
  HRESULT SetVolume(LONG volume) override {
    if (!(mFlags & DSBCAPS_CTRLVOLUME) && !mPrimary) return DSERR_CONTROLUNAVAIL;
    if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(M().mutex);
    mVolume = volume;
    return S_OK;
  }
  HRESULT SetPan(LONG pan) override {
    if (!(mFlags & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
    if (pan < DSBPAN_LEFT || pan > DSBPAN_RIGHT) return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(M().mutex);
    mPan = pan;
    return S_OK;
  }
  HRESULT SetFrequency(DWORD frequency) override {
    if (!(mFlags & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
    if (frequency != DSBFREQUENCY_ORIGINAL && (frequency < DSBFREQUENCY_MIN || frequency > DSBFREQUENCY_MAX))
      return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(M().mutex);
    mFrequency = frequency == DSBFREQUENCY_ORIGINAL ? mFormat.nSamplesPerSec : frequency;
    return S_OK;
  }
  HRESULT Stop() override {
    std::vector<HANDLE> events;
    {
      std::lock_guard<std::mutex> lock(M().mutex);
      if (mPlaying) StopLocked(&events);
    }
    for (HANDLE e : events) Signal(e);
    return S_OK;
  }
  HRESULT Unlock(void* p1, DWORD n1, void* p2, DWORD n2) override {
    std::lock_guard<std::mutex> lock(M().mutex);
    if (!mLocked) return DSERR_INVALIDCALL;
    mLocked = false;
    Commit(p1, n1);
    Commit(p2, n2);
    return S_OK;
  }
  // A lost buffer comes back stopped and silent: its memory was given to another application.
  HRESULT Restore() override {
    std::lock_guard<std::mutex> lock(M().mutex);
    if (mLost) {
      mLost = false;
      std::fill(mData.begin(), mData.end(), mFormat.wBitsPerSample == 8 ? 0x80 : 0);
    }
    return S_OK;
  }

  // Mixes this buffer into the accumulator; called with the mixer lock held.
  void MixLocked(int32_t* accum, uint32_t frames, std::vector<HANDLE>* events) {
    if (!mPlaying || mSize == 0) return;
    const uint32_t block = mFormat.nBlockAlign;
    const uint32_t total = mSize / block;
    if (total == 0) return;
    const double step = (double)mFrequency / kOutputRate;
    const double gain = mVolume <= DSBVOLUME_MIN ? 0.0 : std::pow(10.0, mVolume / 2000.0);
    double gl = gain, gr = gain;
    if (mPan > 0) gl *= std::pow(10.0, -mPan / 2000.0);
    if (mPan < 0) gr *= std::pow(10.0, mPan / 2000.0);
    const bool stereo = mFormat.nChannels == 2;
    const bool eight = mFormat.wBitsPerSample == 8;
    uint32_t startCursor = mCursor;
    double pos = (double)(mCursor / block) + mFraction;
    uint64_t travelled = 0;
    bool ended = false;
    for (uint32_t i = 0; i < frames; i++) {
      uint32_t f = (uint32_t)pos;
      if (f >= total) f = total - 1;
      // Linear interpolation towards the next frame, so that other rates do not alias as a
      // sample-and-hold would; the last frame of a buffer played once is held.
      uint32_t g = f + 1 < total ? f + 1 : (mLooping ? 0 : f);
      double t = pos - f;
      double l0, r0, l1, r1;
      ReadFrame(f, eight, stereo, &l0, &r0);
      ReadFrame(g, eight, stereo, &l1, &r1);
      double l = l0 + (l1 - l0) * t, r = r0 + (r1 - r0) * t;
      accum[2 * i] += (int32_t)std::lrint(l * gl);
      accum[2 * i + 1] += (int32_t)std::lrint(r * gr);
      double next = pos + step;
      travelled += (uint64_t)next - (uint64_t)pos;
      pos = next;
      if (pos >= total) {
        if (mLooping) {
          pos = std::fmod(pos, (double)total);
        } else {
          pos = 0;
          ended = true;
          break;
        }
      }
    }
    uint32_t whole = (uint32_t)pos;
    mFraction = pos - whole;
    mCursor = whole * block;
    FireCrossed(startCursor, travelled * block, events);
    if (ended) StopLocked(events);
  }

  bool Playing() const { return mPlaying; }
  // Called with the mixer lock held: stops without notifications, as a lost buffer does.
  void LoseLocked() {
    if (mPrimary) return;
    mLost = true;
    mPlaying = false;
  }
  std::vector<uint32_t> OffsetsLocked() const {
    std::vector<uint32_t> offsets;
    for (auto& n : mNotifications) offsets.push_back(n.dwOffset);
    return offsets;
  }
  bool OnManualDevice() const { return mDevice->Manual(); }
  bool Primary() const { return mPrimary; }
  DWORD Size() const { return mSize; }

  // Notification positions; refused while playing.
  HRESULT SetPositions(DWORD count, LPCDSBPOSITIONNOTIFY positions) {
    std::lock_guard<std::mutex> lock(M().mutex);
    if (mPlaying) return DSERR_INVALIDCALL;
    if (count > 0 && !positions) return DSERR_INVALIDPARAM;
    for (DWORD i = 0; i < count; i++)
      if (positions[i].dwOffset != DSBPN_OFFSETSTOP && positions[i].dwOffset >= mSize) return DSERR_INVALIDPARAM;
    mNotifications.assign(positions, positions + count);
    return S_OK;
  }

  static bool ValidFormat(const WAVEFORMATEX& f) {
    if (f.wFormatTag != WAVE_FORMAT_PCM) return false;
    if (f.nChannels != 1 && f.nChannels != 2) return false;
    if (f.wBitsPerSample != 8 && f.wBitsPerSample != 16) return false;
    if (f.nSamplesPerSec < DSBFREQUENCY_MIN || f.nSamplesPerSec > DSBFREQUENCY_MAX) return false;
    return f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8;
  }

 private:
  void ReadFrame(uint32_t frame, bool eight, bool stereo, double* l, double* r) const {
    const uint8_t* p = mData.data() + (size_t)frame * mFormat.nBlockAlign;
    if (eight) {
      *l = ((int)p[0] - 128) * 256.0;
      *r = stereo ? ((int)p[1] - 128) * 256.0 : *l;
    } else {
      *l = (int16_t)(p[0] | (p[1] << 8));
      *r = stereo ? (int16_t)(p[2] | (p[3] << 8)) : *l;
    }
  }
  // About 10 ms ahead of the play cursor, whole frames.
  DWORD WriteLead() const {
    DWORD lead = mFormat.nSamplesPerSec / 100 * mFormat.nBlockAlign;
    return std::min(lead, mSize - mSize % mFormat.nBlockAlign) % mSize;
  }
  void Commit(void* p, DWORD n) {
    if (!p || n == 0) return;
    uint8_t* s = (uint8_t*)p;
    if (s < mStaging.data() || s >= mStaging.data() + mStaging.size()) return;
    size_t offset = (size_t)(s - mStaging.data());
    n = (DWORD)std::min<size_t>(n, mSize - offset);
    std::memcpy(mData.data() + offset, s, n);
    if (M().tap) M().writes.push_back({static_cast<IDirectSoundBuffer*>(this), (uint32_t)offset, std::vector<uint8_t>(s, s + n)});
  }
  void StopLocked(std::vector<HANDLE>* events) {
    mPlaying = false;
    for (auto& n : mNotifications)
      if (n.dwOffset == DSBPN_OFFSETSTOP) events->push_back(n.hEventNotify);
  }
  // Events whose offsets the cursor passed, moving `bytes` on from `from`.
  void FireCrossed(uint32_t from, uint64_t bytes, std::vector<HANDLE>* events) {
    if (bytes == 0) return;
    for (auto& n : mNotifications) {
      if (n.dwOffset == DSBPN_OFFSETSTOP) continue;
      uint64_t ahead = (n.dwOffset + (uint64_t)mSize - from) % mSize;
      if (ahead < bytes) events->push_back(n.hEventNotify);
    }
  }

  std::atomic<ULONG_PTR> mRefs{1};
  Device* mDevice;
  bool mPrimary;
  DWORD mFlags;
  WAVEFORMATEX mFormat;
  DWORD mSize;
  // Guarded by the mixer lock:
  std::vector<uint8_t> mData;
  std::vector<uint8_t> mStaging;
  bool mLocked = false;
  DWORD mCursor = 0;
  double mFraction = 0.0;
  bool mPlaying = false;
  bool mLooping = false;
  bool mLost = false;
  LONG mVolume = 0;
  LONG mPan = 0;
  DWORD mFrequency;
  std::vector<DSBPOSITIONNOTIFY> mNotifications;
};

Notify::Notify(Buffer* b) : mBuffer(b) { mBuffer->AddRef(); }
HRESULT Notify::QueryInterface(REFIID iid, void** object) {
  if (!object) return DSERR_INVALIDPARAM;
  if (iid == IID_IDirectSoundNotify) {
    AddRef();
    *object = static_cast<IDirectSoundNotify*>(this);
    return S_OK;
  }
  return mBuffer->QueryInterface(iid, object);
}
ULONG_PTR Notify::Release() {
  ULONG_PTR left = --mRefs;
  if (left == 0) {
    mBuffer->Release();
    delete this;
  }
  return left;
}
HRESULT Notify::SetNotificationPositions(DWORD count, LPCDSBPOSITIONNOTIFY positions) {
  return mBuffer->SetPositions(count, positions);
}

// Mixes `frames` output frames of the buffers of one kind of device into `out`; events to
// signal are collected so they are set outside the lock.
void MixLocked(bool manual, int16_t* out, uint32_t frames, std::vector<HANDLE>* events) {
  Mixer& m = M();
  m.accum.assign((size_t)frames * 2, 0);
  for (Buffer* b : m.buffers)
    if (b->OnManualDevice() == manual) b->MixLocked(m.accum.data(), frames, events);
  for (size_t i = 0; i < m.accum.size(); i++) out[i] = (int16_t)std::clamp(m.accum[i], -32768, 32767);
}

void SDLCALL AudioCallback(void*, Uint8* stream, int len) {
  std::vector<HANDLE> events;
  {
    std::lock_guard<std::mutex> lock(M().mutex);
    MixLocked(false, (int16_t*)stream, (uint32_t)len / 4, &events);
  }
  for (HANDLE e : events) Signal(e);
}

bool Exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

// False when the machine plainly has nothing to play on: no playback device node and no sound
// server. Probing every SDL driver then only costs start-up time (tens of milliseconds).
bool SoundOutputMayExist() {
  if (DIR* snd = opendir("/dev/snd")) {
    bool playback = false;
    while (dirent* e = readdir(snd))
      if (std::strncmp(e->d_name, "pcmC", 4) == 0 && e->d_name[std::strlen(e->d_name) - 1] == 'p') playback = true;
    closedir(snd);
    if (playback) return true;
  }
  if (Exists("/dev/dsp") || getenv("PULSE_SERVER")) return true;
  const char* run = getenv("XDG_RUNTIME_DIR");
  return run && *run && (Exists(std::string(run) + "/pulse/native") || Exists(std::string(run) + "/pipewire-0"));
}

bool OpenSdl(Mixer& m) {
  SDL_AudioSpec want{}, have{};
  want.freq = kOutputRate;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = 512;
  want.callback = AudioCallback;
  const char* driver = SDL_GetHint(SDL_HINT_AUDIODRIVER);  // the SDL_AUDIODRIVER variable too
  bool probe = (driver && *driver) || SoundOutputMayExist();
  if (probe && SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
    m.sdlDevice = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (m.sdlDevice) return true;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  // No sound card (a machine without audio, a virtual display): play silently on the dummy
  // driver so that buffers still advance.
  SDL_SetHintWithPriority("SDL_AUDIODRIVER", "dummy", SDL_HINT_OVERRIDE);
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  m.sdlDevice = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (!m.sdlDevice) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  m.silentFallback = true;
  return true;
}

ULONG_PTR Device::Release() {
  ULONG_PTR left = --mRefs;
  if (left == 0) {
    if (!mManual) {
      SDL_AudioDeviceID close = 0;
      {
        std::lock_guard<std::mutex> lock(M().mutex);
        if (--M().sdlUsers == 0) {
          close = M().sdlDevice;
          M().sdlDevice = 0;
        }
      }
      if (close) {
        SDL_CloseAudioDevice(close);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
      }
    }
    delete this;
  }
  return left;
}

HRESULT Device::CreateSoundBuffer(LPCDSBUFFERDESC desc, IDirectSoundBuffer** out, void* outer) {
  if (!out) return DSERR_INVALIDPARAM;
  *out = nullptr;
  if (!desc || outer) return DSERR_INVALIDPARAM;
  if (desc->dwSize != sizeof(DSBUFFERDESC) && desc->dwSize != offsetof(DSBUFFERDESC, guid3DAlgorithm))
    return DSERR_INVALIDPARAM;
  if (mLevel == 0) return DSERR_UNINITIALIZED;
  if (desc->dwFlags & DSBCAPS_PRIMARYBUFFER) {
    if (desc->dwBufferBytes != 0 || desc->lpwfxFormat) return DSERR_INVALIDPARAM;
    {
      std::lock_guard<std::mutex> lock(M().mutex);
      if (M().failPrimary) return DSERR_ALLOCATED;
    }
    WAVEFORMATEX f{WAVE_FORMAT_PCM, 2, 22050, 88200, 4, 16, 0};
    *out = new Buffer(this, true, desc->dwFlags, f, 0);
    return S_OK;
  }
  if (!desc->lpwfxFormat || !Buffer::ValidFormat(*desc->lpwfxFormat)) return DSERR_BADFORMAT;
  if (desc->dwBufferBytes < DSBSIZE_MIN || desc->dwBufferBytes > DSBSIZE_MAX) return DSERR_INVALIDPARAM;
  auto* b = new Buffer(this, false, desc->dwFlags, *desc->lpwfxFormat, desc->dwBufferBytes);
  {
    std::lock_guard<std::mutex> lock(M().mutex);
    M().buffers.push_back(b);
  }
  *out = b;
  return S_OK;
}

HRESULT Create(LPCGUID guid, IDirectSound** ds, void* outer) {
  if (!ds) return DSERR_INVALIDPARAM;
  *ds = nullptr;
  if (outer) return DSERR_INVALIDPARAM;
  if (guid && !(*guid == GUID_NULL_DS) && !(*guid == DSDEVID_DefaultPlayback)) return DSERR_NODRIVER;
  Mixer& m = M();
  bool manual;
  {
    std::lock_guard<std::mutex> lock(m.mutex);
    if (m.failCreate) return DSERR_NODRIVER;
    manual = m.manual;
    if (!manual && m.sdlUsers > 0) {
      m.sdlUsers++;
      *ds = new Device(false);
      return S_OK;
    }
  }
  if (!manual) {
    Win32EnsureSdl();  // SDL's video starts before its audio thread does (see there)
    // Opened outside the mixer lock: SDL may start calling back at once.
    Mixer probe;
    if (!OpenSdl(probe)) return DSERR_NODRIVER;
    {
      std::lock_guard<std::mutex> lock(m.mutex);
      m.sdlDevice = probe.sdlDevice;
      m.silentFallback = probe.silentFallback;
      m.sdlUsers++;
    }
    // Unpaused outside the mixer lock: SDL holds its device lock while it calls back, and the
    // callback takes the mixer lock, so taking them the other way round could deadlock.
    SDL_PauseAudioDevice(probe.sdlDevice, 0);
  }
  *ds = new Device(manual);
  return S_OK;
}

}  // namespace

HRESULT DirectSoundCreate(LPCGUID device, IDirectSound** ds, void* outer) { return Create(device, ds, outer); }
HRESULT DirectSoundCreate8(LPCGUID device, IDirectSound8** ds, void* outer) { return Create(device, ds, outer); }

namespace DSoundTest {

void UseManualDevice(bool manual) {
  std::lock_guard<std::mutex> lock(M().mutex);
  M().manual = manual;
}
bool IsManualDevice() {
  std::lock_guard<std::mutex> lock(M().mutex);
  return M().manual;
}

void AdvanceFrames(uint32_t frames) {
  std::vector<HANDLE> events;
  std::vector<int16_t> out((size_t)frames * 2);
  {
    std::lock_guard<std::mutex> lock(M().mutex);
    MixLocked(true, out.data(), frames, &events);
    if (M().tap) M().output.insert(M().output.end(), out.begin(), out.end());
  }
  for (HANDLE e : events) Signal(e);
}

void EnableTap(bool on) {
  std::lock_guard<std::mutex> lock(M().mutex);
  M().tap = on;
  M().writes.clear();
  M().output.clear();
}
std::vector<WriteRecord> TakeWrites() {
  std::lock_guard<std::mutex> lock(M().mutex);
  return std::exchange(M().writes, {});
}
std::vector<int16_t> TakeOutput() {
  std::lock_guard<std::mutex> lock(M().mutex);
  return std::exchange(M().output, {});
}
void FailDeviceCreation(bool fail) {
  std::lock_guard<std::mutex> lock(M().mutex);
  M().failCreate = fail;
}
void FailPrimaryBuffer(bool fail) {
  std::lock_guard<std::mutex> lock(M().mutex);
  M().failPrimary = fail;
}
int PlayingBufferCount() {
  std::lock_guard<std::mutex> lock(M().mutex);
  int n = 0;
  for (Buffer* b : M().buffers) n += b->Playing() ? 1 : 0;
  return n;
}
void LoseBuffers() {
  std::lock_guard<std::mutex> lock(M().mutex);
  for (Buffer* b : M().buffers) b->LoseLocked();
}
std::vector<uint32_t> NotificationOffsets(const void* buffer) {
  std::lock_guard<std::mutex> lock(M().mutex);
  for (Buffer* b : M().buffers)
    if (static_cast<const IDirectSoundBuffer*>(b) == buffer) return b->OffsetsLocked();
  return {};
}
CooperativeCall LastCooperativeLevel() {
  std::lock_guard<std::mutex> lock(M().mutex);
  return M().lastCooperative;
}
bool IsSilentFallback() {
  std::lock_guard<std::mutex> lock(M().mutex);
  return M().silentFallback;
}

}  // namespace DSoundTest
