// libFuzzer target over the project reader: any bytes as a project document (and as a
// property-set document) must parse without a crash, a leak or an out-of-bounds access.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "audio_engine/debug.h"
#include "audio_engine/property_vocabulary.h"
#include "audio_engine/reader.h"
#include "audio_engine/tarn_project.h"
#include "audio_engine/xml_project_reader.h"
#include "audio_engine/xml_property_handler.h"
#include "audio_engine/xml_reader.h"

namespace {

class BytesReader : public Tarn::cIReader {
 public:
  BytesReader(const uint8_t* data, size_t size, size_t chunk) : mData(data), mSize(size), mChunk(chunk) {}
  int Open() override { return 0; }
  int Close() override { return 0; }
  int Read(void* buffer, uint32_t count, uint32_t* read) override {
    size_t n = std::min<size_t>({count, mChunk, mSize - mPos});
    if (n) std::memcpy(buffer, mData + mPos, n);
    mPos += n;
    *read = (uint32_t)n;
    return 0;
  }
  int GetSize(uint32_t* size) override {
    *size = (uint32_t)mSize;
    return 0;
  }

 private:
  const uint8_t* mData;
  size_t mSize;
  size_t mChunk;
  size_t mPos = 0;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Tarn::SetMessageSink([](const std::string&, const std::string&) {});
  Tarn::cPropertyVocabulary::Build();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The first byte picks the chunk size, so element text and names arrive split.
  size_t chunk = size ? 1 + data[0] % 97 : 1;
  {
    Tarn::cTarnProject project;
    BytesReader reader(data, size, chunk);
    Tarn::ReadProject(&reader, &project);
  }
  {
    Tarn::cPropertySet set;
    BytesReader reader(data, size, 2000);
    Tarn::cXmlReader xml;
    Tarn::cXmlPropertyHandler handler(&xml, &set);
    xml.PushHandler(&handler);
    xml.Read(&reader);
  }
  return 0;
}
