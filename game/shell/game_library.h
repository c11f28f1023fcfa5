// The game script library: the general native functions the game's scripts call (calendar and
// money text, integer arithmetic, random integers, the clock, operations on windows found by
// name) and small native helpers other parts of the game share. RegisterGameLibrary binds
// these and the save-file and configuration functions (save_files.h) as script globals.
#pragma once

#include <cstdint>

#include "core/base/str.h"
#include "core/base/vec2.h"
#include "core/base/vec3.h"

class TLuaTable;
class TText;
class TWindow;

// Binds the 19 library functions into the window manager's script state.
void RegisterGameLibrary();

// The game's calendar starts on day 171 of 1946 and counts in weeks; every year has 365 days.
// The month names and the order of the parts come from the framework's string table
// ("month_1".."month_12", "date_format" with %1 month, %2 day, %3 year).
TStr Date(double weeks);
uint32_t DayOfYear(double weeks);
// "$1,234", "-$1,234,567"; halves round away from zero; anything within half a dollar of 0 (and
// a value that is not a finite number) is "$0".
TStr Dollars(double amount);
// Both taken as unsigned 32-bit integers (so -1 counts from 4294967296); a divisor of 0 gives 0.
uint32_t Mod(double a, double b);
// An integer from lo to hi, both included, from the program's generator; as unsigned 32-bit.
uint32_t RandRange(double lo, double hi);
double Floor(double x);
double Pow(double x, double y);
// The game clock (the platform's time) in milliseconds.
uint32_t CurrentTime();

// Window functions: the window is looked up by name in the whole tree; nothing happens when no
// window has the name.
// (script name SetWindowPos)
void SetWindowPosition(TStr name, double x, double y);
// alpha 0..255 over the window and everything below it.
void SetAlpha(TStr name, double alpha);
void FillWindow(TStr name, TStr script);
// Relabels a layered button below the top modal window in all four of its state layers
// ("label0".."label3").
void SetLayeredLabel(TStr name, TStr text);

// Helpers.
// Squared distance from c to the segment a-b (its nearest point, a or b beyond the ends).
float PointToSegmentDistanceSquared(const TVec3& a, const TVec3& b, const TVec3& c);
// Entries 1 and 2 of the table, each 0 when missing (null gives (0, 0)).
TVec2 TableToVec2(TLuaTable* table);
// Replaces the window's children with what the script file builds for it (nothing for null).
void FillWindowFromScript(TWindow* window, TStr script);
// The window as a text window, or null.
TText* CastToText(TWindow* window);
