#include "tests/win/support/capture.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>

namespace {

void PutBigEndian32(std::vector<std::uint8_t>* out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<std::uint8_t>(value >> shift));
}

// Length, type, data, then the CRC-32 over type and data.
void PutChunk(std::vector<std::uint8_t>* out, const char type[4], const std::vector<std::uint8_t>& data) {
  PutBigEndian32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t typeAt = out->size();
  out->insert(out->end(), type, type + 4);
  out->insert(out->end(), data.begin(), data.end());
  std::uint32_t crc = ~0u;
  for (std::size_t i = typeAt; i < out->size(); ++i) {
    crc ^= (*out)[i];
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
  }
  PutBigEndian32(out, ~crc);
}

// A PNG of 8-bit RGB rows: each behind filter byte 0, in stored (uncompressed)
// deflate blocks of a zlib stream.
std::vector<std::uint8_t> EncodePng(int width, int height, const std::uint8_t* rgb) {
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
  std::vector<std::uint8_t> raw, zlib = {0x78, 0x01}, header, png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);
    raw.insert(raw.end(), rgb + rowBytes * y, rgb + rowBytes * (y + 1));
  }
  std::uint32_t a = 1, b = 0;  // Adler-32
  for (std::uint8_t byte : raw) a = (a + byte) % 65521, b = (b + a) % 65521;
  for (std::size_t at = 0; at < raw.size();) {
    const std::size_t n = std::min<std::size_t>(raw.size() - at, 65535);
    const auto byte = [](std::size_t v) { return static_cast<std::uint8_t>(v); };
    zlib.insert(zlib.end(), {byte(at + n == raw.size()), byte(n), byte(n >> 8), byte(~n), byte(~n >> 8)});
    zlib.insert(zlib.end(), raw.begin() + at, raw.begin() + at + n);
    at += n;
  }
  PutBigEndian32(&zlib, (b << 16) | a);
  PutBigEndian32(&header, static_cast<std::uint32_t>(width));
  PutBigEndian32(&header, static_cast<std::uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, truecolour, deflate, adaptive, no interlace
  PutChunk(&png, "IHDR", header);
  PutChunk(&png, "IDAT", zlib);
  PutChunk(&png, "IEND", {});
  return png;
}

}  // namespace

bool capture::CaptureClientRgb(HWND window, int* width, int* height, std::vector<std::uint8_t>* rgb) {
  RECT client = {};
  if (!GetClientRect(window, &client) || client.right <= 0 || client.bottom <= 0) return false;
  // Let the window and its children finish painting before reading pixels.
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  GdiFlush();
  HDC screen = GetDC(window);
  bool ok = false;
  const Painted shown = PaintInto(client.right, client.bottom, [&](HDC dc) {
    ok = BitBlt(dc, 0, 0, client.right, client.bottom, screen, 0, 0, SRCCOPY) != FALSE;
  });
  ReleaseDC(window, screen);
  if (!ok || shown.pixels.empty()) return false;
  rgb->clear();
  for (COLORREF c : shown.pixels) rgb->insert(rgb->end(), {GetRValue(c), GetGValue(c), GetBValue(c)});
  *width = client.right, *height = client.bottom;
  return true;
}

bool SaveWindowPng(HWND window, const char* name) {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
  if (!capture::CaptureClientRgb(window, &width, &height, &rgb)) return false;
  std::set<std::uint32_t> colours;  // a picture of one colour is a window that painted nothing
  for (size_t i = 0; i + 2 < rgb.size() && colours.size() < 2; i += 3)
    colours.insert(rgb[i] | rgb[i + 1] << 8 | rgb[i + 2] << 16);
  if (colours.size() < 2) return false;
  // <folder of the test program>/../captures/<name>.png
  wchar_t path[MAX_PATH];
  std::wstring file(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
  file.erase(file.find_last_of(L"\\/") + 1);
  file += L"..\\captures";
  CreateDirectoryW(file.c_str(), nullptr);
  file += L"\\" + std::wstring(name, name + std::char_traits<char>::length(name)) + L".png";
  const std::vector<std::uint8_t> png = EncodePng(width, height, rgb.data());
  FILE* out = _wfopen(file.c_str(), L"wb");
  if (!out) return false;
  const bool written = fwrite(png.data(), 1, png.size(), out) == png.size();
  return fclose(out) == 0 && written;
}

Painted PaintInto(int width, int height, const std::function<void(HDC)>& draw) {
  Painted out;
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};  // top row first
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP surface = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (surface && bits) {
    HGDIOBJ old = SelectObject(dc, surface);
    draw(dc);
    GdiFlush();
    const auto* p = static_cast<const std::uint32_t*>(bits);  // blue in the low byte
    out.width = width, out.height = height;
    for (std::size_t i = 0; i < static_cast<std::size_t>(width) * height; ++i)
      out.pixels.push_back(RGB((p[i] >> 16) & 0xFF, (p[i] >> 8) & 0xFF, p[i] & 0xFF));
    SelectObject(dc, old);
    DeleteObject(surface);
  }
  DeleteDC(dc);
  return out;
}

Painted PrintClient(HWND window, UINT flags) {
  RECT client = {};
  GetClientRect(window, &client);
  return PaintInto(client.right, client.bottom,
                   [&](HDC dc) { SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), flags); });
}
