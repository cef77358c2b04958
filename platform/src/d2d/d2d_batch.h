// Deferred nearest-neighbour draws. A run of DrawBitmap calls onto the same surface (the
// balls of a frame: thousands of small draws in a row) is recorded rather than drawn, and
// drawn at once when anything else is about to read or write pixels: then the rows of the
// surface are split into bands, the bands shared among the threads, and within each band the draws run in
// the order they were made, so every pixel ends up exactly as drawing one by one leaves it.
//
// Every entry point of this Direct2D that reads or writes pixels, other than the recorded
// draw itself, calls D2dFlushDeferred() first (see d2d_internal.h).
#pragma once

#include "d2d_internal.h"

// The antialiased edges of a draw at fractional coordinates: where its first and last rows
// and columns are, and the weights (opacity times coverage) of its pixels.
struct D2dBlitEdges {
  D2dBox whole;         // the draw's box before clipping
  uint8_t weight[3][3]; // [first, inner, last row][first, inner, last column]
};

// A table of source indices that many draws share (the same scale, the same whole-pixel
// phase): the batch keeps one copy of it for as long as its tag stays the one last recorded.
// Tags are never reused (D2dNewTableTag).
struct D2dSharedTable {
  const int32_t *values;
  int count;
  uint64_t tag;
};
uint64_t D2dNewTableTag();

// One draw, resolved when it is made: which destination pixels, from which source pixels.
// Columns and rows of the source are either consecutive (starting at firstColumn /
// firstRow) or read from a table, one index per destination column / row. Built by name:
// two fields of a kind sit side by side (columns, rows).
struct D2dBlit {
  D2dBox box;             // destination pixels, already clipped; every source index is valid
  const uint32_t *source; // the source bitmap's pixel (0, 0)
  int sourceStride;       // in pixels
  uint32_t opacity8;
  int32_t firstColumn, firstRow;
  const int32_t *columns;    // null: consecutive columns
  const int32_t *rows;       // null: consecutive rows
  const D2dBlitEdges *edges; // null: every pixel takes opacity8
};

// Draws rows [y0, y1) of a blit onto dst (pixel (0, 0), stride in pixels) at once.
void D2dRunBlit(uint32_t *dst, int dstStride, const D2dBlit &blit, int y0, int y1);

// Records a blit onto dst; the tables it points to are copied, once for the run of draws
// that share a table when columnTable / rowTable name the shared table a table is a part of
// (else null). A recorded blit onto another surface is drawn first.
void D2dDeferBlit(const D2dSurface &dst, const D2dBlit &blit, const D2dSharedTable *columnTable,
                  const D2dSharedTable *rowTable);
