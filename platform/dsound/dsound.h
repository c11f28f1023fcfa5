// The DirectSound subset the framework sound and the audio engine call: devices, primary and
// secondary buffers, Lock/Unlock, looping play, cursors, volume, status and position
// notifications, lost buffers and their restore. Playing buffers are mixed in software and
// played through SDL.
#pragma once

#include <cstdint>

#include "platform/win32/win32.h"

typedef const GUID& REFIID;
typedef const GUID* LPCGUID;

#ifndef _WAVEFORMATEX_
#define _WAVEFORMATEX_
#pragma pack(push, 1)
struct WAVEFORMATEX {
  WORD wFormatTag;
  WORD nChannels;
  DWORD nSamplesPerSec;
  DWORD nAvgBytesPerSec;
  WORD nBlockAlign;
  WORD wBitsPerSample;
  WORD cbSize;
};
#pragma pack(pop)
typedef WAVEFORMATEX* LPWAVEFORMATEX;
typedef const WAVEFORMATEX* LPCWAVEFORMATEX;
#endif
#ifndef WAVE_FORMAT_PCM
#define WAVE_FORMAT_PCM 1
#endif
#ifndef WAVE_FORMAT_IEEE_FLOAT
#define WAVE_FORMAT_IEEE_FLOAT 3
#endif

#ifndef S_OK
#define S_OK ((HRESULT)0)
#endif
#ifndef E_NOINTERFACE
#define E_NOINTERFACE ((HRESULT)0x80004002)
#endif
#ifndef E_OUTOFMEMORY
#define E_OUTOFMEMORY ((HRESULT)0x8007000E)
#endif
#ifndef SUCCEEDED
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
#endif

#define DS_OK S_OK
#define DSERR_ALLOCATED ((HRESULT)0x8878000A)
#define DSERR_CONTROLUNAVAIL ((HRESULT)0x8878001E)
#define DSERR_INVALIDPARAM ((HRESULT)0x80070057)
#define DSERR_INVALIDCALL ((HRESULT)0x88780032)
#define DSERR_GENERIC ((HRESULT)0x80004005)
#define DSERR_PRIORITYLEVELNEEDED ((HRESULT)0x88780046)
#define DSERR_OUTOFMEMORY E_OUTOFMEMORY
#define DSERR_BADFORMAT ((HRESULT)0x88780064)
#define DSERR_NODRIVER ((HRESULT)0x88780078)
#define DSERR_BUFFERLOST ((HRESULT)0x88780096)
#define DSERR_UNINITIALIZED ((HRESULT)0x887800AA)
#define DSERR_NOINTERFACE E_NOINTERFACE

#define DSSCL_NORMAL 0x00000001
#define DSSCL_PRIORITY 0x00000002
#define DSSCL_EXCLUSIVE 0x00000003
#define DSSCL_WRITEPRIMARY 0x00000004

#define DSBCAPS_PRIMARYBUFFER 0x00000001
#define DSBCAPS_STATIC 0x00000002
#define DSBCAPS_LOCHARDWARE 0x00000004
#define DSBCAPS_LOCSOFTWARE 0x00000008
#define DSBCAPS_CTRL3D 0x00000010
#define DSBCAPS_CTRLFREQUENCY 0x00000020
#define DSBCAPS_CTRLPAN 0x00000040
#define DSBCAPS_CTRLVOLUME 0x00000080
#define DSBCAPS_CTRLPOSITIONNOTIFY 0x00000100
#define DSBCAPS_STICKYFOCUS 0x00004000
#define DSBCAPS_GLOBALFOCUS 0x00008000
#define DSBCAPS_GETCURRENTPOSITION2 0x00010000

#define DSBPLAY_LOOPING 0x00000001

#define DSBSTATUS_PLAYING 0x00000001
#define DSBSTATUS_BUFFERLOST 0x00000002
#define DSBSTATUS_LOOPING 0x00000004

#define DSBLOCK_FROMWRITECURSOR 0x00000001
#define DSBLOCK_ENTIREBUFFER 0x00000002

#define DSBVOLUME_MIN (-10000)
#define DSBVOLUME_MAX 0
#define DSBPAN_LEFT (-10000)
#define DSBPAN_CENTER 0
#define DSBPAN_RIGHT 10000
#define DSBFREQUENCY_ORIGINAL 0
#define DSBFREQUENCY_MIN 100
#define DSBFREQUENCY_MAX 200000
#define DSBSIZE_MIN 4
#define DSBSIZE_MAX 0x0FFFFFFF
#define DSBPN_OFFSETSTOP 0xFFFFFFFF

// The buffer description; dwSize is sizeof(DSBUFFERDESC) (36 bytes on the original 32-bit
// platform; pointer width makes it larger here).
struct DSBUFFERDESC {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwBufferBytes;
  DWORD dwReserved;
  LPWAVEFORMATEX lpwfxFormat;
  GUID guid3DAlgorithm;
};
typedef const DSBUFFERDESC* LPCDSBUFFERDESC;

