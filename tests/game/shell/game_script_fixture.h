// The game's script functions on a window manager with its window script, the manual clock and
// memory files (window_test::WindowFixture), plus a framework string table that the test
// fills: a label it lacks gives "#####", as the real one does.
#pragma once

#include <map>
#include <string>

#include "core/base/xml_node.h"
#include "tests/core/windows/window_test_support.h"

namespace game_test {

class StringHost : public window_test::RecordingHost {
 public:
  TStr GetString(TStr label, TStr a1, TStr a2, TStr a3, TStr a4, TStr a5) override {
    auto found = strings.find(label.c_str());
    if (found == strings.end()) return "#####";
    // %1% .. %3% as the framework table fills them.
    std::string text = found->second;
    const TStr args[] = {a1, a2, a3};
    for (int i = 0; i < 3; ++i) {
      std::string key = "%" + std::to_string(i + 1) + "%";
      for (size_t at; (at = text.find(key)) != std::string::npos;) text.replace(at, key.size(), args[i].c_str());
    }
    return TStr(text.c_str());
  }
  std::map<std::string, std::string> strings;
};

class GameScriptFixture : public window_test::WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    manager->SetHost(&strings);
  }
  void TearDown() override {
    manager->SetHost(&host);
    WindowFixture::TearDown();
  }

  // A spreadsheet file of label/text rows.
  static std::string Spreadsheet(const std::map<std::string, std::string>& rows) {
    std::string xml = "<?xml version=\"1.0\"?><Workbook><Worksheet><Table>";
    for (const auto& [label, text] : rows)
      xml += std::string("<Row><Cell><Data>") + XmlEscape(label.c_str()).c_str() + "</Data></Cell><Cell><Data>" +
             XmlEscape(text.c_str()).c_str() + "</Data></Cell></Row>";
    return xml + "</Table></Worksheet></Workbook>";
  }

  StringHost strings;
};

}  // namespace game_test
