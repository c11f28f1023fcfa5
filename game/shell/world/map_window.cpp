// The world map: picture, clouds, port pins with their labels and hot areas. Everything drawn is
// a child of the map picture's sprite, ordered by layer: the picture (0), the current port's
// ring (0, after it), dots (1), pins (2), labels (3, their halos under them), the traveller (10),
// the clouds (11).
#include "game/shell/world/map_window.h"

#include <cmath>

#include "core/base/saturate.h"
#include "core/base/random.h"
#include "core/graphics/sprites/animated_sprite.h"
#include "core/graphics/sprites/animated_texture.h"
#include "core/graphics/text/text_sprite.h"
#include "core/graphics/texture.h"
#include "core/script/lua_table.h"
#include "core/windows/modal_window.h"
#include "core/windows/window_host.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_style.h"
#include "game/shell/qrn_string_file.h"
#include "game/shell/world/rollover.h"
#include "game/shell/world/world_drawing.h"
#include "game/shell/world/world_script.h"

namespace {

MapWindow* gMap = nullptr;

constexpr int32_t kHotHalf = 17;
constexpr int32_t kLabelLayer = 3;
constexpr int32_t kPinLayer = 2;
constexpr int32_t kCloudLayer = 11;
constexpr const char* kLabelFont = "fonts/fertigo.mvec";

// The pin's picture for a port state, and whether it plays.
struct PinLook {
  const char* state;
  const char* picture;
  bool animated;
  bool plays;
};
const PinLook kPinLooks[] = {
    {"open", "image/port_visited", false, false},
    {"new", "image/port_new.xml", true, true},
    {"factory", "image/factory.xml", true, true},
    {"factory_stall", "image/factory_idle.xml", true, true},
    {"shop", "image/icon_shop", false, false},
};
const PinLook kLockedLook = {"", "image/port_locked.xml", true, false};

const PinLook& LookFor(const TStr& state) {
  for (const PinLook& look : kPinLooks)
    if (state == look.state) return look;
  return kLockedLook;
}

std::shared_ptr<TTextSprite> PortLabel(const TStr& text, int alignment, const TColor& colour, int32_t layer) {
  std::shared_ptr<TTextSprite> label = TTextSprite::Create(200, 20, alignment, kLabelFont, 20, colour, layer);
  label->SetText(text);
  return label;
}

}  // namespace

MapWindow::MapWindow() {
  gMap = this;
  mGlobals.Bind("InitiateTravel", this, &MapWindow::InitiateTravel);
  mGlobals.Bind("PauseTravel", this, &MapWindow::PauseTravel);
  mGlobals.Bind("ResumeTravel", this, &MapWindow::ResumeTravel);
}

MapWindow::~MapWindow() {
  // The journey lives on in the task list until its next tick; its actions must not outlive the
  // map's script.
  if (TravelTask* travel = GetTravelTask()) travel->Abandon();
  if (gMap == this) gMap = nullptr;
}

TWindow* MapWindow::Create() { return new MapWindow; }

MapWindow* MapWindow::Get() { return gMap; }

void MapWindow::Init(TWindowStyle& style) {
  TWindow::Init(style);
  if (TModalWindow* modal = GetParentModal()) modal->SetFocus(this);

  mBackground = TSprite::Create(0, TTexture::Get(style.GetString("background", TStr()), 0));
  mBackground->GetDrawSpec().SetOrigin(TVec2(0, 0));

  std::shared_ptr<TTexture> clouds = TTexture::Get("image/worldmap_clouds", 0);
  mClouds = TSprite::Create(kCloudLayer, clouds);
  mClouds->SetPosition(TVec2(0.0f, (float)style.GetNumber("cloudY", 360)));
  float width = clouds ? (float)(uint32_t)clouds->GetWidth() : 0.0f;
  for (float x : {width, -width}) {
    std::shared_ptr<TSprite> copy = TSprite::Create(0, clouds);
    copy->SetPosition(TVec2(x, 0));
    mClouds->AddChild(copy);
  }
  mBackground->AddChild(mClouds);

  mCloudTime = SaturateToUInt32(std::trunc(style.GetNumber("cloudTime", 20000)));
  mCloudPhase = (uint32_t)RandomInRange(0, SaturateToInt32(mCloudTime));
  UpdateClouds();

  mYFar = (float)style.GetNumber("yFar", 0);
  mYNear = (float)style.GetNumber("yNear", 800);
  mFarScale = (float)style.GetNumber("farScale", 1.0);
  mNearScale = (float)style.GetNumber("nearScale", 1.0);
}

