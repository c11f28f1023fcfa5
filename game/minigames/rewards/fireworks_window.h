// TFireworksWindow: a celebration window of nine fireworks ("FireworksWindow"). Each waits a
// random time, bursts at a random place in a random colour with a bang, burns for a little over
// a second and starts over. Scripts start and stop the show with StartFireworks and
// StopFireworks; a stopped show stands still on the screen.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/graphics/particles/lua_particle_system.h"
#include "core/windows/window.h"
#include "game/minigames/rewards/particle_color.h"
#include "game/shell/script_globals.h"

struct Firework {
  enum State : uint32_t { kWaiting = 0, kLaunch = 1, kBurning = 2 };
  static constexpr uint32_t kBurnMs = 1100;

  // Draws its start: the wait (rand() % 1000 ms) and one of the four particle pictures.
  Firework();
  // One tick of the show.
  void Update(uint32_t ms);

  int32_t x = 200, y = 100;  // window coordinates of the burst
  uint32_t timer = 0;        // wait left, or time burnt
  // Declared before the particles, which read it: it goes after them.
  ParticleColor colour{TColor(1, 0, 0, 1)};
  std::unique_ptr<TLuaParticleSystem> particles;
  uint32_t state = kWaiting;
};

class TFireworksWindow : public TWindow {
 public:
  static constexpr uint32_t kFireworkCount = 9;
  static constexpr uint32_t kTickMs = 40;
  // The burst colours, one drawn for each burst.
  static const TColor kBurstColours[6];

  TFireworksWindow();
  ~TFireworksWindow() override;

  static TWindow* Create();
  const char* GetClassName() const override { return "TFireworksWindow"; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &TFireworksWindow::Create || TWindow::IsKindOf(classId);
  }

  void Draw() override;
  bool OnAnimate() override;

  // The script functions: the first start makes the nine fireworks; every start runs the show.
  void StartFireworks();
  void StopFireworks();

  const std::vector<std::unique_ptr<Firework>>& GetFireworks() const { return mFireworks; }

 private:
  std::vector<std::unique_ptr<Firework>> mFireworks;
  TScriptGlobals mGlobals;
};
