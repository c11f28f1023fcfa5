// MapWindow: the world map. It draws the map picture with a band of clouds drifting across it and
// a pin for every port the player may see (its picture by the port's state, its name, and a hot
// area that opens the port's popup and runs its click handler), read once from the script tables
// _AllPorts and Player when the map is built. It is also the stage of journeys (TravelTask),
// which the scripts start with InitiateTravel and hold with PauseTravel and ResumeTravel.
// Script type "MapWindow"; NotifyMapActivation stops and restarts the clouds with the program's
// foreground.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/base/str.h"
#include "core/windows/window.h"
#include "game/shell/script_globals.h"
#include "game/shell/world/travel_task.h"

class TAnimatedSprite;
class TLuaTable;
class TSprite;

class MapWindow : public TWindow {
 public:
  static constexpr uint32_t kTickMs = 30;
  static constexpr float kLabelSwitchX = 750.0f;

  struct PortPin {
    TStr name;
    std::shared_ptr<TAnimatedSprite> pin;
  };

  MapWindow();
  ~MapWindow() override;

  static TWindow* Create();
  const char* GetClassName() const override { return "MapWindow"; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &MapWindow::Create || TWindow::IsKindOf(classId);
  }
  // The live map, or null.
  static MapWindow* Get();

  // Keys "background", "cloudY", "cloudTime", "yFar", "yNear", "farScale", "nearScale".
  void Init(TWindowStyle& style) override;
  // The pins, labels and hot areas; the clouds start moving.
  void PostChildrenInit(TWindowStyle& style) override;
  void Draw() override;
  bool OnAnimate() override;
  bool OnKeyDown(uint8_t key, uint32_t modifiers) override { return false; }

  // Script functions (map_window_script.cpp).
  void InitiateTravel(TLuaTable* journey);
  void PauseTravel();
  void ResumeTravel();

  // The clouds stop while the program is in the background; a journey the scripts did not
  // pause goes on when it comes back.
  void OnActivationChange();

  // The journey under way, or null.
  TravelTask* GetTravelTask() const { return mTravelTask ? *mTravelTask : nullptr; }
  bool IsTravelPaused() const { return mTravelPaused; }
  const std::shared_ptr<TSprite>& GetBackground() const { return mBackground; }
  const std::shared_ptr<TSprite>& GetClouds() const { return mClouds; }
  const std::shared_ptr<TAnimatedSprite>& GetCurrentPin() const { return mCurrentPin; }
  const std::vector<PortPin>& GetPortPins() const { return mPortPins; }
  uint32_t GetCloudPhase() const { return mCloudPhase; }
  uint32_t GetCloudTime() const { return mCloudTime; }

 private:
  void UpdateClouds();
  void BuildPortPins();
  void AddPortPin(TLuaTable& port, TLuaTable* states, const TStr& currentPort);

  std::shared_ptr<TSprite> mBackground;
  std::shared_ptr<TAnimatedSprite> mCurrentPin;
  std::shared_ptr<TSprite> mClouds;
  uint32_t mCloudPhase = 0;
  uint32_t mCloudTime = 0;
  float mYFar = 0.0f, mYNear = 800.0f;
  float mFarScale = 1.0f, mNearScale = 1.0f;
  std::vector<PortPin> mPortPins;
  bool mTravelPaused = false;
  TravelTask::Handle mTravelTask;
  TScriptGlobals mGlobals;
};

// The game's activation hook: tells the live map, if any.
void NotifyMapActivation();
