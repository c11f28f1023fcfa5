// The coffee belt: where the cells lie, the seams, bounded counts, runs, groups taken off the
// belt (shapes, the order taken, a whole grid on a small stack), placing, row steps, the task's
// slide, and the hover target.
#include "game/minigames/coffee/ingredient_grid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/base/random.h"
#include "core/graphics/texture.h"
#include "platform/win32/win32.h"
#include "tests/game/minigames/coffee/coffee_fixture.h"

namespace {

class GridTest : public CoffeeFixture {
 protected:
  // The collected groups the factory window was offered, as their sprites' names.
  void SetUp() override {
    CoffeeFixture::SetUp();
    onMessage = [this](TMessage* m) {
      if (!m->IsKindOf(CollectedIngredientMessage::ClassId())) return;
      std::string group;
      for (const auto& sprite : static_cast<CollectedIngredientMessage*>(m)->sprites) {
        group += LetterOf(Ingredient::From(sprite)->GetName());
        collectedSprites.push_back(sprite);
      }
      groups.push_back(group);
    };
  }
  std::vector<std::string> groups;
  std::vector<std::shared_ptr<TSprite>> collectedSprites;
};

TEST_F(GridTest, WhereTheCellsLie) {
  auto grid = CoffeeIngredientGrid::Create(names, 30, 60, 8, 10, 50, 50);
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  struct Case {
    float x, y;
    int32_t index;
  } cases[] = {
      {30, 60, 0},      {29.99f, 60, -1}, {30, 59.99f, -1}, {429.99f, 60, 7}, {430, 60, -1},
      {30, 559.99f, 72}, {30, 560, -1},   {105, 135, 9},    {nan, 100, -1},   {100, inf, -1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::to_string(k.x) + ", " + std::to_string(k.y));
    EXPECT_EQ(grid->GetCellIndexAt(k.x, k.y), k.index);
  }
  EXPECT_EQ(grid->GetCellCount(), 80u);
  EXPECT_EQ(grid->GetCellLocalPosition(9), TVec2(75, 75));
  EXPECT_EQ(grid->GetCellPosition(9), TVec2(105, 135));
  EXPECT_EQ(grid->GetCellPosition(80), TVec2(0, 0));
  EXPECT_FALSE(grid->IsCellEmpty(-1));
  EXPECT_FALSE(grid->IsCellEmpty(80));
  EXPECT_TRUE(grid->IsCellEmpty(79));
  EXPECT_FALSE(grid->GetTarget()->IsVisible());
  EXPECT_EQ(grid->GetPreview()->GetAlpha(), 0.5f);
}

TEST_F(GridTest, TheSeamsFitTheColumns) {
  PutImage("image/conveyor_belt_wide_seam", 400, 8);
  PutImage("image/conveyor_belt_narrow_seam", 300, 8);
  for (int32_t columns : {7, 8, 9}) {
    SCOPED_TRACE(columns);
    auto grid = CoffeeIngredientGrid::Create(names, 0, 0, columns, 9, 50, 40);
    const char* seam = columns == 8 ? "image/conveyor_belt_wide_seam" : "image/conveyor_belt_narrow_seam";
    EXPECT_EQ(grid->GetSeamA()->GetTexture(), TTexture::Get(TStr(seam)));
    float x = columns == 8 ? 200 : 150;
    EXPECT_EQ(grid->GetSeamA()->GetPosition(), TVec2(x, 0));
    EXPECT_EQ(grid->GetSeamB()->GetPosition(), TVec2(x, 160));  // 9 / 2 rows down
  }
}

// Counts that would wrap in unsigned arithmetic (fewer than two rows) or ask for vast vectors.
TEST_F(GridTest, CountsAreKeptWithinBounds) {
  struct Case {
    int32_t columns, rows;
    uint32_t keptColumns, keptRows;
    bool logged;
  } cases[] = {
      {8, 1, 8, 1, false}, {0, 5, 1, 5, true}, {-3, -7, 1, 1, true}, {100000, 3, 100, 3, true}, {5, 1000000, 5, 100, true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::to_string(k.columns) + " x " + std::to_string(k.rows));
    size_t before = Log().size();
    auto grid = CoffeeIngredientGrid::Create(names, 0, 0, k.columns, k.rows, 50, 50);
    EXPECT_EQ(grid->GetColumnCount(), k.keptColumns);
    EXPECT_EQ(grid->GetRowCount(), k.keptRows);
    EXPECT_EQ(grid->GetCellCount(), k.keptColumns * k.keptRows);
    EXPECT_EQ(Log().size() > before, k.logged);
    // Row steps stay inside the cells; a single row simply turns over.
    for (int i = 0; i < 3; ++i) grid->Advance();
  }
  auto single = Grid({"abc"});
  SeedRandom(7);
  single->Advance();
  std::string row = Rows(*single)[0];
  EXPECT_EQ(single->GetChildren().size(), 6 + (size_t)std::count_if(row.begin(), row.end(), [](char c) { return c != '.'; }));
}

TEST_F(GridTest, RunsThroughACell) {
  auto grid = Grid({
      "aab.a",
      "b.a.a",
      "aaaba",
      ".c...",
  });
  struct Case {
    uint32_t index, row, column;
  } cases[] = {
      {0, 2, 1},  {1, 2, 1}, {2, 1, 1}, {4, 1, 3}, {12, 3, 2}, {14, 1, 3}, {16, 1, 1},
      // Empty cells run over their empty neighbours.
      {3, 1, 2},  {17, 3, 1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.index);
    EXPECT_EQ(grid->GetRowRunLength(k.index), k.row);
    EXPECT_EQ(grid->GetColumnRunLength(k.index), k.column);
  }
  EXPECT_EQ(grid->GetRowRunLength(20), 0u);
}

// An ingredient fired into a cell; what leaves the belt.
TEST_F(GridTest, GroupsTakenOffTheBelt) {
  struct Case {
    const char* what;
    std::vector<std::string> rows;
    uint32_t cell;
    char letter;
    std::vector<std::string> left;
    std::vector<std::string> groups;
  } cases[] = {
      {"a row of three completed in its middle", {"a.a.", "...."}, 1, 'a', {"....", "...."}, {"aaa"}},
      {"an L of five through a line of three",
       {"a...", "a...", ".aa.", "...."}, 4 + 4 + 0, 'a', {"....", "....", "....", "...."}, {"aaaaa"}},
      {"two side by side and one beside them diagonally", {"aa..", "...."}, 6, 'a', {"aa..", "..a."}, {}},
      {"a column of three with another name beside", {"ab..", "a...", "...."}, 8, 'a', {".b..", "....", "...."},
       {"aaa"}},
      {"a line of three leaves the other names", {"abab", "b.ba", "abab"}, 5, 'b', {"a.ab", "...a", "a.ab"},
       {"bbbbb"}},
      {"a longer line takes the whole group, bends and all", {"aa.aa", "a...a", "aaaaa"}, 2, 'a',
       {".....", ".....", "....."}, {"aaaaaaaaaaaa"}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    groups.clear();
    auto grid = Grid(k.rows);
    size_t children = grid->GetChildren().size();
    EXPECT_TRUE(Put(*grid, k.cell, k.letter, true)->GetParent() == grid.get());
    EXPECT_EQ(Rows(*grid), k.left);
    EXPECT_EQ(groups, k.groups);
    EXPECT_EQ(TakeOffered().size(), k.groups.size());
    // The taken sprites stay with the belt until the window hands them on, above the belt.
    EXPECT_EQ(grid->GetChildren().size(), children + 1);
    for (const auto& sprite : collectedSprites) EXPECT_EQ(sprite->GetLayer(), 7);
    collectedSprites.clear();
    scene->RemoveChild(grid);
  }
}

// The group leaves in the order of a walk that goes left, then up, takes the cell, then right,
// then down: the order the window's hopper flights and the bonus number follow.
TEST_F(GridTest, TheOrderAGroupIsTaken) {
  auto grid = Grid({
      ".a.",
      ".a.",
      "a..",
  });
  // From 7: left to 6, taken, whose right is 7 again (not yet taken), whose up leads to 4 and
  // on to 1, taken; 1's down is 4, taken, whose down is 7, taken last.
  Put(*grid, 7, 'a', true);
  std::vector<TVec2> taken;
  for (const auto& sprite : collectedSprites) taken.push_back(sprite->GetPosition());
  EXPECT_EQ(taken, (std::vector<TVec2>{grid->GetCellLocalPosition(6), grid->GetCellLocalPosition(1),
                                       grid->GetCellLocalPosition(4), grid->GetCellLocalPosition(7)}));
}

DWORD WINAPI CollectWholeGrid(LPVOID argument) {
  auto* grid = static_cast<CoffeeIngredientGrid*>(argument);
  grid->CollectMatch(0);
  return 0;
}

// A group as large as the grid is taken on a thread with the smallest stack: a walk that went as
// deep as the group would run off the end of it.
TEST_F(GridTest, AWholeGridOnASmallStack) {
  auto grid = CoffeeIngredientGrid::Create(names, 0, 0, 50, 60, 5, 5);
  for (uint32_t i = 0; i < grid->GetCellCount(); ++i) {
    auto piece = Ingredient::Create(TStr("sugar"));
    PlaceAt(*piece, grid->GetCellPosition(i));
    grid->PlaceIngredient(piece, false);
  }
  CloseFactory();  // nobody takes it: the sprites leave the belt with it
  HANDLE thread = CreateThread(nullptr, 64 * 1024, &CollectWholeGrid, grid.get(), 0, nullptr);
  ASSERT_NE(thread, nullptr);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  for (uint32_t i = 0; i < grid->GetCellCount(); ++i) ASSERT_TRUE(grid->IsCellEmpty((int32_t)i)) << i;
  EXPECT_EQ(grid->GetChildren().size(), 3000u + 3u);  // the cell markers, the seams and the target
}

TEST_F(GridTest, PlacingNeedsAnEmptyCell) {
  auto grid = Grid({"a.", ".."}, 100, 100);
  auto piece = Ingredient::Create(TStr("milk"));
  scene->AddChild(piece);
  struct Case {
    TVec2 at;
    bool placed;
  } cases[] = {{{125, 125}, false}, {{99, 125}, false}, {{300, 300}, false}, {{175, 125}, true}};
  for (const Case& k : cases) {
    PlaceAt(*piece, k.at);
    EXPECT_EQ(grid->PlaceIngredient(piece, true), k.placed);
  }
  EXPECT_EQ(Rows(*grid), (std::vector<std::string>{"ab", ".."}));
  EXPECT_EQ(piece->GetParent(), grid.get());
  EXPECT_EQ(piece->GetLayer(), 5);
  EXPECT_EQ(piece->GetPosition(), TVec2(75, 25));  // the cell's centre on the belt
  EXPECT_EQ(grid->TakeCell(3), nullptr);            // empty
  EXPECT_EQ(grid->TakeCell(-1), nullptr);
  EXPECT_EQ(grid->TakeCell(1), piece);
  EXPECT_EQ(Rows(*grid), (std::vector<std::string>{"a.", ".."}));
}

TEST_F(GridTest, ARowStep) {
  PutImage("image/conveyor_belt_narrow_seam", 300, 8);
  auto grid = Grid({
      "ab.",
      ".c.",
      "..a",
  });
  auto bottom = grid->GetCell(8).sprite;
  auto middle = grid->GetCell(4).sprite;
  std::vector<TStr> none;
  auto empty = CoffeeIngredientGrid::Create(none, 0, 0, 3, 3, 50, 50);
  SeedRandom(1);
  grid->Advance();
  std::vector<std::string> rows = Rows(*grid);
  EXPECT_EQ(rows[1], "ab.");
  EXPECT_EQ(rows[2], ".c.");
  // The old bottom row fell off without a word.
  EXPECT_EQ(bottom->GetParent(), nullptr);
  EXPECT_TRUE(TakeOffered().empty());
  // Every sprite stands at its new cell, the bottom row's too.
  for (uint32_t i = 0; i < 9; ++i)
    if (auto sprite = grid->GetCell(i).sprite) {
      EXPECT_EQ(sprite->GetPosition(), grid->GetCellLocalPosition(i)) << i;
    }
  EXPECT_EQ(middle->GetPosition(), TVec2(75, 125));
  // Seams move a row and wrap at the grid's height.
  EXPECT_EQ(grid->GetSeamA()->GetPosition().y, 50);
  EXPECT_EQ(grid->GetSeamB()->GetPosition().y, 100);
  grid->Advance();
  EXPECT_EQ(grid->GetSeamB()->GetPosition().y, 0);
  EXPECT_EQ(Rows(*grid)[2], "ab.");

  // New top rows: each cell filled one time in 2N + 1 for each of the N names.
  uint32_t filled = 0, counts[3] = {};
  for (int i = 0; i < 1000; ++i) {
    grid->Advance();
    std::string top = Rows(*grid)[0];
    for (char c : top)
      if (c != '.') ++filled, ++counts[c - 'a'];
    empty->Advance();
    EXPECT_EQ(Rows(*empty)[0], "...");
  }
  EXPECT_NEAR(filled, 3000 * 3 / 7.0, 120);
  for (uint32_t count : counts) EXPECT_NEAR(count, filled / 3.0, 90);
}

TEST_F(GridTest, TheTaskSlidesTheBeltAndStepsTheRows) {
  auto grid = Grid({"a..", "...", "..."}, 30, 60);
  CoffeeGridTask task(grid, 3000);
  task.Reset(1.0f);
  task.Start(0);
  task.Advance(1500);
  EXPECT_EQ(grid->GetPosition(), TVec2(30, 85));
  EXPECT_EQ(Rows(*grid)[0], "a..");
  task.Advance(1500);
  EXPECT_EQ(grid->GetPosition(), TVec2(30, 60));
  EXPECT_EQ(Rows(*grid)[1], "a..");
  // A frame whose phase does not fall back moves no row, however long.
  task.Advance(7500);
  EXPECT_EQ(Rows(*grid)[1], "a..");
  EXPECT_EQ(grid->GetPosition(), TVec2(30, 85));
  // One that does moves one, however long.
  task.Advance(4500);
  EXPECT_EQ(Rows(*grid)[2], "a..");
  EXPECT_EQ(grid->GetPosition(), TVec2(30, 60));
  task.SetRate(2.0f);
  task.Advance(750);
  EXPECT_EQ(grid->GetPosition(), TVec2(30, 85));
  task.Stop();
  task.Advance(500);
  EXPECT_EQ(grid->GetPosition(), TVec2(30, 85));
}

// A period the belt could never run at is replaced by the usual one.
TEST_F(GridTest, AnUnusablePeriodIsReplaced) {
  for (float period : {0.0f, -5.0f, 10.0f, std::numeric_limits<float>::quiet_NaN()}) {
    SCOPED_TRACE(period);
    auto grid = Grid({"..", ".."}, 0, 0);
    size_t before = Log().size();
    CoffeeGridTask task(grid, period);
    EXPECT_EQ(task.GetPeriod(), CoffeeGridTask::kDefaultPeriod);
    EXPECT_GT(Log().size(), before);
    task.Start(0);
    task.Advance(1500);
    EXPECT_EQ(grid->GetPosition(), TVec2(0, 25));
  }
}

TEST_F(GridTest, TheTargetFollowsThePointerOverTheCells) {
  auto grid = Grid({"...", "..."}, 30, 60);
  struct Case {
    TVec2 at;
    bool shown;
    TVec2 target;
  } cases[] = {
      {{31, 61}, true, {25, 25}}, {{179, 159}, true, {125, 75}}, {{-1, -1}, false, {125, 75}}, {{181, 61}, false, {125, 75}},
      {{100, 100}, true, {75, 25}},
  };
  for (const Case& k : cases) {
    grid->UpdateHover(k.at.x, k.at.y);
    EXPECT_EQ(grid->GetTarget()->IsVisible(), k.shown);
    EXPECT_EQ(grid->GetTarget()->GetPosition(), k.target);
  }
  auto piece = Ingredient::Create(TStr("milk"));
  grid->SetPreview(piece);
  EXPECT_EQ(grid->GetPreview()->GetTexture(), piece->GetTexture());
  grid->SetPreview(nullptr);
  EXPECT_EQ(grid->GetPreview()->GetTexture(), nullptr);
}

TEST_F(GridTest, ClearingEmptiesTheBelt) {
  auto grid = Grid({"ab", "c."});
  auto a = grid->GetCell(0).sprite;
  grid->Clear();
  EXPECT_EQ(Rows(*grid), (std::vector<std::string>{"..", ".."}));
  EXPECT_EQ(a->GetParent(), nullptr);
  EXPECT_TRUE(grid->IsCellEmpty(0));
}

}  // namespace
