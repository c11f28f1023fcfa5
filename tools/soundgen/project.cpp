// The project's patches, by kind of event:
//   music/jingle/stop  an arrangement clip over a one-track arrangement on the Music bus; the
//                      sync system starts it on the running tune's next bar and stops that one
//                      with its fade;
//   sfx                a mixer channel on its bus over a loop box (a random selector over
//                      several when the event has several clips);
//   loop/halt          mixer channels of a mutually exclusive mixer: playing the halt's silent
//                      channel stops the loop;
//   volume             an arrangement whose one parameter automates a bus fader's volume.
#include "tools/soundgen/project.h"

#include <vorbis/vorbisfile.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "audio_engine/name_id.h"

namespace Project {

namespace {

const char* const kBuses[] = {"Music", "Sfx", "Environments"};
const char* const kSilence = "silence.ogg";
// A tune that stops fades out over this long; one that starts fades in over a moment, so its
// first sample (which carries the loop's wrapped tail) never clicks.
const int kStopFadeMs = 1200;
const int kStartFadeMs = 20;

std::string Trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r"), b = s.find_last_not_of(" \t\r");
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

std::vector<std::string> Split(const std::string& s, char by) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(s);
  while (std::getline(in, part, by)) parts.push_back(Trim(part));
  return parts;
}

// "{A..B}" in a text: its range, or false.
bool Range(const std::string& text, int* from, int* to, size_t* at, size_t* length) {
  static const std::regex kRange(R"(\{(\d+)\.\.(\d+)\})");
  std::smatch m;
  if (!std::regex_search(text, m, kRange)) return false;
  *from = std::stoi(m[1]);
  *to = std::stoi(m[2]);
  *at = (size_t)m.position(0);
  *length = (size_t)m.length(0);
  return true;
}

std::string Fill(const std::string& text, size_t at, size_t length, int n) {
  return text.substr(0, at) + std::to_string(n) + text.substr(at + length);
}

// Sample frames of an Ogg Vorbis file, or -1.
long long OggFrames(const std::string& path) {
  OggVorbis_File file;
  if (ov_fopen(path.c_str(), &file) != 0) return -1;
  long long frames = ov_pcm_total(&file, -1);
  ov_clear(&file);
  return frames;
}

std::string Escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '&')
      out += "&amp;";
    else if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else
      out += c;
  }
  return out;
}

class Writer {
 public:
  Writer& Patch(const std::string& name, const std::string& type) {
    if (!mCurrent.empty()) mText += "<PropertySet>" + mCurrent + "</PropertySet>\n";
    mCurrent = "<Name>" + Escape(name) + "</Name><PlayerType>" + type + "</PlayerType>";
    return *this;
  }
  Writer& Set(const std::string& key, const std::string& value) {
    mCurrent += "<" + key + ">" + Escape(value) + "</" + key + ">";
    return *this;
  }
  Writer& Set(const std::string& key, long long value) { return Set(key, std::to_string(value)); }
  Writer& List(const std::string& key, const std::vector<std::string>& names) {
    mCurrent += "<" + key + "><StringList>";
    for (const auto& n : names) mCurrent += "<String>" + Escape(n) + "</String>";
    mCurrent += "</StringList></" + key + ">";
    return *this;
  }
  std::string Text() {
    Patch("", "");
    mCurrent.clear();
    return "<Project><Name>Game</Name>\n" + mText + "</Project>\n";
  }

 private:
  std::string mText, mCurrent;
};

std::string ClipPatch(const std::string& file) { return "Clip " + file; }

}  // namespace

