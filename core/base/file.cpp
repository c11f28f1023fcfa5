// The file layer: the TFile handle, virtual path resolution through the file map, the free
// file functions and the data-folder helpers.
#include "core/base/file.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/base/directory_iterator.h"
#include "core/base/disk_file_data.h"
#include "core/base/flat_file_map.h"
#include "core/base/memory_file.h"
#include "core/base/settings.h"
#include "platform/win32/win32.h"

namespace fs = std::filesystem;

namespace {

// Main thread only, like the rest of the layer.
TStr gUserFolder;
TStr gCommonFolder;
TStr gDesktopFolder;

std::string Lower(std::string s) {
  for (char& c : s) c = (char)tolower((unsigned char)c);
  return s;
}

// Lower-cases and turns every backslash into "/": the form of every key.
std::string KeyForm(const char* path) {
  std::string s = Lower(path);
  for (char& c : s)
    if (c == '\\') c = '/';
  return s;
}

bool StartsWith(const std::string& s, const char* prefix) {
  return s.compare(0, strlen(prefix), prefix) == 0;
}

bool IsReadableFile(const std::string& path) {
  std::error_code ec;
  fs::file_status st = fs::status(path, ec);
  return !ec && fs::exists(st) && !fs::is_directory(st);
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

// The real name of one component inside a real folder: the exact name when it exists, else
// the first entry (in byte order) that matches without regard to case, else empty.
std::string MatchComponent(const std::string& folder, const std::string& component) {
  std::string exact = JoinPath(folder, component);
  if (Exists(exact)) return component;
  std::string want = Lower(component);
  std::error_code ec;
  fs::directory_iterator it(folder.empty() ? std::string(".") : folder, ec);
  if (ec) return std::string();
  std::string best;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    std::string name = it->path().filename().string();
    if (Lower(name) == want && (best.empty() || name < best)) best = name;
  }
  return best;
}

// Resolves the part of a path behind a data-folder prefix; ".." components would leave the
// folder and are refused (empty result).
bool ConfinedRealPath(const std::string& folder, const std::string& rest, std::string* out) {
  std::string normal;
  size_t i = 0;
  while (i <= rest.size()) {
    size_t j = rest.find_first_of("/\\", i);
    if (j == std::string::npos) j = rest.size();
    std::string part = rest.substr(i, j - i);
    if (part == "..") return false;
    if (!part.empty() && part != ".") {
      if (!normal.empty()) normal += '/';
      normal += part;
    }
    i = j + 1;
  }
  *out = FindRealPath(TStr(folder.c_str()), TStr(normal.c_str())).c_str();
  return true;
}

}  // namespace

TStr FindRealPath(TStr folder, TStr relative) {
  std::string base = folder.c_str();
  std::string rest = relative.c_str();
  std::string result = base;
  bool missing = false;  // once a component is missing, the rest is kept as written
  size_t i = 0;
  while (i <= rest.size()) {
    size_t j = rest.find_first_of("/\\", i);
    if (j == std::string::npos) j = rest.size();
    std::string part = rest.substr(i, j - i);
    i = j + 1;
    if (part.empty()) {
      if (j == 0 && result.empty()) result = "/";  // an absolute path keeps its root
      continue;
    }
    std::string real;
    if (!missing && part != "." && part != "..") real = MatchComponent(result, part);
    if (real.empty()) {
      if (part != "." && part != "..") missing = true;
      real = missing ? Lower(part) : part;
    }
    result = JoinPath(result, real);
  }
  return TStr(result.c_str());
}

TFileMap& GetFileMap() {
  static TFileMap map;
  return map;
}

void ClearFileMap() { GetFileMap().clear(); }

std::set<TStr>& GetExclusionSet() {
  static std::set<TStr> set;
  return set;
}

void SetDataFolders(TStr user, TStr common, TStr desktop) {
  gUserFolder = user;
  gCommonFolder = common;
  gDesktopFolder = desktop;
}

TStr GetUserFolder() { return gUserFolder; }
TStr GetCommonFolder() { return gCommonFolder; }
TStr GetDesktopFolderPath() { return gDesktopFolder; }

