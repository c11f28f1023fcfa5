// The data loader's script functions.
#include "game/shell/content.h"

void Content::BindScriptFunctions() {
  mGlobals.Bind("LoadPortFileList", this, &Content::LoadPortFileList);
  mGlobals.Bind("LoadQuestFileList", this, &Content::LoadQuestFileList);
  mGlobals.Bind("LoadIngredients", this, &Content::LoadIngredients);
  mGlobals.Bind("LoadProducts", this, &Content::LoadProducts);
}
