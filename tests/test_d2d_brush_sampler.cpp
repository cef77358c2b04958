// Rotated bilinear bitmap-brush fills: our own sampler against pixman's composite, to the
// bit, on random transforms (rotations, negative, tiny and huge scales, scale 0), extend
// modes, opacities, clip regions, fills partly outside the target and fills inside layers.
// One seed replays one case.
#include "test_d2d_helpers.h"
#include "d2d/kernels/d2d_row_kernels.h"
#include "d2d/d2d_workers.h"

#include <cmath>
#include <random>
#include <sstream>

namespace {

struct Random {
  std::mt19937 engine;
  explicit Random(uint32_t seed) : engine(seed) {}
  int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(engine); }
  double Uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(engine); }
  // Premultiplied pixels: opaque, clear, or any alpha, mixed as pictures mix them.
  std::vector<uint32_t> Pixels(int count) {
    int kind = Pick(0, 3);
    std::vector<uint32_t> out(static_cast<size_t>(count));
    for (uint32_t &p : out) {
      uint32_t alpha = kind == 1 ? 255 : kind == 2 ? 0 : (Pick(0, 2) == 0 ? 255 : static_cast<uint32_t>(Pick(0, 255)));
      p = Bgra(Pick(0, int(alpha)), Pick(0, int(alpha)), Pick(0, int(alpha)), alpha);
    }
    return out;
  }
  // A brush-to-device transform: scale (sometimes negative, tiny, huge or 0), rotation
  // (sometimes a quarter turn or none), translation.
  D2D1_MATRIX_3X2_F Transform() {
    auto scale = [&]() -> double {
      switch (Pick(0, 9)) {
      case 0: return Uniform(0.001, 0.05);
      case 1: return Uniform(20, 3000);
      case 2: return 0.0;
      case 3: return -Uniform(0.2, 4);
      default: return Uniform(0.2, 4);
      }
    };
    double sx = scale(), sy = Pick(0, 2) == 0 ? sx : scale();
    double angle = Pick(0, 4) == 0 ? 90.0 * Pick(0, 3) : Uniform(-360, 360);
    double c = std::cos(angle * M_PI / 180), s = std::sin(angle * M_PI / 180);
    return D2D1_MATRIX_3X2_F{float(sx * c), float(sx * s),           float(-sy * s),
                             float(sy * c), float(Uniform(-60, 60)), float(Uniform(-60, 60))};
  }
  D2D1_EXTEND_MODE Extend() {
    const D2D1_EXTEND_MODE modes[] = {D2D1_EXTEND_MODE_CLAMP, D2D1_EXTEND_MODE_WRAP, D2D1_EXTEND_MODE_MIRROR};
    return modes[Pick(0, 2)];
  }
  uint32_t Opacity8() {
    const uint32_t some[] = {255, 51, 1, 254, static_cast<uint32_t>(Pick(1, 255))};
    return some[Pick(0, 4)];
  }
};

pixman_repeat_t RepeatOf(D2D1_EXTEND_MODE mode) {
  return mode == D2D1_EXTEND_MODE_WRAP     ? PIXMAN_REPEAT_NORMAL
         : mode == D2D1_EXTEND_MODE_MIRROR ? PIXMAN_REPEAT_REFLECT
                                           : PIXMAN_REPEAT_PAD;
}

// The first pixel that differs, or -1.
int FirstDifference(const std::vector<uint32_t> &got, const std::vector<uint32_t> &want) {
  for (size_t i = 0; i < got.size(); ++i)
    if (got[i] != want[i]) return static_cast<int>(i);
  return -1;
}

class KernelsGuard {
public:
  explicit KernelsGuard(const D2dRowKernels *set) : before_(D2dUseKernels(set)) {}
  ~KernelsGuard() { D2dUseKernels(before_); }

private:
  const D2dRowKernels *before_;
};

