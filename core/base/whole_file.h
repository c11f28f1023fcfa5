// Whole-file reads and safe replacing writes through the file layer: every saver of the
// framework (preferences, saved high scores, settings written back) goes through these.
#pragma once

#include <cstddef>
#include <vector>

#include "core/base/str.h"

// The whole file at a virtual path; false when it does not open. At most maxBytes are read
// (the rest is left unread), so a hostile file cannot make its reader allocate without limit.
bool ReadWholeFile(TStr path, std::vector<char>* out, size_t maxBytes = 0x7FFFFFFF);

// Writes the bytes to a temporary file beside the target (removing a stale one first), flushes
// it to the disk, renames it over the target and flushes the folder. Any failure before the
// rename (a full disk or quota found at write, flush or close time, a failed rename) leaves the
// previous file as it was, removes the temporary file and logs why. A failed folder flush after
// the rename is logged as such: the new file is in place. False when nothing was replaced.
bool WriteFileReplacing(TStr path, const void* data, size_t size);
