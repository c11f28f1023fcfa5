// Builds project documents for tests: patches with plain properties, string lists and float
// maps, in the element forms the project reader takes.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace VexaTest {

class ProjectXml {
 public:
  explicit ProjectXml(std::string name = "Test") : mName(std::move(name)) {}

  // Starts a patch; the following calls add to it.
  ProjectXml& Patch(const std::string& name, const std::string& type) {
    mPatches.push_back("<Name>" + name + "</Name><PlayerType>" + type + "</PlayerType>");
    return *this;
  }
  ProjectXml& Set(const std::string& property, const std::string& text) {
    mPatches.back() += "<" + property + ">" + text + "</" + property + ">";
    return *this;
  }
  ProjectXml& Set(const std::string& property, double value) {
    std::string text = std::to_string(value);
    return Set(property, text);
  }
  ProjectXml& Set(const std::string& property, int value) { return Set(property, std::to_string(value)); }
  ProjectXml& List(const std::string& property, const std::vector<std::string>& names) {
    std::string s = "<" + property + "><StringList>";
    for (const auto& n : names) s += "<String>" + n + "</String>";
    mPatches.back() += s + "</StringList></" + property + ">";
    return *this;
  }
  ProjectXml& Points(const std::string& property, const std::vector<std::pair<int, double>>& points) {
    std::string s = "<" + property + "><FloatMap>";
    for (const auto& [k, v] : points)
      s += "<FloatMapEntry><FloatMapKey>" + std::to_string(k) + "</FloatMapKey><FloatMapValue>" +
           std::to_string(v) + "</FloatMapValue></FloatMapEntry>";
    mPatches.back() += s + "</FloatMap></" + property + ">";
    return *this;
  }
  std::string Text() const {
    std::string s = "<Project><Name>" + mName + "</Name>\n";
    for (const auto& p : mPatches) s += "<PropertySet>" + p + "</PropertySet>\n";
    return s + "</Project>\n";
  }

 private:
  std::string mName;
  std::vector<std::string> mPatches;
};

}  // namespace VexaTest
