// Module loading by name over dlopen, and the program's own path.
#include <dlfcn.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <set>

#include "platform/test_control.h"
#include "platform/win32/internal.h"

namespace {

struct Module {
  void* dl = nullptr;
  std::string path;
  int refs = 0;
};

// Loaded modules by handle; guarded by gModulesLock.
std::mutex gModulesLock;
std::map<uintptr_t, Module>& Modules() {
  static auto* modules = new std::map<uintptr_t, Module>;
  return *modules;
}
std::set<std::string>& FailingNames() {  // guarded by gModulesLock
  static auto* names = new std::set<std::string>;
  return *names;
}

const uintptr_t kProgramModule = 0x400000;  // where the original's program image sat

std::string Lower(std::string s) {
  for (char& c : s) c = (char)tolower((unsigned char)c);
  return s;
}

std::string SelfPath() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, (size_t)n) : std::string();
}

}  // namespace

namespace win32 {
std::string ProgramFolder() {
  std::string self = SelfPath();
  return self.substr(0, self.rfind('/') + 1);
}
}  // namespace win32

using namespace win32;

HMODULE LoadLibraryA(LPCSTR name) {
  if (!name || !*name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::string file = HostPath(name);
  std::string base = file.substr(file.rfind('/') + 1);
  {
    std::lock_guard<std::mutex> lock(gModulesLock);
    if (FailingNames().count(Lower(base)) || FailingNames().count(Lower(name))) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return nullptr;
    }
  }
  if (file.size() > 4 && Lower(file.substr(file.size() - 4)) == ".dll") file = file.substr(0, file.size() - 4) + ".so";
  void* dl = nullptr;
  std::string loadedPath = file;
  if (file.find('/') == std::string::npos) {
    loadedPath = ProgramFolder() + file;
    dl = dlopen(loadedPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!dl) {
      loadedPath = file;
      dl = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    }
  } else {
    dl = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  if (!dl) {
    dlerror();  // a missing module is an ordinary result: nothing is logged
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  {
    std::lock_guard<std::mutex> lock(gModulesLock);
    Module& m = Modules()[(uintptr_t)dl];
    m.dl = dl;
    m.path = loadedPath;
    m.refs++;
  }
  return (HMODULE)dl;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
  void* dl = nullptr;
  {
    std::lock_guard<std::mutex> lock(gModulesLock);
    auto it = Modules().find((uintptr_t)module);
    if (it != Modules().end()) dl = it->second.dl;
  }
  if (!dl) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (!name || IS_INTRESOURCE(name)) {
    SetLastError(ERROR_PROC_NOT_FOUND);  // no exports by ordinal here
    return nullptr;
  }
  void* sym = dlsym(dl, name);
  if (!sym) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return (FARPROC)sym;
}

BOOL FreeLibrary(HMODULE module) {
  void* dl = nullptr;
  {
    std::lock_guard<std::mutex> lock(gModulesLock);
    auto it = Modules().find((uintptr_t)module);
    if (it == Modules().end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    dl = it->second.dl;
    if (--it->second.refs == 0) Modules().erase(it);
  }
  dlclose(dl);
  return TRUE;
}

HMODULE GetModuleHandleA(LPCSTR name) {
  if (!name) return (HMODULE)kProgramModule;
  std::string want = Lower(HostPath(name));
  if (want.size() > 4 && want.substr(want.size() - 4) == ".dll") want = want.substr(0, want.size() - 4) + ".so";
  std::lock_guard<std::mutex> lock(gModulesLock);
  for (auto& [h, m] : Modules()) {
    std::string path = Lower(m.path);
    if (path == want || path.substr(path.rfind('/') + 1) == want) return (HMODULE)h;
  }
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
  std::string path;
  if (!module || (uintptr_t)module == kProgramModule) {
    path = SelfPath();
  } else {
    std::lock_guard<std::mutex> lock(gModulesLock);
    auto it = Modules().find((uintptr_t)module);
    if (it != Modules().end()) path = it->second.path;
  }
  if (path.empty()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  if (!buffer || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (path.size() >= size) {
    memcpy(buffer, path.data(), size - 1);
    buffer[size - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  memcpy(buffer, path.c_str(), path.size() + 1);
  return (DWORD)path.size();
}

namespace TestControl {
void FailLoadLibrary(const std::string& name) {
  std::lock_guard<std::mutex> lock(gModulesLock);
  FailingNames().insert(Lower(name));
}
void ClearLoadLibraryFailures() {
  std::lock_guard<std::mutex> lock(gModulesLock);
  FailingNames().clear();
}
}  // namespace TestControl
