// Scenes drawn through the real display handler on the display stand-in and compared with
// golden pictures: the display opened with a render target, an asset manager, files the loaders
// find by name served from memory, and the presented frame's corner against a golden PNG.
#pragma once

#include <list>
#include <string>
#include <vector>

#include "core/base/asset_manager.h"
#include "core/base/memory_file.h"
#include "tests/core/graphics/directx/display_fixture.h"
#include "tests/core/graphics/image_fixtures.h"
#include "tests/support/golden.h"
#include "tests/support/host_file.h"

namespace displaytest {

class SceneTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    Open();
    ASSERT_TRUE(display->IsDisplayReady());
    display->TestRenderTarget();
  }
  void TearDown() override {
    for (const auto& name : mNames) RegisterMemoryFile(TStr(name.c_str()), nullptr, 0);
    DisplayTest::TearDown();
  }

  // A file the loaders find by name, served from memory.
  void PutFile(const std::string& name, std::string bytes) {
    mFiles.push_back(std::move(bytes));
    mNames.push_back(name);
    RegisterMemoryFile(TStr(name.c_str()), mFiles.back().data(), (uint32_t)mFiles.back().size());
  }
  void PutPng(const std::string& name, int width, int height, const std::vector<uint32_t>& argb) {
    std::string path = logs.Path() + "/" + name.substr(name.rfind('/') + 1);
    ASSERT_TRUE(WritePng(path, ArgbPng(width, height, argb)));
    PutFile(name, ReadHostFile(path));
  }

  // The presented frame's top-left corner (opaque) against the golden PNG at path (relative to
  // the source tree).
  void ExpectFrameGolden(const std::string& path, int width, int height) {
    std::vector<uint32_t> frame;
    int fw = 0, fh = 0;
    ASSERT_TRUE(TestControl::Display::GetLastPresentedFrame(frame, fw, fh));
    ASSERT_GE(fw, width);
    ASSERT_GE(fh, height);
    std::vector<uint32_t> crop;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) crop.push_back(frame[(size_t)y * fw + x] | 0xFF000000u);
    ::ExpectGolden(crop, width, height, path);
  }

  TAssetManager manager;

 private:
  std::list<std::string> mFiles;
  std::vector<std::string> mNames;
};

}  // namespace displaytest