TStr ResolvePath(TStr path, bool mustExist) {
  std::string original = path.c_str();
  std::string key = KeyForm(original.c_str());
  TFileMap& map = GetFileMap();
  auto found = map.find(TStr(key.c_str()));
  if (found != map.end()) return found->second;

  if (StartsWith(key, "::")) {
    std::string rest = original.substr(2);
    std::string real = FindRealPath(TStr(""), TStr(rest.c_str())).c_str();
    return IsReadableFile(real) ? TStr(real.c_str()) : TStr();
  }

  if (mustExist && GetExclusionSet().count(TStr(key.c_str()))) return TStr();

  static const struct {
    const char* prefix;
    TStr* folder;
  } kPrefixes[] = {{"user:", &gUserFolder}, {"common:", &gCommonFolder}, {"desktop:", &gDesktopFolder}};
  for (const auto& p : kPrefixes) {
    if (!StartsWith(key, p.prefix)) continue;
    // Without its folder the path would land at the root of the disk.
    if (p.folder->Length() == 0) return TStr();
    std::string real;
    if (!ConfinedRealPath(p.folder->c_str(), original.substr(strlen(p.prefix)), &real)) return TStr();
    if (mustExist && !Exists(real)) return TStr();
    TStr result(real.c_str());
    map[TStr(key.c_str())] = result;
    return result;
  }

  if (StartsWith(key, "assets/")) return ResolvePath(TStr(original.substr(7).c_str()), false);
  return TStr();
}

bool TFile::Open(TStr path, int mode) {
  Close();
  TStr resolved = ResolvePath(path, mode < 2);
  if (resolved.Length() == 0) return false;
  std::unique_ptr<TFileData> data;
  char first = resolved.c_str()[0];
  if (first == '@') {
    data = std::make_unique<TFlatFileMap>();
  } else if (first == '&') {
    data = std::make_unique<TMemoryFile>();
  } else {
    if (mode >= 2) {
      fs::path parent = fs::path(resolved.c_str()).parent_path();
      std::error_code ec;
      if (!parent.empty()) fs::create_directories(parent, ec);
    }
    data = std::make_unique<TDiskFileData>();
  }
  if (!data->Open(resolved, mode)) return false;
  mData = std::move(data);
  return true;
}

int TFile::Read(void* buffer, int bytes) { return mData ? mData->Read(buffer, bytes) : 0; }
int TFile::Write(const void* buffer, int bytes) { return mData ? mData->Write(buffer, bytes) : 0; }
void TFile::Seek(int offset, int origin) {
  if (mData) mData->Seek(offset, origin);
}
int TFile::Tell() { return mData ? mData->Tell() : -1; }
int TFile::GetSize() { return mData ? mData->GetSize() : 0; }
bool TFile::IsEOF() { return mData ? mData->IsEOF() : true; }
void TFile::UngetByte() {
  if (mData) mData->UngetByte();
}

TFile* FileOpen(const char* path, int mode) {
  TFile* f = new TFile;
  if (!f->Open(TStr(path ? path : ""), mode)) {
    delete f;
    return nullptr;
  }
  return f;
}

void FileClose(TFile* f) { delete f; }

int FileSeek(TFile* f, int offset, int origin) {
  if (!f) return -1;
  f->Seek(offset, origin);
  return 0;
}

int FileTell(TFile* f) { return f ? f->Tell() : -1; }
int FileRead(TFile* f, void* buffer, int bytes) { return f ? f->Read(buffer, bytes) : 0; }
int FileWrite(TFile* f, const void* buffer, int bytes) { return f ? f->Write(buffer, bytes) : 0; }
int FileEOF(TFile* f) { return (!f || f->IsEOF()) ? 1 : 0; }
int FileGetSize(TFile* f) { return f ? f->GetSize() : 0; }

int FileGetChar(TFile* f) {
  if (!f || f->IsEOF()) return -1;
  unsigned char c;
  if (f->Read(&c, 1) != 1) return -1;
  return c;
}

void FileUngetChar(TFile* f) {
  if (f) f->UngetByte();
}

int FileError(TFile* f) { return (!f || !f->IsOpen()) ? 1 : 0; }

char* FileGets(TFile* f, char* buffer, int size) {
  if (!buffer || size <= 0) return nullptr;
  int n = 0;
  while (n < size - 1) {
    unsigned char c;
    if (!f || f->Read(&c, 1) != 1) break;
    buffer[n++] = (char)c;
    if (c == 10 || c == 13) break;
  }
  buffer[n] = 0;
  if (FileEOF(f)) return nullptr;
  return buffer + n;
}

