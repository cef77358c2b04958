// 9-slice borders: cutting a border image (and its mask) into eight tiling piece brushes
// and drawing them around a rectangle.
#include "render_internal.h"

namespace {

// Brush sizes, 0 for a piece that could not be made.
int32_t PieceWidth(const RenderBorder *border, int piece) {
  return border->piece[piece] ? border->piece[piece]->width : 0;
}

int32_t PieceHeight(const RenderBorder *border, int piece) {
  return border->piece[piece] ? border->piece[piece]->height : 0;
}

} // namespace

RenderImage *GrabRenderImage(RenderImage *image, int32_t x, int32_t y, int32_t width, int32_t height) {
  if (!image || x < 0 || y < 0 || width <= 0 || height <= 0) return nullptr;
  RenderImage *copy = CreateRenderImage(width, height, 0);
  if (!copy) return nullptr;
  StartRenderDrawing(copy);
  CopyRenderImageArea(image, x, y, width, height, 0, 0);
  StopRenderDrawing();
  return copy;
}

RenderBorder *CreateRenderBorder(RenderImage *image, RenderImage *mask, BorderMargins *margins) {
  BorderMargins detected = {0, 0, 0, 0};
  if (!margins) {
    margins = &detected;
    if (HBITMAP bitmap = RenderImageToBitmap(image)) {
      DetectBorderMargins(bitmap, margins);
      DeleteObject(bitmap);
    }
  }
  // Crossed slice lines are mended in the caller's record too, so the mask is cut the same.
  if (margins->right < margins->left) {
    margins->left = 1;
    margins->right = 2;
  }
  if (margins->bottom < margins->top) {
    margins->top = 1;
    margins->bottom = 2;
  }
  if (!BorderList) return nullptr;
  RenderBorder *border = static_cast<RenderBorder *>(TkAddElement(BorderList));
  if (!border) return nullptr;

  int32_t w = image ? image->width : 0;
  int32_t h = image ? image->height : 0;
  int32_t left = margins->left, top = margins->top, right = margins->right, bottom = margins->bottom;
  const int32_t cuts[BORDER_PIECE_COUNT][4] = {
      {0, 0, left, top},
      {left, 0, right - left, top},
      {right, 0, w - right, top},
      {0, top, left, bottom - top},
      {right, top, w - right, bottom - top},
      {0, bottom, left, h - bottom},
      {left, bottom, right - left, h - bottom},
      {right, bottom, w - right, h - bottom},
  };
  for (int i = 0; i < BORDER_PIECE_COUNT; i++) {
    // A piece of no size (or of an image that failed to load) stays without a brush.
    RenderImage *piece = GrabRenderImage(image, cuts[i][0], cuts[i][1], cuts[i][2], cuts[i][3]);
    border->piece[i] = CreateRenderBrush(piece);
    SetRenderBrushExtendMode(border->piece[i], RENDER_EXTEND_WRAP, RENDER_EXTEND_WRAP); // edges repeat along their side
    FreeRenderImage(piece);
  }
  if (mask) border->mask = CreateRenderBorder(mask, nullptr, margins);
  return border;
}

int DrawRenderBorder(RenderBorder *border, float x, float y, float width, float height, float opacity) {
  if (!border) return 0;
  float w[BORDER_PIECE_COUNT], h[BORDER_PIECE_COUNT];
  for (int i = 0; i < BORDER_PIECE_COUNT; i++) {
    w[i] = static_cast<float>(PieceWidth(border, i));
    h[i] = static_cast<float>(PieceHeight(border, i));
  }
  // The whole bottom row starts where the bottom-left corner does.
  float bottomY = y + height - h[BORDER_BOTTOM_LEFT];
  const float boxes[BORDER_PIECE_COUNT][4] = {
      {x, y, w[0], h[0]},
      {x + w[0], y, width - (w[0] + w[2]), h[1]},
      {x + width - w[2], y, w[2], h[2]},
      {x, y + h[0], w[3], height - (h[0] + h[5])},
      {x + width - w[4], y + h[2], w[4], height - (h[2] + h[7])},
      {x, bottomY, w[5], h[5]},
      {x + w[5], bottomY, width - (w[5] + w[7]), h[6]},
      {x + width - w[7], bottomY, w[7], h[7]},
  };
  for (int i = 0; i < BORDER_PIECE_COUNT; i++) {
    RenderBrush *piece = border->piece[i];
    if (!piece) continue;
    const float *box = boxes[i];
    // The brush's image starts at the piece's origin and tiles from there.
    SetRenderBrushTransform(piece, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f, box[0], box[1]);
    SetRenderBrushOpacity(piece, opacity);
    DrawRenderBrushBox(box[0], box[1], box[2], box[3], piece);
  }
  return 0;
}
