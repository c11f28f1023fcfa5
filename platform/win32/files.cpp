// Files, folders, directory search and file mapping of KERNEL32 over POSIX.
#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "platform/test_control.h"
#include "platform/win32/internal.h"

namespace win32 {
std::string HostPath(const char* path) {
  std::string s = path ? path : "";
  std::replace(s.begin(), s.end(), '\\', '/');
  return s;
}
}  // namespace win32

using namespace win32;

namespace {

std::atomic<bool> gFailFolderFlush{false};

struct FileObject : KObject {
  int fd = -1;
  bool writable = false;
  ~FileObject() override {
    if (fd >= 0) close(fd);
  }
};

struct MappingObject : KObject {
  int fd = -1;  // own duplicate: the mapping outlives the file handle as on the original
  bool writable = false;
  uint64_t size = 0;
  ~MappingObject() override {
    if (fd >= 0) close(fd);
  }
};

struct FindObject : KObject {
  std::vector<WIN32_FIND_DATAA> entries;
  size_t next = 0;
};

// Views by address; guarded by the kernel lock.
std::map<uintptr_t, size_t>& Views() {
  static auto* views = new std::map<uintptr_t, size_t>;
  return *views;
}

DWORD ErrnoToError(int e, bool folderPart = false) {
  switch (e) {
    case ENOENT: return folderPart ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case EACCES:
    case EPERM:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case EFBIG: return ERROR_FILE_TOO_LARGE;
    case EIO: return ERROR_WRITE_FAULT;
    default: return ERROR_INVALID_PARAMETER;
  }
}

bool FolderExists(const std::string& path) {
  std::string folder = path.substr(0, path.rfind('/') == std::string::npos ? 0 : path.rfind('/'));
  struct stat st;
  return folder.empty() || (stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
}

void SetPathError(const std::string& path, int e) {
  SetLastError(e == ENOENT && !FolderExists(path) ? ERROR_PATH_NOT_FOUND : ErrnoToError(e));
}

FILETIME ToFileTime(const timespec& ts) {
  uint64_t t = 116444736000000000ULL + (uint64_t)ts.tv_sec * 10000000ULL + (uint64_t)ts.tv_nsec / 100;
  return FILETIME{(DWORD)t, (DWORD)(t >> 32)};
}

char Fold(char c) { return (char)tolower((unsigned char)c); }

// "*" any run, "?" any one character, case-insensitive.
bool Matches(const char* pattern, const char* name) {
  while (*pattern) {
    if (*pattern == '*') {
      while (*pattern == '*') pattern++;
      if (!*pattern) return true;
      for (const char* n = name; *n; n++)
        if (Matches(pattern, n)) return true;
      return false;
    }
    if (!*name) return false;
    if (*pattern != '?' && Fold(*pattern) != Fold(*name)) return false;
    pattern++;
    name++;
  }
  return !*name;
}

size_t CopyOut(const std::string& s, DWORD size, LPSTR buffer) {
  if (!buffer || s.size() + 1 > size) return s.size() + 1;  // the size needed, with the NUL
  memcpy(buffer, s.c_str(), s.size() + 1);
  return s.size();
}

std::string CurrentFolder() {
  std::vector<char> buf(1024);
  while (!getcwd(buf.data(), buf.size())) {
    if (errno != ERANGE) return std::string();
    buf.resize(buf.size() * 2);
  }
  return buf.data();
}

}  // namespace

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD,
                   HANDLE) {
  if (!name || !*name) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  std::string path = HostPath(name);
  bool read = access & GENERIC_READ, write = access & GENERIC_WRITE;
  int flags = O_CLOEXEC | (read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY);
  switch (disposition) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case TRUNCATE_EXISTING: flags |= O_TRUNC; break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
  }
  struct stat st;
  bool existed = stat(path.c_str(), &st) == 0;
  if (existed && S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  int fd = open(path.c_str(), flags, 0644);
  if (fd < 0) {
    SetPathError(path, errno);
    if (errno == EEXIST) SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
  }
  auto f = std::make_shared<FileObject>();
  f->fd = fd;
  f->writable = write;
  HANDLE h = AddHandle(f);
  bool reportsExisting = disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS;
  SetLastError(existed && reportsExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return h;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytes, LPDWORD bytesRead, void*) {
  auto f = FindAs<FileObject>(file);
  if (bytesRead) *bytesRead = 0;
  if (!f) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  size_t done = 0;
  while (done < bytes) {
    ssize_t n = read(f->fd, (char*)buffer + done, bytes - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      SetLastError(ErrnoToError(errno));
      return FALSE;
    }
    if (n == 0) break;
    done += (size_t)n;
  }
  if (bytesRead) *bytesRead = (DWORD)done;
  return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytes, LPDWORD bytesWritten, void*) {
  auto f = FindAs<FileObject>(file);
  if (bytesWritten) *bytesWritten = 0;
  if (!f) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  size_t done = 0;
  while (done < bytes) {
    ssize_t n = write(f->fd, (const char*)buffer + done, bytes - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      SetLastError(errno == EBADF ? ERROR_ACCESS_DENIED : ErrnoToError(errno));
      return FALSE;
    }
    done += (size_t)n;
  }
  if (bytesWritten) *bytesWritten = (DWORD)done;
  return TRUE;
}

DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh) {
  auto f = FindAs<FileObject>(file);
  struct stat st;
  if (!f || fstat(f->fd, &st) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_FILE_SIZE;
  }
  if (sizeHigh) *sizeHigh = (DWORD)((uint64_t)st.st_size >> 32);
  SetLastError(ERROR_SUCCESS);
  return (DWORD)st.st_size;
}

DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD method) {
  auto f = FindAs<FileObject>(file);
  if (!f) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_SET_FILE_POINTER;
  }
  int64_t offset = distanceHigh ? ((int64_t)*distanceHigh << 32) | (uint32_t)distance : distance;
  int whence = method == FILE_CURRENT ? SEEK_CUR : method == FILE_END ? SEEK_END : SEEK_SET;
  off_t pos = lseek(f->fd, offset, whence);
  if (pos < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);  // a negative position, as on the original
    return INVALID_SET_FILE_POINTER;
  }
  if (distanceHigh) *distanceHigh = (LONG)((uint64_t)pos >> 32);
  SetLastError(ERROR_SUCCESS);
  return (DWORD)pos;
}

BOOL FlushFileBuffers(HANDLE file) {
  auto f = FindAs<FileObject>(file);
  if (!f) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (fsync(f->fd) != 0) {
    SetLastError(ErrnoToError(errno));
    return FALSE;
  }
  return TRUE;
}

DWORD GetFileAttributesA(LPCSTR name) {
  struct stat st;
  std::string path = HostPath(name);
  if (!name || stat(path.c_str(), &st) != 0) {
    SetPathError(path, errno);
    return INVALID_FILE_ATTRIBUTES;
  }
  if (S_ISDIR(st.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
  DWORD a = access(path.c_str(), W_OK) == 0 ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY;
  return a;
}

BOOL CreateDirectoryA(LPCSTR name, LPSECURITY_ATTRIBUTES) {
  std::string path = HostPath(name);
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (!name || mkdir(path.c_str(), 0755) != 0) {
    SetLastError(errno == EEXIST ? ERROR_ALREADY_EXISTS : errno == ENOENT ? ERROR_PATH_NOT_FOUND
                                                                          : ErrnoToError(errno));
    return FALSE;
  }
  return TRUE;
}

BOOL RemoveDirectoryA(LPCSTR name) {
  if (!name || rmdir(HostPath(name).c_str()) != 0) {
    SetLastError(ErrnoToError(errno, true));
    return FALSE;
  }
  return TRUE;
}

BOOL DeleteFileA(LPCSTR name) {
  std::string path = HostPath(name);
  struct stat st;
  if (name && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (!name || unlink(path.c_str()) != 0) {
    SetPathError(path, errno);
    return FALSE;
  }
  return TRUE;
}

BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) {
  std::string a = HostPath(from), b = HostPath(to);
  struct stat st;
  if (!from || !to) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!(flags & MOVEFILE_REPLACE_EXISTING) && stat(b.c_str(), &st) == 0) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return FALSE;
  }
  if (rename(a.c_str(), b.c_str()) != 0) {
    SetPathError(a, errno);
    return FALSE;
  }
  if (flags & MOVEFILE_WRITE_THROUGH) {
    size_t slash = b.rfind('/');
    std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : b.substr(0, slash);
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    bool synced = fd >= 0 && fsync(fd) == 0;
    int e = errno;
    if (fd >= 0) close(fd);
    if (!synced) {
      SetLastError(ErrnoToError(e));
      return FALSE;
    }
    if (gFailFolderFlush) {
      SetLastError(ERROR_WRITE_FAULT);
      return FALSE;
    }
  }
  return TRUE;
}

