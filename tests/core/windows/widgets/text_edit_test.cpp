// Text entry: typing and editing keys in byte and UTF-8 modes, the edit filter's refusals, paste,
// the blinking caret, what the markup is given, and the Tab ring of a dialog.
#include "core/windows/widgets/text_edit.h"

#include "core/base/crt_rand.h"

#include "tests/core/windows/widgets/widget_test_support.h"

namespace {

using widget_test::WidgetTest;

// Counts the refusals the filters raise, as the game's own entry does with a sound (every
// refusal ends in the 8-bit filter, wide ones passing through the wide filter first).
class RecordingEdit : public TTextEdit {
 public:
  static TWindow* Factory() { return new RecordingEdit(); }
  bool OnEditEvent(int kind, uint8_t character) override {
    if (kind == kRefused) refusals++;
    return TTextEdit::OnEditEvent(kind, character);
  }
  int refusals = 0;
};

class TextEditTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    manager->RegisterWindowClass("RecEdit", &RecordingEdit::Factory);
    PushDialog();
    StartMessageLog();
  }
  RecordingEdit* MakeEdit(const std::string& keys, const char* name = "e") {
    Make(std::string("RecEdit { name = '") + name + "', w = 200, h = 20, " + keys + " }");
    RecordingEdit* edit = static_cast<RecordingEdit*>(Find(name));
    manager->SetFocus(edit);
    return edit;
  }
  // Plays a key sequence: "<L>" Left, "<R>" Right, "<D>" Delete, "<B>" Backspace, "<T>" Tab,
  // "<E>" Enter, "<V>" Ctrl-V; anything else is typed, as 8-bit characters or, with `wide`,
  // as code points.
  void Play(const std::string& keys, bool wide) {
    static const std::pair<const char*, int> kKeys[] = {{"<L>", -126}, {"<R>", -125}, {"<D>", -1}};
    for (size_t i = 0; i < keys.size();) {
      std::string token = keys.substr(i, 3);
      bool done = false;
      for (auto [name, key] : kKeys)
        if (token == name) {
          Send(kEventKeyDown, key & 0xFF, 0, 0, kModExtended);
          done = true;
        }
      if (token == "<V>") Send(kEventKeyDown, 'V', 0, 0, kModCtrl), done = true;
      if (token == "<B>") Send(kEventChar, 8), done = true;
      if (token == "<T>") Send(kEventChar, 9), done = true;
      if (token == "<E>") Send(kEventChar, 13), done = true;
      if (done) {
        i += 3;
        continue;
      }
      if (!wide) {
        Send(kEventChar, (unsigned char)keys[i++]);
        continue;
      }
      int n = Utf8CharLength((unsigned char)keys[i]);
      Send(kEventWideChar, (int32_t)Utf8DecodeChar(keys.c_str() + i));
      i += n ? n : 1;
    }
  }
  std::string Text(TTextEdit* edit) {
    TStr text;
    edit->GetText(text);
    return text.c_str();
  }
};

TEST_F(TextEditTest, KeySequencesInByteAndUtf8Modes) {
  struct Case {
    const char* keys;  // creation keys
    bool wide;
    std::string typed, text;
    uint32_t caret;
  } cases[] = {
      {"", false, "abc<L><L>x", "axbc", 2},
      {"", false, "abc<L><B><B>", "c", 0},
      {"", false, "abc<L><L><L><D><R><R><R>", "bc", 2},
      {"", false, "ab\tc\x01\x1b", "abc", 3},                 // control characters are ignored
      {"", false, "a\xe9z", "az", 2},                         // 8-bit bytes only in password mode
      {"password = true", false, "\xe9" "ab<L><L><B>", "ab", 0},  // one byte, one character
      {"password = true", false, "\xe9\xe9<L><D>", "\xe9", 1},
      {"utf8 = true", true, "a\xc3\xa9z<L><B>", "az", 1},    // two bytes go as one
      {"utf8 = true", true, "\xe2\x82\xac<L><R>x", "\xe2\x82\xacx", 4},
      {"utf8 = true", true, "ab<L><L><L><B><R><R><R><D>", "ab", 2},
      {"ignore = 'xy'", false, "axbyc", "abc", 3},
      {"length = 4", false, "abcde", "abc", 3},               // a limit of 4 admits 3 bytes
      {"utf8 = true, length = 4", true, "\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9", "\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9", 8},
  };
  for (const Case& c : cases) {
    RecordingEdit* edit = MakeEdit(c.keys);
    Play(c.typed, c.wide);
    EXPECT_EQ(Text(edit), c.text) << c.keys << " " << c.typed;
    EXPECT_EQ(edit->GetCaret(), c.caret) << c.keys << " " << c.typed;
    Run("DestroyWindow('e')");
    Idle();
  }
}

