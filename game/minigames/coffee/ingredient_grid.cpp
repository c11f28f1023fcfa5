// The coffee belt: cell geometry, runs and groups, placing and taking, the row step, the hover
// target, and the task that slides the grid down by its phase.
#include "game/minigames/coffee/ingredient_grid.h"

#include <cmath>

#include "core/base/log.h"
#include "core/base/random.h"
#include "core/graphics/texture.h"
#include "core/windows/window.h"
#include "game/minigames/factory_parts.h"
#include "game/minigames/ingredient.h"
#include "game/shell/run_game.h"
#include "game/shell/sound_bridge.h"

namespace {

uint32_t BoundedSide(const char* what, int32_t count) {
  if (count >= 1 && count <= CoffeeIngredientGrid::kMaxSide) return (uint32_t)count;
  int32_t kept = count < 1 ? 1 : CoffeeIngredientGrid::kMaxSide;
  LogError("CoffeeIngredientGrid: %d %s is outside 1..%d; %d are used", count, what, CoffeeIngredientGrid::kMaxSide,
           kept);
  return (uint32_t)kept;
}

void Detach(const std::shared_ptr<TSprite>& sprite) {
  if (TSprite* parent = sprite ? sprite->GetParent() : nullptr) parent->RemoveChild(sprite);
}

}  // namespace

CoffeeIngredientGrid::CoffeeIngredientGrid(const std::vector<TStr>& names, float x, float y, int32_t columns,
                                           int32_t rows, float cellWidth, float cellHeight)
    : TSprite(0),
      mNames(names),
      mCellWidth(cellWidth),
      mCellHeight(cellHeight),
      mColumns(BoundedSide("columns", columns)),
      mRows(BoundedSide("rows", rows)),
      mCells((size_t)mColumns * mRows) {}

std::shared_ptr<CoffeeIngredientGrid> CoffeeIngredientGrid::Create(const std::vector<TStr>& names, float x, float y,
                                                                   int32_t columns, int32_t rows, float cellWidth,
                                                                   float cellHeight) {
  std::shared_ptr<CoffeeIngredientGrid> grid(
      new CoffeeIngredientGrid(names, x, y, columns, rows, cellWidth, cellHeight));
  for (uint32_t i = 0; i < grid->GetCellCount(); ++i) {
    auto marker = TSprite::Create(1);
    PlaceAt(*marker, grid->GetCellLocalPosition(i));
    grid->AddChild(marker);
  }
  PlaceAt(*grid, TVec2(x, y));
  auto seam = TTexture::Get(TStr(grid->mColumns == 8 ? "image/conveyor_belt_wide_seam" : "image/conveyor_belt_narrow_seam"));
  float seamX = TextureSize(seam).x * 0.5f;
  grid->mSeamA = TSprite::Create(0, seam);
  PlaceAt(*grid->mSeamA, TVec2(seamX, 0.0f));
  grid->mSeamB = TSprite::Create(0, seam);
  PlaceAt(*grid->mSeamB, TVec2(seamX, (float)(grid->mRows / 2) * cellHeight));
  grid->AddChild(grid->mSeamA);
  grid->AddChild(grid->mSeamB);
  grid->mTarget = TSprite::Create(0, TTexture::Get(TStr("image/conveyor_belt_gridtarget")));
  grid->mTarget->SetVisible(false);
  grid->mPreview = TSprite::Create(-1);
  grid->mPreview->SetAlpha(0.5f);
  grid->mTarget->AddChild(grid->mPreview);
  grid->AddChild(grid->mTarget);
  return grid;
}

TVec2 CoffeeIngredientGrid::GetCellLocalPosition(uint32_t index) const {
  if (index >= mCells.size()) return TVec2();
  uint32_t column = index % mColumns, row = index / mColumns;
  return TVec2((float)column * mCellWidth + mCellWidth * 0.5f, (float)row * mCellHeight + mCellHeight * 0.5f);
}

TVec2 CoffeeIngredientGrid::GetCellPosition(uint32_t index) const {
  if (index >= mCells.size()) return TVec2();
  return GetCellLocalPosition(index) + GetPosition();
}

int32_t CoffeeIngredientGrid::GetCellIndexAt(float x, float y) const {
  TVec2 at = GetPosition();
  float dx = x - at.x, dy = y - at.y;
  // Written so that a point that is not a number lies outside too.
  if (!(dx >= 0.0f && dy >= 0.0f && dx < (float)mColumns * mCellWidth && dy < (float)mRows * mCellHeight)) return -1;
  auto column = (uint32_t)std::floor(dx / mCellWidth), row = (uint32_t)std::floor(dy / mCellHeight);
  // Rounding at the far edge may name one past the last.
  if (column >= mColumns || row >= mRows) return -1;
  return (int32_t)Index(column, row);
}

