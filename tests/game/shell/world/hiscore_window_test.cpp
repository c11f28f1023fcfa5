// The high-score window against a loopback server, inside the real platform: the local view,
// the online sequence and its rows, scrolling, categories (also none), a server that fails,
// holds its reply or is not there, texts from the server shown as they are, the submission's
// outcome, and the script functions it binds while it lives.
#include "game/shell/world/hiscore_window.h"

#include <string>

#include "core/base/game_state.h"
#include "core/base/settings.h"
#include "core/graphics/text/text_layout.h"
#include "core/windows/message.h"
#include "core/windows/widgets/text_edit.h"
#include "game/shell/game_library.h"
#include "platform/test_control.h"
#include "tests/game/shell/world/score_fixture.h"

namespace {

class HiscoreWindowTest : public ScoreFixture {
 protected:
  // The high-score screen with its ten rows and every info text; UpdateButtons counts its calls.
  static THiscore* Open() {
    Run(R"(
      gButtons = 0
      function UpdateButtons() gButtons = gButtons + 1 end
      PushModal('hiscorescreen')
      local t = { name = 'hiscores', x = 0, y = 0, w = 800, h = 600 }
      for i = 1, 10 do
        local y = 30 * i
        table.insert(t, Text { name = tostring(i), x = 0, y = y, w = 40, h = 28 })
        table.insert(t, Text { name = 'name' .. i, x = 40, y = y, w = 160, h = 28, font = { '__DEFAULT', 18, Color(0, 0, 0) } })
        table.insert(t, Text { name = 'score' .. i, x = 200, y = y, w = 100, h = 28 })
        table.insert(t, Bitmap { name = 'p1_' .. i, x = 300, y = y, w = 20, h = 20 })
        table.insert(t, Text { name = 'info' .. i, x = 320, y = y, w = 480, h = 28 })
      end
      for _, name in ipairs({ 'eligible', 'eligibleasterisk', 'server', 'error', 'info', 'category', 'local',
                              'global', 'topplayers', 'congratulations', 'dnq', 'yourrank', 'yourrankglobalinfo',
                              'rankvalue', 'scrollup', 'scrolldown', 'rightpanel', 'rightpanelsmall' }) do
        table.insert(t, Text { name = name, x = 0, y = 400, w = 300, h = 28 })
      end
      MakeDialog { HiscoreWindow(t) }
    )");
    TWindow* w = Child("hiscores");
    return w && w->IsKindOf(&THiscore::Create) ? static_cast<THiscore*>(w) : nullptr;
  }
  static void Press(THiscore* w, const char* name, bool handled = false) {
    TMessage m(kButtonPress, name);
    EXPECT_EQ(w->OnMessage(&m), handled) << name;
  }
  static void Settle(THiscore* w) {
    PollUntil(w, [w] { return w->GetState() != THiscore::kWaitCategories && w->GetState() != THiscore::kWaitScores; });
  }
  // Rows shown, as "place name score" for each shown row.
  static std::vector<std::string> Rows() {
    std::vector<std::string> rows;
    for (int i = 1; i <= 10; i++) {
      std::string n = std::to_string(i);
      if (!Shown(("name" + n).c_str())) continue;
      rows.push_back(TextOf(n.c_str()) + " " + TextOf(("name" + n).c_str()) + " " + TextOf(("score" + n).c_str()));
    }
    return rows;
  }
  static std::string Visible(std::initializer_list<const char*> names) {
    std::string out;
    for (const char* name : names)
      if (Shown(name)) out += std::string(out.empty() ? "" : " ") + name;
    return out;
  }
};

TEST_F(HiscoreWindowTest, TheLocalViewShowsThePlayersOwnListAndWhetherAScoreAwaitsSubmission) {
  RunPlatform("", [&](TPlatform*) {
    Begin();
    Client()->AddLocalScore(1500, false, "3-12-4000", "");
    Client()->AddLocalScore(900, false, "A-1234567-2500", "");
    Client()->AddLocalScore(120, false, "", "");
    THiscore* w = Open();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->GetState(), THiscore::kLocal);
    EXPECT_EQ(Global("gButtons"), "1");
    EXPECT_EQ(Rows(), (std::vector<std::string>{"1. Ada score $1,500", "2. Ada score $900", "3. Ada score $120"}));
    EXPECT_EQ(TextOf("info1"), "Chocolatier|$4,000|12");
    EXPECT_EQ(TextOf("info2"), "Ace|$2,500|1,234,567");
    EXPECT_EQ(TextOf("info3"), "");
    EXPECT_FALSE(Shown("name4"));
    EXPECT_FALSE(Shown("p1_1"));  // local entries are anonymous
    EXPECT_EQ(Visible({"eligible", "eligibleasterisk", "info", "local", "global", "topplayers", "server", "rightpanel",
                       "rightpanelsmall", "scrollup", "scrolldown"}),
              "eligible eligibleasterisk info local rightpanel");
    Run("gAvailable = ScoreAvailable()");
    EXPECT_EQ(Global("gAvailable"), "true");

    // Only the tables: no panel, no eligibility, "top players" instead of "local".
    SetSetting("hiscorelocal", "1");
    w->UpdateText();
    EXPECT_EQ(Visible({"eligible", "eligibleasterisk", "info", "local", "topplayers", "rightpanel", "rightpanelsmall"}),
              "topplayers");
    End();
  });
}

