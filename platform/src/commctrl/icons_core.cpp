// Icon handles: creation from bitmaps, GetIconInfo, DestroyIcon, and the
// resampling used when an icon is asked for at another size.
#include "commctrl_internal.h"

// Icons and image lists hand out GDI bitmaps and read them under GDI's lock.
#include "gdi/gdi_internal.h"
// Every handle the platform gives out is registered in the kernel's handle table.
#include "kernel/handles.h"

#include <algorithm>
#include <cmath>

namespace {

struct GdiIcon {
  IconImage image;
};

GdiIcon *IconOf(const void *handle) { return static_cast<GdiIcon *>(HandleLookup(handle, HandleKind::Icon)); }

// A 32-bit DDB holding the colour part of an image.
HBITMAP ColorBitmapOf(const IconImage &image) {
  HBITMAP handle = GdiNewBitmap(image.width, image.height, 32, false, false);
  if (!handle) return nullptr;
  GdiSurface surface = GdiSurfaceOf(GdiBitmapOf(handle));
  for (int y = 0; y < image.height; ++y) {
    uint8_t *row = GdiSurfaceRow(surface, y);
    for (int x = 0; x < image.width; ++x) GdiWritePixel(surface, row, x, image.color[size_t(y) * image.width + x]);
  }
  return handle;
}

// A 1-bit DDB holding the mask (set bits transparent).
HBITMAP MaskBitmapOf(const IconImage &image) {
  HBITMAP handle = GdiNewBitmap(image.width, image.height, 1, false, false);
  if (!handle) return nullptr;
  GdiSurface surface = GdiSurfaceOf(GdiBitmapOf(handle));
  for (int y = 0; y < image.height; ++y) {
    uint8_t *row = GdiSurfaceRow(surface, y);
    for (int x = 0; x < image.width; ++x)
      if (image.mask[size_t(y) * image.width + x]) row[x >> 3] |= uint8_t(0x80 >> (x & 7));
  }
  return handle;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Icon handles
// ---------------------------------------------------------------------------------------

HICON IconCreate(IconImage image) {
  if (image.width < 1 || image.height < 1) return nullptr;
  size_t count = size_t(image.width) * image.height;
  if (image.color.size() != count || image.mask.size() != count) return nullptr;
  GdiIcon *icon = new GdiIcon{std::move(image)};
  return static_cast<HICON>(HandleAdd(HandleKind::Icon, icon));
}

bool IconImageFromBitmaps(HBITMAP color, HBITMAP mask, IconImage *image) {
  std::lock_guard<std::recursive_mutex> lock(GdiLock());
  GdiBitmap *colorBitmap = GdiBitmapOf(color);
  GdiBitmap *maskBitmap = mask ? GdiBitmapOf(mask) : nullptr;
  if (!colorBitmap || (mask && !maskBitmap)) return false;
  GdiSurface from = GdiSurfaceOf(colorBitmap);
  image->width = from.width;
  image->height = from.height;
  image->color.assign(size_t(from.width) * from.height, 0);
  image->mask.assign(size_t(from.width) * from.height, 0);
  for (int y = 0; y < from.height; ++y) {
    const uint8_t *row = GdiSurfaceRow(from, y);
    for (int x = 0; x < from.width; ++x) image->color[size_t(y) * from.width + x] = GdiReadPixel(from, row, x);
  }
  if (maskBitmap) {
    GdiSurface masks = GdiSurfaceOf(maskBitmap);
    int rows = std::min(from.height, masks.height);
    int columns = std::min(from.width, masks.width);
    for (int y = 0; y < rows; ++y) {
      const uint8_t *row = GdiSurfaceRow(masks, y);
      for (int x = 0; x < columns; ++x)
        image->mask[size_t(y) * from.width + x] = (GdiReadPixel(masks, row, x) & 0xFFFFFF) != 0;
    }
  }
  return true;
}

bool IconImageHasAlpha(const IconImage &image) {
  return std::any_of(image.color.begin(), image.color.end(), [](uint32_t pixel) { return pixel >> 24; });
}

BOOL GetIconInfo(HICON handle, PICONINFO info) {
  std::lock_guard<std::recursive_mutex> lock(GdiLock());
  GdiIcon *icon = IconOf(handle);
  if (!icon || !info) return FALSE;
  HBITMAP color = ColorBitmapOf(icon->image);
  HBITMAP mask = MaskBitmapOf(icon->image);
  if (!color || !mask) {
    DeleteObject(color);
    DeleteObject(mask);
    return FALSE;
  }
  info->fIcon = TRUE;
  info->xHotspot = static_cast<DWORD>(icon->image.width / 2);
  info->yHotspot = static_cast<DWORD>(icon->image.height / 2);
  info->hbmColor = color;
  info->hbmMask = mask;
  return TRUE;
}

HICON CreateIconIndirect(PICONINFO info) {
  // Monochrome icons (no colour bitmap, a double-height mask) are not supported.
  if (!info || !info->hbmColor || !info->hbmMask) return nullptr;
  IconImage image;
  if (!IconImageFromBitmaps(info->hbmColor, info->hbmMask, &image)) return nullptr;
  std::lock_guard<std::recursive_mutex> lock(GdiLock());
  return IconCreate(std::move(image));
}

BOOL DestroyIcon(HICON handle) {
  std::lock_guard<std::recursive_mutex> lock(GdiLock());
  GdiIcon *icon = static_cast<GdiIcon *>(HandleRemove(handle, HandleKind::Icon));
  if (!icon) return FALSE;
  delete icon;
  return TRUE;
}

// ---------------------------------------------------------------------------------------
// Resampling
// ---------------------------------------------------------------------------------------

IconImage IconImageScaled(const IconImage &image, int width, int height) {
  IconImage out;
  out.width = width;
  out.height = height;
  out.color.assign(size_t(width) * height, 0);
  out.mask.assign(size_t(width) * height, 0);
  bool alpha = IconImageHasAlpha(image);
  double scaleX = double(image.width) / width;
  double scaleY = double(image.height) / height;
  for (int y = 0; y < height; ++y) {
    double top = y * scaleY, bottom = (y + 1) * scaleY;
    for (int x = 0; x < width; ++x) {
      double left = x * scaleX, right = (x + 1) * scaleX;
      // Each destination pixel averages the source area it covers.
      double sum[4] = {0, 0, 0, 0}, weightSum = 0, colorWeight = 0, transparent = 0;
      for (int sy = int(top); sy < image.height && sy < bottom; ++sy) {
        double wy = std::min<double>(sy + 1, bottom) - std::max<double>(sy, top);
        for (int sx = int(left); sx < image.width && sx < right; ++sx) {
          double w = wy * (std::min<double>(sx + 1, right) - std::max<double>(sx, left));
          if (w <= 0) continue;
          size_t at = size_t(sy) * image.width + sx;
          uint32_t pixel = image.color[at];
          double a = alpha ? (pixel >> 24) / 255.0 : 1.0;
          for (int c = 0; c < 3; ++c) sum[c] += w * a * ((pixel >> (8 * c)) & 0xFF);
          sum[3] += w * (pixel >> 24);
          colorWeight += w * a;
          weightSum += w;
          transparent += w * image.mask[at];
        }
      }
      uint32_t pixel = 0;
      if (weightSum > 0) {
        for (int c = 0; c < 3; ++c) {
          double value = colorWeight > 0 ? sum[c] / colorWeight : 0;
          pixel |= uint32_t(std::lround(std::min(255.0, value))) << (8 * c);
        }
        pixel |= uint32_t(std::lround(std::min(255.0, sum[3] / weightSum))) << 24;
      }
      out.color[size_t(y) * width + x] = pixel;
      out.mask[size_t(y) * width + x] = weightSum > 0 && transparent * 2 > weightSum;
    }
  }
  return out;
}
