// Bit-block transfers between the bitmaps of memory DCs: BitBlt, GdiAlphaBlend and
// GdiTransparentBlt.
#include "gdi_internal.h"

#include <algorithm>
#include <vector>

namespace {

// The pixels of a memory DC's bitmap; false for a foreign value.
bool DcSurface(HDC dc, GdiSurface *surface) {
  GdiDc *record = GdiDcOf(dc);
  if (!record) return false;
  GdiBitmap *bitmap = GdiBitmapOf(record->bitmap);
  if (!bitmap) return false;
  *surface = GdiSurfaceOf(bitmap);
  return true;
}

uint8_t Blend(int source, int destination, int inverseAlpha) {
  return static_cast<uint8_t>(std::min(255, source + (destination * inverseAlpha + 127) / 255));
}

} // namespace

BOOL BitBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, DWORD rop) {
  std::lock_guard<std::recursive_mutex> lock(GdiLock());
  GdiSurface to;
  if (!DcSurface(destination, &to)) return FALSE;
  bool fill = rop == BLACKNESS || rop == WHITENESS;
  GdiSurface from{};
  if (!fill && (rop != SRCCOPY || !DcSurface(source, &from))) return FALSE;
  if (width <= 0 || height <= 0) return TRUE;

  // Clip to the destination, then (for a copy) to the source, in 64 bits so that
  // extreme coordinates cannot overflow.
  int64_t left = std::max<int64_t>(0, -int64_t(x));
  int64_t top = std::max<int64_t>(0, -int64_t(y));
  int64_t right = std::min<int64_t>(width, int64_t(to.width) - x);
  int64_t bottom = std::min<int64_t>(height, int64_t(to.height) - y);
  if (!fill) {
    left = std::max<int64_t>(left, -int64_t(sourceX));
    top = std::max<int64_t>(top, -int64_t(sourceY));
    right = std::min<int64_t>(right, int64_t(from.width) - sourceX);
    bottom = std::min<int64_t>(bottom, int64_t(from.height) - sourceY);
  }
  if (left >= right || top >= bottom) return TRUE;
  int columns = static_cast<int>(right - left);

  if (fill) {
    uint32_t pixel = rop == WHITENESS ? 0x00FFFFFF : 0;
    for (int64_t j = top; j < bottom; ++j) {
      uint8_t *row = GdiSurfaceRow(to, static_cast<int>(y + j));
      for (int i = 0; i < columns; ++i) GdiWritePixel(to, row, static_cast<int>(x + left + i), pixel);
    }
    return TRUE;
  }

  // Rows go through a scratch line. Within one bitmap, a copy that moves down visits the
  // rows bottom first, so no source row is overwritten before it is read.
  bool upward = from.bits == to.bits && int64_t(sourceY) < y;
  std::vector<uint32_t> line(static_cast<size_t>(columns));
  for (int64_t n = 0; n < bottom - top; ++n) {
    int64_t j = upward ? bottom - 1 - n : top + n;
    const uint8_t *fromRow = GdiSurfaceRow(from, static_cast<int>(sourceY + j));
    uint8_t *toRow = GdiSurfaceRow(to, static_cast<int>(y + j));
    for (int i = 0; i < columns; ++i) line[i] = GdiReadPixel(from, fromRow, static_cast<int>(sourceX + left + i));
    for (int i = 0; i < columns; ++i) GdiWritePixel(to, toRow, static_cast<int>(x + left + i), line[i]);
  }
  return TRUE;
}

