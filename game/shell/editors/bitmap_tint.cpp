// The tinted picture window and its script functions.
#include "game/shell/editors/bitmap_tint.h"

#include <cmath>
#include <limits>
#include <memory>

#include "core/base/log.h"
#include "core/graphics/draw_spec.h"
#include "core/graphics/texture.h"
#include "core/script/lua_bindings.h"
#include "core/windows/window_host.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_style.h"

namespace {

bool IsTable(TLuaTable* table) {
  if (!table) return false;
  lua_State* L = table->GetState();
  table->Push();
  bool is = lua_istable(L, -1);
  lua_pop(L, 1);
  return is;
}

TColor TintOf(TLuaTable* table) {
  return TColor((float)table->GetNumberAt(1, 1.0), (float)table->GetNumberAt(2, 1.0), (float)table->GetNumberAt(3, 1.0),
                (float)table->GetNumberAt(4, 1.0));
}

// A scale or offset that is no number (or none a float holds) would place the picture nowhere;
// the call keeps what can be kept (the picture at its own size, the offsets as they were).
bool FitsFloat(double v) { return std::isfinite(v) && std::fabs(v) <= (double)std::numeric_limits<float>::max(); }

void BTSetBitmap(TStr name, TStr image, double scale) {
  TBitmapTint* window = FindBitmapTint(name);
  if (!window) return;
  if (!FitsFloat(scale)) {
    LogPrintf("BTSetBitmap: '%s' gets '%s' at its own size, not at scale %g", name.c_str(), image.c_str(), scale);
    scale = 1.0;
  }
  window->SetBitmap(image, (float)scale);
}
void BTSetTint(TStr name, TLuaTable* tint) {
  if (TBitmapTint* window = FindBitmapTint(name)) window->SetTintFromTable(tint);
}
void BTSetOffset(TStr name, double x, double y) {
  TBitmapTint* window = FindBitmapTint(name);
  if (!window) return;
  if (!FitsFloat(x) || !FitsFloat(y)) {
    LogPrintf("BTSetOffset: '%s' keeps its offset; (%g, %g) is not a place", name.c_str(), x, y);
    return;
  }
  window->SetOffset((float)x, (float)y);
}
void BTSetFlip(TStr name, bool on) {
  if (TBitmapTint* window = FindBitmapTint(name)) window->SetHFlip(on);
}

char kRegistered;  // its address marks, in a script's registry, that the script has them

// The functions find their window by name, so one set serves every window; a new script (a new
// window manager) gets its own.
void RegisterFunctions() {
  TWindowManager* manager = TWindowManager::Get();
  lua_State* L = manager ? manager->GetScriptState() : nullptr;
  if (!L) return;
  lua_pushlightuserdata(L, &kRegistered);
  lua_rawget(L, LUA_REGISTRYINDEX);
  bool registered = !lua_isnil(L, -1);
  lua_pop(L, 1);
  if (registered) return;
  lua_pushlightuserdata(L, &kRegistered);
  lua_pushboolean(L, 1);
  lua_rawset(L, LUA_REGISTRYINDEX);
  RegisterLuaFunction(L, "BTSetBitmap", &BTSetBitmap);
  RegisterLuaFunction(L, "BTSetTint", &BTSetTint);
  RegisterLuaFunction(L, "BTSetOffset", &BTSetOffset);
  RegisterLuaFunction(L, "BTSetFlip", &BTSetFlip);
}

}  // namespace

TBitmapTint* FindBitmapTint(const TStr& name) {
  TWindowManager* manager = TWindowManager::Get();
  TWindow* top = manager ? manager->GetTopModal() : nullptr;
  TWindow* found = top ? top->FindChild(name, -1) : nullptr;
  return found && found->IsKindOf(&TBitmapTint::GetFactory) ? static_cast<TBitmapTint*>(found) : nullptr;
}

TBitmapTint::TBitmapTint() : TImage(false) { RegisterFunctions(); }

TWindow* TBitmapTint::GetFactory() { return new TBitmapTint; }

void TBitmapTint::Init(TWindowStyle& style) {
  // The picture window's own keys ("image", "mask", "scale", "alpha", "mipmap") have loaded the
  // picture and sized the window to it.
  TImage::Init(style);
  if (std::unique_ptr<TLuaTable> tint{style.GetTable("tint")}) mTint = TintOf(tint.get());
  mOffsetX = (float)style.GetNumber("dx", kCentre);
  mOffsetY = (float)style.GetNumber("dy", kCentre);
  mHFlip = style.GetBool("hflip", false);
  SizeToTexture();
  int32_t w = style.GetInt("w", -1), h = style.GetInt("h", -1);
  if (w > 0 && h > 0) SetSize(w, h);
  TRect screen = GetScreenRect();
  mBaseWidth = screen.right - screen.left;
  mBaseHeight = screen.bottom - screen.top;
}

void TBitmapTint::SetBitmap(TStr image, float scale) {
  SetTexture(TTexture::Get(image, 0), scale);
  SetSize(mBaseWidth, mBaseHeight);
}

void TBitmapTint::SetTintFromTable(TLuaTable* table) {
  if (IsTable(table)) SetTint(TintOf(table));
}

void TBitmapTint::SetTint(const TColor& tint) {
  mTint = tint;
  RequestRedraw();
}

void TBitmapTint::SetOffset(float x, float y) {
  mOffsetX = x;
  mOffsetY = y;
  RequestRedraw();
}

void TBitmapTint::SetHFlip(bool on) {
  mHFlip = on;
  RequestRedraw();
}

void TBitmapTint::Draw() {
  std::shared_ptr<TTexture> texture = GetTexture();
  TWindowManager* manager = TWindowManager::Get();
  if (!texture || !manager) return;
  const float s = GetScale();
  float x = mOffsetX == kCentre ? (float)GetWidth() / 2.0f : mOffsetX * s;
  float y = mOffsetY == kCentre ? (float)GetHeight() / 2.0f : mOffsetY * s;
  TRect screen = GetScreenRect();
  // The tint's alpha is part of the colour multiplied in; the spec carries it apart.
  TDrawSpec spec(TVec2((float)screen.left + x, (float)screen.top + y), mTint.a, s, 0);
  spec.mColor = mTint;
  if (mHFlip) spec.mFlags |= TDrawSpec::kFlipHorizontal;
  manager->GetHost().DrawTexture(texture, spec);
}
