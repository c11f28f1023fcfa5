// The asset file list: builds the file map at start-up from the exclusion manifest, the
// packed asset files (".ksp") and the loose files of the assets and data folders.
#include "core/base/asset_file_list.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/base/directory_iterator.h"
#include "core/base/file_map_handler.h"
#include "core/base/log.h"
#include "core/base/settings.h"

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = (char)tolower((unsigned char)c);
  return s;
}

struct PackEntry {
  std::string name;
  uint32_t offset;
  uint32_t size;
};

uint32_t Le32(const unsigned char* p) {
  return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

// Reads and checks a pack's directory. "bad" is set for a pack that lies about its contents
// (a count or an entry that does not fit the file); a file that is simply not a pack is not bad.
bool ReadPackDirectory(TFile& file, std::vector<PackEntry>* entries, const char** bad) {
  *bad = nullptr;
  unsigned char head[8];
  if (file.Read(head, 4) != 4 || memcmp(head, "KSPK", 4) != 0) return false;
  int64_t fileSize = file.GetSize();
  if (file.Read(head + 4, 4) != 4) {
    *bad = "directory cut short";
    return false;
  }
  int32_t count = (int32_t)Le32(head + 4);
  // Each entry takes at least 9 bytes, which bounds any honest count by the file's size.
  if (count < 0 || (int64_t)count * 9 > fileSize - 8) {
    *bad = "entry count does not fit the file";
    return false;
  }
  entries->reserve((size_t)count);
  for (int32_t i = 0; i < count; ++i) {
    unsigned char len;
    char name[256];
    unsigned char numbers[8];
    if (file.Read(&len, 1) != 1 || file.Read(name, len) != len || file.Read(numbers, 8) != 8) {
      *bad = "directory cut short";
      return false;
    }
    PackEntry e;
    e.name.assign(name, len);
    e.offset = Le32(numbers);
    e.size = Le32(numbers + 4);
    if ((int64_t)e.offset + (int64_t)e.size > fileSize) {
      *bad = "member lies past the end of the file";
      return false;
    }
    if (memchr(e.name.data(), 0, e.name.size())) {
      *bad = "member name holds a NUL byte";
      return false;
    }
    entries->push_back(std::move(e));
  }
  return true;
}

std::string KeyOf(const std::string& name) {
  std::string key = Lower(name);
  for (char& c : key)
    if (c == '\\') c = '/';
  return key;
}

}  // namespace

bool MountPack(TStr packPath, TFileMap& map) {
  std::vector<TFileMapHandler>& packs = GetPackList();
  size_t index = packs.size();
  for (size_t i = 0; i < packs.size(); ++i) {
    if (packs[i].GetPath() == packPath) {
      index = i;
      packs[i].Close();
      break;
    }
  }
  std::vector<PackEntry> entries;
  {
    TFile file;
    if (!file.Open(packPath, kFileReadBinary)) return false;
    const char* bad = nullptr;
    if (!ReadPackDirectory(file, &entries, &bad)) {
      if (bad) LogError("Skipping damaged pack %s: %s", packPath.c_str(), bad);
      return false;
    }
  }
  for (const PackEntry& e : entries) {
    map[TStr(KeyOf(e.name).c_str())] =
        TStr::Format("@%d:%lu,%lu", (int)index, (unsigned long)e.offset, (unsigned long)e.size);
  }
  TFileMapHandler handler;
  if (!handler.Open(packPath)) LogError("Failed to open flat file %s", packPath.c_str());
  if (index == packs.size())
    packs.push_back(handler);
  else
    packs[index] = handler;
  return true;
}

void MountPacks(TStr realFolder, TFileMap& map) {
  std::vector<std::string> names;
  TDirectoryIterator dir;
  dir.Open(realFolder.c_str());
  TStr name;
  while (dir.Next(name, nullptr)) {
    // Names differ from the original system only in case here, so "DATA.KSP" counts too.
    if (Lower(name.c_str()).find(".ksp") != std::string::npos) names.push_back(name.c_str());
  }
  std::sort(names.begin(), names.end());
  // The pack path always names the assets folder: packs of other scanned folders do not open.
  for (const std::string& n : names) MountPack(TStr(("::assets/" + n).c_str()), map);
}

