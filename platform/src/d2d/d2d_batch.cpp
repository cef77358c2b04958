// The recorded draws and their banded drawing. One batch serves the whole process: drawing
// onto another surface, or anything else that touches pixels, draws what is recorded first,
// so at most one surface has draws pending at any time. The batch's lock keeps a flush from
// another thread (another target, a bitmap being released) from meeting a draw being
// recorded.
#include "d2d_batch.h"
#include "kernels/d2d_row_kernels.h"
#include "d2d_workers.h"

#include <algorithm>
#include <climits>
#include <mutex>
#include <new>

std::atomic<bool> D2dDeferredPending{false};

namespace {

// A recorded blit: its tables and edges live in the batch's own vectors, by position, since
// the vectors may move as they grow. Kept small: every band walks all of them.
constexpr int32_t None = -1;
struct Recorded {
  D2dBox box;
  const uint32_t *source;
  int sourceStride;
  uint32_t opacity8;
  int32_t firstColumn, firstRow;
  int32_t columnsAt, rowsAt, edgesAt;
  int32_t sharedColumns, sharedRows; // which shared tables the tables are parts of, or None
};

// A shared table as the batch keeps it.
struct SharedTable {
  int32_t at, count;
};

// The source of draws that share both their tables: scaled once (when enough is drawn from
// it), then read unscaled.
struct Scaled {
  const uint32_t *source;
  int sourceStride;
  int32_t sharedColumns, sharedRows;
  int64_t pixels; // drawn from it
  int64_t at;     // its pixels in the batch's `scaled`, or None
};

// Far more than a frame records; past it the batch is drawn, so memory stays bounded even
// for a caller that never ends its drawing.
constexpr size_t MaxDraws = 1 << 16;
constexpr size_t MaxTable = 1 << 22;

struct Batch {
  std::mutex lock;
  uint32_t *dst = nullptr;
  int dstStride = 0;
  std::vector<Recorded> draws;
  std::vector<int32_t> tables;
  std::vector<D2dBlitEdges> edges;
  int64_t pixels = 0;
  int y0 = 0, y1 = 0;           // rows the draws touch
  std::vector<int64_t> rowWork; // pixels per row, for cutting bands of equal work
  std::vector<int> bandEdges;
  std::vector<SharedTable> shared;
  uint64_t sharedTag[2] = {0, 0}; // the shared tables last copied, columns and rows
  int32_t sharedIndex[2] = {0, 0};
  std::vector<Scaled> scaledSources;
  std::vector<uint32_t> scaled;
};

// Never destroyed: a bitmap released by a static destructor still flushes through it.
Batch &TheBatch() {
  static Batch *batch = new Batch;
  return *batch;
}

D2dBlit Resolve(const Batch &batch, const Recorded &r) {
  return D2dBlit{.box = r.box,
                 .source = r.source,
                 .sourceStride = r.sourceStride,
                 .opacity8 = r.opacity8,
                 .firstColumn = r.firstColumn,
                 .firstRow = r.firstRow,
                 .columns = r.columnsAt == None ? nullptr : batch.tables.data() + r.columnsAt,
                 .rows = r.rowsAt == None ? nullptr : batch.tables.data() + r.rowsAt,
                 .edges = r.edgesAt == None ? nullptr : batch.edges.data() + r.edgesAt};
}

// One row of a draw with antialiased edges: its first and last pixels may weigh otherwise
// than the ones between.
void BlendEdgedRow(uint32_t *out, const uint32_t *srcRow, const D2dBlit &blit, int y) {
  const D2dBox &whole = blit.edges->whole;
  const uint8_t *w = blit.edges->weight[y == whole.y0 ? 0 : y == whole.y1 - 1 ? 2 : 1];
  auto blendOne = [&](int i, uint32_t weight) {
    uint32_t pixel = srcRow[blit.columns != nullptr ? blit.columns[i] : blit.firstColumn + i];
    if (weight != 0) out[i] = D2dOver(D2dMulUn8x4(pixel, weight), out[i]);
  };
  int from = 0, to = blit.box.x1 - blit.box.x0;
  if (blit.box.x0 == whole.x0) blendOne(from++, w[0]);
  if (blit.box.x1 == whole.x1 && to > from) blendOne(--to, w[2]);
  if (to <= from || w[1] == 0) return;
  const D2dRowKernels &kernels = D2dKernels();
  if (blit.columns != nullptr)
    kernels.blendColumns(out + from, srcRow, blit.columns + from, to - from, w[1]);
  else
    kernels.blend(out + from, srcRow + blit.firstColumn + from, to - from, w[1]);
}

// Every recorded draw, in order, limited to the rows [y0, y1).
void RunRows(const Batch &batch, int y0, int y1) {
  for (const Recorded &r : batch.draws) {
    int from = std::max(r.box.y0, y0), to = std::min(r.box.y1, y1);
    if (from < to) D2dRunBlit(batch.dst, batch.dstStride, Resolve(batch, r), from, to);
  }
}

// The pixels each touched row holds, for cutting bands of equal work.
void CountRowWork(Batch &batch) {
  int height = batch.y1 - batch.y0;
  batch.rowWork.assign(static_cast<size_t>(height) + 1, 0);
  for (const Recorded &r : batch.draws) {
    int64_t width = r.box.x1 - r.box.x0;
    batch.rowWork[r.box.y0 - batch.y0] += width;
    batch.rowWork[r.box.y1 - batch.y0] -= width;
  }
  for (int y = 1; y < height; ++y) batch.rowWork[y] += batch.rowWork[y - 1];
}

void Clear(Batch &batch) {
  batch.sharedTag[0] = batch.sharedTag[1] = 0;
  batch.shared.clear();
  batch.draws.clear();
  batch.tables.clear();
  batch.edges.clear();
  batch.pixels = 0;
  D2dDeferredPending.store(false, std::memory_order_release);
}

// The largest scaled source made, in pixels.
constexpr int64_t MaxScaled = 1 << 20;

// Draws that share both their tables (the same bitmap enlarged alike, many times) read one
// scaled picture of their source: where at least as many pixels are drawn from it as it
// holds, it is made once here and those draws become unscaled draws from it. The result is
// the same: a draw reads the very pixels its tables name.
void ScaleSharedSources(Batch &batch) {
  batch.scaledSources.clear();
  size_t last = 0;
  for (const Recorded &r : batch.draws) {
    if (r.sharedColumns == None || r.sharedRows == None) continue;
    auto same = [&](const Scaled &u) {
      return u.source == r.source && u.sourceStride == r.sourceStride && u.sharedColumns == r.sharedColumns &&
             u.sharedRows == r.sharedRows;
    };
    if (last >= batch.scaledSources.size() || !same(batch.scaledSources[last])) {
      last = std::find_if(batch.scaledSources.begin(), batch.scaledSources.end(), same) - batch.scaledSources.begin();
      if (last == batch.scaledSources.size())
        batch.scaledSources.push_back(Scaled{r.source, r.sourceStride, r.sharedColumns, r.sharedRows, 0, None});
    }
    batch.scaledSources[last].pixels += static_cast<int64_t>(r.box.x1 - r.box.x0) * (r.box.y1 - r.box.y0);
  }
  int64_t total = 0;
  for (Scaled &u : batch.scaledSources) {
    int64_t area = static_cast<int64_t>(batch.shared[u.sharedColumns].count) * batch.shared[u.sharedRows].count;
    if (u.pixels < area || area > MaxScaled) continue;
    u.at = total;
    total += area;
  }
  if (total == 0) return;
  batch.scaled.resize(static_cast<size_t>(total));
  for (const Scaled &u : batch.scaledSources) {
    if (u.at == None) continue;
    const SharedTable &columns = batch.shared[u.sharedColumns], &rows = batch.shared[u.sharedRows];
    uint32_t *out = batch.scaled.data() + u.at;
    for (int y = 0; y < rows.count; ++y, out += columns.count) {
      const uint32_t *srcRow = u.source + static_cast<ptrdiff_t>(batch.tables[rows.at + y]) * u.sourceStride;
      const int32_t *index = batch.tables.data() + columns.at;
      for (int x = 0; x < columns.count; ++x) out[x] = srcRow[index[x]];
    }
  }
  last = 0;
  for (Recorded &r : batch.draws) {
    if (r.sharedColumns == None || r.sharedRows == None) continue;
    while (batch.scaledSources[last].source != r.source || batch.scaledSources[last].sourceStride != r.sourceStride ||
           batch.scaledSources[last].sharedColumns != r.sharedColumns ||
           batch.scaledSources[last].sharedRows != r.sharedRows)
      last = (last + 1) % batch.scaledSources.size();
    const Scaled &u = batch.scaledSources[last];
    if (u.at == None) continue;
    const SharedTable &columns = batch.shared[u.sharedColumns], &rows = batch.shared[u.sharedRows];
    r.source = batch.scaled.data() + u.at;
    r.sourceStride = columns.count;
    r.firstColumn = r.columnsAt - columns.at;
    r.firstRow = r.rowsAt - rows.at;
    r.columnsAt = r.rowsAt = r.sharedColumns = r.sharedRows = None;
  }
}

// Draws everything recorded. The batch's lock is held.
void Run(Batch &batch) {
  if (batch.draws.empty()) {
    Clear(batch);
    return;
  }
  try {
    ScaleSharedSources(batch);
  } catch (const std::bad_alloc &) {
    // Drawn from the source through the tables instead.
  }
  auto rows = [&batch](int y0, int y1) { RunRows(batch, y0, y1); };
  try {
    if (D2dBandCount(batch.pixels) > 1) CountRowWork(batch);
    D2dForWorkBands(batch.y0, batch.y1, batch.rowWork.data(), batch.pixels, &batch.bandEdges, rows);
  } catch (const std::bad_alloc &) {
    // No memory to cut bands (thrown before any draw ran): all on this thread.
    rows(batch.y0, batch.y1);
  }
  Clear(batch);
}

} // namespace

