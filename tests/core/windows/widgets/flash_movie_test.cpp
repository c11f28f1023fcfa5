// The Flash movie player over a scripted control host: every path of starting, translating,
// polling and stopping a movie, the windows it leaves (none after a failure), the window
// manager's movie flags and the cursor; and the program's own backend, which has no control
// host, so scripts fall back to their splash image.
#include "core/windows/widgets/flash_movie.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "core/windows/widgets/image.h"
#include "tests/core/windows/widgets/widget_test_support.h"

namespace {

using widget_test::WidgetTest;

std::string Narrow(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) {
    char bytes[4];
    int n = Utf8EncodeChar(c, bytes);
    out.append(bytes, (size_t)n);
  }
  return out;
}

std::u16string Wide(const std::string& s) {
  std::u16string out;
  for (size_t i = 0; i < s.size();) {
    int n = Utf8CharLength((unsigned char)s[i]);
    out += (char16_t)Utf8DecodeChar(s.c_str() + i);
    i += n ? n : 1;
  }
  return out;
}

// The control host and the control as a script: what exists, what fails, what was asked.
class FakeFlash : public TFlashControlHost {
 public:
  static inline FakeFlash* current = nullptr;

  FakeFlash() { current = this; }
  ~FakeFlash() override { current = nullptr; }

  bool Load() override {
    loads++;
    if (!library) return false;
    static bool registered = false;
    if (!registered) {
      registered = true;
      WNDCLASSA host{};
      host.lpfnWndProc = &HostProc;
      host.lpszClassName = "AtlAxWin";
      RegisterClassA(&host);
      WNDCLASSA control{};
      control.lpfnWndProc = &ControlProc;
      control.lpszClassName = "FakeFlashControl";
      RegisterClassA(&control);
    }
    return true;
  }
  TFlashControl* GetControl(HWND hostWindow) override;

  // The host window makes the control named by its title as its first child.
  static LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE && current) {
      current->progIds.push_back(((CREATESTRUCTA*)lParam)->lpszName);
      current->controlWindow =
          CreateWindowExA(0, "FakeFlashControl", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, window, nullptr, nullptr, nullptr);
    }
    return DefWindowProcA(window, message, wParam, lParam);
  }
  static LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (current && (message == WM_RBUTTONDOWN || message == WM_RBUTTONUP || message == WM_LBUTTONDOWN))
      current->clicks.push_back(message);
    return DefWindowProcA(window, message, wParam, lParam);
  }

  bool library = true, control = true;
  int version = 9;
  bool playing = true;
  std::map<std::string, std::string> variables;
  std::set<std::string> failing;  // member names whose calls fail
  std::vector<std::string> calls, progIds;
  std::vector<UINT> clicks;
  HWND controlWindow = nullptr;
  int loads = 0, controls = 0;
};

class FakeControl : public TFlashControl {
 public:
  explicit FakeControl(FakeFlash* flash) : f(flash) { f->controls++; }
  ~FakeControl() override { f->controls--; }
  bool GetProperty(const char* name, TFlashValue& value) override {
    if (f->failing.count(name)) return false;
    std::string n = name;
    if (n == "FlashVersion") value = TFlashValue::Int(f->version);
    if (n == "Playing") value = TFlashValue::Bool(f->playing);
    return true;
  }
  bool PutProperty(const char* name, const TFlashValue& value) override {
    f->calls.push_back(std::string(name) + "=" + (value.kind == TFlashValue::kBool ? (value.b ? "1" : "0") : Narrow(value.s)));
    return !f->failing.count(name);
  }
  bool CallMethod(const char* name, const std::vector<TFlashValue>& arguments, TFlashValue* result) override {
    std::string n = name;
    std::string call = n;
    for (const TFlashValue& a : arguments) call += " " + Narrow(a.s);
    f->calls.push_back(call);
    if (f->failing.count(n)) return false;
    if (n == "GetVariable" && result) *result = TFlashValue::String(Wide(f->variables[Narrow(arguments[0].s)]));
    if (n == "SetVariable") f->variables[Narrow(arguments[0].s)] = Narrow(arguments[1].s);
    return true;
  }
  FakeFlash* f;
};

