// WinINet stand-in over libcurl: session, connection and request handles; each request drives
// its own curl multi handle from the calling thread, so every call here blocks like WinINet's
// synchronous mode. HTTPS verifies the peer and its name unless the caller's flags say otherwise.
#include "platform/wininet/wininet.h"

#include <curl/curl.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <strings.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <unordered_set>

#include "platform/wininet/wininet_test_control.h"

namespace {

enum HandleKind { kSession = 1, kConnect = 2, kRequest = 3 };

// Past this many unread bytes the transfer pauses until the reader catches up.
constexpr size_t kMaxBuffered = 1 << 20;

struct InetHandle {
  explicit InetHandle(HandleKind k) : kind(k) {}
  HandleKind kind;
  // Session.
  std::string agent;
  bool direct = false;
  // Connection (copied into its requests so that closing it early is harmless).
  std::string host;
  INTERNET_PORT port = 0;
  // Request.
  std::string url;
  std::string verb;
  DWORD flags = 0;
  DWORD securityFlags = 0;
  // Milliseconds a call may wait, 0: no limit of our own. Atomic: a session is shared by the
  // workers of a process, which may set it while another makes a request from it.
  std::atomic<DWORD> receiveTimeout{0};
  std::string extraHeaders;
  std::string body;
  CURL* easy = nullptr;
  CURLM* multi = nullptr;
  curl_slist* headerList = nullptr;
  char errorText[CURL_ERROR_SIZE] = {};
  std::string buffer;  // received body bytes; unread ones start at readPos
  size_t readPos = 0;
  bool paused = false;
  bool sent = false;
  bool done = false;
  CURLcode result = CURLE_OK;
  long statusCode = 0;
  bool hasLocation = false;
  bool headersDone = false;
};

// Guards the set of live handles and the test hooks' state. Leaked on purpose: worker threads
// may still close handles while the process exits.
std::mutex& RegistryLock() {
  static std::mutex* lock = new std::mutex;
  return *lock;
}
std::unordered_set<InetHandle*>& Registry() {
  static auto* set = new std::unordered_set<InetHandle*>;
  return *set;
}
std::string& CaBundleOverride() {  // guarded by RegistryLock
  static auto* path = new std::string;
  return *path;
}

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    // A peer that hangs up mid-write must fail the call, not end the process; the original
    // platform has no such signal.
    signal(SIGPIPE, SIG_IGN);
  });
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}
HINTERNET FailHandle(DWORD error) {
  SetLastError(error);
  return nullptr;
}

// The live handle of the given kind (any kind for 0) behind h, or null with the error set.
InetHandle* Lookup(HINTERNET h, int kind) {
  std::lock_guard<std::mutex> lock(RegistryLock());
  auto* p = static_cast<InetHandle*>(h);
  if (!p || !Registry().count(p)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (kind && p->kind != kind) {
    SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    return nullptr;
  }
  return p;
}

HINTERNET Register(InetHandle* h) {
  std::lock_guard<std::mutex> lock(RegistryLock());
  Registry().insert(h);
  return h;
}

// Requests that have ended: sent and closed, or refused at the start (for test hooks).
std::atomic<int> gEndedRequests{0};

void FreeRequest(InetHandle* h) {
  gEndedRequests++;
  if (h->easy) {
    if (h->multi) curl_multi_remove_handle(h->multi, h->easy);
    curl_easy_cleanup(h->easy);
  }
  if (h->multi) curl_multi_cleanup(h->multi);
  if (h->headerList) curl_slist_free_all(h->headerList);
  delete h;
}

DWORD MapCurlError(CURLcode code, const char* text) {
  switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return ERROR_INTERNET_NAME_NOT_RESOLVED;
    case CURLE_COULDNT_CONNECT:
      return ERROR_INTERNET_CANNOT_CONNECT;
    case CURLE_OPERATION_TIMEDOUT:
      return ERROR_INTERNET_TIMEOUT;
    case CURLE_URL_MALFORMAT:
      return ERROR_INTERNET_INVALID_URL;
    case CURLE_UNSUPPORTED_PROTOCOL:
      return ERROR_INTERNET_UNRECOGNIZED_SCHEME;
    case CURLE_PEER_FAILED_VERIFICATION:
      if (strstr(text, "subject name") || strstr(text, "does not match"))
        return ERROR_INTERNET_SEC_CERT_CN_INVALID;
      if (strstr(text, "expired") || strstr(text, "not yet valid"))
        return ERROR_INTERNET_SEC_CERT_DATE_INVALID;
      return ERROR_INTERNET_INVALID_CA;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
      return ERROR_INTERNET_SECURE_FAILURE;
    case CURLE_SEND_ERROR:
      return ERROR_INTERNET_CONNECTION_RESET;
    case CURLE_GOT_NOTHING:
    case CURLE_WEIRD_SERVER_REPLY:
      return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
      return ERROR_INTERNET_CONNECTION_ABORTED;
    default:
      return ERROR_INTERNET_INTERNAL_ERROR;
  }
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* h = static_cast<InetHandle*>(user);
  size_t n = size * count;
  if (h->buffer.size() - h->readPos >= kMaxBuffered) {
    h->paused = true;
    return CURL_WRITEFUNC_PAUSE;
  }
  if (h->readPos > 0 && h->readPos >= h->buffer.size() / 2) {
    h->buffer.erase(0, h->readPos);
    h->readPos = 0;
  }
  h->buffer.append(data, n);
  return n;
}

