// Test seam of the display stand-in: the device profile it pretends to be, scripted faults, and
// the capture hook that writes presented frames to PNG files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/directx/ddraw.h"

namespace TestControl {
namespace Display {

// One DirectDraw device of the enumeration; the first entry is the default device.
struct DirectDrawDevice {
  bool hasGuid = false;
  GUID guid{};
  std::string description = "Primary Display Driver";
  std::string driverName = "display";
};

struct Mode {
  DWORD width, height, bitsPerPixel;
};

struct Profile {
  std::vector<DirectDrawDevice> directDrawDevices{DirectDrawDevice{}};
  std::vector<Mode> modes{{640, 480, 16}, {640, 480, 32}, {800, 600, 16}, {800, 600, 32},
                          {1024, 768, 16}, {1024, 768, 32}, {1280, 1024, 16}, {1280, 1024, 32}};
  DWORD videoMemoryTotal = 64u << 20;  // bytes of video memory the card offers
  DWORD videoMemoryFree = 0xFFFFFFFFu;  // free at start (the rest is taken by others); above total: all
  // Direct3D devices: a software device is always offered; these add the hardware ones.
  bool hardwareDevice = true;
  bool transformAndLight = true;
  DWORD maxTextureWidth = 2048, maxTextureHeight = 2048;
  bool squareOnly = false;
  DWORD maxTextureAspectRatio = 0;  // 0: no limit
  bool powerOfTwoOnly = true;
  bool separateTextureMemories = false;
  bool specular = true;  // Gouraud RGB specular
  // Device identifier.
  std::string driver = "orvdisp.dll";
  std::string description = "Orvella Software Display Adapter";
  DWORD driverVersionHigh = 0x00060005, driverVersionLow = 0x00010000;
  DWORD vendorId = 0x1234, deviceId = 0x5678, subSysId = 0, revision = 1;
  // Texture formats offered by the device (empty: the default list) and z-buffer depths.
  std::vector<DDPIXELFORMAT> textureFormats;
  std::vector<DWORD> zBufferDepths{16, 32};
  // Desktop. Without a profile set by a test, width and height follow the real screen once SDL
  // video runs. SetProfile also gives the Win32 stand-in this desktop (GetDeviceCaps with
  // NUMCOLORS for the colour count, screen metrics, work area); the display itself goes by the
  // bits per pixel.
  DWORD desktopWidth = 1280, desktopHeight = 1024, desktopBitsPerPixel = 32;
  int desktopColors = -1;  // NUMCOLORS: -1 above 8 bits per pixel
  DWORD monitorFrequency = 60;
};

// The default texture formats: A8R8G8B8, X8R8G8B8, R5G6B5, X1R5G5B5, A1R5G5B5, A4R4G4B4.
std::vector<DDPIXELFORMAT> DefaultTextureFormats();

// Profile and faults apply to objects created afterwards (faults at once). Reset restores the
// defaults and clears every fault and the capture settings.
void SetProfile(const Profile& profile);
Profile GetProfile();
void Reset();

// Surfaces lose their memory on the next call of a kind and stay lost until restored.
enum class LossTrigger { Blt, BltFast, Flip, Lock, GetDC, BeginScene, EndScene, DrawPrimitive };
void LoseSurfacesOnNext(LossTrigger trigger);
// Marks every video-memory and primary-chain surface lost now.
void LoseAllSurfaces();
// The next `count` surface creations whose caps include all bits of `capsMask` fail with `result`
// (count -1: until cleared by Reset).
void FailSurfaceCreation(HRESULT result, int count, DWORD capsMask = 0);
// SetDisplayMode refuses a size (bitsPerPixel 0: every depth of it) with DDERR_INVALIDMODE.
void RefuseDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel);
// TestCooperativeLevel answers these in turn, then DD_OK.
void SetTestCooperativeLevelResults(const std::vector<HRESULT>& results);
// The next `polls` calls of GetFlipStatus / GetBltStatus answer DDERR_WASSTILLDRAWING.
void SetStillDrawing(int polls);
void SetGetDcFails(bool fails);
// SetRenderTarget answers `result` (DD_OK: no fault); bitsPerPixel 0 refuses every surface,
// otherwise only surfaces of that depth.
void SetRenderTargetRefusal(HRESULT result, DWORD bitsPerPixel = 0);
// The next RestoreAllSurfaces answers `result` (for example DDERR_WRONGMODE) and restores nothing.
void SetRestoreAllSurfacesResult(HRESULT result);
// The antialiasing render state and the antialiasing surface hint are refused.
void SetAntialiasRefused(bool refused);

// The rasteriser's paths: its quicker paths on the widest vector units the processor has (the
// default), on registers of at most 256 bits (AVX2) or 128 bits (SSE2), or its general path
// alone. They draw the same pixels.
enum class RasterizerPaths { kWidest, kVector256, kVector128, kGeneral };
void SetRasterizerPaths(RasterizerPaths paths);

// Capture: every present also writes the presented frame to this PNG file (empty: off). The
// variable ORVELLA_DX_CAPTURE gives the same from outside the program.
void SetCapturePath(const std::string& path);
// The last presented frame as 32-bit ARGB rows; false before the first present.
bool GetLastPresentedFrame(std::vector<uint32_t>& pixels, int& width, int& height);
int GetPresentCount();
// Presents into a window of the stand-in's own when the Win32 stand-in gives none (demos).
void UseOwnWindow(bool own, const char* title = "Orvella");

// PNG helpers for tests and tools (alpha kept).
bool WritePng(const std::string& path, const uint32_t* argb, int width, int height, int pitchPixels);
bool ReadPng(const std::string& path, std::vector<uint32_t>& argb, int& width, int& height);
// Reads a surface as 32-bit ARGB (any colour format); false when it cannot be locked.
bool ReadSurface(IDirectDrawSurface7* surface, std::vector<uint32_t>& argb, int& width, int& height);

}  // namespace Display
}  // namespace TestControl
