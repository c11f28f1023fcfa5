// FlyingIngredient: carries one sprite along a straight line while a gun shoots it. Its owner
// hands it a step each frame; the record turns the summed steps into a point on the line.
#pragma once

#include <list>
#include <memory>

#include "core/base/vec2.h"

class TSprite;

struct FlyingIngredient {
  // Starts where the sprite stands, with no offset and no duration.
  explicit FlyingIngredient(std::shared_ptr<TSprite> flyer);
  // The end point becomes (x, y).
  void SetTarget(float x, float y);
  // Adds the step and moves the sprite; answers the progress, 1.0 exactly on arrival. With a
  // duration D above 0 the sprite moves 1000 / D of the offset per unit of step.
  float Advance(float step);

  std::shared_ptr<TSprite> sprite;
  TVec2 start;
  TVec2 offset;         // from the start to the end point
  float duration = 0;   // 0, or the path length in thousandths of a step unit
  float elapsed = 0;    // the steps so far, never above 1
};

// Takes every flight's sprite off the screen and empties the list (a game reset under way).
void DropFlights(std::list<std::shared_ptr<FlyingIngredient>>& flights);
// The unit direction from `from` toward the point; a point on `from` (or one that is not a
// number) has none, and `last` stays and is answered.
TVec2 AimToward(const TVec2& from, const TVec2& point, TVec2& last);
