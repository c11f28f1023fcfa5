// The recipe designer's layer lists, the layers' windows and the shuffle.
#include "game/shell/editors/recipe_designer.h"

#include <cctype>
#include <string>

#include "core/base/file.h"
#include "core/base/random.h"
#include "core/graphics/texture.h"
#include "core/windows/widgets/image.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_script.h"
#include "game/shell/editors/bitmap_tint.h"
#include "game/shell/sound_bridge.h"

namespace {

const char* const kFolder = "custom/";
const char* const kTags[RecipeDesigner::kLayers] = {"layer1", "layer2", "layer3", "layer4"};

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

std::string Lower(std::string text) {
  for (char& c : text) c = (char)tolower((unsigned char)c);
  return text;
}

template <typename T>
T* Kind(TWindow* window, TWindowFactory kind) {
  return window && window->IsKindOf(kind) ? static_cast<T*>(window) : nullptr;
}

}  // namespace

RecipeDesigner::RecipeDesigner() {
  mGlobals.Bind("RandomDesign", this, &RecipeDesigner::RandomDesign);
  mGlobals.Bind("SetRecipeType", this, &RecipeDesigner::SetRecipeType);
  mGlobals.Bind("SetLayer", this, &RecipeDesigner::SetLayer);
  mGlobals.Bind("GetLayerImage", this, &RecipeDesigner::GetLayerImage);
}

TWindow* RecipeDesigner::Create() { return new RecipeDesigner; }

void RecipeDesigner::SetRecipeType(TStr type) {
  for (auto& list : mLists) list.clear();
  const std::string prefix = kFolder + Lower(type.c_str());
  TStr path;
  while (GetNextFileInFolder(kFolder, path, false)) {
    std::string p = path.c_str();
    if (p.compare(0, prefix.size(), prefix) != 0 || Contains(p, "_highlight")) continue;
    if (p.size() < 4 || p.compare(p.size() - 4, 4, ".png") != 0) continue;
    TStr entry(p.substr(0, p.size() - 4).c_str());
    std::shared_ptr<TTexture> picture = TTexture::Get(entry, 0);
    if (!picture) continue;
    mPictures.AddAsset(entry, picture, true);
    for (int layer = 0; layer < kLayers; layer++)
      if (Contains(p, kTags[layer])) {
        mLists[layer].push_back(entry);
        break;
      }
  }
  // No picture is a choice on the decorations; a drink always has its drink.
  const bool drink = type == "beverage";
  for (int layer = 1; layer < kLayers; layer++)
    if (!(drink && layer == 2)) mLists[layer].push_back(TStr());
  // A selection past its new list would name nothing.
  for (int layer = 0; layer < kLayers; layer++)
    if (mSelections[layer] >= mLists[layer].size()) mSelections[layer] = 0;
}

int32_t RecipeDesigner::SetLayer(int32_t layer, int32_t index) {
  if (!IsLayer(layer)) return 0;
  auto named = [this, layer](const char* format) { return FindChild(TStr::Format(format, layer), -1); };
  TBitmapTint* option = Kind<TBitmapTint>(named("option_layer%d"), &TBitmapTint::GetFactory);
  TImage* optionHighlight = Kind<TImage>(named("option_highlight%d"), &TImage::GetFactory);
  TBitmapTint* display = Kind<TBitmapTint>(named("display_layer%d"), &TBitmapTint::GetFactory);
  TImage* displayHighlight = Kind<TImage>(named("display_highlight%d"), &TImage::GetFactory);

  const int64_t n = (int64_t)mLists[layer].size();
  // Counted round the list in either direction, however far.
  const int32_t chosen = n > 0 ? (int32_t)(((int64_t)index % n + n) % n) : 0;
  mSelections[layer] = (uint32_t)chosen;
  const TStr name = n > 0 ? mLists[layer][(size_t)chosen] : TStr();
  auto show = [](TWindow* window, bool on) { on ? EnableWindowSafe(window) : DisableWindowSafe(window); };
  if (name.IsEmpty()) {
    for (TWindow* window : {(TWindow*)option, (TWindow*)optionHighlight, (TWindow*)display, (TWindow*)displayHighlight})
      show(window, false);
    return chosen;
  }
  std::shared_ptr<TTexture> picture = TTexture::Get(name, 0);
  show(option, picture != nullptr);
  show(display, picture != nullptr);
  if (!picture) return chosen;
  if (option) option->SetTexture(picture, 0.5f);
  if (display) display->SetTexture(picture, 1.0f);
  std::shared_ptr<TTexture> highlight = TTexture::Get(name + "_highlight", 0);
  show(optionHighlight, highlight != nullptr);
  show(displayHighlight, highlight != nullptr);
  if (highlight) {
    if (optionHighlight) optionHighlight->SetTexture(highlight, 0.5f);
    if (displayHighlight) displayHighlight->SetTexture(highlight, 1.0f);
  }
  return chosen;
}

TStr RecipeDesigner::GetLayerImage(int32_t layer) {
  if (!IsLayer(layer) || mSelections[layer] >= mLists[layer].size()) return TStr();
  const TStr& name = mLists[layer][mSelections[layer]];
  return name.Length() > 7 ? name.SubStr(7) : TStr();
}

void RecipeDesigner::RandomDesign() {
  mShuffleTime = 0;
  SoundEvent("randomize");
  SetAnimTimer(kShuffleTickMs, true, true, false);
}

bool RecipeDesigner::OnAnimate() {
  mShuffleTime += kShuffleTickMs;
  if (mShuffleTime >= kShuffleMs) {
    RequestRedraw();
    return false;
  }
  // Each layer settles in turn: the base after one second, the last at 1.9 s.
  struct Step {
    int layer;
    int lowest;
    uint32_t until;
  };
  static const Step kSteps[] = {{0, 0, 1000}, {1, 1, 1500}, {2, 2, 1800}, {3, 0, kShuffleMs}};
  std::string code;
  for (const Step& s : kSteps) {
    if (mShuffleTime > s.until) continue;
    SetLayer(s.layer, RandomInRange(s.lowest, (int)mLists[s.layer].size() - 1));
    code += TStr::Format("SetRecipeTint(%d,%d);", s.layer + 1, RandomInRange(1, 100)).c_str();
  }
  TWindowManager* manager = TWindowManager::Get();
  if (TWindowScript* script = manager ? manager->GetScript() : nullptr) script->DoLuaString(code.c_str());
  RequestRedraw();
  return true;
}

TWindow* RecipeCreator::Create() { return new RecipeCreator; }
