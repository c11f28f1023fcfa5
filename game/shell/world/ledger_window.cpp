// The ledger: binding to its script's children, its task, the money count and the badge's flash,
// and the set-up's functions that grab and release it.
#include "game/shell/world/ledger_window.h"

#include <cmath>

#include "core/graphics/texture.h"
#include "core/windows/text.h"
#include "core/windows/widgets/image.h"
#include "core/windows/window_host.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_spider.h"
#include "game/shell/game_library.h"
#include "game/shell/world/dookie_dropper.h"
#include "game/shell/world/world_drawing.h"
#include "game/shell/world/world_script.h"

struct LedgerWindow::Link {
  LedgerWindow* ledger = nullptr;
  TLedgerAnimTask* task = nullptr;
};

namespace {

LedgerWindow* theLedger = nullptr;

constexpr const char* kBadgeComplete = "image/badge_button_indicator_complete";
constexpr const char* kBadgeIncomplete = "image/badge_button_indicator_incomplete";

// Every status panel below a window, depth-first in child order.
class DookieCollector : public TWindowSpider {
 public:
  explicit DookieCollector(std::vector<DookieDropper*>* panels) : mPanels(panels) {}
  bool Process(TWindow* window) override {
    if (window->IsKindOf(&DookieDropper::Create))
      mPanels->push_back(static_cast<DookieDropper*>(window));
    else
      window->ForEachChild(*this);
    return true;
  }

 private:
  std::vector<DookieDropper*>* mPanels;
};

void Invalidate() {
  if (TWindowManager* manager = TWindowManager::Get()) manager->Invalidate();
}

}  // namespace

LedgerWindow::TLedgerAnimTask::TLedgerAnimTask(std::shared_ptr<LedgerWindow::Link> link) : mLink(std::move(link)) {
  mLink->task = this;
}

LedgerWindow::TLedgerAnimTask::~TLedgerAnimTask() {
  if (mLink->task == this) mLink->task = nullptr;
}

bool LedgerWindow::TLedgerAnimTask::Animate() {
  if (!mLink->ledger) return false;
  mLink->ledger->Tick();
  return true;
}

LedgerWindow::LedgerWindow() : mLink(std::make_shared<Link>()) {
  mLink->ledger = this;
  theLedger = this;
  mFill = false;
  mGlobals.Bind("RealUpdateLedger", this, &LedgerWindow::RealUpdateLedger);
  mGlobals.Bind("SetLedgerQuestIndicator", this, &LedgerWindow::SetLedgerQuestIndicator);
  mGlobals.Bind("AnimateProduction", this, &LedgerWindow::AnimateProduction);
}

LedgerWindow::~LedgerWindow() {
  mLink->ledger = nullptr;
  mPanels.clear();
  if (theLedger == this) theLedger = nullptr;
}

TWindow* LedgerWindow::Create() { return new LedgerWindow; }

LedgerWindow* LedgerWindow::Get() { return theLedger; }

LedgerWindow::TLedgerAnimTask* LedgerWindow::GetTask() const { return mLink->task; }

void LedgerWindow::Bind() {
  std::unique_ptr<TLuaTable> player = GlobalTable("Player");
  mShownMoney = mTargetMoney = player ? player->GetNumber("money", 0) : 0.0;
  mMoneyText = FindChildText(this, "money", -1);
  DookieCollector collector(&mPanels);
  ForEachChild(collector);
  RealUpdateLedger("all", TStr());
  // The money shows from the start, not only once it changes.
  ShowMoney();
}

void LedgerWindow::StartTask() {
  if (mLink->task) return;
  auto* task = new TLedgerAnimTask(mLink);
  task->SetTimer(kTickMs, true, true, false);
  if (TWindowHost* host = WorldHost())
    host->GetTaskList().AddTask(task);
  else
    delete task;
}

void LedgerWindow::SetActive(bool active) {
  TLedgerAnimTask* task = mLink->task;
  if (!task) return;
  if (active)
    task->SetTimer(kTickMs, true, true, false);
  else
    task->StopTimer();
}

