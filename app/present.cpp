#include "paint.h"
#include "app_state.h"

// A plain dark grey frame until the composed frame image is shown here.
static const uint32_t PlainFrameColor = 0x00303030; // premultiplied BGRA, opaque

void PresentFrame(HDC dc) {
  const int width = static_cast<int>(ViewWidth);
  const int height = static_cast<int>(ViewHeight);
  if (width <= 0 || height <= 0) return;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height; // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void *bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr) return;
  uint32_t *pixels = static_cast<uint32_t *>(bits);
  for (int64_t i = 0; i < static_cast<int64_t>(width) * height; i++) pixels[i] = 0xFF000000u | PlainFrameColor;
  HDC source = CreateCompatibleDC(dc);
  HGDIOBJ previous = SelectObject(source, bitmap);
  BitBlt(dc, 0, 0, width, height, source, 0, 0, SRCCOPY);
  SelectObject(source, previous);
  DeleteDC(source);
  DeleteObject(bitmap);
}
