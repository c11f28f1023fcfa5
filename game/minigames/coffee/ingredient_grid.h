// The coffee factory's belt: a grid of cells that scrolls down without end. Random ingredients
// enter at the top, the gun fills empty cells, and three equal ingredients in a line through a
// filled cell take their whole connected group off the belt, sent to the factory window as a
// CollectedIngredientMessage. CoffeeGridTask slides the grid by its phase and steps the rows.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/base/str.h"
#include "core/base/vec2.h"
#include "core/graphics/sprites/sprite.h"
#include "core/windows/message.h"
#include "game/shell/scaling_task.h"

struct GridCell {
  uint8_t usable = 1;
  TStr name;  // empty: the cell holds nothing
  std::shared_ptr<TSprite> sprite;
};

class CoffeeIngredientGrid : public TSprite {
 public:
  // Beyond this a grid would cover far more than the screen; the counts are kept within
  // 1..kMaxSide (logged when changed).
  static constexpr int32_t kMaxSide = 100;

  // The names are copied. (x, y) is the grid's top-left corner.
  static std::shared_ptr<CoffeeIngredientGrid> Create(const std::vector<TStr>& names, float x, float y,
                                                      int32_t columns, int32_t rows, float cellWidth,
                                                      float cellHeight);

  uint32_t GetCellCount() const { return (uint32_t)mCells.size(); }
  TVec2 GetCellLocalPosition(uint32_t index) const;
  TVec2 GetCellPosition(uint32_t index) const;
  // The cell under a point in the grid's parent's coordinates; -1 outside the grid.
  int32_t GetCellIndexAt(float x, float y) const;
  int32_t GetCellIndexUnder(const TSprite& sprite) const;
  bool IsCellEmpty(int32_t index) const;
  bool IsEmptyUnder(const TSprite& sprite) const;
  // Equal names in a line through the cell, the cell included.
  uint32_t GetRowRunLength(uint32_t index) const;
  uint32_t GetColumnRunLength(uint32_t index) const;

  // Puts a fired ingredient into the empty cell under it; with match set, a line of three
  // through the cell collects its group. False when no empty cell lies under it.
  bool PlaceIngredient(const std::shared_ptr<TSprite>& sprite, bool match);
  // Empties the cell and hands its sprite over (it stays a child of the grid).
  std::shared_ptr<TSprite> TakeCell(int32_t index);
  // Takes the cell's whole group of equal neighbours and offers it to the factory window.
  void CollectMatch(int32_t index);
  // Moves every row down one, drops the old bottom row and fills the new top row at random.
  void Advance();
  void Clear();
  void SetPreview(const std::shared_ptr<TSprite>& sprite);
  // The target follows the pointer over the cells; the pointer itself hides there.
  void UpdateHover(float x, float y);

  uint32_t GetColumnCount() const { return mColumns; }
  uint32_t GetRowCount() const { return mRows; }
  float GetCellWidth() const { return mCellWidth; }
  float GetCellHeight() const { return mCellHeight; }
  const GridCell& GetCell(uint32_t index) const { return mCells[index]; }
  const std::vector<TStr>& GetNames() const { return mNames; }
  const std::shared_ptr<TSprite>& GetTarget() const { return mTarget; }
  const std::shared_ptr<TSprite>& GetPreview() const { return mPreview; }
  const std::shared_ptr<TSprite>& GetSeamA() const { return mSeamA; }
  const std::shared_ptr<TSprite>& GetSeamB() const { return mSeamB; }

 protected:
  CoffeeIngredientGrid(const std::vector<TStr>& names, float x, float y, int32_t columns, int32_t rows,
                       float cellWidth, float cellHeight);

 private:
  // The group of equal names connected to the cell, in the order a depth-first walk (left, up,
  // the cell, right, down) takes them; an explicit stack, so a large group cannot exhaust ours.
  void TakeGroup(uint32_t column, uint32_t row, const TStr& name, std::vector<std::shared_ptr<TSprite>>& out);
  void PlaceCellSprite(uint32_t index);
  void EmptyCell(GridCell& cell);
  uint32_t Index(uint32_t column, uint32_t row) const { return row * mColumns + column; }

  std::shared_ptr<TSprite> mSeamA, mSeamB;
  std::shared_ptr<TSprite> mTarget;
  std::shared_ptr<TSprite> mPreview;
  std::vector<TStr> mNames;
  float mCellWidth, mCellHeight;
  uint32_t mColumns, mRows;
  std::vector<GridCell> mCells;  // row-major, row 0 at the top
};

class CoffeeGridTask : public TScalingTask {
 public:
  static constexpr float kDefaultPeriod = 3000.0f;

  // period: ms the belt takes to move one row.
  CoffeeGridTask(std::shared_ptr<CoffeeIngredientGrid> grid, float period);
  // Both with the belt's sound; the window stops the belt through this class, never through
  // the base, so the loop never plays on under a stopped belt.
  void Start(uint32_t unused) override;
  void Stop();
  bool Update() override;

  const std::shared_ptr<CoffeeIngredientGrid>& GetGrid() const { return mGrid; }
  float GetPeriod() const { return mPeriod; }

 private:
  std::shared_ptr<CoffeeIngredientGrid> mGrid;
  float mPeriod;
  float mLastPhase = 0.0f;
  TVec2 mBase;  // the grid's place at phase 0
};

// A group taken off the belt, its sprites in the order taken; offered to the factory window.
class CollectedIngredientMessage : public TMessage {
 public:
  CollectedIngredientMessage();
  static const void* ClassId();
  const char* GetClassName() const override { return "CollectedIngredientMessage"; }
  bool IsKindOf(const void* classId) const override { return classId == ClassId() || TMessage::IsKindOf(classId); }

  std::vector<std::shared_ptr<TSprite>> sprites;
};
