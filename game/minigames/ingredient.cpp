// Ingredient, its ring and hand-overs, the miss message and the piston's sprites.
#include "game/minigames/ingredient.h"

#include "core/graphics/texture.h"
#include "core/windows/window.h"
#include "game/minigames/factory_parts.h"

const TColor& GetColourTint(uint32_t colour) {
  static const TColor table[] = {
      TColor(1.0f, 1.0f, 1.0f, 1.0f),
      TColor(235 / 255.0f, 14 / 255.0f, 14 / 255.0f, 1.0f),
      TColor(45 / 255.0f, 56 / 255.0f, 197 / 255.0f, 1.0f),
      TColor(255 / 255.0f, 209 / 255.0f, 23 / 255.0f, 1.0f),
      TColor(1.0f, 1.0f, 1.0f, 1.0f),
  };
  return table[colour < 5 ? colour : (uint32_t)kColourMixed];
}

Ingredient::Ingredient(TStr name) : TSprite(4), mName(name) {
  SetTexture(TTexture::Get(TStr("items/") + name));
}

std::shared_ptr<Ingredient> Ingredient::Create(TStr name) { return std::shared_ptr<Ingredient>(new Ingredient(name)); }

TClassId Ingredient::ClassId() {
  static const char token = 0;
  return &token;
}

std::shared_ptr<Ingredient> Ingredient::From(const std::shared_ptr<TSprite>& sprite) {
  if (!sprite || !sprite->IsKindOf(ClassId())) return nullptr;
  return std::static_pointer_cast<Ingredient>(sprite);
}

std::shared_ptr<Ingredient> Ingredient::Self() { return std::static_pointer_cast<Ingredient>(shared_from_this()); }

void Ingredient::SetColour(uint8_t colour) {
  if (!mRing) {
    mRing = TSprite::Create(-1, TTexture::Get(TStr("image/item_ring")));
    AddChild(mRing);
  }
  if (colour == kColourNone)
    mRing->SetTexture(TTexture::Get(TStr("image/item_ring_rainbow")));
  else if (mColour == kColourNone)
    mRing->SetTexture(TTexture::Get(TStr("image/item_ring")));
  mColour = colour;
  mRing->GetDrawSpec().mColor = GetColourTint(colour);
}

bool Ingredient::OnCaughtByTray(std::shared_ptr<IngredientTray> tray) {
  if (tray) tray->AddIngredient(Self());
  return true;
}

bool Ingredient::OnCaughtByRecycler(std::shared_ptr<IngredientRecycler> recycler) {
  if (recycler) recycler->Hit(Self());
  return true;
}

bool Ingredient::OnMissed() {
  if (TWindow* factory = FindFactoryWindow()) factory->BubbleMessage(new MissedIngredientMessage(Self()));
  return true;
}

MissedIngredientMessage::MissedIngredientMessage(std::shared_ptr<Ingredient> ingredient)
    : TMessage(kFactoryIngredientMissed), mIngredient(std::move(ingredient)) {}

const void* MissedIngredientMessage::ClassId() {
  static const char token = 0;
  return &token;
}

namespace {

// Placed by the anchor point (origin flag) instead of by the picture's centre; the x of the
// anchor is half the picture's width.
std::shared_ptr<TSprite> ArmSprite(const char* image, int32_t layer, float anchorY) {
  auto texture = TTexture::Get(TStr(image));
  auto sprite = TSprite::Create(layer, texture);
  sprite->GetDrawSpec().SetOrigin(TVec2(TextureSize(texture).x * 0.5f, anchorY));
  return sprite;
}

}  // namespace

IngredientPiston::IngredientPiston() {
  upperArm = ArmSprite("image/ingredient_arm_2", -100, -16.0f);
  lowerArm = ArmSprite("image/ingredient_arm_1", 0, 0.0f);
  PlaceAt(*lowerArm, TVec2(0.0f, 120.0f));
  upperArm->AddChild(lowerArm);
  auto finger1 = TSprite::Create(2, TTexture::Get(TStr("image/ingredient_finger_1")));
  PlaceAt(*finger1, TVec2(-6.0f, 0.0f));
  upperArm->AddChild(finger1);
  auto finger2 = TSprite::Create(2, TTexture::Get(TStr("image/ingredient_finger_2")));
  PlaceAt(*finger2, TVec2(6.0f, 0.0f));
  upperArm->AddChild(finger2);
}
