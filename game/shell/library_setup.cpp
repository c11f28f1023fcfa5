// What the game's library gives the game's set-up: the game string table (alive from the start
// of the set-up until after the final save), the data loader and the cursor picture through it.
#include <memory>

#include "core/graphics/texture.h"
#include "game/shell/content.h"
#include "game/shell/game_library.h"
#include "game/shell/game_setup.h"
#include "game/shell/qrn_string_file.h"
#include "game/shell/tight_text.h"

namespace {

std::unique_ptr<QRNStringFile> gStringFile;  // main thread only

void StartStringFile() { gStringFile = std::make_unique<QRNStringFile>(); }
void EndStringFile() { gStringFile.reset(); }
void StartContent() { Content::Create(); }
void StartLibrary() { RegisterGameLibrary(); }
std::shared_ptr<TTexture> CursorTexture(TStr name) { return Content::Get()->GetSimpleTexture(name); }

}  // namespace

void ProvideGameLibrary(TGameSetup& setup) {
  setup.start.push_back(&StartStringFile);
  setup.start.push_back(&StartContent);
  setup.start.push_back(&StartLibrary);
  setup.finish.push_back(&EndStringFile);
  setup.getCursorTexture = &CursorTexture;
  setup.SetWindowClass("TightText", &TTightText::Create);
}
