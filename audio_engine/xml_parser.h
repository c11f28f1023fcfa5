// Tarn::cXmlParser: the Expat parser with start, end and character-data callbacks.
#pragma once

#include <cstddef>

namespace Tarn {

class cXmlParser {
 public:
  class cListener {
   public:
    virtual ~cListener() = default;
    virtual void OnStart(const char* name, const char** attributes) = 0;
    virtual void OnEnd(const char* name) = 0;
    virtual void OnText(const char* data, int length) = 0;
  };

  explicit cXmlParser(cListener* listener);
  ~cXmlParser();
  cXmlParser(const cXmlParser&) = delete;
  cXmlParser& operator=(const cXmlParser&) = delete;

  // False once the document is in error; later calls are ignored.
  bool Parse(const char* data, size_t length, bool final);
  bool Failed() const { return mFailed; }
  // Where the document went wrong and why (line and column count from 1).
  unsigned long ErrorLine() const { return mErrorLine; }
  unsigned long ErrorColumn() const { return mErrorColumn; }
  const char* ErrorText() const { return mErrorText; }

 private:
  void* mParser;
  bool mFailed = false;
  unsigned long mErrorLine = 0, mErrorColumn = 0;
  const char* mErrorText = "";
};

}  // namespace Tarn