TFlashControl* FakeFlash::GetControl(HWND hostWindow) { return control ? new FakeControl(this) : nullptr; }

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

class FlashMovieTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    oldCwd = std::filesystem::current_path();
    std::filesystem::current_path(work.Path());
    std::filesystem::create_directories("assets");
    std::ofstream("assets/intro.swf") << "movie";
    WNDCLASSA wc{};
    wc.lpfnWndProc = &MainProc;
    wc.lpszClassName = "flash_test_main";
    RegisterClassA(&wc);
    host.mainWindow = CreateWindowExA(0, "flash_test_main", "Main", WS_VISIBLE, 0, 0, 320, 240, nullptr, nullptr,
                                      nullptr, nullptr);
    ASSERT_NE(host.mainWindow, nullptr);
    TFlashMovie::SetControlHost(&flash);
  }
  void TearDown() override {
    WidgetTest::TearDown();  // stops any movie first
    TFlashMovie::SetControlHost(nullptr);
    DestroyWindow(host.mainWindow);
    std::filesystem::current_path(oldCwd);
  }
  // The main window's child windows.
  int Children() {
    int n = 0;
    for (HWND c = GetWindow(host.mainWindow, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) n++;
    return n;
  }
  std::string Call(const std::string& expression) {
    Run("gResult = tostring(" + expression + ")");
    return GlobalString("gResult");
  }

  FakeFlash flash;
  TempFolder work;
  std::filesystem::path oldCwd;
};

TEST_F(FlashMovieTest, MoviePlaysOverTheMainWindowUntilStopped) {
  EXPECT_EQ(Call("StartMovie('intro.swf', false, false)"), "true");
  EXPECT_EQ(flash.progIds, std::vector<std::string>{"ShockwaveFlash.ShockwaveFlash.4"});
  std::string path = std::filesystem::absolute("assets/intro.swf").string();
  // Without translation the control starts the movie by itself: no Stop, no Play.
  EXPECT_EQ(flash.calls, (std::vector<std::string>{"Movie=" + path, "Loop=0"}));
  EXPECT_EQ(Children(), 2);  // the blocker and the host
  EXPECT_TRUE(manager->IsMoviePlaying());
  EXPECT_FALSE(manager->IsMovieInput());
  EXPECT_TRUE(manager->IsInputBlocked());
  EXPECT_FALSE(host.IsMouseCursorShown());
  EXPECT_EQ(host.gdiFlips, 1);
  EXPECT_EQ(Call("IsMoviePlaying()"), "true");
  // No frame is drawn while it plays.
  manager->Invalidate();
  Advance(100);
  int frames = host.frames;
  Idle();
  EXPECT_EQ(host.frames, frames);
  flash.playing = false;
  EXPECT_EQ(Call("IsMoviePlaying()"), "false");
  host.fills.clear();
  Run("StopMovie()");
  EXPECT_EQ(Children(), 0);
  EXPECT_EQ(flash.controls, 0);
  EXPECT_FALSE(manager->IsMoviePlaying());
  EXPECT_TRUE(host.IsMouseCursorShown());
  EXPECT_EQ(host.cursorResets, 2);
  EXPECT_EQ(host.frames, frames + 1);  // one frame of the screen's colour
  EXPECT_EQ(host.fills, std::vector<TRect>{screen->GetRect()});
  Run("StopMovie()");  // without a player: nothing
  EXPECT_EQ(host.frames, frames + 1);
}

