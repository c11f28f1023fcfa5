// Fuzzes the Ogg data sources: the same bytes as a file copied into memory and as a file read
// as it plays, decoded through, read at scattered positions (inside sample frames too) and
// looped by a spooler; short sounds also go through the decoding into memory.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/base/memory_file.h"
#include "core/graphics/sound/ogg_data_source.h"
#include "core/graphics/sound/stream_spooler.h"

namespace {

void Exercise(TSoundDataSource& source) {
  std::vector<uint8_t> buffer(4099);
  uint64_t length = source.GetLength();
  uint64_t done = 0;
  // A header may claim any length; a bounded read-through is enough.
  for (int i = 0; i < 256; i++) {
    int got = source.Read(buffer.data(), done, (int)buffer.size());
    if (got <= 0) break;
    done += (uint64_t)got;
  }
  for (uint64_t at : {length / 3, length / 2 + 1, length - (length ? 1 : 0), length + 7, (uint64_t)3, (uint64_t)0})
    source.Read(buffer.data(), at, 1001);
  TStreamSpooler spooler(std::shared_ptr<TSoundDataSource>(&source, [](TSoundDataSource*) {}));
  uint32_t read = 0;
  for (int i = 0; i < 3; i++) spooler.Read(buffer.data(), (uint32_t)buffer.size(), &read, true);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  RegisterMemoryFile(TStr("fuzz.ogg"), data, (uint32_t)size);
  for (bool stream : {false, true}) {
    TOggDataSource ogg;
    if (ogg.Open(TStr("fuzz.ogg"), stream)) Exercise(ogg);
  }
  TOggDataSourceBuilder builder;
  if (auto source = builder.Build(TStr("fuzz.ogg"), false)) Exercise(*source);
  RegisterMemoryFile(TStr("fuzz.ogg"), nullptr, 0);
  return 0;
}