int32_t CoffeeIngredientGrid::GetCellIndexUnder(const TSprite& sprite) const {
  TVec2 at = sprite.GetPosition();
  return GetCellIndexAt(at.x, at.y);
}

bool CoffeeIngredientGrid::IsCellEmpty(int32_t index) const {
  if (index < 0 || (uint32_t)index >= mCells.size()) return false;
  const GridCell& cell = mCells[(uint32_t)index];
  return cell.usable && cell.name.IsEmpty();
}

bool CoffeeIngredientGrid::IsEmptyUnder(const TSprite& sprite) const { return IsCellEmpty(GetCellIndexUnder(sprite)); }

uint32_t CoffeeIngredientGrid::GetRowRunLength(uint32_t index) const {
  if (index >= mCells.size()) return 0;
  const TStr& name = mCells[index].name;
  uint32_t column = index % mColumns, row = index / mColumns, run = 1;
  for (uint32_t c = column; c > 0 && mCells[Index(c - 1, row)].name == name; --c) ++run;
  for (uint32_t c = column + 1; c < mColumns && mCells[Index(c, row)].name == name; ++c) ++run;
  return run;
}

uint32_t CoffeeIngredientGrid::GetColumnRunLength(uint32_t index) const {
  if (index >= mCells.size()) return 0;
  const TStr& name = mCells[index].name;
  uint32_t column = index % mColumns, row = index / mColumns, run = 1;
  for (uint32_t r = row; r > 0 && mCells[Index(column, r - 1)].name == name; --r) ++run;
  for (uint32_t r = row + 1; r < mRows && mCells[Index(column, r)].name == name; ++r) ++run;
  return run;
}

bool CoffeeIngredientGrid::PlaceIngredient(const std::shared_ptr<TSprite>& sprite, bool match) {
  std::shared_ptr<Ingredient> ingredient = Ingredient::From(sprite);
  if (!ingredient) return false;
  int32_t index = GetCellIndexUnder(*ingredient);
  if (!IsCellEmpty(index)) return false;
  GridCell& cell = mCells[(uint32_t)index];
  cell.name = ingredient->GetName();
  cell.sprite = ingredient;
  ingredient->SetLayer(5);
  PlaceAt(*ingredient, GetCellLocalPosition((uint32_t)index));
  Detach(ingredient);
  AddChild(ingredient);
  if (match && (GetRowRunLength((uint32_t)index) >= 3 || GetColumnRunLength((uint32_t)index) >= 3))
    CollectMatch(index);
  return true;
}

std::shared_ptr<TSprite> CoffeeIngredientGrid::TakeCell(int32_t index) {
  if (index < 0 || (uint32_t)index >= mCells.size()) return nullptr;
  GridCell& cell = mCells[(uint32_t)index];
  if (cell.usable && cell.name.IsEmpty()) return nullptr;
  cell.name = TStr();
  std::shared_ptr<TSprite> sprite = std::move(cell.sprite);
  cell.sprite = nullptr;
  if (sprite) sprite->SetLayer(7);
  return sprite;
}

void CoffeeIngredientGrid::CollectMatch(int32_t index) {
  if (index < 0 || (uint32_t)index >= mCells.size()) return;
  const GridCell& cell = mCells[(uint32_t)index];
  if (cell.usable && cell.name.IsEmpty()) return;
  auto* message = new CollectedIngredientMessage;
  TStr name = cell.name;
  TakeGroup((uint32_t)index % mColumns, (uint32_t)index / mColumns, name, message->sprites);
  if (TWindow* factory = FindFactoryWindow()) {
    message->SetWindow(factory);
    factory->BubbleMessage(message);
  } else {
    // Nobody takes the group: its sprites leave the belt with it.
    for (const auto& sprite : message->sprites) Detach(sprite);
    delete message;
  }
}

void CoffeeIngredientGrid::TakeGroup(uint32_t column, uint32_t row, const TStr& name,
                                     std::vector<std::shared_ptr<TSprite>>& out) {
  // Each frame is a cell with the number of its steps done: 0 left, 1 up, 2 take and right,
  // 3 down, then it is finished.
  struct Frame {
    uint32_t column, row;
    int stage;
  };
  std::vector<Frame> stack;
  auto visit = [&](uint32_t c, uint32_t r) {
    if (mCells[Index(c, r)].name == name) stack.push_back(Frame{c, r, 0});
  };
  visit(column, row);
  while (!stack.empty()) {
    Frame& f = stack.back();
    uint32_t c = f.column, r = f.row;
    switch (f.stage++) {
      case 0:
        if (c > 0) visit(c - 1, r);
        break;
      case 1:
        if (r > 0) visit(c, r - 1);
        break;
      case 2:
        // Reached again along another way before its own turn came: taken once.
        if (auto sprite = TakeCell((int32_t)Index(c, r))) out.push_back(sprite);
        if (c + 1 < mColumns) visit(c + 1, r);
        break;
      case 3:
        if (r + 1 < mRows) visit(c, r + 1);
        break;
      default:
        stack.pop_back();
        break;
    }
  }
}

