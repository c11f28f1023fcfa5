// Pictures checked against golden PNGs of the source tree, which were looked at by eye when they
// were made; with ORVELLA_UPDATE_GOLDEN=1 in the environment the picture is written as the new
// golden instead of being compared. For tests that link the platform library.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/directx/directx_test_control.h"

// path is relative to the source tree. update false never writes (a second picture that must
// match a golden another one made).
inline void ExpectGolden(const std::vector<uint32_t>& pixels, int width, int height, const std::string& path,
                         bool update = true) {
  std::string full = std::string(getenv("ORVELLA_SOURCE_DIR")) + "/" + path;
  const char* rewrite = getenv("ORVELLA_UPDATE_GOLDEN");
  if (update && rewrite && std::string(rewrite) == "1") {
    ASSERT_TRUE(TestControl::Display::WritePng(full, pixels.data(), width, height, width));
    return;
  }
  std::vector<uint32_t> golden;
  int w = 0, h = 0;
  ASSERT_TRUE(TestControl::Display::ReadPng(full, golden, w, h)) << full;
  ASSERT_EQ(w, width) << path;
  ASSERT_EQ(h, height) << path;
  int bad = 0;
  for (size_t i = 0; i < golden.size(); i++)
    if (pixels[i] != golden[i] && bad++ < 5)
      ADD_FAILURE() << path << ": pixel (" << i % width << ", " << i / width << ") is " << std::hex << pixels[i]
                    << ", golden " << golden[i];
  EXPECT_EQ(bad, 0) << path << ": pixels differ from the golden picture";
}
