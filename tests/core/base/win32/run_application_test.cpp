// The runner: start-up facts, switches, the embedded modes and shut-down, with the real harness
// ending the run.
#include "core/base/win32/run_application.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/base/game_state.h"
#include "core/base/log.h"
#include "tests/core/base/win32/platform_fixture.h"
#include "tests/support/host_file.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

std::string Cwd() {
  char buffer[4096];
  DWORD n = GetCurrentDirectoryA(sizeof buffer, buffer);
  return std::string(buffer, n);
}

std::string ProgramFolder() {
  char buffer[4096];
  DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  std::string path(buffer, n);
  return path.substr(0, path.rfind('/') + 1);
}

using RunnerTest = PlatformFixture;

TEST_F(RunnerTest, StartsRecordsItsFactsAndShutsDownThroughTheHarness) {
  TempFolder work;
  std::string folder = work.File("a work folder/x");
  fs::create_directories(folder);
  std::string script = work.File("script.txt");
  std::ofstream(script) << "# end the run from the pump's fifth idle turn\nframe 5 quit\n";
  setenv("ORVELLA_HARNESS_SCRIPT", script.c_str(), 1);
  SetSetting("gamename", "runner-test-game");
  std::string start = Cwd();

  std::string line = "-wd=\"" + folder + "\" --cheat abc def options=vsync=1&verbosedebug=1 -url=http://h/d z";
  HWND main = nullptr;
  int events = 0;
  std::string userFolder;
  RunPlatform(line, [&](TPlatform* p) {
    EXPECT_EQ(TPlatform::GetInstance(), p);
    main = p->GetMainWindow();
    EXPECT_TRUE(IsWindow(main));
    EXPECT_EQ(Cwd(), folder);
    EXPECT_EQ(GetSetting("cheatcode"), TStr("abc"));
    EXPECT_EQ(GetSetting("vsync"), TStr("1"));
    EXPECT_EQ(GetSetting("verbosedebug"), TStr("1"));
    EXPECT_EQ(GetSetting("downloadurl"), TStr("http://h/d"));
    EXPECT_EQ(GetSetting("memorymax"), TStr("100000000"));
    // Written before the implementation existed in the original order; it reaches the log now.
    EXPECT_EQ(GetLogMemoryLimit(), 100000000);
    EXPECT_EQ(GetSetting("startupdir"), TStr(start.c_str()));
    EXPECT_FALSE(GetSetting("installkey").IsEmpty());
    EXPECT_EQ(GetSetting("computerid").Length(), 16);
    EXPECT_EQ(GetSetting("gamename"), TStr("runner-test-game"));
    EXPECT_EQ(GetSetting("version"), TStr("3.0.0.1"));
    EXPECT_EQ(GetSetting("buildtag"), TStr("quillomer-lorvane"));
    EXPECT_EQ(GetSetting("hwnd"), TStr::Format("%d", (int)(intptr_t)main));
    EXPECT_EQ(GetSetting("activex", "absent"), TStr("absent"));

    TGameState* store = TGameState::GetInstance();
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(store->GetState("cmdline"), TStr(TPlatform::GetCommandLine()));
    userFolder = store->GetState("userdatadir").c_str();
    EXPECT_EQ(userFolder.rfind(getenv("ORVELLA_APPDATA_DIR"), 0), 0u) << userFolder;
    EXPECT_TRUE(fs::is_directory(userFolder));
    EXPECT_FALSE(store->GetState("commondatadir").IsEmpty());

    TPlatformEvent e;
    do {
      p->GetEvent(&e);
      events++;
    } while (e.type != kEventQuit && events < 10000);
    // The pump's first call told the store that loading is done.
    EXPECT_EQ(store->GetState("loadbroadcast"), TStr("1"));
    EXPECT_EQ(store->GetState("sessionready"), TStr("1"));
  });
  unsetenv("ORVELLA_HARNESS_SCRIPT");
  EXPECT_LT(events, 10000);
  EXPECT_EQ(TPlatform::GetInstance(), nullptr);
  EXPECT_EQ(TGameState::GetInstance(), nullptr);
  EXPECT_FALSE(IsWindow(main));
  EXPECT_EQ(GetSetting("gamename", "gone"), TStr("gone"));  // the settings went with the platform

  std::string log = ReadHostFile(userFolder + "/logfile.txt");
  EXPECT_NE(log.find("Switching current directory to: " + folder), std::string::npos) << log;
  EXPECT_NE(log.find("runner-test-game, version 3.0.0.1."), std::string::npos) << log;
  SetCurrentDirectoryA(start.c_str());
}

TEST_F(RunnerTest, QuotedWorkingFolderLeavesLaterSwitchesReadable) {
  TempFolder work;
  std::string folder = work.File("with blank/dir");
  fs::create_directories(folder);
  std::string start = Cwd();
  RunPlatform("-wd=\"" + folder + "\" -msn", [&](TPlatform*) {
    EXPECT_EQ(Cwd(), folder);
    EXPECT_TRUE(IsMsnHost());
    // The store existed before the platform (the portal switch made it) and kept its handler.
    EXPECT_EQ(TGameState::GetInstance()->GetHandlerCount(), 1);
  });
  SetCurrentDirectoryA(start.c_str());
}

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeHostWindow() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = HostProc;
  wc.lpszClassName = "runner_test_host";
  RegisterClassA(&wc);
  return CreateWindowExA(0, "runner_test_host", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 480, nullptr,
                         nullptr, nullptr, nullptr);
}

