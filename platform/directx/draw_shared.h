// State shared by one DirectDraw object and every surface made from it, and the process-wide
// test-control settings (profile and faults) that the stand-in consults.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/directx/ddraw_types.h"
#include "platform/directx/directx_test_control.h"

namespace dx {

struct DrawShared {
  std::mutex mutex;  // guards every field below
  std::vector<IDirectDrawSurface7*> surfaces;  // live surfaces (not counted references)
  uint64_t videoMemoryUsed = 0;
  IDirectDrawSurface7* primary = nullptr;
  HWND window = nullptr;
  DWORD cooperativeFlags = 0;
  bool modeSet = false;
  DWORD modeWidth = 0, modeHeight = 0, modeBits = 0;
  int deviceIndex = 0;
  std::thread::id mainThread;
  TestControl::Display::Profile profile;  // snapshot taken at creation
};

// Process-wide fault state; every access goes through these functions (internally locked).
namespace faults {
// True once when the next call of `trigger` must lose the surfaces (consumes the fault).
bool TakeLoss(TestControl::Display::LossTrigger trigger);
// The scripted creation failure for surfaces with these caps, or DD_OK.
HRESULT TakeCreationFailure(DWORD caps);
bool ModeRefused(DWORD width, DWORD height, DWORD bits);
HRESULT NextTestCooperativeLevel();  // S_FALSE when nothing is scripted
bool TakeStillDrawing();
bool GetDcFails();
HRESULT RenderTargetRefusal(DWORD bits);
bool AntialiasRefused();
HRESULT TakeRestoreAllResult();  // DD_OK when nothing is scripted
}  // namespace faults

TestControl::Display::Profile CurrentProfile();

void RegisterShared(const std::shared_ptr<DrawShared>& shared);

// Marks the video-memory and primary-chain surfaces of this object lost.
void LoseSurfaces(DrawShared& shared);

}  // namespace dx
