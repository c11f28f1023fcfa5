// tonegen OUT.ogg [frequency] [seconds] [channels] [amplitude]: writes a sine test tone.
#include <cstdio>
#include <cstdlib>

#include "tools/tonegen/tone.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: tonegen OUT.ogg [frequency] [seconds] [channels] [amplitude]\n");
    return 2;
  }
  ToneGen::ToneSpec spec;
  if (argc > 2) spec.frequency = std::atof(argv[2]);
  if (argc > 3) spec.frames = (uint32_t)(std::atof(argv[3]) * spec.rate);
  if (argc > 4) spec.channels = std::atoi(argv[4]);
  if (argc > 5) spec.amplitude = std::atof(argv[5]);
  if (spec.channels < 1 || spec.channels > 2 || spec.frames == 0) {
    std::fprintf(stderr, "tonegen: bad arguments\n");
    return 2;
  }
  auto bytes = ToneGen::MakeOggTone(spec);
  if (bytes.empty() || !ToneGen::WriteFile(argv[1], bytes)) {
    std::fprintf(stderr, "tonegen: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