// Notes the status of each header block; the last block that is not an informational or
// followed redirect marks the response as started.
size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto* h = static_cast<InetHandle*>(user);
  size_t n = size * count;
  std::string line(data, n);
  if (line.rfind("HTTP/", 0) == 0) {
    size_t sp = line.find(' ');
    h->statusCode = sp == std::string::npos ? 0 : strtol(line.c_str() + sp + 1, nullptr, 10);
    h->hasLocation = false;
  } else if (strncasecmp(line.c_str(), "location:", 9) == 0) {
    h->hasLocation = true;
  } else if (line == "\r\n" || line == "\n") {
    bool informational = h->statusCode >= 100 && h->statusCode < 200;
    bool redirect = h->hasLocation && h->statusCode >= 300 && h->statusCode < 400;
    if (!informational && !redirect) h->headersDone = true;
  }
  return n;
}

// Runs the transfer until stop() holds or it has ended. A call that waits longer than the
// handle's receive time-out ends the transfer as timed out.
template <typename Stop>
void Pump(InetHandle* h, Stop stop) {
  DWORD start = timeGetTime();
  while (!h->done && !stop()) {
    DWORD limit = h->receiveTimeout;
    if (limit && timeGetTime() - start >= limit) {
      h->done = true;
      h->result = CURLE_OPERATION_TIMEDOUT;
      break;
    }
    if (h->paused && h->buffer.size() - h->readPos < kMaxBuffered) {
      h->paused = false;
      curl_easy_pause(h->easy, CURLPAUSE_CONT);
      continue;
    }
    int running = 0;
    curl_multi_perform(h->multi, &running);
    int queued = 0;
    while (CURLMsg* msg = curl_multi_info_read(h->multi, &queued)) {
      if (msg->msg == CURLMSG_DONE) {
        h->done = true;
        h->result = msg->data.result;
      }
    }
    if (h->done || stop()) break;
    if (h->paused) break;  // the reader must drain the buffer first
    curl_multi_poll(h->multi, nullptr, 0, 100, nullptr);
  }
}

bool Unread(const InetHandle* h) { return h->buffer.size() > h->readPos; }

