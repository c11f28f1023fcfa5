// A small HTTP/1.1 server on 127.0.0.1 for tests: canned replies, optional TLS with a test
// certificate, and a record of every request that arrived. Never listens beyond loopback.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct HttpRequestRecord {
  std::string method;
  std::string target;  // path and query as sent
  std::string path;
  std::string query;   // after "?", raw
  std::map<std::string, std::string> headers;  // names in lower case
  std::string body;

  std::string Header(const std::string& lowerName) const;
  // Query parameters in order, percent-decoded ("+" stays "+").
  std::vector<std::pair<std::string, std::string>> QueryParams() const;
  std::string Param(const std::string& name) const;
};

struct CannedReply {
  int status = 200;
  std::string contentType = "text/xml";
  std::string body;
  // Slow body: after the headers, send chunkSize bytes every chunkDelayMs until the body is
  // out or the server stops.
  size_t chunkSize = 0;
  int chunkDelayMs = 0;
  // Close the connection without answering.
  bool dropConnection = false;
  // Hold the reply this long (real time) before sending anything, or until the server stops.
  int replyDelayMs = 0;
};

// Files of a self-signed certificate made by MakeTestCertificate.
struct TestCertificate {
  std::string certFile;
  std::string keyFile;
  bool ok = false;
};

// Makes a self-signed certificate (EC P-256, valid two days) for the given subject alternative
// names ("IP:127.0.0.1,DNS:localhost") in folder, with the openssl command-line tool.
TestCertificate MakeTestCertificate(const std::string& folder, const std::string& altNames);

std::string PercentDecode(const std::string& text);

class LoopbackServer {
 public:
  using Handler = std::function<CannedReply(const HttpRequestRecord&)>;

  LoopbackServer();
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  // Listens on 127.0.0.1 at an ephemeral port; with a certificate, speaks TLS.
  bool Start(const TestCertificate* tls = nullptr);
  // Closes the listener and every open connection and joins the threads.
  void Stop();

  int Port() const { return mPort; }
  // "http://127.0.0.1:port" + path (https with TLS).
  std::string Url(const std::string& path) const;

  void SetHandler(Handler handler);
  void SetReply(const CannedReply& reply);

  std::vector<HttpRequestRecord> Requests() const;
  // Waits (real time, at most timeoutMs) until count requests have arrived.
  bool WaitForRequests(size_t count, int timeoutMs) const;
  // TLS handshakes that failed (the client refused the certificate, for one).
  int FailedHandshakes() const { return mFailedHandshakes; }

 private:
  void AcceptLoop();
  void Serve(int fd);

  int mListen = -1;
  int mPort = 0;
  void* mTls = nullptr;  // SSL_CTX
  std::atomic<bool> mStop{false};
  std::atomic<int> mFailedHandshakes{0};
  std::thread mAcceptThread;
  mutable std::mutex mLock;
  mutable std::condition_variable mArrived;
  Handler mHandler;                          // guarded by mLock
  std::vector<HttpRequestRecord> mRequests;  // guarded by mLock
  std::vector<std::thread> mConnections;     // guarded by mLock
  std::vector<int> mOpenFds;                 // guarded by mLock
};

// Returns a loopback port on which nothing listens (bound, then closed at once).
int UnusedLoopbackPort();