TEST_F(HiscoreWindowTest, ViewFetchesTheCategoriesThenTheFirstTableAndScrollsByTen) {
  RunPlatform("", [&](TPlatform*) {
    Begin();
    Reply("tables", Tables(2));
    Reply("get", Scores(23));
    THiscore* w = Open();
    ASSERT_NE(w, nullptr);
    Press(w, "view");
    EXPECT_EQ(w->GetState(), THiscore::kWaitCategories);
    EXPECT_EQ(Visible({"server", "rightpanel", "rightpanelsmall", "info"}), "server rightpanelsmall");
    Settle(w);
    ASSERT_EQ(w->GetState(), THiscore::kOnline);
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].Param("action"), "tables");
    EXPECT_EQ(requests[1].Param("table"), "t0");
    EXPECT_EQ(TextOf("category"), "Table 0");
    EXPECT_EQ(Visible({"category", "global", "yourrankglobalinfo", "server", "scrollup", "scrolldown"}),
              "category global yourrankglobalinfo scrolldown");
    EXPECT_EQ(Rows().front(), "1. P1 score $9,999");
    EXPECT_EQ(TextOf("info1"), "Chocolatier|$100|1");
    EXPECT_TRUE(Shown("p1_1"));

    // 23 rows: the first shown runs 0, 10, 18 and back; the arrows show where there is more.
    struct Step {
      const char* press;
      int scroll;
      const char* arrows;
      const char* first;
    } steps[] = {
        {"scrolldown", 10, "scrollup scrolldown", "11. P11 score $9,989"},
        {"scrolldown", 18, "scrollup", "19. P19 score $9,981"},
        {"scrolldown", 18, "scrollup", "19. P19 score $9,981"},
        {"scrollup", 8, "scrollup scrolldown", "9. P9 score $9,991"},
        {"scrollup", 0, "scrolldown", "1. P1 score $9,999"},
        {"scrollup", 0, "scrolldown", "1. P1 score $9,999"},
    };
    for (const Step& s : steps) {
      Press(w, s.press);
      EXPECT_EQ(w->GetScroll(), s.scroll) << s.press;
      EXPECT_EQ(Visible({"scrollup", "scrolldown"}), s.arrows) << s.press << " to " << s.scroll;
      EXPECT_EQ(Rows().front(), s.first);
    }
    Press(w, "scrolldown");
    Press(w, "scrolldown");
    EXPECT_EQ(Rows().size(), 5u);  // rows 19 to 23

    // Back to the local list: the offset starts again at 0.
    Press(w, "viewlocal");
    EXPECT_EQ(w->GetState(), THiscore::kLocal);
    EXPECT_EQ(w->GetScroll(), 0);
    EXPECT_EQ(Rows().size(), 0u);
    End();
  });
}

