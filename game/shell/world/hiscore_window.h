// THiscore: the native side of the high-score screen. The screen script lays out ten table rows
// ("name1".."name10", "score1".., "1".."10", "p1_1".., "info1"..) and the info texts; the window
// fills them from the high-score client, either from the player's local list or from the online
// tables, which it fetches category by category on its 20 ms timer, and shows the texts that
// tell the player where they stand. The screen script refreshes its buttons in UpdateButtons().
// Script type "HiscoreWindow".
#pragma once

#include <cstdint>

#include "core/base/rect.h"
#include "core/base/str.h"
#include "core/windows/window.h"
#include "game/shell/script_globals.h"

class TKsHiscores;

class THiscore : public TWindow {
 public:
  enum State : int32_t { kLocal = 0, kWaitCategories = 1, kWaitScores = 2, kOnline = 4, kFailed = 5 };
  enum Result : int32_t { kNoResult = 0, kQualified = 1, kNotQualified = 2 };
  static constexpr int kRows = 10;

  // Binds GetState, ScoreAvailable, UpdateText, LaunchPrivacyPolicy and SubmissionDone; each goes
  // back to what it named before when the window goes.
  THiscore();

  static TWindow* Create();
  const char* GetClassName() const override { return "THiscore"; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &THiscore::Create || TWindow::IsKindOf(classId);
  }

  // Starts the poll timer, fills the table and runs UpdateButtons().
  void PostChildrenInit(TWindowStyle& style) override;
  // "categoryleft", "categoryright", "view", "viewlocal", "scrollup", "scrolldown".
  bool OnMessage(TMessage* message) override;
  // Polls a pending request.
  bool OnAnimate() override;
  // The screen's area.
  virtual bool GetScreenArea(TRect* rect) const;

  // Script functions.
  int32_t GetState() { return mState; }
  bool ScoreAvailable();
  void UpdateText();
  void LaunchPrivacyPolicy();
  void SubmissionDone(bool qualified);

  int32_t GetResult() const { return mResult; }
  int32_t GetCategory() const { return mCategory; }
  int32_t GetScroll() const { return mScroll; }

 private:
  void ShowCategory(int32_t category);
  void Refresh();
  void FillRows();
  void FitName(TWindow* name);

  int32_t mState = kLocal;
  int32_t mResult = kNoResult;
  TKsHiscores* mClient = nullptr;
  TStr mError;
  int32_t mCategory = 0;
  int32_t mScroll = 0;
  TScriptGlobals mGlobals;
};

// The parts of a score's information text "c-first-second" (the rank letter, a count and an
// amount of money), as the table shows them: the string-table label of the rank ("rank_c"), the
// amount as money (below 0 taken as 0) and the count as a number with thousands separators (as
// unsigned, at most 999,999,999). Missing parts count as 0; ok is false for an empty text.
struct TScoreInfo {
  bool ok = false;
  TStr rankLabel;
  TStr money;
  TStr count;
};
TScoreInfo ReadScoreInfo(const TStr& data);

// The address of the publisher's privacy policy.
extern const char* const kPrivacyPolicyUrl;
