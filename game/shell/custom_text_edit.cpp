// The game's text entry: typing sounds, initial text, width limit, the window it enables and the
// script function it calls after each character.
#include "game/shell/custom_text_edit.h"

#include "core/graphics/sound/sound.h"
#include "core/script/lua_function.h"
#include "core/windows/modal_window.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_script.h"
#include "core/windows/window_style.h"

namespace {

const char* const kTypingSounds[] = {"sfx/sfx_typing_01.ogg?group=1000", "sfx/sfx_typing_02.ogg?group=1000",
                                     "sfx/sfx_typing_03.ogg?group=1000", "sfx/sfx_typing_04.ogg?group=1000",
                                     nullptr};
// A character is refused once less room than this is left at the right.
constexpr int kMinFreeWidth = 20;
constexpr uint8_t kBackspace = 8;

}  // namespace

TCustomTextEdit::TCustomTextEdit() { mSounds.AddAssets(const_cast<const char**>(kTypingSounds)); }

TCustomTextEdit::~TCustomTextEdit() = default;

TWindow* TCustomTextEdit::Create() { return new TCustomTextEdit; }

void TCustomTextEdit::Init(TWindowStyle& style) {
  mInitialCleared = !style.GetBool("clearinitial", false);
  mEnableWindow = style.GetString("enablewindow", TStr());
  mOnKey.reset(style.GetFunction("onkey"));
  mWidthLimited = style.GetBool("widthlimited", false);
  TTextEdit::Init(style);
}

void TCustomTextEdit::ClearInitial() {
  if (mInitialCleared) return;
  mInitialCleared = true;
  SetText(TStr());
}

bool TCustomTextEdit::OnMouseUp(TPoint point) {
  if (!mInitialCleared) {
    ClearInitial();
    return true;
  }
  return TTextEdit::OnMouseUp(point);
}

bool TCustomTextEdit::OnEditEvent(int kind, uint8_t character) {
  ClearInitial();
  if (kind != kInsert) {
    if (!TTextEdit::OnEditEvent(kind, character)) return false;
    if (kind == kMove && character == kBackspace) UpdateEnableWindow(-1);
    return true;
  }
  if (mWidthLimited && GetWidth() - GetTextBounds().Width() < kMinFreeWidth) return false;
  if (!TTextEdit::OnEditEvent(kind, character)) return false;
  PlayTypingSound();
  UpdateEnableWindow(+1);
  return true;
}

void TCustomTextEdit::PlayTypingSound() {
  int n = (int)(mRandom.genrand_res53() * 4) + 1;
  TStr name = TStr::Format("sfx/sfx_typing_%02d.ogg?group=1000", n);
  // Asked only when held: a missing sound plays nothing and logs nothing at each key.
  if (!mSounds.HasAsset(name)) return;
  if (std::shared_ptr<TSound> sound = mSounds.GetSound(name)) sound->Play(false);
}

void TCustomTextEdit::UpdateEnableWindow(int delta) {
  if (mEnableWindow.IsEmpty()) return;
  // Outside a modal window (a field being built, or one moved out) there is nothing to find.
  TModalWindow* modal = GetParentModal();
  TWindow* target = modal ? modal->FindChild(mEnableWindow, -1) : nullptr;
  if (!target) return;
  TStr text;
  GetText(text);
  if (text.Length() + delta >= 1)
    EnableWindowSafe(target);
  else
    DisableWindowSafe(target);
  RequestRedraw();
}

bool TCustomTextEdit::OnChar(uint8_t character) {
  mInChar = true;
  bool handled = TTextEdit::OnChar(character);
  mInChar = false;
  RunOnKey();
  return handled;
}

bool TCustomTextEdit::OnWideChar(TStr character) {
  bool handled = TTextEdit::OnWideChar(character);
  if (!mInChar) RunOnKey();
  return handled;
}

void TCustomTextEdit::RunOnKey() {
  if (!mOnKey) return;
  TWindowManager* manager = TWindowManager::Get();
  TWindowScript* script = manager ? manager->GetScript() : nullptr;
  if (!script || script->GetState() != mOnKey->GetState()) return;
  // The running script calls it when it waits for a message; otherwise it is called here.
  mOnKey->Push();
  if (!script->OfferCall()) {
    mOnKey->Call();
    lua_pop(script->GetState(), 1);
  }
}
