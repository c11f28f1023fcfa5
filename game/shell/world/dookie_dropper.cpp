// The factory status panel. It reads the scripts' tables at each refresh and draw, so the
// ledger only says when; missing tables and keys read as their defaults.
#include "game/shell/world/dookie_dropper.h"

#include <algorithm>
#include <cmath>

#include "core/base/saturate.h"
#include "core/graphics/draw_spec.h"
#include "core/graphics/sprites/sprite.h"
#include "core/graphics/texture.h"
#include "core/script/lua_table.h"
#include "core/windows/text.h"
#include "core/windows/window_host.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_script.h"
#include "core/windows/window_style.h"
#include "game/minigames/factory_parts.h"
#include "game/minigames/item_sprite.h"
#include "game/shell/world/world_drawing.h"
#include "game/shell/world/world_script.h"

namespace {

constexpr uint32_t kCapacity[] = {4, 6, 8, 8, 8, 10, 10};
constexpr float kRestScale = 0.25f;
constexpr float kPi = 3.14159265358979f;

const TColor kFullColour(50 / 255.0f, 205 / 255.0f, 30 / 255.0f, 1.0f);
const TColor kHalfColour(255 / 255.0f, 252 / 255.0f, 15 / 255.0f, 1.0f);
const TColor kLowColour(255 / 255.0f, 14 / 255.0f, 14 / 255.0f, 1.0f);

// A sprite's transform made anew from a linear part, at the position it had.
void SetLinear(TSprite& sprite, const TMat3& linear) {
  TVec2 position = sprite.GetPosition();
  sprite.GetDrawSpec().mMatrix = linear;
  PlaceAt(sprite, position);
}

}  // namespace

DookieDropper::DookieDropper()
    : mProductSprite(TSprite::Create()),
      mIdleHelpTexture(TTexture::Get("image/factory_idle_help", 0)),
      mTimerFace(TSprite::Create(0, TTexture::Get("image/timer_face_small", 0))),
      mTimerHand(TSprite::Create(0, TTexture::Get("image/timer_hand_small", 0))) {
  mTimerFace->AddChild(mTimerHand);
}

DookieDropper::~DookieDropper() {}

TWindow* DookieDropper::Create() { return new DookieDropper; }

void DookieDropper::PostChildrenInit(TWindowStyle& style) {
  Rollover::PostChildrenInit(style);
  PlaceAt(*mProductSprite, TVec2((float)style.GetNumber("itemx", 18), (float)style.GetNumber("itemy", 86)));
  mIngredientY = (float)style.GetNumber("ingredienty", 58);
  mBarHeight = (float)style.GetNumber("barHeight", 42);
  PlaceAt(*mTimerFace, TVec2((float)style.GetNumber("countx", 57), (float)style.GetNumber("county", 86)));
  // A panel shows its factory from the start, not blank until its owner's first refresh.
  Refresh();
}

uint32_t DookieDropper::Capacity(int32_t rank) { return kCapacity[std::clamp(rank, 0, 6)]; }

void DookieDropper::Refresh() {
  std::unique_ptr<TLuaTable> player = GlobalTable("Player");
  std::unique_ptr<TLuaTable> factory = Field(Field(player, "factories"), GetName().c_str());
  TStr product = factory ? factory->GetString("current", TStr()) : TStr();

  if (product != mProductName) {
    mProductName = product;
    std::unique_ptr<TLuaTable> entry = Field(GlobalTable("_AllProducts"), product.c_str());
    if (entry) {
      std::vector<TStr> names;
      std::vector<TColor> tints;
      CreateProductSprite(entry.get(), names, tints);
      SetLinear(*mProductSprite, TMat3());
      CreateItemSprite(mProductSprite, names, tints, kRestScale);
      // The panel has room for six bars; further ingredients are left out.
      mIngredientCount = 0;
      std::unique_ptr<TLuaTable> counts(entry->GetTable("counts"));
      TLuaObjectWrapper* key = nullptr;
      while (TLuaObjectWrapper* value = counts ? counts->Next(&key) : nullptr) {
        delete value;
        if (mIngredientCount >= kMaxIngredients) {
          delete key;
          break;
        }
        TStr name = key->AsString();
        if (name.IsEmpty()) continue;
        mIngredientNames[mIngredientCount] = name;
        mIngredientTextures[mIngredientCount] = TTexture::Get(TStr("items/") + name, 0);
        mIngredientCount++;
      }
    }
  }

  TWindow* count = FindChild("count", -1);
  if (count && count->IsKindOf(&TText::GetFactory)) {
    mProduction = SaturateToUInt32(factory ? factory->GetNumber("production", 0) : 0);
    static_cast<TText*>(count)->SetText(TStr::Format("%lu", (unsigned long)mProduction));
  }
  mStalled = factory && factory->GetBool("stall", false);
  mRank = SaturateToInt32(player ? player->GetNumber("rank", 1) : 1);
}

