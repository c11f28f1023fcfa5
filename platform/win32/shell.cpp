// Special folders, ShellExecuteA, message boxes, the version record, CoCreateGuid, the adapter
// address and the system version.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/test_control.h"
#include "platform/win32/internal.h"

#ifndef ORVELLA_PRODUCT_NAME
#define ORVELLA_PRODUCT_NAME "Orvella"
#define ORVELLA_INTERNAL_NAME "orvella"
#define ORVELLA_FILE_VERSION 0, 0, 0, 0
#endif

extern char** environ;

using namespace win32;

namespace {

std::mutex gShellLock;
// Guarded by gShellLock.
std::vector<TestControl::MessageBoxRecord> gBoxes;
std::vector<TestControl::ShellRecord> gShells;
int gBoxAnswer = 0;
bool gFailAdapters = false;
bool gVersionMissing = false;
DWORD gMajor = 5, gMinor = 1;  // Windows XP

std::string Env(const char* name) {
  const char* v = getenv(name);
  return v && *v ? v : "";
}

std::string Home() {
  std::string h = Env("HOME");
  return h.empty() ? "/tmp" : h;
}

std::string DataHome() {
  std::string d = Env("XDG_DATA_HOME");
  return d.empty() ? Home() + "/.local/share" : d;
}

// The folder behind a CSIDL value, or empty when there is none.
std::string SpecialFolder(int csidl) {
  switch (csidl & 0xFF) {
    case CSIDL_APPDATA:
    case CSIDL_LOCAL_APPDATA: {
      std::string o = Env("ORVELLA_APPDATA_DIR");
      return o.empty() ? DataHome() : o;
    }
    case CSIDL_COMMON_APPDATA: {
      // XDG has no writable folder shared by all users; a folder beside the user's data keeps
      // common files apart from per-user files of the same name.
      std::string o = Env("ORVELLA_COMMON_APPDATA_DIR");
      return o.empty() ? DataHome() + "/common-appdata" : o;
    }
    case CSIDL_DESKTOP:
    case CSIDL_DESKTOPDIRECTORY: {
      std::string o = Env("ORVELLA_DESKTOP_DIR");
      if (o.empty()) o = Env("XDG_DESKTOP_DIR");
      return o.empty() ? Home() + "/Desktop" : o;
    }
    case CSIDL_PERSONAL: {
      std::string o = Env("XDG_DOCUMENTS_DIR");
      return o.empty() ? Home() : o;
    }
    default: return "";
  }
}

bool FolderReady(const std::string& folder, bool create) {
  std::error_code ec;
  if (create) std::filesystem::create_directories(folder, ec);
  return std::filesystem::is_directory(folder, ec);
}

bool Headless() {
  std::string driver = Env("SDL_VIDEODRIVER");
  return driver == "dummy" || driver == "offscreen" || !Env("ORVELLA_NO_LAUNCH").empty();
}

// The version record as GetFileVersionInfoA hands it out: a fixed part and the strings.
struct VersionBlock {
  uint32_t magic;
  VS_FIXEDFILEINFO fixed;
  char productName[128];
  char internalName[128];
  char fileVersion[64];
};
const uint32_t kVersionMagic = 0x4f56524bu;

bool IsProgramFile(const char* file) {
  if (!file) return false;
  char self[4096];
  DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
  std::error_code ec;
  return n && std::filesystem::equivalent(HostPath(file), std::string(self, n), ec);
}

}  // namespace

HRESULT SHGetFolderPathA(HWND, int csidl, HANDLE, DWORD, LPSTR path) {
  std::string folder = SpecialFolder(csidl);
  if (!path || folder.empty() || folder.size() >= MAX_PATH) return E_INVALIDARG;
  if (!FolderReady(folder, csidl & CSIDL_FLAG_CREATE)) return E_FAIL;
  strcpy(path, folder.c_str());
  return S_OK;
}

BOOL SHGetSpecialFolderPathA(HWND owner, LPSTR path, int csidl, BOOL create) {
  return SHGetFolderPathA(owner, csidl | (create ? CSIDL_FLAG_CREATE : 0), nullptr, 0, path) == S_OK;
}

