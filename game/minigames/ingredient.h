// Ingredient: one piece of chocolate-making material on screen, a sprite with the ingredient's
// picture, its name and a colour ring; it rides the conveyor, flies from the gun, and ends in a
// tray, in a recycler or missed. The trays and recyclers of a factory take it through the two
// small interfaces below, so this folder needs nothing of theirs. IngredientPiston is the arm
// that hangs over each conveyor place.
#pragma once

#include <cstdint>
#include <memory>

#include "core/base/color.h"
#include "core/base/str.h"
#include "core/graphics/sprites/sprite.h"
#include "core/windows/message.h"

class Ingredient;

// Ingredient colours: 0 none (rainbow: takes the colour of the tray it lands in), 1 red,
// 2 blue, 3 yellow, 4 mixed (two different colours met in a tray).
enum IngredientColour : uint8_t { kColourNone = 0, kColourRed = 1, kColourBlue = 2, kColourYellow = 3, kColourMixed = 4 };
constexpr uint8_t kPlainColourCount = 3;
// The tint of rings and ingredients for a colour; past 4 the mixed entry.
const TColor& GetColourTint(uint32_t colour);

// What catches an ingredient shot into it.
class IngredientTray {
 public:
  virtual ~IngredientTray() {}
  // False, with nothing done, when no place for the ingredient is free.
  virtual bool AddIngredient(std::shared_ptr<Ingredient> ingredient) = 0;
};

class IngredientRecycler {
 public:
  virtual ~IngredientRecycler() {}
  virtual bool Hit(std::shared_ptr<Ingredient> ingredient) = 0;
};

class Ingredient : public TSprite {
 public:
  // With the picture "items/" + name.
  static std::shared_ptr<Ingredient> Create(TStr name);
  static TClassId ClassId();
  const char* GetClassName() const override { return "Ingredient"; }
  bool IsKindOf(TClassId id) const override { return id == ClassId() || TSprite::IsKindOf(id); }

  // Sets the colour and the ring, which is made on first use.
  virtual void SetColour(uint8_t colour);
  // Each hands the ingredient over and answers true.
  virtual bool OnCaughtByTray(std::shared_ptr<IngredientTray> tray);
  virtual bool OnCaughtByRecycler(std::shared_ptr<IngredientRecycler> recycler);
  // Tells the factory window, when one is open, through a MissedIngredientMessage.
  virtual bool OnMissed();

  TStr GetName() const { return mName; }
  uint8_t GetColour() const { return mColour; }
  std::shared_ptr<TSprite> GetRing() const { return mRing; }
  // Empty when the sprite is not an Ingredient.
  static std::shared_ptr<Ingredient> From(const std::shared_ptr<TSprite>& sprite);

 protected:
  explicit Ingredient(TStr name);

 private:
  std::shared_ptr<Ingredient> Self();

  TStr mName;
  uint8_t mColour = kColourNone;
  std::shared_ptr<TSprite> mRing;  // null until a colour is first set
};

// Tells the factory window of an ingredient nothing caught; keeps it alive until handled.
class MissedIngredientMessage : public TMessage {
 public:
  explicit MissedIngredientMessage(std::shared_ptr<Ingredient> ingredient);
  static const void* ClassId();
  const char* GetClassName() const override { return "MissedIngredientMessage"; }
  bool IsKindOf(const void* classId) const override { return classId == ClassId() || TMessage::IsKindOf(classId); }
  std::shared_ptr<Ingredient> GetIngredient() const { return mIngredient; }

 private:
  std::shared_ptr<Ingredient> mIngredient;
};

// Two arm segments; the fingers hang on the upper arm.
struct IngredientPiston {
  IngredientPiston();
  std::shared_ptr<TSprite> upperArm;
  std::shared_ptr<TSprite> lowerArm;
};
