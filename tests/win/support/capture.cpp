#include "tests/win/support/capture.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>

namespace {

void PutBigEndian32(std::vector<std::uint8_t>* out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<std::uint8_t>(value >> shift));
}

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
  std::uint32_t crc = ~0u;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
  }
  return ~crc;
}

// Length, type, data, then the CRC over type and data.
void PutChunk(std::vector<std::uint8_t>* out, const char type[4], const std::vector<std::uint8_t>& data) {
  PutBigEndian32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t typeAt = out->size();
  out->insert(out->end(), type, type + 4);
  out->insert(out->end(), data.begin(), data.end());
  PutBigEndian32(out, Crc32(out->data() + typeAt, out->size() - typeAt));
}

// A PNG of 8-bit RGB rows with stored (uncompressed) deflate blocks.
std::vector<std::uint8_t> EncodePng(int width, int height, const std::uint8_t* rgb) {
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
  std::vector<std::uint8_t> raw;  // each scan line behind filter byte 0
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);
    raw.insert(raw.end(), rgb + rowBytes * y, rgb + rowBytes * (y + 1));
  }
  std::vector<std::uint8_t> zlib = {0x78, 0x01};
  std::size_t at = 0;
  std::uint32_t a = 1, b = 0;  // Adler-32
  for (std::uint8_t byte : raw) a = (a + byte) % 65521, b = (b + a) % 65521;
  do {
    const std::size_t n = std::min<std::size_t>(raw.size() - at, 65535);
    zlib.insert(zlib.end(), {static_cast<std::uint8_t>(at + n == raw.size()), static_cast<std::uint8_t>(n),
                             static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(~n),
                             static_cast<std::uint8_t>(~n >> 8)});
    zlib.insert(zlib.end(), raw.begin() + at, raw.begin() + at + n);
    at += n;
  } while (at < raw.size());
  PutBigEndian32(&zlib, (b << 16) | a);
  std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  std::vector<std::uint8_t> header;
  PutBigEndian32(&header, static_cast<std::uint32_t>(width));
  PutBigEndian32(&header, static_cast<std::uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, truecolour, deflate, adaptive, no interlace
  PutChunk(&png, "IHDR", header);
  PutChunk(&png, "IDAT", zlib);
  PutChunk(&png, "IEND", {});
  return png;
}

std::wstring CapturePath(const char* name) {
  wchar_t path[MAX_PATH];
  std::wstring folder(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
  folder.erase(folder.find_last_of(L"\\/") + 1);
  folder += L"..\\captures";
  CreateDirectoryW(folder.c_str(), nullptr);
  std::wstring file = folder + L"\\";
  for (const char* c = name; *c; ++c) file += static_cast<wchar_t>(static_cast<unsigned char>(*c));
  return file + L".png";
}

}  // namespace

namespace capture {

bool CaptureClientRgb(HWND window, int* width, int* height, std::vector<std::uint8_t>* rgb) {
  RECT client;
  if (!GetClientRect(window, &client)) return false;
  const int w = client.right - client.left, h = client.bottom - client.top;
  if (w <= 0 || h <= 0) return false;

  // Let the window and its children finish painting before reading pixels.
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  GdiFlush();

  HDC screen = GetDC(window);
  bool ok = false;
  const Painted shown = PaintInto(w, h, [&](HDC dc) { ok = BitBlt(dc, 0, 0, w, h, screen, 0, 0, SRCCOPY) != FALSE; });
  ReleaseDC(window, screen);
  if (!ok || shown.pixels.empty()) return false;
  rgb->clear();
  rgb->reserve(shown.pixels.size() * 3);
  for (COLORREF c : shown.pixels) rgb->insert(rgb->end(), {GetRValue(c), GetGValue(c), GetBValue(c)});
  *width = w;
  *height = h;
  return true;
}

}  // namespace capture

bool SaveWindowPng(HWND window, const char* name) {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
  if (!capture::CaptureClientRgb(window, &width, &height, &rgb)) return false;
  // A picture of one colour is a window that painted nothing.
  std::set<std::uint32_t> colours;
  for (size_t i = 0; i + 2 < rgb.size() && colours.size() < 2; i += 3)
    colours.insert(rgb[i] | rgb[i + 1] << 8 | rgb[i + 2] << 16);
  if (colours.size() < 2) return false;
  const std::vector<std::uint8_t> png = EncodePng(width, height, rgb.data());
  FILE* file = _wfopen(CapturePath(name).c_str(), L"wb");
  if (!file) return false;
  const bool written = fwrite(png.data(), 1, png.size(), file) == png.size();
  return fclose(file) == 0 && written;
}

Painted PaintInto(int width, int height, const std::function<void(HDC)>& draw) {
  Painted out;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP surface = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (surface && bits) {
    HGDIOBJ old = SelectObject(dc, surface);
    draw(dc);
    GdiFlush();
    const auto* p = static_cast<const std::uint32_t*>(bits);  // blue in the low byte
    out.width = width;
    out.height = height;
    out.pixels.reserve(static_cast<std::size_t>(width) * height);
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
  return PaintInto(client.right, client.bottom, [&](HDC dc) {
    SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), flags);
  });
}