bool ParseExclusionList(char* text, bool add) {
  bool clearAll = false;
  std::set<TStr>& set = GetExclusionSet();
  const char* p = text;
  while (p && *p) {
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r') ++p;
    const char* start = p;
    while (*p && *p != ' ' && *p != '\t' && *p != '\n' && *p != '\r') ++p;
    if (p == start) break;
    std::string word = Lower(std::string(start, (size_t)(p - start)));
    if (word == "-*") {
      set.clear();
      clearAll = true;
    } else if (add) {
      set.insert(TStr(word.c_str()));
    } else {
      set.erase(TStr(word.c_str()));
    }
  }
  return clearAll;
}

bool IsPathAllowed(TStr path) {
  TStr key = path;
  key.ToLower();
  return GetExclusionSet().count(key) == 0;
}

namespace {
// A folder linked into itself would otherwise be scanned for ever.
constexpr int kMaxScanDepth = 32;
int gScanDepth = 0;  // main thread only
}  // namespace

void ScanFolder(TStr realFolder, TStr virtualPrefix) {
  if (gScanDepth >= kMaxScanDepth) {
    LogError("ScanFolder: %s is nested too deeply; skipped", realFolder.c_str());
    return;
  }
  struct DepthGuard {
    DepthGuard() { ++gScanDepth; }
    ~DepthGuard() { --gScanDepth; }
  } guard;
  TFileMap& map = GetFileMap();
  MountPacks(realFolder, map);
  std::string folder = realFolder.c_str();
  std::string lowerFolder = Lower(folder);
  std::string prefix = Lower(virtualPrefix.c_str());
  std::string relative;
  if (prefix.empty()) {
    relative = lowerFolder.compare(0, 6, "assets") == 0 ? lowerFolder.substr(std::min<size_t>(7, lowerFolder.size()))
                                                        : lowerFolder;
  } else if (prefix == ".") {
    prefix.clear();
  }
  if (!relative.empty()) relative += '/';

  TDirectoryIterator dir;
  dir.Open(folder.c_str());
  TStr entry;
  bool isFolder = false;
  std::set<TStr>& excluded = GetExclusionSet();
  while (dir.Next(entry, &isFolder)) {
    std::string real = entry.c_str();
    std::string name = Lower(real);
    std::string key = prefix + relative + name;
    if (excluded.count(TStr(key.c_str()))) continue;
    std::string path = folder + "/" + real;
    if (isFolder) {
      if (name == ".svn") continue;
      if (!prefix.empty())
        ScanFolder(TStr(path.c_str()), TStr((prefix + name + "/").c_str()));
      else
        ScanFolder(TStr(path.c_str()), TStr(""));
    } else {
      // The key is lower-cased; the value keeps the name as it is on disk.
      map[TStr(key.c_str())] = TStr(path.c_str());
    }
  }
}

void BuildFileMap() {
  const char* manifest = GetSettingBool(TStr("earlyview")) ? "earlyview.txt" : "final.txt";
  if (FILE* f = fopen(FindRealPath(TStr(""), TStr(manifest)).c_str(), "rb")) {
    fseek(f, 0, SEEK_END);
    long length = ftell(f);
    fseek(f, 0, SEEK_SET);
    if (length >= 0 && length < kMaxManifestBytes) {
      std::vector<char> text((size_t)length + 1, 0);
      size_t got = fread(text.data(), 1, (size_t)length, f);
      text[got] = 0;
      ParseExclusionList(text.data(), true);
    }
    fclose(f);
  }
  ScanFolder(FindRealPath(TStr(""), TStr("assets")), TStr(""));
  if (GetSetting(TStr(kSettingActiveX)) == TStr("1")) return;
  if (GetUserFolder().Length() != 0) ScanFolder(GetUserFolder(), TStr("user:"));
  if (GetCommonFolder().Length() != 0) ScanFolder(GetCommonFolder(), TStr("common:"));
}
