// Direct2D on Linux: layers, bitmap brushes (transforms, extend modes), opacity masks, and
// the nearest-neighbour kernel checked against a plain per-pixel reference.
#include "test_d2d_helpers.h"
#include "test_d2d_reference.h"

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>
#include <random>
#include <sstream>

// The replacements below pair malloc with free, but GCC, seeing them inlined into callers
// of new and delete, takes them for mismatched.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

// While armed, this program's allocations of at least this many bytes fail, as they would on
// a machine out of memory (the rest go on as usual).
static std::atomic<size_t> failFrom{0};

static void *Allocate(size_t size) {
  size_t limit = failFrom.load(std::memory_order_relaxed);
  if (limit != 0 && size >= limit) return nullptr;
  return std::malloc(size != 0 ? size : 1);
}
void *operator new(size_t size) {
  if (void *p = Allocate(size)) return p;
  throw std::bad_alloc();
}
void *operator new[](size_t size) { return operator new(size); }
void *operator new(size_t size, const std::nothrow_t &) noexcept { return Allocate(size); }
void *operator new[](size_t size, const std::nothrow_t &) noexcept { return Allocate(size); }
void operator delete(void *p) noexcept { std::free(p); }
void operator delete[](void *p) noexcept { std::free(p); }
void operator delete(void *p, size_t) noexcept { std::free(p); }
void operator delete[](void *p, size_t) noexcept { std::free(p); }

