// Factory parts: the window lookup, messages, sound events, periods and placing.
#include "game/minigames/factory_parts.h"

#include <cmath>

#include "core/base/log.h"
#include "core/graphics/sprites/sprite.h"
#include "core/graphics/texture.h"
#include "core/windows/message.h"
#include "core/windows/window.h"
#include "core/windows/window_manager.h"

TWindow* FindFactoryWindow() {
  TWindowManager* manager = TWindowManager::Get();
  TWindow* top = manager ? manager->GetTopModal() : nullptr;
  return top ? top->FindChild(TStr("FactoryGame"), -1) : nullptr;
}

void OfferFactoryMessage(TWindow* window, int32_t type) {
  if (window) window->BubbleMessage(new TMessage(type, TStr(), window));
}

void PostSoundEvent(TStr event) {
  if (TWindowManager* manager = TWindowManager::Get()) manager->PostMessage(new TMessage(kFactorySound, event));
}

float FactoryPeriod(const char* task, float period, float fallback) {
  if (period > (float)kFactoryStepMs) return period;
  LogPrintf("%s: a period of %g ms is not longer than one step of %u ms; %g ms is used instead", task, (double)period,
            kFactoryStepMs, (double)fallback);
  return fallback;
}

float CyclePhase(float value, float period) {
  float cycles = value / period;
  return cycles - std::floor(cycles);
}

void PlaceAt(TSprite& sprite, const TVec2& position) {
  TMat3& m = sprite.GetDrawSpec().mMatrix;
  m.SetTranslation(position);
  m.m[2][2] = 1.0f;
}

TVec2 TextureSize(const std::shared_ptr<TTexture>& texture) {
  if (!texture) return TVec2();
  return TVec2((float)(uint32_t)texture->GetWidth(), (float)(uint32_t)texture->GetHeight());
}