TEST_F(RunnerTest, EmbeddedWithoutHostedModeWritesNoLogAndKeepsTheProgramFolder) {
  HWND host = MakeHostWindow();
  ASSERT_NE(host, nullptr);
  RunPlatform(TStr::Format("-wnd=%x", (unsigned)(uintptr_t)host).c_str(), [&](TPlatform* p) {
    EXPECT_EQ(GetLogPath(), TStr());
    EXPECT_EQ(GetSetting("activex"), TStr("1"));
    EXPECT_EQ(GetParent(p->GetMainWindow()), host);
    EXPECT_EQ(p->GetHostWindow(), host);
    TGameState* store = TGameState::GetInstance();
    EXPECT_EQ(store->GetState("userdatadir"), TStr(ProgramFolder().c_str()));
    EXPECT_EQ(store->GetState("commondatadir"), TStr(ProgramFolder().c_str()));
  });
  EXPECT_TRUE(IsWindow(host));  // the host's window is not ours to destroy
  DestroyWindow(host);
}

TEST_F(RunnerTest, AnInvalidHostHandleEndsTheProcessWithMinusOne) {
  EXPECT_EXIT(RunPlatform("-wnd=0", [](TPlatform*) {}), ::testing::ExitedWithCode(255), "");
  EXPECT_EXIT(RunPlatform("-wnd=7ffffff1", [](TPlatform*) {}), ::testing::ExitedWithCode(255), "");
}

TEST_F(RunnerTest, TestModeHostIsTheMainWindowAndOurOwnChunksNeverComeBack) {
  RunPlatform("--axtest -zylom", [](TPlatform* p) {
    EXPECT_EQ(p->GetHostWindow(), p->GetMainWindow());
    EXPECT_EQ(GetSetting("activex"), TStr("1"));
    TGameState* store = TGameState::GetInstance();
    store->SetState("pause", "1");  // the Zylom handler posts GamePause to the host
    Drain(p);
    EXPECT_EQ(store->GetState("windowmessage"), TStr());
  });
}

TEST(OptionPairsTest, ValuesEndAtAmpersandOrBlankWhicheverComesFirst) {
  struct Case {
    const char* text;
    std::vector<std::pair<const char*, const char*>> want;  // value null: absent
  } cases[] = {
      {"vsync=1&verbosedebug=1", {{"vsync", "1"}, {"verbosedebug", "1"}}},
      {"a=1 b=2", {{"a", "1"}, {"b", "2"}}},
      {"a=1 b=2&c=3", {{"a", "1"}, {"b", "2"}, {"c", "3"}}},
      {"a=1  b=2", {{"a", "1"}, {"b", nullptr}}},
      {"a=1 -msn", {{"a", "1"}, {"-msn", nullptr}}},
      {"a=", {{"a", ""}}},
      {" a=1", {{"a", nullptr}}},
  };
  for (const Case& c : cases) {
    ClearSettingsForTest();
    ApplyOptionPairs(c.text);
    for (auto& [name, value] : c.want) {
      if (value)
        EXPECT_EQ(GetSetting(name, "absent"), TStr(value)) << c.text << " " << name;
      else
        EXPECT_EQ(GetSetting(name, "absent"), TStr("absent")) << c.text << " " << name;
    }
  }
  ClearSettingsForTest();
}

TEST(CheatCodeTest, CodeFollowsOneSeparatorAndEndsAtABlank) {
  EXPECT_EQ(CheatCode("--cheat abc def"), TStr("abc"));
  EXPECT_EQ(CheatCode("x --cheat=xyz"), TStr("xyz"));
  EXPECT_EQ(CheatCode("--cheat"), TStr());  // nothing past the end is read
  EXPECT_EQ(CheatCode("-msn"), TStr());
}

// Native code loads only from what was installed with the program: a module dropped in a data
// folder, which any program of the user can write, is refused and logged.
TEST_F(RunnerTest, PluginModulesLoadFromTheAssetsFolderOnly) {
  std::string userFolder, commonFolder;
  RunPlatform("", [&](TPlatform*) {
    userFolder = TGameState::GetInstance()->GetState("userdatadir").c_str();
    commonFolder = TGameState::GetInstance()->GetState("commondatadir").c_str();
  });
  TempFolder work;
  std::string module = std::string(getenv("ORVELLA_BIN_DIR")) + "/valid.ksmod";
  std::string dropped[] = {userFolder + "/dropped.ksmod", commonFolder + "/shared/dropped.ksmod"};
  fs::create_directories(commonFolder + "/shared");
  for (const std::string& to : dropped) fs::copy_file(module, to, fs::copy_options::overwrite_existing);
  fs::copy_file(module, work.File("assets/mods/installed.ksmod"));
  std::string trace = work.File("trace.txt");
  setenv("KSMOD_TRACE", trace.c_str(), 1);
  std::string start = Cwd();

  RunPlatform("-wd=" + work.Path(), [&](TPlatform*) {
    EXPECT_EQ(TGameState::GetInstance()->GetHandlerCount(), 1);
    std::string calls = ReadHostFile(trace);
    EXPECT_EQ(calls.find("create"), 0u) << calls;
    EXPECT_EQ(calls.find("create", 1), std::string::npos) << calls;  // one module made one handler
  });
  unsetenv("KSMOD_TRACE");
  SetCurrentDirectoryA(start.c_str());
  for (const std::string& to : dropped) fs::remove(to);
  std::string log = ReadHostFile(userFolder + "/logfile.txt");
  for (const char* key : {"user:dropped.ksmod", "common:shared/dropped.ksmod"})
    EXPECT_NE(log.find(std::string("Plug-in module ") + key + " refused"), std::string::npos) << key << "\n" << log;
  EXPECT_EQ(log.find("installed.ksmod refused"), std::string::npos) << log;
}

}  // namespace
