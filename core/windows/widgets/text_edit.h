// TTextEdit: the toolkit's one-line text entry. It keeps an edit buffer (single bytes, or UTF-8
// with the utf8 key) and a caret, shows both through the text window's markup (the caret is the
// "<cursor>" tag, blinking while the window has the focus), filters every edit through two
// overridable edit events, links the text entries of one modal window into a Tab ring, pastes,
// and posts kTextEditChanged named after itself. Script type "TextEdit".
#pragma once

#include <cstdint>
#include <list>
#include <memory>

#include "core/base/clock.h"
#include "core/windows/text.h"

class TTextEdit : public TText {
 public:
  // Edit-event kinds.
  enum : int { kInsert = 0, kMove = 1, kEnter = 2, kTab = 3, kPaste = 4, kRefused = 5 };
  typedef std::list<TTextEdit*> TabGroup;

  TTextEdit();
  // Leaves its Tab ring and its animation.
  ~TTextEdit() override;

  const char* GetClassName() const override { return "TTextEdit"; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &TTextEdit::GetFactory || TText::IsKindOf(classId);
  }
  // Creates a TTextEdit (script type "TextEdit"); the class identity.
  static TWindow* GetFactory();

  bool OnNewParent() override;
  // Keys "password", "length" (10), "ignore", "utf8", then the text window's (the label is never
  // translated).
  void Init(TWindowStyle& style) override;
  void Draw() override;
  // The caret's blink (every 200 ms once in a Tab ring).
  bool OnAnimate() override;
  bool OnChar(uint8_t character) override;
  // Typing: Backspace, Tab, Enter and characters.
  bool OnWideChar(TStr character) override;
  // Left, Right, Delete and paste (Ctrl-V, Insert).
  bool OnKeyDown(uint8_t key, uint32_t modifiers) override;
  // The buffer; the caret goes to its end.
  void SetText(TStr text) override;
  void GetText(TStr& text) override { text = mText; }

  // The edit filters: true accepts. kRefused only tells that input was turned down.
  virtual bool OnEditEvent(int kind, uint8_t character);
  virtual bool OnWideEditEvent(int kind, uint32_t codePoint);

  void SetUtf8(bool on) { mUtf8 = on; }
  void SetPassword(bool on);
  void SetIgnore(TStr ignore) { mIgnore = ignore; }
  void SetLengthLimit(uint32_t limit) { mLimit = limit; }
  uint32_t GetLengthLimit() const { return mLimit; }
  void SetEditable(bool on) { mEditable = on; }
  uint32_t GetCaret() const { return mCaret; }
  bool IsCaretShown() const { return mCaretShown; }
  const std::shared_ptr<TabGroup>& GetTabGroup() const { return mTabGroup; }
  // What the text window shows now (markup: escaped text and the caret tag).
  TStr GetDisplayText();

  // Joins the Tab ring of the modal window above it (once, and only under a modal window).
  void JoinTabGroup();
  // Shows the buffer again, with the caret while focused and in its visible phase.
  void Refresh();

 protected:
  bool RaiseEditEvent(int kind, const TStr& character);
  void PostChange();
  // Bytes of the character at a byte offset, never past the end: UTF-8 sequences in utf8 mode;
  // complete UTF-8 sequences and otherwise single bytes in byte mode.
  int CharLengthAt(const TStr& text, int offset) const;
  // Bytes of the character that ends at the caret.
  int CharLengthBeforeCaret() const;
  int CountChars(const TStr& text) const;
  // The unhandled answer of a key: taken unless Ctrl, Alt or an extended key is involved.
  static bool KeyAnswer(uint32_t modifiers) { return (modifiers & (2 | 4 | 8)) == 0; }
  bool Paste(uint32_t modifiers);

  uint32_t mLimit = 10;
  std::shared_ptr<TabGroup> mTabGroup;
  TStr mText;
  uint32_t mCaret = 0;
  bool mEditable = true;
  bool mUtf8 = false;
  bool mPassword = false;
  bool mCaretShown = false;
  TStr mIgnore;
  TClock mBlink;
};

// Text for the markup: "<" and "\" stand for themselves (for text typed or received, shown as it is).
TStr EscapeMarkup(const TStr& text);
