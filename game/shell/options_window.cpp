// The options window: profile values into the dialog's controls, live levels, stored levels.
#include "game/shell/options_window.h"

#include <algorithm>
#include <cmath>

#include "core/windows/message.h"
#include "core/windows/widgets/button.h"
#include "core/windows/widgets/slider.h"
#include "game/shell/sound_bridge.h"
#include "game/shell/user_manager.h"

namespace {

struct LevelSlider {
  const char* name;
  const char* key;
  int def;
  void (*apply)(float level);
};
const LevelSlider kSliders[] = {
    {"sfxlevelslider", "soundlevel", 750, &SetSfxVolume},
    {"musiclevelslider", "musiclevel", 650, &SetMusicVolume},
    {"ambientlevelslider", "ambientlevel", 500, &SetEnvironmentsVolume},
};

bool IsSoundOff(UserManager* users) {
  return users && users->GetUserInt("soundoff", 0, users->GetCurrentUserIndex()) == 1;
}

}  // namespace

int LevelToThousandths(float value) {
  if (!(value > 0.0f)) return 0;  // NaN too
  return (int)std::lround(std::min(value, 1.0f) * 1000.0);
}

TWindow* TOptions::Create() { return new TOptions; }

TSlider* TOptions::FindSlider(const TStr& name) {
  TWindow* child = FindChild(name, -1);
  return child && child->IsKindOf(&TSlider::GetFactory) ? static_cast<TSlider*>(child) : nullptr;
}

void TOptions::PostChildrenInit(TWindowStyle&) {
  UserManager* users = UserManager::Get();
  auto toggle = [this](const char* name, bool on) {
    TWindow* child = FindChild(name, -1);
    if (child && child->IsKindOf(&TButton::GetFactory)) static_cast<TButton*>(child)->SetToggleState(on);
    return child && child->IsKindOf(&TButton::GetFactory);
  };
  toggle("fullscreen", IsDisplayFullScreen());
  bool off = IsSoundOff(users);
  if (off) {
    toggle("mutebox", true);
  } else if (toggle("mutebox", false)) {
    UserManager::ApplyVolumes();
  }
  int u = users ? users->GetCurrentUserIndex() : -1;
  for (const LevelSlider& level : kSliders) {
    TSlider* slider = FindSlider(level.name);
    int stored = users ? users->GetUserInt(level.key, level.def, u) : level.def;
    if (slider) slider->SetValue((float)stored / 1000.0f, false);
  }
}

bool TOptions::OnMessage(TMessage* message) {
  if (message->GetType() != kSliderValChanged) return false;
  for (const LevelSlider& level : kSliders) {
    if (message->GetName() != TStr(level.name)) continue;
    TSlider* slider = FindSlider(level.name);
    if (!slider) return false;
    if (!IsSoundOff(UserManager::Get())) level.apply(slider->GetValue());
    return true;
  }
  return false;
}

void TOptions::SaveVolumes() {
  UserManager* users = UserManager::Get();
  if (!users) return;
  int u = users->GetCurrentUserIndex();
  for (const LevelSlider& level : kSliders)
    if (TSlider* slider = FindSlider(level.name)) users->SetUserInt(level.key, LevelToThousandths(slider->GetValue()), u);
  // The sound switched off and on in the dialog played the stored levels again, not the
  // sliders': the engine plays what was kept.
  if (!IsSoundOff(users)) UserManager::ApplyVolumes();
}
