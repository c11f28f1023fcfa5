// TTextEdit: the buffer and caret, the edit filters, typing, editing keys, paste, the blinking
// caret and the Tab ring.
//
// Characters: in utf8 mode the buffer is UTF-8 and the caret moves by whole sequences. In byte
// mode a code-page platform delivers 8-bit bytes, each a character of its own, while a UTF-8
// platform delivers whole sequences: a complete, well-formed sequence is one character there
// too, any other byte is its own, so the caret never splits what was typed as one character
// and never passes a neighbour or the end. What is shown goes through the markup with "<" and
// "\" escaped, so typed text is never read as a tag.
#include "core/windows/widgets/text_edit.h"

#include <algorithm>

#include "core/base/hiscore.h"
#include "core/graphics/text/font_cache.h"
#include "core/graphics/text/text_layout.h"
#include "core/graphics/text/vector_font.h"
#include "core/windows/message.h"
#include "core/windows/modal_window.h"
#include "core/windows/window_host.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_script.h"
#include "core/windows/window_spider.h"
#include "core/windows/window_style.h"

namespace {

TWindowManager* Manager() { return TWindowManager::Get(); }

// True when the n bytes at offset are a lead of 0xC2..0xF4 and n-1 continuation bytes: a
// code-page byte of 0x80 or more next to ordinary text never passes for one.
bool CompleteSequence(const TStr& text, int offset, int n) {
  unsigned char lead = (unsigned char)text[(unsigned)offset];
  if (n < 2 || lead < 0xC2 || lead > 0xF4 || text.Length() - offset < n) return false;
  for (int i = 1; i < n; i++)
    if (((unsigned char)text[(unsigned)(offset + i)] & 0xC0) != 0x80) return false;
  return true;
}

// Framework key codes (the key byte read as signed).
constexpr int8_t kKeyLeft = -126;
constexpr int8_t kKeyRight = -125;
constexpr int8_t kKeyInsert = -124;
constexpr int8_t kKeyDelete = -1;

constexpr uint32_t kBlinkCycle = 800;
constexpr uint32_t kBlinkHidden = 400;  // the caret is hidden while the cycle is at or below it

// Finds the first other text entry under a modal window that is already in a Tab ring, depth
// first in child order.
class TextSpider : public TWindowSpider {
 public:
  explicit TextSpider(TTextEdit* seeker) : mSeeker(seeker) {}
  bool Process(TWindow* window) override {
    if (window != mSeeker && window->IsKindOf(&TTextEdit::GetFactory)) {
      TTextEdit* edit = static_cast<TTextEdit*>(window);
      // An entry that has not found its ring yet has none to share: the walk goes on.
      if (edit->GetTabGroup()) {
        mFound = edit;
        return false;
      }
    }
    window->ForEachChild(*this);
    return mFound == nullptr;
  }
  TTextEdit* mFound = nullptr;

 private:
  TTextEdit* mSeeker;
};

}  // namespace

