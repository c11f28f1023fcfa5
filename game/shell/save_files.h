// The scripts' ways to keep data between runs and to ask how the program was configured: the
// current user's save string in the preferences, plain text files in the per-user folder (the
// save files end ".quill3"), the local score list and yes/no configuration queries. Bound by
// RegisterGameLibrary.
#pragma once

#include <string>

#include "core/base/str.h"

// The current user's "savegame" preference; empty with no current user.
TStr LoadGameString();
// Stored for the current user and saved at once; nothing with no current user.
void SaveGameString(TStr text);
// The next save file's bare name (without "user:" and ".quill3"), one per call in the file
// map's order; empty after the last, and the call after that starts again.
TStr NextSaveFileName();
// Replaces "user:" + name with the whole text (bytes after a NUL too) through a temporary
// file renamed over it, so a crash or a full disk leaves the previous file whole. False (and a
// log line) when nothing was written.
bool WriteToFile(TStr name, const std::string& text);
// The whole file "user:" + name; empty when it cannot be read or is larger than a save can be.
std::string ReadFromFile(TStr name);
// "local", "anonymous", "earlyview", "dev" (settings) and "xsell" (a file); false otherwise.
bool CheckConfig(TStr key);
// An entry in the local score list of the current game mode.
void LogScore(int score, TStr gameData, TStr serverData);

// Save files larger than this are refused when read.
constexpr size_t kMaxSaveFileBytes = 64u << 20;
