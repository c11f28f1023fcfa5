// Property, float-map and string-list element handling.
#include "audio_engine/xml_property_handler.h"

#include <cstring>

#include "audio_engine/name_id.h"
#include "audio_engine/property_vocabulary.h"
#include "audio_engine/text_number.h"
#include "audio_engine/xml_reader.h"

namespace Tarn {

namespace {
const uint32_t kFloatMapId = NameId("FloatMap");
const uint32_t kFloatMapEntryId = NameId("FloatMapEntry");
const uint32_t kFloatMapKeyId = NameId("FloatMapKey");
const uint32_t kFloatMapValueId = NameId("FloatMapValue");
const uint32_t kStringListId = NameId("StringList");
const uint32_t kStringId = NameId("String");
const uint32_t kPropertyId = NameId("Property");
const uint32_t kKeyId = NameId("Key");
const uint32_t kValueId = NameId("Value");
}  // namespace

// Nested handlers are popped by the reader when their element ends, never by themselves:
// popping here would pop a parent handler when the same element name nests.
void cFloatMapXmlHandler::EndElement(const char* name) {
  uint32_t id = NameId(name);
  if (id == kFloatMapEntryId) {
    (*mTarget)[mKey] = mValue;
  } else if (id == kFloatMapKeyId) {
    mKey = ParseDecimal(mText.Text());
  } else if (id == kFloatMapValueId) {
    mValue = ParseFloat(mText.Text());
  }
  mText.Clear();
}

void cStringListXmlHandler::EndElement(const char* name) {
  if (NameId(name) == kStringId) mTarget->mSet.insert(cString(mText.Trimmed()));
  mText.Clear();
}

void cXmlPropertyHandler::StartElement(const char* name, const char**) {
  std::string parent = mNames.empty() ? std::string() : mNames.back();
  mNames.push_back(name);
  uint32_t id = NameId(name);
  if (id == kPropertyId) {
    mInProperty = true;
  } else if (id == kFloatMapId) {
    auto* map = new cFloatMap();
    cSharedPtr<cFloatMap> shared(map);
    mFloatMapHandler.Reset(new cFloatMapXmlHandler(mReader, map));
    mReader->PushHandler(mFloatMapHandler.Get());
    (*mTarget)[NameId(parent.c_str())].SetObject(new cFloatMapObject(shared));
  } else if (id == kStringListId) {
    auto* set = new cStringSet();
    cSharedPtr<cStringSet> shared(set);
    mStringListHandler.Reset(new cStringListXmlHandler(mReader, set));
    mReader->PushHandler(mStringListHandler.Get());
    (*mTarget)[NameId(parent.c_str())].SetObject(new cStringSetObject(shared));
  }
}

void cXmlPropertyHandler::EndElement(const char* name) {
  const char* text = mText.Trimmed();
  uint32_t id = NameId(name);
  switch (cPropertyVocabulary::TypeOf(id)) {
    case 1:
      (*mTarget)[id].SetBool(std::strcmp(text, "false") != 0);
      break;
    case 2:
      (*mTarget)[id].SetInt(ParseInteger(text));
      break;
    case 3:
      (*mTarget)[id].SetIntLike((uint32_t)ParseDecimal(text));
      break;
    case 4:
      (*mTarget)[id].SetFloat(ParseFloat(text));
      break;
    case 5:
      (*mTarget)[id].SetString(text);
      break;
    default:
      if (id == kPropertyId) {
        (*mTarget)[NameId(mKey.c_str())].SetString(mValue.c_str());
        mKey.clear();
        mValue.clear();
        mInProperty = false;
      } else if (id == kValueId) {
        mValue = text;
      } else if (id == kKeyId) {
        mKey = text;
      }
      break;
  }
  mText.Clear();
  if (!mNames.empty()) mNames.pop_back();
}

}  // namespace Tarn
