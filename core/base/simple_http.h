// TSimpleHttp: one asynchronous HTTP or HTTPS request at a time, run by a worker thread of its
// own and polled by its owner; the body lands in memory or in a file.
#pragma once

#include <atomic>
#include <cstdint>

#include "core/base/str.h"

// The largest reply body kept in memory: the setting "httpmaxbody" (bytes) within these
// bounds. A longer reply ends the request as failed.
constexpr int kHttpDefaultMaxBody = 8 << 20;
constexpr int kHttpMinMaxBody = 4096;
constexpr int kHttpMaxMaxBody = 1 << 30;
// The longest a request may take from its start to its last byte: the setting "httptimelimit"
// (seconds) within these bounds, on the program's clock. A server that answers or trickles
// slower ends the request as failed.
constexpr int kHttpDefaultTimeLimit = 60;
constexpr int kHttpMinTimeLimit = 1;
constexpr int kHttpMaxTimeLimit = 3600;

// Every byte except these is copied unchanged: the URL-reserved characters listed by the
// original and, since a query must stay plain ASCII, control bytes and bytes 0x7F and above
// become upper-case percent escapes.
TStr EscapeUrlText(const char* text);

class TSimpleHttpRequest {
 public:
  enum { kRunning = 0, kComplete = 1, kFailed = 2, kNoOutputFile = 3 };
  enum { kFlagNoCache = 1, kFlagIgnoreCertName = 2 };

  // The owner's last touch: from here on the worker may free the record at any moment.
  void Abandon();
  uint32_t GetStatus() const { return mStatus.load(std::memory_order_acquire); }
  // The body (NUL-terminated) once the status is complete, else null.
  const char* GetData() const;
  // Bytes received; meaningful once the status is no longer running.
  uint32_t GetReceived() const { return mReceived; }

  // Records alive in the process, for tests and leak checks.
  static int LiveCount();

 private:
  friend class TSimpleHttp;
  TSimpleHttpRequest() = default;
  ~TSimpleHttpRequest();
  static void Run(TSimpleHttpRequest* request);
  void Receive();
  // False when the body would pass the cap or memory runs out.
  bool Append(const char* bytes, uint32_t n);
  // Milliseconds left of the time limit (0 when it has passed, said once in the log).
  uint32_t TimeLeft();
  // Bounds the next blocking call on the handle by the time left; false when none is.
  bool LimitNextCall(void* handle);

  // Written by the owner before the worker starts, then read-only.
  char* mURL = nullptr;
  char* mOutputFile = nullptr;  // the resolved disk path; "" when it could not be resolved
  bool mWantsFile = false;
  char* mBody = nullptr;
  uint32_t mFlags = 0;
  bool mPost = false;
  uint32_t mMaxBody = kHttpDefaultMaxBody;
  uint32_t mTimeLimitMs = kHttpDefaultTimeLimit * 1000;
  // The worker's own; the owner reads them only after it has seen a final status.
  void* mSession = nullptr;
  void* mRequest = nullptr;
  uint32_t mStartTime = 0;  // timeGetTime when the worker began
  bool mTimeLimitLogged = false;
  uint32_t mReceived = 0;
  uint32_t mCapacity = 0;
  char* mData = nullptr;
  // Shared: the worker publishes its results with a release store of the status; the owner
  // sets the abandoned flag (under the wake-up lock, see simple_http.cpp).
  std::atomic<uint32_t> mStatus{kRunning};
  std::atomic<bool> mAbandoned{false};
};

class TSimpleHttp {
 public:
  TSimpleHttp();
  virtual ~TSimpleHttp();
  TSimpleHttp(const TSimpleHttp&) = delete;
  TSimpleHttp& operator=(const TSimpleHttp&) = delete;

  void Open(const char* url, bool post, const char* outputFile);
  void AddParameter(const char* name, const char* value);
  void AddParameter(const char* name, int value);
  // flags: TSimpleHttpRequest::kFlag*. Returns the new request, null when none could be made.
  TSimpleHttpRequest* Start(uint32_t flags);
  uint32_t GetStatus() const;
  const char* GetData() const;

  // The URL as it will be requested (GET parameters appended) and the POST body.
  const TStr& GetURL() const { return mURL; }
  const TStr& GetBody() const { return mBody; }

 private:
  void AbandonRequest();

  TStr mURL;
  TStr mSpare;
  TStr mOutputFile;
  TStr mBody;
  bool mFirstParameter = true;
  bool mPost = false;
  TSimpleHttpRequest* mRequest = nullptr;
};
