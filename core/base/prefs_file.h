// Whole-file reads and replacing writes through the file layer, shared by the preferences and
// the saved high scores.
#pragma once

#include <cstddef>
#include <vector>

#include "core/base/str.h"

// The whole file at a virtual path; false when it does not open.
bool ReadWholeFile(TStr path, std::vector<char>* out);

// Writes the bytes to a temporary file beside the target and renames it over the target, so a
// crash or a full disk leaves the previous file whole. False when nothing was replaced.
bool WriteFileReplacing(TStr path, const void* data, size_t size);
