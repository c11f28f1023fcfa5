// The score-submission window against a loopback server, inside the real platform: the dialog's
// starting values (also for names that look like script), anonymous and account submissions as
// the server receives them, both results, a failure, and the submit button following the fields.
#include "game/shell/world/server_submit.h"

#include <chrono>
#include <string>
#include <thread>

#include "core/base/cipher.h"
#include "core/base/prefs.h"
#include "core/windows/message.h"
#include "core/windows/widgets/text_edit.h"
#include "tests/game/shell/world/score_fixture.h"

namespace {

const char kKey[] = "Rk47vbnwJAAA";

class ServerSubmitTest : public ScoreFixture {
 protected:
  // The dialog; SwitchModes counts its calls in gSwitched.
  static TServerSubmit* Open() {
    Run(R"(
      gSwitched = 0
      function SwitchModes(waiting) if waiting then gSwitched = gSwitched + 1 end end
      PushModal('submitdialog')
      MakeDialog { SubmitWindow { name = 'submit', x = 0, y = 0, w = 400, h = 300,
        TextEdit { name = 'nameedit', x = 10, y = 10, w = 200, h = 24 },
        TextEdit { name = 'accountedit', x = 10, y = 40, w = 200, h = 24 },
        Button { name = 'submittoserver', x = 10, y = 80, w = 100, h = 30 },
        Text { name = 'submiterror', x = 10, y = 120, w = 380, h = 30 },
        Text { name = 'submitconnect', x = 10, y = 160, w = 380, h = 30 },
        Button { name = 'submiterrorok', x = 10, y = 200, w = 100, h = 30 },
      } }
    )");
    TWindow* w = Child("submit");
    return w && w->IsKindOf(&TServerSubmit::Create) ? static_cast<TServerSubmit*>(w) : nullptr;
  }
  // Polls as the window's timer would until it stops (five seconds at most).
  static void Settle(TServerSubmit* w) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (w->OnAnimate() && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  static std::string TopModal() {
    TWindow* top = TWindowManager::Get()->GetTopModal();
    return top ? top->GetName().c_str() : "";
  }
  // The submitted document, deciphered.
  std::string Document() {
    auto requests = server.Requests();
    if (requests.empty()) return "";
    TCipher cipher(kKey);
    return cipher.DecryptText(TStr(requests.back().Param("score").c_str())).c_str();
  }
  static void SetAnonymousName(const char* name) {
    UserManager::Get()->GetPrefs()->SetString("_anonusername", name, 0, true);
  }
};

// The text the screen runs sets its globals from the stored values, each exactly, and runs
// nothing that a stored name holds.
TEST_F(ServerSubmitTest, TheStartingValuesComeBackExactlyAndNothingInThemRuns) {
  const char* names[] = {"", "Ann", "a'..os.exit(3)..'\\", "x'..Boom()..'", "x\"..Boom()..\"", "a\\'..Boom()--",
                         "line\nbreak]]..Boom()..[[", "caf\xc3\xa9 \x01\x7f"};
  RunPlatform("", [&](TPlatform*) {
    Begin();
    Run("gBoom = 0 function Boom() gBoom = gBoom + 1 return '' end");
    for (const char* name : names) {
      SetAnonymousName(name);
      TStr setup = GetLuaServerSubmitSetupVars(false);
      Run("gNameEdit = nil gEligibleScore = nil");
      Run(setup.c_str());
      EXPECT_EQ(Global("gNameEdit"), name) << setup.c_str();
      Run("gSame = gAccountEdit == '' and gPassEdit == '' and gRemember == false and gMedalsMode == false and "
          "gEligibleScore == 0");
      EXPECT_EQ(Global("gSame"), "true") << name << "\n" << setup.c_str();
      EXPECT_EQ(Global("gBoom"), "0") << name;
    }
    // The eligible score, then medals mode (which names no score).
    Client()->AddLocalScore(1500, true, "3-1-2", "");
    Run(GetLuaServerSubmitSetupVars(false).c_str());
    EXPECT_EQ(Global("gEligibleScore"), "1500");
    std::string medals = GetLuaServerSubmitSetupVars(true).c_str();
    EXPECT_EQ(medals.substr(medals.size() - 17), "gMedalsMode=true;");
    EXPECT_EQ(medals.find("gEligibleScore"), std::string::npos);
    Run("gSetup = GetLuaServerSubmitSetupVars(true)");
    EXPECT_EQ(Global("gSetup"), medals);
    End();
  });
}

// Without an account the name is kept for the next visit and goes out alone; with one, the
// account, its password and, when asked, the login kept for the next visit. The reply's score
// element makes the result "qualified", its absence "success"; either way the dialog closes.
TEST_F(ServerSubmitTest, ASubmissionGoesOutAsTheFieldsSayAndClosesTheDialogWithItsResult) {
  struct Case {
    const char* call;
    const char* reply;
    const char* sent;      // attributes expected in the document
    const char* notSent;   // text it must not hold
    const char* result;
    const char* kept;      // "_anonusername" afterwards
    const char* setup;     // what the next dialog starts with
  };
  const Case cases[] = {
      {"SubmitToServer('Ann B', '', 'ignored', true, false)", "<hiscore><score/></hiscore>", "name=\"Ann B\"",
       "password", "qualified", "Ann B", "gRemember=false; "},
      {"SubmitToServer('Bo', '', '', false, false)", "<hiscore/>", "name=\"Bo\"", "password", "success", "Bo",
       "gRemember=false; "},
      {"SubmitToServer('Cy', 'acct', 'pw9', true, false)", "<hiscore/>", "password=\"pw9\"", "Cy",
       "success", "", "gAccountEdit=\"acct\"; gPassEdit=\"pw9\"; gRemember=true; "},
      {"SubmitToServer('Di', 'acct', 'pw', false, false)", "<hiscore><score/></hiscore>", "name=\"acct\"", "Di",
       "qualified", "", "gRemember=false; "},
  };
  RunPlatform("", [&](TPlatform*) {
    Begin();
    for (const Case& c : cases) {
      SetAnonymousName("");
      Client()->AddLocalScore(900, false, "3-1-2", "");
      Reply("submit", c.reply);
      TServerSubmit* w = Open();
      ASSERT_NE(w, nullptr);
      Run("gReturnValue = nil");
      Run(c.call);
      EXPECT_EQ(Global("gSwitched"), "1");
      Settle(w);
      std::string document = Document();
      EXPECT_NE(document.find(c.sent), std::string::npos) << c.call << "\n" << document;
      EXPECT_EQ(document.find(c.notSent), std::string::npos) << c.call << "\n" << document;
      EXPECT_EQ(Global("gReturnValue"), c.result) << c.call;
      EXPECT_NE(TopModal(), "submitdialog") << c.call;
      TWindowManager::Get()->DeleteClosedWindows();
      EXPECT_EQ(Global("SubmitToServer"), "nil");
      EXPECT_EQ(std::string(UserManager::Get()->GetPrefs()->GetString("_anonusername", "", 0).c_str()), c.kept);
      EXPECT_NE(std::string(GetLuaServerSubmitSetupVars(false).c_str()).find(c.setup), std::string::npos) << c.call;
    }
    End();
  });
}

// A failed submission shows the client's message as text, swaps the waiting text for the OK
// button and leaves the dialog open with no result; nothing to send is a failure too.
TEST_F(ServerSubmitTest, AFailureShowsItsMessageAndKeepsTheDialog) {
  struct Case {
    const char* reply;
    bool scoreToSend;
    const char* message;
  };
  const Case cases[] = {
      {"<hiscore><score/></hiscore>", false, "Unable to connect to server. Please try again later."},
      {"<hiscore><message>Name &lt;taken&gt;</message></hiscore>", true, "Name \\<taken>"},
  };
  RunPlatform("", [&](TPlatform*) {
    Begin();
    for (const Case& c : cases) {
      if (c.scoreToSend) Client()->AddLocalScore(900, false, "3-1-2", "");
      Reply("submit", c.reply);
      TServerSubmit* w = Open();
      ASSERT_NE(w, nullptr);
      Run("gReturnValue = nil SubmitToServer('Ann', '', '', false, false)");
      Settle(w);
      EXPECT_EQ(TextOf("submiterror"), c.message);
      EXPECT_TRUE(Shown("submiterror"));
      EXPECT_FALSE(Shown("submitconnect"));
      EXPECT_TRUE(Shown("submiterrorok"));
      EXPECT_EQ(Global("gReturnValue"), "nil");
      EXPECT_EQ(TopModal(), "submitdialog");
      EXPECT_FALSE(w->OnAnimate());  // the poll has ended
      Run("PopModal('submitdialog')");
    }
    End();
  });
}

TEST_F(ServerSubmitTest, TheSubmitButtonShowsWhileANameOrAnAccountIsTyped) {
  struct Case {
    const char* name;
    const char* account;
    bool shown;
  };
  const Case cases[] = {{"", "", false}, {"A", "", true}, {"", "b", true}, {"Ann", "bob", true}, {"", "", false}};
  RunPlatform("", [&](TPlatform*) {
    Begin();
    TServerSubmit* w = Open();
    ASSERT_NE(w, nullptr);
    for (const Case& c : cases) {
      static_cast<TTextEdit*>(Child("nameedit"))->SetText(c.name);
      static_cast<TTextEdit*>(Child("accountedit"))->SetText(c.account);
      TMessage changed(kTextEditChanged, "nameedit");
      EXPECT_TRUE(w->OnMessage(&changed));
      EXPECT_EQ(Shown("submittoserver"), c.shown) << c.name << "/" << c.account;
    }
    TMessage other(kButtonPress, "submittoserver");
    EXPECT_FALSE(w->OnMessage(&other));
    End();
  });
}

}  // namespace
