// GDI bitmaps and icons of the Win32 stand-in: DIB sections with their memory, monochrome masks,
// cursors made from both with real pixels, the screen metrics tests set, and the rectangle helpers.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/test_control.h"
#include "platform/win32/win32.h"

namespace {

HBITMAP Dib32(int w, int h, uint32_t** bits, bool bitfields) {
  BITMAPV5HEADER header{};
  header.bV5Size = sizeof(header);
  header.bV5Width = w;
  header.bV5Height = -h;  // top-down
  header.bV5Planes = 1;
  header.bV5BitCount = 32;
  header.bV5Compression = bitfields ? BI_BITFIELDS : BI_RGB;
  header.bV5RedMask = 0xFF0000u;
  header.bV5GreenMask = 0xFF00u;
  header.bV5BlueMask = 0xFFu;
  header.bV5AlphaMask = 0xFF000000u;
  void* p = nullptr;
  HBITMAP b = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &p, nullptr, 0);
  *bits = static_cast<uint32_t*>(p);
  return b;
}

TEST(GdiTest, ACursorKeepsTheColourBitmapsOwnAlpha) {
  uint32_t* bits = nullptr;
  HBITMAP colour = Dib32(4, 2, &bits, true);
  ASSERT_NE(colour, nullptr);
  ASSERT_NE(bits, nullptr);
  for (int i = 0; i < 8; ++i) bits[i] = (uint32_t)(i * 0x20) << 24 | 0x123456u;
  HBITMAP mask = CreateBitmap(4, 2, 1, 1, nullptr);
  int before = TestControl::LiveIconCount();
  ICONINFO info{FALSE, 1, 1, mask, colour};
  HICON cursor = CreateIconIndirect(&info);
  ASSERT_NE(cursor, nullptr);
  // The icon took a copy: the bitmaps may go.
  EXPECT_TRUE(DeleteObject(colour));
  EXPECT_TRUE(DeleteObject(mask));
  EXPECT_FALSE(DeleteObject(mask));
  TestControl::IconImage image;
  ASSERT_TRUE(TestControl::GetIconImage(cursor, image));
  EXPECT_EQ(image.width, 4);
  EXPECT_EQ(image.height, 2);
  EXPECT_EQ(image.hotX, 1);
  EXPECT_FALSE(image.isIcon);
  EXPECT_EQ(image.argb[5], 0xA0123456u);
  EXPECT_EQ(TestControl::LiveIconCount(), before + 1);
  SetCursor(cursor);
  EXPECT_EQ(GetCursor(), cursor);
  SetCursor(nullptr);
  EXPECT_TRUE(DestroyIcon(cursor));
  EXPECT_FALSE(DestroyIcon(cursor));
  EXPECT_EQ(TestControl::LiveIconCount(), before);
}

TEST(GdiTest, WithoutAlphaTheMaskDecides) {
  uint32_t* bits = nullptr;
  HBITMAP colour = Dib32(8, 1, &bits, false);
  for (int i = 0; i < 8; ++i) bits[i] = 0x00FF0000u;
  // Rows of a monochrome bitmap are padded to 16 bits; the high bit is the leftmost pixel.
  const uint8_t maskBits[2] = {0xF0, 0x00};
  HBITMAP mask = CreateBitmap(8, 1, 1, 1, maskBits);
  ICONINFO info{TRUE, 0, 0, mask, colour};
  HICON icon = CreateIconIndirect(&info);
  ASSERT_NE(icon, nullptr);
  TestControl::IconImage image;
  ASSERT_TRUE(TestControl::GetIconImage(icon, image));
  EXPECT_TRUE(image.isIcon);
  EXPECT_EQ(image.hotX, 4);  // an icon's hot spot is its centre
  EXPECT_EQ(image.argb[0], 0x00FF0000u);
  EXPECT_EQ(image.argb[4], 0xFFFF0000u);
  DestroyIcon(icon);
  DeleteObject(colour);
  DeleteObject(mask);
}

TEST(GdiTest, BadRequestsAreRefused) {
  uint32_t* bits = nullptr;
  EXPECT_EQ(CreateBitmap(0, 4, 1, 1, nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(4, 4, 1, 8, nullptr), nullptr);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = 4;
  info.bmiHeader.biHeight = 4;
  info.bmiHeader.biBitCount = 16;
  void* p = &info;
  EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &p, nullptr, 0), nullptr);
  EXPECT_EQ(p, nullptr);
  ICONINFO none{FALSE, 0, 0, nullptr, nullptr};
  EXPECT_EQ(CreateIconIndirect(&none), nullptr);
  HBITMAP colour = Dib32(4, 4, &bits, true);
  HBITMAP smallMask = CreateBitmap(2, 2, 1, 1, nullptr);
  ICONINFO mismatched{FALSE, 0, 0, smallMask, colour};
  EXPECT_EQ(CreateIconIndirect(&mismatched), nullptr);
  DeleteObject(colour);
  DeleteObject(smallMask);
}

TEST(GdiTest, ScreenMetricsSetByATest) {
  TestControl::SetScreenMetrics(800, 600, 256, 8);
  HDC dc = GetDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 800);
  EXPECT_EQ(GetDeviceCaps(dc, VERTRES), 600);
  EXPECT_EQ(GetDeviceCaps(dc, NUMCOLORS), 256);
  EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 8);
  ReleaseDC(nullptr, dc);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
  RECT work;
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
  EXPECT_EQ(work.bottom, 600);
  TestControl::ResetFaults();
  dc = GetDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(dc, NUMCOLORS), -1);
  ReleaseDC(nullptr, dc);
}

TEST(GdiTest, RectangleHelpers) {
  RECT a{0, 0, 10, 10}, b{5, 5, 20, 20}, c{10, 0, 20, 5}, out;
  EXPECT_TRUE(IntersectRect(&out, &a, &b));
  EXPECT_EQ(out.left, 5);
  EXPECT_EQ(out.bottom, 10);
  EXPECT_FALSE(IntersectRect(&out, &a, &c));  // touching edges share nothing
  EXPECT_EQ(out.right, 0);
  OffsetRect(&a, 3, -2);
  EXPECT_EQ(a.left, 3);
  EXPECT_EQ(a.bottom, 8);
}

}  // namespace
