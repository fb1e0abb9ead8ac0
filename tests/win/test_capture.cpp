// The PNG writer the UI tests leave their pictures with: standard check
// values, and a decoder written here that reads the files back.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/win/support/capture.h"

namespace {

std::uint32_t BigEndian32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

struct Decoded {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
};

// Reads a PNG of stored deflate blocks; fails the test on any damage.
Decoded Decode(const std::vector<std::uint8_t>& png) {
  Decoded out;
  const std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  EXPECT_EQ(std::memcmp(png.data(), signature, 8), 0);
  std::vector<std::uint8_t> zlib;
  bool ended = false;
  for (std::size_t at = 8; at + 12 <= png.size() && !ended;) {
    const std::uint32_t length = BigEndian32(&png[at]);
    const std::string type(reinterpret_cast<const char*>(&png[at + 4]), 4);
    const std::uint8_t* data = &png[at + 8];
    EXPECT_EQ(BigEndian32(data + length), capture::Crc32(&png[at + 4], length + 4)) << type;
    if (type == "IHDR") {
      out.width = static_cast<int>(BigEndian32(data));
      out.height = static_cast<int>(BigEndian32(data + 4));
      EXPECT_EQ(data[8], 8);  // bits
      EXPECT_EQ(data[9], 2);  // truecolour
    } else if (type == "IDAT") {
      zlib.insert(zlib.end(), data, data + length);
    } else if (type == "IEND") {
      ended = true;
    }
    at += 12 + length;
  }
  EXPECT_TRUE(ended);
  EXPECT_EQ((zlib[0] * 256 + zlib[1]) % 31, 0);  // zlib header check
  std::vector<std::uint8_t> raw;
  std::size_t at = 2;
  for (bool last = false; !last;) {
    last = zlib[at] & 1;
    EXPECT_EQ(zlib[at] >> 1, 0);  // stored
    const unsigned n = zlib[at + 1] | (zlib[at + 2] << 8);
    const unsigned complement = zlib[at + 3] | (zlib[at + 4] << 8);
    EXPECT_EQ(n ^ 0xFFFFu, complement);
    raw.insert(raw.end(), zlib.begin() + static_cast<std::ptrdiff_t>(at + 5),
               zlib.begin() + static_cast<std::ptrdiff_t>(at + 5 + n));
    at += 5 + n;
  }
  EXPECT_EQ(BigEndian32(&zlib[at]), capture::Adler32(raw.data(), raw.size()));
  const std::size_t row = static_cast<std::size_t>(out.width) * 3;
  EXPECT_EQ(raw.size(), (row + 1) * static_cast<std::size_t>(out.height));
  for (int y = 0; y < out.height; ++y) {
    EXPECT_EQ(raw[(row + 1) * static_cast<std::size_t>(y)], 0);  // filter: none
    const auto begin = raw.begin() + static_cast<std::ptrdiff_t>((row + 1) * static_cast<std::size_t>(y) + 1);
    out.rgb.insert(out.rgb.end(), begin, begin + static_cast<std::ptrdiff_t>(row));
  }
  return out;
}

TEST(Capture, ChecksumsMatchTheirStandardCheckValues) {
  const char* digits = "123456789";
  EXPECT_EQ(capture::Crc32(reinterpret_cast<const std::uint8_t*>(digits), 9), 0xCBF43926u);
  const char* word = "Wikipedia";
  EXPECT_EQ(capture::Adler32(reinterpret_cast<const std::uint8_t*>(word), 9), 0x11E60398u);
  EXPECT_EQ(capture::Adler32(nullptr, 0), 1u);
}

TEST(Capture, EncodedImageDecodesToTheSamePixelsAcrossManyBlocks) {
  // 200 x 150 x 3 bytes: more than 65535, so several stored blocks.
  const int w = 200, h = 150;
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(w) * h * 3);
  for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>(i * 7 + i / 600);
  const Decoded d = Decode(capture::EncodePng(w, h, rgb.data()));
  EXPECT_EQ(d.width, w);
  EXPECT_EQ(d.height, h);
  EXPECT_EQ(d.rgb, rgb);
}

LRESULT CALLBACK Painter(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT left = {0, 0, 20, 30}, right = {20, 0, 40, 30};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0)), blue = CreateSolidBrush(RGB(0, 0, 255));
    FillRect(dc, &left, red);
    FillRect(dc, &right, blue);
    DeleteObject(red);
    DeleteObject(blue);
    EndPaint(window, &ps);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

TEST(Capture, SavedWindowShowsWhatTheWindowPainted) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = Painter;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"orlofxCaptureTest";
  RegisterClassW(&wc);
  HWND window = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 60, 60, 40, 30, nullptr, nullptr,
                                wc.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(SaveWindowPng(window, "capture_self_test"));
  DestroyWindow(window);

  FILE* file = _wfopen(capture::CapturePath("capture_self_test").c_str(), L"rb");
  ASSERT_NE(file, nullptr);
  std::vector<std::uint8_t> png;
  std::uint8_t buffer[4096];
  for (std::size_t n; (n = fread(buffer, 1, sizeof(buffer), file)) > 0;) png.insert(png.end(), buffer, buffer + n);
  fclose(file);
  const Decoded d = Decode(png);
  ASSERT_EQ(d.width, 40);
  ASSERT_EQ(d.height, 30);
  const std::uint8_t* leftPixel = &d.rgb[(5 * 40 + 5) * 3];
  const std::uint8_t* rightPixel = &d.rgb[(5 * 40 + 30) * 3];
  EXPECT_EQ(leftPixel[0], 255);
  EXPECT_EQ(leftPixel[2], 0);
  EXPECT_EQ(rightPixel[0], 0);
  EXPECT_EQ(rightPixel[2], 255);
}

}  // namespace
