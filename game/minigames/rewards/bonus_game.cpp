#include "game/minigames/rewards/bonus_game.h"

#include <algorithm>
#include <cmath>

#include "core/base/crt_rand.h"
#include "core/base/log.h"
#include "core/base/saturate.h"
#include "core/graphics/text/text_layout.h"
#include "core/graphics/texture.h"
#include "core/script/lua.h"
#include "core/script/script.h"
#include "core/windows/window_style.h"
#include "game/minigames/rewards/reward_parts.h"
#include "game/shell/world/world_drawing.h"
#include "game/shell/game_library.h"
#include "game/shell/sound_bridge.h"

const double TBonusGame::kPrizeFractions[kCrateCount] = {0.435, 0.435, 0.435, 0.4,  0.35, 0.35, 0.35,
                                                         0.35,  0.25,  0.25,  0.25, 0.25, 0.24, 0.24,
                                                         0.24,  0.15,  0.1,   0.05, 0.0,  0.0,  0.0};

namespace {

constexpr uint32_t kTickMs = 50;
// The sparkle runs at twice the window's pace.
constexpr int32_t kSparkleStepMs = 100;
constexpr float kCrateScale = 0.4f;
// Past this an opened crate looks the same for ever; the count stops there instead of wrapping.
constexpr uint32_t kOpenTimeLimit = 1u << 30;

const TColor kMoneyText(0.0f, 0.0f, 0.0f, 1.0f);
const TColor kRevealedText(0.8f, 0.2f, 0.0f, 1.0f);
constexpr float kSparkleGreen[3] = {21.0f / 255.0f, 143.0f / 255.0f, 27.0f / 255.0f};

}  // namespace

TBonusGame::TBonusGame() {
  mGlobals.Bind("PrepareGame", this, &TBonusGame::PrepareGame);
  mGlobals.BindRaw("SelectPrize", this, &TBonusGame::ScriptSelectPrize);
  mSparkle.BindParameter(TStr("gSparkleColorStart"), &mSparkleStart);
  mSparkle.BindParameter(TStr("gSparkleColorEnd"), &mSparkleEnd);
  if (TScript* script = mSparkle.GetScript()) script->SetGlobalString(TStr("gSparkleTexture"), TStr("money"));
  mSparkle.Load(TStr("glitz/sparkle.lua"));
}

TBonusGame::~TBonusGame() = default;

TWindow* TBonusGame::Create() { return new TBonusGame; }

void TBonusGame::Init(TWindowStyle& style) {
  TWindow::Init(style);
  mClosedBox = TTexture::Get(TStr("image/box_closed"), 0);
  mOpenBox = TTexture::Get(TStr("image/box_open"), 0);
  mOpenBoxMask = TTexture::Get(TStr("image/box_open_mask"), 0);
}

void TBonusGame::PostChildrenInit(TWindowStyle& style) {
  TWindow::PostChildrenInit(style);
  for (uint32_t k = 1; k <= kCrateCount; ++k) {
    Crate& crate = mCrates[k - 1];
    crate.state = kClosed;
    TWindow* button = FindChild(TStr::Format("select_%lu", (unsigned long)k));
    if (!button) continue;
    TRect r = button->GetScreenRect();
    TPoint topLeft(r.left, r.top), bottomRight(r.right, r.bottom);
    ScreenToLocal(topLeft);
    ScreenToLocal(bottomRight);
    crate.area = TRect(topLeft.x - 20, topLeft.y, bottomRight.x + 20, bottomRight.y);
    crate.centreX = (float)(crate.area.left + crate.area.right) * 0.5f;
    crate.centreY = (float)(crate.area.top + crate.area.bottom) * 0.5f;
  }
  SetAnimTimer(kTickMs, true, true, false);
}

double TBonusGame::PrepareGame(double total) {
  const uint32_t whole = SaturateToUInt32(std::trunc(total));
  uint64_t sum = 0;
  for (uint32_t i = 0; i < kCrateCount; ++i) {
    const double f = kPrizeFractions[i];
    uint32_t v = SaturateToUInt32(f * (double)whole + 0.5);
    uint32_t amount = v / 100 * 100;
    if (amount < 100 && f > 0) amount = 100;
    mCrates[i].amount = amount;
    sum += amount;
  }
  for (uint32_t i = 0; i < kCrateCount; ++i) {
    uint32_t j = (uint32_t)OrvellaRand() % kCrateCount;
    std::swap(mCrates[i].amount, mCrates[j].amount);
  }
  return (double)sum;
}