TEST_F(HiscoreWindowTest, TheCategoryArrowsWrapRoundAndWithoutCategoriesStayOnTheFirst) {
  struct Case {
    int categories;
    std::vector<const char*> presses;
    std::vector<int> shown;  // the category after each press
  };
  const Case cases[] = {
      {5, {"categoryleft", "categoryleft", "categoryright", "categoryright"}, {4, 3, 4, 0}},
      {1, {"categoryleft", "categoryright"}, {0, 0}},
      {0, {"categoryleft", "categoryright", "categoryleft"}, {0, 0, 0}},
  };
  RunPlatform("", [&](TPlatform*) {
    Begin();
    Reply("get", Scores(3));
    for (const Case& c : cases) {
      Reply("tables", Tables(c.categories));
      THiscore* w = Open();
      ASSERT_NE(w, nullptr);
      Press(w, "view");
      Settle(w);
      for (size_t i = 0; i < c.presses.size(); i++) {
        size_t before = server.Requests().size();
        Press(w, c.presses[i], true);
        EXPECT_EQ(w->GetCategory(), c.shown[i]) << c.categories << " categories, press " << i;
        EXPECT_EQ(w->GetState(), THiscore::kWaitScores);
        Settle(w);
        auto requests = server.Requests();
        ASSERT_EQ(requests.size(), before + 1);
        std::string table = c.categories ? "t" + std::to_string(c.shown[i]) : "";
        EXPECT_EQ(requests.back().Param("table"), table);
        EXPECT_EQ(TextOf("category"), c.categories ? "Table " + std::to_string(c.shown[i]) : "");
      }
      // Categories that come later start from the first one.
      Reply("tables", Tables(2));
      Press(w, "view");
      Settle(w);
      EXPECT_EQ(server.Requests().back().Param("table"), c.categories ? "t" + std::to_string(c.shown.back()) : "t0");
      Run("PopModal('hiscorescreen')");
    }
    End();
  });
}

// Whatever the server sends is text: markup in a name, a category or a message shows as it
// stands, a long name shrinks its font to fit and an amount of 1e308 is shown whole.
TEST_F(HiscoreWindowTest, TheServersTextsShowAsTheyStand) {
  RunPlatform("", [&](TPlatform*) {
    Begin();
    Reply("tables", "<hiscore><tables><table table=\"t\" name=\"&lt;b&gt;Best&lt;/b&gt;\"/></tables></hiscore>");
    std::string long_name(40, 'W');
    Reply("get", "<hiscore><scores>"
                 "<score name=\"&lt;font size=90&gt;Zed\" score=\"5\" rank=\"1\" data=\"3-7-1e308\"/>"
                 "<score name=\"" + long_name + "\" score=\"4\" rank=\"2\" data=\"3--5--20\"/>"
                 "<score name=\"Bo\" score=\"3\" rank=\"3\" data=\"x\"/></scores></hiscore>");
    THiscore* w = Open();
    ASSERT_NE(w, nullptr);
    TTextLayout* name2 = AsText(Child("name2"))->GetLayout();
    const int size = name2->GetFontSize();
    Press(w, "view");
    Settle(w);
    ASSERT_EQ(w->GetState(), THiscore::kOnline);
    EXPECT_EQ(TextOf("category"), "\\<b>Best\\</b>");
    EXPECT_EQ(TextOf("name1"), "\\<font size=90>Zed");
    EXPECT_EQ(AsText(Child("name1"))->GetLayout()->GetFontSize(), size);
    std::string money = Dollars(1e308).c_str();
    EXPECT_GT(money.size(), 300u);
    EXPECT_EQ(TextOf("info1"), "Chocolatier|" + money + "|7");
    // A negative count shows as the cap, a negative amount as nothing.
    EXPECT_EQ(TextOf("info2"), "Chocolatier|$0|999,999,999");
    EXPECT_EQ(TextOf("info3"), "#####|$0|0");
    // The long name went down from 19 until it fitted; the row keeps that size for a short one.
    EXPECT_LT(name2->GetFontSize(), 19);
    EXPECT_LT(AsText(Child("name2"))->GetTextBounds().right, 160);
    int shrunk = name2->GetFontSize();
    Reply("get", Scores(3));
    Press(w, "categoryright", true);
    Settle(w);
    EXPECT_EQ(TextOf("name2"), "P2");
    EXPECT_EQ(name2->GetFontSize(), shrunk);

    // A message of the server in place of the table, markup and all.
    Reply("get", "<hiscore><message>Closed &lt;i&gt;today&lt;/i&gt;</message></hiscore>");
    Press(w, "categoryright", true);
    Settle(w);
    ASSERT_EQ(w->GetState(), THiscore::kFailed);
    EXPECT_EQ(TextOf("error"), "Closed \\<i>today\\</i>");
    EXPECT_EQ(Visible({"error", "server", "category"}), "error");
    End();
  });
}

