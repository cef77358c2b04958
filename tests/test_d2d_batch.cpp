// Direct2D on Linux: the row kernels of every instruction set against a plain reference, and
// recorded DrawBitmap runs (drawn later, in bands across threads) against drawing in order.
#include "test_d2d_helpers.h"
#include "test_d2d_reference.h"

#include "d2d/d2d_batch.h"
#include "d2d/kernels/d2d_row_kernels.h"
#include "d2d/d2d_workers.h"

#include <climits>
#include <sstream>

namespace {

// ---------------------------------------------------------------------------------------
// Row kernels
// ---------------------------------------------------------------------------------------

// Random premultiplied pixels in runs: transparent, opaque, and mixed, as pictures have
// (whole runs of eight of one kind reach the kernels' shortcuts).
std::vector<uint32_t> RandomRow(std::mt19937 &random, int n) {
  std::vector<uint32_t> row;
  while (static_cast<int>(row.size()) < n) {
    int kind = static_cast<int>(random() % 4), run = 1 + static_cast<int>(random() % 20);
    for (int i = 0; i < run; ++i) {
      uint32_t alpha = kind == 0 ? 0 : kind == 1 ? 255 : random() % 256;
      // Now and then a malformed pixel (colour above its alpha) checks the saturating add.
      uint32_t limit = random() % 16 == 0 ? 255 : alpha;
      row.push_back(Bgra(random() % (limit + 1), random() % (limit + 1), random() % (limit + 1), alpha));
    }
  }
  row.resize(static_cast<size_t>(n));
  return row;
}

void CheckKernels(const D2dRowKernels &kernels) {
  const char *name = kernels.name;
  for (uint32_t seed = 1; seed <= 3000; ++seed) {
    std::mt19937 random(seed);
    int n = static_cast<int>(random() % 90);
    const uint32_t opacities[] = {255, 0, 128, static_cast<uint32_t>(random() % 256)};
    uint32_t opacity8 = opacities[random() % 4];
    std::vector<uint32_t> dst = RandomRow(random, n), src = RandomRow(random, n);
    // Never-decreasing columns with steps of 0 to 3 (spans past eight or sixteen reach the gather).
    int sourceWidth = 1 + static_cast<int>(random() % 200);
    int maxStep = static_cast<int>(random() % 4);
    std::vector<uint32_t> srcRow = RandomRow(random, sourceWidth);
    std::vector<int32_t> columns;
    int32_t at = static_cast<int32_t>(random() % sourceWidth);
    for (int i = 0; i < n; ++i) {
      columns.push_back(at);
      at = std::min<int32_t>(sourceWidth - 1, at + static_cast<int32_t>(random() % (maxStep + 1)));
    }
    uint32_t color = RandomRow(random, 1)[0];

    std::vector<uint32_t> want = dst, got = dst;
    for (int i = 0; i < n; ++i) want[i] = OverReference(src[i], dst[i], opacity8);
    kernels.blend(got.data(), src.data(), n, opacity8);
    ASSERT_EQ(got, want) << name << " blend, seed " << seed;

    // The same pixels as two rows of a rectangle, the source's rows further apart when n is odd.
    int w = n / 2;
    got = dst;
    kernels.blendRect(got.data(), w, src.data(), n - w, w, 2, opacity8);
    for (int i = 0; i < 2 * w; ++i) want[i] = OverReference(src[i < w ? i : i - w + (n - w)], dst[i], opacity8);
    for (int i = 2 * w; i < n; ++i) want[i] = dst[i];
    ASSERT_EQ(got, want) << name << " blendRect, seed " << seed;

    want = got = dst;
    for (int i = 0; i < n; ++i) want[i] = OverReference(srcRow[columns[i]], dst[i], opacity8);
    kernels.blendColumns(got.data(), srcRow.data(), columns.data(), n, opacity8);
    ASSERT_EQ(got, want) << name << " blendColumns, seed " << seed;

    want = got = dst;
    for (int i = 0; i < n; ++i) want[i] = OverReference(color, dst[i], 255);
    kernels.fill(got.data(), n, color);
    ASSERT_EQ(got, want) << name << " fill, seed " << seed;

    // Source indices of a nearest-neighbour scale: positions on whole and half pixels too,
    // where the floor sits exactly on an edge.
    int from = static_cast<int>(random() % 200) - 100;
    const double starts[] = {0.0, 0.5, -3.25, (random() % 2000) / 7.0 - 140.0};
    const double scales[] = {1.0, 128.0 / 150.0, 2.0, 0.37, (random() % 5000 + 1) / 997.0};
    double start = starts[random() % 4], origin = (random() % 400) / 4.0 - 50.0, scale = scales[random() % 5];
    int32_t lo = static_cast<int32_t>(random() % 40) - 20, hi = lo + static_cast<int32_t>(random() % 200);
    std::vector<int32_t> indices(static_cast<size_t>(n)), wantIndices(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
      wantIndices[i] = static_cast<int32_t>(
          std::clamp<int64_t>(static_cast<int64_t>(std::floor(origin + (from + i + 0.5 - start) * scale)), lo, hi));
    kernels.nearestIndices(indices.data(), from, n, D2dNearestAxis{start, origin, scale, lo, hi});
    ASSERT_EQ(indices, wantIndices) << name << " nearestIndices, seed " << seed;
  }
}

TEST(D2dRowKernels, EveryInstructionSetMatchesTheReference) {
  int count = 0;
  const D2dRowKernels *const *sets = D2dKernelSets(&count);
  ASSERT_GE(count, 1);
  EXPECT_EQ(sets[count - 1], &D2dPortableSet); // every machine runs the portable set
  for (int i = 0; i < count; ++i) CheckKernels(*sets[i]);
  // Whatever the machine chose is one of these.
  EXPECT_NE(std::find(sets, sets + count, &D2dKernels()), sets + count);
}

// ---------------------------------------------------------------------------------------
// The worker pool
// ---------------------------------------------------------------------------------------

TEST(D2dWorkers, RunEveryIndexOnce) {
  EXPECT_GE(D2dThreadCount(), 1);
  for (int count : {0, 1, 2, 7, 100}) {
    std::vector<std::atomic<int>> runs(static_cast<size_t>(count));
    for (int round = 0; round < 20; ++round) {
      D2dParallelFor(
          count, [](void *context, int index) { (*static_cast<std::vector<std::atomic<int>> *>(context))[index]++; },
          &runs);
    }
    for (int i = 0; i < count; ++i) EXPECT_EQ(runs[i].load(), 20) << "count " << count << ", index " << i;
  }
}

// ---------------------------------------------------------------------------------------
// Recorded draws against drawing in order
// ---------------------------------------------------------------------------------------

// Sets the band threshold for one test, so that even small batches go through the bands.
class D2dBatchTest : public D2dTest {
protected:
  int64_t previous = 0;
  void SetUp() override {
    D2dTest::SetUp();
    previous = D2dSetBandThreshold(0);
  }
  void TearDown() override {
    D2dSetBandThreshold(previous);
    D2dTest::TearDown();
  }
  ID2D1SolidColorBrush *Solid(ID2D1RenderTarget *target, const D2D1_COLOR_F &color) {
    ID2D1SolidColorBrush *brush = nullptr;
    EXPECT_EQ(target->CreateSolidColorBrush(&color, nullptr, &brush), S_OK);
    return brush;
  }
};

// What a target should hold, with at most one layer pushed.
struct Model {
  int width, height;
  std::vector<uint32_t> pixels;
  bool layered = false;
  ClipBox box{0, 0, 0, 0};
  uint32_t layerOpacity8 = 255;
  std::vector<uint32_t> content; // the layer's own pixels, whole-target sized

  std::vector<uint32_t> &Drawing() { return layered ? content : pixels; }
  ClipBox Clip() const { return layered ? box : ClipBox{0, 0, width, height}; }
  void Pop() {
    for (int y = box.y0; y < box.y1; ++y)
      for (int x = box.x0; x < box.x1; ++x)
        pixels[y * width + x] = OverReference(content[y * width + x], pixels[y * width + x], layerOpacity8);
    layered = false;
  }
};

std::string Hex(uint32_t v) {
  std::ostringstream out;
  out << std::hex << v;
  return out.str();
}

// The first differing pixel, or "" when all agree.
std::string Compare(const std::vector<uint32_t> &got, const std::vector<uint32_t> &want, int width) {
  for (size_t i = 0; i < want.size(); ++i)
    if (got[i] != want[i])
      return "first at (" + std::to_string(i % width) + ", " + std::to_string(i / width) + ") got " + Hex(got[i]) +
             " want " + Hex(want[i]);
  return "";
}

TEST_F(D2dBatchTest, RecordedDrawsEqualDrawingInOrder) {
  const int aw = 64, ah = 48, bw = 40, bh = 30;
  ID2D1BitmapRenderTarget *a = Target(aw, ah), *b = Target(bw, bh);
  ID2D1Bitmap *aBitmap = nullptr, *bBitmap = nullptr;
  a->GetBitmap(&aBitmap);
  b->GetBitmap(&bBitmap);
  ID2D1Bitmap *aReader = Bitmap(aw, ah, std::vector<uint32_t>(aw * ah, 0u));
  ID2D1Bitmap *bReader = Bitmap(bw, bh, std::vector<uint32_t>(bw * bh, 0u));
  const D2D1_MATRIX_3X2_F identity{1, 0, 0, 1, 0, 0};
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    std::mt19937 random(seed);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    Model ma{aw, ah, RandomRow(random, aw * ah), false, {}, 255, {}};
    Model mb{bw, bh, RandomRow(random, bw * bh), false, {}, 255, {}};
    ma.content.resize(ma.pixels.size());
    aBitmap->CopyFromMemory(nullptr, ma.pixels.data(), aw * 4);
    bBitmap->CopyFromMemory(nullptr, mb.pixels.data(), bw * 4);
    std::vector<ID2D1Bitmap *> held; // bitmaps of draws that may still be recorded
    std::ostringstream log;
    a->BeginDraw();
    b->BeginDraw();
    int steps = pick(1, 60);
    for (int step = 0; step < steps; ++step) {
      int op = pick(0, 99);
      bool onB = pick(0, 5) == 0;
      ID2D1BitmapRenderTarget *target = onB ? b : a;
      Model &model = onB ? mb : ma;
      if (op < 62) { // a random draw from a bitmap of its own
        DrawCase c = RandomCase(random);
        ID2D1Bitmap *bitmap = Bitmap(c.width, c.height, c.pixels);
        D2D1_MATRIX_3X2_F moved{1, 0, 0, 1, c.tx, c.ty};
        target->SetTransform(&moved);
        target->SetAntialiasMode(c.antialiased ? D2D1_ANTIALIAS_MODE_PER_PRIMITIVE : D2D1_ANTIALIAS_MODE_ALIASED);
        target->DrawBitmap(bitmap, &c.dest, c.opacity, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR,
                           c.wholeSource ? nullptr : &c.source);
        DrawReference(model.Drawing(), model.width, model.height, c, model.Clip());
        // Released at once now and then: the draw must not read freed pixels later.
        if (pick(0, 4) == 0)
          bitmap->Release();
        else
          held.push_back(bitmap);
        log << " draw" << (onB ? "B" : "A");
      } else if (op < 70) { // one bitmap enlarged alike at whole pixels a few times, as balls are
        DrawCase c = RandomCase(random);
        c.wholeSource = true;
        c.tx = c.ty = 0.0f;
        float width = float(c.width) * float(pick(11, 30)) / 10.0f,
              height = float(c.height) * float(pick(11, 30)) / 10.0f;
        ID2D1Bitmap *bitmap = Bitmap(c.width, c.height, c.pixels);
        target->SetTransform(&identity);
        target->SetAntialiasMode(c.antialiased ? D2D1_ANTIALIAS_MODE_PER_PRIMITIVE : D2D1_ANTIALIAS_MODE_ALIASED);
        for (int n = pick(2, 6); n > 0; --n) {
          float x = float(pick(-60, 70)), y = float(pick(-60, 60));
          c.dest = D2D1_RECT_F{x, y, x + width, y + height};
          target->DrawBitmap(bitmap, &c.dest, c.opacity, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, nullptr);
          DrawReference(model.Drawing(), model.width, model.height, c, model.Clip());
        }
        held.push_back(bitmap);
        log << " enlarge" << (onB ? "B" : "A");
      } else if (op < 78) { // the other target's bitmap, with its recorded draws, as a source
        ID2D1Bitmap *source = onB ? aBitmap : bBitmap;
        const Model &other = onB ? ma : mb;
        DrawCase c{other.width, other.height, other.pixels, true, {}, {}, 1.0f, 0, 0, pick(0, 1) == 0};
        float x = float(pick(-30, 50)), y = float(pick(-30, 40));
        c.dest = D2D1_RECT_F{x, y, x + other.width, y + other.height};
        c.opacity = pick(0, 1) == 0 ? 1.0f : 0.6f;
        target->SetTransform(&identity);
        target->SetAntialiasMode(c.antialiased ? D2D1_ANTIALIAS_MODE_PER_PRIMITIVE : D2D1_ANTIALIAS_MODE_ALIASED);
        target->DrawBitmap(source, &c.dest, c.opacity, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, nullptr);
        DrawReference(model.Drawing(), model.width, model.height, c, model.Clip());
        log << " copy" << (onB ? "AtoB" : "BtoA");
      } else if (op < 86) { // a solid fill, on whole or fractional coordinates
        const D2D1_COLOR_F colors[] = {{1, 0, 0, 1}, {0, 0.5f, 1, 0.5f}};
        int which = pick(0, 1);
        const uint32_t premultiplied[] = {Bgra(0, 0, 255, 255), Bgra(128, 64, 0, 128)};
        auto coordinate = [&](int lo, int hi) {
          return pick(0, 1) == 0 ? float(pick(lo, hi)) : pick(lo * 8, hi * 8) / 8.0f;
        };
        float x0 = coordinate(-5, model.width), y0 = coordinate(-5, model.height);
        float x1 = x0 + coordinate(0, 30), y1 = y0 + coordinate(0, 30);
        bool antialiased = pick(0, 1) == 0;
        ID2D1SolidColorBrush *brush = Solid(target, colors[which]);
        target->SetTransform(&identity);
        target->SetAntialiasMode(antialiased ? D2D1_ANTIALIAS_MODE_PER_PRIMITIVE : D2D1_ANTIALIAS_MODE_ALIASED);
        D2D1_RECT_F rect{x0, y0, x1, y1};
        target->FillRectangle(&rect, brush);
        brush->Release();
        FillReference(model.Drawing(), model.width, model.height, x0, y0, x1, y1, premultiplied[which], antialiased,
                      model.Clip());
        log << " fill";
      } else if (op < 92 && !onB) { // push or pop the layer
        if (!ma.layered) {
          int x0 = pick(-5, aw - 1), y0 = pick(-5, ah - 1);
          D2D1_RECT_F bounds{float(x0), float(y0), float(x0 + pick(1, 50)), float(y0 + pick(1, 40))};
          float opacity = pick(0, 1) == 0 ? 1.0f : 0.5f;
          D2D1_LAYER_PARAMETERS layer{
              bounds, nullptr, D2D1_ANTIALIAS_MODE_PER_PRIMITIVE, identity, opacity, nullptr, D2D1_LAYER_OPTIONS_NONE};
          a->SetTransform(&identity);
          a->PushLayer(&layer, nullptr);
          ma.layered = true;
          ma.box = ClipBox{std::max(0, x0), std::max(0, y0), std::min(aw, int(bounds.right)),
                           std::min(ah, int(bounds.bottom))};
          ma.layerOpacity8 = opacity == 1.0f ? 255 : 128;
          std::fill(ma.content.begin(), ma.content.end(), 0u);
          log << " push";
        } else {
          a->PopLayer();
          ma.Pop();
          log << " pop";
        }
      } else if (op < 96) { // read the pixels back in the middle of drawing (under the layer, if any)
        std::vector<uint32_t> got;
        if (pick(0, 1) == 0 && !model.layered) {
          got = Pixels(target); // CopyFromRenderTarget, which wants every layer popped
        } else {                // the target's bitmap, taken now, copied into a bitmap made before the draws
          ID2D1Bitmap *taken = nullptr, *copy = onB ? bReader : aReader;
          target->GetBitmap(&taken);
          copy->CopyFromBitmap(nullptr, taken, nullptr);
          got = BitmapPixels(copy);
          taken->Release();
        }
        std::string wrong = Compare(got, model.pixels, model.width);
        ASSERT_EQ(wrong, "") << "seed " << seed << " mid-drawing read of " << (onB ? "B" : "A") << ":" << log.str();
        log << " read";
      } else { // a clear of the whole drawing area
        D2D1_COLOR_F green{0, 1, 0, 1};
        target->Clear(&green);
        ClipBox clip = model.Clip();
        for (int y = clip.y0; y < clip.y1; ++y)
          for (int x = clip.x0; x < clip.x1; ++x) model.Drawing()[y * model.width + x] = Bgra(0, 255, 0, 255);
        log << " clear";
      }
    }
    if (ma.layered) {
      a->PopLayer();
      ma.Pop();
    }
    EXPECT_EQ(a->EndDraw(), S_OK);
    EXPECT_EQ(b->EndDraw(), S_OK);
    for (ID2D1Bitmap *bitmap : held) bitmap->Release();
    std::string wrongA = Compare(Pixels(a), ma.pixels, aw), wrongB = Compare(Pixels(b), mb.pixels, bw);
    ASSERT_EQ(wrongA, "") << "seed " << seed << " target A:" << log.str();
    ASSERT_EQ(wrongB, "") << "seed " << seed << " target B:" << log.str();
  }
  aBitmap->Release();
  bBitmap->Release();
  aReader->Release();
  bReader->Release();
  a->Release();
  b->Release();
}

// A long run of draws onto one target, plain and enlarged draws of two bitmaps mixed as a
// frame's balls are (the enlarged ones sharing their source index tables and, where enough
// is drawn, one scaled picture), played in bands.
TEST_F(D2dBatchTest, LongRunsOfSharedDrawsEqualDrawingInOrder) {
  const int w = 96, h = 80;
  ID2D1BitmapRenderTarget *target = Target(w, h);
  const D2D1_MATRIX_3X2_F identity{1, 0, 0, 1, 0, 0};
  target->SetTransform(&identity);
  for (uint32_t seed = 1; seed <= 20; ++seed) {
    std::mt19937 random(seed);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    std::vector<uint32_t> want = RandomRow(random, w * h);
    target->BeginDraw();
    ID2D1Bitmap *mine = nullptr;
    target->GetBitmap(&mine);
    mine->CopyFromMemory(nullptr, want.data(), w * 4);
    mine->Release();
    DrawCase balls[2] = {RandomCase(random), RandomCase(random)};
    ID2D1Bitmap *bitmaps[2];
    for (int i = 0; i < 2; ++i) {
      balls[i].wholeSource = true;
      balls[i].tx = balls[i].ty = 0.0f;
      balls[i].antialiased = true;
      bitmaps[i] = Bitmap(balls[i].width, balls[i].height, balls[i].pixels);
    }
    for (int n = pick(100, 400); n > 0; --n) {
      DrawCase &c = balls[pick(0, 1)];
      float x = float(pick(-40, w)), y = float(pick(-40, h)), grow = pick(0, 1) == 0 ? 1.0f : 1.5f;
      c.dest = D2D1_RECT_F{x, y, x + c.width * grow, y + c.height * grow};
      c.opacity = pick(1, 255) / 255.0f;
      target->DrawBitmap(bitmaps[&c - balls], &c.dest, c.opacity, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR,
                         nullptr);
      DrawReference(want, w, h, c);
    }
    EXPECT_EQ(target->EndDraw(), S_OK);
    for (ID2D1Bitmap *bitmap : bitmaps) bitmap->Release();
    ASSERT_EQ(Compare(Pixels(target), want, w), "") << "seed " << seed;
  }
  target->Release();
}

// Large bitmap-brush fills are cut into bands of rows painted by several threads; each band
// must come out exactly as the one composite does.
TEST_F(D2dBatchTest, BandedBrushFillsEqualOneComposite) {
  const int tw = 300, th = 240;
  ID2D1BitmapRenderTarget *target = Target(tw, th);
  ID2D1Bitmap *mine = nullptr;
  target->GetBitmap(&mine);
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    std::mt19937 random(seed);
    auto uniform = [&](double lo, double hi) { return float(std::uniform_real_distribution<double>(lo, hi)(random)); };
    int bw = 1 + int(random() % 40), bh = 1 + int(random() % 40);
    ID2D1Bitmap *tile = Bitmap(bw, bh, RandomRow(random, bw * bh));
    const D2D1_EXTEND_MODE modes[] = {D2D1_EXTEND_MODE_CLAMP, D2D1_EXTEND_MODE_WRAP, D2D1_EXTEND_MODE_MIRROR};
    D2D1_EXTEND_MODE mode = modes[random() % 3];
    D2D1_BITMAP_BRUSH_PROPERTIES properties{mode, mode,
                                            random() % 2 ? D2D1_BITMAP_INTERPOLATION_MODE_LINEAR
                                                         : D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR};
    ID2D1BitmapBrush *brush = nullptr;
    ASSERT_EQ(target->CreateBitmapBrush(tile, properties, &brush), S_OK);
    D2D1_MATRIX_3X2_F turn;
    D2D1MakeRotateMatrix(uniform(0, 360), D2D1_POINT_2F{uniform(0, 300), uniform(0, 300)}, &turn);
    float scale = uniform(0.3, 3);
    D2D1_MATRIX_3X2_F brushTransform{
        scale * turn._11,           scale * turn._12, scale * turn._21, scale * turn._22, turn._31 + uniform(-50, 50),
        turn._32 + uniform(-50, 50)};
    brush->SetTransform(&brushTransform);
    const float opacities[] = {1.0f, 0.2f, uniform(0, 1)};
    brush->SetOpacity(opacities[random() % 3]);
    D2D1_MATRIX_3X2_F targetTransform{1, 0, 0, 1, 0, 0};
    if (random() % 2) D2D1MakeRotateMatrix(uniform(-20, 20), D2D1_POINT_2F{150, 120}, &targetTransform);
    D2D1_RECT_F rect{uniform(-40, 40), uniform(-40, 40), uniform(260, 340), uniform(200, 280)};
    std::vector<uint32_t> background = RandomRow(random, tw * th);

    std::vector<uint32_t> results[2];
    for (int banded = 0; banded < 2; ++banded) {
      D2dSetBandThreshold(banded ? 0 : INT64_MAX);
      mine->CopyFromMemory(nullptr, background.data(), tw * 4);
      target->BeginDraw();
      target->SetTransform(&targetTransform);
      target->FillRectangle(&rect, brush);
      target->EndDraw();
      results[banded] = Pixels(target);
    }
    D2dSetBandThreshold(0);
    ASSERT_NE(results[0], background) << "seed " << seed << ": the fill painted nothing";
    std::string wrong = Compare(results[1], results[0], tw);
    ASSERT_EQ(wrong, "") << "seed " << seed;
    brush->Release();
    tile->Release();
  }
  mine->Release();
  target->Release();
}