void CoffeeIngredientGrid::EmptyCell(GridCell& cell) {
  cell.name = TStr();
  std::shared_ptr<TSprite> sprite = std::move(cell.sprite);
  cell.sprite = nullptr;
  Detach(sprite);
}

void CoffeeIngredientGrid::PlaceCellSprite(uint32_t index) {
  const GridCell& cell = mCells[index];
  if (cell.usable && !cell.name.IsEmpty() && cell.sprite) PlaceAt(*cell.sprite, GetCellLocalPosition(index));
}

void CoffeeIngredientGrid::Advance() {
  uint32_t last = mRows - 1;
  for (uint32_t r = 0; r < last; ++r)
    for (uint32_t c = 0; c < mColumns; ++c) std::swap(mCells[Index(c, r)], mCells[Index(c, last)]);
  // Every row, the bottom one too: the grid jumps back one row as the cells move down one, so
  // a sprite left where it was would leap a row up the screen.
  for (uint32_t i = 0; i < mCells.size(); ++i) PlaceCellSprite(i);

  for (uint32_t c = 0; c < mColumns; ++c) {
    GridCell& cell = mCells[Index(c, 0)];
    if (cell.usable && !cell.name.IsEmpty()) EmptyCell(cell);
  }
  int n = (int)mNames.size();
  for (uint32_t c = 0; c < mColumns; ++c) {
    int k = RandomInRange(0, 2 * n);
    if (k >= n) continue;
    GridCell& cell = mCells[Index(c, 0)];
    auto ingredient = Ingredient::Create(mNames[(size_t)k]);
    cell.name = mNames[(size_t)k];
    cell.sprite = ingredient;
    PlaceAt(*ingredient, GetCellLocalPosition(Index(c, 0)));
    AddChild(ingredient);
  }

  float span = (float)mRows * mCellHeight;
  for (const auto& seam : {mSeamA, mSeamB}) {
    TVec2 at = seam->GetPosition();
    at.y += mCellHeight;
    if (at.y >= span) at.y -= span;
    PlaceAt(*seam, at);
  }
}

void CoffeeIngredientGrid::Clear() {
  for (GridCell& cell : mCells) EmptyCell(cell);
}

void CoffeeIngredientGrid::SetPreview(const std::shared_ptr<TSprite>& sprite) {
  if (mPreview) mPreview->SetTexture(sprite ? sprite->GetTexture() : nullptr);
}

void CoffeeIngredientGrid::UpdateHover(float x, float y) {
  if (!mTarget) return;
  int32_t index = GetCellIndexAt(x, y);
  if (index < 0) {
    if (mTarget->IsVisible()) SetGameCursor("cursor/cursor", 1, 1);
    mTarget->SetVisible(false);
    return;
  }
  if (!mTarget->IsVisible()) SetGameCursor("cursor/blank_cursor", 1, 1);
  mTarget->SetVisible(true);
  PlaceAt(*mTarget, GetCellLocalPosition((uint32_t)index));
}

CoffeeGridTask::CoffeeGridTask(std::shared_ptr<CoffeeIngredientGrid> grid, float period)
    : mGrid(std::move(grid)), mPeriod(FactoryPeriod("CoffeeGridTask", period, kDefaultPeriod)) {
  if (mGrid) mBase = mGrid->GetPosition();
}

void CoffeeGridTask::Start(uint32_t unused) {
  SoundEvent(TStr("conveyor_belt_loop"));
  TScalingTask::Start(unused);
}

void CoffeeGridTask::Stop() {
  SoundEvent(TStr("Stop_conveyor_belt_loop"));
  TScalingTask::Stop();
}

bool CoffeeGridTask::Update() {
  TScalingTask::Update();
  float phase = CyclePhase(mValue, mPeriod);
  if (!mGrid) return true;
  if (mLastPhase > phase) mGrid->Advance();
  PlaceAt(*mGrid, TVec2(mBase.x, mBase.y + mGrid->GetCellHeight() * phase));
  mLastPhase = phase;
  return true;
}

CollectedIngredientMessage::CollectedIngredientMessage() : TMessage(kFactoryGroupCollected) {}

const void* CollectedIngredientMessage::ClassId() {
  static const char token = 0;
  return &token;
}