// A server that fails, holds its reply or is not there ends in the error text within the HTTP
// client's time limit; meanwhile the window says it is asking and the local view still works.
TEST_F(HiscoreWindowTest, ASlowOrSilentServerEndsInTheErrorTextAndTheWindowStaysUsable) {
  const char* kFailed = "Unable to connect to server. Please try again later.";
  struct Case {
    const char* what;
    CannedReply reply;
    bool missing;  // no server at all
    bool holds;    // only the time limit ends it
  };
  const Case cases[] = {
      {"an error status", CannedReply{500, "text/plain", "oops"}, false, false},
      {"a dropped connection", CannedReply{200, "text/xml", "", 0, 0, true}, false, false},
      {"a held reply", CannedReply{200, "text/xml", Tables(1), 0, 0, false, 60000}, false, true},
      {"no server", CannedReply{}, true, false},
  };
  RunPlatform("", [&](TPlatform*) {
    SetSetting(kSettingHttpTimeLimit, "5");
    for (const Case& c : cases) {
      Begin(c.missing ? "http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/go/hiscore" : "");
      Reply("tables", c.reply);
      Client()->AddLocalScore(700, false, "3-1-2", "");
      THiscore* w = Open();
      ASSERT_NE(w, nullptr);
      size_t before = server.Requests().size();
      Press(w, "view");
      if (c.holds) {
        ASSERT_TRUE(server.WaitForRequests(before + 1, 3000));
        for (int i = 0; i < 50; i++) w->OnAnimate();
        EXPECT_EQ(w->GetState(), THiscore::kWaitCategories) << c.what;
        EXPECT_TRUE(Shown("server"));
        // The player looks at the local list meanwhile, then asks again.
        Press(w, "viewlocal");
        EXPECT_EQ(Rows(), std::vector<std::string>{"1. Ada score $700"});
        Press(w, "view");
        ASSERT_TRUE(server.WaitForRequests(before + 2, 3000));
        TestControl::AdvanceClock(4000);
        for (int i = 0; i < 50; i++) w->OnAnimate();
        EXPECT_EQ(w->GetState(), THiscore::kWaitCategories) << c.what;
        TestControl::AdvanceClock(2000);
      }
      Settle(w);
      EXPECT_EQ(w->GetState(), THiscore::kFailed) << c.what;
      EXPECT_EQ(TextOf("error"), kFailed) << c.what;
      EXPECT_EQ(Visible({"error", "server"}), "error") << c.what;
      Press(w, "viewlocal");
      EXPECT_EQ(Rows(), std::vector<std::string>{"1. Ada score $700"}) << c.what;
      Run("PopModal('hiscorescreen')");
      End();
    }
  });
}