// Layers are composed onto what is below in bands too, with their opacity alone or through
// an opacity brush; the bands must equal one composition.
TEST_F(D2dBatchTest, BandedLayerCompositionEqualsOneComposition) {
  const int tw = 200, th = 160;
  ID2D1BitmapRenderTarget *target = Target(tw, th);
  ID2D1Bitmap *mine = nullptr;
  target->GetBitmap(&mine);
  int changed = 0;
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    std::mt19937 random(seed);
    auto uniform = [&](double lo, double hi) { return float(std::uniform_real_distribution<double>(lo, hi)(random)); };
    int mw = 1 + int(random() % 30), mh = 1 + int(random() % 30);
    ID2D1Bitmap *maskTile = Bitmap(mw, mh, RandomRow(random, mw * mh));
    const D2D1_EXTEND_MODE modes[] = {D2D1_EXTEND_MODE_CLAMP, D2D1_EXTEND_MODE_WRAP, D2D1_EXTEND_MODE_MIRROR};
    D2D1_BITMAP_BRUSH_PROPERTIES properties{modes[random() % 3], modes[random() % 3],
                                            D2D1_BITMAP_INTERPOLATION_MODE_LINEAR};
    ID2D1BitmapBrush *maskBrush = nullptr;
    ASSERT_EQ(target->CreateBitmapBrush(maskTile, properties, &maskBrush), S_OK);
    D2D1_MATRIX_3X2_F brushTransform{uniform(0.5, 4), 0, 0, uniform(0.5, 4), uniform(-20, 20), uniform(-20, 20)};
    maskBrush->SetTransform(&brushTransform);
    bool masked = random() % 3 != 0;
    D2D1_RECT_F bounds{uniform(-20, 60), uniform(-20, 40), uniform(120, 220), uniform(100, 180)};
    D2D1_LAYER_PARAMETERS layer{bounds,
                                nullptr,
                                D2D1_ANTIALIAS_MODE_PER_PRIMITIVE,
                                {1, 0, 0, 1, 0, 0},
                                random() % 2 ? 1.0f : uniform(0, 1),
                                masked ? maskBrush : nullptr,
                                D2D1_LAYER_OPTIONS_NONE};
    std::vector<uint32_t> background = RandomRow(random, tw * th), content = RandomRow(random, tw * th);
    ID2D1Bitmap *picture = Bitmap(tw, th, content);

    std::vector<uint32_t> results[2];
    for (int banded = 0; banded < 2; ++banded) {
      D2dSetBandThreshold(banded ? 0 : INT64_MAX);
      mine->CopyFromMemory(nullptr, background.data(), tw * 4);
      target->BeginDraw();
      target->PushLayer(&layer, nullptr);
      target->DrawBitmap(picture, nullptr, 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, nullptr);
      target->PopLayer();
      target->EndDraw();
      results[banded] = Pixels(target);
    }
    D2dSetBandThreshold(0);
    if (results[0] != background) ++changed; // a clear mask or opacity composes nothing
    std::string wrong = Compare(results[1], results[0], tw);
    ASSERT_EQ(wrong, "") << "seed " << seed << (masked ? " (masked)" : "");
    picture->Release();
    maskBrush->Release();
    maskTile->Release();
  }
  EXPECT_GE(changed, 30) << "too few layers composed anything to compare";
  mine->Release();
  target->Release();
}