void D2dRunBlit(uint32_t *dst, int dstStride, const D2dBlit &blit, int y0, int y1) {
  const D2dRowKernels &kernels = D2dKernels();
  int n = blit.box.x1 - blit.box.x0;
  if (blit.edges == nullptr && blit.columns == nullptr && blit.rows == nullptr) {
    kernels.blendRect(dst + static_cast<ptrdiff_t>(y0) * dstStride + blit.box.x0, dstStride,
                      blit.source + static_cast<ptrdiff_t>(blit.firstRow + (y0 - blit.box.y0)) * blit.sourceStride +
                          blit.firstColumn,
                      blit.sourceStride, n, y1 - y0, blit.opacity8);
    return;
  }
  for (int y = y0; y < y1; ++y) {
    int row = blit.rows != nullptr ? blit.rows[y - blit.box.y0] : blit.firstRow + (y - blit.box.y0);
    const uint32_t *srcRow = blit.source + static_cast<ptrdiff_t>(row) * blit.sourceStride;
    uint32_t *out = dst + static_cast<ptrdiff_t>(y) * dstStride + blit.box.x0;
    if (blit.edges != nullptr)
      BlendEdgedRow(out, srcRow, blit, y);
    else if (blit.columns != nullptr)
      kernels.blendColumns(out, srcRow, blit.columns, n, blit.opacity8);
    else
      kernels.blend(out, srcRow + blit.firstColumn, n, blit.opacity8);
  }
}