TEST_F(HiscoreWindowTest, ASubmissionsOutcomeAndThePlayersPlaceShowWithTheTable) {
  struct Case {
    const char* call;
    const char* account;  // the row marked as the player's, or none
    const char* shown;
  };
  const Case cases[] = {
      {"SubmissionDone(true)", nullptr, "congratulations"},
      {"SubmissionDone(false)", nullptr, "dnq"},
      {"SubmissionDone(true)", "P1", "congratulations yourrank"},
      {"nil", "P1", "yourrank"},
      {"nil", nullptr, "yourrankglobalinfo"},
  };
  RunPlatform("", [&](TPlatform*) {
    Begin();
    Reply("tables", Tables(1));
    for (const Case& c : cases) {
      Reply("get", Scores(3, c.account ? "<score name=\"Ada\" score=\"20000\" rank=\"42\" account=\"true\"/>" : ""));
      THiscore* w = Open();
      ASSERT_NE(w, nullptr);
      if (std::string(c.call) == "nil") Press(w, "view");
      else Run(c.call);
      EXPECT_EQ(w->GetState(), THiscore::kWaitCategories);
      Settle(w);
      EXPECT_EQ(Visible({"congratulations", "dnq", "yourrank", "yourrankglobalinfo"}), c.shown) << c.call;
      if (c.account) {
        EXPECT_EQ(TextOf("yourrank"), "You are number 42");
      }
      // "view" starts again without the outcome.
      Press(w, "view");
      Settle(w);
      EXPECT_EQ(w->GetResult(), THiscore::kNoResult);
      Run("PopModal('hiscorescreen')");
    }
    End();
  });
}

// The names the window binds are handed back when it goes: GetState is the game state's again,
// and LaunchPrivacyPolicy no longer reaches the window that is gone.
TEST_F(HiscoreWindowTest, ItsScriptFunctionsGoWithIt) {
  RunPlatform("", [&](TPlatform*) {
    Begin();
    Run("gFrameworkGetState = GetState");
    EXPECT_EQ(Global("gFrameworkGetState"), "function");
    THiscore* w = Open();
    ASSERT_NE(w, nullptr);
    Run("gState = GetState()");
    EXPECT_EQ(Global("gState"), "0");
    Run("LaunchPrivacyPolicy()");
    auto launched = TestControl::ShellExecutes();
    ASSERT_FALSE(launched.empty());
    EXPECT_EQ(launched.back().file, kPrivacyPolicyUrl);
    Run("PopModal('hiscorescreen')");
    TWindowManager::Get()->DeleteClosedWindows();
    Run("gSame = GetState == gFrameworkGetState");
    EXPECT_EQ(Global("gSame"), "true");
    for (const char* name : {"ScoreAvailable", "UpdateText", "LaunchPrivacyPolicy", "SubmissionDone"})
      EXPECT_EQ(Global(name), "nil") << name;
    End();
  });
}

TEST(ScoreInfoTest, TheInformationTextsPartsAsTheTableShowsThem) {
  struct Case {
    const char* data;
    const char* rank;
    const char* money;
    const char* count;
  };
  const Case cases[] = {
      {"A-1234567-2500", "rank_A", "$2,500", "1,234,567"},
      {"3-0-0", "rank_3", "$0", "0"},
      {"3-999999999-1", "rank_3", "$1", "999,999,999"},
      {"3-1000000000-1", "rank_3", "$1", "999,999,999"},
      {"3--1-1", "rank_3", "$1", "999,999,999"},
      {"3-99999999999999999999-1", "rank_3", "$1", "999,999,999"},
      {"3-5--7.5", "rank_3", "$0", "5"},
      {"3-5-nan", "rank_3", "$0", "5"},
      {"3-5-2.5", "rank_3", "$3", "5"},
      {"7", "rank_7", "$0", "0"},
      {"7-12", "rank_7", "$0", "12"},
  };
  for (const Case& c : cases) {
    TScoreInfo info = ReadScoreInfo(c.data);
    EXPECT_TRUE(info.ok);
    EXPECT_STREQ(info.rankLabel.c_str(), c.rank) << c.data;
    EXPECT_STREQ(info.money.c_str(), c.money) << c.data;
    EXPECT_STREQ(info.count.c_str(), c.count) << c.data;
  }
  EXPECT_FALSE(ReadScoreInfo("").ok);
}

}  // namespace
