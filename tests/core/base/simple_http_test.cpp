// TSimpleHttp against a loopback server: query strings and bodies as sent, body sizes, output
// files, failures, abandoning, session recovery and HTTPS certificate checks.
#include "core/base/simple_http.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "core/base/file.h"
#include "core/base/log.h"
#include "core/base/settings.h"
#include "platform/test_control.h"
#include "platform/wininet/wininet_test_control.h"
#include "tests/core/base/support/loopback_server.h"
#include "tests/support/host_file.h"
#include "tests/support/temp_folder.h"

namespace {

using Clock = std::chrono::steady_clock;

// Polls like a frame loop would, for at most timeoutMs of real time.
uint32_t WaitForStatus(const TSimpleHttp& http, int timeoutMs = 5000) {
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (http.GetStatus() == TSimpleHttpRequest::kRunning && Clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return http.GetStatus();
}

// Waits until every request record has been freed by its worker.
bool WaitForNoLiveRequests(int timeoutMs = 3000) {
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (TSimpleHttpRequest::LiveCount() != 0 && Clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return TSimpleHttpRequest::LiveCount() == 0;
}

class SimpleHttpTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server.Start()); }
  void TearDown() override {
    server.Stop();
    EXPECT_TRUE(WaitForNoLiveRequests());
  }
  LoopbackServer server;
};

TEST(EscapeUrlTextTest, EscapesReservedControlAndHighBytes) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"a b&c", "a%20b%26c"},
      {" \"#$%&+,/:;<=>?@[\\]^`{|}", "%20%22%23%24%25%26%2B%2C%2F%3A%3B%3C%3D%3E%3F%40%5B%5C%5D%5E%60%7B%7C%7D"},
      {"AZaz09-_.~!*'()", "AZaz09-_.~!*'()"},
      {"\x01\t\n\x1f", "%01%09%0A%1F"},
      {"\x7f\x80\xc3\xa9\xff", "%7F%80%C3%A9%FF"},
      {"", ""},
  };
  for (auto& c : cases) EXPECT_STREQ(EscapeUrlText(c.in).c_str(), c.out) << c.in;
  EXPECT_STREQ(EscapeUrlText(nullptr).c_str(), "");
}

TEST(SimpleHttpBuildTest, JoinsParametersByMethod) {
  TSimpleHttp http;
  http.Open("http://127.0.0.1:1/go", false, nullptr);
  http.AddParameter("a", "x y");
  http.AddParameter("n", -7);
  EXPECT_STREQ(http.GetURL().c_str(), "http://127.0.0.1:1/go?a=x%20y&n=-7");
  EXPECT_STREQ(http.GetBody().c_str(), "");

  http.Open("http://127.0.0.1:1/post", true, nullptr);
  http.AddParameter("a", "1");
  http.AddParameter("b=", "&");  // names go out as given
  EXPECT_STREQ(http.GetURL().c_str(), "http://127.0.0.1:1/post");
  EXPECT_STREQ(http.GetBody().c_str(), "a=1&b==%26");
}

TEST(SimpleHttpBuildTest, NoRequestMeansFailedAndNoData) {
  TSimpleHttp http;
  EXPECT_EQ(http.GetStatus(), (uint32_t)TSimpleHttpRequest::kFailed);
  EXPECT_EQ(http.GetData(), nullptr);
}

TEST_F(SimpleHttpTest, GetSendsTheExactQueryAndReturnsTheBody) {
  server.SetReply({200, "text/xml", "<hiscore/>"});
  TSimpleHttp http;
  http.Open(server.Url("/go/hiscore").c_str(), false, nullptr);
  http.AddParameter("lang", "en");
  http.AddParameter("name", "Ann Lee & co~\xe9");
  ASSERT_NE(http.Start(TSimpleHttpRequest::kFlagNoCache), nullptr);
  EXPECT_EQ(http.GetData(), nullptr);  // not before completion
  ASSERT_EQ(WaitForStatus(http), (uint32_t)TSimpleHttpRequest::kComplete);
  EXPECT_STREQ(http.GetData(), "<hiscore/>");
  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].target, "/go/hiscore?lang=en&name=Ann%20Lee%20%26%20co~%E9");
  EXPECT_EQ(requests[0].Header("user-agent"), "kslib");
  EXPECT_EQ(requests[0].body, "");
}

