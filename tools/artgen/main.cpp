// artgen OUTDIR [AREA...]: draws the game's pictures into OUTDIR by asset key (all areas, or
// the ones named). `artgen --list` names the areas; `artgen --preview OUTDIR` draws mock screens
// of the pictures together, for looking at them.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/artgen/output.h"
#include "tools/usage.h"

namespace {
const char* const kUsage = "usage: artgen OUTDIR [AREA...] | artgen --list | artgen --preview OUTDIR\n";
}  // namespace

int main(int argc, char** argv) {
  auto areas = Art::Areas();
  std::sort(areas.begin(), areas.end());
  if (ToolArgs::WantsHelp(argc, argv)) return ToolArgs::Help(kUsage);
  if (argc < 2) return ToolArgs::Usage(kUsage);
  if (std::strcmp(argv[1], "--list") == 0) {
    for (const auto& a : areas) std::printf("%s\n", a.first.c_str());
    return 0;
  }
  if (std::strcmp(argv[1], "--preview") == 0 && argc == 3) {
    Art::Sink out(argv[2]);
    for (const auto& p : Art::Previews()) p.second(out);
    return out.Ok() ? 0 : 1;
  }
  if (argv[1][0] == '-') return ToolArgs::Usage(kUsage);
  for (int i = 2; i < argc; i++) {
    bool known = std::any_of(areas.begin(), areas.end(), [&](const auto& a) { return a.first == argv[i]; });
    if (!known) {
      std::fprintf(stderr, "artgen: no area named %s\n", argv[i]);
      return ToolArgs::Usage(kUsage);
    }
  }
  Art::Sink out(argv[1]);
  for (const auto& a : areas) {
    bool wanted = argc == 2;
    for (int i = 2; i < argc; i++) wanted |= a.first == argv[i];
    if (wanted) a.second(out);
  }
  return out.Ok() ? 0 : 1;
}