TStr LedgerWindow::MoneyText(double money) {
  TStr text = Dollars(money);
  if (money >= 1e11) return TStr("<font size='20'>") + text + "</font>";
  if (money >= 1e9) return TStr("<font size='22'>") + text + "</font>";
  if (money >= 1e8) return TStr("<font size='25'>") + text + "</font>";
  return text;
}

void LedgerWindow::ShowMoney() {
  if (mMoneyText) mMoneyText->SetText(MoneyText(mShownMoney));
}

void LedgerWindow::Tick() {
  bool changed = false;
  if (mTargetMoney != mShownMoney) {
    mShownMoney += mMoneyStep;
    if (mMoneyStep == 0 || (mMoneyStep > 0 && mShownMoney > mTargetMoney) ||
        (mMoneyStep < 0 && mShownMoney < mTargetMoney))
      mShownMoney = mTargetMoney;
    ShowMoney();
    changed = true;
  }
  if (mBadgeFlashing) {
    mBadgeCounter = mBadgeCounter <= kTickMs ? 0 : mBadgeCounter - kTickMs;
    changed |= SetBadge(mBadgeCounter % (2 * kFlashHalfMs) >= kFlashHalfMs ? kBadgeIncomplete : kBadgeComplete);
  }
  for (DookieDropper* panel : mPanels) {
    changed |= panel->GetAnimCounter() < DookieDropper::kRunMs;
    panel->Animate();
  }
  // Frames are drawn on demand: the flash and the panels' runs show only when they ask for one.
  if (changed) Invalidate();
}

bool LedgerWindow::SetBadge(const char* picture) {
  TWindow* badge = FindChild("ledger_questgoals", -1);
  if (!badge || !badge->IsKindOf(&TImage::GetFactory)) return false;
  TImage* image = static_cast<TImage*>(badge);
  std::shared_ptr<TTexture> texture = TTexture::Get(picture, 0);
  if (image->GetTexture() == texture) return false;
  image->SetTexture(texture, 1.0f);
  return true;
}

void LedgerWindow::ShowWindow(const char* name, bool shown) {
  if (TWindow* window = FindChild(name, -1))
    window->SetFlags(shown ? window->GetFlags() | kWindowEnabled : window->GetFlags() & ~kWindowEnabled);
}

void LedgerWindow::SetText(const char* name, TStr text) {
  if (TText* window = FindChildText(this, name, -1)) window->SetText(text);
}

double LedgerWindow::AverageMoney(double money, double weeks) {
  double average = weeks > 0 ? std::floor(money / weeks) : 0.0;
  // A loss shows as no money a week rather than wrapping round to billions.
  return average > 0 ? average : 0.0;
}

void GrabLedger() {
  TWindowManager* manager = TWindowManager::Get();
  if (!manager) return;
  LedgerWindow* ledger = LedgerWindow::Get();
  if (ledger) {
    if (TWindow* parent = ledger->GetParent()) parent->RemoveChild(ledger);
  } else {
    ledger = new LedgerWindow;
    manager->RunWindowScript(ledger, "ui/ledger.lua");
    ledger->FitToChildren();
    ledger->Bind();
    ledger->StartTask();
  }
  // With no screen to go on the ledger waits, detached, for the next grab.
  if (TWindow* top = manager->GetTopModal()) {
    top->AddChild(ledger, true);
    ledger->ChangeOrder(1);
  }
}

void ReleaseLedger() {
  LedgerWindow* ledger = LedgerWindow::Get();
  if (ledger && ledger->GetParent()) ledger->GetParent()->RemoveChild(ledger);
}

void SetLedgerActive() {
  LedgerWindow* ledger = LedgerWindow::Get();
  TWindowHost* host = WorldHost();
  if (ledger) ledger->SetActive(!host || host->IsWindowActive());
}

void DestroyDetachedLedger() {
  LedgerWindow* ledger = LedgerWindow::Get();
  if (ledger && !ledger->GetParent()) delete ledger;
}