float DookieDropper::PulseScale(uint32_t animCounter, uint32_t production) {
  if (animCounter >= kRunMs) return kRestScale;
  uint32_t period = production < 10 ? 2000 : production < 30 ? 1000 : production < 50 ? 666 : 500;
  return kRestScale * (float)(animCounter % period + 1) / (float)period;
}

void DookieDropper::Animate() {
  if (mAnimCounter >= kRunMs) return;
  mAnimCounter = std::min(kRunMs, mAnimCounter + kTickMs);
  if (mStalled || mProduction == 0) return;
  SetLinear(*mTimerHand, TMat3::MakeRotation(2 * kPi * (float)mAnimCounter / (float)kRunMs));
  TMat3 scale;
  scale.Scale(PulseScale(mAnimCounter, mProduction));
  SetLinear(*mProductSprite, scale);
}

DookieDropper::Bar DookieDropper::SupplyBar(int32_t width, int count, int index, double supply, uint32_t capacity,
                                            float ingredientY, float barHeight) {
  Bar bar;
  float slot = (float)width / kMaxIngredients;
  bar.centre = ((float)width - (float)(count - 1) * slot) / 2 + (float)index * slot;
  bar.iconScale = slot / 32;
  double fraction = capacity ? supply / capacity : 0.0;
  float h = std::min(barHeight, (float)(barHeight * fraction));
  if (!(h > 0)) h = 0;  // nothing, not an upside-down bar, for an empty or nonsense supply
  bar.colour = fraction >= 0.75 ? kFullColour : fraction >= 0.5 ? kHalfColour : kLowColour;
  int32_t left = (int32_t)std::trunc(bar.centre - slot / 2 + 2.5f);
  int32_t top = (int32_t)std::trunc(ingredientY - h - 3);
  bar.rect = TRect(left, top, (int32_t)std::trunc(left + slot - 4), (int32_t)std::trunc(top + h));
  return bar;
}

void DookieDropper::Draw() {
  TWindowHost* host = WorldHost();
  if (!host) return;
  DrawSpriteAt(mProductSprite, this);
  DrawSpriteAt(mTimerFace, this);

  TVec2 origin = ScreenOrigin(this);
  std::unique_ptr<TLuaTable> supply = Field(GlobalTable("Player"), "supply");
  uint32_t capacity = Capacity(mRank);
  for (int i = 0; i < mIngredientCount; i++) {
    double amount = supply ? supply->GetNumber(mIngredientNames[(size_t)i].c_str(), 0) : 0;
    Bar bar = SupplyBar(GetWidth(), mIngredientCount, i, amount, capacity, mIngredientY, mBarHeight);
    TRect r = bar.rect;
    r.Offset((int32_t)origin.x, (int32_t)origin.y);
    if (!r.IsEmpty()) host->FillRect(r, bar.colour);
    if (const auto& icon = mIngredientTextures[(size_t)i])
      host->DrawTexture(icon, TDrawSpec(TVec2(origin.x + bar.centre, origin.y + mIngredientY), 1.0f, bar.iconScale));
  }

  if (ShowsIdleHint() && mIdleHelpTexture) {
    TVec2 at(origin.x + GetWidth() / 2.0f, origin.y + mIngredientY - mBarHeight + mIdleHelpTexture->GetHeight() / 2.0f);
    host->DrawTexture(mIdleHelpTexture, TDrawSpec(at, 0.75f, 1.0f));
  }
}
