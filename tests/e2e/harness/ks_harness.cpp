// ksHarness: the test-harness library the program loads by name at start ("ksHarness.dll",
// export "TestHook"). It is inert unless an ORVELLA_HARNESS_* variable asks for something (the
// controls are listed in tests/e2e/README.md). It shares the program's platform layer (one
// shared library), so it drives the program's own windows, queue and clock: it replaces the
// command line, plays a script of input and clock steps at given frames (idle turns of the
// program's pump) or times, captures presented frames to PNG, records what the sound devices
// played and ends the run with WM_QUIT. An "await" step holds the rest of the script until the
// main window reaches a state, so a test can make the program wait for another process.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <time.h>

#include "platform/directx/directx_test_control.h"
#include "platform/dsound/dsound_test_control.h"
#include "platform/test_control.h"
#include "platform/win32/win32.h"
#include "platform/wininet/wininet_test_control.h"

#define HARNESS_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct Step {
  bool byTime = false;  // else by frame
  uint32_t when = 0;
  std::string action;
  std::vector<std::string> args;
  bool done = false;
};

// Main thread only: the hook runs inside the program's pump.
std::vector<Step> gSteps;
long gQuitAfterIdle = -1;
uint32_t gClockStep = 0;
uint32_t gStartTime = 0;
long gFrames = 0;
bool gCloseSent = false;
std::string gCommandLine;
FILE* gReport = nullptr;
FILE* gSoundTap = nullptr;
uint64_t gFramesPlayed = 0;  // output frames the manual sound device has played
std::string gFirstFramePath;  // emptied once the first presented frame's time is written

void Report(const char* format, const std::string& text) {
  if (!gReport) return;
  fprintf(gReport, "frame %ld time %u: ", gFrames, (unsigned)(timeGetTime() - gStartTime));
  fprintf(gReport, format, text.c_str());
  fputc('\n', gReport);
  fflush(gReport);
}

int Arg(const Step& s, size_t i, int def = 0) { return i < s.args.size() ? atoi(s.args[i].c_str()) : def; }

TestControl::MouseButton ButtonOf(const std::string& name) {
  if (name == "right") return TestControl::kRight;
  if (name == "middle") return TestControl::kMiddle;
  if (name == "x1") return TestControl::kX1;
  if (name == "x2") return TestControl::kX2;
  return TestControl::kLeft;
}

void Capture(const std::string& path) {
  std::vector<uint32_t> pixels;
  int width = 0, height = 0;
  bool ok = TestControl::Display::GetLastPresentedFrame(pixels, width, height) &&
            TestControl::Display::WritePng(path, pixels.data(), width, height, width);
  Report(ok ? "captured %s" : "no frame to capture for %s", path);
}

void Run(const Step& s, HWND main) {
  const std::string& a = s.action;
  if (a == "move") {
    TestControl::InjectMouseMove(main, Arg(s, 0), Arg(s, 1));
  } else if (a == "button" && s.args.size() >= 4) {
    TestControl::InjectMouseButton(main, ButtonOf(s.args[0]), s.args[1] == "down", Arg(s, 2), Arg(s, 3));
  } else if (a == "wheel") {
    TestControl::InjectMouseWheel(main, Arg(s, 0), Arg(s, 1), Arg(s, 2));
  } else if (a == "key" && s.args.size() >= 2) {
    TestControl::InjectKey(main, (UINT)strtoul(s.args[0].c_str(), nullptr, 0), s.args[1] == "down",
                           s.args.size() > 2 && s.args[2] == "extended");
  } else if (a == "text") {
    std::string text;
    for (size_t i = 0; i < s.args.size(); i++) text += (i ? " " : "") + s.args[i];
    TestControl::InjectText(main, text);
  } else if (a == "activate") {
    TestControl::InjectActivateApp(main, Arg(s, 0, 1) != 0);
  } else if (a == "minimize") {
    TestControl::InjectMinimize(main);
  } else if (a == "restore") {
    TestControl::InjectRestore(main);
  } else if (a == "close") {
    TestControl::InjectClose(main);
  } else if (a == "clock") {
    if (TestControl::IsManualClock()) TestControl::AdvanceClock((uint32_t)Arg(s, 0));
  } else if (a == "clockat") {
    // Pins the program's time at a step, whatever came before it, so that a game seeded from
    // the clock plays the same after any way there.
    uint32_t at = (uint32_t)strtoul(s.args.empty() ? "0" : s.args[0].c_str(), nullptr, 10), now = timeGetTime();
    if (!TestControl::IsManualClock() || now > at) {
      Report("%s", "clock already past " + std::to_string(at) + " at " + std::to_string(now));
      return;
    }
    TestControl::AdvanceClock(at - now);
  } else if (a == "capture" && !s.args.empty()) {
    Capture(s.args[0]);
    return;
  } else if ((a == "click" || a == "point") && !s.args.empty()) {
    // A window of the program's current screen by name, wherever its layout puts it.
    int x = 0, y = 0;
    if (!TestControl::FindWindowByName(s.args[0].c_str(), &x, &y)) {
      Report("no window %s", s.args[0]);
      return;
    }
    TestControl::InjectMouseMove(main, x, y);
    if (a == "click") {
      TestControl::InjectMouseButton(main, TestControl::kLeft, true, x, y);
      TestControl::InjectMouseButton(main, TestControl::kLeft, false, x, y);
    }
    Report("%s", a + " " + s.args[0] + " at " + std::to_string(x) + " " + std::to_string(y));
    return;
  } else if (a == "clipboard" && !s.args.empty()) {
    std::ofstream(s.args[0], std::ios::binary) << TestControl::ClipboardBytes(CF_TEXT);
  } else if (a == "quit") {
    PostMessageA(main, WM_QUIT, (WPARAM)Arg(s, 0), 0);
  }
  Report("%s", a);
}

