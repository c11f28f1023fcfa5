// Chunked reading and element dispatch.
#include "audio_engine/xml_reader.h"

#include <cstring>

namespace Tarn {

void cXmlReader::PushHandler(cIXmlHandler* handler) { mStack.push_back(Level{handler, 0}); }
void cXmlReader::PopHandler() {
  if (!mStack.empty()) mStack.pop_back();
}

int cXmlReader::Read(cIReader* reader) {
  cXmlParser parser(this);
  char chunk[2000];
  bool first = true;
  for (;;) {
    uint32_t got = 0;
    if (reader->Read(chunk, sizeof chunk, &got) != kOk) break;
    const void* zero = std::memchr(chunk, 0, got);
    size_t length = zero ? (size_t)((const char*)zero - chunk) : got;
    if (length == 0) break;
    const char* data = chunk;
    if (first && length >= 3 && (unsigned char)data[0] == 0xEF && (unsigned char)data[1] == 0xBB &&
        (unsigned char)data[2] == 0xBF) {
      data += 3;
      length -= 3;
    }
    first = false;
    if (!parser.Parse(data, length, false)) break;
  }
  if (!parser.Failed()) parser.Parse("", 0, true);
  if (!parser.Failed()) return kOk;
  mErrorLine = parser.ErrorLine();
  mErrorColumn = parser.ErrorColumn();
  mErrorText = parser.ErrorText();
  return kFailed;
}

void cXmlReader::OnStart(const char* name, const char** attributes) {
  if (mStack.empty()) return;
  mStack.back().handler->StartElement(name, attributes);
  // The element that pushed a handler counts for the new one.
  mStack.back().count++;
}

void cXmlReader::OnEnd(const char* name) {
  if (mStack.empty()) return;
  if (--mStack.back().count <= 0) mStack.pop_back();
  if (cIXmlHandler* h = CurrentHandler()) h->EndElement(name);
  mText.Clear();
}

void cXmlReader::OnText(const char* data, int length) {
  if (length <= 0) return;
  mText.Append(data, (size_t)length);
  if (cIXmlHandler* h = CurrentHandler()) h->CharacterData(data, length);
}

}  // namespace Tarn