// The sets whose row kernel is compared with pixman: each vector set this machine runs, and
// the portable kernel, which no set uses for drawing.
std::vector<D2dRowKernels> SamplerSets() {
  int count = 0;
  const D2dRowKernels *const *sets = D2dKernelSets(&count);
  std::vector<D2dRowKernels> out;
  for (int i = 0; i < count; ++i)
    if (sets[i]->affineRow != nullptr) out.push_back(*sets[i]);
  D2dRowKernels portable = D2dPortableSet;
  portable.affineRow = D2dAffineRowPortable;
  out.push_back(portable);
  return out;
}

// One random fill straight through D2dAffineBrushFill and through pixman's composite, onto
// the same random background. Returns false when the sampler declined the fill.
bool CompareOneFill(uint32_t seed, const D2dRowKernels &set, std::string *failure) {
  Random random(seed);
  int w = random.Pick(1, 90), h = random.Pick(1, 70), bw = random.Pick(1, 40), bh = random.Pick(1, 40);
  int bstride = bw + (random.Pick(0, 1) == 0 ? 0 : random.Pick(1, 3)); // rows may have room to spare
  std::vector<uint32_t> background = random.Pixels(w * h), bitmapPixels = random.Pixels(bstride * bh);
  D2dSurface bitmap{};
  D2dSurfaceSet(&bitmap, bitmapPixels.data(), bw, bh, bstride);
  pixman_transform t;
  bool invertible = D2dPixmanSourceTransform(random.Transform(), &t);
  D2D1_EXTEND_MODE extend = random.Extend();
  uint32_t opacity8 = random.Opacity8();
  int x0 = random.Pick(0, w - 1), y0 = random.Pick(0, h - 1);
  D2dBox area{x0, y0, random.Pick(x0 + 1, w), random.Pick(y0 + 1, h)};
  pixman_region32_t clip;
  pixman_region32_init(&clip);
  bool clipped = random.Pick(0, 2) == 0;
  for (int i = 0, n = clipped ? random.Pick(1, 5) : 0; i < n; ++i) {
    int cx = random.Pick(-5, w), cy = random.Pick(-5, h);
    pixman_region32_union_rect(&clip, &clip, cx, cy, random.Pick(1, 40), random.Pick(1, 40));
  }
  bool taken = false;
  if (invertible) {
    std::vector<uint32_t> want = background, got = background;
    D2dSurface dst{};
    D2dSurfaceSet(&dst, want.data(), w, h, w);
    pixman_image_t *source = pixman_image_create_bits(PIXMAN_a8r8g8b8, bw, bh, bitmapPixels.data(), bstride * 4);
    pixman_image_t *target = pixman_image_create_bits(PIXMAN_a8r8g8b8, w, h, want.data(), w * 4);
    pixman_color_t color{0, 0, 0, static_cast<uint16_t>(opacity8 * 257)};
    pixman_image_t *mask = opacity8 < 255 ? pixman_image_create_solid_fill(&color) : nullptr;
    pixman_image_set_transform(source, &t);
    pixman_image_set_filter(source, PIXMAN_FILTER_BILINEAR, nullptr, 0);
    pixman_image_set_repeat(source, RepeatOf(extend));
    if (clipped) pixman_image_set_clip_region32(target, &clip);
    pixman_image_composite32(PIXMAN_OP_OVER, source, mask, target, area.x0, area.y0, 0, 0, area.x0, area.y0,
                             area.x1 - area.x0, area.y1 - area.y0);
    if (mask != nullptr) pixman_image_unref(mask);
    pixman_image_unref(target);
    pixman_image_unref(source);
    D2dSurfaceRelease(&dst);

    D2dSurfaceSet(&dst, got.data(), w, h, w);
    KernelsGuard guard(&set);
    taken = D2dAffineBrushFill(&dst, area, clipped ? &clip : nullptr, bitmap, t, extend, opacity8);
    D2dSurfaceRelease(&dst);
    if (!taken) got = want; // declined: the caller paints with pixman
    int first = FirstDifference(got, want);
    if (first >= 0) {
      std::ostringstream out;
      out << set.name << ", seed " << seed << ": " << w << "x" << h << " target, " << bw << "x" << bh
          << " bitmap, extend " << extend << ", opacity " << opacity8 << ", matrix {" << t.matrix[0][0] << " "
          << t.matrix[0][1] << " " << t.matrix[0][2] << "; " << t.matrix[1][0] << " " << t.matrix[1][1] << " "
          << t.matrix[1][2] << "}, first difference at (" << first % w << ", " << first / w << "): got " << std::hex
          << got[first] << " want " << want[first];
      *failure = out.str();
    }
  }
  pixman_region32_fini(&clip);
  D2dSurfaceRelease(&bitmap);
  return taken;
}

