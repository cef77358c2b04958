// GetDIBits: copies from a bitmap into a caller's DIB buffer.
#include "gdi_internal.h"

namespace {

// The caller's DIB described by a header, or false when its format is not supported.
// Scan line s of a bottom-up DIB is picture row (height - 1 - s); of a top-down DIB,
// row s.
bool DibSurface(const BITMAPINFO *info, void *bits, GdiSurface *surface) {
  const BITMAPINFOHEADER &header = info->bmiHeader;
  if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biWidth < 1 || header.biHeight == 0 ||
      header.biHeight == INT32_MIN || header.biWidth > (1 << 16))
    return false;
  int bitsPerPixel = header.biBitCount;
  if (bitsPerPixel != 24 && bitsPerPixel != 32) return false;
  if (header.biCompression == BI_BITFIELDS) {
    const DWORD *masks = reinterpret_cast<const DWORD *>(info->bmiColors);
    if (bitsPerPixel != 32 || masks[0] != 0xFF0000 || masks[1] != 0xFF00 || masks[2] != 0xFF) return false;
  } else if (header.biCompression != BI_RGB) {
    return false;
  }
  bool bottomUp = header.biHeight > 0;
  int height = bottomUp ? header.biHeight : -header.biHeight;
  *surface = GdiSurface{static_cast<uint8_t *>(bits),
                        header.biWidth,
                        height,
                        GdiDibStride(header.biWidth, bitsPerPixel),
                        bitsPerPixel,
                        bottomUp,
                        info->bmiColors};
  return true;
}

// Picture row of scan line `scan` of a DIB with this orientation and height.
int RowOfScan(const GdiSurface &dib, int scan) { return dib.bottomUp ? dib.height - 1 - scan : scan; }

// Memory row i of a buffer that holds scan lines from startScan on.
uint8_t *BufferRow(const GdiSurface &dib, int i) { return dib.bits + static_cast<ptrdiff_t>(i) * dib.stride; }

} // namespace

int GetDIBits(HDC dc, HBITMAP handle, UINT startScan, UINT lines, LPVOID bits, LPBITMAPINFO info, UINT) {
  std::lock_guard<std::recursive_mutex> lock(GdiLock());
  GdiBitmap *bitmap = GdiBitmapOf(handle);
  if (!GdiDcOf(dc) || !bitmap || !info) return 0;
  BITMAPINFOHEADER &header = info->bmiHeader;
  if (header.biSize < sizeof(BITMAPINFOHEADER)) return 0;

  if (!bits) {
    // Query: describe the bitmap, or (with a format given) size the image in that format.
    if (header.biBitCount == 0) {
      header.biWidth = bitmap->width;
      header.biHeight = bitmap->height;
      header.biPlanes = 1;
      header.biBitCount = static_cast<WORD>(bitmap->bitsPerPixel);
      header.biCompression = BI_RGB;
      header.biXPelsPerMeter = 0;
      header.biYPelsPerMeter = 0;
      header.biClrUsed = 0;
      header.biClrImportant = 0;
    }
    if (header.biWidth < 1 || header.biWidth > (1 << 16) || header.biBitCount > 32) return 0;
    int64_t height = header.biHeight < 0 ? -int64_t(header.biHeight) : header.biHeight;
    header.biSizeImage = static_cast<DWORD>(GdiDibStride(header.biWidth, header.biBitCount) * height);
    return bitmap->height;
  }

  GdiSurface dib;
  if (!DibSurface(info, bits, &dib)) return 0;
  GdiSurface source = GdiSurfaceOf(bitmap);
  int columns = std::min(dib.width, source.width);
  int copied = 0;
  for (UINT i = 0; i < lines; ++i) {
    int64_t scan = int64_t(startScan) + i;
    if (scan >= dib.height) break;
    int row = RowOfScan(dib, static_cast<int>(scan));
    if (row < 0 || row >= source.height) continue;
    const uint8_t *from = GdiSurfaceRow(source, row);
    uint8_t *to = BufferRow(dib, static_cast<int>(i));
    if (source.bitsPerPixel == dib.bitsPerPixel && source.bitsPerPixel != 1) {
      std::memcpy(to, from, static_cast<size_t>(columns) * (dib.bitsPerPixel / 8));
    } else {
      for (int x = 0; x < columns; ++x) GdiWritePixel(dib, to, x, GdiReadPixel(source, from, x));
    }
    ++copied;
  }
  return copied;
}
