// Image objects: creating RenderImages from files, bitmaps, device contexts and toolkit
// images, and turning them back into bitmaps, toolkit images and brushes.
#include "render_internal.h"

#include <commctrl.h>

#include "picture_read.h"
#include "text_utf.h"

namespace {

// Copies a 32-bit DIB section's pixels into the image's target straight from the section's
// memory, the whole picture in one piece when its rows run top-down. False when the bitmap
// is no such section (or not of the image's size), or Direct2D took nothing.
bool CopyDibSection(RenderImage *image, HBITMAP bitmap) {
  DIBSECTION section{};
  if (GetObjectW(bitmap, sizeof section, &section) != sizeof section || !section.dsBm.bmBits ||
      section.dsBm.bmBitsPixel != 32 || section.dsBm.bmWidth != image->width || section.dsBm.bmHeight != image->height)
    return false;
  const uint8_t *bits = static_cast<const uint8_t *>(section.dsBm.bmBits);
  uint32_t pitch = static_cast<uint32_t>(section.dsBm.bmWidthBytes);
  if (section.dsBmih.biHeight < 0)
    return _D2D_CopyMemoryToTarget(image->bitmap, bits, pitch, 0, image->width, image->height) != 0;
  for (int32_t y = 0; y < image->height; y++) {
    const uint8_t *row = bits + static_cast<int64_t>(image->height - 1 - y) * pitch;
    if (!_D2D_CopyMemoryToTarget(image->bitmap, row, pitch, y, image->width, 1)) return false;
  }
  return true;
}

// Fills an image's target with a copy of a bitmap's pixels, taken as premultiplied BGRA:
// from memory when the bitmap is a 32-bit DIB section (the pixels are then written once,
// into the target), through WIC otherwise.
void FillImageFromBitmap(RenderImage *image, HBITMAP bitmap) {
  if (RenderBackend != RENDER_BACKEND_DIRECT2D || !MainRenderTarget || !image->bitmap) return;
  if (CopyDibSection(image, bitmap)) return;
  ID2D1BitmapRenderTarget *temp = _D2D_BitmapRenderTargetFromHBITMAP(MainRenderTarget, bitmap);
  if (!temp) return;
  _D2D_CopyRenderTargetArea(temp, 0.0f, 0.0f, static_cast<float>(image->width), static_cast<float>(image->height),
                            image->bitmap, 0.0f, 0.0f);
  _D2D_ReleaseBitmapTarget(temp);
}

// The decoded file as a toolkit image of the requested size, or 0 (after one line on
// standard error).
int64_t DecodeImageFile(const std::string &fileName, int32_t width, int32_t height) {
  int64_t image = TkLoadImage(TK_ANY, fileName);
  if (!image) return 0;
  if (width != 0 || height != 0) {
    int decodedWidth = TkImageWidth(image);
    int decodedHeight = TkImageHeight(image);
    if (width == 0) width = decodedWidth;
    if (height == 0) height = decodedHeight;
    if ((width != decodedWidth || height != decodedHeight) && !TkResizeImage(image, width, height)) {
      TkFreeImage(image);
      TkReportImageFailure(fileName, "too large: no memory to resize it to " + std::to_string(width) + " x " +
                                         std::to_string(height));
      return 0;
    }
  }
  return image;
}

// Releases what LoadRenderImage held on its way: an icon or a bitmap.
void ReleaseIntermediate(HANDLE intermediate, bool isIcon) {
  if (isIcon) {
    DestroyIcon(static_cast<HICON>(intermediate));
  } else {
    DeleteObject(intermediate);
  }
}

} // namespace

HICON IconFromBitmap(HBITMAP bitmap, int32_t width, int32_t height) {
  HIMAGELIST list = ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, 0, 0);
  if (!list) return nullptr;
  HICON icon = nullptr;
  if (ImageList_Add(list, bitmap, nullptr) >= 0) icon = ImageList_GetIcon(list, 0, ILD_NORMAL);
  ImageList_Destroy(list);
  return icon;
}

RenderImage *LoadRenderImage(const std::string &fileName, int32_t width, int32_t height, int32_t flags) {
  // A missing file, a folder (-1, -2) or an empty file never reaches a decoder.
  if (TkFileSize(fileName) < 1) {
    TkReportImageFailure(fileName, TkNoBytesReason(fileName));
    return nullptr;
  }
  if (width < 0 || height < 0) {
    TkReportImageFailure(fileName, "a negative size was asked for");
    return nullptr;
  }

  std::wstring wideName = TkUtf8ToWide(fileName);
  HANDLE intermediate =
      LoadImageW(GetModuleHandleW(nullptr), wideName.c_str(), IMAGE_ICON, width, height, LR_LOADFROMFILE);
  bool isIcon = intermediate != nullptr;
  if (!intermediate) {
    int64_t decoded = DecodeImageFile(fileName, width, height);
    if (!decoded) return nullptr;
    if (flags & RENDER_LOAD_THROUGH_ICON) {
      intermediate = IconFromBitmap(TkImageHandle(decoded), TkImageWidth(decoded), TkImageHeight(decoded));
      isIcon = intermediate != nullptr;
      TkFreeImage(decoded);
    } else {
      // The decoded picture's own bitmap goes on, taken from it rather than copied.
      intermediate = TkDetachImageHandle(decoded);
    }
    if (!intermediate) {
      TkReportImageFailure(fileName, "too large: no memory for an icon of it");
      return nullptr;
    }
  }

  // Each step frees what the one before it made as soon as it is done with it, so the
  // picture is held at most twice at any time.
  bool premultiply = (flags & RENDER_LOAD_STRAIGHT) == 0;
  HBITMAP alphaBitmap = CreateAlphaBitmap(intermediate, premultiply ? RENDER_ALPHA_PREMULTIPLY : RENDER_ALPHA_KEEP);
  ReleaseIntermediate(intermediate, isIcon);
  if (!alphaBitmap) {
    TkReportImageFailure(fileName, "too large: no memory to convert its pixels");
    return nullptr;
  }
  RenderImage *image = CreateRenderImageFromBitmap(alphaBitmap);
  DeleteObject(alphaBitmap);
  if (!image) {
    TkReportImageFailure(fileName, "too large: no memory for the image");
    return nullptr;
  }
  if (premultiply) image->premultiplied = 1;
  // With Direct2D at work, an image without a bitmap is one Direct2D would not make.
  if (RenderBackend == RENDER_BACKEND_DIRECT2D && MainRenderTarget && !image->bitmap)
    TkReportImageFailure(fileName, "too large for Direct2D: " + std::to_string(image->width) + " x " +
                                       std::to_string(image->height) + " pixels");
  return image;
}

