// TStringTable: the label -> text table of all user-visible text.
#include "core/base/string_table.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "core/base/file.h"
#include "core/base/log.h"
#include "core/base/settings.h"
#include "core/base/whole_file.h"
#include "core/base/xml_node.h"
#include "core/base/zxml.h"

bool TStringTable::Load(TStr path) {
  Clear();
  return AddFile(path);
}

bool TStringTable::LoadStartupTables() {
  bool loaded = Load(TStr("strings.xml"));
  for (const char* folder : {"user:", "common:"}) {
    TStr name;
    size_t prefix = strlen(folder);
    while (GetNextFileInFolder(TStr(folder), name, false)) {
      const char* rest = name.c_str() + prefix;
      if (strncmp(rest, "string", 6) == 0 && strstr(rest, ".xml")) AddFile(name);
    }
  }
  return loaded;
}

bool TStringTable::AddFile(TStr path) {
  std::vector<char> data;
  if (!ReadWholeFile(path, &data)) return false;
  if (!AddText(data.data(), (int)data.size())) {
    LogError("TStringTable::AddFile: cannot read %s", path.c_str());
    return false;
  }
  return true;
}

namespace {

// The text of the cell starting at the "<Data" at or after from, inside [from, end): from
// behind the first ">" up to the next "<". Sets *next behind the text.
bool ReadCell(const std::string& text, size_t from, size_t end, TStr* cell, size_t* next) {
  size_t data = text.find("<Data", from);
  if (data == std::string::npos || data >= end) return false;
  size_t gt = text.find('>', data + 5);
  if (gt == std::string::npos || gt >= end) return false;
  size_t stop = text.find('<', gt + 1);
  if (stop == std::string::npos || stop > end) stop = end;
  std::string raw = text.substr(gt + 1, stop - gt - 1);
  int n = XmlUnescapeInPlace(raw.data(), (int)raw.size());
  *cell = TStr(raw.data(), n);
  *next = stop;
  return true;
}

}  // namespace

bool TStringTable::AddText(const char* data, int length) {
  std::string text;
  if (length > 0 && IsZxml(data, (size_t)length)) {
    std::vector<char> plain;
    const char* why = nullptr;
    if (!ZxmlDecode(data, (size_t)length, &plain, &why)) {
      LogError("TStringTable: damaged ZXML container (%s)", why);
      return false;
    }
    text.assign(plain.data(), plain.size());
  } else if (length > 0) {
    text.assign(data, (size_t)length);
  }
  // A NUL ends the text as it would in the original C string.
  text.resize(strnlen(text.c_str(), text.size()));
  size_t row = text.find("<Row");
  while (row != std::string::npos) {
    size_t nextRow = text.find("<Row", row + 4);
    size_t end = nextRow == std::string::npos ? text.size() : nextRow;
    TStr label, value;
    size_t after;
    if (ReadCell(text, row, end, &label, &after)) {
      size_t unused;
      if (!ReadCell(text, after, end, &value, &unused)) value = TStr();
      mStrings[label] = value;
    }
    row = nextRow;
  }
  return true;
}

TStr TStringTable::GetString(TStr label, TStr a1, TStr a2, TStr a3, TStr a4, TStr a5) {
  auto found = mStrings.find(label);
  bool resolved = found != mStrings.end();
  std::string out;
  if (resolved) {
    const TStr args[5] = {a1, a2, a3, a4, a5};
    const char* text = found->second.c_str();
    size_t length = strlen(text);
    for (size_t i = 0; i < length && resolved;) {
      if (text[i] != '%') {
        out += text[i++];
        continue;
      }
      const char* close = strchr(text + i + 1, '%');
      std::string content;
      if (!close) {
        LogPrintf("Non-matched percent (%%) escape found in string %s, '%s'", label.c_str(), text);
        content.assign(text + i + 1);
        i = length;
      } else {
        content.assign(text + i + 1, (size_t)(close - text - i - 1));
        i = (size_t)(close - text) + 1;
      }
      if (content.empty()) {
        out += '%';
        continue;
      }
      if (content.find_first_not_of("0123456789") == std::string::npos) {
        int n = content.size() > 2 ? 99 : atoi(content.c_str());
        if (n < 1 || n > 5) {
          resolved = false;
          break;
        }
        const char* arg = args[n - 1].c_str();
        size_t argLength = strlen(arg);
        if (arg[0] != '%') {
          out += arg;
        } else if (strcmp(arg, "%%") == 0) {
          out += '%';
        } else if (argLength >= 3 && arg[argLength - 1] == '%') {
          auto other = mStrings.find(TStr(arg + 1, (int)argLength - 2));
          if (other == mStrings.end()) {
            resolved = false;
            break;
          }
          out += other->second.c_str();
        } else {
          resolved = false;
          break;
        }
        continue;
      }
      auto other = mStrings.find(TStr(content.c_str()));
      if (other == mStrings.end()) {
        resolved = false;
        break;
      }
      out += other->second.c_str();
    }
  }
  if (!resolved) {
    if (!mQuiet) LogPrintf(" ##### : Missing string for label '%s'", label.c_str());
    return TStr("#####");
  }
  if (GetSettingBool(TStr(kSettingStringTest))) {
    std::string masked;
    for (size_t i = 0; i < out.size();) {
      if (out[i] == ' ') {
        masked += ' ';
        ++i;
        continue;
      }
      int n = Utf8CharLength((unsigned char)out[i]);
      i += (size_t)(n < 1 ? 1 : n);
      masked += 'x';
    }
    out.swap(masked);
  }
  return TStr(out.c_str());
}

void TStringTable::GetFlashStrings(std::vector<std::pair<TStr, TStr>>& strings) {
  size_t before = strings.size();
  for (const auto& e : mStrings)
    if (strncmp(e.first.c_str(), "FLASH_", 6) == 0) strings.emplace_back(e.first, e.second);
  if (strings.size() != before) return;
  for (const auto& e : mStrings) {
    int a = 0, b = 0;
    if (sscanf(e.first.c_str(), "flash%2d_%2d", &a, &b) >= 1) strings.emplace_back(e.first, e.second);
  }
}
