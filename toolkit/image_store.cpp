// Toolkit images by number: creation, lookup, size, native handle, freeing.
#include "image_internal.h"
#include "object_numbers.h"

#include <cstring>

namespace {
std::map<int64_t, TkImage> gImages;
int64_t gNextImageNumber = TkFirstPickedNumber;

// Keeps a single bitmap below 1 GiB.
constexpr int64_t MaxBitmapBytes = int64_t{1} << 30;
} // namespace

bool TkMakeImageBitmap(int width, int height, int depth, TkImage *image) {
  *image = TkImage{};
  if (width < 1 || height < 1 || (depth != 24 && depth != 32)) return false;
  int64_t stride = (static_cast<int64_t>(width) * (depth / 8) + 3) / 4 * 4;
  if (stride * height > MaxBitmapBytes) return false;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height; // positive: bottom-up, the layout GDI readers expect
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = static_cast<WORD>(depth);
  info.bmiHeader.biCompression = BI_RGB;
  void *bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap || !bits) {
    if (bitmap) DeleteObject(bitmap);
    return false;
  }
  std::memset(bits, 0, static_cast<size_t>(stride * height));
  image->bitmap = bitmap;
  image->bits = static_cast<uint8_t *>(bits);
  image->width = width;
  image->height = height;
  image->depth = depth;
  image->stride = static_cast<int>(stride);
  return true;
}

TkImage *TkFindImage(int64_t number) {
  auto found = gImages.find(number);
  return found == gImages.end() ? nullptr : &found->second;
}

int64_t TkStoreImage(int64_t number, const TkImage &image) {
  if (number < 0 && number != TK_ANY) {
    DeleteObject(image.bitmap);
    return 0;
  }
  if (number == TK_ANY)
    number = TkPickNumber(gImages, &gNextImageNumber);
  else
    TkFreeImage(number);
  gImages[number] = image;
  return number;
}

int64_t TkCreateImage(int64_t number, int width, int height, int depth) {
  TkImage image;
  if (!TkMakeImageBitmap(width, height, depth, &image)) return 0;
  return TkStoreImage(number, image);
}

void TkFreeImage(int64_t number) {
  auto found = gImages.find(number);
  if (found == gImages.end()) return;
  // A bitmap still selected into the drawing output cannot be deleted.
  if (TkDrawingDcOf(number)) TkStopDrawing();
  DeleteObject(found->second.bitmap);
  gImages.erase(found);
}

HBITMAP TkDetachImageHandle(int64_t number) {
  auto found = gImages.find(number);
  if (found == gImages.end()) return nullptr;
  if (TkDrawingDcOf(number)) TkStopDrawing();
  HBITMAP bitmap = found->second.bitmap;
  gImages.erase(found);
  return bitmap;
}

int TkIsImage(int64_t number) { return TkFindImage(number) ? 1 : 0; }

int TkImageWidth(int64_t number) {
  const TkImage *image = TkFindImage(number);
  return image ? image->width : 0;
}

int TkImageHeight(int64_t number) {
  const TkImage *image = TkFindImage(number);
  return image ? image->height : 0;
}

int TkImageDepth(int64_t number) {
  const TkImage *image = TkFindImage(number);
  return image ? image->depth : 0;
}

HBITMAP TkImageHandle(int64_t number) {
  const TkImage *image = TkFindImage(number);
  return image ? image->bitmap : nullptr;
}
