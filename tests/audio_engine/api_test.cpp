// The shared library from outside: exactly four exports, callable before and after a start.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

#include "tests/support/run_tool.h"

namespace {
std::string LibraryPath() { return ToolPath("libVexaAPI.so"); }
}  // namespace

TEST(VexaApi, ShowsExactlyTheFourExports) {
  std::string out;
  FILE* p = popen(("nm -D --defined-only " + LibraryPath() + " 2>&1").c_str(), "r");
  ASSERT_NE(p, nullptr);
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  ASSERT_EQ(pclose(p), 0) << out;
  std::set<std::string> names;
  std::istringstream lines(out);
  std::string address, kind, name;
  while (lines >> address >> kind >> name) names.insert(name);
  EXPECT_EQ(names, (std::set<std::string>{"VexaEvent", "VexaEvent_F", "VexaInit", "VexaShutdown"}));
}

TEST(VexaApi, CallsBeforeAStartDoNothing) {
  void* library = dlopen(LibraryPath().c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  auto event = (void (*)(const char*, ...))dlsym(library, "VexaEvent");
  auto eventF = (void (*)(const char*, float))dlsym(library, "VexaEvent_F");
  auto shutdown = (void (*)())dlsym(library, "VexaShutdown");
  ASSERT_TRUE(event && eventF && shutdown && dlsym(library, "VexaInit"));
  event("Music Volume", 0.5);
  eventF("Music Volume", 0.5f);
  event("Pause");
  shutdown();
  shutdown();  // twice: only unmounts nothing and clears nothing
  dlclose(library);
}