// Builds the curl transfer for a request handle and runs it until the response has started.
BOOL Send(InetHandle* h) {
  GlobalInit();
  h->easy = curl_easy_init();
  h->multi = curl_multi_init();
  if (!h->easy || !h->multi) return Fail(ERROR_INTERNET_INTERNAL_ERROR);
  CURL* e = h->easy;
  bool secure = h->url.rfind("https:", 0) == 0;
  curl_easy_setopt(e, CURLOPT_URL, h->url.c_str());
  curl_easy_setopt(e, CURLOPT_ERRORBUFFER, h->errorText);
  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(e, CURLOPT_MAXREDIRS, 10L);
  // A secure request never follows a redirect down to plain HTTP.
  curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
  curl_easy_setopt(e, CURLOPT_HTTP_VERSION, (long)CURL_HTTP_VERSION_1_1);
  curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, 60L);
  curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, 60L);
  curl_easy_setopt(e, CURLOPT_NOPROXY, "localhost,127.0.0.1,::1");
  if (h->direct) curl_easy_setopt(e, CURLOPT_PROXY, "");
  if (!h->agent.empty()) curl_easy_setopt(e, CURLOPT_USERAGENT, h->agent.c_str());
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, h);
  curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, OnHeader);
  curl_easy_setopt(e, CURLOPT_HEADERDATA, h);

  bool ignoreName = (h->flags & INTERNET_FLAG_IGNORE_CERT_CN_INVALID) ||
                    (h->securityFlags & SECURITY_FLAG_IGNORE_CERT_CN_INVALID);
  bool ignoreCa = h->securityFlags & SECURITY_FLAG_IGNORE_UNKNOWN_CA;
  curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, ignoreCa ? 0L : 1L);
  curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, ignoreName ? 0L : 2L);
  std::string bundle;
  {
    std::lock_guard<std::mutex> lock(RegistryLock());
    bundle = CaBundleOverride();
  }
  if (bundle.empty()) {
    const char* env = getenv("CURL_CA_BUNDLE");
    if (env) bundle = env;
  }
  if (!bundle.empty()) {
    curl_easy_setopt(e, CURLOPT_CAINFO, bundle.c_str());
    curl_easy_setopt(e, CURLOPT_CAPATH, nullptr);
  }

  if (h->verb == "GET") {
    curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
  } else if (h->verb == "POST") {
    curl_easy_setopt(e, CURLOPT_POST, 1L);
    curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, (curl_off_t)h->body.size());
    curl_easy_setopt(e, CURLOPT_COPYPOSTFIELDS, h->body.c_str());
  } else if (h->verb == "HEAD") {
    curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
  } else {
    curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, h->verb.c_str());
  }

  // Only the headers the caller added go out: no content type or expectation of curl's own.
  bool hasContentType = false;
  size_t start = 0;
  while (start < h->extraHeaders.size()) {
    size_t end = h->extraHeaders.find("\r\n", start);
    if (end == std::string::npos) end = h->extraHeaders.size();
    std::string line = h->extraHeaders.substr(start, end - start);
    if (!line.empty()) {
      if (strncasecmp(line.c_str(), "content-type:", 13) == 0) hasContentType = true;
      h->headerList = curl_slist_append(h->headerList, line.c_str());
    }
    start = end + 2;
  }
  if (!hasContentType) h->headerList = curl_slist_append(h->headerList, "Content-Type:");
  h->headerList = curl_slist_append(h->headerList, "Expect:");
  if (h->flags & INTERNET_FLAG_PRAGMA_NOCACHE) {
    h->headerList = curl_slist_append(h->headerList, "Pragma: no-cache");
    h->headerList = curl_slist_append(h->headerList, "Cache-Control: no-cache");
  }
  curl_easy_setopt(e, CURLOPT_HTTPHEADER, h->headerList);

  curl_multi_add_handle(h->multi, e);
  h->sent = true;
  Pump(h, [h] { return h->headersDone; });
  if (h->done && h->result != CURLE_OK && !h->headersDone)
    return Fail(MapCurlError(h->result, h->errorText));
  return TRUE;
}

std::string AppendHeaders(LPCSTR headers, DWORD length) {
  if (!headers) return {};
  std::string text = length == (DWORD)-1 ? std::string(headers) : std::string(headers, length);
  if (!text.empty() && text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") != 0)
    text += "\r\n";
  return text;
}

}  // namespace

HINTERNET InternetOpenA(LPCSTR agent, DWORD accessType, LPCSTR proxy, LPCSTR proxyBypass,
                        DWORD flags) {
  GlobalInit();
  auto* h = new InetHandle(kSession);
  h->agent = agent ? agent : "";
  h->direct = accessType == INTERNET_OPEN_TYPE_DIRECT;
  return Register(h);
}

