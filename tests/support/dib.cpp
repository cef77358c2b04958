#include "dib.h"

#include <algorithm>

BITMAPINFO DibHeader(int width, int height, int bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = static_cast<WORD>(bits);
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

void PrintTo(const Bgra &p, std::ostream *out) {
  *out << "(B " << p.b << ", G " << p.g << ", R " << p.r << ", A " << p.a << ")";
}

HBITMAP MakeDibSection(int width, int height, int bits, uint8_t **pixels) {
  BITMAPINFO info = DibHeader(width, height, bits);
  void *memory = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
  if (pixels) *pixels = static_cast<uint8_t *>(memory);
  return bitmap;
}

TestDib MakeTestDib(int width, int height, uint32_t fill) {
  uint8_t *bits = nullptr;
  TestDib dib{};
  dib.bitmap = MakeDibSection(width, -height, 32, &bits);
  dib.pixels = reinterpret_cast<uint32_t *>(bits);
  dib.width = width;
  dib.height = height;
  if (dib.pixels) std::fill(dib.pixels, dib.pixels + static_cast<size_t>(width) * height, fill);
  dib.dc = CreateCompatibleDC(nullptr);
  dib.previous = SelectObject(dib.dc, dib.bitmap);
  return dib;
}

void FreeTestDib(TestDib *dib) {
  SelectObject(dib->dc, dib->previous);
  DeleteDC(dib->dc);
  DeleteObject(dib->bitmap);
  *dib = TestDib{};
}

HBITMAP MakeBitmap(int width, int height, int bits, const std::vector<uint8_t> &topDown) {
  uint8_t *pixels = nullptr;
  HBITMAP bitmap = MakeDibSection(width, -height, bits, &pixels);
  if (!bitmap) return nullptr;
  size_t rowBytes = static_cast<size_t>((width * bits / 8 + 3) / 4 * 4);
  size_t packed = static_cast<size_t>(width * bits / 8);
  for (size_t y = 0; y < static_cast<size_t>(height); y++)
    std::copy(topDown.begin() + static_cast<ptrdiff_t>(y * packed),
              topDown.begin() + static_cast<ptrdiff_t>((y + 1) * packed), pixels + y * rowBytes);
  return bitmap;
}

std::vector<Bgra> ReadBitmap(HANDLE handle, int width, int height) {
  BITMAPINFO info = DibHeader(width, -height, 32);
  std::vector<uint8_t> bytes(static_cast<size_t>(width) * height * 4);
  HDC dc = CreateCompatibleDC(nullptr);
  int lines =
      GetDIBits(dc, static_cast<HBITMAP>(handle), 0, static_cast<UINT>(height), bytes.data(), &info, DIB_RGB_COLORS);
  DeleteDC(dc);
  std::vector<Bgra> out;
  if (lines != height) return out;
  for (size_t i = 0; i < bytes.size(); i += 4) out.push_back({bytes[i], bytes[i + 1], bytes[i + 2], bytes[i + 3]});
  return out;
}

int BitmapDepth(HANDLE bitmap) {
  BITMAP info{};
  return GetObjectW(bitmap, sizeof(BITMAP), &info) ? info.bmBitsPixel : 0;
}

std::vector<uint32_t> ReadTargetPixels(ID2D1DCRenderTarget *dcTarget, ID2D1BitmapRenderTarget *target, int width,
                                       int height) {
  TestDib dib = MakeTestDib(width, height, 0x12345678);
  std::vector<uint32_t> pixels;
  RECT area{0, 0, width, height};
  ID2D1Bitmap *bitmap = nullptr;
  if (SUCCEEDED(dcTarget->BindDC(dib.dc, &area)) && SUCCEEDED(target->GetBitmap(&bitmap))) {
    dcTarget->BeginDraw();
    D2D1_COLOR_F clear{0, 0, 0, 0};
    dcTarget->Clear(&clear);
    D2D1_RECT_F rect{0, 0, static_cast<float>(width), static_cast<float>(height)};
    dcTarget->DrawBitmap(bitmap, &rect, 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, &rect);
    if (SUCCEEDED(dcTarget->EndDraw(nullptr, nullptr)))
      pixels.assign(dib.pixels, dib.pixels + static_cast<size_t>(width) * height);
    bitmap->Release();
  }
  FreeTestDib(&dib);
  return pixels;
}