// Long random runs of typing and editing keys against a plain model of the buffer: characters
// of one, two and three bytes, control characters, the arrows, Delete and Backspace, up to the
// length limit.
TEST_F(TextEditTest, RandomEditingMatchesAModelInBothModes) {
  const std::vector<std::string> characters = {"a", "Z", "~", " ", "\xc3\xa9", "\xe2\x82\xac", "\x01", "\xe9"};
  // Byte mode, byte mode with password (8-bit bytes are characters then), utf8 mode.
  for (int mode = 0; mode < 3; mode++) {
    bool utf8 = mode == 2, password = mode == 1;
    OrvellaSrand(mode + 3);
    RecordingEdit* edit = MakeEdit(utf8 ? "utf8 = true, length = 12" : password ? "password = true, length = 12" : "length = 12");
    std::vector<std::string> model;  // one entry a character
    size_t caret = 0;                 // in characters
    for (int step = 0; step < 3000; step++) {
      int pick = OrvellaRand() % 12;
      if (pick < 8) {
        const std::string& c = characters[pick];
        // In utf8 mode each entry is typed as one code point (a lone byte as its own code, so
        // 0xE9 is "é"); in byte mode byte by byte, where 8-bit bytes are refused.
        std::string inserted = c;
        bool accepted;
        if (utf8) {
          uint32_t code = c.size() > 1 ? Utf8DecodeChar(c.c_str()) : (unsigned char)c[0];
          char bytes[4];
          inserted.assign(bytes, (size_t)Utf8EncodeChar(code, bytes));
          accepted = code >= 0x20;
          Send(kEventWideChar, (int32_t)code);
        } else if (password) {
          if (c.size() > 1) continue;  // only bytes that are characters of the font here
          accepted = (unsigned char)c[0] >= 0x20;
          Send(kEventChar, (unsigned char)c[0]);
        } else {
          accepted = c.size() == 1 && (unsigned char)c[0] >= 0x20 && (unsigned char)c[0] < 0x80;
          for (char b : c) Send(kEventChar, (unsigned char)b);
        }
        size_t bytes = 0;
        for (const std::string& m : model) bytes += m.size();
        bool room = utf8 ? model.size() < 12 : bytes + 1 < 12;
        if (accepted && room) model.insert(model.begin() + caret++, inserted);
      } else if (pick == 8 && caret > 0) {
        Send(kEventKeyDown, 0x82, 0, 0, kModExtended), caret--;
      } else if (pick == 9 && caret < model.size()) {
        Send(kEventKeyDown, 0x83, 0, 0, kModExtended), caret++;
      } else if (pick == 10 && caret < model.size()) {
        Send(kEventKeyDown, 0xFF, 0, 0, kModExtended), model.erase(model.begin() + caret);
      } else if (pick == 11 && caret > 0) {
        Send(kEventChar, 8), model.erase(model.begin() + --caret);
      }
      std::string text, before;
      for (size_t i = 0; i < model.size(); i++) {
        text += model[i];
        if (i < caret) before += model[i];
      }
      ASSERT_EQ(Text(edit), text) << "mode " << mode << " step " << step;
      ASSERT_EQ(edit->GetCaret(), before.size()) << "mode " << mode << " step " << step;
    }
    Run("DestroyWindow('e')");
    Idle();
  }
}

TEST_F(TextEditTest, EdgesOfTheTextRaiseRefusals) {
  RecordingEdit* edit = MakeEdit("");
  struct Case {
    const char* name;
    int type, key, modifiers;
    bool answer;
  } atStart[] = {{"backspace", kEventChar, 8, 0, false}, {"left", kEventKeyDown, 0x82, kModExtended, true}},
    atEnd[] = {{"right", kEventKeyDown, 0x83, kModExtended, true}, {"delete", kEventKeyDown, 0xFF, kModExtended, true}};
  auto expect = [&](const Case& c) {
    edit->refusals = 0;
    TPlatformEvent e;
    e.type = c.type;
    e.param = c.key;
    e.modifiers = c.modifiers;
    EXPECT_EQ(edit->HandleEvent(e, false), c.answer) << c.name;
    EXPECT_EQ(edit->refusals, 1) << c.name;
  };
  for (const Case& c : atStart) expect(c);
  Play("ab", false);
  for (const Case& c : atEnd) expect(c);
  EXPECT_EQ(Text(edit), "ab");
  // Enter and Tab are refused by this class: nothing is posted for them.
  Messages();
  EXPECT_FALSE(edit->OnChar(13));
  Idle();
  EXPECT_EQ(Messages(), std::vector<std::string>{});
}

