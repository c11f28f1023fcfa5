// LedgerWindow: the player's status board, carried from screen to screen: the week's date, the
// money counting towards its new value, the rank and its title, the money a week, the quest and
// its badge (which can flash), the map/port switch and one status panel per factory owned. One
// ledger exists at a time; the script function GrabLedger makes it on first use from
// "ui/ledger.lua" and puts it on top of the top modal window, ReleaseLedger takes it off again.
// It reads everything from the script table Player; the scripts say what changed through
// RealUpdateLedger.
//
// Each ledger has its own 50 ms task, which ends with its ledger: a ledger closed with its
// screen and a new one grabbed at once never share a task or tick twice as fast.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/base/anim_task.h"
#include "core/base/str.h"
#include "game/shell/qrn_window.h"
#include "game/shell/script_globals.h"

class DookieDropper;
class TText;

class LedgerWindow : public TQRNWindow {
 public:
  static constexpr uint32_t kTickMs = 50;
  static constexpr uint32_t kFlashMs = 1500;
  static constexpr uint32_t kFlashHalfMs = 250;
  static constexpr int kCountTicks = 20;

  class TLedgerAnimTask;

  LedgerWindow();
  ~LedgerWindow() override;

  static TWindow* Create();
  const char* GetClassName() const override { return "LedgerWindow"; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &LedgerWindow::Create || TQRNWindow::IsKindOf(classId);
  }
  // The ledger, or null.
  static LedgerWindow* Get();

  // Once its script made its children: the money shown, the money text, the panels, everything
  // filled in.
  void Bind();
  // Starts the ledger's own task.
  void StartTask();
  // One 50 ms step: money, badge, panels.
  void Tick();
  // The task stops while the program is in the background.
  void SetActive(bool active);

  // Script functions (ledger_window_script.cpp).
  void RealUpdateLedger(TStr what, TStr text);
  void SetLedgerQuestIndicator(TStr state);
  void AnimateProduction();

  // The money's text as shown: Dollars, smaller for the larger amounts.
  static TStr MoneyText(double money);
  // The money a week for the score: whole dollars, never below 0.
  static double AverageMoney(double money, double weeks);

  double GetShownMoney() const { return mShownMoney; }
  double GetTargetMoney() const { return mTargetMoney; }
  double GetMoneyStep() const { return mMoneyStep; }
  bool IsBadgeFlashing() const { return mBadgeFlashing; }
  uint32_t GetBadgeCounter() const { return mBadgeCounter; }
  const std::vector<DookieDropper*>& GetPanels() const { return mPanels; }
  TLedgerAnimTask* GetTask() const;

 private:
  struct Link;

  void ShowMoney();
  // True when the picture changed.
  bool SetBadge(const char* picture);
  void ShowWindow(const char* name, bool shown);
  void SetText(const char* name, TStr text);

  TText* mMoneyText = nullptr;
  double mShownMoney = 0.0;
  double mTargetMoney = 0.0;
  double mMoneyStep = 0.0;
  std::vector<DookieDropper*> mPanels;
  bool mBadgeFlashing = true;
  uint32_t mBadgeCounter = 0;
  std::shared_ptr<Link> mLink;
  TScriptGlobals mGlobals;
};

class LedgerWindow::TLedgerAnimTask : public TAnimTask {
 public:
  explicit TLedgerAnimTask(std::shared_ptr<LedgerWindow::Link> link);
  ~TLedgerAnimTask() override;
  // Ticks its own ledger; false once that ledger is gone.
  bool Animate() override;

 private:
  std::shared_ptr<LedgerWindow::Link> mLink;
};

// The set-up's script functions.
void GrabLedger();
void ReleaseLedger();
// The game's activation hook.
void SetLedgerActive();
// At the game's end: a ledger that no screen holds goes too.
void DestroyDetachedLedger();