TEST_F(SimpleHttpTest, PostSendsAFormBody) {
  server.SetReply({200, "text/plain", "ok"});
  TSimpleHttp http;
  http.Open(server.Url("/form").c_str(), true, nullptr);
  http.AddParameter("user", "a+b");
  http.AddParameter("score", 1234);
  http.Start(0);
  ASSERT_EQ(WaitForStatus(http), (uint32_t)TSimpleHttpRequest::kComplete);
  EXPECT_STREQ(http.GetData(), "ok");
  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].target, "/form");
  EXPECT_EQ(requests[0].Header("content-type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(requests[0].body, "user=a%2Bb&score=1234");
  EXPECT_EQ(requests[0].Header("pragma"), "no-cache");
}

TEST_F(SimpleHttpTest, EmptyAndLargeBodies) {
  std::string large(5 * 1024 * 1024, '\0');
  for (size_t i = 0; i < large.size(); ++i) large[i] = (char)('a' + (i * 7919 % 26));
  for (const std::string& expected : {large, std::string()}) {
    server.SetReply({200, "application/octet-stream", expected});
    TSimpleHttp http;
    http.Open(server.Url("/blob").c_str(), false, nullptr);
    http.Start(0);
    ASSERT_EQ(WaitForStatus(http, 20000), (uint32_t)TSimpleHttpRequest::kComplete);
    ASSERT_NE(http.GetData(), nullptr);
    EXPECT_EQ(strlen(http.GetData()), expected.size());
    EXPECT_TRUE(http.GetData() == expected) << "body differs, size " << expected.size();
  }
}

// The body kept in memory has a cap (a setting, clamped); a longer reply fails with a log line
// instead of growing without end.
TEST_F(SimpleHttpTest, RepliesLongerThanTheCapFail) {
  TempFolder logFolder;
  SetLogPath(logFolder.Path().c_str());
  const struct {
    const char* setting;
    size_t size;
    uint32_t status;
  } cases[] = {
      {"4096", 4096, TSimpleHttpRequest::kComplete},
      {"4096", 4097, TSimpleHttpRequest::kFailed},
      {"1", 4096, TSimpleHttpRequest::kComplete},  // clamped up to the smallest cap
      {"1", 70000, TSimpleHttpRequest::kFailed},   // several pieces: the cap falls mid-way
      {"100000", 70000, TSimpleHttpRequest::kComplete},
  };
  for (const auto& c : cases) {
    SetSetting(kSettingHttpMaxBody, c.setting);
    server.SetReply({200, "text/plain", std::string(c.size, 'z')});
    TSimpleHttp http;
    http.Open(server.Url("/big").c_str(), false, nullptr);
    http.Start(0);
    EXPECT_EQ(WaitForStatus(http), c.status) << c.setting << " " << c.size;
    if (c.status == TSimpleHttpRequest::kComplete) {
      ASSERT_NE(http.GetData(), nullptr);
      EXPECT_EQ(strlen(http.GetData()), c.size);
    } else {
      EXPECT_EQ(http.GetData(), nullptr);
    }
  }
  ClearSettingsForTest();
  SetLogPath(nullptr);
  std::string log = ReadHostFile(logFolder.Path() + "/logfile.txt");
  EXPECT_NE(log.find("HTTP reply larger than 4096 bytes; the request fails"), std::string::npos);
}

TEST_F(SimpleHttpTest, OutputFileReceivesTheBody) {
  TempFolder folder;
  SetDataFolders(folder.Path().c_str(), "", "");
  std::string path = folder.Path() + "/out/reply.bin";
  std::string body(100000, 'q');
  body[500] = '\0';
  server.SetReply({200, "application/octet-stream", body});
  TSimpleHttp http;
  http.Open(server.Url("/file").c_str(), false, "user:out/reply.bin");
  http.Start(0);
  ASSERT_EQ(WaitForStatus(http), (uint32_t)TSimpleHttpRequest::kComplete);
  EXPECT_EQ(http.GetData(), nullptr);  // the body went to the file
  EXPECT_EQ(ReadHostFile(path), body);
}

TEST_F(SimpleHttpTest, UnwritableOutputFileIsStatusThree) {
  TempFolder folder;
  SetDataFolders(folder.Path().c_str(), "", "");
  std::ofstream(folder.File("plain")) << "x";
  server.SetReply({200, "text/plain", "body"});
  // A regular file in the way of the folder; a path that resolves to no disk file at all.
  for (const char* path : {"user:plain/cannot/be/here.bin", "nowhere:reply.bin"}) {
    TSimpleHttp http;
    http.Open(server.Url("/file").c_str(), false, path);
    http.Start(0);
    EXPECT_EQ(WaitForStatus(http), (uint32_t)TSimpleHttpRequest::kNoOutputFile) << path;
    EXPECT_EQ(http.GetData(), nullptr);
  }
}

TEST(SimpleHttpFailureTest, RefusedConnectionFailsWithALogLine) {
  TempFolder logFolder;
  SetLogPath(logFolder.Path().c_str());
  int port = UnusedLoopbackPort();
  for (bool post : {false, true}) {
    TSimpleHttp http;
    std::string url = "http://127.0.0.1:" + std::to_string(port) + "/x";
    http.Open(url.c_str(), post, nullptr);
    http.Start(0);
    EXPECT_EQ(WaitForStatus(http), (uint32_t)TSimpleHttpRequest::kFailed);
    EXPECT_EQ(http.GetData(), nullptr);
  }
  SetLogPath(nullptr);
  std::string log = ReadHostFile(logFolder.Path() + "/logfile.txt");
  // The plain GET fails while connecting; a POST connects lazily and fails on sending.
  EXPECT_NE(log.find("Error creating connection (InternetOpenUrl) 12029"), std::string::npos) << log;
  EXPECT_TRUE(WaitForNoLiveRequests());
}

TEST_F(SimpleHttpTest, ServerClosingWithoutReplyFails) {
  CannedReply drop;
  drop.dropConnection = true;
  server.SetReply(drop);
  TSimpleHttp http;
  http.Open(server.Url("/drop").c_str(), false, nullptr);
  http.Start(0);
  EXPECT_EQ(WaitForStatus(http), (uint32_t)TSimpleHttpRequest::kFailed);
}

TEST_F(SimpleHttpTest, TruncatedBodyFails) {
  // Announces more than it sends, then the server goes away mid-body.
  CannedReply slow{200, "text/plain", std::string(200000, 'z')};
  slow.chunkSize = 1000;
  slow.chunkDelayMs = 2;
  server.SetReply(slow);
  TSimpleHttp http;
  http.Open(server.Url("/slow").c_str(), false, nullptr);
  http.Start(0);
  ASSERT_TRUE(server.WaitForRequests(1, 3000));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  server.Stop();
  EXPECT_EQ(WaitForStatus(http), (uint32_t)TSimpleHttpRequest::kFailed);
}

TEST_F(SimpleHttpTest, SlowBodyAbandonedMidwayIsFreedByItsWorker) {
  // Would take about ten seconds to send in full.
  CannedReply slow{200, "text/plain", std::string(1000 * 1000, 's')};
  slow.chunkSize = 1000;
  slow.chunkDelayMs = 10;
  server.SetReply(slow);
  {
    TSimpleHttp http;
    http.Open(server.Url("/slow").c_str(), false, nullptr);
    http.Start(0);
    ASSERT_TRUE(server.WaitForRequests(1, 3000));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(http.GetStatus(), (uint32_t)TSimpleHttpRequest::kRunning);
    EXPECT_EQ(TSimpleHttpRequest::LiveCount(), 1);
  }  // the destructor abandons the running request
  EXPECT_TRUE(WaitForNoLiveRequests(3000));
}

TEST_F(SimpleHttpTest, SecondStartAbandonsTheFirst) {
  server.SetHandler([](const HttpRequestRecord& r) {
    CannedReply reply{200, "text/plain", r.path == "/slow" ? std::string(30000, 'f') : "second"};
    if (r.path == "/slow") {
      reply.chunkSize = 1000;
      reply.chunkDelayMs = 5;
    }
    return reply;
  });
  TSimpleHttp http;
  http.Open(server.Url("/slow").c_str(), false, nullptr);
  TSimpleHttpRequest* first = http.Start(0);
  ASSERT_NE(first, nullptr);
  ASSERT_TRUE(server.WaitForRequests(1, 3000));
  http.Open(server.Url("/fast").c_str(), false, nullptr);  // abandons the first
  EXPECT_EQ(http.GetStatus(), (uint32_t)TSimpleHttpRequest::kFailed);
  http.Start(0);
  ASSERT_EQ(WaitForStatus(http), (uint32_t)TSimpleHttpRequest::kComplete);
  EXPECT_STREQ(http.GetData(), "second");
  http.Open("", false, nullptr);
  EXPECT_TRUE(WaitForNoLiveRequests());
}

TEST_F(SimpleHttpTest, InvalidSessionHandleIsReplacedOnce) {
  server.SetReply({200, "text/plain", "again"});
  for (bool post : {false, true}) {
    TSimpleHttp http;
    http.Open(server.Url("/x").c_str(), post, nullptr);  // makes sure a session exists
    ASSERT_GE(WininetTestControl::CloseSessionHandles(), 1);
    http.Start(0);
    ASSERT_EQ(WaitForStatus(http), (uint32_t)TSimpleHttpRequest::kComplete) << post;
    EXPECT_STREQ(http.GetData(), "again");
  }
}

// A request has a time limit on the program's clock (a setting, clamped): a server that trickles
// its body, or holds its reply, ends the request as failed, by the GET and the POST way alike.
TEST_F(SimpleHttpTest, TheTimeLimitEndsSlowReplies) {
  TempFolder logFolder;
  SetLogPath(logFolder.Path().c_str());
  TestControl::UseManualClock(100000);
  const struct {
    const char* setting;  // null: the default of 60 s
    uint32_t within, past;  // clock steps: still running after the first, failed after both
    bool holds;            // the server holds its reply instead of trickling it
  } cases[] = {
      {nullptr, 59000, 2000, false},
      {nullptr, 59000, 2000, true},
      {"5", 4000, 2000, false},
      {"0", 500, 1000, false},  // clamped up to one second
  };
  for (bool post : {false, true}) {
    for (const auto& c : cases) {
      if (c.setting) SetSetting(kSettingHttpTimeLimit, c.setting);
      CannedReply slow{200, "text/plain", std::string(3000, 't')};
      if (c.holds) {
        slow.replyDelayMs = 20000;
      } else {
        slow.chunkSize = 10;  // ten seconds in all: far past the test
        slow.chunkDelayMs = 30;
      }
      server.SetReply(slow);
      size_t before = server.Requests().size();
      TSimpleHttp http;
      http.Open(server.Url("/slow").c_str(), post, nullptr);
      http.Start(0);
      ASSERT_TRUE(server.WaitForRequests(before + 1, 3000));
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      TestControl::AdvanceClock(c.within);
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      EXPECT_EQ(http.GetStatus(), (uint32_t)TSimpleHttpRequest::kRunning) << post << " " << c.within;
      TestControl::AdvanceClock(c.past);
      EXPECT_EQ(WaitForStatus(http, 3000), (uint32_t)TSimpleHttpRequest::kFailed) << post << " " << c.within;
      EXPECT_EQ(http.GetData(), nullptr);
      ClearSettingsForTest();
    }
  }
  TestControl::UseRealClock();
  SetLogPath(nullptr);
  std::string log = ReadHostFile(logFolder.Path() + "/logfile.txt");
  EXPECT_NE(log.find("HTTP request took longer than 60 s; it fails"), std::string::npos) << log;
  EXPECT_NE(log.find("HTTP request took longer than 5 s; it fails"), std::string::npos) << log;
  EXPECT_NE(log.find("HTTP request took longer than 1 s; it fails"), std::string::npos) << log;
}

// A reply kept in memory is text up to its NUL: one holding a NUL byte is refused rather than
// taken cut short. A body written to a file keeps every byte.
TEST_F(SimpleHttpTest, AReplyHoldingANulByteIsRefused) {
  TempFolder logFolder, folder;
  SetLogPath(logFolder.Path().c_str());
  SetDataFolders(folder.Path().c_str(), "", "");
  const std::string body("<ok/>\0<more/>", 13);
  server.SetReply({200, "text/xml", body});
  TSimpleHttp http;
  http.Open(server.Url("/nul").c_str(), false, nullptr);
  http.Start(0);
  EXPECT_EQ(WaitForStatus(http), (uint32_t)TSimpleHttpRequest::kFailed);
  EXPECT_EQ(http.GetData(), nullptr);
  http.Open(server.Url("/nul").c_str(), false, "user:reply.bin");
  http.Start(0);
  EXPECT_EQ(WaitForStatus(http), (uint32_t)TSimpleHttpRequest::kComplete);
  EXPECT_EQ(ReadHostFile(folder.Path() + "/reply.bin"), body);
  SetLogPath(nullptr);
  std::string log = ReadHostFile(logFolder.Path() + "/logfile.txt");
  EXPECT_NE(log.find("HTTP reply holds a NUL byte; refused as a bad reply"), std::string::npos) << log;
}

// HTTPS against a certificate made for the test and trusted by this test only.
class SimpleHttpsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    http.Open("", false, nullptr);  // lets go of the last request
    WininetTestControl::SetCaBundle(nullptr);
    server.Stop();
    EXPECT_TRUE(WaitForNoLiveRequests());
  }
  uint32_t Fetch(const std::string& url, bool post) {
    http.Open(url.c_str(), post, nullptr);
    http.AddParameter("q", std::string(400, 'w').c_str());  // longer than a 260-byte path
    http.Start(TSimpleHttpRequest::kFlagNoCache | TSimpleHttpRequest::kFlagIgnoreCertName);
    return WaitForStatus(http);
  }
  TempFolder folder;
  LoopbackServer server;
  TSimpleHttp http;
};

