// The WinINet stand-in's URL cracking and handle checks, as the HTTP client relies on them.
#include "platform/wininet/wininet.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/wininet/wininet_test_control.h"

namespace {

struct Cracked {
  BOOL ok;
  DWORD error;
  std::string host, path, extra;
  INTERNET_PORT port;
  INTERNET_SCHEME scheme;
};

Cracked Crack(const char* url, DWORD bufferSize = 260, bool wantExtra = false) {
  std::string host(bufferSize, '\0'), path(bufferSize, '\0'), extra(bufferSize, '\0');
  URL_COMPONENTSA c{};
  c.dwStructSize = sizeof c;
  c.lpszHostName = host.data();
  c.dwHostNameLength = bufferSize;
  c.lpszUrlPath = path.data();
  c.dwUrlPathLength = bufferSize;
  if (wantExtra) {
    c.lpszExtraInfo = extra.data();
    c.dwExtraInfoLength = bufferSize;
  }
  Cracked r{};
  r.ok = InternetCrackUrlA(url, 0, 0, &c);
  r.error = r.ok ? 0 : GetLastError();
  if (r.ok) {
    r.host = host.c_str();
    r.path = path.c_str();
    r.extra = extra.c_str();
    r.port = c.nPort;
    r.scheme = c.nScheme;
  }
  return r;
}

TEST(WininetCrackUrl, Components) {
  Cracked a = Crack("http://127.0.0.1:8080/go/hiscore?lang=en&ver=1.0");
  ASSERT_TRUE(a.ok);
  EXPECT_EQ(a.host, "127.0.0.1");
  EXPECT_EQ(a.port, 8080);
  EXPECT_EQ(a.path, "/go/hiscore?lang=en&ver=1.0");  // the query stays in the path
  EXPECT_EQ(a.scheme, INTERNET_SCHEME_HTTP);

  Cracked b = Crack("HTTPS://user:pw@Example.test/a?b=c#frag", 260, true);
  ASSERT_TRUE(b.ok);
  EXPECT_EQ(b.host, "Example.test");
  EXPECT_EQ(b.port, INTERNET_DEFAULT_HTTPS_PORT);
  EXPECT_EQ(b.path, "/a");
  EXPECT_EQ(b.extra, "?b=c");
  EXPECT_EQ(b.scheme, INTERNET_SCHEME_HTTPS);

  Cracked c = Crack("http://[::1]:81");
  ASSERT_TRUE(c.ok);
  EXPECT_EQ(c.host, "::1");
  EXPECT_EQ(c.path, "");

  EXPECT_EQ(Crack("ftp://host/x").error, (DWORD)ERROR_INTERNET_UNRECOGNIZED_SCHEME);
  EXPECT_EQ(Crack("no scheme").error, (DWORD)ERROR_INTERNET_UNRECOGNIZED_SCHEME);
  EXPECT_EQ(Crack("http://host:99999/").error, (DWORD)ERROR_INTERNET_INVALID_URL);
  EXPECT_EQ(Crack("http://:80/").error, (DWORD)ERROR_INTERNET_INVALID_URL);
  // A path longer than its buffer is refused, never cut.
  std::string longUrl = "http://h/" + std::string(300, 'p');
  EXPECT_EQ(Crack(longUrl.c_str()).error, (DWORD)ERROR_INSUFFICIENT_BUFFER);
}

TEST(WininetHandles, ClosedAndWrongKindsAreRefused) {
  int before = WininetTestControl::OpenHandleCount();
  HINTERNET session = InternetOpenA("kslib", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  ASSERT_NE(session, nullptr);
  HINTERNET connect = InternetConnectA(session, "127.0.0.1", 9, nullptr, nullptr,
                                       INTERNET_SERVICE_HTTP, 0, 0);
  ASSERT_NE(connect, nullptr);
  // A connection handle where a request handle belongs.
  DWORD available = 0;
  EXPECT_FALSE(InternetQueryDataAvailable(connect, &available, 0, 0));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
  HINTERNET request = HttpOpenRequestA(connect, "GET", "/x", nullptr, nullptr, nullptr,
                                       INTERNET_FLAG_SECURE, 0);
  ASSERT_NE(request, nullptr);
  DWORD flags = 0, size = sizeof flags;
  ASSERT_TRUE(InternetQueryOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, &size));
  EXPECT_EQ(flags, SECURITY_FLAG_SECURE);
  // Reading before sending is refused.
  EXPECT_FALSE(InternetQueryDataAvailable(request, &available, 0, 0));
  EXPECT_EQ(WininetTestControl::OpenHandleCount(), before + 3);
  EXPECT_TRUE(InternetCloseHandle(request));
  EXPECT_TRUE(InternetCloseHandle(connect));
  EXPECT_TRUE(InternetCloseHandle(session));
  EXPECT_FALSE(InternetCloseHandle(session));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
  EXPECT_EQ(InternetConnectA(session, "127.0.0.1", 9, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0),
            nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
  EXPECT_EQ(WininetTestControl::OpenHandleCount(), before);
}

}  // namespace