// Both stretching blits walk the destination rectangle the same way: the source rectangle
// must lie inside the source bitmap (as Windows demands), the destination is clipped to its
// bitmap, and each destination pixel takes the source pixel under its centre, as Windows
// stretches: destination pixel i of n samples source pixel floor((i + 0.5) * m / n) of m.
// (The pixel under its left edge would shift an enlarged picture towards the top left and
// never reach the last source column or row of a shrunk one.)
namespace {

// Source index under the centre of destination pixel i, in whole numbers.
int CentreSample(int i, int sourceLength, int length) {
  return static_cast<int>((2 * int64_t(i) + 1) * sourceLength / (2 * int64_t(length)));
}

template <typename PixelStep>
BOOL StretchEachPixel(const GdiSurface &to, const GdiSurface &from, int x, int y, int width, int height, int sourceX,
                      int sourceY, int sourceWidth, int sourceHeight, PixelStep step) {
  if (width <= 0 || height <= 0 || sourceWidth <= 0 || sourceHeight <= 0) return FALSE;
  if (sourceX < 0 || sourceY < 0 || int64_t(sourceX) + sourceWidth > from.width ||
      int64_t(sourceY) + sourceHeight > from.height)
    return FALSE;
  for (int j = 0; j < height; ++j) {
    int64_t ty = int64_t(y) + j;
    if (ty < 0 || ty >= to.height) continue;
    int sy = sourceY + CentreSample(j, sourceHeight, height);
    const uint8_t *fromRow = GdiSurfaceRow(from, sy);
    uint8_t *toRow = GdiSurfaceRow(to, static_cast<int>(ty));
    for (int i = 0; i < width; ++i) {
      int64_t tx = int64_t(x) + i;
      if (tx < 0 || tx >= to.width) continue;
      int sx = sourceX + CentreSample(i, sourceWidth, width);
      step(fromRow, sx, toRow, static_cast<int>(tx));
    }
  }
  return TRUE;
}

} // namespace

BOOL GdiAlphaBlend(HDC destination, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                   int sourceWidth, int sourceHeight, BLENDFUNCTION blend) {
  std::lock_guard<std::recursive_mutex> lock(GdiLock());
  GdiSurface to, from;
  if (!DcSurface(destination, &to) || !DcSurface(source, &from)) return FALSE;
  if (blend.BlendOp != AC_SRC_OVER || to.bitsPerPixel != 32 || from.bitsPerPixel != 32) return FALSE;
  int constant = blend.SourceConstantAlpha;
  bool perPixel = blend.AlphaFormat & AC_SRC_ALPHA;
  return StretchEachPixel(to, from, x, y, width, height, sourceX, sourceY, sourceWidth, sourceHeight,
                          [&](const uint8_t *fromRow, int sx, uint8_t *toRow, int tx) {
                            const uint8_t *s = fromRow + sx * 4;
                            uint8_t *d = toRow + tx * 4;
                            // Source channels scaled by the constant alpha; with per-pixel alpha
                            // the source is premultiplied and covers the destination by its own
                            // (scaled) alpha.
                            int scaled[4];
                            for (int c = 0; c < 4; ++c) scaled[c] = (s[c] * constant + 127) / 255;
                            int inverse = perPixel ? 255 - scaled[3] : 255 - constant;
                            for (int c = 0; c < 4; ++c) d[c] = Blend(scaled[c], d[c], inverse);
                          });
}

BOOL GdiTransparentBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                       int sourceWidth, int sourceHeight, UINT transparentColor) {
  std::lock_guard<std::recursive_mutex> lock(GdiLock());
  GdiSurface to, from;
  if (!DcSurface(destination, &to) || !DcSurface(source, &from)) return FALSE;
  // COLORREF is 0x00BBGGRR; pixels travel as 0xAARRGGBB.
  uint32_t key = GetBValue(transparentColor) | uint32_t(GetGValue(transparentColor)) << 8 |
                 uint32_t(GetRValue(transparentColor)) << 16;
  return StretchEachPixel(to, from, x, y, width, height, sourceX, sourceY, sourceWidth, sourceHeight,
                          [&](const uint8_t *fromRow, int sx, uint8_t *toRow, int tx) {
                            uint32_t pixel = GdiReadPixel(from, fromRow, sx);
                            if ((pixel & 0xFFFFFF) != key) GdiWritePixel(to, toRow, tx, pixel);
                          });
}