TEST_F(SimpleHttpsTest, TrustedCertificateWorksForGetAndPost) {
  TestCertificate cert = MakeTestCertificate(folder.Path(), "IP:127.0.0.1,DNS:localhost");
  ASSERT_TRUE(cert.ok);
  ASSERT_TRUE(server.Start(&cert));
  server.SetReply({200, "text/xml", "<hiscore/>"});
  WininetTestControl::SetCaBundle(cert.certFile.c_str());
  ASSERT_EQ(Fetch(server.Url("/go/hiscore"), false), (uint32_t)TSimpleHttpRequest::kComplete);
  EXPECT_STREQ(http.GetData(), "<hiscore/>");
  ASSERT_EQ(Fetch(server.Url("/go/hiscore"), true), (uint32_t)TSimpleHttpRequest::kComplete);
  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].target, "/go/hiscore?q=" + std::string(400, 'w'));
  EXPECT_EQ(requests[1].method, "POST");
  EXPECT_EQ(requests[1].body, "q=" + std::string(400, 'w'));
  EXPECT_EQ(requests[1].Header("content-type"), "application/x-www-form-urlencoded");
}

TEST_F(SimpleHttpsTest, CurlCaBundleEnvironmentIsHonoured) {
  TestCertificate cert = MakeTestCertificate(folder.Path(), "IP:127.0.0.1");
  ASSERT_TRUE(cert.ok);
  ASSERT_TRUE(server.Start(&cert));
  server.SetReply({200, "text/plain", "trusted"});
  // Set and cleared while no request runs, so no worker reads the environment meanwhile.
  setenv("CURL_CA_BUNDLE", cert.certFile.c_str(), 1);
  uint32_t status = Fetch(server.Url("/x"), false);
  unsetenv("CURL_CA_BUNDLE");
  ASSERT_EQ(status, (uint32_t)TSimpleHttpRequest::kComplete);
  EXPECT_STREQ(http.GetData(), "trusted");
}

