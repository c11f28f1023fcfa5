// The options window inside the real platform: what it sets from the profile when a script
// builds it, what a moving slider plays, what SaveVolumes stores (to the nearest thousandth),
// and which slider messages it takes.
#include "game/shell/options_window.h"

#include <cmath>
#include <filesystem>

#include "core/base/prefs.h"
#include "core/windows/message.h"
#include "core/windows/widgets/button.h"
#include "core/windows/widgets/slider.h"
#include "game/shell/user_manager.h"
#include "tests/game/shell/shell_fixture.h"

namespace {

class OptionsWindowTest : public ShellFixture {
 protected:
  // One player, Ada, with these levels and switch, current.
  static UserManager* Player(int sfx, int music, int ambient, int off) {
    UserManager::Destroy();
    std::filesystem::remove(std::string(GetUserFolder().c_str()) + "/prefs.dat");
    UserManager::Create();
    UserManager* users = UserManager::Get();
    users->CreateNewUser("Ada");
    users->SetUserInt("soundlevel", sfx, 0);
    users->SetUserInt("musiclevel", music, 0);
    users->SetUserInt("ambientlevel", ambient, 0);
    users->SetUserInt("soundoff", off, 0);
    return users;
  }
  // The options dialog as a script builds it; `extra' goes inside the options window.
  static TOptions* Open(bool mutebox, const std::string& extra = "") {
    TWindowManager::Get()->RegisterWindowClass("OptionsWindow", &TOptions::Create);
    std::string toggles = "Button { name = 'fullscreen', type = kToggle, x = 10, y = 10, w = 24, h = 24 },";
    if (mutebox) toggles += "Button { name = 'mutebox', type = kToggle, x = 10, y = 40, w = 24, h = 24 },";
    Run("PushModal('optionsdialog') MakeDialog { OptionsWindow { name = 'options', x = 0, y = 0, w = 400, h = 300, " +
        toggles +
        "Window { name = 'rows', x = 0, y = 80, w = 400, h = 200,"
        "  Slider { name = 'sfxlevelslider', x = 10, y = 0, w = 200, h = 20 },"
        "  Slider { name = 'musiclevelslider', x = 10, y = 40, w = 200, h = 20 }," +
        extra + "} } }");
    TWindow* found = TWindowManager::Get()->GetTopModal()->FindChild("options");
    return found && found->IsKindOf(&TOptions::Create) ? static_cast<TOptions*>(found) : nullptr;
  }
  static TSlider* SliderOf(TWindow* options, const char* name) {
    TWindow* found = options->FindChild(name);
    return found && found->IsKindOf(&TSlider::GetFactory) ? static_cast<TSlider*>(found) : nullptr;
  }
  static bool IsOn(TWindow* options, const char* name) {
    TWindow* found = options->FindChild(name);
    return found && found->IsKindOf(&TButton::GetFactory) && static_cast<TButton*>(found)->IsOn();
  }
  static const char* kAmbientSlider;
};
const char* OptionsWindowTest::kAmbientSlider = "Slider { name = 'ambientlevelslider', x = 10, y = 80, w = 200, h = 20 },";

TEST_F(OptionsWindowTest, ItShowsTheProfileAndPlaysTheLevelsAsTheyAreSet) {
  RunPlatform("", [&](TPlatform* p) {
    p->SetDisplayMode(800, 600, false);
    Player(300, 650, 500, 0);
    Engine().events.clear();
    TOptions* options = Open(true, kAmbientSlider);
    ASSERT_NE(options, nullptr);
    EXPECT_FLOAT_EQ(SliderOf(options, "sfxlevelslider")->GetValue(), 0.3f);
    EXPECT_FLOAT_EQ(SliderOf(options, "ambientlevelslider")->GetValue(), 0.5f);
    EXPECT_FALSE(IsOn(options, "fullscreen"));
    EXPECT_FALSE(IsOn(options, "mutebox"));
    // With the sound on, the profile's volumes once more, then each slider's level as it is set.
    EXPECT_EQ(Engine().events, (std::vector<std::string>{"Sfx Volume=0.300", "Music Volume=0.650",
                                                          "Environments Volume=0.500", "Sfx Volume=0.300",
                                                          "Music Volume=0.650", "Environments Volume=0.500"}));
    Engine().events.clear();
    SliderOf(options, "musiclevelslider")->SetValue(0.2f, false);
    EXPECT_EQ(Engine().events, std::vector<std::string>{"Music Volume=0.200"});
    UserManager::Destroy();
  });
}

TEST_F(OptionsWindowTest, WithTheSoundOffTheSlidersMoveSilently) {
  RunPlatform("", [&](TPlatform* p) {
    p->SetDisplayMode(800, 600, true);
    Player(300, 650, 500, 1);
    Engine().events.clear();
    TOptions* options = Open(true);
    ASSERT_NE(options, nullptr);
    EXPECT_TRUE(IsOn(options, "mutebox"));
    EXPECT_TRUE(IsOn(options, "fullscreen"));
    SliderOf(options, "sfxlevelslider")->SetValue(0.9f, false);
    EXPECT_EQ(Engine().events, std::vector<std::string>{});
    // Still taken: the message goes no further.
    TMessage moved(kSliderValChanged, "sfxlevelslider");
    EXPECT_TRUE(options->OnMessage(&moved));
    UserManager::Destroy();
  });
}

TEST_F(OptionsWindowTest, WithoutAMuteBoxTheVolumesAreNotAppliedAgain) {
  RunPlatform("", [&](TPlatform* p) {
    p->SetDisplayMode(800, 600, false);
    Player(300, 650, 500, 0);
    Engine().events.clear();
    Open(false);
    EXPECT_EQ(Engine().events, (std::vector<std::string>{"Sfx Volume=0.300", "Music Volume=0.650"}));
    UserManager::Destroy();
  });
}

TEST_F(OptionsWindowTest, OnlyAMovedSliderOfItsOwnIsTaken) {
  RunPlatform("", [&](TPlatform* p) {
    p->SetDisplayMode(800, 600, false);
    Player(750, 650, 500, 0);
    // A window named like the ambience slider that is no slider.
    TOptions* options = Open(true, "Window { name = 'ambientlevelslider', x = 10, y = 80, w = 200, h = 20 },");
    ASSERT_NE(options, nullptr);
    struct Case {
      int type;
      const char* name;
      bool taken;
    };
    const Case cases[] = {
        {kSliderValChanged, "sfxlevelslider", true},
        {kSliderValChanged, "ambientlevelslider", false},
        {kSliderValChanged, "volume", false},
        {kSliderMouseUp, "sfxlevelslider", false},
    };
    for (const Case& c : cases) {
      TMessage message(c.type, c.name);
      EXPECT_EQ(options->OnMessage(&message), c.taken) << c.name << " " << c.type;
    }
    UserManager::Destroy();
  });
}

TEST_F(OptionsWindowTest, SaveVolumesStoresEachLevelToTheNearestThousandth) {
  struct Case {
    float value;
    int stored;
  };
  const Case cases[] = {
      {0.65f, 650},  {0.6504f, 650}, {0.6495f, 650}, {0.6494f, 649}, {0.0004f, 0},
      {0.9996f, 1000}, {1.0f, 1000},  {0.0f, 0},
  };
  RunPlatform("", [&](TPlatform* p) {
    p->SetDisplayMode(800, 600, false);
    UserManager* users = Player(750, 650, 500, 0);
    TOptions* options = Open(true, kAmbientSlider);
    ASSERT_NE(options, nullptr);
    for (const Case& c : cases) {
      SliderOf(options, "sfxlevelslider")->SetValue(c.value, true);
      // Saved again and again, a level stays where it is.
      for (int i = 0; i < 3; i++) {
        Run("SaveVolumes()");
        SliderOf(options, "sfxlevelslider")->SetValue((float)users->GetUserInt("soundlevel", -1, 0) / 1000.0f, true);
      }
      EXPECT_EQ(users->GetUserInt("soundlevel", -1, 0), c.stored) << c.value;
    }
    EXPECT_EQ(users->GetUserInt("musiclevel", -1, 0), 650);
    // Stored at once.
    UserManager::Destroy();
    TPrefs reread(true);
    EXPECT_EQ(reread.GetInt("soundlevel", -1, 0), 0);
  });
}

// Sound off and on again while the dialog is open plays the stored levels; what OK saves is
// what plays afterwards.
TEST_F(OptionsWindowTest, TheSavedLevelsPlayAfterTheSoundWentOffAndOn) {
  RunPlatform("", [&](TPlatform* p) {
    p->SetDisplayMode(800, 600, false);
    Player(750, 650, 500, 0);
    TOptions* options = Open(true, kAmbientSlider);
    ASSERT_NE(options, nullptr);
    SliderOf(options, "musiclevelslider")->SetValue(0.0f, false);
    Run("ToggleSoundMute() ToggleSoundMute()");
    Engine().events.clear();
    Run("SaveVolumes()");
    EXPECT_EQ(Engine().events, (std::vector<std::string>{"Sfx Volume=0.750", "Music Volume=0.000",
                                                          "Environments Volume=0.500"}));
    UserManager::Destroy();
  });
}

TEST(LevelToThousandths, OutOfRangeAndNaNAreClamped) {
  EXPECT_EQ(LevelToThousandths(std::nanf("")), 0);
  EXPECT_EQ(LevelToThousandths(-3.0f), 0);
  EXPECT_EQ(LevelToThousandths(3.0f), 1000);
  EXPECT_EQ(LevelToThousandths(INFINITY), 1000);
}

}  // namespace
