// The cross-sell page: filling it from "xsell/xsell.xml", hiding what the file does not fill,
// centring its buttons, opening its links, and the two script functions bound to the page.
#include "core/windows/widgets/xsell_window.h"

#include "core/base/zxml.h"
#include "core/graphics/text/text_layout.h"
#include "core/windows/text.h"
#include "tests/core/windows/widgets/widget_test_support.h"

namespace {

using widget_test::WidgetTest;

class XSellTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    PushDialog();
  }
  // A page with eight descriptions and buttons, the logos, the site button and two centre texts.
  TXSellWindow* MakePage(const char* name = "page") {
    Run(std::string("local t = { name = '") + name +
        "', w = 400, h = 300 }"
        "for i = 1, 8 do "
        "  table.insert(t, Text { name = 'descrip' .. i, y = i * 20, w = 300, h = 20, label = 'd' .. i })"
        "  table.insert(t, Window { name = 'xsellbutton' .. i, x = 350, y = i * 20, w = 20, h = 10 }) "
        "end "
        "table.insert(t, Window { name = 'gamesite', x = 100, y = 250, w = 41, h = 21 })"
        "table.insert(t, Window { name = 'sitelogo', x = 200, y = 250, w = 10, h = 10 })"
        "table.insert(t, Text { name = 'centertext1', y = 200, w = 300, h = 20, label = 'c1' })"
        "table.insert(t, Text { name = 'centertext2', y = 220, w = 300, h = 20, label = 'c2' })"
        "MakeDialog { XSellWindow(t) }");
    return Find<TXSellWindow>(name);
  }
  std::string Label(const char* name) {
    TStr text;
    static_cast<TText*>(Find(name))->GetText(text);
    return text.c_str();
  }
  bool Shown(const std::string& name) { return Find(name.c_str())->IsVisible(); }
};

TEST_F(XSellTest, EntriesFillThePageAndTheRestIsHidden) {
  AddFile("xsell/xsell.xml",
          "<xsell>"
          "<gameinfo description=\"First\" linktext=\"Get it\" link=\"http://one\"/>"
          "<note text=\"not an entry\"/>"
          "<gameinfo description=\"Second\" link=\"http://two\"/>"
          "<centertext text1=\"Hello\" text2=\"World\"/>"
          "<gameinfo description=\"Third\" linktext=\"More\" link=\"http://three\"/>"
          "<sitelink link=\"http://site\"/>"
          "</xsell>");
  TXSellWindow* page = MakePage();
  Run("SetupXSell()");
  EXPECT_EQ(Label("descrip1"),
            "First <u><font color=\"003cff\"><a id='xsellbutton1'>Get it</a></font></u>");
  EXPECT_EQ(Label("descrip2"), "Second");  // no link text, no link markup
  EXPECT_EQ(Label("descrip3"), "Third <u><font color=\"003cff\"><a id='xsellbutton3'>More</a></font></u>");
  EXPECT_EQ(Label("centertext1"), "Hello");
  EXPECT_EQ(Label("centertext2"), "World");
  for (int i = 1; i <= 8; i++) {
    EXPECT_EQ(Shown("descrip" + std::to_string(i)), i <= 3) << i;
    EXPECT_EQ(Shown("xsellbutton" + std::to_string(i)), i <= 3) << i;
  }
  EXPECT_TRUE(Shown("gamesite"));
  EXPECT_EQ(page->GetLink(2), TStr("http://two"));
  Run("LaunchGameLink(2) LaunchGameLink(0) LaunchGameLink(5) LaunchGameLink(-1) LaunchGameLink(9)");
  // An empty link and numbers past the links open nothing.
  EXPECT_EQ(host.urls, (std::vector<std::string>{"http://two", "http://site"}));
}

TEST_F(XSellTest, CompressedDataFileReadsTheSame) {
  std::string xml = "<xsell><gameinfo description=\"Packed\" link=\"http://packed\"/></xsell>";
  std::vector<char> packed;
  ASSERT_TRUE(ZxmlEncode(xml.data(), xml.size(), &packed));
  AddFile("xsell/xsell.xml", std::string(packed.begin(), packed.end()));
  MakePage();
  Run("SetupXSell() LaunchGameLink(1)");
  EXPECT_EQ(Label("descrip1"), "Packed");
  EXPECT_FALSE(Shown("descrip2"));
  EXPECT_EQ(host.urls, std::vector<std::string>{"http://packed"});
}