TEST_F(FlashMovieTest, TranslationPushesListedNamesAndFlashStrings) {
  struct Case {
    const char* names;
    std::vector<std::string> set;
  } cases[] = {{"title;subtitle;", {"title", "subtitle"}}, {"title;subtitle", {"title"}}, {"", {}}};
  host.flashStrings = {{"FLASH_greeting", "Hej \xc3\xa5"}, {"flash01_02", "numbered"}, {"xFLASH_no", "inner"}};
  for (const Case& c : cases) {
    flash.variables.clear();
    flash.calls.clear();
    flash.variables["textvarnames"] = c.names;
    EXPECT_EQ(Call("StartMovie('intro.swf', true, false)"), "true") << c.names;
    std::vector<std::string> expected{"Stop", "GetVariable textvarnames"};
    for (const std::string& name : c.set) expected.push_back("SetVariable " + name + " " + name + "(,,,,)");
    expected.push_back("SetVariable greeting Hej \xc3\xa5");  // values keep their characters
    expected.push_back("Play");
    std::vector<std::string> got(flash.calls.begin() + 2, flash.calls.end());  // after Movie and Loop
    EXPECT_EQ(got, expected) << c.names;
    Run("StopMovie()");
  }
  EXPECT_EQ(flash.progIds.back(), "ShockwaveFlash.ShockwaveFlash.6");
  // A failing GetVariable only skips the listed names.
  flash.failing = {"GetVariable"};
  EXPECT_EQ(Call("StartMovie('intro.swf', true, false)"), "true");
}

TEST_F(FlashMovieTest, MajorVersionSettingRaisesTheMinimum) {
  struct Case {
    const char* setting;
    bool translate;
    int version;
    const char* progId;
    bool starts;
  } cases[] = {{"8", false, 8, "ShockwaveFlash.ShockwaveFlash.8", true},
               {"8", false, 7, "ShockwaveFlash.ShockwaveFlash.8", false},
               {"5", true, 6, "ShockwaveFlash.ShockwaveFlash.6", true},
               {"5", true, 5, "ShockwaveFlash.ShockwaveFlash.6", false},
               {"", false, 4, "ShockwaveFlash.ShockwaveFlash.4", true},
               {"", false, 3, "ShockwaveFlash.ShockwaveFlash.4", false}};
  for (const Case& c : cases) {
    SetSetting("flashmajorversion", c.setting);
    flash.version = c.version;
    std::string call = std::string("StartMovie('intro.swf', ") + (c.translate ? "true" : "false") + ", false)";
    EXPECT_EQ(Call(call), c.starts ? "true" : "false") << c.setting << " " << c.version;
    EXPECT_EQ(flash.progIds.back(), c.progId);
    EXPECT_EQ(Children(), c.starts ? 2 : 0);
    Run("StopMovie()");
  }
}

TEST_F(FlashMovieTest, WithInputTheMovieSwallowsRightClicks) {
  EXPECT_EQ(Call("StartMovie('intro.swf', false, true)"), "true");
  EXPECT_EQ(Children(), 1);  // no blocker
  EXPECT_TRUE(manager->IsMovieInput());
  EXPECT_FALSE(manager->IsInputBlocked());
  EXPECT_EQ(SendMessageA(flash.controlWindow, WM_RBUTTONDOWN, 0, 0), 0);
  SendMessageA(flash.controlWindow, WM_RBUTTONUP, 0, 0);
  SendMessageA(flash.controlWindow, WM_LBUTTONDOWN, 0, 0);
  EXPECT_EQ(flash.clicks, std::vector<UINT>{WM_LBUTTONDOWN});
  Run("StopMovie()");
  EXPECT_FALSE(manager->IsMovieInput());
}