RenderImage *CreateRenderImage(int32_t width, int32_t height, uint32_t color) {
  if (!ImageList) return nullptr;
  RenderImage *image = static_cast<RenderImage *>(TkAddElement(ImageList));
  if (!image) return nullptr;
  image->width = width;
  image->height = height;
  if (RenderBackend == RENDER_BACKEND_DIRECT2D && MainRenderTarget && width > 0 && height > 0)
    image->bitmap = _D2D_CreateBitmapRenderTarget(MainRenderTarget, width, height, color);
  return image;
}

RenderImage *CreateRenderImageFromBitmap(HBITMAP bitmap) {
  if (!bitmap) return nullptr;
  BITMAP info{};
  if (!GetObjectW(bitmap, sizeof(BITMAP), &info)) return nullptr;
  RenderImage *image = CreateRenderImage(info.bmWidth, info.bmHeight, 0);
  if (image) FillImageFromBitmap(image, bitmap);
  return image;
}

RenderImage *CreateRenderImageFromDC(HDC dc) {
  if (!dc) return nullptr;
  HBITMAP bitmap = static_cast<HBITMAP>(GetCurrentObject(dc, OBJ_BITMAP));
  if (!bitmap) return nullptr;
  // The bitmap stays selected and belongs to the device context's owner.
  return CreateRenderImageFromBitmap(bitmap);
}

RenderImage *CreateRenderImageFromToolkitImage(int64_t number) {
  if (number == 0 || !TkIsImage(number)) return nullptr;
  HDC dc = TkStartDrawing(number);
  if (!dc) return nullptr;
  RenderImage *image = CreateRenderImageFromDC(dc);
  TkStopDrawing();
  return image;
}

bool PresentRenderImage(RenderImage *image, HDC dc) {
  if (RenderBackend != RENDER_BACKEND_DIRECT2D || !MainRenderTarget || !image || !image->bitmap || !dc) return false;
  if (!_D2D_BindDC(MainRenderTarget, dc, 0, 0, image->width, image->height)) return false;
  float width = static_cast<float>(image->width);
  float height = static_cast<float>(image->height);
  _D2D_DrawToRenderTarget(image->bitmap, 0.0f, 0.0f, width, height, MainRenderTarget, 0.0f, 0.0f);
  return true;
}

int64_t RenderImageToToolkitImage(RenderImage *image) {
  if (!image || image->width < 1 || image->height < 1) return 0;
  int64_t number = TkCreateImage(TK_ANY, image->width, image->height, 32);
  if (!number) return 0;
  HDC dc = TkStartDrawing(number);
  if (dc) {
    PresentRenderImage(image, dc);
    TkStopDrawing();
  }
  return number;
}

HBITMAP RenderImageToBitmap(RenderImage *image) {
  if (!image || RenderBackend != RENDER_BACKEND_DIRECT2D || image->width < 1 || image->height < 1) return nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) return nullptr;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = image->width;
  info.bmiHeader.biHeight = image->height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void *bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) {
    DeleteDC(dc);
    return nullptr;
  }
  HGDIOBJ old = SelectObject(dc, bitmap);
  PresentRenderImage(image, dc);
  SelectObject(dc, old);
  DeleteDC(dc);
  return bitmap;
}

RenderBrush *CreateRenderBrush(RenderImage *image) {
  if (!image || !BrushList) return nullptr;
  ID2D1BitmapBrush *brush = nullptr;
  if (RenderBackend == RENDER_BACKEND_DIRECT2D && image->bitmap) brush = _D2D_CreateBitmapBrush(image->bitmap);
  if (!brush) return nullptr;
  RenderBrush *record = static_cast<RenderBrush *>(TkAddElement(BrushList));
  if (!record) {
    _D2D_ReleaseBrush(brush);
    return nullptr;
  }
  record->width = image->width;
  record->height = image->height;
  record->brush = brush;
  return record;
}

int DrawRenderImageToDC(RenderImage *image, HDC dc) {
  PresentRenderImage(image, dc);
  return 0;
}