bool ReadEvents(const std::string& text, std::vector<Event>* events, std::string* error) {
  static const std::set<std::string> kKinds = {"music", "jingle", "stop", "sfx", "loop", "halt", "volume"};
  std::istringstream in(text);
  std::string raw;
  int line = 0;
  std::set<std::string> names;
  while (std::getline(in, raw)) {
    line++;
    std::string s = Trim(raw.substr(0, raw.find('#')));
    if (s.empty()) continue;
    auto fail = [&](const std::string& why) {
      *error = "events line " + std::to_string(line) + ": " + why;
      return false;
    };
    std::vector<std::string> fields = Split(s + " ", '|');  // keeps an empty last field
    if (fields.size() != 3 || fields[0].empty()) return fail("wants NAME | KIND | CLIPS AND OPTIONS");
    Event e;
    e.kind = fields[1];
    e.line = line;
    if (!kKinds.count(e.kind)) return fail("unknown kind \"" + e.kind + "\"");
    e.bus = e.kind == "music" || e.kind == "jingle" || e.kind == "stop" ? "Music" : "Sfx";
    std::vector<std::string> clips;
    std::istringstream words(fields[2]);
    std::string w;
    while (words >> w) {
      size_t eq = w.find('=');
      if (eq == std::string::npos) {
        clips.push_back(w);
        continue;
      }
      std::string key = w.substr(0, eq), value = w.substr(eq + 1);
      if (key == "tempo")
        e.tempo = std::atof(value.c_str());
      else if (key == "bars")
        e.bars = std::atoi(value.c_str());
      else if (key == "bus")
        e.bus = value;
      else if (key == "group")
        e.group = value;
      else
        return fail("unknown option \"" + key + "\"");
    }
    if (e.kind == "volume") {
      if (clips.size() != 1) return fail("a volume names its bus");
      e.bus = clips[0];
      clips.clear();
    }
    bool knownBus = false;
    for (const char* b : kBuses) knownBus |= e.bus == b;
    if (!knownBus) return fail("unknown bus \"" + e.bus + "\"");
    if ((e.kind == "music" || e.kind == "jingle") && (e.tempo <= 0 || e.bars <= 0 || clips.size() != 1))
      return fail("a tune wants one clip, tempo= and bars=");
    if ((e.kind == "sfx" || e.kind == "loop") && clips.empty()) return fail("no clip");
    if ((e.kind == "loop" || e.kind == "halt") && e.group.empty()) return fail("a loop or halt wants group=");
    if (e.kind == "stop" || e.kind == "halt") clips = {kSilence};

    // Ranges: the name's numbers, and the clips' numbers (the n-th event the n-th clip).
    int from = 0, to = 0, cf = 0, ct = 0;
    size_t at = 0, length = 0, cat = 0, clength = 0;
    bool ranged = Range(fields[0], &from, &to, &at, &length);
    if (ranged && to < from) return fail("empty range");
    for (int n = ranged ? from : 0; n <= (ranged ? to : 0); n++) {
      Event one = e;
      one.name = ranged ? Fill(fields[0], at, length, n) : fields[0];
      for (const std::string& c : clips) {
        if (Range(c, &cf, &ct, &cat, &clength)) {
          if (!ranged) return fail("a clip range needs a name range");
          one.clips.push_back(Fill(c, cat, clength, std::min(ct, cf + (n - from))));
        } else {
          one.clips.push_back(c);
        }
      }
      if (!names.insert(one.name).second) return fail("\"" + one.name + "\" is listed twice");
      events->push_back(one);
    }
  }
  return true;
}

