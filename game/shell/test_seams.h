// What the game offers tests that run it whole. Nothing here changes how the game plays.
//
// The coverage record, for tests that want to know what a run reached. With the setting
// "coveragelog" (a file's path) each run appends to the file one line a name, once a run:
//   "known class KEY"   every window-class key the game registers, at start
//   "class KEY"         a script made a window of that key
//   "bound NAME"        the game bound a native script function (framework ones come before)
//   "called NAME"       a script called one of those (by its name, or through a local or a table)
//   "sound NAME"        a sound event went through the sound bridge
// Without the setting nothing is recorded and nothing is hooked.
#pragma once

// Hooks the window script's state and window creation; before the game binds its first function.
// classKeys: the game's window-class keys, null-terminated.
void StartCoverageLog(const char* const* classKeys);
void NoteSoundCoverage(const char* name);

// Lets a test harness inside the program find a window of the current screen by name (the
// centre of a visible window under the top modal dialog), so that its scripts can click a
// button wherever the screen's layout puts it.
void OfferWindowFinder();
