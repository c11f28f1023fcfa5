// The game's text entry inside the real platform, typed into through the window manager as the
// keyboard does: the initial text that goes at the first touch, the width limit, the window it
// enables while it holds text, the script function after each character, the typing sounds, and
// a field outside any modal window.
#include "game/shell/custom_text_edit.h"

#include "core/base/memory_file.h"
#include "core/base/whole_file.h"
#include "tests/game/shell/shell_fixture.h"

namespace {

class CustomTextEditTest : public ShellFixture {
 protected:
  // A dialog with the field "entry" (keys as given), focused, and the button "ok" it may enable.
  static TCustomTextEdit* Open(const std::string& keys) {
    TWindowManager::Get()->RegisterWindowClass("TextEdit", &TCustomTextEdit::Create);
    Run("PushModal('namedialog') MakeDialog { TextEdit { name = 'entry', x = 10, y = 10, h = 24, length = 30, " +
        keys + " }, Window { name = 'ok', x = 10, y = 50, w = 80, h = 30 } } RealSetFocus('entry')");
    TWindow* w = TWindowManager::Get()->GetTopModal()->FindChild("entry");
    return w && w->IsKindOf(&TCustomTextEdit::Create) ? static_cast<TCustomTextEdit*>(w) : nullptr;
  }
  static void Type(const std::string& text) {
    for (char c : text) Send(kEventChar, (unsigned char)c);
  }
  static void Send(int32_t type, int32_t param = 0, int32_t x = 0, int32_t y = 0) {
    TPlatformEvent e;
    e.type = type;
    e.param = param;
    e.x = x;
    e.y = y;
    TWindowManager::Get()->HandleEvent(e);
  }
  static std::string Text(TCustomTextEdit* edit) {
    TStr text;
    edit->GetText(text);
    return text.c_str();
  }
  static bool OkShown() { return TWindowManager::Get()->GetTopModal()->FindChild("ok")->GetFlags() & kWindowEnabled; }
  static void Close() { Run("DoPopModal('namedialog')"); }
};

TEST_F(CustomTextEditTest, AnInitialTextGoesAtTheFirstClickOrKey) {
  RunPlatform("", [&](TPlatform* p) {
    p->SetDisplayMode(800, 600, false);
    TCustomTextEdit* edit = Open("w = 200, label = 'Your name', clearinitial = true");
    ASSERT_NE(edit, nullptr);
    edit->SetText("Your name");
    Send(kEventLeftDown, 0, 20, 20);
    Send(kEventLeftUp, 0, 20, 20);
    EXPECT_EQ(Text(edit), "");
    Type("Ada");
    EXPECT_EQ(Text(edit), "Ada");
    Close();
    // A key first: the text goes and the key is typed.
    edit = Open("w = 200, clearinitial = true");
    edit->SetText("Your name");
    Type("B");
    EXPECT_EQ(Text(edit), "B");
    Close();
    // Without the key the initial text stays and typing goes on after it.
    edit = Open("w = 200");
    edit->SetText("Your");
    Type("s");
    EXPECT_EQ(Text(edit), "Yours");
    Close();
  });
}

TEST_F(CustomTextEditTest, AWidthLimitedFieldRefusesCharactersOnceItIsNearlyFull) {
  RunPlatform("", [&](TPlatform* p) {
    p->SetDisplayMode(800, 600, false);
    TCustomTextEdit* edit = Open("w = 80, widthlimited = true");
    ASSERT_NE(edit, nullptr);
    Type(std::string(29, 'W'));
    std::string typed = Text(edit);
    EXPECT_LT(typed.size(), 29u);  // the length limit would take 29
    EXPECT_GT(typed.size(), 0u);
    EXPECT_LT(edit->GetWidth() - edit->GetTextBounds().Width(), 20 + edit->GetTextBounds().Width() / (int)typed.size());
    Close();
    edit = Open("w = 80");
    Type(std::string(29, 'W'));
    EXPECT_EQ(Text(edit).size(), 29u);
    Close();
  });
}

TEST_F(CustomTextEditTest, TheNamedWindowShowsOnlyWhileTheFieldHoldsText) {
  RunPlatform("", [&](TPlatform* p) {
    p->SetDisplayMode(800, 600, false);
    TCustomTextEdit* edit = Open("w = 200, enablewindow = 'ok'");
    ASSERT_NE(edit, nullptr);
    Run("EnableWindow('ok', false)");
    Type("A");
    EXPECT_TRUE(OkShown());
    Type("b");
    Type("\b");
    EXPECT_TRUE(OkShown());
    Type("\b");
    EXPECT_FALSE(OkShown());
    EXPECT_EQ(Text(edit), "");
    Type("\b");  // nothing left to delete: it stays off
    EXPECT_FALSE(OkShown());
    Type("C");
    EXPECT_TRUE(OkShown());
    Close();
  });
}

TEST_F(CustomTextEditTest, TheOnKeyFunctionRunsAfterEveryCharacter) {
  RunPlatform("", [&](TPlatform* p) {
    p->SetDisplayMode(800, 600, false);
    Run("gKeys = 0 gSeen = ''");
    TCustomTextEdit* edit = Open("w = 200, onkey = function() gKeys = gKeys + 1 gSeen = GetLabel('entry') end");
    ASSERT_NE(edit, nullptr);
    Type("Ad\b");
    EXPECT_EQ(Global("gKeys"), "3");
    EXPECT_EQ(Global("gSeen"), "A");  // it sees the text after the character
    Close();
  });
}

TEST_F(CustomTextEditTest, EachAcceptedCharacterPlaysATypingSoundAndAMissingOneBlocksNothing) {
  RunPlatform("", [&](TPlatform* p) {
    p->SetDisplayMode(800, 600, false);
    std::vector<char> click;
    ASSERT_TRUE(ReadWholeFile("vexa/ui_click.ogg", &click));
    for (const char* name : {"sfx/sfx_typing_01.ogg", "sfx/sfx_typing_02.ogg", "sfx/sfx_typing_03.ogg",
                             "sfx/sfx_typing_04.ogg"})
      RegisterMemoryFile(name, click.data(), (uint32_t)click.size());
    TCustomTextEdit* edit = Open("w = 200, length = 4");
    ASSERT_NE(edit, nullptr);
    int before = DSoundTest::PlayingBufferCount();
    Type("abcdef");  // three fit the limit of 4
    EXPECT_EQ(DSoundTest::PlayingBufferCount(), before + 3);
    Close();
    for (const char* name : {"sfx/sfx_typing_01.ogg", "sfx/sfx_typing_02.ogg", "sfx/sfx_typing_03.ogg",
                             "sfx/sfx_typing_04.ogg"})
      RegisterMemoryFile(name, nullptr, 0);
    edit = Open("w = 200");
    Type("abc");
    EXPECT_EQ(Text(edit), "abc");
    Close();
  });
}

TEST_F(CustomTextEditTest, AFieldOutsideAnyModalWindowStillTypes) {
  RunPlatform("", [&](TPlatform* p) {
    p->SetDisplayMode(800, 600, false);
    TCustomTextEdit* edit = Open("w = 200, enablewindow = 'ok'");
    ASSERT_NE(edit, nullptr);
    // Taken out of its dialog: the window it enables is nowhere to be found.
    edit->GetParent()->RemoveChild(edit);
    EXPECT_TRUE(edit->OnChar('x'));
    EXPECT_TRUE(edit->OnChar('\b'));
    EXPECT_EQ(Text(edit), "");
    delete edit;
    Close();
  });
}

}  // namespace
