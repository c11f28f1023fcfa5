// The seam through which tests drive the DirectSound stand-in: a manual device whose play
// cursors the test advances, a tap of what was written and played, and scripted failures.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win32/win32.h"

namespace DSoundTest {

// Devices created from now on play nowhere: time passes only through AdvanceFrames.
// Switching back closes nothing that is open; call it before creating devices.
void UseManualDevice(bool manual);
bool IsManualDevice();

// Plays this many output frames (44100 Hz stereo) on the manual device: every playing buffer's
// play cursor moves on, notifications fire, and the mix goes to the tap.
void AdvanceFrames(uint32_t frames);

// Records Unlock writes and the played mix while on; turning it on clears both.
void EnableTap(bool on);
struct WriteRecord {
  const void* buffer;  // the IDirectSoundBuffer written
  uint32_t offset;
  std::vector<uint8_t> bytes;
};
std::vector<WriteRecord> TakeWrites();
// Interleaved 16-bit stereo at 44100 Hz, as played since the last call.
std::vector<int16_t> TakeOutput();

// Scripted failures of the next device creation and of primary-buffer creation.
void FailDeviceCreation(bool fail);
void FailPrimaryBuffer(bool fail);

// Every secondary buffer is lost, as when another application takes the sound card: it stops
// (without notifications), reports DSBSTATUS_BUFFERLOST and refuses Lock and Play with
// DSERR_BUFFERLOST until Restore, which gives it back silent.
void LoseBuffers();
// The notification offsets set on a secondary buffer (empty for an unknown buffer).
std::vector<uint32_t> NotificationOffsets(const void* buffer);

// The last SetCooperativeLevel call on any device, refused or not (all zero before the first):
// shows which window a device was given.
struct CooperativeCall {
  HWND window;
  DWORD level;
  HRESULT result;
};
CooperativeCall LastCooperativeLevel();

// Buffers currently playing (all devices).
int PlayingBufferCount();
// Whether the real output runs on SDL's dummy driver after opening a device failed.
bool IsSilentFallback();

}  // namespace DSoundTest
