// FlyingIngredient: progress from the summed steps; the duration's scaling is done in double.
#include "game/minigames/flying_ingredient.h"

#include <cmath>

#include "core/graphics/sprites/sprite.h"
#include "game/minigames/factory_parts.h"

FlyingIngredient::FlyingIngredient(std::shared_ptr<TSprite> flyer) : sprite(std::move(flyer)) {
  if (sprite) start = sprite->GetPosition();
}

void FlyingIngredient::SetTarget(float x, float y) { offset = TVec2(x, y) - start; }

float FlyingIngredient::Advance(float step) {
  elapsed += step;
  if (elapsed > 1.0f) elapsed = 1.0f;
  float progress = elapsed;
  if (duration > 0.0f) {
    progress = (float)((double)elapsed * 1000.0 / (double)duration);
    if (progress > 1.0f) progress = 1.0f;
  }
  if (sprite) PlaceAt(*sprite, start + offset * progress);
  return progress;
}

void DropFlights(std::list<std::shared_ptr<FlyingIngredient>>& flights) {
  for (const auto& flight : flights)
    if (TSprite* parent = flight->sprite ? flight->sprite->GetParent() : nullptr) parent->RemoveChild(flight->sprite);
  flights.clear();
}

TVec2 AimToward(const TVec2& from, const TVec2& point, TVec2& last) {
  TVec2 d = point - from;
  float length = d.Length();
  if (length > 0.0f && std::isfinite(length)) last = d * (1.0f / length);
  return last;
}