HINSTANCE ShellExecuteA(HWND, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR, INT) {
  if (!file || !*file) return (HINSTANCE)(intptr_t)ERROR_FILE_NOT_FOUND;
  {
    std::lock_guard<std::mutex> lock(gShellLock);
    gShells.push_back({operation ? operation : "", file, parameters ? parameters : ""});
  }
  if (Headless()) return (HINSTANCE)(intptr_t)42;
  // A program with a document as its parameters runs that program; anything else is opened
  // with the desktop's handler. Either way detached, so the game never waits for it.
  std::string target = file;
  std::vector<std::string> args;
  if (parameters && *parameters) {
    args = {target, parameters};
  } else {
    args = {"xdg-open", target};
  }
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid;
  int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  if (rc != 0 && args.size() == 2 && args[0] != "xdg-open") {
    // A Windows program named for the document (a browser) does not exist here: open the
    // document itself with the desktop's handler.
    args = {"xdg-open", args[1]};
    argv = {args[0].data(), args[1].data(), nullptr};
    rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  }
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return (HINSTANCE)(intptr_t)ERROR_FILE_NOT_FOUND;
  // Reap it from a detached thread so no zombie is left behind.
  std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
  return (HINSTANCE)(intptr_t)42;
}

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
  static const int kButtons[][3] = {{IDOK, IDOK, IDOK},        {IDOK, IDCANCEL, IDCANCEL},
                                    {IDABORT, IDRETRY, IDIGNORE}, {IDYES, IDNO, IDCANCEL},
                                    {IDYES, IDNO, IDNO},       {IDRETRY, IDCANCEL, IDCANCEL}};
  UINT kind = type & 0xF;
  UINT def = (type >> 8) & 0xF;
  int answer = kButtons[kind < 6 ? kind : 0][def < 3 ? def : 0];
  std::lock_guard<std::mutex> lock(gShellLock);
  gBoxes.push_back({caption ? caption : "Error", text ? text : "", type});
  if (gBoxAnswer) return gBoxAnswer;
  if (Env("ORVELLA_QUIET_MESSAGEBOX").empty())
    fprintf(stderr, "[message box] %s: %s\n", caption ? caption : "Error", text ? text : "");
  return answer;
}

DWORD GetFileVersionInfoSizeA(LPCSTR file, LPDWORD handle) {
  if (handle) *handle = 0;
  bool missing;
  {
    std::lock_guard<std::mutex> lock(gShellLock);
    missing = gVersionMissing;
  }
  if (missing || !IsProgramFile(file)) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return 0;
  }
  return sizeof(VersionBlock);
}

BOOL GetFileVersionInfoA(LPCSTR file, DWORD, DWORD size, LPVOID data) {
  if (!data || size < sizeof(VersionBlock)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  if (!GetFileVersionInfoSizeA(file, nullptr)) return FALSE;
  VersionBlock b{};
  b.magic = kVersionMagic;
  const DWORD v[4] = {ORVELLA_FILE_VERSION};
  b.fixed.dwSignature = 0xFEEF04BDu;
  b.fixed.dwStrucVersion = 0x00010000u;
  b.fixed.dwFileVersionMS = b.fixed.dwProductVersionMS = (v[0] << 16) | (v[1] & 0xFFFF);
  b.fixed.dwFileVersionLS = b.fixed.dwProductVersionLS = (v[2] << 16) | (v[3] & 0xFFFF);
  b.fixed.dwFileOS = 0x00040004u;  // VOS_NT_WINDOWS32
  b.fixed.dwFileType = 1;          // VFT_APP
  snprintf(b.productName, sizeof b.productName, "%s", ORVELLA_PRODUCT_NAME);
  snprintf(b.internalName, sizeof b.internalName, "%s", ORVELLA_INTERNAL_NAME);
  snprintf(b.fileVersion, sizeof b.fileVersion, "%u.%u.%u.%u", v[0], v[1], v[2], v[3]);
  memcpy(data, &b, sizeof b);
  return TRUE;
}

BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* value, UINT* length) {
  auto* b = static_cast<VersionBlock*>(const_cast<void*>(block));
  if (!b || !subBlock || !value || b->magic != kVersionMagic) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string key = subBlock;
  std::replace(key.begin(), key.end(), '/', '\\');
  auto text = [&](char* s) {
    *value = s;
    if (length) *length = (UINT)strlen(s) + 1;
    return TRUE;
  };
  if (key == "\\" || key.empty()) {
    *value = &b->fixed;
    if (length) *length = sizeof(VS_FIXEDFILEINFO);
    return TRUE;
  }
  std::string prefix = "\\StringFileInfo\\040904b0\\";
  if (key.size() > prefix.size() && strcasecmp(key.substr(0, prefix.size()).c_str(), prefix.c_str()) == 0) {
    std::string name = key.substr(prefix.size());
    if (strcasecmp(name.c_str(), "ProductName") == 0) return text(b->productName);
    if (strcasecmp(name.c_str(), "InternalName") == 0) return text(b->internalName);
    if (strcasecmp(name.c_str(), "FileVersion") == 0 || strcasecmp(name.c_str(), "ProductVersion") == 0)
      return text(b->fileVersion);
  }
  SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
  if (length) *length = 0;
  return FALSE;
}

HRESULT CoCreateGuid(GUID* guid) {
  if (!guid) return E_INVALIDARG;
  uint8_t bytes[16];
  std::ifstream random("/dev/urandom", std::ios::binary);
  if (!random.read((char*)bytes, sizeof bytes)) return E_FAIL;
  bytes[6] = (uint8_t)((bytes[6] & 0x0F) | 0x40);  // version 4
  bytes[8] = (uint8_t)((bytes[8] & 0x3F) | 0x80);  // variant 1
  memcpy(guid, bytes, sizeof bytes);
  return S_OK;
}

