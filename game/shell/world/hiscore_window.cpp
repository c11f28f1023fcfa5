// The high-score window: the request sequence (categories, then a category's scores), the rows
// and the info texts. What the server sends (names, category names, its messages) is shown as
// plain text, never read as markup.
#include "game/shell/world/hiscore_window.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/base/hiscore.h"
#include "core/base/platform.h"
#include "core/base/saturate.h"
#include "core/base/settings.h"
#include "core/graphics/text/text_layout.h"
#include "core/windows/message.h"
#include "core/windows/text.h"
#include "core/windows/widgets/image.h"
#include "core/windows/widgets/text_edit.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_script.h"
#include "game/shell/game_library.h"
#include "game/shell/qrn_string_file.h"
#include "game/shell/user_manager.h"

const char* const kPrivacyPolicyUrl = "https://www.kestrune.example/privacy";

namespace {

constexpr uint32_t kPollMs = 20;
constexpr int kTextSize = 64;      // the client's texts are cut to 63 bytes
constexpr int kMessageSize = 512;  // and its messages to 511
constexpr uint32_t kMaxCount = 999999999;

const char* const kInfoWindows[] = {
    "eligible", "eligibleasterisk", "server",    "error",    "info",       "category",
    "local",    "global",           "topplayers", "congratulations", "dnq", "yourrank",
    "yourrankglobalinfo", "rankvalue", "scrollup", "scrolldown"};

void RunScript(const char* code) {
  TWindowManager* manager = TWindowManager::Get();
  if (TWindowScript* script = manager ? manager->GetScript() : nullptr) script->DoLuaString(code);
}

void Invalidate() {
  if (TWindowManager* manager = TWindowManager::Get()) manager->Invalidate();
}

bool LocalOnly() { return GetSettingBool("hiscorelocal"); }

TStr Row(const char* format, int row) { return TStr::Format(format, row); }

// Shows the window; a text window gets the text.
void ShowText(TWindow* window, const TStr& text) {
  if (TText* t = AsText(window)) t->SetText(text);
  EnableWindowSafe(window);
}

// Money without its currency sign.
TStr Number(double amount) {
  TStr money = Dollars(amount);
  return money.SubStr(1);
}

}  // namespace

TScoreInfo ReadScoreInfo(const TStr& data) {
  TScoreInfo info;
  if (data.Length() == 0) return info;
  info.ok = true;
  info.rankLabel = TStr::Format("rank_%c", data[0u]);
  const char* text = data.c_str() + 1;
  long long count = 0;
  double amount = 0;
  if (*text == '-') {
    char* end = nullptr;
    count = strtoll(text + 1, &end, 10);
    if (*end == '-') amount = strtod(end + 1, nullptr);
  }
  // Read as a 32-bit integer taken as unsigned, so a negative count shows as the cap.
  uint32_t unsignedCount = (uint32_t)SaturateToInt32((double)count);
  info.count = Number((double)std::min(unsignedCount, kMaxCount));
  info.money = Dollars(amount > 0 ? amount : 0);  // NaN too
  return info;
}

THiscore::THiscore() {
  if (UserManager* users = UserManager::Get()) mClient = users->GetHiscores();
  mGlobals.Bind("GetState", this, &THiscore::GetState);
  mGlobals.Bind("ScoreAvailable", this, &THiscore::ScoreAvailable);
  mGlobals.Bind("UpdateText", this, &THiscore::UpdateText);
  mGlobals.Bind("LaunchPrivacyPolicy", this, &THiscore::LaunchPrivacyPolicy);
  mGlobals.Bind("SubmissionDone", this, &THiscore::SubmissionDone);
}

TWindow* THiscore::Create() { return new THiscore; }

bool THiscore::GetScreenArea(TRect* rect) const {
  if (!rect) return false;
  *rect = TRect(0, 0, 800, 600);
  return true;
}

void THiscore::PostChildrenInit(TWindowStyle& style) {
  TWindow::PostChildrenInit(style);
  SetAnimTimer(kPollMs, true, true, false);
  Refresh();
}

bool THiscore::ScoreAvailable() {
  return mClient && mClient->GetPlayerScore(0, nullptr, nullptr, nullptr, 0);
}

void THiscore::LaunchPrivacyPolicy() {
  if (TPlatform* platform = TPlatform::GetInstance()) platform->OpenUrl(kPrivacyPolicyUrl);
}

void THiscore::SubmissionDone(bool qualified) {
  mState = kWaitCategories;
  mResult = qualified ? kQualified : kNotQualified;
  if (mClient) mClient->RequestCategoryInformation();
  Refresh();
}

void THiscore::Refresh() {
  UpdateText();
  RunScript("UpdateButtons();");
}

void THiscore::ShowCategory(int32_t category) {
  int32_t count = mClient ? mClient->GetCategoryCount() : 0;
  // Without categories there is nothing to step through: the first is asked for, never -1.
  mCategory = count > 0 ? category : 0;
  if (mCategory < 0) mCategory = count - 1;
  if (count > 0 && mCategory >= count) mCategory = 0;
  mState = kWaitScores;
  if (mClient) mClient->RequestScores(mCategory);
  Refresh();
}

bool THiscore::OnMessage(TMessage* message) {
  if (message->GetType() != kButtonPress) return false;
  const TStr& name = message->GetName();
  if (name == "categoryleft") {
    ShowCategory(mCategory - 1);
    return true;
  }
  if (name == "categoryright") {
    ShowCategory(mCategory + 1);
    return true;
  }
  if (name == "view") {
    mState = kWaitCategories;
    mResult = kNoResult;
    if (mClient) mClient->RequestCategoryInformation();
    Refresh();
  } else if (name == "viewlocal") {
    mState = kLocal;
    Refresh();
  } else if (name == "scrollup") {
    mScroll -= kRows;
    UpdateText();
  } else if (name == "scrolldown") {
    mScroll += kRows;
    UpdateText();
  }
  return false;
}

