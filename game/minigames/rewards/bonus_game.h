// TBonusGame: the bonus crate game, a reward screen of 21 closed crates ("CratesGame"). The
// screen script lays out 21 buttons named "select_1" ... "select_21" inside it, deals the prize
// money with PrepareGame(total) and opens a crate with SelectPrize(k) when its button is clicked,
// or SelectPrize(k, reveal) to uncover one without the prize's sparkle and sound. The window draws
// the crates under the buttons and animates each opening; how many crates the player may open is
// the script's rule.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "core/base/rect.h"
#include "core/base/str.h"
#include "core/graphics/particles/lua_particle_system.h"
#include "core/windows/window.h"
#include "game/minigames/rewards/particle_color.h"
#include "game/shell/script_globals.h"

struct lua_State;
class TTextLayout;
class TTexture;

class TBonusGame : public TWindow {
 public:
  static constexpr uint32_t kCrateCount = 21;
  enum CrateState : uint32_t { kClosed = 0, kOpened = 1, kRevealedEmpty = 3 };
  // The prize money of each crate before the shuffle, as fractions of the total.
  static const double kPrizeFractions[kCrateCount];

  struct Crate {
    uint32_t state = kClosed;
    uint32_t amount = 0;  // 0: empty, the devil's
    float centreX = 0, centreY = 0;
    TRect area;             // the button's rectangle widened by 20 either side, window coordinates
    uint32_t openTime = 0;  // ms since opening
    std::unique_ptr<TTextLayout, void (*)(TTextLayout*)> text{nullptr, nullptr};
    std::shared_ptr<TTexture> content;
  };

  TBonusGame();
  ~TBonusGame() override;

  static TWindow* Create();
  const char* GetClassName() const override { return "TBonusGame"; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &TBonusGame::Create || TWindow::IsKindOf(classId);
  }

  void Init(TWindowStyle& style) override;
  void PostChildrenInit(TWindowStyle& style) override;
  void Draw() override;
  bool OnAnimate() override;

  // Deals the prizes of a total and shuffles them over the crates; the sum dealt.
  double PrepareGame(double total);
  // Opens crate k (1..21) and answers its money; an opened crate only answers. A k outside
  // 1..21 opens nothing and answers 0.
  uint32_t SelectPrize(double k, bool reveal);

  // Crate k, 1-based.
  const Crate& GetCrate(uint32_t k) const { return mCrates[k - 1]; }
  TLuaParticleSystem& GetSparkle() { return mSparkle; }
  const ParticleColor& GetSparkleStart() const { return mSparkleStart; }
  const ParticleColor& GetSparkleEnd() const { return mSparkleEnd; }
  int32_t GetSparkleX() const { return mSparkleX; }
  int32_t GetSparkleY() const { return mSparkleY; }

  // The crate's look at its open time: the box's alpha and scale, the money text's scale and the
  // devil's scale.
  struct Look {
    float boxAlpha, boxScale, textScale, contentScale;
  };
  static Look LookAt(uint32_t state, uint32_t openTime);

 private:
  // SelectPrize(k, reveal): the flag is a boolean or a number (non-zero reveals).
  int ScriptSelectPrize(lua_State* L);
  void StartSparkle(const Crate& crate);
  void DrawCrate(const Crate& crate, float x0, float y0);

  std::array<Crate, kCrateCount> mCrates;
  int32_t mSparkleX = 0, mSparkleY = 0;
  // The colours outlive the particle system that reads them.
  ParticleColor mSparkleStart;
  ParticleColor mSparkleEnd;
  TLuaParticleSystem mSparkle;
  std::shared_ptr<TTexture> mClosedBox, mOpenBox, mOpenBoxMask;
  TScriptGlobals mGlobals;
};