TEST_F(SimpleHttpsTest, UnknownAuthorityIsRefused) {
  TestCertificate cert = MakeTestCertificate(folder.Path(), "IP:127.0.0.1,DNS:localhost");
  ASSERT_TRUE(cert.ok);
  ASSERT_TRUE(server.Start(&cert));
  // Default trust: the system store, which does not know the test's certificate.
  EXPECT_EQ(Fetch(server.Url("/go/hiscore"), false), (uint32_t)TSimpleHttpRequest::kFailed);
  EXPECT_EQ(http.GetData(), nullptr);
  EXPECT_TRUE(server.Requests().empty());
}

TEST_F(SimpleHttpsTest, WrongNameIsRefusedEvenWhenTheFlagAsksToIgnoreIt) {
  TestCertificate cert = MakeTestCertificate(folder.Path(), "DNS:somewhere-else.invalid");
  ASSERT_TRUE(cert.ok);
  ASSERT_TRUE(server.Start(&cert));
  WininetTestControl::SetCaBundle(cert.certFile.c_str());
  EXPECT_EQ(Fetch(server.Url("/go/hiscore"), false), (uint32_t)TSimpleHttpRequest::kFailed);
  EXPECT_EQ(Fetch(server.Url("/go/hiscore"), true), (uint32_t)TSimpleHttpRequest::kFailed);
  EXPECT_TRUE(server.Requests().empty());
}

}  // namespace
