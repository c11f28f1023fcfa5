#include "game/minigames/rewards/fireworks_window.h"

#include "core/base/crt_rand.h"
#include "core/script/script.h"
#include "game/minigames/rewards/reward_parts.h"
#include "game/shell/world/world_drawing.h"
#include "game/shell/sound_bridge.h"

const TColor TFireworksWindow::kBurstColours[6] = {
    TColor(200 / 255.0f, 126 / 255.0f, 0 / 255.0f, 1), TColor(200 / 255.0f, 50 / 255.0f, 50 / 255.0f, 1),
    TColor(50 / 255.0f, 100 / 255.0f, 220 / 255.0f, 1), TColor(240 / 255.0f, 230 / 255.0f, 30 / 255.0f, 1),
    TColor(50 / 255.0f, 225 / 255.0f, 30 / 255.0f, 1),  TColor(140 / 255.0f, 22 / 255.0f, 195 / 255.0f, 1)};

namespace {
const char* const kParticlePictures[4] = {"firework_blue", "firework_red", "firework_yellow", "firework_green"};

uint32_t Rand() { return (uint32_t)OrvellaRand(); }
}  // namespace

Firework::Firework() : timer(Rand() % 1000), particles(new TLuaParticleSystem) {
  particles->BindParameter(TStr("gSparkleColorStart"), &colour);
  if (TScript* script = particles->GetScript())
    script->SetGlobalString(TStr("gSparkleTexture"), TStr(kParticlePictures[Rand() % 4]));
  particles->Load(TStr("glitz/firework.lua"));
}

void Firework::Update(uint32_t ms) {
  switch (state) {
    case kWaiting:
      if (timer > ms) {
        timer -= ms;
      } else {
        timer = 0;
        state = kLaunch;
      }
      break;
    case kLaunch:
      colour.SetColor(TFireworksWindow::kBurstColours[Rand() % 6]);
      SoundEvent(TStr::Format("firework%u", Rand() % 5 + 1));
      timer = 0;
      state = kBurning;
      x = (int32_t)(Rand() % 250 + 50);
      y = (int32_t)(Rand() % 200 + 100);
      if (TScript* script = particles->GetScript()) script->SetGlobalNumber(TStr("gSparkleTime"), 0.1);
      break;
    case kBurning:
      if (timer < kBurnMs) {
        timer += ms;
        particles->Update((int32_t)ms);
      } else {
        state = kWaiting;
        timer = Rand() % 500 + 250;
      }
      break;
  }
}

TFireworksWindow::TFireworksWindow() {
  mGlobals.Bind("StartFireworks", this, &TFireworksWindow::StartFireworks);
  mGlobals.Bind("StopFireworks", this, &TFireworksWindow::StopFireworks);
}

TFireworksWindow::~TFireworksWindow() = default;

TWindow* TFireworksWindow::Create() { return new TFireworksWindow; }

void TFireworksWindow::StartFireworks() {
  if (mFireworks.empty())
    for (uint32_t i = 0; i < kFireworkCount; ++i) mFireworks.push_back(std::make_unique<Firework>());
  SetAnimTimer(kTickMs, true, true, false);
}

void TFireworksWindow::StopFireworks() { DetachAnim(); }

bool TFireworksWindow::OnAnimate() {
  for (auto& firework : mFireworks) firework->Update(kTickMs);
  RequestRedraw();
  return true;
}

void TFireworksWindow::Draw() {
  TWindow::Draw();
  TReward2dPass pass;
  if (!pass.IsOpen()) return;
  TVec2 origin = ScreenOrigin(this);
  for (auto& firework : mFireworks)
    if (firework->state == Firework::kBurning)
      firework->particles->Draw(TVec3(origin.x + (float)firework->x, origin.y + (float)firework->y, 0.0f));
}