BOOL CopyFileA(LPCSTR from, LPCSTR to, BOOL failIfExists) {
  HANDLE in = CreateFileA(from, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (in == INVALID_HANDLE_VALUE) return FALSE;
  HANDLE out = CreateFileA(to, GENERIC_WRITE, 0, nullptr, failIfExists ? CREATE_NEW : CREATE_ALWAYS, 0, nullptr);
  if (out == INVALID_HANDLE_VALUE) {
    DWORD e = GetLastError();
    CloseHandle(in);
    SetLastError(e);
    return FALSE;
  }
  char buf[65536];
  DWORD n = 0;
  BOOL ok = TRUE;
  while (ok && ReadFile(in, buf, sizeof buf, &n, nullptr) && n > 0) ok = WriteFile(out, buf, n, nullptr, nullptr);
  CloseHandle(in);
  CloseHandle(out);
  if (ok) SetLastError(ERROR_SUCCESS);
  return ok;
}

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
  if (!pattern || !data) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::string path = HostPath(pattern);
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
  if (folder.empty()) folder = "/";
  std::string wild = slash == std::string::npos ? path : path.substr(slash + 1);
  if (wild == "*.*") wild = "*";  // the original's spelling of "everything"
  DIR* dir = opendir(folder.c_str());
  if (!dir) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  auto find = std::make_shared<FindObject>();
  while (dirent* e = readdir(dir)) {
    if (!Matches(wild.c_str(), e->d_name) || strlen(e->d_name) >= MAX_PATH) continue;
    WIN32_FIND_DATAA d{};
    struct stat st;
    std::string full = folder + "/" + e->d_name;
    if (stat(full.c_str(), &st) == 0) {
      d.dwFileAttributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
      d.nFileSizeHigh = S_ISDIR(st.st_mode) ? 0 : (DWORD)((uint64_t)st.st_size >> 32);
      d.nFileSizeLow = S_ISDIR(st.st_mode) ? 0 : (DWORD)st.st_size;
      d.ftLastWriteTime = ToFileTime(st.st_mtim);
      d.ftLastAccessTime = ToFileTime(st.st_atim);
      d.ftCreationTime = ToFileTime(st.st_ctim);
    } else {
      d.dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
    }
    if (e->d_name[0] == '.' && strcmp(e->d_name, ".") && strcmp(e->d_name, ".."))
      d.dwFileAttributes |= FILE_ATTRIBUTE_HIDDEN;
    strcpy(d.cFileName, e->d_name);
    find->entries.push_back(d);
  }
  closedir(dir);
  if (find->entries.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  std::sort(find->entries.begin(), find->entries.end(), [](const auto& a, const auto& b) {
    return strcasecmp(a.cFileName, b.cFileName) < 0;
  });
  *data = find->entries[0];
  find->next = 1;
  return AddHandle(find);
}

BOOL FindNextFileA(HANDLE handle, LPWIN32_FIND_DATAA data) {
  auto find = FindAs<FindObject>(handle);
  if (!find || !data) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  Lock lock(KernelLock());
  if (find->next >= find->entries.size()) {
    lock.unlock();
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  *data = find->entries[find->next++];
  return TRUE;
}

BOOL FindClose(HANDLE handle) {
  if (!FindAs<FindObject>(handle)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return CloseHandle(handle);
}

HANDLE CreateFileMappingA(HANDLE file, LPSECURITY_ATTRIBUTES, DWORD protect, DWORD sizeHigh, DWORD sizeLow,
                          LPCSTR) {
  uint64_t size = ((uint64_t)sizeHigh << 32) | sizeLow;
  bool writable = (protect & 0xFF) == PAGE_READWRITE;
  auto m = std::make_shared<MappingObject>();
  m->writable = writable;
  if (file == INVALID_HANDLE_VALUE) {
    if (size == 0) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    m->fd = memfd_create("orvella-mapping", MFD_CLOEXEC);
    if (m->fd < 0 || ftruncate(m->fd, (off_t)size) != 0) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    m->size = size;
    m->writable = true;
    return AddHandle(m);
  }
  auto f = FindAs<FileObject>(file);
  if (!f) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  struct stat st;
  fstat(f->fd, &st);
  uint64_t fileSize = (uint64_t)st.st_size;
  if (size == 0) size = fileSize;
  if (size == 0) {
    SetLastError(ERROR_FILE_INVALID);  // an empty file cannot be mapped
    return nullptr;
  }
  if (size > fileSize) {
    if (!writable || !f->writable || ftruncate(f->fd, (off_t)size) != 0) {
      SetLastError(writable ? ERROR_ACCESS_DENIED : ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
  }
  m->fd = dup(f->fd);
  m->size = size;
  return AddHandle(m);
}

LPVOID MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow, size_t bytes) {
  auto m = FindAs<MappingObject>(mapping);
  if (!m) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  uint64_t offset = ((uint64_t)offsetHigh << 32) | offsetLow;
  if (offset % 65536) {
    SetLastError(ERROR_MAPPED_ALIGNMENT);
    return nullptr;
  }
  if (offset > m->size || (bytes && offset + bytes > m->size)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  size_t length = bytes ? bytes : (size_t)(m->size - offset);
  bool write = access & FILE_MAP_WRITE;
  bool copy = access == FILE_MAP_COPY;
  if (write && !m->writable && !copy) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  int prot = PROT_READ | (write || copy ? PROT_WRITE : 0);
  void* view = mmap(nullptr, length, prot, copy ? MAP_PRIVATE : MAP_SHARED, m->fd, (off_t)offset);
  if (view == MAP_FAILED) {
    SetLastError(ErrnoToError(errno));
    return nullptr;
  }
  Lock lock(KernelLock());
  Views()[(uintptr_t)view] = length;
  return view;
}

BOOL UnmapViewOfFile(LPCVOID address) {
  size_t length = 0;
  {
    Lock lock(KernelLock());
    auto it = Views().find((uintptr_t)address);
    if (it != Views().end()) {
      length = it->second;
      Views().erase(it);
    }
  }
  if (!length) {
    SetLastError(ERROR_INVALID_ADDRESS);
    return FALSE;
  }
  munmap(const_cast<void*>(address), length);
  return TRUE;
}

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer) { return (DWORD)CopyOut(CurrentFolder(), size, buffer); }

BOOL SetCurrentDirectoryA(LPCSTR path) {
  if (!path || chdir(HostPath(path).c_str()) != 0) {
    SetLastError(errno == ENOENT ? ERROR_FILE_NOT_FOUND : ErrnoToError(errno, true));
    return FALSE;
  }
  return TRUE;
}

DWORD GetFullPathNameA(LPCSTR name, DWORD size, LPSTR buffer, LPSTR* filePart) {
  if (!name || !*name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string path = HostPath(name);
  if (path[0] != '/') path = CurrentFolder() + "/" + path;
  // Fold "." and ".." and repeated separators; a trailing separator is kept.
  std::vector<std::string> parts;
  size_t i = 0;
  while (i <= path.size()) {
    size_t j = path.find('/', i);
    if (j == std::string::npos) j = path.size();
    std::string part = path.substr(i, j - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    i = j + 1;
  }
  std::string full;
  for (auto& p : parts) full += "/" + p;
  if (full.empty() || (path.back() == '/' && full != "/")) full += "/";
  size_t n = CopyOut(full, size, buffer);
  if (filePart && n == full.size()) {
    size_t slash = full.rfind('/');
    *filePart = slash + 1 < full.size() ? buffer + slash + 1 : nullptr;
  }
  return (DWORD)n;
}

DWORD GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD size) {
  struct stat st;
  std::string path = HostPath(longPath);
  if (!longPath || stat(path.c_str(), &st) != 0) {
    SetPathError(path, errno);
    return 0;
  }
  // No short names here: the path comes back as given (with "/" separators).
  return (DWORD)CopyOut(path, size, shortPath);
}

DWORD GetTempPathA(DWORD size, LPSTR buffer) {
  const char* t = getenv("TMPDIR");
  std::string folder = (t && *t) ? t : "/tmp";
  if (folder.back() != '/') folder += '/';
  return (DWORD)CopyOut(folder, size, buffer);
}

namespace TestControl {
void FailFolderFlush(bool fail) { gFailFolderFlush = fail; }
}  // namespace TestControl
