// ChocolateTray: a tray of the chocolate factory with one place for every ingredient of the
// recipe, set in a ring round its centre; it circles along the tray path, takes what is shot
// into it, turns the colour of its ingredients (mixed when two colours meet), and is emptied by
// a colour match, at the delivery point when complete, or by the full-house bonus.
// ChocolateTrayTask moves every tray along the path and watches for the full house.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/base/str.h"
#include "core/base/vec2.h"
#include "core/graphics/sprites/sprite.h"
#include "game/minigames/ingredient.h"
#include "game/shell/scaling_task.h"

class TAnimatedSprite;
class TCurve;

class ChocolateTray : public TSprite, public IngredientTray {
 public:
  static constexpr float kCatchRadius = 75.0f;
  static constexpr float kPlaceRadius = 50.0f;

  // recipe stays the caller's and is shared by all trays; pathOffset is the tray's fixed share
  // of the path ahead of the others, endPoint the path position of the delivery point.
  static std::shared_ptr<ChocolateTray> Create(const std::vector<TStr>* recipe, std::shared_ptr<TCurve> path,
                                               float pathOffset, float endPoint);
  static TClassId ClassId();
  const char* GetClassName() const override { return "ChocolateTray"; }
  bool IsKindOf(TClassId id) const override { return id == ClassId() || TSprite::IsKindOf(id); }

  // The four arm segments that hang the tray from the top of the screen, children of parent.
  void CreateArms(const std::shared_ptr<TSprite>& parent);
  // Some place of the ingredient's name is free.
  bool Accepts(const std::shared_ptr<Ingredient>& ingredient) const;
  // Into the first free place of its name; colours, completion, messages and sound.
  bool AddIngredient(std::shared_ptr<Ingredient> ingredient) override;
  // The tray's colour, given to every ingredient in it and shown by the ring.
  void SetColour(uint8_t colour);
  // To pathOffset + phase (wrapped) on the path; delivers when complete and past the end point.
  void SetPathPosition(float phase);
  // Empties the places; with animate the power-up plays.
  void Clear(bool animate);
  // The tray's position plus each place's offset, in place order.
  void GetSlotPoints(std::vector<TVec2>& points) const;
  // Every place filled (a tray without places never is).
  bool IsComplete() const;

  // The place of ingredient i of n: straight above the centre for 0, then clockwise.
  static TVec2 PlaceOffset(uint32_t i, uint32_t n);

  uint8_t GetColour() const { return mColour; }
  uint32_t GetFilled() const { return mFilled; }
  float GetCatchRadius() const { return mCatchRadius; }
  const std::vector<std::shared_ptr<Ingredient>>& GetPlaces() const { return mPlaces; }
  std::shared_ptr<TSprite> GetRing() const { return mRing; }
  std::shared_ptr<TAnimatedSprite> GetPowerUp() const { return mPowerUp; }
  std::shared_ptr<TSprite> GetArm(int k) const { return mArms[k]; }

 protected:
  ChocolateTray(const std::vector<TStr>* recipe, std::shared_ptr<TCurve> path, float pathOffset, float endPoint);

 private:
  std::shared_ptr<ChocolateTray> Self();

  float mPreviousPosition;
  float mPathOffset;
  float mEndPoint;
  float mCatchRadius = kCatchRadius;
  std::shared_ptr<TCurve> mPath;  // shared by all trays
  std::vector<std::shared_ptr<Ingredient>> mPlaces;  // empty = free, in recipe order
  uint32_t mFilled = 0;
  uint8_t mColour = kColourNone;
  std::shared_ptr<TSprite> mRing;  // hidden while the colour is 0
  std::shared_ptr<TAnimatedSprite> mPowerUp;
  std::shared_ptr<TSprite> mArms[4];  // "image/tray_arm_4" first
  const std::vector<TStr>* mRecipe;
};

class ChocolateTrayTask : public TScalingTask {
 public:
  static constexpr float kDefaultPeriod = 30000.0f;

  // period: ms of one circuit of the path.
  explicit ChocolateTrayTask(float period);
  // Once each, in the order added.
  void Add(std::shared_ptr<ChocolateTray> tray);
  // Empties every tray without animation and sets the rate; the trays keep their places on
  // the path (the value is never reset).
  void Reset(float rate) override;
  bool Update() override;
  bool HasCompleteTray() const;

  const std::vector<std::shared_ptr<ChocolateTray>>& GetTrays() const { return mTrays; }
  float GetPeriod() const { return mPeriod; }

 private:
  float mPeriod;
  std::vector<std::shared_ptr<ChocolateTray>> mTrays;
};
