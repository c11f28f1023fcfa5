// The game script library's functions and shared helpers.
#include "game/shell/game_library.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/base/platform_time.h"
#include "core/base/random.h"
#include "core/base/saturate.h"
#include "core/script/lua_table.h"
#include "core/windows/layered_window.h"
#include "core/windows/text.h"
#include "core/windows/window_manager.h"
#include "game/shell/qrn_string_file.h"
#include "game/shell/window_fader.h"

namespace {

// Script numbers become integers as the binding makes them: truncated toward zero, saturated,
// NaN as 0; the library then takes them as unsigned.
uint32_t AsUnsigned(double value) { return (uint32_t)SaturateToInt32(value); }

TWindow* FindWindow(TStr name) {
  TWindowManager* manager = TWindowManager::Get();
  TWindow* root = manager ? manager->GetScreen() : nullptr;
  return root ? root->FindChild(name, -1) : nullptr;
}

bool IsLeapYear(uint32_t year) { return year % 400 == 0 || (year % 4 == 0 && year % 100 != 0); }

}  // namespace

TStr Date(double weeks) {
  uint32_t n = AsUnsigned(weeks * 7 + 171);
  uint32_t year = n / 365, day = n % 365;
  // The calendar's own year counts for February, not the year shown.
  const uint32_t lengths[12] = {31, IsLeapYear(year) ? 29u : 28u, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  uint32_t month = 0;
  while (month < 11 && day >= lengths[month]) day -= lengths[month++];
  TStr monthName = FrameworkString(TStr::Format("month_%lu", (unsigned long)month + 1));
  return FrameworkString("date_format", monthName, TStr::Format("%lu", (unsigned long)day + 1),
                         TStr::Format("%lu", (unsigned long)year + 1946));
}

uint32_t DayOfYear(double weeks) { return Mod(weeks * 7, 365); }

TStr Dollars(double amount) {
  if (!(amount <= -0.5 || amount >= 0.5) || std::isinf(amount)) return "$0";
  // Rounded here so a half goes away from zero whatever the C library's printf does.
  char digits[400];
  snprintf(digits, sizeof digits, "%.0f", std::round(std::fabs(amount)));
  std::string text = amount < 0 ? "-$" : "$";
  size_t count = strlen(digits);
  for (size_t i = 0; i < count; ++i) {
    if (i > 0 && (count - i) % 3 == 0) text += ',';
    text += digits[i];
  }
  return TStr(text.c_str());
}

uint32_t Mod(double a, double b) {
  uint32_t divisor = AsUnsigned(b);
  return divisor == 0 ? 0 : AsUnsigned(a) % divisor;
}

uint32_t RandRange(double lo, double hi) {
  return (uint32_t)RandomInRange(SaturateToInt32(lo), SaturateToInt32(hi));
}

double Floor(double x) { return std::floor(x); }
double Pow(double x, double y) { return std::pow(x, y); }

uint32_t CurrentTime() { return GetPlatformTime(); }

void SetWindowPosition(TStr name, double x, double y) {
  if (TWindow* window = FindWindow(name)) window->SetPosition(SaturateToInt32(x), SaturateToInt32(y));
}

void SetAlpha(TStr name, double alpha) {
  if (TWindow* window = FindWindow(name)) SetTreeAlpha(window, (float)(alpha / 255));
}

void FillWindow(TStr name, TStr script) { FillWindowFromScript(FindWindow(name), script); }

void SetLayeredLabel(TStr name, TStr text) {
  TWindowManager* manager = TWindowManager::Get();
  TWindow* top = manager ? manager->GetTopModal() : nullptr;
  TWindow* found = top ? top->FindChild(name, -1) : nullptr;
  if (!found || !found->IsKindOf(&TLayeredWindow::ClassId)) return;
  auto* layered = static_cast<TLayeredWindow*>(found);
  uint32_t current = layered->GetCurrentLayer();
  for (uint32_t layer = 0; layer < 4; ++layer) {
    layered->SelectLayer(layer);
    if (TText* label = CastToText(layered->FindChild(TStr::Format("label%d", (int)layer), -1))) label->SetText(text);
  }
  layered->SelectLayer(current);
}

float PointToSegmentDistanceSquared(const TVec3& a, const TVec3& b, const TVec3& c) {
  TVec3 along = b - a;
  float length = along.Length();
  TVec3 u = along;
  u.Normalize();
  float p = (c - a).Dot(u);
  // Clamped at both ends: a point behind a is nearest to a itself (a shot catches nothing
  // behind the gun).
  TVec3 q = p >= length ? b : (p <= 0.0f ? a : a + u * p);
  return (q - c).LengthSquared();
}

TVec2 TableToVec2(TLuaTable* table) {
  if (!table) return TVec2(0, 0);
  return TVec2((float)table->GetNumberAt(1, 0), (float)table->GetNumberAt(2, 0));
}

void FillWindowFromScript(TWindow* window, TStr script) {
  TWindowManager* manager = TWindowManager::Get();
  if (!window || !manager) return;
  window->DeleteChildren();
  manager->RunWindowScript(window, script);
}

TText* CastToText(TWindow* window) { return AsText(window); }
