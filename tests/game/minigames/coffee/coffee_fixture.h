// The coffee parts' tests: the factory surroundings, a log to read, and grids drawn as rows of
// letters (a cocoa, b milk, c sugar, '.' empty).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/base/log.h"
#include "game/minigames/coffee/ingredient_grid.h"
#include "game/minigames/ingredient.h"
#include "tests/game/minigames/factory_fixture.h"
#include "tests/support/host_file.h"
#include "tests/support/temp_folder.h"

class CoffeeFixture : public FactoryFixture {
 protected:
  void SetUp() override {
    FactoryFixture::SetUp();
    SetLogPath(logs.Path().c_str());
  }
  void TearDown() override {
    SetLogPath(nullptr);
    FactoryFixture::TearDown();
  }
  std::string Log() { return ReadHostFile(logs.Path() + "/logfile.txt"); }

  static TStr NameOf(char letter) {
    switch (letter) {
      case 'a': return TStr("cocoa");
      case 'b': return TStr("milk");
      case 'c': return TStr("sugar");
      default: return TStr();
    }
  }
  static char LetterOf(const TStr& name) {
    if (name.IsEmpty()) return '.';
    if (name == "cocoa") return 'a';
    if (name == "milk") return 'b';
    return name == "sugar" ? 'c' : '?';
  }

  // A grid at (x, y) of cells 50 x 50 holding the rows drawn; the grid's parent is the scene.
  std::shared_ptr<CoffeeIngredientGrid> Grid(const std::vector<std::string>& rows, float x = 0, float y = 0) {
    auto grid = CoffeeIngredientGrid::Create(names, x, y, (int32_t)rows[0].size(), (int32_t)rows.size(), 50, 50);
    scene->AddChild(grid);
    for (uint32_t i = 0; i < grid->GetCellCount(); ++i) {
      char letter = rows[i / grid->GetColumnCount()][i % grid->GetColumnCount()];
      if (letter != '.') Put(*grid, i, letter);
    }
    return grid;
  }
  // An ingredient fired into the cell, without the match check.
  std::shared_ptr<Ingredient> Put(CoffeeIngredientGrid& grid, uint32_t index, char letter, bool match = false) {
    auto piece = Ingredient::Create(NameOf(letter));
    scene->AddChild(piece);
    PlaceAt(*piece, grid.GetCellPosition(index));
    grid.PlaceIngredient(piece, match);
    return piece;
  }
  static std::vector<std::string> Rows(const CoffeeIngredientGrid& grid) {
    std::vector<std::string> out(grid.GetRowCount());
    for (uint32_t i = 0; i < grid.GetCellCount(); ++i) out[i / grid.GetColumnCount()] += LetterOf(grid.GetCell(i).name);
    return out;
  }

  std::vector<TStr> names{TStr("cocoa"), TStr("milk"), TStr("sugar")};
  std::shared_ptr<TSprite> scene = TSprite::Create();
  TempFolder logs;
};