void MapWindow::UpdateClouds() {
  // Clouds without a cycle stand still.
  if (mCloudTime == 0) {
    mCloudPhase = 0;
    return;
  }
  mCloudPhase %= mCloudTime;
  float x = (float)((double)mCloudPhase / (double)mCloudTime * (double)(mRect.right - mRect.left));
  if (mClouds) mClouds->SetPosition(TVec2(x, mClouds->GetPosition().y));
}

void MapWindow::PostChildrenInit(TWindowStyle& style) {
  TWindow::PostChildrenInit(style);
  BuildPortPins();
  SetAnimTimer(kTickMs, true, true, false);
}

void MapWindow::Draw() { DrawSpriteAt(mBackground, this); }

bool MapWindow::OnAnimate() {
  mCloudPhase += kTickMs;
  UpdateClouds();
  if (TWindowManager* manager = TWindowManager::Get()) manager->Invalidate();
  return true;
}

void MapWindow::BuildPortPins() {
  std::unique_ptr<TLuaTable> player = GlobalTable("Player");
  std::unique_ptr<TLuaTable> ports = GlobalTable("_AllPorts");
  // Without the player's table every port reads as locked and none is the current one.
  std::unique_ptr<TLuaTable> states = Field(player, "portsAvailable");
  TStr currentPort = player ? player->GetString("portName", TStr()) : TStr();
  if (ports) ForEachTableValue(*ports, [&](TLuaTable& port) { AddPortPin(port, states.get(), currentPort); });
  if (mCurrentPin) {
    std::shared_ptr<TSprite> ring = TSprite::Create(0, TTexture::Get("image/port_current", 0));
    ring->SetPosition(mCurrentPin->GetPosition());
    mBackground->AddChild(ring);
  }
}

void MapWindow::AddPortPin(TLuaTable& port, TLuaTable* states, const TStr& currentPort) {
  TStr name = port.GetString("name", TStr());
  TStr state = states ? states->GetString(name.c_str(), TStr()) : TStr();
  if (state == "hidden") return;

  float mapX = (float)port.GetNumber("mapx", 0), mapY = (float)port.GetNumber("mapy", 0);
  std::shared_ptr<TAnimatedSprite> pin = TAnimatedSprite::Create(kPinLayer);
  pin->SetPosition(TVec2(mapX, mapY));
  if (name == currentPort) mCurrentPin = pin;
  const PinLook& look = LookFor(state);
  if (look.animated)
    pin->SetTexture(TAnimatedTexture::Get(look.picture));
  else
    pin->SetTexture(TTexture::Get(look.picture, 0));
  mBackground->AddChild(pin);
  if (look.plays) pin->Play("DoAnim");
  mPortPins.push_back({name, pin});

  bool left = mapX >= kLabelSwitchX || port.GetString("align", TStr()) == "left";
  float labelX = left ? mapX - 10 : mapX + 10;
  int alignment = left ? 6 : 4;
  TStr text = FrameworkString(name);
  std::shared_ptr<TTextSprite> label = PortLabel(text, alignment, TColor(0, 0, 0, 1), kLabelLayer);
  std::shared_ptr<TTextSprite> halo = PortLabel(text, alignment, TColor(1, 1, 1, 1), -1);
  // A text sprite's box hangs from its position: the box moves so that its aligned point (the
  // start or the end of the text, half-way down) is at the spot beside the pin.
  label->SetPosition(TVec2(labelX, mapY) - label->GetAnchor());
  halo->SetPosition(TVec2(2, 2));
  halo->SetAlpha(0.75f);
  label->AddChild(halo);
  mBackground->AddChild(label);

  TRect hot(SaturateToInt32(mapX - kHotHalf), SaturateToInt32(mapY - kHotHalf), SaturateToInt32(mapX + kHotHalf),
            SaturateToInt32(mapY + kHotHalf));
  auto* rollover = new Rollover(hot, ScriptMethodCall(name, "MapRolloverPopup"), ScriptMethodCall(name, "OnClick"));
  int32_t popupX = SaturateToInt32(port.GetNumber("popupX", (double)(SaturateToInt32(mapX) + 10)));
  int32_t popupY = SaturateToInt32(port.GetNumber("popupY", (double)(SaturateToInt32(mapY) - 48)));
  rollover->SetAbsolutePosition(popupX, popupY);
  AddChild(rollover, false);
}

void MapWindow::OnActivationChange() {
  TWindowHost* host = WorldHost();
  bool active = !host || host->IsWindowActive();
  if (!active) {
    DetachAnim();
    return;
  }
  SetAnimTimer(kTickMs, true, true, false);
  TravelTask* travel = GetTravelTask();
  if (travel && !mTravelPaused) travel->Start(TravelTask::kTickMs);
}

void NotifyMapActivation() {
  if (MapWindow* map = MapWindow::Get()) map->OnActivationChange();
}
