// Feeds arbitrary bytes to the credits roll as its text file. Every line read must add exactly
// one line to each of the three columns, so that a role stays beside its name however the file
// is broken (long lines, bare carriage returns, zero bytes, markup); the columns then go through
// the layout the roll uses.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "core/base/memory_file.h"
#include "core/graphics/text/text_layout.h"
#include "game/shell/world/credits.h"

namespace {

int Lines(const TStr& text) {
  int n = 0;
  for (int i = 0; i < text.Length(); i++) n += text[(unsigned)i] == '\n';
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  RegisterMemoryFile("fuzz/credits.txt", data, (uint32_t)size);
  TCredits::Columns columns;
  if (!TCredits::ReadFile("fuzz/credits.txt", "c08040ff", columns)) {
    fprintf(stderr, "credits: the file in memory did not open\n");
    abort();
  }
  RegisterMemoryFile("fuzz/credits.txt", nullptr, 0);
  if (Lines(columns.left) != Lines(columns.right) || Lines(columns.left) != Lines(columns.centre)) {
    fprintf(stderr, "credits: the columns lost step (%d, %d, %d lines)\n", Lines(columns.left), Lines(columns.right),
            Lines(columns.centre));
    abort();
  }
  for (const TStr* text : {&columns.left, &columns.right, &columns.centre}) {
    TTextLayout* layout = TTextLayout::Create(*text, 200, 120, 1, "", 14, TColor(1, 1, 1, 1));
    TRect bounds;
    layout->GetBounds(bounds, 1.0f);
    TTextLayout::Destroy(layout);
  }
  return 0;
}
