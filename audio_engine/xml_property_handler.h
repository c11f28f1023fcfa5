// cXmlPropertyHandler: turns elements into typed entries of a property set, by the vocabulary;
// cFloatMapXmlHandler and cStringListXmlHandler read nested float maps and string lists.
#pragma once

#include <string>
#include <vector>

#include "audio_engine/auto_ptr.h"
#include "audio_engine/property_set.h"
#include "audio_engine/xml_handler.h"

namespace Tarn {

class cXmlReader;

class cFloatMapXmlHandler : public cIXmlHandler {
 public:
  cFloatMapXmlHandler(cXmlReader*, cFloatMap* target) : mTarget(target) {}
  void StartElement(const char*, const char**) override {}
  void EndElement(const char* name) override;
  void CharacterData(const char* data, int length) override { mText.Append(data, (size_t)length); }

 private:
  cFloatMap* mTarget;
  cTextBuffer mText;
  int32_t mKey = 0;
  float mValue = 0.0f;
};

class cStringListXmlHandler : public cIXmlHandler {
 public:
  cStringListXmlHandler(cXmlReader*, cStringSet* target) : mTarget(target) {}
  void StartElement(const char*, const char**) override {}
  void EndElement(const char* name) override;
  void CharacterData(const char* data, int length) override { mText.Append(data, (size_t)length); }

 private:
  cStringSet* mTarget;
  cTextBuffer mText;
};

class cXmlPropertyHandler : public cIXmlHandler {
 public:
  cXmlPropertyHandler(cXmlReader* reader, cPropertySet* target) : mReader(reader), mTarget(target) {}
  void StartElement(const char* name, const char** attributes) override;
  void EndElement(const char* name) override;
  void CharacterData(const char* data, int length) override { mText.Append(data, (size_t)length); }

 private:
  cXmlReader* mReader;
  cPropertySet* mTarget;
  cAutoPtr<cStringListXmlHandler> mStringListHandler;
  cAutoPtr<cFloatMapXmlHandler> mFloatMapHandler;
  std::vector<std::string> mNames;  // element names, top last
  std::string mKey;
  std::string mValue;
  bool mInProperty = false;
  cTextBuffer mText;
};

}  // namespace Tarn
