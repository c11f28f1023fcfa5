// RunApplication: the program's start-up and shut-down around the game's main callback.
#pragma once

#include "core/base/platform.h"
#include "platform/win32/win32.h"

// The game's main loop: takes events from the platform until the quit event, then returns.
typedef void (*TGameMainFn)(TPlatform* platform, const char* commandLine);

// Reads the command line (which the test harness may replace), builds the platform, creates
// the window, records the start-up facts, runs the callback and tears everything down.
// Returns the program's exit code; some start-up failures end the process instead (an invalid
// "-wnd=" handle: -1; a second instance: 0).
int RunApplication(HINSTANCE instance, HINSTANCE previous, char* commandLine, int show, TGameMainFn main,
                   bool allowMultiple);

// The "options=" pairs: name=value, each value ending at the first "&" or blank.
void ApplyOptionPairs(const char* text);
// The "--cheat" code: after one separator character, up to the first blank.
TStr CheatCode(const char* commandLine);
// Start-up step: loads the ".ksmod" modules of the file map as game-state handlers. Only loose
// files of the program's folder or the assets folder load; others are refused with a log line.
void LoadPluginModules(const TStr& programFolder);
// Loads "ksHarness.dll" and calls its "TestHook" with the command-line pointer's address;
// answers the window that gets WM_QUIT at the end (null without a harness).
HWND LoadTestHarness(char** commandLine);