void CompareManyFills() {
  for (const D2dRowKernels &set : SamplerSets()) {
    int taken = 0;
    const uint32_t seeds = 3000;
    for (uint32_t seed = 1; seed <= seeds; ++seed) {
      std::string failure;
      if (CompareOneFill(seed, set, &failure)) ++taken;
      ASSERT_TRUE(failure.empty()) << failure;
    }
    // Most random transforms rotate and stay near the bitmap: the sampler must take them.
    EXPECT_GT(taken, static_cast<int>(seeds / 2)) << set.name;
  }
}

TEST(D2dBrushSampler, EveryRowKernelMatchesPixmanOnRandomFills) { CompareManyFills(); }

TEST(D2dBrushSampler, BandsAcrossThreadsMatchPixman) {
  int64_t before = D2dSetBandThreshold(1);
  CompareManyFills();
  D2dSetBandThreshold(before);
}

TEST(D2dBrushSampler, DeclinesWhatPixmanRoundsOtherwise) {
  std::vector<uint32_t> pixels(4, Bgra(10, 20, 30, 40)), target(16, 0);
  D2dSurface bitmap{}, dst{};
  D2dSurfaceSet(&bitmap, pixels.data(), 2, 2, 2);
  D2dSurfaceSet(&dst, target.data(), 4, 4, 4);
  pixman_transform scaled;
  pixman_transform_init_scale(&scaled, pixman_double_to_fixed(0.5), pixman_double_to_fixed(0.5));
  EXPECT_FALSE(D2dAffineBrushFill(&dst, D2dBox{0, 0, 4, 4}, nullptr, bitmap, scaled, D2D1_EXTEND_MODE_WRAP, 255));
  pixman_transform rotated;
  pixman_transform_init_rotate(&rotated, pixman_double_to_fixed(0.6), pixman_double_to_fixed(0.8));
  {
    KernelsGuard guard(&D2dPortableSet); // no row kernel: pixman fills
    EXPECT_FALSE(D2dAffineBrushFill(&dst, D2dBox{0, 0, 4, 4}, nullptr, bitmap, rotated, D2D1_EXTEND_MODE_WRAP, 255));
  }
  EXPECT_EQ(target, std::vector<uint32_t>(16, 0));
  D2dRowKernels set = D2dPortableSet;
  set.affineRow = D2dAffineRowPortable;
  KernelsGuard portable(&set);
  EXPECT_TRUE(D2dAffineBrushFill(&dst, D2dBox{0, 0, 4, 4}, nullptr, bitmap, rotated, D2D1_EXTEND_MODE_WRAP, 255));
  EXPECT_EQ(target, std::vector<uint32_t>(16, Bgra(10, 20, 30, 40)));
  D2dSurfaceRelease(&dst);
  D2dSurfaceRelease(&bitmap);
}

// ---------------------------------------------------------------------------------------
// Through the Direct2D interfaces: brush and target transforms, rectangles partly outside
// the target, layers
// ---------------------------------------------------------------------------------------

