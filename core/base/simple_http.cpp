// The HTTP client: request building on the owner's thread, the transfer on a worker thread.
#include "core/base/simple_http.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include <filesystem>

#include "core/base/disk_file_data.h"
#include "core/base/file.h"
#include "core/base/log.h"
#include "core/base/settings.h"
#include "platform/wininet/wininet.h"

namespace {

constexpr uint32_t kReadPiece = 32768;
const char kAgent[] = "kslib";

// The process-wide WinINet session. A worker that finds it invalid replaces it, so every read
// and write of it takes the lock. Leaked on purpose: workers may outlive static destruction.
std::mutex& SessionLock() {
  static auto* lock = new std::mutex;
  return *lock;
}
HINTERNET gSession = nullptr;  // guarded by SessionLock()

HINTERNET CurrentSession() {
  std::lock_guard<std::mutex> lock(SessionLock());
  if (!gSession) gSession = InternetOpenA(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  return gSession;
}

// Replaces the session handle that failed (unless another worker already has) and returns the
// one to use now.
HINTERNET RenewSession(HINTERNET failed) {
  std::lock_guard<std::mutex> lock(SessionLock());
  if (gSession == failed) {
    if (gSession) InternetCloseHandle(gSession);
    gSession = InternetOpenA(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  }
  return gSession;
}

// Wakes finished workers waiting for their owner to let go. The owner sets the abandoned flag
// under this lock and notifies after releasing it, so it never touches a record the worker may
// already have freed. Leaked on purpose, like the session lock.
std::mutex& WakeLock() {
  static auto* lock = new std::mutex;
  return *lock;
}
std::condition_variable& WakeSignal() {
  static auto* signal = new std::condition_variable;
  return *signal;
}

std::atomic<int> gLiveRequests{0};

char* CopyText(const char* text) {
  size_t n = strlen(text);
  char* copy = new (std::nothrow) char[n + 1];
  if (copy) memcpy(copy, text, n + 1);
  return copy;
}

// Real waits: the transfer runs against the network, not against the framework's clock.
void RealSleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool MustEscape(unsigned char c) {
  if (c < 0x20 || c >= 0x7F) return true;
  return strchr(" \"#$%&+,/:;<=>?@[\\]^`{|}", c) != nullptr && c != 0;
}

}  // namespace

TStr EscapeUrlText(const char* text) {
  TStr out;
  if (!text) return out;
  static const char kHex[] = "0123456789ABCDEF";
  for (const unsigned char* p = (const unsigned char*)text; *p; ++p) {
    if (MustEscape(*p)) {
      char esc[3] = {'%', kHex[*p >> 4], kHex[*p & 15]};
      out.Append(esc, 3);
    } else {
      out += (char)*p;
    }
  }
  return out;
}

// --- TSimpleHttpRequest ---

TSimpleHttpRequest::~TSimpleHttpRequest() {
  delete[] mURL;
  delete[] mOutputFile;
  delete[] mBody;
  free(mData);
  gLiveRequests.fetch_sub(1, std::memory_order_relaxed);
}

int TSimpleHttpRequest::LiveCount() { return gLiveRequests.load(std::memory_order_relaxed); }

void TSimpleHttpRequest::Abandon() {
  {
    std::lock_guard<std::mutex> lock(WakeLock());
    mAbandoned.store(true, std::memory_order_release);
  }
  WakeSignal().notify_all();
}

const char* TSimpleHttpRequest::GetData() const {
  return GetStatus() == kComplete ? mData : nullptr;
}

bool TSimpleHttpRequest::Append(const char* bytes, uint32_t n) {
  // 64-bit arithmetic: doubling a 32-bit capacity wraps to 0 past 2 GiB.
  uint64_t needed = (uint64_t)mReceived + n + 1;
  if (needed > (uint64_t)mMaxBody + 1) {
    LogError("HTTP reply larger than %u bytes; the request fails", (unsigned)mMaxBody);
    return false;
  }
  if (mCapacity < needed) {
    uint64_t capacity = mCapacity ? mCapacity : 1;
    while (capacity < needed) capacity *= 2;
    if (capacity > (uint64_t)mMaxBody + 1) capacity = (uint64_t)mMaxBody + 1;
    char* grown = (char*)realloc(mData, (size_t)capacity);
    if (!grown) {
      LogError("HTTP reply of %u bytes does not fit in memory; the request fails", (unsigned)needed);
      return false;
    }
    mData = grown;
    mCapacity = (uint32_t)capacity;
  }
  memcpy(mData + mReceived, bytes, n);
  mData[mReceived + n] = 0;
  return true;
}

uint32_t TSimpleHttpRequest::TimeLeft() {
  uint32_t spent = timeGetTime() - mStartTime;
  if (spent < mTimeLimitMs) return mTimeLimitMs - spent;
  if (!mTimeLimitLogged)
    LogError("HTTP request took longer than %u s; it fails", (unsigned)(mTimeLimitMs / 1000));
  mTimeLimitLogged = true;
  return 0;
}

bool TSimpleHttpRequest::LimitNextCall(void* handle) {
  DWORD left = TimeLeft();
  return left > 0 && InternetSetOptionA(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &left, sizeof left);
}

void TSimpleHttpRequest::Receive() {
  char* piece = new char[kReadPiece];
  TDiskFileData* out = nullptr;
  if (mWantsFile) {
    out = new TDiskFileData;
    std::error_code ec;
    if (*mOutputFile) std::filesystem::create_directories(std::filesystem::path(mOutputFile).parent_path(), ec);
    if (!*mOutputFile || !out->Open(mOutputFile, kFileWriteBinary)) {
      delete out;
      delete[] piece;
      mStatus.store(kNoOutputFile, std::memory_order_release);
      return;
    }
  } else {
    mData = (char*)malloc(1);
    if (!mData) {
      delete[] piece;
      mStatus.store(kFailed, std::memory_order_release);
      return;
    }
    mData[0] = 0;
    mCapacity = 1;
  }
  uint32_t status = kRunning;
  while (status == kRunning && !mAbandoned.load(std::memory_order_acquire)) {
    RealSleep(1);
    DWORD available = 0;
    // A server that trickles its reply is cut off at the time limit, however steadily it sends.
    if (!LimitNextCall(mRequest) || !InternetQueryDataAvailable(mRequest, &available, 0, 0)) {
      if (GetLastError() == ERROR_INTERNET_TIMEOUT) TimeLeft();
      status = kFailed;
      break;
    }
    if (available == 0) {
      status = kComplete;
      break;
    }
    while (available > 0) {
      DWORD got = 0;
      DWORD ask = available < kReadPiece ? available : kReadPiece;
      if (!InternetReadFile(mRequest, piece, ask, &got)) {
        status = kFailed;
        break;
      }
      if (got == 0) break;
      // Replies kept in memory are text, read up to their first NUL: one holding a NUL would
      // be taken cut short, so it is no reply of the server's.
      if (!out && memchr(piece, 0, got)) {
        LogError("HTTP reply holds a NUL byte; refused as a bad reply");
        status = kFailed;
        break;
      }
      // A body that would not fit the 32-bit counters, or a short write (full disk), fails
      // instead of passing for a complete transfer.
      if ((uint64_t)mReceived + got + 1 > 0xFFFFFFFFull || (out && out->Write(piece, (int)got) != (int)got) ||
          (!out && !Append(piece, got))) {
        status = kFailed;
        break;
      }
      mReceived += got;
      available -= got < available ? got : available;
    }
  }
  delete out;  // closes the file before the status says complete
  delete[] piece;
  if (status != kRunning) mStatus.store(status, std::memory_order_release);
}

void TSimpleHttpRequest::Run(TSimpleHttpRequest* r) {
  r->mStartTime = timeGetTime();
  bool https = strncmp(r->mURL, "https:", 6) == 0;
  HINTERNET connect = nullptr;
  if (!https && !r->mPost) {
    DWORD flags = (r->mFlags & kFlagNoCache) ? INTERNET_FLAG_NO_CACHE_WRITE : 0;
    for (int attempt = 0; attempt < 2; ++attempt) {
      // The request made from the session takes the session's limit: the whole limit, the same
      // for every request of the process, so workers setting it at once agree.
      DWORD limit = r->mTimeLimitMs;
      InternetSetOptionA(r->mSession, INTERNET_OPTION_RECEIVE_TIMEOUT, &limit, sizeof limit);
      r->mRequest = InternetOpenUrlA(r->mSession, r->mURL, nullptr, 0, flags, (DWORD_PTR)r);
      if (r->mRequest) break;
      DWORD error = GetLastError();
      if (error == ERROR_INTERNET_TIMEOUT) r->TimeLeft();
      if (error == ERROR_INVALID_HANDLE && attempt == 0) {
        r->mSession = RenewSession(r->mSession);
        continue;
      }
      LogError("Error creating connection (InternetOpenUrl) %d", (int)error);
      break;
    }
  } else {
    // Buffers as long as the URL: a fixed 260 would refuse long query strings.
    size_t length = strlen(r->mURL) + 1;
    char* host = new char[length];
    char* path = new char[length];
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = (DWORD)length;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = (DWORD)length;
    if (InternetCrackUrlA(r->mURL, 0, 0, &parts)) {
      for (int attempt = 0; attempt < 2; ++attempt) {
        connect = InternetConnectA(r->mSession, host, parts.nPort, nullptr, nullptr,
                                   INTERNET_SERVICE_HTTP, 0, (DWORD_PTR)r);
        if (connect) break;
        DWORD error = GetLastError();
        if (error == ERROR_INVALID_HANDLE && attempt == 0) {
          r->mSession = RenewSession(r->mSession);
          continue;
        }
        LogError(https ? "Error creating connection (HTTPS) %d" : "Error creating connection (POST) %d",
                 (int)error);
        break;
      }
      if (connect) {
        // HTTPS keeps the certificate and name checks on whatever the flags ask: a request that
        // skipped them could be read and changed by anyone on the path.
        DWORD flags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE;
        if (https) flags |= INTERNET_FLAG_SECURE;
        r->mRequest = HttpOpenRequestA(connect, r->mPost ? "POST" : "GET", path, nullptr, nullptr,
                                       nullptr, flags, (DWORD_PTR)r);
        if (r->mRequest) {
          if (r->mPost)
            HttpAddRequestHeadersA(r->mRequest, "Content-Type: application/x-www-form-urlencoded",
                                   (DWORD)-1, HTTP_ADDREQ_FLAG_ADD);
          BOOL sent = r->LimitNextCall(r->mRequest) &&
                      (r->mPost ? HttpSendRequestA(r->mRequest, nullptr, 0, r->mBody, (DWORD)strlen(r->mBody))
                                : HttpSendRequestA(r->mRequest, nullptr, 0, nullptr, 0));
          if (!sent) {
            if (GetLastError() == ERROR_INTERNET_TIMEOUT) r->TimeLeft();
            InternetCloseHandle(r->mRequest);
            r->mRequest = nullptr;
          }
        }
      }
    }
    delete[] host;
    delete[] path;
  }

  if (!r->mRequest)
    r->mStatus.store(kFailed, std::memory_order_release);
  else
    r->Receive();

  if (r->mRequest) InternetCloseHandle(r->mRequest);
  if (connect) InternetCloseHandle(connect);
  r->mRequest = nullptr;
  {
    std::unique_lock<std::mutex> lock(WakeLock());
    while (!r->mAbandoned.load(std::memory_order_acquire))
      WakeSignal().wait_for(lock, std::chrono::milliseconds(100));
  }
  delete r;
}

// --- TSimpleHttp ---

TSimpleHttp::TSimpleHttp() {}

TSimpleHttp::~TSimpleHttp() { AbandonRequest(); }

void TSimpleHttp::AbandonRequest() {
  if (mRequest) mRequest->Abandon();
  mRequest = nullptr;
}

void TSimpleHttp::Open(const char* url, bool post, const char* outputFile) {
  CurrentSession();
  mURL = url ? url : "";
  mPost = post;
  mOutputFile = outputFile ? outputFile : "";
  mBody = TStr();
  mFirstParameter = true;
  AbandonRequest();
}

void TSimpleHttp::AddParameter(const char* name, const char* value) {
  TStr& target = mPost ? mBody : mURL;
  if (mPost) {
    if (!mFirstParameter) target += '&';
  } else {
    target += mFirstParameter ? '?' : '&';
  }
  target += TStr(name ? name : "");
  target += '=';
  target += EscapeUrlText(value);
  mFirstParameter = false;
}

void TSimpleHttp::AddParameter(const char* name, int value) {
  AddParameter(name, TStr::Format("%d", value).c_str());
}

TSimpleHttpRequest* TSimpleHttp::Start(uint32_t flags) {
  AbandonRequest();
  auto* r = new (std::nothrow) TSimpleHttpRequest;
  if (!r) return nullptr;
  gLiveRequests.fetch_add(1, std::memory_order_relaxed);
  r->mURL = CopyText(mURL.c_str());
  // The virtual path is resolved here: the file map belongs to the owner's thread. Only a
  // disk file can take the body.
  TStr resolved;
  if (!mOutputFile.IsEmpty()) {
    r->mWantsFile = true;
    resolved = ResolvePath(mOutputFile, false);
    if (resolved[0] == '@' || resolved[0] == '&') resolved = TStr();
  }
  r->mOutputFile = CopyText(resolved.c_str());
  r->mBody = CopyText(mBody.c_str());
  if (!r->mURL || !r->mOutputFile || !r->mBody) {
    delete r;
    return nullptr;
  }
  r->mPost = mPost;
  r->mFlags = flags;
  r->mMaxBody = (uint32_t)GetSettingClamped(kSettingHttpMaxBody, kHttpDefaultMaxBody, kHttpMinMaxBody, kHttpMaxMaxBody);
  r->mTimeLimitMs =
      (uint32_t)GetSettingClamped(kSettingHttpTimeLimit, kHttpDefaultTimeLimit, kHttpMinTimeLimit, kHttpMaxTimeLimit) *
      1000;
  r->mSession = CurrentSession();
  try {
    std::thread(TSimpleHttpRequest::Run, r).detach();
  } catch (const std::system_error&) {
    delete r;
    return nullptr;
  }
  mRequest = r;
  return r;
}

uint32_t TSimpleHttp::GetStatus() const {
  return mRequest ? mRequest->GetStatus() : (uint32_t)TSimpleHttpRequest::kFailed;
}

const char* TSimpleHttp::GetData() const { return mRequest ? mRequest->GetData() : nullptr; }
