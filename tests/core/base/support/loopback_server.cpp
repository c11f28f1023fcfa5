// Loopback HTTP(S) server for tests: one thread accepts, one thread a connection.
#include "tests/core/base/support/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

// One connection's byte stream, plain or TLS.
struct Stream {
  int fd;
  SSL* ssl = nullptr;
  int Read(char* buf, int n) { return ssl ? SSL_read(ssl, buf, n) : (int)recv(fd, buf, n, 0); }
  bool WriteAll(const char* buf, size_t n) {
    while (n > 0) {
      int w = ssl ? SSL_write(ssl, buf, (int)n) : (int)send(fd, buf, n, MSG_NOSIGNAL);
      if (w <= 0) return false;
      buf += w;
      n -= w;
    }
    return true;
  }
};

const char* Reason(int status) {
  switch (status) {
    case 200: return "OK";
    case 302: return "Found";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
  }
}

}  // namespace

std::string PercentDecode(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() + 0 && isxdigit((unsigned char)text[i + 1]) &&
        isxdigit((unsigned char)text[i + 2])) {
      out += (char)strtol(text.substr(i + 1, 2).c_str(), nullptr, 16);
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string HttpRequestRecord::Header(const std::string& lowerName) const {
  auto it = headers.find(lowerName);
  return it == headers.end() ? std::string() : it->second;
}

std::vector<std::pair<std::string, std::string>> HttpRequestRecord::QueryParams() const {
  std::vector<std::pair<std::string, std::string>> out;
  size_t start = 0;
  while (start <= query.size() && !query.empty()) {
    size_t end = query.find('&', start);
    if (end == std::string::npos) end = query.size();
    std::string pair = query.substr(start, end - start);
    size_t eq = pair.find('=');
    if (eq == std::string::npos)
      out.emplace_back(PercentDecode(pair), "");
    else
      out.emplace_back(PercentDecode(pair.substr(0, eq)), PercentDecode(pair.substr(eq + 1)));
    start = end + 1;
  }
  return out;
}

std::string HttpRequestRecord::Param(const std::string& name) const {
  for (auto& [k, v] : QueryParams())
    if (k == name) return v;
  return {};
}

TestCertificate MakeTestCertificate(const std::string& folder, const std::string& altNames) {
  TestCertificate cert;
  cert.certFile = folder + "/cert.pem";
  cert.keyFile = folder + "/key.pem";
  std::string cmd = "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes"
                    " -days 2 -subj /CN=orvella-test -keyout '" + cert.keyFile + "' -out '" +
                    cert.certFile + "' -addext 'subjectAltName=" + altNames +
                    "' >/dev/null 2>&1";
  cert.ok = std::system(cmd.c_str()) == 0 && std::filesystem::exists(cert.certFile);
  return cert;
}

int UnusedLoopbackPort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  bind(fd, (sockaddr*)&addr, sizeof addr);
  socklen_t len = sizeof addr;
  getsockname(fd, (sockaddr*)&addr, &len);
  close(fd);
  return ntohs(addr.sin_port);
}

LoopbackServer::LoopbackServer() {
  mHandler = [](const HttpRequestRecord&) { return CannedReply{}; };
}

LoopbackServer::~LoopbackServer() { Stop(); }

bool LoopbackServer::Start(const TestCertificate* tls) {
  signal(SIGPIPE, SIG_IGN);  // a client that drops a TLS connection must not end the tests
  if (tls) {
    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    if (!ctx || SSL_CTX_use_certificate_chain_file(ctx, tls->certFile.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(ctx, tls->keyFile.c_str(), SSL_FILETYPE_PEM) != 1) {
      if (ctx) SSL_CTX_free(ctx);
      return false;
    }
    mTls = ctx;
  }
  mListen = socket(AF_INET, SOCK_STREAM, 0);
  if (mListen < 0) return false;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  if (bind(mListen, (sockaddr*)&addr, sizeof addr) != 0 || listen(mListen, 16) != 0) return false;
  socklen_t len = sizeof addr;
  getsockname(mListen, (sockaddr*)&addr, &len);
  mPort = ntohs(addr.sin_port);
  mStop = false;
  mAcceptThread = std::thread([this] { AcceptLoop(); });
  return true;
}

void LoopbackServer::Stop() {
  if (mListen < 0) return;
  mStop = true;
  if (mAcceptThread.joinable()) mAcceptThread.join();
  std::vector<std::thread> threads;
  {
    std::lock_guard<std::mutex> lock(mLock);
    for (int fd : mOpenFds) shutdown(fd, SHUT_RDWR);
    threads.swap(mConnections);
  }
  for (auto& t : threads) t.join();
  close(mListen);
  mListen = -1;
  if (mTls) SSL_CTX_free((SSL_CTX*)mTls);
  mTls = nullptr;
}

std::string LoopbackServer::Url(const std::string& path) const {
  return std::string(mTls ? "https" : "http") + "://127.0.0.1:" + std::to_string(mPort) + path;
}

void LoopbackServer::SetHandler(Handler handler) {
  std::lock_guard<std::mutex> lock(mLock);
  mHandler = std::move(handler);
}

void LoopbackServer::SetReply(const CannedReply& reply) {
  SetHandler([reply](const HttpRequestRecord&) { return reply; });
}

std::vector<HttpRequestRecord> LoopbackServer::Requests() const {
  std::lock_guard<std::mutex> lock(mLock);
  return mRequests;
}

bool LoopbackServer::WaitForRequests(size_t count, int timeoutMs) const {
  std::unique_lock<std::mutex> lock(mLock);
  return mArrived.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&] { return mRequests.size() >= count; });
}

