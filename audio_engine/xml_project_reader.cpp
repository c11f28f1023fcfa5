// Project documents: patches as property sets, the project's name.
#include "audio_engine/xml_project_reader.h"

#include "audio_engine/debug.h"
#include "audio_engine/name_id.h"
#include "audio_engine/xml_reader.h"

namespace Tarn {

namespace {
const uint32_t kPropertySetId = NameId("PropertySet");
const uint32_t kProjectId = NameId("Project");
const uint32_t kNameId = NameId("Name");
}  // namespace

void cXmlProjectReader::StartElement(const char* name, const char**) {
  uint32_t id = NameId(name);
  if (id == kPropertySetId) {
    // The previous set has ended (its handler is no longer on the stack) or never will.
    mSet = std::make_unique<cPropertySet>();
    mSetHandler.Reset(new cXmlPropertyHandler(mReader, mSet.get()));
    mReader->PushHandler(mSetHandler.Get());
  } else if (id == kProjectId && !mProject) {
    mOwnProject = std::make_unique<cTarnProject>();
    mProject = mOwnProject.get();
  }
}

void cXmlProjectReader::EndElement(const char* name) {
  uint32_t id = NameId(name);
  if (id == kNameId && mProject) {
    mProject->mName = cString(mText.Trimmed());
  } else if (id == kPropertySetId && mSet) {
    if (mProject) mProject->AddPatch(std::move(mSet));
    mSet.reset();
  }
  // Other names at project level ("QueryDef", "Patch" and unknown ones) do nothing.
  mText.Clear();
}

int ReadProject(cIReader* stream, cTarnProject* project, const char* where) {
  cXmlReader xml;
  cXmlProjectReader handler(&xml, project);
  xml.PushHandler(&handler);
  int r = xml.Read(stream);
  if (r != kOk)
    Log("Project %s: XML error at line %lu, column %lu: %s; the patches before it are kept",
        where ? where : "(unnamed)", xml.ErrorLine(), xml.ErrorColumn(), xml.ErrorText().c_str());
  return r;
}

}  // namespace Tarn
