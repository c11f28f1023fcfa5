// tonegen OUT.ogg [frequency] [seconds] [channels] [amplitude]: writes a sine test tone.
#include <cstdio>

#include "tools/tonegen/tone.h"
#include "tools/usage.h"

namespace {

const char kUsage[] =
    "usage: tonegen OUT.ogg [frequency] [seconds] [channels] [amplitude]\n"
    "  frequency: hertz, above 0 and below 22050 (440)\n"
    "  seconds: above 0, at most 600 (1)\n"
    "  channels: 1 or 2 (2)\n"
    "  amplitude: of full scale, 0 to 1 (0.5)\n";

// Test tones are short: ten minutes is far past any use, and a bound keeps a slip of the
// keyboard from encoding for hours.
constexpr double kMaxSeconds = 600;

}  // namespace

int main(int argc, char** argv) {
  if (ToolArgs::WantsHelp(argc, argv)) return ToolArgs::Help(kUsage);
  if (argc < 2 || argc > 6 || argv[1][0] == '-') return ToolArgs::Usage(kUsage);
  ToneGen::ToneSpec spec;
  double seconds = 1.0;
  long channels = spec.channels;
  double nyquist = spec.rate / 2.0;
  bool ok = (argc <= 2 || ToolArgs::ParseNumber(argv[2], 0, nyquist, &spec.frequency)) &&
            (argc <= 3 || ToolArgs::ParseNumber(argv[3], 0, kMaxSeconds, &seconds)) &&
            (argc <= 4 || ToolArgs::ParseInt(argv[4], 1, 2, &channels)) &&
            (argc <= 5 || ToolArgs::ParseNumber(argv[5], 0, 1, &spec.amplitude));
  spec.channels = (int)channels;
  spec.frames = (uint32_t)(seconds * spec.rate);
  if (!ok || spec.frequency <= 0 || spec.frequency >= nyquist || spec.frames == 0) return ToolArgs::Usage(kUsage);
  auto bytes = ToneGen::MakeOggTone(spec);
  if (bytes.empty() || !ToneGen::WriteFile(argv[1], bytes)) {
    std::fprintf(stderr, "tonegen: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