void LoopbackServer::AcceptLoop() {
  while (!mStop) {
    pollfd p{mListen, POLLIN, 0};
    if (poll(&p, 1, 20) <= 0) continue;
    int fd = accept(mListen, nullptr, nullptr);
    if (fd < 0) continue;
    timeval tv{3, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    std::lock_guard<std::mutex> lock(mLock);
    mOpenFds.push_back(fd);
    mConnections.emplace_back([this, fd] { Serve(fd); });
  }
}

void LoopbackServer::Serve(int fd) {
  Stream s{fd};
  if (mTls) {
    s.ssl = SSL_new((SSL_CTX*)mTls);
    SSL_set_fd(s.ssl, fd);
    if (SSL_accept(s.ssl) != 1) {
      ++mFailedHandshakes;
      SSL_free(s.ssl);
      s.ssl = nullptr;
      ERR_clear_error();
      goto done;
    }
  }
  {
    std::string data;
    char buf[16384];
    size_t headerEnd;
    while ((headerEnd = data.find("\r\n\r\n")) == std::string::npos) {
      int n = s.Read(buf, sizeof buf);
      if (n <= 0 || data.size() > (1u << 20)) goto done;
      data.append(buf, n);
    }
    HttpRequestRecord req;
    std::string head = data.substr(0, headerEnd);
    size_t lineEnd = head.find("\r\n");
    std::string requestLine = head.substr(0, lineEnd);
    size_t sp1 = requestLine.find(' ');
    size_t sp2 = requestLine.rfind(' ');
    req.method = requestLine.substr(0, sp1);
    req.target = requestLine.substr(sp1 + 1, sp2 - sp1 - 1);
    size_t q = req.target.find('?');
    req.path = req.target.substr(0, q);
    if (q != std::string::npos) req.query = req.target.substr(q + 1);
    size_t pos = lineEnd == std::string::npos ? head.size() : lineEnd + 2;
    while (pos < head.size()) {
      size_t end = head.find("\r\n", pos);
      if (end == std::string::npos) end = head.size();
      std::string line = head.substr(pos, end - pos);
      size_t colon = line.find(':');
      if (colon != std::string::npos) {
        std::string name = line.substr(0, colon);
        std::transform(name.begin(), name.end(), name.begin(), ::tolower);
        std::string value = line.substr(colon + 1);
        value.erase(0, value.find_first_not_of(' '));
        req.headers[name] = value;
      }
      pos = end + 2;
    }
    size_t contentLength = strtoul(req.Header("content-length").c_str(), nullptr, 10);
    req.body = data.substr(headerEnd + 4);
    while (req.body.size() < contentLength) {
      int n = s.Read(buf, sizeof buf);
      if (n <= 0) goto done;
      req.body.append(buf, n);
    }
    Handler handler;
    {
      std::lock_guard<std::mutex> lock(mLock);
      mRequests.push_back(req);
      handler = mHandler;
    }
    mArrived.notify_all();
    CannedReply reply = handler(req);
    if (reply.dropConnection) goto done;
    for (int waited = 0; waited < reply.replyDelayMs && !mStop; waited += 10)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::string out = "HTTP/1.1 " + std::to_string(reply.status) + " " + Reason(reply.status) +
                      "\r\nContent-Type: " + reply.contentType +
                      "\r\nContent-Length: " + std::to_string(reply.body.size()) +
                      "\r\nConnection: close\r\n\r\n";
    if (!s.WriteAll(out.data(), out.size())) goto done;
    if (reply.chunkSize == 0) {
      s.WriteAll(reply.body.data(), reply.body.size());
    } else {
      for (size_t off = 0; off < reply.body.size() && !mStop; off += reply.chunkSize) {
        size_t n = std::min(reply.chunkSize, reply.body.size() - off);
        if (!s.WriteAll(reply.body.data() + off, n)) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(reply.chunkDelayMs));
      }
    }
  }
done:
  if (s.ssl) {
    SSL_shutdown(s.ssl);
    SSL_free(s.ssl);
  }
  {
    std::lock_guard<std::mutex> lock(mLock);
    mOpenFds.erase(std::remove(mOpenFds.begin(), mOpenFds.end(), fd), mOpenFds.end());
  }
  close(fd);
}