bool FileExists(TStr path) { return ResolvePath(path, true).Length() != 0; }

bool GetNextFileInFolder(TStr folder, TStr& name, bool recursive) {
  std::string dir = KeyForm(folder.c_str());
  while (!dir.empty() && dir.back() == '/') dir.pop_back();
  // Only keys inside the folder count: "ui.lua" and "ui-old/x" are not in "ui".
  std::string prefix = dir;
  if (!prefix.empty() && prefix.back() != ':') prefix += '/';
  TFileMap& map = GetFileMap();
  TFileMap::iterator it;
  if (name.Length() != 0)
    it = map.upper_bound(name);
  else
    it = map.lower_bound(TStr(prefix.c_str()));
  // Keys are ordered, so the folder's keys are one run starting at the prefix.
  TStr prefixKey(prefix.c_str());
  if (it != map.end() && it->first < prefixKey) it = map.lower_bound(prefixKey);
  for (; it != map.end(); ++it) {
    const char* key = it->first.c_str();
    if (strncmp(key, prefix.c_str(), prefix.size()) != 0) return false;
    const char* rest = key + prefix.size();
    if (!*rest) continue;
    if (!recursive && strchr(rest, '/')) continue;
    name = it->first;
    return true;
  }
  return false;
}

TStr GetWorkingDirectory() {
  std::vector<char> buffer(1200);
  while (true) {
    DWORD n = GetCurrentDirectoryA((DWORD)buffer.size(), buffer.data());
    if (n == 0) return TStr();
    if (n < buffer.size()) return TStr(buffer.data());
    buffer.resize(buffer.size() * 2);
  }
}

TStr GetFullPath(const char* path) {
  if (!path || !*path) return TStr();
  std::vector<char> buffer(1024);
  DWORD n = GetFullPathNameA(path, (DWORD)buffer.size(), buffer.data(), nullptr);
  if (n >= buffer.size()) {
    buffer.resize((size_t)n + 1);
    n = GetFullPathNameA(path, (DWORD)buffer.size(), buffer.data(), nullptr);
  }
  if (n == 0 || n >= buffer.size()) return TStr();
  return TStr(buffer.data());
}

namespace {

// The system's special folder (created when missing), empty when there is none.
std::string SpecialFolder(int csidl) {
  std::vector<char> buffer(4096, 0);
  if (FAILED(SHGetFolderPathA(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, buffer.data())))
    return std::string();
  return std::string(buffer.data());
}

int CopyOut(const std::string& s, char* out, int outSize) {
  int needed = (int)s.size() + 1;
  if (!out || needed > outSize) return needed;
  memcpy(out, s.c_str(), s.size() + 1);
  return 0;
}

}  // namespace

int GetDataFolder(bool common, const char* gameName, char* out, int outSize) {
  std::string maker = GetSetting(TStr("publisher"), TStr("Kestrune")).c_str();
  maker += '/';
  std::string special = SpecialFolder(common ? CSIDL_COMMON_APPDATA : CSIDL_APPDATA);
  if (special.empty()) return -1;
  special = GetFullPath(special.c_str()).c_str();
  if (special.empty() || special.back() != '/') special += '/';
  std::string game = gameName ? gameName : "";
  // Room for the separator behind the game's name and the terminator.
  std::string full = special + maker + game + "/";
  if ((int)full.size() + 1 > outSize) return (int)full.size() + 1;
  std::error_code ec;
  fs::create_directory(special + maker, ec);
  fs::create_directory(full, ec);
  return CopyOut(full, out, outSize);
}

int GetDesktopFolder(char* out, int outSize) {
  std::string special = SpecialFolder(CSIDL_DESKTOP);
  if (special.empty()) return -1;
  special = GetFullPath(special.c_str()).c_str();
  if (special.empty() || special.back() != '/') special += '/';
  return CopyOut(special, out, outSize);
}

bool GetFolderPath(int kind, char* out, const char* gameName, int outSize) {
  if (kind == 0) return GetDesktopFolder(out, outSize) == 0;
  return GetDataFolder(kind == 0x23, gameName, out, outSize) == 0;
}
