// Reading pixels back from images: single pixels and trimming to the visible area.
//
// The backend offers no way to map an image's pixels, only to draw them. So a rectangle is
// drawn twice into a probe target, once over transparent black and once over opaque white,
// and the probe is drawn into a DIB section over black. The first copy gives the stored
// (premultiplied) colour C; the second gives C + 255 - alpha, which yields the alpha.
#include "render_internal.h"

#include <algorithm>
#include <vector>

namespace {

// The probe target's pixels as BGRA, top-down rows of 2 * width pixels.
bool ReadProbe(ID2D1BitmapRenderTarget *probe, int32_t width, int32_t height, std::vector<uint8_t> *bgra) {
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) return false;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height; // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void *bits = nullptr;
  HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool read = false;
  if (dib) {
    HGDIOBJ old = SelectObject(dc, dib);
    if (_D2D_BindDC(MainRenderTarget, dc, 0, 0, width, height)) {
      _D2D_DrawToRenderTarget(probe, 0.0f, 0.0f, static_cast<float>(width), static_cast<float>(height),
                              MainRenderTarget, 0.0f, 0.0f);
      read = true;
    }
    SelectObject(dc, old);
    // GetDIBits rather than the section's bits: it waits for GDI to finish drawing.
    bgra->assign(static_cast<size_t>(width) * height * 4, 0);
    if (read) read = GetDIBits(dc, dib, 0, static_cast<UINT>(height), bgra->data(), &info, DIB_RGB_COLORS) > 0;
    DeleteObject(dib);
  }
  DeleteDC(dc);
  return read;
}

} // namespace

bool ReadRenderImagePixels(RenderImage *image, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t *out) {
  if (RenderBackend != RENDER_BACKEND_DIRECT2D || !MainRenderTarget || !image || !image->bitmap || width < 1 ||
      height < 1)
    return false;
  if (x < 0 || y < 0 || x + width > image->width || y + height > image->height) return false;
  ID2D1BitmapRenderTarget *probe = _D2D_CreateBitmapRenderTarget(MainRenderTarget, width * 2, height, 0);
  if (!probe) return false;
  float w = static_cast<float>(width), h = static_cast<float>(height);
  D2D1_RECT_F source = {static_cast<float>(x), static_cast<float>(y), static_cast<float>(x) + w,
                        static_cast<float>(y) + h};
  D2D1_RECT_F overBlack = {0.0f, 0.0f, w, h};
  D2D1_RECT_F overWhite = {w, 0.0f, 2.0f * w, h};
  _D2D_BeginDraw(probe);
  _D2D_FillSolidRectangle(probe, w, 0.0f, w, h, 0xFFFFFF, 1.0f);
  _D2D_DrawBitmap(image->bitmap, &source, probe, &overBlack, 1.0f);
  _D2D_DrawBitmap(image->bitmap, &source, probe, &overWhite, 1.0f);
  _D2D_EndDraw(probe);

  std::vector<uint8_t> bgra;
  bool read = ReadProbe(probe, width * 2, height, &bgra);
  _D2D_ReleaseBitmapTarget(probe);
  if (!read) return false;
  for (int32_t row = 0; row < height; row++) {
    const uint8_t *black = bgra.data() + static_cast<size_t>(row) * width * 8;
    const uint8_t *white = black + static_cast<size_t>(width) * 4;
    for (int32_t column = 0; column < width; column++, black += 4, white += 4) {
      // Over white each channel gains 255 - alpha; a channel that saturated (colour above
      // its alpha, not validly premultiplied) gains less, so the largest gain is the true one.
      int gain = 0;
      for (int c = 0; c < 3; c++) gain = std::max(gain, white[c] - black[c]);
      uint32_t alpha = static_cast<uint32_t>(255 - std::clamp(gain, 0, 255));
      *out++ = TkRGBA(black[2], black[1], black[0], alpha);
    }
  }
  return true;
}

uint32_t GetRenderImagePixel(RenderImage *image, int32_t x, int32_t y) {
  if (!image || x < 0 || y < 0 || x >= image->width || y >= image->height) return 0;
  uint32_t pixel = 0;
  return ReadRenderImagePixels(image, x, y, 1, 1, &pixel) ? pixel : 0;
}

RenderImage *TrimRenderImage(RenderImage *image, BorderMargins *margins, uint8_t sides) {
  if (!image) return nullptr;
  int32_t w = RenderImageWidth(image);
  int32_t h = RenderImageHeight(image);
  // One read of the whole image instead of one per pixel; an unreadable image counts as
  // having no visible pixel, as GetRenderImagePixel would report.
  std::vector<uint32_t> pixels(w > 0 && h > 0 ? static_cast<size_t>(w) * h : 0, 0);
  if (!pixels.empty()) ReadRenderImagePixels(image, 0, 0, w, h, pixels.data());
  auto visible = [&](int32_t x, int32_t y) { return TkAlpha(pixels[static_cast<size_t>(y) * w + x]) != 0; };

  if (sides == 0) sides = 1 | 2 | 4 | 8;
  int32_t left = 0, top = 0, right = w - 1, bottom = h - 1;
  if (sides & 1) {
    left = w;
    for (int32_t x = 0; x < w && left == w; x++)
      for (int32_t y = 0; y < h; y++)
        if (visible(x, y)) {
          left = x;
          break;
        }
  }
  if (sides & 2) {
    top = h;
    for (int32_t y = 0; y < h && top == h; y++)
      for (int32_t x = 0; x < w; x++)
        if (visible(x, y)) {
          top = y;
          break;
        }
  }
  if (sides & 4) {
    right = -1;
    for (int32_t x = w - 1; x >= 0 && right == -1; x--)
      for (int32_t y = 0; y < h; y++)
        if (visible(x, y)) {
          right = x;
          break;
        }
  }
  if (sides & 8) {
    bottom = -1;
    for (int32_t y = h - 1; y >= 0 && bottom == -1; y--)
      for (int32_t x = 0; x < w; x++)
        if (visible(x, y)) {
          bottom = y;
          break;
        }
  }
  right += 1;
  bottom += 1;
  if (margins) {
    margins->left = left;
    margins->top = top;
    margins->right = w - right;
    margins->bottom = h - bottom;
  }
  return GrabRenderImage(image, left, top, right - left, bottom - top);
}
