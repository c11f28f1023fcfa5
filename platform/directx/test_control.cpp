// The display stand-in's test seam: device profile, scripted faults and their bookkeeping.
#include <SDL.h>

#include <algorithm>
#include <mutex>

#include "platform/directx/ddraw.h"
#include "platform/directx/draw_shared.h"
#include "platform/directx/pixel_format.h"
#include "platform/directx/rasterizer.h"
#include "platform/test_control.h"

namespace {

using TestControl::Display::LossTrigger;
using TestControl::Display::Profile;

struct CreationFault {
  HRESULT result;
  int count;
  DWORD caps;
};
struct RefusedMode {
  DWORD width, height, bits;
};

struct FaultState {
  std::mutex mutex;  // guards every field
  Profile profile;
  bool profileSet = false;  // a test chose the profile; else the desktop follows the real screen
  std::vector<LossTrigger> losses;
  std::vector<CreationFault> creation;
  std::vector<RefusedMode> refused;
  std::vector<HRESULT> coopResults;
  size_t coopNext = 0;
  int stillDrawing = 0;
  bool getDcFails = false;
  HRESULT renderTargetRefusal = DD_OK;
  DWORD renderTargetBits = 0;
  bool antialiasRefused = false;
  HRESULT restoreAllResult = DD_OK;
  std::vector<std::weak_ptr<dx::DrawShared>> shared;
};

FaultState& State() {
  static FaultState state;
  return state;
}

}  // namespace

namespace dx {

TestControl::Display::Profile CurrentProfile() {
  std::lock_guard<std::mutex> lock(State().mutex);
  Profile p = State().profile;
  SDL_DisplayMode mode;
  if (!State().profileSet && SDL_WasInit(SDL_INIT_VIDEO) && SDL_GetDesktopDisplayMode(0, &mode) == 0 && mode.w > 0 &&
      mode.h > 0) {
    p.desktopWidth = (DWORD)mode.w;
    p.desktopHeight = (DWORD)mode.h;
  }
  if (p.textureFormats.empty()) p.textureFormats = TestControl::Display::DefaultTextureFormats();
  if (p.directDrawDevices.empty()) p.directDrawDevices.push_back({});
  return p;
}

void RegisterShared(const std::shared_ptr<DrawShared>& shared) {
  auto& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.shared.erase(std::remove_if(s.shared.begin(), s.shared.end(), [](auto& w) { return w.expired(); }),
                 s.shared.end());
  s.shared.push_back(shared);
}

namespace faults {

bool TakeLoss(LossTrigger trigger) {
  auto& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto it = std::find(s.losses.begin(), s.losses.end(), trigger);
  if (it == s.losses.end()) return false;
  s.losses.erase(it);
  return true;
}

HRESULT TakeCreationFailure(DWORD caps) {
  auto& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  for (auto it = s.creation.begin(); it != s.creation.end(); ++it) {
    if ((caps & it->caps) != it->caps) continue;
    HRESULT r = it->result;
    if (it->count > 0 && --it->count == 0) s.creation.erase(it);
    return r;
  }
  return DD_OK;
}

bool ModeRefused(DWORD width, DWORD height, DWORD bits) {
  auto& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  for (auto& m : s.refused)
    if (m.width == width && m.height == height && (m.bits == 0 || m.bits == bits)) return true;
  return false;
}

HRESULT NextTestCooperativeLevel() {
  auto& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.coopNext < s.coopResults.size()) return s.coopResults[s.coopNext++];
  return S_FALSE;
}

bool TakeStillDrawing() {
  auto& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.stillDrawing <= 0) return false;
  --s.stillDrawing;
  return true;
}

bool GetDcFails() {
  std::lock_guard<std::mutex> lock(State().mutex);
  return State().getDcFails;
}

HRESULT RenderTargetRefusal(DWORD bits) {
  auto& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.renderTargetRefusal == DD_OK) return DD_OK;
  if (s.renderTargetBits != 0 && s.renderTargetBits != bits) return DD_OK;
  return s.renderTargetRefusal;
}

bool AntialiasRefused() {
  std::lock_guard<std::mutex> lock(State().mutex);
  return State().antialiasRefused;
}