// Clears and copies between surfaces are shared among the threads in bands of rows; the
// bands must equal one pass, at every clip and every copy's clipping.
TEST_F(D2dBatchTest, BandedClearsAndCopiesEqualOnePass) {
  const int tw = 120, th = 90;
  ID2D1BitmapRenderTarget *target = Target(tw, th);
  ID2D1Bitmap *mine = nullptr;
  target->GetBitmap(&mine);
  for (uint32_t seed = 1; seed <= 20; ++seed) {
    std::mt19937 random(seed);
    auto uniform = [&](double lo, double hi) { return float(std::uniform_real_distribution<double>(lo, hi)(random)); };
    std::vector<uint32_t> background = RandomRow(random, tw * th), other = RandomRow(random, tw * th);
    D2D1_LAYER_PARAMETERS clip{{uniform(-20, 60), uniform(-20, 40), uniform(50, 140), uniform(40, 110)},
                               nullptr,
                               D2D1_ANTIALIAS_MODE_PER_PRIMITIVE,
                               {1, 0, 0, 1, 0, 0},
                               1.0f,
                               nullptr,
                               D2D1_LAYER_OPTIONS_NONE};
    D2D1_COLOR_F color{uniform(0, 1), uniform(0, 1), uniform(0, 1), uniform(0, 1)};
    D2D1_COLOR_F inner{uniform(0, 1), uniform(0, 1), uniform(0, 1), uniform(0, 1)};
    auto below = [&](uint32_t limit) { return static_cast<UINT32>(random() % limit); };
    D2D1_POINT_2U at{below(130), below(100)};
    D2D1_RECT_U from{below(60), below(50), 40 + below(100), 30 + below(80)};
    std::vector<uint32_t> results[2][2];
    for (int banded = 0; banded < 2; ++banded) {
      D2dSetBandThreshold(banded ? 0 : INT64_MAX);
      mine->CopyFromMemory(nullptr, background.data(), tw * 4);
      target->BeginDraw();
      target->Clear(&color);
      target->PushLayer(&clip, nullptr); // clears only its bounds
      target->Clear(&inner);
      target->PopLayer();
      target->EndDraw();
      results[banded][0] = Pixels(target);
      ID2D1Bitmap *copy = Bitmap(tw, th, other);
      ASSERT_EQ(copy->CopyFromRenderTarget(&at, target, &from), S_OK);
      results[banded][1] = BitmapPixels(copy);
      copy->Release();
    }
    D2dSetBandThreshold(0);
    for (int step = 0; step < 2; ++step)
      ASSERT_EQ(Compare(results[1][step], results[0][step], tw), "") << "seed " << seed << (step ? " (copy)" : "");
  }
  mine->Release();
  target->Release();
}

// Draws still recorded when their target goes away are finished first; the bitmap handed
// out earlier shows them.
TEST_F(D2dBatchTest, ReleasingATargetFinishesItsRecordedDraws) {
  ID2D1BitmapRenderTarget *target = Target(16, 16);
  ID2D1Bitmap *mine = nullptr;
  target->GetBitmap(&mine);
  ID2D1Bitmap *red = Bitmap(2, 2, std::vector<uint32_t>(4, Bgra(0, 0, 255, 255)));
  target->BeginDraw();
  for (int i = 0; i < 8; ++i) {
    D2D1_RECT_F dest{float(2 * i), float(2 * i), float(2 * i + 2), float(2 * i + 2)};
    target->DrawBitmap(red, &dest, 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, nullptr);
  }
  red->Release();
  EXPECT_EQ(target->Release(), 0u);
  std::vector<uint32_t> pixels = BitmapPixels(mine);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      EXPECT_EQ(pixels[y * 16 + x], x / 2 == y / 2 ? Bgra(0, 0, 255, 255) : 0u) << x << "," << y;
  mine->Release();
}

} // namespace
