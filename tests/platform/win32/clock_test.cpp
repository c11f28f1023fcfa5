#include <gtest/gtest.h>

#include "platform/test_control.h"
#include "platform/win32/win32.h"

TEST(ClockTest, ManualClockAdvancesOnSleepAndWraps) {
  TestControl::UseManualClock(0xFFFFFFF0u);
  EXPECT_EQ(timeGetTime(), 0xFFFFFFF0u);
  Sleep(0x20);
  EXPECT_EQ(timeGetTime(), 0x10u);
  TestControl::AdvanceClock(5);
  EXPECT_EQ(GetTickCount(), 0x15u);
  TestControl::UseRealClock();
  EXPECT_FALSE(TestControl::IsManualClock());
}
