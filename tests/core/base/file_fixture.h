// A fixture for file-layer tests: a temporary working folder with user, common and desktop
// folders, and an empty file map, exclusion set and pack list.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/base/file.h"
#include "core/base/file_map_handler.h"
#include "core/base/log.h"
#include "core/base/settings.h"
#include "tests/support/host_file.h"
#include "tests/support/temp_folder.h"

class FileLayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mOldCwd = std::filesystem::current_path();
    std::filesystem::current_path(mTemp.Path());
    for (const char* d : {"assets", "data/user", "data/common", "data/desktop"})
      std::filesystem::create_directories(mTemp.Path() + "/" + d);
    SetDataFolders(TStr((mTemp.Path() + "/data/user").c_str()), TStr((mTemp.Path() + "/data/common").c_str()),
                   TStr((mTemp.Path() + "/data/desktop").c_str()));
    Reset();
    ClearSettingsForTest();
    SetLogPath((mTemp.Path() + "/log").c_str());
  }
  void TearDown() override {
    SetLogPath(nullptr);
    Reset();
    std::filesystem::current_path(mOldCwd);
  }
  static void Reset() {
    ClearFileMap();
    GetExclusionSet().clear();
    GetPackList().clear();
  }

  // Writes a file below the working folder, creating its folders.
  std::string Put(const std::string& relative, const std::string& bytes) {
    std::string path = mTemp.File(relative);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  // Everything logged since the test began.
  std::string LogText() const {
    return ReadHostFile(mTemp.Path() + "/log/logfile.txt");
  }
  std::string Root() const { return mTemp.Path(); }
  std::string UserFolder() const { return mTemp.Path() + "/data/user"; }

  // Everything a file opened on path gives, read whole.
  static std::string ReadAll(const char* path, int mode = kFileReadBinary) {
    TFile f;
    if (!f.Open(TStr(path), mode)) return "<closed>";
    std::string out;
    char buf[64];
    int n;
    while ((n = f.Read(buf, sizeof buf)) > 0) out.append(buf, (size_t)n);
    return out;
  }

  TempFolder mTemp;
  std::filesystem::path mOldCwd;
};
