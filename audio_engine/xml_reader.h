// cXmlReader: feeds a byte stream through the parser to a stack of element handlers.
#pragma once

#include <string>
#include <vector>

#include "audio_engine/reader.h"
#include "audio_engine/xml_handler.h"
#include "audio_engine/xml_parser.h"

namespace Tarn {

class cXmlReader : private cXmlParser::cListener {
 public:
  cXmlReader() = default;

  // Parses the whole stream: 0; 1 when the parser rejected the document (what was read
  // before the error has reached the handlers; the error's place is kept below).
  int Read(cIReader* reader);
  unsigned long ErrorLine() const { return mErrorLine; }
  unsigned long ErrorColumn() const { return mErrorColumn; }
  const std::string& ErrorText() const { return mErrorText; }

  // Handlers are not owned. A handler is popped only when the elements it counted have ended,
  // so no handler can pop its parent and no popped handler is called.
  void PushHandler(cIXmlHandler* handler);
  void PopHandler();
  cIXmlHandler* CurrentHandler() const { return mStack.empty() ? nullptr : mStack.back().handler; }
  size_t Depth() const { return mStack.size(); }

 private:
  void OnStart(const char* name, const char** attributes) override;
  void OnEnd(const char* name) override;
  void OnText(const char* data, int length) override;

  struct Level {
    cIXmlHandler* handler;
    int count;
  };
  std::vector<Level> mStack;  // top last
  cTextBuffer mText;
  unsigned long mErrorLine = 0, mErrorColumn = 0;
  std::string mErrorText;
};

}  // namespace Tarn
