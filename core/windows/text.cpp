// TText: label translation, layout, scrolling and links.
#include "core/windows/text.h"

#include "core/base/log.h"
#include "core/base/vec2.h"
#include "core/graphics/text/text_layout.h"
#include "core/script/lua_table.h"
#include "core/windows/modal_window.h"
#include "core/windows/widget_calls.h"
#include "core/windows/window_host.h"
#include "core/windows/window_layout.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_script.h"
#include "core/windows/window_style.h"

namespace {

// Labels that are numbers are shown as they are, never looked up.
bool IsNumberText(const TStr& text) {
  for (int i = 0; i < text.Length(); i++) {
    char c = text[(unsigned)i];
    if ((c < '0' || c > '9') && c != '.') return false;
  }
  return true;
}

TStr TranslateLabel(const TStr& label) {
  TWindowManager* manager = TWindowManager::Get();
  TWindowScript* script = manager ? manager->GetScript() : nullptr;
  if (!script || !script->GetTranslateLabels() || label.IsEmpty()) return label;
  if (label[0] == '#') return label.SubStr(1);
  if (IsNumberText(label)) return label;
  return manager->GetHost().GetString(label);
}

// A rotation origin inside the window: relative values count against the window's own size.
int32_t ResolveOrigin(int32_t p, int32_t size, uint32_t alignBits) {
  int32_t s = size;
  ResolveLayoutAxis(p, s, 0, alignBits, false, false);
  return ResolveLayoutPosition(p, 0, size, false);
}

}  // namespace

TText::TText(bool renderTarget) {
  if (renderTarget) mFlags |= kWindowRenderTarget;
}

TText::~TText() { TTextLayout::Destroy(mLayout); }

TWindow* TText::GetFactory() { return new TText(false); }

TText* AsText(TWindow* window) {
  return window && window->IsKindOf(&TText::GetFactory) ? static_cast<TText*>(window) : nullptr;
}

void TText::Init(TWindowStyle& style) {
  TStr face("__DEFAULT");
  int size = 16;
  TColor colour(0, 0, 0, 1);
  if (TLuaTable* font = style.GetTable("font")) {
    face = font->GetStringAt(1, face);
    size = SaturateToInt32(font->GetNumberAt(2, size));
    colour = font->GetColorAt(3, colour);
    delete font;
  }
  if (size == 0) size = 12;
  mName = style.GetString("name", "");
  TStr label = TranslateLabel(style.GetString("label", ""));
  int32_t defFlags = style.GetInt("defflags", 0);
  int32_t flags = style.GetInt("flags", defFlags);
  int32_t padding = style.GetInt("padding", 0);
  float rotation = (float)style.GetNumber("rotation", 0);
  int32_t originX = style.GetInt("rotationOriginX", 0);
  int32_t originY = style.GetInt("rotationOriginY", 0);
  uint32_t rotationAlign = (uint32_t)style.GetInt("rotationAlign", 0);
  TWindow::Init(style);
  if (GetWidth() == 0 || GetHeight() == 0) {
    LogError("ERROR: Attempting to create text window of size(0,0): named '%s', label '%s'", mName.c_str(),
             label.c_str());
    return;
  }
  mTextFlags = (uint32_t)flags;
  TTextLayout::Destroy(mLayout);
  mLayout = TTextLayout::Create(TStr(), GetWidth(), GetHeight(), padding, face, size, colour);
  SetSize(GetWidth(), GetHeight());
  SetText(label);
  if (rotation != 0) {
    float x = (float)ResolveOrigin(originX, GetWidth(), rotationAlign & 3);
    float y = (float)ResolveOrigin(originY, GetHeight(), (rotationAlign >> 2) & 3);
    mLayout->SetRotation(rotation, x, y);
  }
}

void TText::Draw() {
  if (!mLayout) return;
  if (TWindowManager* manager = TWindowManager::Get())
    manager->GetHost().DrawTextLayout(mLayout, GetScreenRect(), mScale, (int)mTextFlags, mAlpha);
}

void TText::ScrollTo(float fraction, int32_t) {
  if (!mLayout) return;
  float position = (mScrollMargin + (float)mLayout->GetMaxScrollLine(mScale, (int)mTextFlags)) * fraction;
  if (position == (float)mLayout->GetLineCount()) return;
  mLayout->SetScrollPosition(position);
  RequestRedraw();
}

bool TText::OnMouseMove(TPoint point) {
  if (!mLayout) return false;
  TVec2 at((float)point.x, (float)point.y);
  if (!mLayout->UpdateHoverLink(&at, (int)mTextFlags)) return false;
  RequestRedraw();
  if (TWindowManager* manager = TWindowManager::Get()) manager->AddMouseTracker(this);
  return true;
}

bool TText::OnMouseLeave() {
  if (mLayout && mLayout->UpdateHoverLink(nullptr, (int)mTextFlags)) RequestRedraw();
  if (TWindowManager* manager = TWindowManager::Get()) manager->RemoveMouseTracker(this);
  return true;
}

bool TText::OnMouseDown(TPoint point) {
  if (!mLayout) return false;
  mPressedLink = mLayout->GetLinkAt(point.x, point.y, (int)mTextFlags);
  return !mPressedLink.IsEmpty();
}

bool TText::OnMouseUp(TPoint point) {
  if (!mLayout || mPressedLink.IsEmpty()) return false;
  TStr link = mPressedLink;
  mPressedLink = TStr();
  if (mLayout->GetLinkAt(point.x, point.y, (int)mTextFlags) != link) return true;
  TModalWindow* modal = GetParentModal();
  TWindow* target = modal ? modal->FindChild(link, -1) : nullptr;
  if (!target) {
    LogError("ERROR: Command window %s not found", link.c_str());
  } else if (TButtonCalls* button = AsButton(target)) {
    button->DoAction();
  } else {
    LogError("ERROR: Command window %s not a derived class of TButton", link.c_str());
  }
  return true;
}

void TText::SetText(TStr text) {
  if (!mLayout || text == mLayout->GetText()) return;
  mLayout->SetText(text);
  // Frames are drawn on demand: every change asks for one, the first text too.
  RequestRedraw();
}

void TText::GetText(TStr& text) { text = mLayout ? mLayout->GetText() : TStr(); }

TRect TText::GetTextBounds() {
  TRect bounds;
  if (mLayout) mLayout->GetBounds(bounds, 1.0f);
  return bounds;
}

void TText::SetRotation(float degrees, float originX, float originY) {
  if (mLayout) mLayout->SetRotation(degrees, originX, originY);
}

void TText::SetAlpha(float alpha) {
  mAlpha = alpha;
  RequestRedraw();
}
