// Whole-file reads and safe replacing writes. The write goes through the Win32 file calls rather
// than stdio: a full disk often shows only when buffered data is flushed or the file is closed,
// and only FlushFileBuffers makes the data durable before the rename makes it the real file.
#include "core/base/whole_file.h"

#include <algorithm>
#include <filesystem>

#include "core/base/file.h"
#include "core/base/log.h"
#include "platform/win32/win32.h"

bool ReadWholeFile(TStr path, std::vector<char>* out, size_t maxBytes) {
  TFile file;
  if (!file.Open(path, kFileReadBinary)) return false;
  int size = file.GetSize();
  size_t want = size > 0 ? std::min((size_t)size, maxBytes) : 0;
  out->assign(want, 0);
  if (want > 0) out->resize((size_t)std::max(0, file.Read(out->data(), (int)want)));
  return true;
}

namespace {

// Writes everything or fails; WriteFile takes at most a DWORD a call.
bool WriteAll(HANDLE file, const char* data, size_t size) {
  while (size > 0) {
    DWORD piece = (DWORD)std::min<size_t>(size, 1u << 30);
    DWORD written = 0;
    if (!WriteFile(file, data, piece, &written, nullptr) || written != piece) return false;
    data += piece;
    size -= piece;
  }
  return true;
}

}  // namespace

bool WriteFileReplacing(TStr path, const void* data, size_t size) {
  TStr real = ResolvePath(path, false);
  // Pack members and memory blocks cannot be replaced.
  if (real.IsEmpty() || real[0] == '@' || real[0] == '&') {
    LogError("Could not save %s: not a disk file", path.c_str());
    return false;
  }
  std::error_code ec;
  std::filesystem::path target(real.c_str());
  if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), ec);

  // A temporary file left by a process that ended while saving is removed, not reused: opening
  // it again would write through whatever it has become (a link to another file) and fail
  // where it cannot be written.
  TStr temp = real + ".tmp";
  DeleteFileA(temp.c_str());
  HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    LogError("Could not save %s: cannot create %s (error %u)", path.c_str(), temp.c_str(), (unsigned)GetLastError());
    return false;
  }
  const char* step = "write";
  bool ok = WriteAll(file, (const char*)data, size);
  if (ok) {
    step = "flush";
    ok = FlushFileBuffers(file);
  }
  DWORD error = ok ? ERROR_SUCCESS : GetLastError();
  if (!CloseHandle(file) && ok) {
    step = "close";
    ok = false;
    error = GetLastError();
  }
  if (ok) {
    step = "rename";
    ok = MoveFileExA(temp.c_str(), real.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) error = GetLastError();
    // The move reports the folder's flush too, which fails after the rename took place.
    if (!ok && GetFileAttributesA(temp.c_str()) == INVALID_FILE_ATTRIBUTES) {
      LogPrintf("Saved %s, but flushing its folder failed (error %u); the new file is in place and may not "
                "survive a power loss",
                path.c_str(), (unsigned)error);
      return true;
    }
  }
  if (!ok) {
    DeleteFileA(temp.c_str());
    LogError("Could not save %s (%s failed, error %u); the previous file is kept", path.c_str(), step,
             (unsigned)error);
  }
  return ok;
}