uint32_t TBonusGame::SelectPrize(double k, bool reveal) {
  if (!(k >= 1 && k < kCrateCount + 1)) {
    if (std::isfinite(k))
      LogError("SelectPrize: there is no crate %.0f (crates are 1 to %u)", k, kCrateCount);
    else
      LogError("SelectPrize: no crate named (crates are 1 to %u)", kCrateCount);
    return 0;
  }
  Crate& crate = mCrates[(uint32_t)k - 1];
  if (crate.state != kClosed) return crate.amount;
  SoundEvent(TStr("crate_click"));
  crate.state = kOpened;
  if (crate.amount > 0) {
    if (!reveal) {
      StartSparkle(crate);
      SoundEvent(TStr("crate_with_money"));
    }
    crate.text = {TTextLayout::Create(Dollars(crate.amount), crate.area.Width(), crate.area.Height(),
                                      TTextLayout::kCentre | TTextLayout::kVerticalCentre,
                                      TStr("fonts/fertigo.mvec"), reveal ? 14 : 16, reveal ? kRevealedText : kMoneyText),
                  &TTextLayout::Destroy};
  } else {
    crate.content = TTexture::Get(TStr("image/whammy_devil"), 0);
    if (reveal) crate.state = kRevealedEmpty;
    SoundEvent(TStr("crate_no_money"));
  }
  return crate.amount;
}

int TBonusGame::ScriptSelectPrize(lua_State* L) {
  double k = lua_isnumber(L, 1) ? lua_tonumber(L, 1) : std::nan("");
  bool reveal = lua_type(L, 2) == LUA_TNUMBER ? lua_tonumber(L, 2) != 0 : lua_toboolean(L, 2) != 0;
  lua_pushnumber(L, (lua_Number)SelectPrize(std::trunc(k), reveal));
  return 1;
}

void TBonusGame::StartSparkle(const Crate& crate) {
  mSparkleX = SaturateToInt32(crate.centreX);
  mSparkleY = SaturateToInt32(crate.centreY);
  mSparkleStart.SetColor(TColor(kSparkleGreen[0], kSparkleGreen[1], kSparkleGreen[2], 1.0f));
  mSparkleEnd.SetColor(TColor(kSparkleGreen[0], kSparkleGreen[1], kSparkleGreen[2], 0.2f));
  if (TScript* script = mSparkle.GetScript()) script->SetGlobalNumber(TStr("gSparkleTime"), 2.0);
}

bool TBonusGame::OnAnimate() {
  for (Crate& crate : mCrates)
    if (crate.state == kOpened) crate.openTime = std::min(crate.openTime + kTickMs, kOpenTimeLimit);
  mSparkle.Update(kSparkleStepMs);
  RequestRedraw();
  return true;
}

TBonusGame::Look TBonusGame::LookAt(uint32_t state, uint32_t openTime) {
  if (state == kClosed) return {1.0f, kCrateScale, 1.0f, 0.0f};
  const float t = (float)openTime;
  Look look;
  look.boxAlpha = 1.0f - t / 800.0f;
  look.boxScale = (1.0f + t / 1600.0f) * kCrateScale;
  look.textScale = t < 400.0f ? 1.0f + t / 800.0f : t < 800.0f ? 1.5f - (t - 400.0f) / 800.0f : 1.0f;
  uint32_t p = openTime % 1000;
  if (p > 500) p = 1000 - p;
  look.contentScale = state == kRevealedEmpty ? 0.25f : (float)p / 1000.0f + 0.5f;
  return look;
}

void TBonusGame::Draw() {
  TWindow::Draw();
  TReward2dPass pass;
  if (!pass.IsOpen()) return;
  TVec2 origin = ScreenOrigin(this);
  for (const Crate& crate : mCrates) DrawCrate(crate, origin.x, origin.y);
  mSparkle.Draw(TVec3(origin.x + (float)mSparkleX, origin.y + (float)mSparkleY, 0.0f));
}

void TBonusGame::DrawCrate(const Crate& crate, float x0, float y0) {
  const float x = x0 + crate.centreX, y = y0 + crate.centreY;
  const Look look = LookAt(crate.state, crate.openTime);
  if (crate.state == kClosed) {
    if (mClosedBox) mClosedBox->DrawSprite(x, y, 1.0f, look.boxScale, 0.0f, 0);
    return;
  }
  const bool boxShows = look.boxAlpha > 0 && crate.state != kRevealedEmpty;
  if (boxShows && mOpenBox) mOpenBox->DrawSprite(x, y, look.boxAlpha, look.boxScale, 0.0f, 0);
  if (crate.amount > 0) {
    if (crate.text) {
      // Grown about the crate's centre rather than the layout's corner.
      TRect bounds;
      crate.text->GetBounds(bounds, look.textScale);
      TRect r;
      r.left = SaturateToInt32(x - (float)(bounds.left + bounds.right) * 0.5f);
      r.top = SaturateToInt32(y - (float)(bounds.top + bounds.bottom) * 0.5f);
      r.right = r.left + crate.area.Width();
      r.bottom = r.top + std::max(crate.area.Height(), bounds.bottom + 1);
      crate.text->DrawInRect(r, look.textScale, 0, 1.0f);
    }
  } else if (crate.content) {
    crate.content->DrawSprite(x, y, 1.0f, look.contentScale, 0.0f, 0);
  }
  if (boxShows && mOpenBoxMask) mOpenBoxMask->DrawSprite(x, y, look.boxAlpha, look.boxScale, 0.0f, 0);
}
