// cXmlProjectReader: the handler that reads a project document into a cTarnProject.
#pragma once

#include <memory>

#include "audio_engine/auto_ptr.h"
#include "audio_engine/reader.h"
#include "audio_engine/tarn_project.h"
#include "audio_engine/xml_handler.h"
#include "audio_engine/xml_property_handler.h"

namespace Tarn {

class cXmlReader;

class cXmlProjectReader : public cIXmlHandler {
 public:
  // With no project given, a "Project" element creates one (owned here until taken).
  cXmlProjectReader(cXmlReader* reader, cTarnProject* project) : mReader(reader), mProject(project) {}
  void StartElement(const char* name, const char** attributes) override;
  void EndElement(const char* name) override;
  void CharacterData(const char* data, int length) override { mText.Append(data, (size_t)length); }

  cTarnProject* Project() const { return mProject; }
  std::unique_ptr<cTarnProject> TakeOwnProject() { return std::move(mOwnProject); }

 private:
  cXmlReader* mReader;
  cTarnProject* mProject;
  std::unique_ptr<cTarnProject> mOwnProject;
  std::unique_ptr<cPropertySet> mSet;  // the set being read
  cAutoPtr<cXmlPropertyHandler> mSetHandler;
  cTextBuffer mText;
};

// Parses one project document from a stream into the project: 0; 1 when the parser rejected
// it, with a log line naming `where` (the file) and the place. A rejected project holds only
// part of its patches and must not be used.
int ReadProject(cIReader* stream, cTarnProject* project, const char* where = nullptr);

}  // namespace Tarn
