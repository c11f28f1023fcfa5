// Tests of the log writer (stamp, fresh file per run, wrap-around, threads, errors on standard
// error) and TFailure.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/base/failure.h"
#include "core/base/log.h"
#include "tests/support/host_file.h"
#include "tests/support/temp_folder.h"

namespace {
class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mFolder = mTemp.Path() + "/user/data";
    SetLogPath(mFolder.c_str());
    mFile = mFolder + "/logfile.txt";
  }
  void TearDown() override { SetLogPath(nullptr); }

  TempFolder mTemp;
  std::string mFolder;
  std::string mFile;
};

const std::regex kEntry(R"(^(Sun|Mon|Tue|Wed|Thu|Fri|Sat) [A-Z][a-z]{2} \d{2} \d{2}:\d{2}:\d{2} \d{4}: (.*)$)");
}  // namespace

TEST_F(LogTest, EachRunStartsAFreshFileWithStampedEntries) {
  EXPECT_STREQ(GetLogPath().c_str(), mFile.c_str());
  LogPrintf("first %d", 1);
  // A second run over the same folder deletes the old log.
  SetLogPath(mFolder.c_str());
  LogPrintf("hello %d %s", 5, "x");
  LogPrintf("%s", "100%d literal");
  std::istringstream lines(ReadHostFile(mFile));
  std::string line;
  std::vector<std::string> messages;
  while (std::getline(lines, line)) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, kEntry)) << line;
    messages.push_back(m[2]);
  }
  EXPECT_EQ(messages, (std::vector<std::string>{"hello 5 x", "100%d literal"}));
}

TEST_F(LogTest, WrapsBackToTheMiddleWithTheBanner) {
  std::string filler(200, 'f');
  size_t size = 0;
  while (size <= kLogWrapLimit) {
    LogPrintf("%s", filler.c_str());
    size = ReadHostFile(mFile).size();
  }
  std::string before = ReadHostFile(mFile);
  LogPrintf("after the wrap");
  std::string after = ReadHostFile(mFile);
  // The old tail beyond the new entry is not truncated.
  EXPECT_EQ(after.size(), before.size());
  std::string banner(kLogWrapBanner);
  ASSERT_EQ(after.compare(kLogWrapTarget, banner.size(), banner), 0);
  size_t entryStart = kLogWrapTarget + banner.size();
  size_t entryEnd = after.find('\n', entryStart);
  std::string entry = after.substr(entryStart, entryEnd - entryStart);
  std::smatch m;
  ASSERT_TRUE(std::regex_match(entry, m, kEntry)) << entry;
  EXPECT_EQ(m[2], "after the wrap");
  EXPECT_EQ(after.compare(0, kLogWrapTarget, before, 0, kLogWrapTarget), 0);

  // The next entry follows on, with no second banner.
  LogPrintf("next");
  std::string again = ReadHostFile(mFile);
  EXPECT_EQ(again.find(banner, entryEnd), std::string::npos);
  EXPECT_NE(again.find(": next\n", entryEnd), std::string::npos);
}

TEST_F(LogTest, ThreadsNeverTearLines) {
  const int kThreads = 4, kEach = 150;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < kEach; ++i) LogPrintf("thread %d line %d %s", t, i, "abcdefghijklmnop");
    });
  }
  for (auto& th : threads) th.join();
  std::istringstream lines(ReadHostFile(mFile));
  std::string line;
  int count = 0;
  const std::regex body(R"(thread \d line \d+ abcdefghijklmnop)");
  while (std::getline(lines, line)) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, kEntry)) << line;
    std::string message = m[2];
    ASSERT_TRUE(std::regex_match(message, body)) << line;
    ++count;
  }
  EXPECT_EQ(count, kThreads * kEach);
}

TEST_F(LogTest, MemoryMaxFormAndLoggingOff) {
  SetLogPath("__MEMORYMAX__=123456");
  EXPECT_EQ(GetLogMemoryLimit(), 123456);
  EXPECT_STREQ(GetLogPath().c_str(), mFile.c_str());  // the path is untouched
  SetLogPath("__MEMORYMAX__=-5");
  EXPECT_EQ(GetLogMemoryLimit(), 0);
  SetLogPath("__MEMORYMAX__=99999999999");
  EXPECT_EQ(GetLogMemoryLimit(), 2147483647);

  SetLogPath(nullptr);
  EXPECT_STREQ(GetLogPath().c_str(), "");
  LogPrintf("dropped");
  EXPECT_EQ(ReadHostFile(mFile), "");
}

TEST_F(LogTest, UnopenableFileDropsEntries) {
  std::string blocker = mTemp.File("plainfile");
  std::ofstream(blocker) << "x";
  SetLogPath((blocker + "/sub").c_str());  // a folder under a plain file cannot exist
  LogPrintf("nowhere to go");
  EXPECT_EQ(ReadHostFile(blocker), "x");
}

TEST_F(LogTest, FailureReporterLogsSourcePosition) {
  ASSERT_NE(gFailure, nullptr);
  gFailure->Report("parameter index out of range", 42, "particles.cpp");
  std::string text = ReadHostFile(mFile);
  EXPECT_NE(text.find(": particles.cpp(42): parameter index out of range\n"), std::string::npos) << text;
}

// An error goes to the file as any entry does and, as its message alone, to standard error;
// ordinary entries stay in the file.
TEST_F(LogTest, ErrorsAlsoGoToStandardError) {
  testing::internal::CaptureStderr();
  LogPrintf("just a note");
  LogError("Lua error: %s", "mainloop.lua:3: boom");
  LogError("parse error!\n");
  SetLogPath(nullptr);
  LogError("while the log is off");
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "Lua error: mainloop.lua:3: boom\nparse error!\nwhile the log is off\n");

  std::istringstream file(ReadHostFile(mFile));
  std::vector<std::string> messages;
  std::smatch m;
  for (std::string line; std::getline(file, line);)
    if (std::regex_match(line, m, kEntry)) messages.push_back(m[2]);
  EXPECT_EQ(messages, (std::vector<std::string>{"just a note", "Lua error: mainloop.lua:3: boom", "parse error!"}));
}
