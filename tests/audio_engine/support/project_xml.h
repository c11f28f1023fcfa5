// Builds project documents for tests: patches with plain properties, string lists and float
// maps, in the element forms the project reader takes.
#pragma once

#include <cstdio>
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
  // The master bus with its channel, under the root control mixer, whose list also holds
  // the channels given (each processed when the master bus starts).
  ProjectXml& RootAndMaster(std::vector<std::string> channels) {
    channels.insert(channels.begin(), "Master Bus");
    Patch("Root Control Mixer Channel", "MixerChannel").Set("ChildName", "Root Control Mixer");
    Patch("Root Control Mixer", "Mixer").List("SoundList", channels);
    Patch("Master Bus", "MixerChannel").Set("ChildName", "Master Bus Bus");
    return Patch("Master Bus Bus", "Bus");
  }
  // A bus playing into the master bus, and its channel (the fader), which the following
  // calls add to.
  ProjectXml& Bus(const std::string& channel) {
    Patch(channel + " Bus", "Bus").Set("OutputBusMixerChannel", "Master Bus");
    return Patch(channel, "MixerChannel").Set("ChildName", channel + " Bus");
  }
  // "Music Volume": an arrangement whose one parameter sets a channel's volume (squared).
  ProjectXml& MusicVolume(const std::string& channel) {
    Patch("Music Volume", "Arrangement").List("ParameterList", {"Music Volume Value"});
    List("SoundList", {"Music Volume Track"});
    Patch("Music Volume Value", "Parameter").Set("Index", 0);
    Patch("Music Volume Track", "TrackPlayer").List("Automation", {"Music Volume Curve"});
    Patch("Music Volume Curve", "AutomationClip").Set("AutomationTarget", channel);
    return Set("AutomationController", "Volume").List("ParameterList", {"Music Volume Value"});
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

namespace VexaTest {

// Writes a text file whole: true when every byte reached it.
inline bool WriteText(const std::string& path, const std::string& text) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace VexaTest