TEST_F(FlashMovieTest, EveryFailureLeavesNoWindowAndTheCursorAsItWas) {
  struct Case {
    const char* name;
    std::function<void(FakeFlash&)> set;
    int loadsAfter;
  } cases[] = {
      {"display broken", [](FakeFlash&) { SetSetting("dxbroken", "1"); }, 0},
      {"no control host", [](FakeFlash& f) { f.library = false; }, 1},
      {"no control", [](FakeFlash& f) { f.control = false; }, 1},
      {"no version", [](FakeFlash& f) { f.failing = {"FlashVersion"}; }, 1},
      {"Movie refused", [](FakeFlash& f) { f.failing = {"Movie"}; }, 1},
      {"Loop refused", [](FakeFlash& f) { f.failing = {"Loop"}; }, 1},
      {"Stop refused", [](FakeFlash& f) { f.failing = {"Stop"}; }, 1},
      {"Play refused", [](FakeFlash& f) { f.failing = {"Play"}; }, 1},
      {"no file", [](FakeFlash&) { std::filesystem::remove("assets/intro.swf"); }, 1},
  };
  for (const Case& c : cases) {
    FakeFlash fresh;
    TFlashMovie::SetControlHost(&fresh);
    std::ofstream("assets/intro.swf") << "movie";
    c.set(fresh);
    EXPECT_EQ(Call("StartMovie('intro.swf', true, false)"), "false") << c.name;
    EXPECT_EQ(Children(), 0) << c.name;
    EXPECT_EQ(fresh.controls, 0) << c.name;
    EXPECT_EQ(fresh.loads, c.loadsAfter) << c.name;
    EXPECT_FALSE(manager->IsMoviePlaying()) << c.name;
    EXPECT_TRUE(host.IsMouseCursorShown()) << c.name;
    SetSetting("dxbroken", "0");
  }
  TFlashMovie::SetControlHost(&flash);
  // The name itself is tried when "assets/" holds no such file.
  std::ofstream("outside.swf") << "movie";
  EXPECT_EQ(Call("StartMovie('outside.swf', false, false)"), "true");
}

TEST_F(FlashMovieTest, ControlCallsFailOnceItsWindowIsGone) {
  Run("StartMovie('intro.swf', false, false)");
  TFlashMovie movie("intro.swf");
  ASSERT_TRUE(movie.Start(true, false, false));
  EXPECT_TRUE(movie.IsPlaying());
  DestroyWindow(movie.GetHostWindow());
  EXPECT_FALSE(movie.IsPlaying());
  EXPECT_EQ(flash.calls.back(), "Loop=1");
}

TEST_F(FlashMovieTest, SplashPlaysTheMovieOrFallsBackToItsImage) {
  PutSolidPng("splash.png", 80, 60);
  StartMain("DisplaySplash('intro.swf', 'splash.png', 500) gDone = 1");
  EXPECT_TRUE(manager->IsMoviePlaying());
  flash.playing = false;
  Advance(2);
  Idle();
  EXPECT_EQ(GlobalNumber("gDone"), 1);
  EXPECT_FALSE(manager->IsMoviePlaying());
  EXPECT_EQ(manager->GetTopModal(), screen);
  // The program's own backend finds no control host: the image shows for its duration.
  TFlashMovie::SetControlHost(nullptr);
  StartMain("DisplaySplash('intro.swf', 'splash.png', 500) gDone = 2");
  TImage* image = static_cast<TImage*>(manager->GetTopModal()->FindChild("splashimage", -1));
  ASSERT_NE(image, nullptr);
  EXPECT_TRUE(image->HasTexture());
  EXPECT_TRUE(host.IsMouseCursorShown());
  for (int i = 0; i < 10; i++) {
    Advance(60);
    Idle();
  }
  EXPECT_EQ(GlobalNumber("gDone"), 2);
  EXPECT_EQ(manager->GetTopModal(), screen);
}

TEST_F(FlashMovieTest, AbortResumesOnlyAWaitingScript) {
  Run("StartMovie('intro.swf', false, false)");
  StartMain("Yield() gAfterYield = 1 HandleGetMessage() gAborted = 1");
  int top = lua_gettop(L());
  script->AbortMovie();  // suspended in a plain Yield: the movie stops, the script stays
  EXPECT_TRUE(GlobalIsNil("gAfterYield"));
  EXPECT_FALSE(manager->IsMoviePlaying());
  EXPECT_EQ(lua_gettop(L()), top);
  Advance(1);
  Idle();  // the task timer resumes it into its wait
  EXPECT_EQ(GlobalNumber("gAfterYield"), 1);
  Run("StartMovie('intro.swf', false, false)");
  script->AbortMovie();
  EXPECT_EQ(GlobalNumber("gAborted"), 1);
}

}  // namespace