HRESULT TakeRestoreAllResult() {
  auto& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  HRESULT r = s.restoreAllResult;
  s.restoreAllResult = DD_OK;
  return r;
}

}  // namespace faults
}  // namespace dx

namespace TestControl {
namespace Display {

std::vector<DDPIXELFORMAT> DefaultTextureFormats() {
  return {dx::Argb8888Format(), dx::Xrgb8888Format(), dx::Rgb565Format(),
          dx::Xrgb1555Format(), dx::Argb1555Format(), dx::Argb4444Format()};
}

void SetProfile(const Profile& profile) {
  {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().profile = profile;
    State().profileSet = true;
  }
  // The Win32 side reports the same desktop (GetDeviceCaps, screen metrics, work area).
  TestControl::SetScreenMetrics((int)profile.desktopWidth, (int)profile.desktopHeight, profile.desktopColors,
                                (int)profile.desktopBitsPerPixel);
}

Profile GetProfile() { return dx::CurrentProfile(); }

void ResetCapture();  // present.cpp

void Reset() {
  auto& s = State();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    s.profile = Profile{};
    s.profileSet = false;
    s.losses.clear();
    s.creation.clear();
    s.refused.clear();
    s.coopResults.clear();
    s.coopNext = 0;
    s.stillDrawing = 0;
    s.getDcFails = false;
    s.renderTargetRefusal = DD_OK;
    s.renderTargetBits = 0;
    s.antialiasRefused = false;
    s.restoreAllResult = DD_OK;
  }
  TestControl::ClearScreenMetrics();
  ResetCapture();
  dx::SetRasterPath(dx::RasterPath::kWidest);
}

void SetRasterizerPaths(RasterizerPaths paths) {
  dx::SetRasterPath(paths == RasterizerPaths::kVector256   ? dx::RasterPath::kVector256
                    : paths == RasterizerPaths::kVector128 ? dx::RasterPath::kVector128
                    : paths == RasterizerPaths::kGeneral   ? dx::RasterPath::kGeneral
                                                           : dx::RasterPath::kWidest);
}

void LoseSurfacesOnNext(LossTrigger trigger) {
  std::lock_guard<std::mutex> lock(State().mutex);
  State().losses.push_back(trigger);
}

void LoseAllSurfaces() {
  std::vector<std::shared_ptr<dx::DrawShared>> live;
  {
    std::lock_guard<std::mutex> lock(State().mutex);
    for (auto& w : State().shared)
      if (auto p = w.lock()) live.push_back(p);
  }
  for (auto& p : live) dx::LoseSurfaces(*p);
}

void FailSurfaceCreation(HRESULT result, int count, DWORD capsMask) {
  std::lock_guard<std::mutex> lock(State().mutex);
  if (count == 0) return;
  State().creation.push_back({result, count, capsMask});
}

void RefuseDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel) {
  std::lock_guard<std::mutex> lock(State().mutex);
  State().refused.push_back({width, height, bitsPerPixel});
}

void SetTestCooperativeLevelResults(const std::vector<HRESULT>& results) {
  std::lock_guard<std::mutex> lock(State().mutex);
  State().coopResults = results;
  State().coopNext = 0;
}

void SetStillDrawing(int polls) {
  std::lock_guard<std::mutex> lock(State().mutex);
  State().stillDrawing = polls;
}

void SetGetDcFails(bool fails) {
  std::lock_guard<std::mutex> lock(State().mutex);
  State().getDcFails = fails;
}

void SetRenderTargetRefusal(HRESULT result, DWORD bitsPerPixel) {
  std::lock_guard<std::mutex> lock(State().mutex);
  State().renderTargetRefusal = result;
  State().renderTargetBits = bitsPerPixel;
}

void SetRestoreAllSurfacesResult(HRESULT result) {
  std::lock_guard<std::mutex> lock(State().mutex);
  State().restoreAllResult = result;
}

void SetAntialiasRefused(bool refused) {
  std::lock_guard<std::mutex> lock(State().mutex);
  State().antialiasRefused = refused;
}

}  // namespace Display
}  // namespace TestControl
