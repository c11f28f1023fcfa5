// A temporary folder removed with everything in it when the object goes.
#pragma once

#include <string>

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return mPath; }
  // Path of a name inside the folder; creates the parent folders of it.
  std::string File(const std::string& name) const;

 private:
  std::string mPath;
};