struct DSCAPS {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwMinSecondarySampleRate;
  DWORD dwMaxSecondarySampleRate;
  DWORD dwPrimaryBuffers;
  DWORD dwMaxHwMixingAllBuffers;
  DWORD dwMaxHwMixingStaticBuffers;
  DWORD dwMaxHwMixingStreamingBuffers;
  DWORD dwFreeHwMixingAllBuffers;
  DWORD dwFreeHwMixingStaticBuffers;
  DWORD dwFreeHwMixingStreamingBuffers;
  DWORD dwMaxHw3DAllBuffers;
  DWORD dwMaxHw3DStaticBuffers;
  DWORD dwMaxHw3DStreamingBuffers;
  DWORD dwFreeHw3DAllBuffers;
  DWORD dwFreeHw3DStaticBuffers;
  DWORD dwFreeHw3DStreamingBuffers;
  DWORD dwTotalHwMemBytes;
  DWORD dwFreeHwMemBytes;
  DWORD dwMaxContigFreeHwMemBytes;
  DWORD dwUnlockTransferRateHwBuffers;
  DWORD dwPlayCpuOverheadSwBuffers;
  DWORD dwReserved1;
  DWORD dwReserved2;
};

struct DSBPOSITIONNOTIFY {
  DWORD dwOffset;
  HANDLE hEventNotify;
};
typedef const DSBPOSITIONNOTIFY* LPCDSBPOSITIONNOTIFY;

extern const GUID GUID_NULL_DS;
extern const GUID DSDEVID_DefaultPlayback;
extern const GUID DS3DALG_DEFAULT;
extern const GUID IID_IDirectSound;
extern const GUID IID_IDirectSound8;
extern const GUID IID_IDirectSoundBuffer;
extern const GUID IID_IDirectSoundBuffer8;
extern const GUID IID_IDirectSoundNotify;
#ifndef ORVELLA_GUID_NULL_DEFINED
#define ORVELLA_GUID_NULL_DEFINED
#define GUID_NULL GUID_NULL_DS
#endif

struct IUnknownDS {
  virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
  virtual ULONG_PTR AddRef() = 0;
  virtual ULONG_PTR Release() = 0;

 protected:
  virtual ~IUnknownDS() = default;
};

struct IDirectSoundBuffer : IUnknownDS {
  virtual HRESULT GetCurrentPosition(DWORD* playCursor, DWORD* writeCursor) = 0;
  virtual HRESULT GetFormat(LPWAVEFORMATEX format, DWORD sizeAllocated, DWORD* sizeWritten) = 0;
  virtual HRESULT GetVolume(LONG* volume) = 0;
  virtual HRESULT GetPan(LONG* pan) = 0;
  virtual HRESULT GetFrequency(DWORD* frequency) = 0;
  virtual HRESULT GetStatus(DWORD* status) = 0;
  virtual HRESULT Lock(DWORD offset, DWORD bytes, void** ptr1, DWORD* bytes1, void** ptr2, DWORD* bytes2,
                       DWORD flags) = 0;
  virtual HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) = 0;
  virtual HRESULT SetCurrentPosition(DWORD position) = 0;
  virtual HRESULT SetFormat(LPCWAVEFORMATEX format) = 0;
  virtual HRESULT SetVolume(LONG volume) = 0;
  virtual HRESULT SetPan(LONG pan) = 0;
  virtual HRESULT SetFrequency(DWORD frequency) = 0;
  virtual HRESULT Stop() = 0;
  virtual HRESULT Unlock(void* ptr1, DWORD bytes1, void* ptr2, DWORD bytes2) = 0;
  virtual HRESULT Restore() = 0;
};
typedef IDirectSoundBuffer IDirectSoundBuffer8;
typedef IDirectSoundBuffer* LPDIRECTSOUNDBUFFER;
typedef IDirectSoundBuffer8* LPDIRECTSOUNDBUFFER8;

struct IDirectSoundNotify : IUnknownDS {
  virtual HRESULT SetNotificationPositions(DWORD count, LPCDSBPOSITIONNOTIFY positions) = 0;
};
typedef IDirectSoundNotify* LPDIRECTSOUNDNOTIFY;

struct IDirectSound : IUnknownDS {
  virtual HRESULT CreateSoundBuffer(LPCDSBUFFERDESC desc, IDirectSoundBuffer** buffer, void* outer) = 0;
  virtual HRESULT GetCaps(DSCAPS* caps) = 0;
  virtual HRESULT SetCooperativeLevel(HWND window, DWORD level) = 0;
};
typedef IDirectSound IDirectSound8;
typedef IDirectSound* LPDIRECTSOUND;
typedef IDirectSound8* LPDIRECTSOUND8;

// Creates a device on the default playback device (device null or DSDEVID_DefaultPlayback).
HRESULT DirectSoundCreate(LPCGUID device, IDirectSound** ds, void* outer);
HRESULT DirectSoundCreate8(LPCGUID device, IDirectSound8** ds, void* outer);