TEST_F(TextEditTest, LimitsInBothModesAndPastes) {
  RecordingEdit* bytes = MakeEdit("", "bytes");
  Play("0123456789", false);
  EXPECT_EQ(Text(bytes), "012345678");
  EXPECT_EQ(bytes->refusals, 1);
  RecordingEdit* wide = MakeEdit("utf8 = true", "wide");
  Play("0123456789A", true);
  EXPECT_EQ(Text(wide), "0123456789");
  EXPECT_EQ(wide->refusals, 2);  // the wide character, then the window tree's one-byte retry
  // A paste replaces the whole text and keeps ten characters in both modes.
  host.clipboard = "abcdefghijklmn";
  for (TTextEdit* edit : {(TTextEdit*)bytes, (TTextEdit*)wide}) {
    manager->SetFocus(edit);
    Play("<V>", false);
    EXPECT_EQ(Text(edit), "abcdefghij");
    EXPECT_EQ(edit->GetCaret(), 10u);
  }
  // Ignored characters and control bytes are stripped; outside utf8 mode a paste of multi-byte
  // text is dropped, and Insert pastes too.
  host.clipboard = "a-b\tc-";
  RecordingEdit* ignoring = MakeEdit("ignore = '-'", "ignoring");
  Send(kEventKeyDown, 0x84, 0, 0, kModExtended);
  EXPECT_EQ(Text(ignoring), "abc");
  host.clipboard = "\xc3\xa9t\xc3\xa9";
  manager->SetFocus(bytes);
  Play("<V>", false);
  EXPECT_EQ(Text(bytes), "abcdefghij");
  manager->SetFocus(wide);
  Play("<V>", false);
  EXPECT_EQ(Text(wide), "\xc3\xa9t\xc3\xa9");
  // An empty clipboard leaves the text; Ctrl-V is then not taken.
  host.clipboard.clear();
  EXPECT_FALSE(wide->OnKeyDown('V', kModCtrl));
  EXPECT_EQ(Text(wide), "\xc3\xa9t\xc3\xa9");
}

TEST_F(TextEditTest, CharactersWithoutAGlyphAreRefused) {
  RecordingEdit* edit = MakeEdit("utf8 = true");
  Play("a\xe4\xb8\xad" "b", true);  // U+4E2D is in neither the layout's font nor the default font
  EXPECT_EQ(Text(edit), "ab");
  EXPECT_EQ(edit->refusals, 1);
}

TEST_F(TextEditTest, ChangesAndIgnoredCharactersAreReported) {
  RecordingEdit* edit = MakeEdit("ignore = '#'");
  Play("a#<B>", false);
  Idle();
  EXPECT_EQ(Text(edit), "");
  EXPECT_EQ(Messages(), (std::vector<std::string>{"7:e", "7:e", "7:e"}));
  Play("<L><D>", false);  // nothing to move or delete: no message either
  Idle();
  EXPECT_EQ(Messages(), std::vector<std::string>{});
}