HRESULT CoInitialize(LPVOID) { return S_OK; }
void CoUninitialize() {}

DWORD GetAdaptersInfo(PIP_ADAPTER_INFO info, PULONG size) {
  if (!size) return ERROR_INVALID_PARAMETER;
  {
    std::lock_guard<std::mutex> lock(gShellLock);
    if (gFailAdapters) return ERROR_NOT_SUPPORTED;
  }
  struct Adapter {
    std::string name;
    uint8_t mac[6];
    DWORD index;
    bool physical;  // backed by a device: stable, unlike bridges and virtual pairs
  };
  std::vector<Adapter> found;
  std::error_code ec;
  for (auto& e : std::filesystem::directory_iterator("/sys/class/net", ec)) {
    std::string name = e.path().filename().string();
    if (name == "lo") continue;
    std::ifstream addr(e.path() / "address");
    std::string text;
    if (!(addr >> text)) continue;
    Adapter a{name, {}, 0, std::filesystem::exists(e.path() / "device", ec)};
    unsigned m[6];
    if (sscanf(text.c_str(), "%x:%x:%x:%x:%x:%x", &m[0], &m[1], &m[2], &m[3], &m[4], &m[5]) != 6) continue;
    bool zero = true;
    for (int i = 0; i < 6; i++) {
      a.mac[i] = (uint8_t)m[i];
      zero = zero && m[i] == 0;
    }
    if (zero) continue;
    std::ifstream idx(e.path() / "ifindex");
    idx >> a.index;
    found.push_back(a);
  }
  if (found.empty()) return ERROR_NO_DATA;
  std::sort(found.begin(), found.end(), [](auto& a, auto& b) {
    return a.physical != b.physical ? a.physical : a.index != b.index ? a.index < b.index : a.name < b.name;
  });
  ULONG need = (ULONG)(found.size() * sizeof(IP_ADAPTER_INFO));
  if (!info || *size < need) {
    *size = need;
    return ERROR_BUFFER_OVERFLOW;
  }
  memset(info, 0, need);
  for (size_t i = 0; i < found.size(); i++) {
    IP_ADAPTER_INFO& a = info[i];
    a.Next = i + 1 < found.size() ? &info[i + 1] : nullptr;
    a.ComboIndex = a.Index = found[i].index;
    snprintf(a.AdapterName, sizeof a.AdapterName, "%s", found[i].name.c_str());
    snprintf(a.Description, sizeof a.Description, "%s", found[i].name.c_str());
    a.AddressLength = 6;
    memcpy(a.Address, found[i].mac, 6);
    a.Type = MIB_IF_TYPE_ETHERNET;
  }
  return ERROR_SUCCESS;
}

BOOL GetVersionExA(OSVERSIONINFOA* info) {
  if (!info || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOA)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::lock_guard<std::mutex> lock(gShellLock);
  info->dwMajorVersion = gMajor;
  info->dwMinorVersion = gMinor;
  info->dwBuildNumber = gMajor == 5 && gMinor == 1 ? 2600 : 0;
  info->dwPlatformId = VER_PLATFORM_WIN32_NT;
  snprintf(info->szCSDVersion, sizeof info->szCSDVersion, "%s", gMajor == 5 ? "Service Pack 3" : "");
  return TRUE;
}

DWORD GetVersion() {
  std::lock_guard<std::mutex> lock(gShellLock);
  DWORD build = gMajor == 5 && gMinor == 1 ? 2600 : 0;
  return (gMajor & 0xFF) | ((gMinor & 0xFF) << 8) | (build << 16);
}

namespace TestControl {
std::vector<MessageBoxRecord> MessageBoxes() {
  std::lock_guard<std::mutex> lock(gShellLock);
  return gBoxes;
}
void SetMessageBoxAnswer(int button) {
  std::lock_guard<std::mutex> lock(gShellLock);
  gBoxAnswer = button;
}
std::vector<ShellRecord> ShellExecutes() {
  std::lock_guard<std::mutex> lock(gShellLock);
  return gShells;
}
void FailAdapterQuery(bool fail) {
  std::lock_guard<std::mutex> lock(gShellLock);
  gFailAdapters = fail;
}
void SetVersionRecordMissing(bool missing) {
  std::lock_guard<std::mutex> lock(gShellLock);
  gVersionMissing = missing;
}
void ResetFaults() {
  {
    std::lock_guard<std::mutex> lock(gShellLock);
    gBoxAnswer = 0;
    gFailAdapters = false;
    gVersionMissing = false;
    gMajor = 5;
    gMinor = 1;
  }
  FailOpenClipboard(false);
  FailFolderFlush(false);
  ClearLoadLibraryFailures();
  ClearScreenMetrics();
}
void SetWindowsVersion(DWORD major, DWORD minor) {
  std::lock_guard<std::mutex> lock(gShellLock);
  gMajor = major;
  gMinor = minor;
}
}  // namespace TestControl
