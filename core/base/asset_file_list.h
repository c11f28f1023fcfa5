// The asset file list: builds the file map at start-up from the exclusion manifest, the
// packed asset files (".ksp") and the loose files of the assets and data folders.
#pragma once

#include "core/base/file.h"
#include "core/base/str.h"

// Once, after SetDataFolders and before anything is loaded.
void BuildFileMap();
// Words separated by blanks, tabs and line ends; "-*" empties the set. True when "-*" was met.
bool ParseExclusionList(char* text, bool add);
void ScanFolder(TStr realFolder, TStr virtualPrefix);
void MountPacks(TStr realFolder, TFileMap& map);
// Mounts one pack ("::" path). A pack whose directory does not fit its file is skipped whole
// with a log line. False when nothing was mounted.
bool MountPack(TStr packPath, TFileMap& map);
bool IsPathAllowed(TStr path);

// A manifest of this many bytes or more is ignored.
constexpr int kMaxManifestBytes = 100000;
