// The procedures that take any kind of image handle: an icon, a GDI bitmap or a
// RenderImage. RenderImages are recognised by their membership of ImageList, so a stale
// or foreign value is never read through.
#include "render_internal.h"

namespace {

// Width and height of an icon or a GDI bitmap; false when the handle is neither.
bool SystemPictureSize(const void *handle, int32_t *width, int32_t *height) {
  HANDLE value = const_cast<void *>(handle);
  ICONINFO icon{};
  BITMAP info{};
  if (GetIconInfo(static_cast<HICON>(value), &icon)) {
    HBITMAP sized = icon.hbmColor ? icon.hbmColor : icon.hbmMask;
    if (sized) GetObjectW(sized, sizeof(BITMAP), &info);
    if (icon.hbmColor) DeleteObject(icon.hbmColor);
    if (icon.hbmMask) DeleteObject(icon.hbmMask);
    *width = info.bmWidth;
    // A monochrome icon stacks its two masks in one bitmap of twice the height.
    *height = icon.hbmColor ? info.bmHeight : info.bmHeight / 2;
    return true;
  }
  if (GetObjectW(value, sizeof(BITMAP), &info)) {
    *width = info.bmWidth;
    *height = info.bmHeight;
    return true;
  }
  return false;
}

} // namespace

int32_t RenderImageWidth(const void *handle) {
  if (!handle) return 0;
  if (const RenderImage *image = FindRenderImage(handle)) return image->width;
  int32_t width = 0, height = 0;
  SystemPictureSize(handle, &width, &height);
  return width;
}

int32_t RenderImageHeight(const void *handle) {
  if (!handle) return 0;
  if (const RenderImage *image = FindRenderImage(handle)) return image->height;
  int32_t width = 0, height = 0;
  SystemPictureSize(handle, &width, &height);
  return height;
}

void ReleaseRenderImageObjects(RenderImage *image) {
  if (image->pixels) _D2D_ReleaseObject(image->pixels);
  if (image->bitmap) _D2D_ReleaseBitmapTarget(image->bitmap);
  image->pixels = nullptr;
  image->bitmap = nullptr;
}

int64_t FreeRenderImage(void *handle) {
  if (!handle) return 0;
  if (RenderImage *image = FindRenderImage(handle)) {
    ReleaseRenderImageObjects(image);
    TkChangeCurrentElement(ImageList, image);
    TkDeleteElement(ImageList);
    return 0;
  }
  if (BOOL destroyed = DestroyIcon(static_cast<HICON>(handle))) return destroyed;
  return DeleteObject(handle);
}