bool Build(const std::vector<Event>& events, const std::string& clipFolder, std::string* projectXml,
           std::string* symbolTable, std::string* error) {
  Writer w;
  std::map<std::string, std::vector<std::string>> groups;
  std::set<std::string> used;
  for (const Event& e : events)
    if (!e.group.empty()) groups[e.group].push_back(e.name);

  std::vector<std::string> rootList{"Master Bus", "Music", "Sfx", "Environments"};
  for (const auto& g : groups) rootList.push_back(g.first + " Group");
  w.Patch("Root Control Mixer Channel", "MixerChannel").Set("ChildName", "Root Control Mixer");
  w.Patch("Root Control Mixer", "Mixer").List("SoundList", rootList);
  w.Patch("Master Bus", "MixerChannel").Set("ChildName", "Master Bus Bus");
  w.Patch("Master Bus Bus", "Bus");
  for (const char* bus : kBuses) {
    w.Patch(std::string(bus) + " Bus", "Bus").Set("OutputBusMixerChannel", "Master Bus");
    w.Patch(bus, "MixerChannel").Set("ChildName", std::string(bus) + " Bus");
  }
  for (const auto& g : groups)
    w.Patch(g.first + " Group", "Mixer").Set("MutualExclusionEnabled", "true").List("SoundList", g.second);

  for (const Event& e : events) {
    auto fail = [&](const std::string& why) {
      *error = "events line " + std::to_string(e.line) + " (" + e.name + "): " + why;
      return false;
    };
    for (const std::string& c : e.clips) {
      if (OggFrames(clipFolder + "/" + c) < 0) return fail("no clip " + c + " in " + clipFolder);
      used.insert(c);
    }
    if (e.kind == "music" || e.kind == "jingle" || e.kind == "stop") {
      long long frames = OggFrames(clipFolder + "/" + e.clips[0]);
      if (e.kind != "stop") {
        double bar = 4 * 60.0 / e.tempo * 44100;
        if (std::fabs(bar - std::round(bar)) > 1e-6)
          return fail("a bar at this tempo is not a whole number of samples");
        long long want = (long long)std::llround(bar) * e.bars;
        if (frames != want)
          return fail(e.clips[0] + " holds " + std::to_string(frames) + " samples, not the " + std::to_string(want) +
                      " of its bars");
      }
      w.Patch(e.name, "ArrangementClip")
          .Set("ResourceName", e.name + " Arrangement")
          .Set("ResourceEndPosition", frames)
          .Set("TimeLineLoopEnabled", e.kind == "music" ? "true" : "false")
          .Set("MasterModeFadeTime", (long long)kStopFadeMs)
          .Set("SourceModeFadeTime", (long long)kStartFadeMs);
      w.Patch(e.name + " Arrangement", "Arrangement")
          .Set("Tempo", std::to_string(e.tempo > 0 ? e.tempo : 120.0))
          .Set("BeatsPerBar", 4)
          .List("SoundList", {e.name + " Track"});
      w.Patch(e.name + " Track", "TrackPlayer")
          .List("SoundList", {e.name + " Bar"})
          .Set("OutputBusMixerChannel", "Music");
      w.Patch(e.name + " Bar", "LoopBox")
          .Set("ResourceName", ClipPatch(e.clips[0]))
          .Set("TimeLineStartPosition", 0)
          .Set("TimeLineEndPosition", frames);
    } else if (e.kind == "sfx" && e.clips.size() > 1) {
      std::vector<std::string> boxes;
      for (size_t k = 0; k < e.clips.size(); k++) boxes.push_back(e.name + " Box " + std::to_string(k + 1));
      w.Patch(e.name, "RandomSelector")
          .Set("Enabled", "true")
          .Set("ChildName", e.name + " Pick")
          .Set("OutputBusMixerChannel", e.bus);
      w.Patch(e.name + " Pick", "Mixer").List("SoundList", boxes);
      for (size_t k = 0; k < e.clips.size(); k++)
        w.Patch(boxes[k], "LoopBox").Set("ResourceName", ClipPatch(e.clips[k]));
    } else if (e.kind == "sfx" || e.kind == "loop" || e.kind == "halt") {
      w.Patch(e.name, "MixerChannel").Set("OutputBusMixerChannel", e.bus).Set("ChildName", e.name + " Box");
      w.Patch(e.name + " Box", "LoopBox").Set("ResourceName", ClipPatch(e.clips[0]));
      if (e.kind == "loop") w.Set("ResourceLoopEnabled", "true");
    } else if (e.kind == "volume") {
      w.Patch(e.name, "Arrangement").List("ParameterList", {e.name + " Value"}).List("SoundList", {e.name + " Track"});
      w.Patch(e.name + " Value", "Parameter").Set("Index", 0);
      w.Patch(e.name + " Track", "TrackPlayer").List("Automation", {e.name + " Curve"});
      w.Patch(e.name + " Curve", "AutomationClip")
          .Set("AutomationTarget", e.bus)
          .Set("AutomationController", "Volume")
          .List("ParameterList", {e.name + " Value"});
    }
  }
  for (const std::string& c : used) w.Patch(ClipPatch(c), "SampleResource").Set("Url", c);

  // Every clip of the folder is played by some event: the folder holds nothing dead.
  std::error_code ec;
  for (const auto& f : std::filesystem::directory_iterator(clipFolder, ec)) {
    std::string name = f.path().filename().string();
    if (f.path().extension() == ".ogg" && !used.count(name)) {
      *error = "clip " + name + " is not played by any event";
      return false;
    }
  }
  if (ec) {
    *error = "cannot list " + clipFolder;
    return false;
  }

  *projectXml = w.Text();
  std::string table = "<PropertySet>\n";
  for (const Event& e : events) {
    char id[16];
    std::snprintf(id, sizeof id, "0x%08X", Tarn::NameId(e.name.c_str()));
    table += "<Property><Key>" + Escape(e.name) + "</Key><Value>" + id + "</Value></Property>\n";
  }
  *symbolTable = table + "</PropertySet>\n";
  return true;
}

}  // namespace Project
