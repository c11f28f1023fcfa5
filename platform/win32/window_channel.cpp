// The per-user channel between processes for FindWindowA and SetForegroundWindow/ShowWindow on
// another process's window (a second instance bringing the first forward).
//
// Each process that owns a top-level SDL window binds a datagram socket "<pid>.sock" in a
// per-user folder and leaves one file "<class>@<pid>" per such window, holding the handle.
// FindWindowA that finds nothing of its own looks there (skipping processes that are gone) and
// answers a proxy handle; SetForegroundWindow and ShowWindow on a proxy send a request to the
// owner, whose SDL thread applies it at its next message pump.
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "platform/win32/user_internal.h"

namespace {

struct Remote {
  pid_t pid;
  uintptr_t handle;
};

std::mutex gChannelLock;  // guards everything below
int gSocket = -1;
std::map<uintptr_t, Remote> gProxies;         // proxy handle -> remote window
std::map<uintptr_t, std::string> gPublished;  // own window -> its file
uintptr_t gNextProxy = 0x7F000001;            // odd, above the window table's handles

std::string Folder() {
  const char* base = getenv("XDG_RUNTIME_DIR");
  std::string folder = (base && *base) ? base : "/tmp";
  folder += "/orvella-windows-" + std::to_string((unsigned)getuid());
  mkdir(folder.c_str(), 0700);
  return folder;
}

// The address of a process's socket; false when the path does not fit in one.
bool SocketAddress(pid_t pid, sockaddr_un* addr) {
  std::string path = Folder() + "/" + std::to_string((long)pid) + ".sock";
  *addr = sockaddr_un{};
  addr->sun_family = AF_UNIX;
  if (path.size() >= sizeof addr->sun_path) return false;
  strcpy(addr->sun_path, path.c_str());
  return true;
}

// Class names become file names: anything but letters, digits, "_", "-" and "." is escaped.
std::string Escape(const std::string& name) {
  std::string out;
  char hex[4];
  for (unsigned char c : name) {
    if (isalnum(c) || c == '_' || c == '-' || c == '.') {
      out += (char)c;
    } else {
      snprintf(hex, sizeof hex, "%%%02x", c);
      out += hex;
    }
  }
  return out;
}

void RemoveOwnSocket() {
  std::lock_guard<std::mutex> lock(gChannelLock);
  for (auto& [h, file] : gPublished) unlink(file.c_str());
  gPublished.clear();
  sockaddr_un addr;
  if (gSocket >= 0 && SocketAddress(getpid(), &addr)) unlink(addr.sun_path);
}

bool OpenSocketLocked() {
  if (gSocket >= 0) return true;
  sockaddr_un addr;
  if (!SocketAddress(getpid(), &addr)) return false;
  int s = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (s < 0) return false;
  unlink(addr.sun_path);
  if (bind(s, (sockaddr*)&addr, sizeof addr) != 0) {
    close(s);
    return false;
  }
  gSocket = s;
  atexit(RemoveOwnSocket);
  return true;
}

bool SendRequest(pid_t pid, const std::string& request) {
  sockaddr_un addr;
  if (!SocketAddress(pid, &addr)) return false;
  int s = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (s < 0) return false;
  bool ok = sendto(s, request.data(), request.size(), 0, (sockaddr*)&addr, sizeof addr) == (ssize_t)request.size();
  close(s);
  return ok;
}

}  // namespace

namespace win32 {

void ChannelPublish(HWND h, const std::string& className) {
  std::lock_guard<std::mutex> lock(gChannelLock);
  if (!OpenSocketLocked()) return;
  std::string file = Folder() + "/" + Escape(className) + "@" + std::to_string((long)getpid()) + "." +
                     std::to_string((uintptr_t)h);
  FILE* f = fopen(file.c_str(), "w");
  if (!f) return;
  fprintf(f, "%lu\n", (unsigned long)(uintptr_t)h);
  fclose(f);
  gPublished[(uintptr_t)h] = file;
}

void ChannelWithdraw(HWND h) {
  std::lock_guard<std::mutex> lock(gChannelLock);
  auto it = gPublished.find((uintptr_t)h);
  if (it == gPublished.end()) return;
  unlink(it->second.c_str());
  gPublished.erase(it);
}

HWND ChannelFind(const std::string& className) {
  std::string prefix = Escape(className) + "@";
  std::string folder = Folder();
  DIR* dir = opendir(folder.c_str());
  if (!dir) return nullptr;
  HWND found = nullptr;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    long pid = strtol(name.c_str() + prefix.size(), nullptr, 10);
    if (pid <= 0 || pid == (long)getpid()) continue;
    std::string file = folder + "/" + name;
    if (kill((pid_t)pid, 0) != 0 && errno == ESRCH) {
      unlink(file.c_str());  // left by a process that is gone
      continue;
    }
    unsigned long handle = 0;
    if (FILE* f = fopen(file.c_str(), "r")) {
      if (fscanf(f, "%lu", &handle) != 1) handle = 0;
      fclose(f);
    }
    if (!handle) continue;
    std::lock_guard<std::mutex> lock(gChannelLock);
    for (auto& [proxy, remote] : gProxies)
      if (remote.pid == (pid_t)pid && remote.handle == handle) found = (HWND)proxy;
    if (!found) {
      found = (HWND)gNextProxy;
      gProxies[gNextProxy] = Remote{(pid_t)pid, handle};
      gNextProxy += 2;
    }
    break;
  }
  closedir(dir);
  return found;
}

bool ChannelIsProxy(HWND h) {
  std::lock_guard<std::mutex> lock(gChannelLock);
  return gProxies.count((uintptr_t)h) != 0;
}

bool ChannelRequest(HWND proxy, const char* operation, int argument) {
  Remote remote;
  {
    std::lock_guard<std::mutex> lock(gChannelLock);
    auto it = gProxies.find((uintptr_t)proxy);
    if (it == gProxies.end()) return false;
    remote = it->second;
  }
  return SendRequest(remote.pid, std::string(operation) + " " + std::to_string(remote.handle) + " " + std::to_string(argument));
}

void ChannelPoll() {
  int s;
  {
    std::lock_guard<std::mutex> lock(gChannelLock);
    s = gSocket;
  }
  if (s < 0) return;
  char buffer[128];
  ssize_t n;
  while ((n = recv(s, buffer, sizeof buffer - 1, 0)) > 0) {
    buffer[n] = 0;
    char operation[32] = {0};
    unsigned long handle = 0;
    int argument = 0;
    if (sscanf(buffer, "%31s %lu %d", operation, &handle, &argument) != 3) continue;
    HWND h = (HWND)(uintptr_t)handle;
    if (!IsWindow(h)) continue;
    if (strcmp(operation, "foreground") == 0) SetForegroundWindow(h);
    if (strcmp(operation, "show") == 0) ShowWindow(h, argument);
  }
}

}  // namespace win32
