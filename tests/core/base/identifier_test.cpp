// Tests of GUIDs, unique ids and the machine identifier.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "core/base/computer_id.h"
#include "core/base/guid.h"
#include "platform/test_control.h"
#include "platform/win32/win32.h"

namespace {
bool LooksLikeComputerId(const TStr& id) {
  if (id.Length() != 16) return false;
  for (int i = 0; i < 16; i += 2) {
    if (id[i] < '@' || id[i] > '_') return false;
    if (id[i + 1] < 'B' || id[i + 1] > 'P') return false;
  }
  return true;
}
}  // namespace

TEST(GuidTest, UniqueIdsAreThirtyTwoHexDigits) {
  const std::regex hex("^[0-9a-f]{32}$");
  std::set<std::string> seen;
  for (int i = 0; i < 50; ++i) {
    std::string id = MakeUniqueId().c_str();
    ASSERT_TRUE(std::regex_match(id, hex)) << id;
    seen.insert(id);
  }
  EXPECT_EQ(seen.size(), 50u);
  uint32_t a, b, c, d, e, f, g, h;
  CreateGuid(a, b, c, d);
  CreateGuid(e, f, g, h);
  EXPECT_FALSE(a == e && b == f && c == g && d == h);
}

TEST(ComputerIdTest, DerivedFromTheAdapterAddress) {
  const uint8_t mac[8] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x00, 0x00};
  EXPECT_STREQ(ComputerIdFromAddress(mac).c_str(), "QBSDQDWHQFFJWKDK");
  // Bytes 6 and 7 are replaced by bytes 3 and 4, whatever the adapter reported.
  const uint8_t other[8] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0xAB, 0xCD};
  EXPECT_STREQ(ComputerIdFromAddress(other).c_str(), "QBSDQDWHQFFJWKDK");
  const uint8_t ones[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_STREQ(ComputerIdFromAddress(ones).c_str(), "@B@C@D@E@F@G@H@I");
  const uint8_t alt[8] = {0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0, 0};
  EXPECT_TRUE(LooksLikeComputerId(ComputerIdFromAddress(alt)));
  EXPECT_STREQ(ComputerIdFromAddress(alt).c_str(), "_I_J_K_L_M@G_O@I");
}

TEST(ComputerIdTest, StableFromTheFirstAdapter) {
  ULONG size = 0;
  if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW) GTEST_SKIP() << "no network adapter";
  std::vector<uint8_t> buffer(size);
  ASSERT_EQ(GetAdaptersInfo((PIP_ADAPTER_INFO)buffer.data(), &size), (DWORD)ERROR_SUCCESS);
  TStr expect = ComputerIdFromAddress(((PIP_ADAPTER_INFO)buffer.data())->Address);
  EXPECT_STREQ(MakeComputerId().c_str(), expect.c_str());
  EXPECT_STREQ(MakeComputerId().c_str(), expect.c_str());
}

TEST(ComputerIdTest, FailingQueryGivesARandomIdentifier) {
  TestControl::FailAdapterQuery(true);
  TStr first = MakeComputerId();
  TStr second = MakeComputerId();
  EXPECT_TRUE(LooksLikeComputerId(first)) << first.c_str();
  EXPECT_TRUE(LooksLikeComputerId(second)) << second.c_str();
  EXPECT_NE(first, second);
  TestControl::FailAdapterQuery(false);
}
