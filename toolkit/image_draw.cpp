// The drawing output: one toolkit image at a time, with its memory device context for
// GDI callers and direct pixel access for plot and point.
#include "image_internal.h"

namespace {

struct DrawingOutput {
  int64_t image; // meaningful while dc is set
  HDC dc;
  HGDIOBJ previousBitmap;
  int mode;
};

// Drawing happens on the GUI thread only.
DrawingOutput gOutput{0, nullptr, nullptr, TK_DRAW_DEFAULT};

TkImage *OutputImage() { return gOutput.dc ? TkFindImage(gOutput.image) : nullptr; }

// Source-over of a straight-alpha colour onto a straight-alpha pixel, in integers scaled
// by 255 * 255 so that the usual cases come out exact.
void BlendOver(uint8_t *pixel, uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
  uint32_t da = pixel[3];
  uint32_t sourceWeight = a * 255;      // source alpha, scaled
  uint32_t destWeight = da * (255 - a); // what shows through, scaled
  uint32_t outWeight = sourceWeight + destWeight;
  if (outWeight == 0) {
    pixel[0] = pixel[1] = pixel[2] = pixel[3] = 0;
    return;
  }
  auto mix = [&](uint32_t source, uint32_t dest) {
    return static_cast<uint8_t>((source * sourceWeight + dest * destWeight + outWeight / 2) / outWeight);
  };
  pixel[0] = mix(b, pixel[0]);
  pixel[1] = mix(g, pixel[1]);
  pixel[2] = mix(r, pixel[2]);
  pixel[3] = static_cast<uint8_t>((outWeight + 127) / 255);
}

} // namespace

HDC TkStartDrawing(int64_t number) {
  TkImage *image = TkFindImage(number);
  if (!image) return nullptr;
  if (gOutput.dc) TkStopDrawing();
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) return nullptr;
  HGDIOBJ previous = SelectObject(dc, image->bitmap);
  if (!previous) {
    DeleteDC(dc);
    return nullptr;
  }
  // Pending GDI work on the bitmap must land before plot and point touch its bits.
  GdiFlush();
  gOutput = DrawingOutput{number, dc, previous, TK_DRAW_DEFAULT};
  return dc;
}

void TkStopDrawing() {
  if (!gOutput.dc) return;
  GdiFlush();
  SelectObject(gOutput.dc, gOutput.previousBitmap);
  DeleteDC(gOutput.dc);
  gOutput = DrawingOutput{0, nullptr, nullptr, TK_DRAW_DEFAULT};
}

HDC TkDrawingDcOf(int64_t number) { return gOutput.dc && gOutput.image == number ? gOutput.dc : nullptr; }

void TkDrawingMode(int mode) { gOutput.mode = mode; }

void TkPlot(int x, int y, uint32_t rgba) {
  TkImage *image = OutputImage();
  if (!image || x < 0 || y < 0 || x >= image->width || y >= image->height) return;
  uint32_t r = rgba & 255, g = (rgba >> 8) & 255, b = (rgba >> 16) & 255, a = rgba >> 24;
  uint8_t *pixel = TkImageRow(*image, y) + static_cast<ptrdiff_t>(x) * (image->depth / 8);
  if (image->depth == 32 && !(gOutput.mode & TK_DRAW_ALL_CHANNELS)) {
    BlendOver(pixel, r, g, b, a);
    return;
  }
  pixel[0] = static_cast<uint8_t>(b);
  pixel[1] = static_cast<uint8_t>(g);
  pixel[2] = static_cast<uint8_t>(r);
  if (image->depth == 32) pixel[3] = static_cast<uint8_t>(a);
}

uint32_t TkPoint(int x, int y) {
  TkImage *image = OutputImage();
  if (!image || x < 0 || y < 0 || x >= image->width || y >= image->height) return 0;
  const uint8_t *pixel = TkImageRow(*image, y) + static_cast<ptrdiff_t>(x) * (image->depth / 8);
  uint32_t a = image->depth == 32 ? pixel[3] : 255;
  return TkRGBA(pixel[2], pixel[1], pixel[0], a);
}
