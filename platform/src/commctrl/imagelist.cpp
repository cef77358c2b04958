// Common controls: InitCommonControlsEx and image lists.
#include <commctrl.h>

// Icons and image lists hand out GDI bitmaps and read them under GDI's lock.
#include "gdi/gdi_internal.h"
// Every handle the platform gives out is registered in the kernel's handle table.
#include "kernel/handles.h"
#include "commctrl_internal.h"

namespace {

struct ImageListRecord {
  int width;
  int height;
  UINT flags;
  std::vector<IconImage> images;
};

ImageListRecord *ListOf(const void *handle) {
  return static_cast<ImageListRecord *>(HandleLookup(handle, HandleKind::ImageList));
}

// The part of `whole` from column `left`, `width` x `height`; pixels outside stay 0.
IconImage CutOut(const IconImage &whole, int left, int width, int height) {
  IconImage part;
  part.width = width;
  part.height = height;
  part.color.assign(size_t(width) * height, 0);
  part.mask.assign(size_t(width) * height, 0);
  for (int y = 0; y < height && y < whole.height; ++y) {
    for (int x = 0; x < width && left + x < whole.width; ++x) {
      size_t from = size_t(y) * whole.width + left + x;
      part.color[size_t(y) * width + x] = whole.color[from];
      part.mask[size_t(y) * width + x] = whole.mask[from];
    }
  }
  return part;
}

} // namespace

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX *init) {
  return init && init->dwSize == sizeof(INITCOMMONCONTROLSEX) ? TRUE : FALSE;
}

HIMAGELIST ImageList_Create(int width, int height, UINT flags, int, int) {
  if (width < 1 || height < 1 || width > (1 << 16) || height > (1 << 16)) return nullptr;
  std::lock_guard<std::recursive_mutex> lock(GdiLock());
  ImageListRecord *list = new ImageListRecord{width, height, flags, {}};
  return static_cast<HIMAGELIST>(HandleAdd(HandleKind::ImageList, list));
}

BOOL ImageList_Destroy(HIMAGELIST handle) {
  std::lock_guard<std::recursive_mutex> lock(GdiLock());
  ImageListRecord *list = static_cast<ImageListRecord *>(HandleRemove(handle, HandleKind::ImageList));
  if (!list) return FALSE;
  delete list;
  return TRUE;
}

int ImageList_Add(HIMAGELIST handle, HBITMAP image, HBITMAP mask) {
  std::lock_guard<std::recursive_mutex> lock(GdiLock());
  ImageListRecord *list = ListOf(handle);
  if (!list) return -1;
  IconImage whole;
  if (!IconImageFromBitmaps(image, mask, &whole)) return -1;
  int count = whole.width / list->width;
  if (count < 1) return -1;
  bool keepAlpha = (list->flags & 0xFE) == ILC_COLOR32;
  if (!mask) {
    // Without a mask, a 32-bit bitmap that carries alpha is transparent where its alpha
    // is 0; any other bitmap is opaque.
    GdiBitmap *bitmap = GdiBitmapOf(image);
    if (bitmap->bitsPerPixel == 32 && IconImageHasAlpha(whole)) {
      for (size_t i = 0; i < whole.color.size(); ++i) whole.mask[i] = (whole.color[i] >> 24) == 0;
    }
  }
  if (!keepAlpha) {
    for (uint32_t &pixel : whole.color) pixel &= 0xFFFFFF;
  }
  if (!(list->flags & ILC_MASK)) std::fill(whole.mask.begin(), whole.mask.end(), 0);
  int first = static_cast<int>(list->images.size());
  for (int i = 0; i < count; ++i) list->images.push_back(CutOut(whole, i * list->width, list->width, list->height));
  return first;
}

HICON ImageList_GetIcon(HIMAGELIST handle, int index, UINT) {
  std::lock_guard<std::recursive_mutex> lock(GdiLock());
  ImageListRecord *list = ListOf(handle);
  if (!list || index < 0 || index >= static_cast<int>(list->images.size())) return nullptr;
  return IconCreate(list->images[size_t(index)]);
}
