// What every moving part of a factory shares: the message types the parts offer the factory
// window, the lookup of that window, sound events, the factory's step and the check of the
// periods that time the parts, and placing sprites.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/base/str.h"
#include "core/base/vec2.h"

class TSprite;
class TTexture;
class TWindow;

// Types of the messages the parts send (the window or its sound handler takes them).
enum FactoryMessageType : int32_t {
  kFactorySound = 1002,            // the name is a sound event; queued concerning no window
  kFactoryIngredientMissed = 1003,  // MissedIngredientMessage
  kFactoryTrayDelivered = 1004,     // a complete tray passed the delivery point
  kFactoryTrayBonus = 1005,         // a colour match, or each tray of a full house
  kFactoryRingLanded = 1006,
  kFactoryProductCounted = 1007,
  kFactoryTrayCompleted = 1008,  // asks for a speed-up
  kFactoryRingStart = 1009,      // FlyingRingStartMessage
  kFactoryGroupCollected = 1010,
};

// The factory windows drive their parts from one step of this many milliseconds.
constexpr uint32_t kFactoryStepMs = 10;

// The window "FactoryGame" anywhere below the top modal window; null without either.
TWindow* FindFactoryWindow();
// Offers the window a new message of the type with an empty name that names the window.
void OfferFactoryMessage(TWindow* window, int32_t type);
// Queues the sound event with the window manager (the factory's sound handler plays it).
void PostSoundEvent(TStr event);

// A period at or under one step would give a step of 0 each time and never move anything: such
// a period (or one that is not a number) is replaced by the fallback, with a log line.
float FactoryPeriod(const char* task, float period, float fallback);

// Where value lies within a cycle of the period, 0 <= phase < 1: the tasks that move parts
// round a closed path place them by it.
float CyclePhase(float value, float period);

// The task sets keep their members once each, in the order added, so every run visits them
// alike.
template <typename T>
void AddOnce(std::vector<std::shared_ptr<T>>& set, std::shared_ptr<T> member) {
  if (member && std::find(set.begin(), set.end(), member) == set.end()) set.push_back(std::move(member));
}

// Position (x, y) with the third coordinate 1.
void PlaceAt(TSprite& sprite, const TVec2& position);
// A texture's size in pixels; a missing texture counts as 0 x 0.
TVec2 TextureSize(const std::shared_ptr<TTexture>& texture);
