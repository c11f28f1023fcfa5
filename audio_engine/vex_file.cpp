// Mapping a pack and reading its directory, bounded by the file so a bad pack cannot make the
// engine read outside the mapping.
#include "audio_engine/vex_file.h"

#include <algorithm>
#include <cstring>

#include "audio_engine/debug.h"
#include "audio_engine/file_reader.h"
#include "audio_engine/vex_reader.h"
#include "audio_engine/xml_property_handler.h"
#include "audio_engine/xml_reader.h"

namespace Tarn {

namespace {
uint32_t Le32(const uint8_t* p) {
  return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}
}  // namespace

cVexFile::cVexFile(const cString& path) : mPath(path) {
  Trace("cVexFile::ctor\n");
  uint32_t error = 0;
  switch (mMapping.Open(path.c_str(), &error)) {
    case cFileMapping::kOpenFailed:
      MessageBox("VEXA: Failed to open VEX file. Error %d\n", (int)error);
      return;
    case cFileMapping::kMapFailed:
      MessageBox("VEXA: Failed to create file mapping for VEX file. Error %d\n", (int)error);
      return;
    case cFileMapping::kOpened:
      break;
  }
  // Views of 4 GiB or more cannot be addressed by the 32-bit directory.
  uint64_t fileSize = std::min<uint64_t>(mMapping.Size(), 0xFFFFFFFFull);
  mSize = (uint32_t)fileSize;

  cFileReader symbols(path + ".symboltable.xml", "rt");
  if (symbols.Open() == kOk) {
    cXmlReader xml;
    cXmlPropertyHandler handler(&xml, &mSymbols);
    xml.PushHandler(&handler);
    xml.Read(&symbols);
    symbols.Close();
  }

  if (fileSize < kHeaderSize) {
    mCorrupt = true;
    mSize = 0;
    return;
  }
  std::memcpy(mHeader, mMapping.Data(), kHeaderSize);
  uint32_t count = Le32(mHeader + 12);
  // The directory must lie inside the file.
  if ((uint64_t)count * kEntrySize > fileSize - kHeaderSize) {
    mCorrupt = true;
    mSize = 0;
    return;
  }
  mEntries.resize(count);
  const uint8_t* dir = mMapping.Data() + kHeaderSize;
  for (uint32_t i = 0; i < count; i++) {
    const uint8_t* e = dir + (size_t)i * kEntrySize;
    mEntries[i] = Entry{Le32(e), Le32(e + 4), Le32(e + 8), Le32(e + 12)};
    mIndex[mEntries[i].id] = i;  // a later entry with the same identifier wins
  }
  if (count > 0) {
    const Entry& last = mEntries.back();
    mSize = (uint32_t)std::min<uint64_t>((uint64_t)last.offset + last.length, fileSize);
  } else {
    mSize = 0;
  }
}

cVexFile::~cVexFile() { Trace("cVexFile::~\n"); }

int cVexFile::OpenReader(uint32_t id, cIReader** reader) {
  Trace("cVexFile::OpenReader\n");
  *reader = nullptr;
  auto it = mIndex.find(id);
  if (it == mIndex.end()) return kNotFound;
  const Entry& e = mEntries[it->second];
  *reader = new cVexReader(this, e.offset, e.length);
  return kOk;
}

int cVexFile::Read(void* buffer, uint32_t count, uint32_t* read) {
  uint32_t n = std::min(count, mSize - std::min(mPosition, mSize));
  if (n > 0) std::memcpy(buffer, mMapping.Data() + mPosition, n);
  mPosition += n;
  *read = n;
  return kOk;
}

int cVexFile::Seek(uint32_t position, uint32_t* newPosition) {
  mPosition = std::min(position, mSize);
  if (newPosition) *newPosition = mPosition;
  return kOk;
}

int cVexFile::GetSize(uint32_t* size) {
  *size = mSize;
  return kOk;
}

}  // namespace Tarn
