// What the authoring windows give the game's set-up.
#include "game/shell/editors/bitmap_tint.h"
#include "game/shell/editors/curve_editor.h"
#include "game/shell/editors/recipe_designer.h"
#include "game/shell/editors/sign_editor.h"
#include "game/shell/game_setup.h"

void ProvideEditors(TGameSetup& setup) {
  setup.SetWindowClass("BitmapTint", &TBitmapTint::GetFactory);
  setup.SetWindowClass("CurveEditor", &TCurveEditor::Create);
  setup.SetWindowClass("RecipeCreator", &RecipeCreator::Create);
  setup.SetWindowClass("RecipeDesigner", &RecipeDesigner::Create);
  setup.SetWindowClass("SignEditor", &SignEditor::Create);
}
