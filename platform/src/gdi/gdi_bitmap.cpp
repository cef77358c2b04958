// GDI bitmaps: DIB sections and device-dependent bitmaps, their records, GetObjectW,
// DeleteObject and the pixel helpers.
#include "gdi_pixels.h"
#include "gdi_internal.h"

// Every handle the platform gives out is registered in the kernel's handle table.
#include "kernel/handles.h"

#include <cstdlib>

// ---------------------------------------------------------------------------------------
// Records
// ---------------------------------------------------------------------------------------

std::recursive_mutex &GdiLock() {
  static std::recursive_mutex mutex;
  return mutex;
}

GdiBitmap *GdiBitmapOf(const void *handle) {
  return static_cast<GdiBitmap *>(HandleLookup(handle, HandleKind::Bitmap));
}

GdiDc *GdiDcOf(const void *handle) { return static_cast<GdiDc *>(HandleLookup(handle, HandleKind::Dc)); }

namespace {

// Larger bitmaps than this are refused rather than risking overflow in row arithmetic.
constexpr int64_t MaximumBitmapBytes = int64_t(1) << 31;
constexpr int MaximumBitmapSide = 1 << 16;

constexpr RGBQUAD BlackAndWhite[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};

} // namespace

HBITMAP GdiNewBitmap(int width, int height, int bitsPerPixel, bool dibSection, bool bottomUp) {
  if (width < 1 || height < 1 || width > MaximumBitmapSide || height > MaximumBitmapSide) return nullptr;
  if (bitsPerPixel != 1 && bitsPerPixel != 24 && bitsPerPixel != 32) return nullptr;
  int stride = dibSection ? GdiDibStride(width, bitsPerPixel) : ((width * bitsPerPixel + 15) / 16) * 2;
  int64_t bytes = static_cast<int64_t>(stride) * height;
  if (bytes > MaximumBitmapBytes) return nullptr;
  uint8_t *bits = static_cast<uint8_t *>(std::calloc(static_cast<size_t>(bytes), 1));
  if (!bits) return nullptr;
  GdiBitmap *bitmap = new GdiBitmap{};
  bitmap->width = width;
  bitmap->height = height;
  bitmap->bitsPerPixel = bitsPerPixel;
  bitmap->stride = stride;
  bitmap->bottomUp = dibSection && bottomUp;
  bitmap->dibSection = dibSection;
  bitmap->bits = bits;
  bitmap->palette[0] = BlackAndWhite[0];
  bitmap->palette[1] = BlackAndWhite[1];
  return static_cast<HBITMAP>(HandleAdd(HandleKind::Bitmap, bitmap));
}

// ---------------------------------------------------------------------------------------
// Pixels
// ---------------------------------------------------------------------------------------

GdiSurface GdiSurfaceOf(GdiBitmap *bitmap) {
  return GdiSurface{bitmap->bits,         bitmap->width,    bitmap->height, bitmap->stride,
                    bitmap->bitsPerPixel, bitmap->bottomUp, bitmap->palette};
}

uint8_t *GdiSurfaceRow(const GdiSurface &surface, int y) {
  int memoryRow = surface.bottomUp ? surface.height - 1 - y : y;
  return surface.bits + static_cast<ptrdiff_t>(memoryRow) * surface.stride;
}

uint32_t GdiReadPixel(const GdiSurface &surface, const uint8_t *row, int x) {
  switch (surface.bitsPerPixel) {
  case 32: {
    const uint8_t *p = row + x * 4;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  }
  case 24: {
    const uint8_t *p = row + x * 3;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
  }
  default: {
    int bit = (row[x >> 3] >> (7 - (x & 7))) & 1;
    const RGBQUAD &c = surface.palette[bit];
    return uint32_t(c.rgbBlue) | uint32_t(c.rgbGreen) << 8 | uint32_t(c.rgbRed) << 16;
  }
  }
}

void GdiWritePixel(const GdiSurface &surface, uint8_t *row, int x, uint32_t pixel) {
  switch (surface.bitsPerPixel) {
  case 32: {
    uint8_t *p = row + x * 4;
    p[0] = uint8_t(pixel);
    p[1] = uint8_t(pixel >> 8);
    p[2] = uint8_t(pixel >> 16);
    p[3] = uint8_t(pixel >> 24);
    break;
  }
  case 24: {
    uint8_t *p = row + x * 3;
    p[0] = uint8_t(pixel);
    p[1] = uint8_t(pixel >> 8);
    p[2] = uint8_t(pixel >> 16);
    break;
  }
  default: {
    bool set = (pixel & 0xFFFFFF) == 0xFFFFFF;
    uint8_t mask = uint8_t(0x80 >> (x & 7));
    if (set)
      row[x >> 3] |= mask;
    else
      row[x >> 3] &= uint8_t(~mask);
  }
  }
}