HINTERNET InternetOpenUrlA(HINTERNET session, LPCSTR url, LPCSTR headers, DWORD headersLength,
                           DWORD flags, DWORD_PTR context) {
  InetHandle* s = Lookup(session, kSession);
  if (!s) return nullptr;
  if (!url) return FailHandle(ERROR_INVALID_PARAMETER);
  std::string text = url;
  if (text.rfind("http://", 0) != 0 && text.rfind("https://", 0) != 0)
    return FailHandle(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
  auto* h = new InetHandle(kRequest);
  h->agent = s->agent;
  h->direct = s->direct;
  h->url = text;
  h->verb = "GET";
  h->flags = flags;
  h->receiveTimeout = s->receiveTimeout.load();
  h->extraHeaders = AppendHeaders(headers, headersLength);
  if (!Send(h)) {
    DWORD error = GetLastError();
    FreeRequest(h);
    return FailHandle(error);
  }
  return Register(h);
}

BOOL InternetCrackUrlA(LPCSTR url, DWORD urlLength, DWORD flags, URL_COMPONENTSA* c) {
  if (!url || !c) return Fail(ERROR_INVALID_PARAMETER);
  std::string text = urlLength ? std::string(url, urlLength) : std::string(url);
  size_t colon = text.find("://");
  if (colon == std::string::npos) return Fail(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
  std::string scheme = text.substr(0, colon);
  for (char& ch : scheme) ch = (char)tolower((unsigned char)ch);
  INTERNET_SCHEME kind;
  INTERNET_PORT port;
  if (scheme == "http") {
    kind = INTERNET_SCHEME_HTTP;
    port = INTERNET_DEFAULT_HTTP_PORT;
  } else if (scheme == "https") {
    kind = INTERNET_SCHEME_HTTPS;
    port = INTERNET_DEFAULT_HTTPS_PORT;
  } else {
    return Fail(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
  }
  size_t authStart = colon + 3;
  size_t pathStart = text.find_first_of("/?#", authStart);
  if (pathStart == std::string::npos) pathStart = text.size();
  std::string authority = text.substr(authStart, pathStart - authStart);
  std::string user, pass;
  size_t at = authority.rfind('@');
  if (at != std::string::npos) {
    std::string info = authority.substr(0, at);
    authority = authority.substr(at + 1);
    size_t sep = info.find(':');
    user = info.substr(0, sep);
    if (sep != std::string::npos) pass = info.substr(sep + 1);
  }
  std::string host = authority;
  size_t portSep = authority.rfind(':');
  size_t bracket = authority.rfind(']');
  if (portSep != std::string::npos && (bracket == std::string::npos || portSep > bracket)) {
    host = authority.substr(0, portSep);
    std::string digits = authority.substr(portSep + 1);
    if (!digits.empty()) {
      char* end = nullptr;
      long value = strtol(digits.c_str(), &end, 10);
      if (*end || value <= 0 || value > 65535) return Fail(ERROR_INTERNET_INVALID_URL);
      port = (INTERNET_PORT)value;
    }
  }
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
    host = host.substr(1, host.size() - 2);
  if (host.empty()) return Fail(ERROR_INTERNET_INVALID_URL);
  std::string path = text.substr(pathStart);
  size_t fragment = path.find('#');
  if (fragment != std::string::npos) path.resize(fragment);
  std::string extra;
  if (c->lpszExtraInfo || c->dwExtraInfoLength) {
    size_t q = path.find('?');
    if (q != std::string::npos) {
      extra = path.substr(q);
      path.resize(q);
    }
  }

  // Fills one component; false when its buffer is too small.
  auto put = [&](LPSTR& ptr, DWORD& length, const std::string& value, size_t offset) {
    if (ptr) {
      if (length <= value.size()) {
        length = (DWORD)value.size() + 1;
        return false;
      }
      memcpy(ptr, value.c_str(), value.size() + 1);
      length = (DWORD)value.size();
    } else if (length) {
      ptr = const_cast<LPSTR>(url) + offset;
      length = (DWORD)value.size();
    }
    return true;
  };
  size_t hostOffset = text.find(host, authStart);
  bool ok = put(c->lpszScheme, c->dwSchemeLength, text.substr(0, colon), 0);
  ok = put(c->lpszHostName, c->dwHostNameLength, host, hostOffset) && ok;
  ok = put(c->lpszUserName, c->dwUserNameLength, user, authStart) && ok;
  ok = put(c->lpszPassword, c->dwPasswordLength, pass, authStart + user.size() + 1) && ok;
  ok = put(c->lpszUrlPath, c->dwUrlPathLength, path, pathStart) && ok;
  ok = put(c->lpszExtraInfo, c->dwExtraInfoLength, extra, pathStart + path.size()) && ok;
  c->nScheme = kind;
  c->nPort = port;
  return ok ? TRUE : Fail(ERROR_INSUFFICIENT_BUFFER);
}

HINTERNET InternetConnectA(HINTERNET session, LPCSTR serverName, INTERNET_PORT port,
                           LPCSTR userName, LPCSTR password, DWORD service, DWORD flags,
                           DWORD_PTR context) {
  InetHandle* s = Lookup(session, kSession);
  if (!s) return nullptr;
  if (!serverName || !*serverName) return FailHandle(ERROR_INVALID_PARAMETER);
  if (service != INTERNET_SERVICE_HTTP) return FailHandle(ERROR_INVALID_PARAMETER);
  auto* h = new InetHandle(kConnect);
  h->agent = s->agent;
  h->direct = s->direct;
  h->host = serverName;
  h->port = port;
  h->receiveTimeout = s->receiveTimeout.load();
  return Register(h);
}

HINTERNET HttpOpenRequestA(HINTERNET connect, LPCSTR verb, LPCSTR objectName, LPCSTR version,
                           LPCSTR referrer, LPCSTR* acceptTypes, DWORD flags, DWORD_PTR context) {
  InetHandle* c = Lookup(connect, kConnect);
  if (!c) return nullptr;
  auto* h = new InetHandle(kRequest);
  h->agent = c->agent;
  h->direct = c->direct;
  h->verb = verb && *verb ? verb : "GET";
  h->flags = flags;
  h->receiveTimeout = c->receiveTimeout.load();
  bool secure = flags & INTERNET_FLAG_SECURE;
  INTERNET_PORT port = c->port;
  if (port == INTERNET_INVALID_PORT_NUMBER)
    port = secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
  std::string host = c->host.find(':') != std::string::npos ? "[" + c->host + "]" : c->host;
  std::string object = objectName && *objectName ? objectName : "/";
  if (object[0] != '/') object = "/" + object;
  h->url = std::string(secure ? "https://" : "http://") + host + ":" + std::to_string(port) + object;
  if (secure) h->securityFlags = SECURITY_FLAG_SECURE;
  return Register(h);
}

BOOL HttpAddRequestHeadersA(HINTERNET request, LPCSTR headers, DWORD headersLength,
                            DWORD modifiers) {
  InetHandle* h = Lookup(request, kRequest);
  if (!h) return FALSE;
  if (!headers) return Fail(ERROR_INVALID_PARAMETER);
  if (h->sent) return Fail(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
  h->extraHeaders += AppendHeaders(headers, headersLength);
  return TRUE;
}

BOOL HttpSendRequestA(HINTERNET request, LPCSTR headers, DWORD headersLength, LPVOID optional,
                      DWORD optionalLength) {
  InetHandle* h = Lookup(request, kRequest);
  if (!h) return FALSE;
  if (h->sent) return Fail(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
  h->extraHeaders += AppendHeaders(headers, headersLength);
  if (optional && optionalLength) h->body.assign(static_cast<const char*>(optional), optionalLength);
  return Send(h);
}

BOOL HttpQueryInfoA(HINTERNET request, DWORD infoLevel, LPVOID buffer, LPDWORD bufferLength,
                    LPDWORD index) {
  InetHandle* h = Lookup(request, kRequest);
  if (!h) return FALSE;
  if (!bufferLength) return Fail(ERROR_INVALID_PARAMETER);
  if ((infoLevel & 0xFFFF) != HTTP_QUERY_STATUS_CODE) return Fail(ERROR_INVALID_PARAMETER);
  if (infoLevel & HTTP_QUERY_FLAG_NUMBER) {
    if (*bufferLength < sizeof(DWORD) || !buffer) {
      *bufferLength = sizeof(DWORD);
      return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    DWORD code = (DWORD)h->statusCode;
    memcpy(buffer, &code, sizeof code);
    *bufferLength = sizeof(DWORD);
    return TRUE;
  }
  std::string text = std::to_string(h->statusCode);
  if (!buffer || *bufferLength <= text.size()) {
    *bufferLength = (DWORD)text.size() + 1;
    return Fail(ERROR_INSUFFICIENT_BUFFER);
  }
  memcpy(buffer, text.c_str(), text.size() + 1);
  *bufferLength = (DWORD)text.size();
  return TRUE;
}

BOOL InternetQueryOptionA(HINTERNET handle, DWORD option, LPVOID buffer, LPDWORD bufferLength) {
  InetHandle* h = Lookup(handle, kRequest);
  if (!h) return FALSE;
  if (option != INTERNET_OPTION_SECURITY_FLAGS || !bufferLength)
    return Fail(ERROR_INTERNET_INVALID_OPTION);
  if (!buffer || *bufferLength < sizeof(DWORD)) {
    *bufferLength = sizeof(DWORD);
    return Fail(ERROR_INSUFFICIENT_BUFFER);
  }
  memcpy(buffer, &h->securityFlags, sizeof(DWORD));
  *bufferLength = sizeof(DWORD);
  return TRUE;
}

BOOL InternetSetOptionA(HINTERNET handle, DWORD option, LPVOID buffer, DWORD bufferLength) {
  if (option == INTERNET_OPTION_RECEIVE_TIMEOUT) {
    InetHandle* any = Lookup(handle, 0);
    if (!any) return FALSE;
    if (!buffer || bufferLength < sizeof(DWORD)) return Fail(ERROR_INVALID_PARAMETER);
    DWORD value;
    memcpy(&value, buffer, sizeof value);
    any->receiveTimeout = value;
    return TRUE;
  }
  InetHandle* h = Lookup(handle, kRequest);
  if (!h) return FALSE;
  if (option != INTERNET_OPTION_SECURITY_FLAGS) return Fail(ERROR_INTERNET_INVALID_OPTION);
  if (!buffer || bufferLength < sizeof(DWORD)) return Fail(ERROR_INVALID_PARAMETER);
  if (h->sent) return Fail(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
  memcpy(&h->securityFlags, buffer, sizeof(DWORD));
  return TRUE;
}

BOOL InternetQueryDataAvailable(HINTERNET file, LPDWORD available, DWORD flags,
                                DWORD_PTR context) {
  InetHandle* h = Lookup(file, kRequest);
  if (!h) return FALSE;
  if (!h->sent) return Fail(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
  Pump(h, [h] { return Unread(h); });
  if (Unread(h)) {
    if (available) *available = (DWORD)(h->buffer.size() - h->readPos);
    return TRUE;
  }
  if (h->done && h->result != CURLE_OK) return Fail(MapCurlError(h->result, h->errorText));
  if (available) *available = 0;
  return TRUE;
}

BOOL InternetReadFile(HINTERNET file, LPVOID buffer, DWORD toRead, LPDWORD read) {
  InetHandle* h = Lookup(file, kRequest);
  if (!h) return FALSE;
  if (!read || (!buffer && toRead)) return Fail(ERROR_INVALID_PARAMETER);
  if (!h->sent) return Fail(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
  *read = 0;
  if (toRead == 0) return TRUE;
  Pump(h, [h] { return Unread(h); });
  if (!Unread(h)) {
    if (h->done && h->result != CURLE_OK) return Fail(MapCurlError(h->result, h->errorText));
    return TRUE;  // end of the body
  }
  size_t n = std::min<size_t>(toRead, h->buffer.size() - h->readPos);
  memcpy(buffer, h->buffer.data() + h->readPos, n);
  h->readPos += n;
  if (h->readPos == h->buffer.size()) {
    h->buffer.clear();
    h->readPos = 0;
  }
  *read = (DWORD)n;
  return TRUE;
}

BOOL InternetCloseHandle(HINTERNET handle) {
  auto* h = static_cast<InetHandle*>(handle);
  {
    std::lock_guard<std::mutex> lock(RegistryLock());
    if (!h || !Registry().erase(h)) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
  }
  if (h->kind == kRequest)
    FreeRequest(h);
  else
    delete h;
  return TRUE;
}

namespace WininetTestControl {

void SetCaBundle(const char* path) {
  std::lock_guard<std::mutex> lock(RegistryLock());
  CaBundleOverride() = path ? path : "";
}

int CloseSessionHandles() {
  std::lock_guard<std::mutex> lock(RegistryLock());
  int closed = 0;
  for (auto it = Registry().begin(); it != Registry().end();) {
    if ((*it)->kind == kSession) {
      delete *it;
      it = Registry().erase(it);
      ++closed;
    } else {
      ++it;
    }
  }
  return closed;
}

int EndedRequestCount() { return gEndedRequests.load(); }

int OpenHandleCount() {
  std::lock_guard<std::mutex> lock(RegistryLock());
  return (int)Registry().size();
}

}  // namespace WininetTestControl