TEST_F(XSellTest, WithoutSiteLinkTheSiteButtonHidesAndTheEighthEntryIsLinkZero) {
  std::string file = "<xsell>";
  for (int i = 1; i <= 9; i++)
    file += "<gameinfo description=\"g" + std::to_string(i) + "\" link=\"http://g" + std::to_string(i) + "\"/>";
  AddFile("xsell/xsell.xml", file + "</xsell>");
  MakePage();
  Run("SetupXSell() LaunchGameLink(0) LaunchGameLink(8)");
  EXPECT_FALSE(Shown("gamesite"));
  EXPECT_EQ(Label("descrip8"), "g8");  // a ninth entry is not read
  EXPECT_TRUE(Shown("xsellbutton8"));
  EXPECT_EQ(host.urls, (std::vector<std::string>{"http://g8", "http://g8"}));
}

TEST_F(XSellTest, MissingFileHidesEveryEntryAndKeepsTheTexts) {
  MakePage();
  Run("SetupXSell() LaunchGameLink(0) LaunchGameLink(1)");
  for (int i = 1; i <= 8; i++) {
    EXPECT_FALSE(Shown("descrip" + std::to_string(i)));
    EXPECT_FALSE(Shown("xsellbutton" + std::to_string(i)));
  }
  EXPECT_TRUE(Shown("gamesite"));
  EXPECT_EQ(Label("centertext1"), "c1");
  EXPECT_TRUE(host.urls.empty());
}

TEST_F(XSellTest, ButtonsAndLogosAreCentredOnWhereTheyStood) {
  AddFile("xsell/xsell.xml", "<xsell><gameinfo description=\"a\"/><sitelink link=\"x\"/></xsell>");
  MakePage();
  Run("SetupXSell()");
  EXPECT_EQ(Find("xsellbutton1")->GetRect(), TRect(340, 15, 360, 25));
  EXPECT_EQ(Find("gamesite")->GetRect(), TRect(80, 240, 121, 261));  // halves of 41 and 21 truncate
  EXPECT_EQ(Find("sitelogo")->GetRect(), TRect(195, 245, 205, 255));
  EXPECT_EQ(Find("xsellbutton7")->GetRect(), TRect(340, 135, 360, 145));  // hidden, still moved
  EXPECT_EQ(Find("xsellbutton8")->GetRect(), TRect(350, 160, 370, 170));  // the eighth is not moved
  Run("SetupXSell()");  // a second run moves them again
  EXPECT_EQ(Find("xsellbutton1")->GetRect(), TRect(330, 10, 350, 20));
}

TEST_F(XSellTest, ClickedDescriptionLinkPressesItsButton) {
  AddFile("xsell/xsell.xml",
          "<xsell><gameinfo description=\"First\" linktext=\"Get it\" link=\"http://one\"/></xsell>");
  StartMessageLog();
  Make("XSellWindow { name = 'page', w = 400, h = 300,"
       "  Text { name = 'descrip1', y = 20, w = 300, h = 20 },"
       "  Button { name = 'xsellbutton1', x = 350, y = 20, w = 20, h = 10, command = function() LaunchGameLink(1) end } }");
  Run("SetupXSell()");
  TText* text = Find<TText>("descrip1");
  int x = 0;
  while (x < 300 && text->GetLayout()->GetLinkAt(x, 10, 0).IsEmpty()) x++;
  ASSERT_LT(x, 300) << "no link laid out";
  Click(x + 2, 30);
  EXPECT_EQ(host.urls, std::vector<std::string>{"http://one"});
  EXPECT_EQ(Messages(), (std::vector<std::string>{"8:LuaAction:xsellbutton1", "3:xsellbutton1"}));
}

TEST_F(XSellTest, ScriptFunctionsFollowTheLatestPageAndGoWithIt) {
  AddFile("xsell/xsell.xml", "<xsell><sitelink link=\"http://site\"/></xsell>");
  MakePage("first");
  MakePage("second");
  Run("SetupXSell() LaunchGameLink(0)");
  EXPECT_EQ(Find<TXSellWindow>("second")->GetLink(8), TStr("http://site"));
  EXPECT_EQ(Find<TXSellWindow>("first")->GetLink(8), TStr());
  // The older page going leaves the functions with the newer one.
  Run("DestroyWindow('first')");
  Idle();
  Run("gType = type(SetupXSell)");
  EXPECT_EQ(GlobalString("gType"), "function");
  // The page that owns them unbinds them, so a later call cannot reach it.
  Run("DestroyWindow('second')");
  Idle();
  Run("gType = type(SetupXSell) .. type(LaunchGameLink)");
  EXPECT_EQ(GlobalString("gType"), "nilnil");
  // A script's own function of that name is left alone.
  MakePage("third");
  Run("function SetupXSell() gMine = true end");
  Run("DestroyWindow('third')");
  Idle();
  Run("SetupXSell()");
  EXPECT_EQ(GlobalString("gMine"), "true");
  EXPECT_EQ(host.urls, std::vector<std::string>{"http://site"});
}

}  // namespace