TEST_F(TextEditTest, DisplayEscapesTheTextAndBlinksTheCaret) {
  RecordingEdit* edit = MakeEdit("");
  Play("<\\<", false);
  Play("<L>", false);
  // Hidden for the first 401 ms of every 800 ms cycle, counted from the edit's creation.
  struct Case {
    uint32_t at;
    const char* shown;
  } cases[] = {{0, "\\<\\\\\\<"}, {400, "\\<\\\\\\<"}, {401, "\\<\\\\<cursor>\\<"}, {799, "\\<\\\\<cursor>\\<"},
               {800, "\\<\\\\\\<"}, {1201, "\\<\\\\<cursor>\\<"}};
  uint32_t now = 0;
  for (const Case& c : cases) {
    Advance(c.at - now);
    now = c.at;
    EXPECT_EQ(std::string(edit->GetDisplayText().c_str()), c.shown) << c.at;
  }
  // The blink redraws through the edit's 200 ms animation.
  edit->Refresh();
  TStr laid;
  edit->TText::GetText(laid);
  EXPECT_EQ(std::string(laid.c_str()), "\\<\\\\<cursor>\\<");
  // A typed "<cursor>" is text, not a caret; unfocused there is no caret at all.
  Run("DestroyWindow('e')");
  Idle();
  edit = MakeEdit("length = 20");
  Play("<cursor>", false);
  manager->SetFocus(nullptr);
  EXPECT_EQ(std::string(edit->GetDisplayText().c_str()), "\\<cursor>");
  edit->SetPassword(true);
  manager->SetFocus(edit);
  Advance(500);
  EXPECT_EQ(std::string(edit->GetDisplayText().c_str()).find("<cursor>"), 8u);
}

TEST_F(TextEditTest, PasswordShowsOneStarPerByte) {
  RecordingEdit* edit = MakeEdit("password = true, utf8 = true");
  Play("a\xc3\xa9", true);
  manager->SetFocus(nullptr);
  EXPECT_EQ(std::string(edit->GetDisplayText().c_str()), "***");
}

// A byte-mode password field on a platform that sends UTF-8: each typed sequence is stored
// whole, the caret steps over it and Backspace takes it back whole; the stars count bytes.
TEST_F(TextEditTest, PasswordFieldKeepsUtf8SequencesWhole) {
  struct Case {
    std::string typed, text;
    uint32_t caret;
    const char* shown;
  } cases[] = {
      {"\xc3\xa9x", "\xc3\xa9x", 3, "***"},
      {"\xc3\xa9<B>", "", 0, ""},
      {"a\xe2\x82\xac<B>b", "ab", 2, "**"},
      {"\xc3\xa9x<L><L>y", "y\xc3\xa9x", 1, "****"},
      {"\xc3\xa9x<L><L><D>", "x", 0, "*"},
      {"\xe2\x82\xac<L>a<R><B>", "a", 1, "*"},
  };
  for (const Case& c : cases) {
    RecordingEdit* edit = MakeEdit("password = true");
    Play(c.typed, true);
    EXPECT_EQ(Text(edit), c.text) << c.typed;
    EXPECT_EQ(edit->GetCaret(), c.caret) << c.typed;
    manager->SetFocus(nullptr);
    EXPECT_EQ(std::string(edit->GetDisplayText().c_str()), c.shown) << c.typed;
    Run("DestroyWindow('e')");
    Idle();
  }
}

TEST_F(TextEditTest, TabCyclesTheDialogsEntriesInJoiningOrder) {
  Make("RecEdit { name = 'one', w = 100, h = 20 },"
       "Window { y = 30, w = 200, h = 100, RecEdit { name = 'two', w = 100, h = 20 } },"
       "RecEdit { name = 'three', y = 60, w = 100, h = 20 }");
  TWindow* one = Find("one");
  TWindow* two = Find("two");
  TWindow* three = Find("three");
  manager->SetFocus(one);
  std::vector<TWindow*> seen;
  for (int i = 0; i < 4; i++) {
    EXPECT_FALSE(manager->GetFocus()->OnChar(9));
    seen.push_back(manager->GetFocus());
  }
  EXPECT_EQ(seen, (std::vector<TWindow*>{two, three, one, two}));
  EXPECT_EQ(static_cast<TTextEdit*>(one)->GetTabGroup()->size(), 3u);
  // A ring loses an entry that goes away.
  Run("DestroyWindow('two')");
  Idle();
  EXPECT_EQ(static_cast<TTextEdit*>(one)->GetTabGroup()->size(), 2u);
  // An entry with no modal window above it has no ring: Tab does nothing.
  TTextEdit* loose = new TTextEdit();
  EXPECT_FALSE(loose->OnChar(9));
  EXPECT_EQ(loose->GetTabGroup(), nullptr);
  delete loose;
}

TEST_F(TextEditTest, LabelIsNeverTranslated) {
  script->SetTranslateLabels(true);
  RecordingEdit* edit = MakeEdit("label = 'HELLO'");
  EXPECT_EQ(Text(edit), "HELLO");
  EXPECT_TRUE(script->GetTranslateLabels());
}

}  // namespace