// The sound devices play as much as the program's clock has moved on since the harness
// started, and what they played is appended to the tap file (16-bit stereo at 44100 Hz). The
// mixing threads first finish the ticks due by now, and the clock moves on only after this, so
// each tick comes before its frames play however the threads are scheduled.
void PlaySound() {
  if (!gSoundTap) return;
  if (TestControl::IsManualClock() && !TestControl::WaitForClockSettled(2000))
    Report("%s", "sound threads did not settle");
  uint64_t due = (uint64_t)(timeGetTime() - gStartTime) * 44100 / 1000;
  if (due > gFramesPlayed) DSoundTest::AdvanceFrames((uint32_t)(due - gFramesPlayed));
  gFramesPlayed = due;
  std::vector<int16_t> played = DSoundTest::TakeOutput();
  DSoundTest::TakeWrites();  // only the mix is kept
  fwrite(played.data(), sizeof(int16_t), played.size(), gSoundTap);
  fflush(gSoundTap);
}

// The window states an "await" step waits for.
// "requests N": until N of the program's HTTP requests have ended and 100 ms more have passed
// (the program's worker reports the end just after the request closes), or ten seconds: a reply
// comes from another thread, on real time, not on the program's clock.
bool StateReached(const std::string& state, const Step& step, HWND main) {
  if (state == "requests") {
    static timespec since{}, ended{};
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    auto ms = [&now](const timespec& t) { return (now.tv_sec - t.tv_sec) * 1000 + (now.tv_nsec - t.tv_nsec) / 1000000; };
    if (since.tv_sec == 0) since = now;
    if (ended.tv_sec == 0 && WininetTestControl::EndedRequestCount() >= Arg(step, 1)) ended = now;
    bool done = (ended.tv_sec != 0 && ms(ended) >= 100) || ms(since) > 10000;
    if (done) since = ended = timespec{};
    return done;
  }
  if (state == "minimized") return IsIconic(main);
  if (state == "restored") return !IsIconic(main);
  if (state == "foreground") return GetForegroundWindow() == main;
  if (state == "background") return GetForegroundWindow() != main;
  return true;  // an unknown state would hold the script for ever
}

// The wall-clock time of the first idle turn after a frame was presented, so that a measuring
// script can take the start-up time against a time it took before starting the program; and the
// processor time the process had used by then (seconds), which a busy machine inflates less.
void NoteFirstFrame() {
  if (gFirstFramePath.empty() || TestControl::Display::GetPresentCount() == 0) return;
  timespec now, used;
  clock_gettime(CLOCK_REALTIME, &now);
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
  if (FILE* f = fopen(gFirstFramePath.c_str(), "w")) {
    fprintf(f, "%lld.%06ld %lld.%06ld\n", (long long)now.tv_sec, now.tv_nsec / 1000, (long long)used.tv_sec,
            used.tv_nsec / 1000);
    fclose(f);
  }
  gFirstFramePath.clear();
}