// ---------------------------------------------------------------------------------------
// Creation
// ---------------------------------------------------------------------------------------

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO *info, UINT usage, void **bits, HANDLE section, DWORD) {
  if (bits) *bits = nullptr;
  std::lock_guard<std::recursive_mutex> lock(GdiLock());
  if (!info || section || (dc && !GdiDcOf(dc))) return nullptr;
  const BITMAPINFOHEADER &header = info->bmiHeader;
  if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biPlanes != 1 || header.biHeight == 0 ||
      header.biHeight == INT32_MIN)
    return nullptr;
  if (header.biCompression == BI_BITFIELDS) {
    // Only the masks of plain BGRA are supported; they follow the header.
    const DWORD *masks = reinterpret_cast<const DWORD *>(info->bmiColors);
    if (header.biBitCount != 32 || masks[0] != 0xFF0000 || masks[1] != 0xFF00 || masks[2] != 0xFF) return nullptr;
  } else if (header.biCompression != BI_RGB) {
    return nullptr;
  }
  bool bottomUp = header.biHeight > 0;
  int height = bottomUp ? header.biHeight : -header.biHeight;
  HBITMAP handle = GdiNewBitmap(header.biWidth, height, header.biBitCount, true, bottomUp);
  if (!handle) return nullptr;
  GdiBitmap *bitmap = GdiBitmapOf(handle);
  if (header.biBitCount == 1 && usage == DIB_RGB_COLORS) {
    bitmap->palette[0] = info->bmiColors[0];
    bitmap->palette[1] = info->bmiColors[1];
  }
  if (bits) *bits = bitmap->bits;
  return handle;
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void *bits) {
  if (planes != 1) return nullptr;
  std::lock_guard<std::recursive_mutex> lock(GdiLock());
  HBITMAP handle = GdiNewBitmap(width, height, static_cast<int>(bitsPerPixel), false, false);
  if (!handle) return nullptr;
  GdiBitmap *bitmap = GdiBitmapOf(handle);
  if (bits) std::memcpy(bitmap->bits, bits, static_cast<size_t>(bitmap->stride) * bitmap->height);
  return handle;
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  std::lock_guard<std::recursive_mutex> lock(GdiLock());
  GdiDc *record = dc ? GdiDcOf(dc) : nullptr;
  if (dc && !record) return nullptr;
  if (!record) return GdiNewBitmap(width, height, 32, false, false);
  GdiBitmap *held = GdiBitmapOf(record->bitmap);
  if (!held) return nullptr;
  // A memory DC compatible bitmap takes the format of the bitmap the DC holds, so a new
  // memory DC (with its 1 x 1 monochrome bitmap) gives a monochrome bitmap, as on Windows.
  return GdiNewBitmap(width, height, held->bitsPerPixel, held->dibSection, held->bottomUp);
}

// ---------------------------------------------------------------------------------------
// Queries and deletion
// ---------------------------------------------------------------------------------------

int GetObjectW(HANDLE object, int size, LPVOID buffer) {
  std::lock_guard<std::recursive_mutex> lock(GdiLock());
  GdiBitmap *bitmap = GdiBitmapOf(object);
  if (!bitmap) return 0;
  if (!buffer) return sizeof(BITMAP);
  BITMAP info{};
  info.bmType = 0;
  info.bmWidth = bitmap->width;
  info.bmHeight = bitmap->height;
  info.bmWidthBytes = bitmap->stride;
  info.bmPlanes = 1;
  info.bmBitsPixel = static_cast<WORD>(bitmap->bitsPerPixel);
  info.bmBits = bitmap->dibSection ? bitmap->bits : nullptr;
  if (bitmap->dibSection && size >= static_cast<int>(sizeof(DIBSECTION))) {
    DIBSECTION section{};
    section.dsBm = info;
    section.dsBmih.biSize = sizeof(BITMAPINFOHEADER);
    section.dsBmih.biWidth = bitmap->width;
    section.dsBmih.biHeight = bitmap->bottomUp ? bitmap->height : -bitmap->height;
    section.dsBmih.biPlanes = 1;
    section.dsBmih.biBitCount = static_cast<WORD>(bitmap->bitsPerPixel);
    section.dsBmih.biCompression = BI_RGB;
    section.dsBmih.biSizeImage = static_cast<DWORD>(bitmap->stride) * bitmap->height;
    std::memcpy(buffer, &section, sizeof(section));
    return sizeof(DIBSECTION);
  }
  if (size < static_cast<int>(sizeof(BITMAP))) return 0;
  std::memcpy(buffer, &info, sizeof(info));
  return sizeof(BITMAP);
}

BOOL DeleteObject(HGDIOBJ object) {
  std::lock_guard<std::recursive_mutex> lock(GdiLock());
  GdiBitmap *bitmap = GdiBitmapOf(object);
  if (!bitmap) return FALSE;
  if (bitmap->stock) return TRUE;
  if (bitmap->selectedInto) return FALSE; // still in a DC: Windows refuses as well
  HandleRemove(object, HandleKind::Bitmap);
  std::free(bitmap->bits);
  delete bitmap;
  return TRUE;
}

BOOL GdiFlush() { return TRUE; }

bool GdiGetBitmapPixels(HBITMAP handle, GdiPixels *pixels) {
  std::lock_guard<std::recursive_mutex> lock(GdiLock());
  GdiBitmap *bitmap = GdiBitmapOf(handle);
  if (!bitmap || !pixels) return false;
  *pixels =
      GdiPixels{bitmap->bits, bitmap->width, bitmap->height, bitmap->stride, bitmap->bitsPerPixel, bitmap->bottomUp};
  return true;
}