namespace {

// Where a draw's table lies in the batch's tables: a part of a shared table is copied only
// the first time its table is seen, a table of its own every time.
// *sharedIndex tells which of the batch's shared tables it is a part of, or None.
int32_t RecordTable(Batch &batch, int kind, const int32_t *values, int count, const D2dSharedTable *shared,
                    int32_t *sharedIndex) {
  *sharedIndex = None;
  if (shared == nullptr) {
    auto at = static_cast<int32_t>(batch.tables.size());
    batch.tables.insert(batch.tables.end(), values, values + count);
    return at;
  }
  if (batch.sharedTag[kind] != shared->tag) {
    batch.shared.push_back(SharedTable{static_cast<int32_t>(batch.tables.size()), shared->count});
    batch.tables.insert(batch.tables.end(), shared->values, shared->values + shared->count);
    batch.sharedTag[kind] = shared->tag;
    batch.sharedIndex[kind] = static_cast<int32_t>(batch.shared.size()) - 1;
  }
  *sharedIndex = batch.sharedIndex[kind];
  return batch.shared[*sharedIndex].at + static_cast<int32_t>(values - shared->values);
}

std::atomic<uint64_t> lastTableTag{0};

} // namespace

uint64_t D2dNewTableTag() { return lastTableTag.fetch_add(1, std::memory_order_relaxed) + 1; }

