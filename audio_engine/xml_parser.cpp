// The Expat glue.
#include "audio_engine/xml_parser.h"

#include <expat.h>

namespace Tarn {

namespace {
void XMLCALL OnStart(void* user, const XML_Char* name, const XML_Char** atts) {
  static_cast<cXmlParser::cListener*>(user)->OnStart(name, atts);
}
void XMLCALL OnEnd(void* user, const XML_Char* name) {
  static_cast<cXmlParser::cListener*>(user)->OnEnd(name);
}
void XMLCALL OnText(void* user, const XML_Char* s, int len) {
  static_cast<cXmlParser::cListener*>(user)->OnText(s, len);
}
}  // namespace

cXmlParser::cXmlParser(cListener* listener) {
  XML_Parser p = XML_ParserCreate(nullptr);
  mParser = p;
  if (!p) return;
  XML_SetUserData(p, listener);
  XML_SetElementHandler(p, OnStart, OnEnd);
  XML_SetCharacterDataHandler(p, OnText);
}

cXmlParser::~cXmlParser() {
  if (mParser) XML_ParserFree((XML_Parser)mParser);
}

bool cXmlParser::Parse(const char* data, size_t length, bool final) {
  if (!mParser || mFailed) return false;
  XML_Parser p = (XML_Parser)mParser;
  if (XML_Parse(p, data, (int)length, final ? 1 : 0) == XML_STATUS_ERROR) {
    mFailed = true;
    mErrorLine = XML_GetCurrentLineNumber(p);
    mErrorColumn = XML_GetCurrentColumnNumber(p) + 1;
    mErrorText = XML_ErrorString(XML_GetErrorCode(p));
    if (!mErrorText) mErrorText = "unknown error";
  }
  return !mFailed;
}

}  // namespace Tarn