bool THiscore::OnAnimate() {
  if ((mState != kWaitCategories && mState != kWaitScores) || !mClient) return true;
  char message[kMessageSize] = "";
  bool flag = false;
  int status = mClient->PollStatus(message, sizeof message, &flag);
  if (status == TKsHiscores::kPollFailed) {
    mError = message;
    mState = kFailed;
  } else if (status == TKsHiscores::kPollDone) {
    if (mState == kWaitCategories) {
      mState = kWaitScores;
      mClient->RequestScores(mCategory);
      return true;
    }
    mState = kOnline;
  } else {
    return true;
  }
  Refresh();
  Invalidate();
  return true;
}

void THiscore::FitName(TWindow* name) {
  TText* text = AsText(name);
  TTextLayout* layout = text ? text->GetLayout() : nullptr;
  if (!layout) return;
  auto fits = [&] {
    TRect bounds = text->GetTextBounds();
    return bounds.right < text->GetWidth() && bounds.top >= 0 && bounds.bottom <= text->GetHeight();
  };
  for (int size = 20; size > 1 && !fits(); size--) layout->SetFontSize(size - 1);
}

void THiscore::FillRows() {
  const bool local = mState == kLocal;
  const bool localOnly = LocalOnly();
  int count = mClient ? mClient->GetScoreCount(local) : 0;
  if (local) {
    EnableWindowSafe(FindChild(localOnly ? "topplayers" : "local"));
    mScroll = 0;
  } else {
    if (!localOnly) EnableWindowSafe(FindChild("global"));
    mScroll = std::max(std::min(mScroll, count - 5), 0);
    if (mScroll > 0) EnableWindowSafe(FindChild("scrollup"));
    if (mScroll + kRows < count) EnableWindowSafe(FindChild("scrolldown"));
  }
  const bool flags = !localOnly && !GetSettingBool("hiscoreanon");
  for (int i = 0; i < kRows && mScroll + i < count; i++) {
    int place = 0, score = 0;
    bool anonymous = false;
    char name[kTextSize] = "", data[kTextSize] = "";
    if (!mClient->GetScoreEntry(local, mScroll + i, &place, name, sizeof name, &anonymous, &score, data, sizeof data))
      continue;
    const int row = i + 1;
    if (TText* text = AsText(FindChild(Row("name%d", row)))) {
      text->SetText(EscapeMarkup(name));
      FitName(text);
      EnableWindowSafe(text);
    }
    if (TText* text = AsText(FindChild(Row("score%d", row)))) {
      text->SetText(FrameworkString("score_format", Dollars(score)));
      EnableWindowSafe(text);
    }
    if (TText* text = AsText(FindChild(Row("%d", row)))) {
      text->SetText(TStr::Format("%d.", place));
      EnableWindowSafe(text);
    }
    if (TText* text = AsText(FindChild(Row("info%d", row)))) {
      TScoreInfo info = ReadScoreInfo(data);
      text->SetText(info.ok ? FrameworkString("score_info_format", FrameworkString(info.rankLabel), info.money, info.count)
                            : TStr());
      EnableWindowSafe(text);
    }
    TWindow* flag = FindChild(Row("p1_%d", row));
    if (flag && flag->IsKindOf(&TImage::GetFactory) && !anonymous && flags) EnableWindowSafe(flag);
  }
}

void THiscore::UpdateText() {
  for (int row = 1; row <= kRows; row++)
    for (const char* format : {"name%d", "score%d", "%d", "p1_%d", "info%d"}) DisableWindowSafe(FindChild(Row(format, row)));
  for (const char* name : kInfoWindows) DisableWindowSafe(FindChild(name));

  const bool localOnly = LocalOnly();
  TWindow* panel = FindChild("rightpanel");
  TWindow* small = FindChild("rightpanelsmall");
  if (localOnly || mState != kLocal) DisableWindowSafe(panel);
  else EnableWindowSafe(panel);
  if (localOnly || mState == kLocal) DisableWindowSafe(small);
  else EnableWindowSafe(small);

  if (mState == kLocal || mState == kOnline) FillRows();
  if (mState == kLocal) {
    if (ScoreAvailable()) {
      EnableWindowSafe(FindChild("eligible"));
      EnableWindowSafe(FindChild("eligibleasterisk"));
    }
    EnableWindowSafe(FindChild("info"));
  }
  if (mState == kOnline) {
    char category[kTextSize] = "";
    if (mClient) mClient->GetCategoryName(mCategory, category, sizeof category);
    ShowText(FindChild("category"), EscapeMarkup(category));
    TWindow* globalInfo = FindChild("yourrankglobalinfo");
    EnableWindowSafe(globalInfo);
    if (mResult == kQualified || mResult == kNotQualified) {
      TWindow* shown = mResult == kQualified ? AsText(FindChild("congratulations")) : CastToText(FindChild("dnq"));
      EnableWindowSafe(shown);
      DisableWindowSafe(globalInfo);
    }
    int place = 0;
    if (mClient && mClient->GetPlayerScore(1, nullptr, &place, nullptr, 0)) {
      ShowText(FindChild("yourrank"), FrameworkString("yourrank", TStr::Format("%d", place)));
      DisableWindowSafe(globalInfo);
    }
  }
  if (mState == kWaitCategories || mState == kWaitScores) EnableWindowSafe(FindChild("server"));
  if (mState == kFailed) ShowText(FindChild("error"), EscapeMarkup(mError));
  if (localOnly)
    for (const char* name : {"info", "eligible", "eligibleasterisk"}) DisableWindowSafe(FindChild(name));
}