void D2dDeferBlit(const D2dSurface &dst, const D2dBlit &blit, const D2dSharedTable *columnTable,
                  const D2dSharedTable *rowTable) {
  Batch &batch = TheBatch();
  std::lock_guard<std::mutex> hold(batch.lock);
  if (!batch.draws.empty() && (batch.dst != dst.pixels || batch.dstStride != dst.stride ||
                               batch.draws.size() >= MaxDraws || batch.tables.size() >= MaxTable))
    Run(batch);
  int width = blit.box.x1 - blit.box.x0, height = blit.box.y1 - blit.box.y0;
  Recorded r{.box = blit.box,
             .source = blit.source,
             .sourceStride = blit.sourceStride,
             .opacity8 = blit.opacity8,
             .firstColumn = blit.firstColumn,
             .firstRow = blit.firstRow,
             .columnsAt = None,
             .rowsAt = None,
             .edgesAt = None,
             .sharedColumns = None,
             .sharedRows = None};
  size_t tables = batch.tables.size(), edges = batch.edges.size();
  try {
    if (blit.columns != nullptr)
      r.columnsAt = RecordTable(batch, 0, blit.columns, width, columnTable, &r.sharedColumns);
    if (blit.rows != nullptr) r.rowsAt = RecordTable(batch, 1, blit.rows, height, rowTable, &r.sharedRows);
    if (blit.edges != nullptr) {
      r.edgesAt = static_cast<int32_t>(batch.edges.size());
      batch.edges.push_back(*blit.edges);
    }
    batch.draws.push_back(r);
  } catch (const std::bad_alloc &) {
    // No memory to record it: draw what is recorded, then this one, at once.
    batch.sharedTag[0] = batch.sharedTag[1] = 0;
    batch.tables.resize(tables);
    batch.edges.resize(edges);
    Run(batch);
    D2dRunBlit(dst.pixels, dst.stride, blit, blit.box.y0, blit.box.y1);
    return;
  }
  if (batch.draws.size() == 1) {
    batch.dst = dst.pixels;
    batch.dstStride = dst.stride;
    batch.y0 = blit.box.y0;
    batch.y1 = blit.box.y1;
  } else {
    batch.y0 = std::min(batch.y0, blit.box.y0);
    batch.y1 = std::max(batch.y1, blit.box.y1);
  }
  batch.pixels += static_cast<int64_t>(width) * height;
  D2dDeferredPending.store(true, std::memory_order_release);
}

void D2dFlushDeferredNow() {
  Batch &batch = TheBatch();
  std::lock_guard<std::mutex> hold(batch.lock);
  Run(batch);
}