// Text for the markup: "<" and "\" stand for themselves.
TStr EscapeMarkup(const TStr& text) {
  TStr out;
  for (int i = 0; i < text.Length(); i++) {
    char c = text[(unsigned)i];
    if (c == '<' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

TTextEdit::TTextEdit() : TText(false) {
  mFlags |= kWindowFocusable;
  mBlink.Reset();
  mBlink.Start();
}

TTextEdit::~TTextEdit() {
  if (mTabGroup) mTabGroup->remove(this);
  mTabGroup.reset();
  DetachAnim();
}

TWindow* TTextEdit::GetFactory() { return new TTextEdit(); }

// Characters.

int TTextEdit::CharLengthAt(const TStr& text, int offset) const {
  int left = text.Length() - offset;
  if (left <= 0) return 0;
  int n = Utf8CharLength((unsigned char)text[(unsigned)offset]);
  if (mUtf8) return std::clamp(n, 1, left);
  return CompleteSequence(text, offset, n) ? n : 1;
}

int TTextEdit::CharLengthBeforeCaret() const {
  int caret = std::min((int)mCaret, mText.Length());
  int offset = 0, step = 0;
  while (offset < caret) {
    step = CharLengthAt(mText, offset);
    offset += step;
  }
  return std::min(step, caret);
}

int TTextEdit::CountChars(const TStr& text) const {
  int count = 0;
  for (int i = 0; i < text.Length(); i += CharLengthAt(text, i)) count++;
  return count;
}

// Display.

TStr TTextEdit::GetDisplayText() {
  TStr shown = mText;
  if (mPassword) {
    shown = TStr();
    for (int i = 0; i < mText.Length(); i++) shown += '*';
  }
  TWindowManager* manager = Manager();
  if (!manager || manager->GetFocus() != this) return EscapeMarkup(shown);
  if (mBlink.GetTime() % kBlinkCycle <= kBlinkHidden) {
    if (mCaretShown) {
      mCaretShown = false;
      manager->Invalidate();
    }
    return EscapeMarkup(shown);
  }
  if (!mCaretShown) {
    mCaretShown = true;
    manager->Invalidate();
  }
  int caret = std::min((int)mCaret, shown.Length());
  return EscapeMarkup(shown.SubStr(0, caret)) + (mEditable ? "<cursor>" : "") + EscapeMarkup(shown.SubStr(caret));
}

void TTextEdit::Refresh() { TText::SetText(GetDisplayText()); }

void TTextEdit::SetText(TStr text) {
  mText = text;
  mCaret = (uint32_t)mText.Length();
  Refresh();
}

void TTextEdit::SetPassword(bool on) {
  mPassword = on;
  Refresh();
}

void TTextEdit::PostChange() {
  if (TWindowManager* manager = Manager()) manager->PostMessage(new TMessage(kTextEditChanged, mName));
}

// Creation and the Tab ring.

bool TTextEdit::OnNewParent() {
  JoinTabGroup();
  return true;
}

void TTextEdit::Init(TWindowStyle& style) {
  bool password = style.GetBool("password", false);
  int32_t limit = style.GetInt("length", 10);
  TStr ignore = style.GetString("ignore", "");
  bool utf8 = style.GetBool("utf8", false);
  JoinTabGroup();
  SetUtf8(utf8);
  TWindowManager* manager = Manager();
  TWindowScript* script = manager ? manager->GetScript() : nullptr;
  bool translate = script && script->SetTranslateLabels(false);
  if (password) SetPassword(true);
  TText::Init(style);
  if (script) script->SetTranslateLabels(translate);
  mLimit = (uint32_t)std::max(limit, 0);
  SetIgnore(ignore);
}

void TTextEdit::JoinTabGroup() {
  TModalWindow* modal = GetParentModal();
  if (mTabGroup || !modal) return;
  SetAnimTimer(200, true, true, false);
  TextSpider spider(this);
  modal->ForEachChild(spider);
  if (spider.mFound) {
    mTabGroup = spider.mFound->GetTabGroup();
    mTabGroup->push_back(this);
  } else {
    mTabGroup = std::make_shared<TabGroup>(TabGroup{this});
  }
}

void TTextEdit::Draw() {
  JoinTabGroup();
  TText::Draw();
}

bool TTextEdit::OnAnimate() {
  Refresh();
  return true;
}

// Edit filters.

bool TTextEdit::OnWideEditEvent(int kind, uint32_t codePoint) {
  bool refused = false;
  if (kind == kInsert) {
    TFontCache& fonts = TFontCache::Get();
    TVectorFont* font = mLayout ? fonts.GetFont(mLayout->GetFontName()) : nullptr;
    TVectorFont* fallback = fonts.GetFont(TFontCache::kDefaultFile);
    if (mUtf8 && (uint32_t)CountChars(mText) >= mLimit)
      refused = true;
    else if (!font || font->FindGlyph(codePoint) >= 0)
      refused = false;
    else
      refused = !fallback || fallback->FindGlyph(codePoint) < 0;
  }
  if (refused) {
    if (codePoint >= 0x80)
      OnWideEditEvent(kRefused, codePoint);
    else
      OnEditEvent(kRefused, (uint8_t)codePoint);
    return false;
  }
  return OnEditEvent(kind, codePoint < 0x80 ? (uint8_t)codePoint : 0x20);
}

bool TTextEdit::OnEditEvent(int kind, uint8_t character) {
  switch (kind) {
    case kInsert:
      if (mUtf8 || (uint32_t)mText.Length() + 1 < mLimit) return true;
      OnEditEvent(kRefused, character);
      return false;
    case kMove:
    case kPaste:
      return true;
    default:
      return false;
  }
}

bool TTextEdit::RaiseEditEvent(int kind, const TStr& character) {
  // A byte that starts no UTF-8 sequence (an 8-bit character in byte mode) is its own code.
  uint32_t code = Utf8DecodeChar(character.c_str());
  if (code == 0) code = (unsigned char)character[0];
  return OnWideEditEvent(kind, code);
}

// Typing.

bool TTextEdit::OnChar(uint8_t character) { return OnWideChar(TStr((const char*)&character, 1)); }

bool TTextEdit::OnWideChar(TStr character) {
  if (!mEditable || character.IsEmpty()) return false;
  int8_t c = (int8_t)character[0];
  mCaret = std::min(mCaret, (uint32_t)mText.Length());
  if (c == 8) {
    if (mCaret == 0) {
      if (!RaiseEditEvent(kRefused, character)) return false;
      PostChange();
      return true;
    }
    if (!OnEditEvent(kMove, (uint8_t)c)) return false;
    int n = CharLengthBeforeCaret();
    mText.Erase((int)mCaret - n, n);
    mCaret -= (uint32_t)n;
    Refresh();
    PostChange();
    return true;
  }
  if (c == 9) {
    if (RaiseEditEvent(kTab, character)) {
      PostChange();
      return true;
    }
    if (mTabGroup && !mTabGroup->empty()) {
      auto it = std::find(mTabGroup->begin(), mTabGroup->end(), this);
      if (it != mTabGroup->end()) {
        ++it;
        TTextEdit* next = it == mTabGroup->end() ? mTabGroup->front() : *it;
        if (TWindowManager* manager = Manager()) manager->SetFocus(next);
      }
    }
    return false;
  }
  if (c == 13) {
    if (!RaiseEditEvent(kEnter, character)) return false;
    PostChange();
    return true;
  }
  if (c >= 0 && c < 32) return false;
  if (c < 0 && !mPassword && !mUtf8) return false;
  if (!mIgnore.IsEmpty() && mIgnore.Find(character) >= 0) {
    PostChange();
    return true;
  }
  if (!RaiseEditEvent(kInsert, character)) return false;
  mText = mText.SubStr(0, (int)mCaret) + character + mText.SubStr((int)mCaret);
  mCaret += (uint32_t)character.Length();
  Refresh();
  PostChange();
  return true;
}

// Editing keys.

bool TTextEdit::OnKeyDown(uint8_t key, uint32_t modifiers) {
  JoinTabGroup();
  int8_t k = (int8_t)key;
  mCaret = std::min(mCaret, (uint32_t)mText.Length());
  bool atEnd = mCaret >= (uint32_t)mText.Length();
  if (k == kKeyLeft) {
    if (mCaret == 0) {
      OnEditEvent(kRefused, key);
      return true;
    }
    if (OnEditEvent(kMove, key)) {
      mCaret -= (uint32_t)CharLengthBeforeCaret();
      Refresh();
      return true;
    }
    return KeyAnswer(modifiers);
  }
  if (k == kKeyRight) {
    if (atEnd) {
      OnEditEvent(kRefused, key);
      return true;
    }
    if (OnEditEvent(kMove, key)) {
      mCaret += (uint32_t)CharLengthAt(mText, (int)mCaret);
      Refresh();
      return true;
    }
    return KeyAnswer(modifiers);
  }
  if (k == kKeyDelete) {
    if (atEnd) {
      OnEditEvent(kRefused, key);
      return true;
    }
    mText.Erase((int)mCaret, CharLengthAt(mText, (int)mCaret));
    Refresh();
    return true;
  }
  if (k >= 0x5B) return false;
  if ((k == 'V' && (modifiers & 2)) || k == kKeyInsert) return Paste(modifiers);
  return KeyAnswer(modifiers);
}

bool TTextEdit::Paste(uint32_t modifiers) {
  if (!OnWideEditEvent(kPaste, 0)) return KeyAnswer(modifiers);
  TWindowManager* manager = Manager();
  TStr pasted = manager ? manager->GetHost().GetClipboardText() : TStr();
  if (pasted.IsEmpty() || (!mUtf8 && !IsSingleByteText(pasted.c_str()))) return KeyAnswer(modifiers);
  int end = 0;
  for (uint32_t count = 0; end < pasted.Length() && count < mLimit; count++) end += CharLengthAt(pasted, end);
  pasted = pasted.SubStr(0, end);
  for (int i = 0; i < mIgnore.Length();) {
    int n = CharLengthAt(mIgnore, i);
    pasted.Replace(mIgnore.SubStr(i, n), TStr(), TStr::kReplaceAll);
    i += n;
  }
  TStr kept;
  for (int i = 0; i < pasted.Length(); i++)
    if ((unsigned char)pasted[(unsigned)i] >= 0x20) kept += pasted[(unsigned)i];
  SetText(TStr());
  if (!kept.IsEmpty()) {
    OnWideEditEvent(kInsert, 0x20);
    SetText(kept);
  }
  return true;
}
