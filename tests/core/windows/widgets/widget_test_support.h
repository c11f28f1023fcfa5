// Shared by the widget tests: the window fixture with textures that load (pictures served from
// memory, surfaces kept by the fake display backend) and helpers to build windows from script
// tables under a modal window.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/asset_manager.h"
#include "core/graphics/renderer.h"
#include "core/graphics/texture.h"
#include "core/windows/modal_window.h"
#include "tests/core/graphics/fake_display.h"
#include "tests/core/windows/window_test_support.h"

namespace widget_test {

class WidgetTest : public window_test::WindowFixture {
 protected:
  void SetUp() override {
    TRenderer::Destroy();
    TRenderer::SetBackendFactory([this]() {
      auto backend = std::make_unique<FakeBackend>();
      this->backend = backend.get();
      return backend;
    });
    TRenderer::Get();
    WindowFixture::SetUp();
  }
  void TearDown() override {
    WindowFixture::TearDown();  // the windows let go of their textures first
    TRenderer::Destroy();
    TRenderer::SetBackendFactory(nullptr);
  }

  // A PNG of 32-bit ARGB pixels, row by row, that textures find under the name; with `opaque`
  // the file has no alpha channel at all.
  void PutPng(const std::string& name, int width, int height, const std::vector<uint32_t>& argb, bool opaque = false) {
    std::string path = logs.Path() + "/picture.png";
    ASSERT_TRUE(WritePng(path, ArgbPng(width, height, argb, opaque)));
    AddFile(name, ReadHostFile(path));
  }
  void PutSolidPng(const std::string& name, int width, int height, uint32_t argb = 0xFF336699u) {
    PutPng(name, width, height, std::vector<uint32_t>((size_t)width * height, argb));
  }

  // A modal window of 400 x 300 at the origin, on top of the screen.
  TModalWindow* PushDialog(const char* name = "dialog") {
    Run(std::string("gDialogId = PushModal('") + name + "')");
    TModalWindow* modal = static_cast<TModalWindow*>(manager->GetTopModal());
    modal->SetSize(400, 300);
    return modal;
  }
  // Builds the windows of a dialog table in the top modal window.
  void Make(const std::string& table) { Run("MakeDialog { " + table + " }"); }
  TWindow* Find(const char* name) { return manager->GetTopModal()->FindChild(name, -1); }
  template <typename T>
  T* Find(const char* name) {
    TWindow* w = Find(name);
    return w && w->IsKindOf(&T::GetFactory) ? static_cast<T*>(w) : nullptr;
  }
  // The script's main flow from now on: it waits for messages and writes down each it gets
  // (commands that come with them run inside it, as in the program).
  void StartMessageLog() {
    StartMain("gLog = '' while true do local m = WaitForMessage() "
              "if m then gLog = gLog .. m.type .. ':' .. m.name .. '|' end end");
  }
  // The messages the script got since the last call, as "type:name", oldest first.
  std::vector<std::string> Messages() {
    std::vector<std::string> out;
    std::string all = GlobalString("gLog");
    for (size_t start = 0, end; (end = all.find('|', start)) != std::string::npos; start = end + 1)
      out.push_back(all.substr(start, end - start));
    Run("gLog = ''");
    return out;
  }

  TAssetManager assets;
  FakeBackend* backend = nullptr;
};

}  // namespace widget_test