namespace {

// Allocations of `bytes` or more fail while one of these lives.
struct FailingAllocations {
  explicit FailingAllocations(size_t bytes) { failFrom.store(bytes); }
  ~FailingAllocations() { failFrom.store(0); }
};

const uint32_t RedPixel = Bgra(0, 0, 255, 255);
const uint32_t GreenPixel = Bgra(0, 255, 0, 255);
const uint32_t BluePixel = Bgra(255, 0, 0, 255);
// Red at 128/255 over opaque blue: blue keeps 255 * 127 / 255 = 127.
const uint32_t HalfRedOnBlue = Bgra(127, 0, 128, 255);

D2D1_LAYER_PARAMETERS Layer(D2D1_RECT_F bounds, float opacity, ID2D1Brush *brush = nullptr) {
  return D2D1_LAYER_PARAMETERS{
      bounds, nullptr, D2D1_ANTIALIAS_MODE_PER_PRIMITIVE, {1, 0, 0, 1, 0, 0}, opacity, brush, D2D1_LAYER_OPTIONS_NONE};
}

class D2dComposeTest : public D2dTest {
protected:
  ID2D1SolidColorBrush *Solid(ID2D1RenderTarget *target, uint32_t pixel) {
    D2D1_COLOR_F color{((pixel >> 16) & 0xff) / 255.0f, ((pixel >> 8) & 0xff) / 255.0f, (pixel & 0xff) / 255.0f,
                       (pixel >> 24) / 255.0f};
    ID2D1SolidColorBrush *brush = nullptr;
    EXPECT_EQ(target->CreateSolidColorBrush(&color, nullptr, &brush), S_OK);
    return brush;
  }
  void FillAll(ID2D1RenderTarget *target, ID2D1Brush *brush) {
    D2D1_RECT_F everything{-100, -100, 100, 100};
    target->FillRectangle(&everything, brush);
  }
};

// ---------------------------------------------------------------------------------------
// Layers
// ---------------------------------------------------------------------------------------

TEST_F(D2dComposeTest, LayerClipsToItsContentBounds) {
  ID2D1BitmapRenderTarget *target = Target(4, 4);
  ID2D1SolidColorBrush *red = Solid(target, RedPixel);
  target->BeginDraw();
  D2D1_LAYER_PARAMETERS layer = Layer(D2D1_RECT_F{1, 1, 3, 3}, 1.0f);
  target->PushLayer(&layer, nullptr);
  FillAll(target, red);
  target->PopLayer();
  EXPECT_EQ(target->EndDraw(), S_OK);
  std::vector<uint32_t> pixels = Pixels(target);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(pixels[y * 4 + x], x >= 1 && x <= 2 && y >= 1 && y <= 2 ? RedPixel : 0u) << x << "," << y;

  // Clear inside a layer replaces only the layer's pixels, which are then composed over
  // what is below: a transparent clear leaves the red there untouched.
  target->BeginDraw();
  D2D1_LAYER_PARAMETERS corner = Layer(D2D1_RECT_F{0, 0, 2, 2}, 1.0f);
  target->PushLayer(&corner, nullptr);
  D2D1_COLOR_F green{0, 1, 0, 1};
  target->Clear(&green);
  target->PopLayer();
  target->EndDraw();
  pixels = Pixels(target);
  EXPECT_EQ(pixels[0], GreenPixel);
  EXPECT_EQ(pixels[5], GreenPixel);
  EXPECT_EQ(pixels[2], 0u);
  EXPECT_EQ(pixels[6], RedPixel);
  red->Release();
  target->Release();
}

// Content bounds have no antialias mode of their own: at fractional coordinates they clip
// whole pixels by their centres, whatever the target's mode.
TEST_F(D2dComposeTest, LayerContentBoundsClipWholePixelsByTheirCentres) {
  ID2D1BitmapRenderTarget *target = Target(4, 2);
  ID2D1SolidColorBrush *red = Solid(target, RedPixel);
  for (D2D1_ANTIALIAS_MODE mode : {D2D1_ANTIALIAS_MODE_PER_PRIMITIVE, D2D1_ANTIALIAS_MODE_ALIASED}) {
    target->BeginDraw();
    target->Clear(nullptr);
    target->SetAntialiasMode(mode);
    // Centres x + 0.5 in [0.25, 2.75) are columns 0 to 2; y + 0.5 in [0.25, 1.5) row 0.
    D2D1_LAYER_PARAMETERS layer = Layer(D2D1_RECT_F{0.25f, 0.25f, 2.75f, 1.5f}, 1.0f);
    target->PushLayer(&layer, nullptr);
    FillAll(target, red);
    target->PopLayer();
    EXPECT_EQ(target->EndDraw(), S_OK);
    std::vector<uint32_t> want = {RedPixel, RedPixel, RedPixel, 0, 0, 0, 0, 0};
    EXPECT_EQ(Pixels(target), want) << "mode " << mode;
  }
  red->Release();
  target->Release();
}

// After a failure nothing more is drawn: layers still pushed at EndDraw are dropped rather
// than composed. A target with a layer pushed cannot be copied from.
TEST_F(D2dComposeTest, AFailureDropsTheLayersStillPushedAndCopiesWaitForThePop) {
  ID2D1BitmapRenderTarget *target = Target(2, 1);
  ID2D1SolidColorBrush *red = Solid(target, RedPixel);
  ID2D1Bitmap *copy = Bitmap(2, 1, {0, 0});
  target->BeginDraw();
  D2D1_LAYER_PARAMETERS layer = Layer(D2D1_RECT_F{0, 0, 2, 1}, 1.0f);
  target->PushLayer(&layer, nullptr);
  FillAll(target, red);
  EXPECT_EQ(copy->CopyFromRenderTarget(nullptr, target, nullptr), D2DERR_RENDER_TARGET_HAS_LAYER_OR_CLIPRECT);
  target->DrawBitmap(copy, nullptr, 1.0f, static_cast<D2D1_BITMAP_INTERPOLATION_MODE>(9), nullptr);
  target->PopLayer(); // ignored after the failure
  EXPECT_EQ(target->EndDraw(), E_INVALIDARG);
  std::vector<uint32_t> want = {0, 0};
  EXPECT_EQ(Pixels(target), want);
  copy->Release();
  red->Release();
  target->Release();
}

TEST_F(D2dComposeTest, LayerOpacityMultipliesItsContent) {
  ID2D1BitmapRenderTarget *target = Target(2, 1);
  ID2D1SolidColorBrush *red = Solid(target, RedPixel);
  target->BeginDraw();
  Fill(target, BluePixel);
  D2D1_LAYER_PARAMETERS layer = Layer(D2D1_RECT_F{0, 0, 1, 1}, 0.5f);
  target->PushLayer(&layer, nullptr);
  FillAll(target, red);
  target->PopLayer();
  target->EndDraw();
  std::vector<uint32_t> want = {HalfRedOnBlue, BluePixel};
  EXPECT_EQ(Pixels(target), want);
  red->Release();
  target->Release();
}

TEST_F(D2dComposeTest, OpacityBrushMasksTheLayerInTargetSpace) {
  const uint32_t opaque = Bgra(0, 0, 0, 255), half = Bgra(0, 0, 0, 128);
  ID2D1Bitmap *mask = Bitmap(4, 1, {opaque, half, 0, opaque});
  ID2D1BitmapRenderTarget *target = Target(4, 1);
  ID2D1SolidColorBrush *red = Solid(target, RedPixel);
  ID2D1BitmapBrush *brush = nullptr;
  ASSERT_EQ(target->CreateBitmapBrush(mask, &brush), S_OK); // clamp, linear
  D2D1_LAYER_PARAMETERS layer = Layer(D2D1_RECT_F{0, 0, 4, 1}, 1.0f, brush);

  target->BeginDraw();
  Fill(target, BluePixel);
  target->PushLayer(&layer, nullptr);
  FillAll(target, red);
  target->PopLayer();
  target->EndDraw();
  // Each pixel of red goes through the mask's alpha at the same place.
  std::vector<uint32_t> want = {RedPixel, HalfRedOnBlue, BluePixel, RedPixel};
  EXPECT_EQ(Pixels(target), want);

  // Moved one pixel right (clamped at the left edge), the mask reads 255, 255, 128, 0.
  D2D1_MATRIX_3X2_F moved{1, 0, 0, 1, 1, 0};
  brush->SetTransform(&moved);
  target->BeginDraw();
  Fill(target, BluePixel);
  target->PushLayer(&layer, nullptr);
  FillAll(target, red);
  target->PopLayer();
  target->EndDraw();
  want = {RedPixel, RedPixel, HalfRedOnBlue, BluePixel};
  EXPECT_EQ(Pixels(target), want);

  // The layer's opacity multiplies the mask: 255 * 128 / 255 = 128 where the mask is opaque.
  brush->SetTransform(D2D1_MATRIX_3X2_F{1, 0, 0, 1, 0, 0});
  D2D1_LAYER_PARAMETERS faded = Layer(D2D1_RECT_F{0, 0, 1, 1}, 0.5f, brush);
  target->BeginDraw();
  Fill(target, BluePixel);
  target->PushLayer(&faded, nullptr);
  FillAll(target, red);
  target->PopLayer();
  target->EndDraw();
  EXPECT_EQ(Pixels(target)[0], HalfRedOnBlue);

  red->Release();
  brush->Release();
  mask->Release();
  target->Release();
}

// A layer's buffer or its opacity mask that cannot be had puts E_OUTOFMEMORY into the
// target's error state (no exception leaves the COM method); the next frame draws as usual.
TEST_F(D2dComposeTest, NoMemoryForALayerIsReportedAndTheNextFrameDraws) {
  const UINT32 side = 1024; // a layer buffer and a mask of 4 MiB each
  const size_t big = size_t{side} * side * 4 / 2;
  ID2D1Bitmap *maskPixels = Bitmap(1, 1, {Bgra(0, 0, 0, 255)});
  for (bool failAtPush : {true, false}) {
    ID2D1BitmapRenderTarget *target = Target(side, side);
    ID2D1SolidColorBrush *red = Solid(target, RedPixel);
    ID2D1BitmapBrush *mask = nullptr;
    ASSERT_EQ(target->CreateBitmapBrush(maskPixels, &mask), S_OK);
    D2D1_LAYER_PARAMETERS layer = Layer(D2D1_RECT_F{0, 0, float(side), float(side)}, 1.0f, mask);
    target->BeginDraw();
    {
      std::unique_ptr<FailingAllocations> failing;
      if (failAtPush) failing = std::make_unique<FailingAllocations>(big);
      target->PushLayer(&layer, nullptr);
      if (!failAtPush) failing = std::make_unique<FailingAllocations>(big);
      FillAll(target, red);
      target->PopLayer();
    }
    EXPECT_EQ(target->EndDraw(), E_OUTOFMEMORY) << (failAtPush ? "at the push" : "at the pop");
    target->BeginDraw();
    Fill(target, BluePixel);
    target->PushLayer(&layer, nullptr);
    FillAll(target, red);
    target->PopLayer();
    EXPECT_EQ(target->EndDraw(), S_OK);
    EXPECT_EQ(Pixels(target)[0], RedPixel);
    mask->Release();
    red->Release();
    target->Release();
  }
  maskPixels->Release();
}

TEST_F(D2dComposeTest, NestedLayersComposeInnermostFirst) {
  ID2D1BitmapRenderTarget *target = Target(4, 1);
  ID2D1SolidColorBrush *red = Solid(target, RedPixel);
  ID2D1SolidColorBrush *green = Solid(target, GreenPixel);
  for (int frame = 0; frame < 2; ++frame) { // the second frame reuses the layer buffers
    target->BeginDraw();
    Fill(target, BluePixel);
    D2D1_LAYER_PARAMETERS outer = Layer(D2D1_RECT_F{0, 0, 4, 1}, 0.5f);
    D2D1_LAYER_PARAMETERS inner = Layer(D2D1_RECT_F{2, 0, 10, 1}, 1.0f);
    target->PushLayer(&outer, nullptr);
    D2D1_RECT_F first{0, 0, 1, 1};
    target->FillRectangle(&first, green);
    target->PushLayer(&inner, nullptr);
    FillAll(target, red);
    target->PopLayer();
    target->PopLayer();
    EXPECT_EQ(target->EndDraw(), S_OK);
    // Outer content: green, nothing, red, red; composed at opacity 0.5 over blue.
    std::vector<uint32_t> want = {Bgra(127, 128, 0, 255), BluePixel, HalfRedOnBlue, HalfRedOnBlue};
    EXPECT_EQ(Pixels(target), want) << "frame " << frame;
  }

  // A layer left pushed at EndDraw is still composed, and the imbalance is reported.
  target->BeginDraw();
  D2D1_LAYER_PARAMETERS open = Layer(D2D1_RECT_F{0, 0, 1, 1}, 1.0f);
  target->PushLayer(&open, nullptr);
  FillAll(target, green);
  EXPECT_EQ(target->EndDraw(), D2DERR_PUSH_POP_UNBALANCED);
  EXPECT_EQ(Pixels(target)[0], GreenPixel);
  EXPECT_EQ(Pixels(target)[1], BluePixel);
  red->Release();
  green->Release();
  target->Release();
}

// ---------------------------------------------------------------------------------------
// Bitmap brushes
// ---------------------------------------------------------------------------------------

class D2dBrushTest : public D2dComposeTest {
protected:
  const uint32_t a = RedPixel, b = GreenPixel, c = BluePixel, d = Bgra(9, 9, 9, 255);
  ID2D1Bitmap *tile = nullptr;
  void SetUp() override {
    D2dComposeTest::SetUp();
    tile = Bitmap(2, 2, {a, b, c, d}); // a b / c d
  }
  void TearDown() override {
    tile->Release();
    D2dComposeTest::TearDown();
  }
  std::vector<uint32_t> Paint(UINT32 width, UINT32 height, D2D1_EXTEND_MODE x, D2D1_EXTEND_MODE y,
                              const D2D1_MATRIX_3X2_F &brushTransform, const D2D1_MATRIX_3X2_F &targetTransform,
                              float opacity = 1.0f) {
    ID2D1BitmapRenderTarget *target = Target(width, height);
    D2D1_BITMAP_BRUSH_PROPERTIES properties{x, y, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR};
    ID2D1BitmapBrush *brush = nullptr;
    EXPECT_EQ(target->CreateBitmapBrush(tile, properties, &brush), S_OK);
    brush->SetTransform(&brushTransform);
    brush->SetOpacity(opacity);
    target->BeginDraw();
    target->SetTransform(&targetTransform);
    D2D1_RECT_F all{-10, -10, 10, 10};
    target->FillRectangle(&all, brush);
    target->EndDraw();
    std::vector<uint32_t> pixels = Pixels(target);
    brush->Release();
    target->Release();
    return pixels;
  }
};

const D2D1_MATRIX_3X2_F IdentityMatrix{1, 0, 0, 1, 0, 0};

TEST_F(D2dBrushTest, WrappedAndRotated) {
  D2D1_MATRIX_3X2_F turn;
  D2D1MakeRotateMatrix(90.0f, D2D1_POINT_2F{0, 0}, &turn);
  // Brush point (u, v) lands at (-v, u); the inverse takes the centre of pixel (x, y) to
  // u = y + 0.5, v = -(x + 0.5): column y mod 2, row (-x - 1) mod 2, i.e. row 1 for even x.
  std::vector<uint32_t> want = {c, a, c, a, d, b, d, b, c, a, c, a, d, b, d, b};
  EXPECT_EQ(Paint(4, 4, D2D1_EXTEND_MODE_WRAP, D2D1_EXTEND_MODE_WRAP, turn, IdentityMatrix), want);

  // The target's transform follows the brush's: moved one pixel right, x becomes x - 1.
  D2D1_MATRIX_3X2_F right{1, 0, 0, 1, 1, 0};
  want = {a, c, a, c, b, d, b, d, a, c, a, c, b, d, b, d};
  EXPECT_EQ(Paint(4, 4, D2D1_EXTEND_MODE_WRAP, D2D1_EXTEND_MODE_WRAP, turn, right), want);
}

TEST_F(D2dBrushTest, OpacityAndUniformExtendGoThroughPixman) {
  // Clamp both ways with the brush moved by (1, 1): everything above or left of the
  // bitmap repeats its edge pixels.
  D2D1_MATRIX_3X2_F moved{1, 0, 0, 1, 1, 1};
  std::vector<uint32_t> want = {a, a, b, a, a, b, c, c, d};
  EXPECT_EQ(Paint(3, 3, D2D1_EXTEND_MODE_CLAMP, D2D1_EXTEND_MODE_CLAMP, moved, IdentityMatrix), want);
  // Mirror both ways: columns 0 1 1 0, rows likewise.
  want = {a, b, b, a, c, d, d, c};
  EXPECT_EQ(Paint(4, 2, D2D1_EXTEND_MODE_MIRROR, D2D1_EXTEND_MODE_MIRROR, IdentityMatrix, IdentityMatrix), want);
  // Opacity 0.5 over transparent: red 255 * 128 / 255 = 128.
  std::vector<uint32_t> faded =
      Paint(1, 1, D2D1_EXTEND_MODE_WRAP, D2D1_EXTEND_MODE_WRAP, IdentityMatrix, IdentityMatrix, 0.5f);
  EXPECT_EQ(faded[0], Bgra(0, 0, 128, 128));
}

TEST_F(D2dBrushTest, MixedExtendModesPerAxis) {
  // Wrap across, clamp down, moved one pixel down: rows -1 and 0 read row 0, rows 1 and 2
  // read row 1 (row 2 clamped).
  D2D1_MATRIX_3X2_F down{1, 0, 0, 1, 0, 1};
  std::vector<uint32_t> want = {a, b, a, b, a, b, a, b, c, d, c, d, c, d, c, d};
  EXPECT_EQ(Paint(4, 4, D2D1_EXTEND_MODE_WRAP, D2D1_EXTEND_MODE_CLAMP, down, IdentityMatrix), want);

  // Clamp across, mirror down: columns 0 1 1, rows 0 1 1 0 0.
  want = {a, b, b, c, d, d, c, d, d, a, b, b, a, b, b};
  EXPECT_EQ(Paint(3, 5, D2D1_EXTEND_MODE_CLAMP, D2D1_EXTEND_MODE_MIRROR, IdentityMatrix, IdentityMatrix), want);

  // Same answers under a half opacity: 255 * 128 / 255 = 128 in every opaque channel.
  std::vector<uint32_t> faded =
      Paint(1, 1, D2D1_EXTEND_MODE_WRAP, D2D1_EXTEND_MODE_CLAMP, IdentityMatrix, IdentityMatrix, 0.5f);
  EXPECT_EQ(faded[0], Bgra(0, 0, 128, 128));
}

TEST_F(D2dBrushTest, BrushKeepsItsBitmapAfterTheTargetIsReleased) {
  ID2D1BitmapRenderTarget *source = Target(1, 1);
  source->BeginDraw();
  Fill(source, GreenPixel);
  source->EndDraw();
  ID2D1Bitmap *bitmap = nullptr;
  source->GetBitmap(&bitmap);
  ID2D1BitmapBrush *brush = nullptr;
  ASSERT_EQ(source->CreateBitmapBrush(bitmap, &brush), S_OK);
  bitmap->Release();
  EXPECT_EQ(source->Release(), 0u);

  ID2D1BitmapRenderTarget *target = Target(2, 1);
  target->BeginDraw();
  FillAll(target, brush);
  target->EndDraw();
  std::vector<uint32_t> want = {GreenPixel, GreenPixel};
  EXPECT_EQ(Pixels(target), want);
  ID2D1Bitmap *held = nullptr;
  brush->GetBitmap(&held);
  ASSERT_NE(held, nullptr);
  EXPECT_EQ(held->Release(), 1u); // the brush's own reference is the last one
  EXPECT_EQ(brush->Release(), 0u);
  target->Release();
}

TEST_F(D2dComposeTest, FillOpacityMaskPaintsThroughTheMaskAlpha) {
  ID2D1Bitmap *mask = Bitmap(2, 1, {Bgra(0, 0, 0, 255), Bgra(0, 0, 0, 0)});
  ID2D1BitmapRenderTarget *target = Target(4, 1);
  ID2D1SolidColorBrush *red = Solid(target, RedPixel);
  target->BeginDraw();
  target->SetAntialiasMode(D2D1_ANTIALIAS_MODE_ALIASED);
  EXPECT_EQ(target->GetAntialiasMode(), D2D1_ANTIALIAS_MODE_ALIASED);
  // The 2 x 1 mask stretched over 4 x 1: opaque, opaque, clear, clear.
  D2D1_RECT_F dest{0, 0, 4, 1}, source{0, 0, 2, 1};
  target->FillOpacityMask(mask, red, D2D1_OPACITY_MASK_CONTENT_GRAPHICS, dest, source);
  target->EndDraw();
  std::vector<uint32_t> want = {RedPixel, RedPixel, 0, 0};
  EXPECT_EQ(Pixels(target), want);
  red->Release();
  mask->Release();
  target->Release();
}

TEST_F(D2dComposeTest, NoMemoryForAnOpacityMaskIsReportedAndTheNextFrameDraws) {
  const UINT32 side = 1024;
  ID2D1Bitmap *mask = Bitmap(1, 1, {Bgra(0, 0, 0, 255)});
  ID2D1BitmapRenderTarget *target = Target(side, side);
  ID2D1SolidColorBrush *red = Solid(target, RedPixel);
  D2D1_RECT_F dest{0, 0, float(side), float(side)};
  for (bool failing : {true, false}) {
    target->BeginDraw();
    target->SetAntialiasMode(D2D1_ANTIALIAS_MODE_ALIASED);
    Fill(target, BluePixel);
    {
      FailingAllocations fail(failing ? size_t{side} * side * 2 : 0);
      target->FillOpacityMask(mask, red, D2D1_OPACITY_MASK_CONTENT_GRAPHICS, &dest, nullptr);
    }
    EXPECT_EQ(target->EndDraw(), failing ? E_OUTOFMEMORY : S_OK);
    EXPECT_EQ(Pixels(target)[0], failing ? BluePixel : RedPixel);
  }
  red->Release();
  target->Release();
  mask->Release();
}

// ---------------------------------------------------------------------------------------
// The nearest-neighbour kernel against a plain reference
// ---------------------------------------------------------------------------------------

TEST_F(D2dComposeTest, NearestKernelMatchesTheReferenceOnRandomDraws) {
  const int tw = 64, th = 48;
  ID2D1BitmapRenderTarget *target = Target(tw, th);
  for (uint32_t seed = 1; seed <= 400; ++seed) {
    std::mt19937 random(seed);
    std::vector<uint32_t> background(tw * th);
    for (uint32_t &p : background) {
      uint32_t alpha = random() % 256;
      p = Bgra(random() % (alpha + 1), random() % (alpha + 1), random() % (alpha + 1), alpha);
    }
    ID2D1Bitmap *start = Bitmap(tw, th, background);
    ID2D1Bitmap *mine = nullptr;
    target->GetBitmap(&mine);
    mine->CopyFromBitmap(nullptr, start, nullptr);
    std::vector<uint32_t> want = background;
    target->BeginDraw();
    int draws = 1 + int(random() % 4);
    std::ostringstream cases;
    for (int i = 0; i < draws; ++i) {
      DrawCase c = RandomCase(random);
      ID2D1Bitmap *bitmap = Bitmap(c.width, c.height, c.pixels);
      D2D1_MATRIX_3X2_F moved{1, 0, 0, 1, c.tx, c.ty};
      target->SetTransform(&moved);
      target->SetAntialiasMode(c.antialiased ? D2D1_ANTIALIAS_MODE_PER_PRIMITIVE : D2D1_ANTIALIAS_MODE_ALIASED);
      target->DrawBitmap(bitmap, &c.dest, c.opacity, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR,
                         c.wholeSource ? nullptr : &c.source);
      DrawReference(want, tw, th, c);
      bitmap->Release();
      cases << " [" << c.width << "x" << c.height << " -> " << c.dest.left << "," << c.dest.top << "," << c.dest.right
            << "," << c.dest.bottom << " opacity " << c.opacity << (c.antialiased ? " antialiased]" : " aliased]");
    }
    target->EndDraw();
    std::vector<uint32_t> got = Pixels(target);
    int wrong = 0, first = -1;
    for (int i = 0; i < tw * th; ++i)
      if (got[i] != want[i] && wrong++ == 0) first = i;
    ASSERT_EQ(wrong, 0) << "seed " << seed << ": first at (" << first % tw << ", " << first / tw << ") got " << std::hex
                        << got[first] << " want " << want[first] << std::dec << cases.str();
    mine->Release();
    start->Release();
  }
  target->Release();
}

} // namespace