void OnIdle(void*) {
  gFrames++;
  NoteFirstFrame();
  PlaySound();
  if (gClockStep && TestControl::IsManualClock()) TestControl::AdvanceClock(gClockStep);
  HWND main = TestControl::FindProgramWindow();
  if (!main) return;
  uint32_t elapsed = timeGetTime() - gStartTime;
  for (Step& s : gSteps) {
    if (s.done) continue;
    if (s.byTime ? elapsed < s.when : (uint32_t)gFrames < s.when) continue;
    if (s.action == "await") {
      std::string state = s.args.empty() ? "" : s.args[0];
      if (!StateReached(state, s, main)) break;  // the steps after it wait too
      s.done = true;
      // The frames after it count from when it let go, so they keep their distance from it.
      // So do the timed steps after a timed one.
      uint32_t late = s.byTime ? elapsed - s.when : (uint32_t)gFrames - s.when;
      if (late > 0)
        for (Step& later : gSteps)
          if (!later.done && later.byTime == s.byTime && &later != &s) later.when += late;
      if (state == "requests")
        Report("await %s", "requests " + std::to_string(Arg(s, 1)) + ": " +
                               std::to_string(WininetTestControl::EndedRequestCount()) + " ended");
      else
        Report("await %s", state);
      continue;
    }
    s.done = true;
    Run(s, main);
  }
  if (gQuitAfterIdle >= 0 && !gCloseSent && gFrames >= gQuitAfterIdle) {
    TestControl::InjectClose(main);
    gCloseSent = true;
  }
}

// One step a line: "frame N ACTION ARGS..." or "time MS ACTION ARGS..."; "#" starts a comment.
void LoadScript(const char* path) {
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    size_t hash = line.find('#');
    if (hash != std::string::npos) line.resize(hash);
    std::istringstream words(line);
    std::string kind;
    Step s;
    if (!(words >> kind >> s.when >> s.action)) continue;
    if (kind != "frame" && kind != "time") continue;
    s.byTime = kind == "time";
    std::string w;
    while (words >> w) s.args.push_back(w);
    gSteps.push_back(s);
  }
}

LRESULT CALLBACK HarnessProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

HARNESS_EXPORT HWND TestHook(char** commandLine) {
  const char* quit = std::getenv("ORVELLA_HARNESS_QUIT_AFTER_IDLE");
  const char* line = std::getenv("ORVELLA_HARNESS_COMMAND_LINE");
  const char* script = std::getenv("ORVELLA_HARNESS_SCRIPT");
  const char* clock = std::getenv("ORVELLA_HARNESS_MANUAL_CLOCK");
  const char* report = std::getenv("ORVELLA_HARNESS_REPORT");
  const char* sound = std::getenv("ORVELLA_HARNESS_SOUND_TAP");
  const char* firstFrame = std::getenv("ORVELLA_HARNESS_FIRST_FRAME");
  if (!quit && !line && !script && !clock && !sound && !firstFrame) return nullptr;
  if (firstFrame) gFirstFramePath = firstFrame;
  if (line && commandLine) {
    gCommandLine = line;
    *commandLine = gCommandLine.data();
  }
  if (clock) {
    unsigned start = 0, step = 0;
    sscanf(clock, "%u:%u", &start, &step);
    TestControl::UseManualClock(start);
    gClockStep = step;
  }
  gStartTime = timeGetTime();
  if (report) gReport = fopen(report, "a");
  // Before the program makes its sound devices: they play only when the harness says.
  if (sound && (gSoundTap = fopen(sound, "wb"))) {
    DSoundTest::UseManualDevice(true);
    DSoundTest::EnableTap(true);
  }
  if (script) LoadScript(script);
  if (quit) gQuitAfterIdle = std::atol(quit);
  TestControl::SetIdleHook(OnIdle, nullptr);
  // The harness's own message-only window: the program posts WM_QUIT to it when it ends.
  WNDCLASSA wc{};
  wc.lpfnWndProc = HarnessProc;
  wc.lpszClassName = "ksHarness";
  RegisterClassA(&wc);
  return CreateWindowExA(0, "ksHarness", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
}