class D2dBrushSamplerTest : public D2dTest {
protected:
  // Draws one random scene with the given sampler and returns the target's pixels.
  std::vector<uint32_t> Scene(uint32_t seed, const D2dRowKernels &set) {
    KernelsGuard guard(&set);
    Random random(seed);
    int w = random.Pick(8, 80), h = random.Pick(8, 60);
    ID2D1BitmapRenderTarget *target = Target(w, h);
    ID2D1Bitmap *start = Bitmap(w, h, random.Pixels(w * h));
    ID2D1Bitmap *mine = nullptr;
    target->GetBitmap(&mine);
    mine->CopyFromBitmap(nullptr, start, nullptr);
    target->BeginDraw();
    int fills = random.Pick(1, 3);
    std::vector<ID2D1Bitmap *> bitmaps;
    for (int i = 0; i < fills; ++i) {
      int bw = random.Pick(1, 30), bh = random.Pick(1, 30);
      ID2D1Bitmap *bitmap = Bitmap(bw, bh, random.Pixels(bw * bh));
      bitmaps.push_back(bitmap);
      D2D1_EXTEND_MODE extend = random.Extend();
      D2D1_BITMAP_BRUSH_PROPERTIES properties{extend, extend, D2D1_BITMAP_INTERPOLATION_MODE_LINEAR};
      ID2D1BitmapBrush *brush = nullptr;
      EXPECT_EQ(target->CreateBitmapBrush(bitmap, properties, &brush), S_OK);
      D2D1_MATRIX_3X2_F transform = random.Transform();
      brush->SetTransform(&transform);
      brush->SetOpacity(random.Pick(0, 1) == 0 ? 1.0f : float(random.Uniform(0, 1)));
      D2D1_MATRIX_3X2_F world{1, 0, 0, 1, 0, 0};
      if (random.Pick(0, 3) == 0) { // a rotated target: the fill is clipped to a quad
        double a = random.Uniform(-3, 3);
        world = D2D1_MATRIX_3X2_F{float(std::cos(a)), float(std::sin(a)),          float(-std::sin(a)),
                                  float(std::cos(a)), float(random.Uniform(0, w)), float(random.Uniform(0, h))};
      }
      target->SetTransform(&world);
      bool layered = random.Pick(0, 2) == 0;
      if (layered) {
        float lx = float(random.Uniform(-10, w)), ly = float(random.Uniform(-10, h));
        D2D1_LAYER_PARAMETERS layer{{lx, ly, lx + float(random.Uniform(1, w)), ly + float(random.Uniform(1, h))},
                                    nullptr,
                                    D2D1_ANTIALIAS_MODE_PER_PRIMITIVE,
                                    {1, 0, 0, 1, 0, 0},
                                    random.Pick(0, 1) == 0 ? 1.0f : float(random.Uniform(0, 1)),
                                    nullptr,
                                    D2D1_LAYER_OPTIONS_NONE};
        target->PushLayer(&layer, nullptr);
      }
      float left = float(random.Uniform(-30, w)), top = float(random.Uniform(-30, h));
      D2D1_RECT_F rect{left, top, left + float(random.Uniform(0.5, 2.0 * w)),
                       top + float(random.Uniform(0.5, 2.0 * h))};
      target->FillRectangle(&rect, brush);
      if (layered) target->PopLayer();
      brush->Release();
    }
    target->EndDraw();
    std::vector<uint32_t> pixels = Pixels(target);
    for (ID2D1Bitmap *bitmap : bitmaps) bitmap->Release();
    mine->Release();
    start->Release();
    target->Release();
    return pixels;
  }
};

TEST_F(D2dBrushSamplerTest, ScenesMatchPixman) {
  std::vector<D2dRowKernels> sets = SamplerSets();
  for (uint32_t seed = 1; seed <= 500; ++seed) {
    std::vector<uint32_t> want = Scene(seed, D2dPortableSet); // fills through pixman
    for (const D2dRowKernels &set : sets) {
      std::vector<uint32_t> got = Scene(seed, set);
      int first = FirstDifference(got, want);
      ASSERT_LT(first, 0) << set.name << ", seed " << seed << ": first difference at pixel " << first << ": got "
                          << std::hex << got[first] << " want " << want[first];
    }
  }
}

} // namespace
