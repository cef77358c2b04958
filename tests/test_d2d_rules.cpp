// Direct2D's drawing rules as Windows documents them, checked through the Windows API only
// (a DC render target bound to a DIB section), so that the Windows build runs them too:
// rectangles given with their edges out of order, source rectangles reaching past their
// bitmap, the error state that EndDraw and Flush report, and edges at fractional
// coordinates. Each row of a table is a small drawing and the pixels Windows gives for it,
// worked out by hand from those rules. Pixels are written 0xAARRGGBB, premultiplied, as the
// DIB section holds them.
#include <windows.h>
#include <d2d1.h>

#include <gtest/gtest.h>

#include "dib.h"
#include "wine.h"

#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

const uint32_t RedPixel = 0xFFFF0000, GreenPixel = 0xFF00FF00, BluePixel = 0xFF0000FF, WhitePixel = 0xFFFFFFFF;

// A picture as rows of letters, each letter a pixel of the legend; '.' is transparent black.
std::vector<uint32_t> Picture(std::initializer_list<const char *> rows, const std::map<char, uint32_t> &legend) {
  std::vector<uint32_t> out;
  for (const char *row : rows)
    for (const char *c = row; *c != '\0'; ++c) out.push_back(*c == '.' ? 0u : legend.at(*c));
  return out;
}

std::string Hex(uint32_t v) {
  char text[12];
  std::snprintf(text, sizeof text, "%08X", v);
  return text;
}

// Rows of a table that Wine 8.0 cannot run are left out there; once the others have run,
// the test reports itself skipped with the reasons.
struct WineSkips {
  std::string reasons;
  // True when the row is to be left out.
  bool Skip(const char *reason) {
    if (reason == nullptr || !RunningUnderWine()) return false;
    if (reasons.find(reason) == std::string::npos) reasons += (reasons.empty() ? "" : "; ") + std::string(reason);
    return true;
  }
};

// The pixels as rows of hexadecimal values, for messages.
std::string Rows(const std::vector<uint32_t> &pixels, int width) {
  std::string out;
  for (size_t i = 0; i < pixels.size(); ++i) out += (i % width == 0 ? "\n  " : " ") + Hex(pixels[i]);
  return out;
}

class D2dRules : public ::testing::Test {
protected:
  ID2D1Factory *factory = nullptr;
  ID2D1DCRenderTarget *target = nullptr;
  TestDib dib{};
  int width = 0, height = 0;

  void SetUp() override {
    ASSERT_EQ(D2D1CreateFactory(D2D1_FACTORY_TYPE_SINGLE_THREADED, IID_ID2D1Factory, nullptr,
                                reinterpret_cast<void **>(&factory)),
              S_OK);
    NewTarget();
  }
  // Replaces the target with a new one, bound to nothing.
  void NewTarget(D2D1_ALPHA_MODE alphaMode = D2D1_ALPHA_MODE_PREMULTIPLIED) {
    if (target != nullptr) target->Release();
    target = nullptr;
    D2D1_RENDER_TARGET_PROPERTIES properties{D2D1_RENDER_TARGET_TYPE_DEFAULT,
                                             {DXGI_FORMAT_B8G8R8A8_UNORM, alphaMode},
                                             96.0f,
                                             96.0f,
                                             D2D1_RENDER_TARGET_USAGE_NONE,
                                             D2D1_FEATURE_LEVEL_DEFAULT};
    ASSERT_EQ(factory->CreateDCRenderTarget(&properties, &target), S_OK);
  }
  void TearDown() override {
    if (dib.bitmap != nullptr) FreeTestDib(&dib);
    if (target != nullptr) target->Release();
    if (factory != nullptr) factory->Release();
  }

  // Binds the target to a new w x h DIB section and begins drawing on transparent black,
  // at 96 dpi, with the identity transform and the default (per-primitive) antialias mode.
  void Begin(int w, int h) {
    if (dib.bitmap != nullptr) FreeTestDib(&dib);
    dib = MakeTestDib(w, h, 0);
    width = w;
    height = h;
    RECT area{0, 0, w, h};
    ASSERT_EQ(target->BindDC(dib.dc, &area), S_OK);
    target->BeginDraw();
    target->SetDpi(96, 96);
    D2D1_MATRIX_3X2_F identity{1, 0, 0, 1, 0, 0};
    target->SetTransform(&identity);
    target->SetAntialiasMode(D2D1_ANTIALIAS_MODE_PER_PRIMITIVE);
    D2D1_COLOR_F clear{0, 0, 0, 0};
    target->Clear(&clear);
  }

  // Ends drawing, expecting success; the pixels the DIB section holds then.
  std::vector<uint32_t> End() {
    EXPECT_EQ(target->EndDraw(nullptr, nullptr), S_OK);
    return std::vector<uint32_t>(dib.pixels, dib.pixels + static_cast<size_t>(width) * height);
  }

  void ExpectPicture(const std::vector<uint32_t> &got, const std::vector<uint32_t> &want, const std::string &what) {
    EXPECT_EQ(got, want) << what << "\ngot:" << Rows(got, width) << "\nwant:" << Rows(want, width);
  }

  ID2D1SolidColorBrush *Solid(uint32_t argb) {
    D2D1_COLOR_F color{((argb >> 16) & 255) / 255.0f, ((argb >> 8) & 255) / 255.0f, (argb & 255) / 255.0f,
                       (argb >> 24) / 255.0f};
    ID2D1SolidColorBrush *brush = nullptr;
    EXPECT_EQ(target->CreateSolidColorBrush(&color, nullptr, &brush), S_OK);
    return brush;
  }

  // A bitmap of 0xAARRGGBB pixels (premultiplied unless their alpha is ignored), rows top first.
  ID2D1Bitmap *Bitmap(UINT32 w, UINT32 h, const std::vector<uint32_t> &pixels, float dpi = 96.0f,
                      D2D1_ALPHA_MODE alphaMode = D2D1_ALPHA_MODE_PREMULTIPLIED) {
    D2D1_BITMAP_PROPERTIES properties{{DXGI_FORMAT_B8G8R8A8_UNORM, alphaMode}, dpi, dpi};
    ID2D1Bitmap *bitmap = nullptr;
    EXPECT_EQ(target->CreateBitmap(D2D1_SIZE_U{w, h}, pixels.data(), w * 4, &properties, &bitmap), S_OK);
    return bitmap;
  }

  void FillAll(ID2D1Brush *brush) {
    D2D1_RECT_F all{-100, -100, 100, 100};
    target->FillRectangle(&all, brush);
  }
};

// ---------------------------------------------------------------------------------------
// Rectangles with their edges out of order are drawn with their edges in order
// ---------------------------------------------------------------------------------------

TEST_F(D2dRules, FillRectangleTakesItsEdgesInAnyOrder) {
  const std::vector<uint32_t> want = Picture({".rr.", ".rr.", "...."}, {{'r', RedPixel}});
  const D2D1_RECT_F rects[] = {{1, 0, 3, 2}, {3, 0, 1, 2}, {1, 2, 3, 0}, {3, 2, 1, 0}};
  for (const D2D1_RECT_F &rect : rects) {
    Begin(4, 3);
    ID2D1SolidColorBrush *red = Solid(RedPixel);
    target->FillRectangle(&rect, red);
    red->Release();
    ExpectPicture(End(), want,
                  "rectangle " + std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
                      std::to_string(rect.right) + "," + std::to_string(rect.bottom));
  }
}

TEST_F(D2dRules, BitmapBrushFillsGivenInvertedShowTheirTilesInEveryExtendMode) {
  // The 2 x 2 tile a b / c d, moved to (2, 2), over a 6 x 6 target: pixel column x reads
  // tile column x - 2 extended past the tile: clamped 0 0 0 1 1 1, wrapped 0 1 0 1 0 1,
  // mirrored 1 0 0 1 1 0 (and rows alike).
  const uint32_t tile[2][2] = {{RedPixel, GreenPixel}, {BluePixel, WhitePixel}};
  struct Mode {
    D2D1_EXTEND_MODE mode;
    int index[6];
  };
  const Mode modes[] = {{D2D1_EXTEND_MODE_CLAMP, {0, 0, 0, 1, 1, 1}},
                        {D2D1_EXTEND_MODE_WRAP, {0, 1, 0, 1, 0, 1}},
                        {D2D1_EXTEND_MODE_MIRROR, {1, 0, 0, 1, 1, 0}}};
  for (const Mode &across : modes)
    for (const Mode &down : modes) {
      Begin(6, 6);
      ID2D1Bitmap *bitmap = Bitmap(2, 2, {tile[0][0], tile[0][1], tile[1][0], tile[1][1]});
      D2D1_BITMAP_BRUSH_PROPERTIES properties{across.mode, down.mode, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR};
      ID2D1BitmapBrush *brush = nullptr;
      ASSERT_EQ(target->CreateBitmapBrush(bitmap, &properties, nullptr, &brush), S_OK);
      D2D1_MATRIX_3X2_F moved{1, 0, 0, 1, 2, 2};
      brush->SetTransform(&moved);
      D2D1_RECT_F inverted{6, 6, 0, 0};
      target->FillRectangle(&inverted, brush);
      brush->Release();
      bitmap->Release();
      std::vector<uint32_t> want;
      for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) want.push_back(tile[down.index[y]][across.index[x]]);
      ExpectPicture(End(), want, "extend modes " + std::to_string(across.mode) + ", " + std::to_string(down.mode));
    }
}

TEST_F(D2dRules, DrawBitmapTakesTheEdgesOfBothRectanglesInAnyOrder) {
  const std::map<char, uint32_t> legend{{'a', RedPixel}, {'b', GreenPixel}, {'c', BluePixel}, {'d', WhitePixel}};
  const D2D1_RECT_F dests[] = {{1, 1, 3, 3}, {3, 1, 1, 3}, {1, 3, 3, 1}, {3, 3, 1, 1}};
  for (const D2D1_RECT_F &dest : dests) {
    Begin(4, 4);
    ID2D1Bitmap *bitmap = Bitmap(2, 2, {RedPixel, GreenPixel, BluePixel, WhitePixel});
    target->DrawBitmap(bitmap, &dest, 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, nullptr);
    bitmap->Release();
    ExpectPicture(End(), Picture({"....", ".ab.", ".cd.", "...."}, legend),
                  "destination " + std::to_string(dest.left) + "," + std::to_string(dest.top));
  }

  // Source (4, 0, 0, 4) and the others with no destination draw the whole 4 x 4 bitmap the
  // right way round.
  std::vector<uint32_t> sixteen;
  for (uint32_t i = 0; i < 16; ++i) sixteen.push_back(0xFF000000u | (i * 16) << 16 | (255 - i * 16));
  const D2D1_RECT_F sources[] = {{4, 0, 0, 4}, {0, 4, 4, 0}, {4, 4, 0, 0}};
  for (const D2D1_RECT_F &source : sources) {
    Begin(4, 4);
    ID2D1Bitmap *bitmap = Bitmap(4, 4, sixteen);
    target->DrawBitmap(bitmap, nullptr, 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, &source);
    bitmap->Release();
    ExpectPicture(End(), sixteen, "source " + std::to_string(source.left) + "," + std::to_string(source.top));
  }
}

// ---------------------------------------------------------------------------------------
// A source rectangle past the bitmap is clipped to it and what is left fills the destination
// ---------------------------------------------------------------------------------------

TEST_F(D2dRules, SourceRectanglePastTheBitmapIsClippedAndStretchedOverTheWholeDestination) {
  // The 2 x 2 bitmap a b / c d into a 4 x 4 target; rectangles in DIPs, the bitmap's and the
  // target's DPI as given.
  struct Case {
    D2D1_RECT_F source, dest;
    float bitmapDpi, targetDpiX, targetDpiY;
    std::initializer_list<const char *> want;
  };
  const Case cases[] = {
      // Twice the bitmap past its right and bottom edges: one 2 x 2 block per pixel.
      {{0, 0, 4, 4}, {0, 0, 4, 4}, 96, 96, 96, {"aabb", "aabb", "ccdd", "ccdd"}},
      // Past every edge: the same.
      {{-1, -1, 3, 3}, {0, 0, 4, 4}, 96, 96, 96, {"aabb", "aabb", "ccdd", "ccdd"}},
      // Past the left edge only: the bitmap stretched across.
      {{-2, 0, 2, 2}, {0, 0, 4, 2}, 96, 96, 96, {"aabb", "ccdd", "....", "...."}},
      // Past the right and top edges: what is left is one pixel.
      {{1, -3, 5, 1}, {0, 0, 4, 4}, 96, 96, 96, {"bbbb", "bbbb", "bbbb", "bbbb"}},
      // A 192-dpi bitmap is 1 x 1 DIP; the target at 192 x 48 dpi makes (0, 0, 2, 8) 4 x 4 pixels.
      {{0, 0, 2, 2}, {0, 0, 4, 4}, 192, 96, 96, {"aabb", "aabb", "ccdd", "ccdd"}},
      {{0, 0, 4, 4}, {0, 0, 2, 8}, 96, 192, 48, {"aabb", "aabb", "ccdd", "ccdd"}},
  };
  // Linear filtering of a one-colour bitmap shows where the picture lands, and that nothing
  // past the bitmap is read (it would bring in transparent black).
  const std::map<char, uint32_t> pixels{{'a', RedPixel}, {'b', GreenPixel}, {'c', BluePixel}, {'d', WhitePixel}};
  const std::map<char, uint32_t> green{{'a', GreenPixel}, {'b', GreenPixel}, {'c', GreenPixel}, {'d', GreenPixel}};
  for (D2D1_BITMAP_INTERPOLATION_MODE mode :
       {D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, D2D1_BITMAP_INTERPOLATION_MODE_LINEAR})
    for (const Case &c : cases) {
      bool nearest = mode == D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR;
      Begin(4, 4);
      target->SetDpi(c.targetDpiX, c.targetDpiY);
      ID2D1Bitmap *bitmap =
          Bitmap(2, 2, nearest ? Picture({"ab", "cd"}, pixels) : std::vector<uint32_t>(4, GreenPixel), c.bitmapDpi);
      target->DrawBitmap(bitmap, &c.dest, 1.0f, mode, &c.source);
      bitmap->Release();
      ExpectPicture(End(), Picture(c.want, nearest ? pixels : green),
                    "case " + std::to_string(&c - cases) + ", interpolation " + std::to_string(mode));
    }
}

// ---------------------------------------------------------------------------------------
// A drawing call that fails draws nothing and puts the target in its error state
// ---------------------------------------------------------------------------------------

// The first failure of a frame is what EndDraw returns, with the tags in force when it
// happened; nothing is drawn after it, and the next frame starts clean.
TEST_F(D2dRules, AFailingCallIsReportedByEndDrawAndStopsTheFrame) {
  struct Case {
    const char *name;
    HRESULT error;
    std::function<void(ID2D1RenderTarget *, ID2D1Bitmap *, ID2D1Brush *)> call;
    const char *wineSkip; // why Wine 8.0 cannot run it, or null
  };
  const D2D1_RECT_F all{0, 0, 2, 1};
  const Case cases[] = {
      {"DrawBitmap with an interpolation mode outside the enumeration", E_INVALIDARG,
       [&](ID2D1RenderTarget *t, ID2D1Bitmap *bitmap, ID2D1Brush *) {
         t->DrawBitmap(bitmap, &all, 1.0f, static_cast<D2D1_BITMAP_INTERPOLATION_MODE>(2), nullptr);
       },
       nullptr},
      {"a second BeginDraw", static_cast<HRESULT>(D2DERR_WRONG_STATE),
       [](ID2D1RenderTarget *t, ID2D1Bitmap *, ID2D1Brush *) { t->BeginDraw(); }, WineErrorState},
      {"PopLayer with no layer pushed", static_cast<HRESULT>(D2DERR_PUSH_POP_UNBALANCED),
       [](ID2D1RenderTarget *t, ID2D1Bitmap *, ID2D1Brush *) { t->PopLayer(); }, WineLayers},
      {"FillOpacityMask in the per-primitive antialias mode", static_cast<HRESULT>(D2DERR_WRONG_STATE),
       [&](ID2D1RenderTarget *t, ID2D1Bitmap *bitmap, ID2D1Brush *brush) {
         t->FillOpacityMask(bitmap, brush, D2D1_OPACITY_MASK_CONTENT_GRAPHICS, &all, nullptr);
       },
       nullptr},
  };
  WineSkips wine;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    if (wine.Skip(c.wineSkip)) continue;
    Begin(2, 1);
    ID2D1Bitmap *bitmap = Bitmap(2, 1, {GreenPixel, GreenPixel});
    ID2D1SolidColorBrush *red = Solid(RedPixel);
    target->SetTags(7, 9);
    c.call(target, bitmap, red);
    target->SetTags(1, 1);
    FillAll(red); // not drawn
    D2D1_TAG tag1 = 0, tag2 = 0;
    EXPECT_EQ(target->EndDraw(&tag1, &tag2), c.error);
    EXPECT_EQ(tag1, 7u);
    EXPECT_EQ(tag2, 9u);
    EXPECT_EQ(std::vector<uint32_t>(dib.pixels, dib.pixels + 2), std::vector<uint32_t>(2, 0u));

    Begin(2, 1);
    FillAll(red);
    EXPECT_EQ(target->EndDraw(&tag1, &tag2), S_OK);
    EXPECT_EQ(tag1, 0u); // no failure, no tags
    EXPECT_EQ(tag2, 0u);
    EXPECT_EQ(std::vector<uint32_t>(dib.pixels, dib.pixels + 2), std::vector<uint32_t>(2, RedPixel));
    red->Release();
    bitmap->Release();
  }
  if (!wine.reasons.empty()) GTEST_SKIP() << wine.reasons;
}

TEST_F(D2dRules, FlushReportsTheFailureAndLetsDrawingGoOn) {
  if (RunningUnderWine()) GTEST_SKIP() << WineFlush;
  Begin(2, 1);
  ID2D1Bitmap *bitmap = Bitmap(2, 1, {GreenPixel, GreenPixel});
  ID2D1SolidColorBrush *red = Solid(RedPixel), *green = Solid(GreenPixel);
  target->SetTags(3, 4);
  D2D1_RECT_F first{0, 0, 1, 1}, second{1, 0, 2, 1};
  target->DrawBitmap(bitmap, &first, 1.0f, static_cast<D2D1_BITMAP_INTERPOLATION_MODE>(5), nullptr);
  target->FillRectangle(&first, red); // not drawn
  D2D1_TAG tag1 = 0, tag2 = 0;
  EXPECT_EQ(target->Flush(&tag1, &tag2), E_INVALIDARG);
  EXPECT_EQ(tag1, 3u);
  EXPECT_EQ(tag2, 4u);
  target->FillRectangle(&second, green);
  ExpectPicture(End(), {0u, GreenPixel}, "after Flush");
  green->Release();
  red->Release();
  bitmap->Release();
}

TEST_F(D2dRules, EndDrawWithoutBeginDrawReportsTheDrawingDoneOutsideFirst) {
  if (RunningUnderWine()) GTEST_SKIP() << WineErrorState;
  Begin(2, 1);
  End();
  ID2D1SolidColorBrush *red = Solid(RedPixel);
  FillAll(red); // outside BeginDraw and EndDraw: not drawn
  EXPECT_EQ(target->EndDraw(nullptr, nullptr), static_cast<HRESULT>(D2DERR_NOT_INITIALIZED));
  EXPECT_EQ(std::vector<uint32_t>(dib.pixels, dib.pixels + 2), std::vector<uint32_t>(2, 0u));
  // The failure was reported; the unmatched EndDraw is one of its own.
  EXPECT_EQ(target->EndDraw(nullptr, nullptr), static_cast<HRESULT>(D2DERR_WRONG_STATE));
  red->Release();
}

// ---------------------------------------------------------------------------------------
// A DC render target's binding
// ---------------------------------------------------------------------------------------

// Each row: calls made on a new DC target before a frame and inside it, what each returns,
// and which of two DIB sections the frame's red Clear reaches: a (2 x 1) and b (1 x 1).
TEST_F(D2dRules, DcTargetBindingsAndTheFramesAfterThem) {
  TestDib a = MakeTestDib(2, 1, 0), b = MakeTestDib(1, 1, 0);
  RECT area{0, 0, 2, 1};
  struct Call {
    std::function<HRESULT()> call;
    HRESULT result;
  };
  const Call bindA{[&] { return target->BindDC(a.dc, &area); }, S_OK};
  const Call bindNull{[&] { return target->BindDC(nullptr, &area); }, E_INVALIDARG};
  const HRESULT wrongState = static_cast<HRESULT>(D2DERR_WRONG_STATE);
  const Call bindB{[&] { return target->BindDC(b.dc, &area); }, wrongState}; // inside a frame
  const Call clearRed{[&] {
                        D2D1_COLOR_F red{1, 0, 0, 1};
                        target->Clear(&red);
                        return S_OK;
                      },
                      S_OK};
  struct Case {
    const char *name;
    std::vector<Call> before, during;
    HRESULT endDraw;
    std::optional<uint32_t> wantA; // unchecked where a is never bound or Windows leaves the frame open
    uint32_t wantB;
    const char *wineSkip;
  };
  const Case cases[] = {
      {"no DC bound", {}, {}, wrongState, std::nullopt, 0u, nullptr},
      {"BindDC(NULL) with nothing bound before", {bindNull}, {}, wrongState, std::nullopt, 0u, nullptr},
      {"BindDC(NULL) keeps the binding before it", {bindA, bindNull}, {clearRed}, S_OK, RedPixel, 0u, nullptr},
      {"BindDC inside a frame", {bindA}, {clearRed, bindB}, wrongState, std::nullopt, 0u, WineBindDcInsideAFrame},
  };
  WineSkips wine;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    if (wine.Skip(c.wineSkip)) continue;
    NewTarget();
    a.pixels[0] = a.pixels[1] = b.pixels[0] = 0;
    for (const Call &step : c.before) EXPECT_EQ(step.call(), step.result);
    target->BeginDraw();
    for (const Call &step : c.during) EXPECT_EQ(step.call(), step.result);
    EXPECT_EQ(target->EndDraw(nullptr, nullptr), c.endDraw);
    if (c.wantA) {
      EXPECT_EQ(std::vector<uint32_t>(a.pixels, a.pixels + 2), std::vector<uint32_t>(2, *c.wantA));
    }
    EXPECT_EQ(b.pixels[0], c.wantB);
  }
  FreeTestDib(&a);
  FreeTestDib(&b);
  if (!wine.reasons.empty()) GTEST_SKIP() << wine.reasons;
}

// A DC target draws into its own copy of the bound rectangle: read from the DC at BeginDraw,
// written back whole at EndDraw. Each row: a 3 x 1 DIB holding grey g, bound in part or
// whole; inside the frame GDI paints it all light grey l (a BitBlt on the same DC) and
// Direct2D may fill pixel 0 red.
TEST_F(D2dRules, DcTargetDrawsIntoACopyReadAtBeginDrawAndWrittenBackWholeAtEndDraw) {
  if (RunningUnderWine()) GTEST_SKIP() << WineDcTargetCopy;
  const uint32_t grey = 0xFF808080, light = 0xFFC0C0C0;
  const std::map<char, uint32_t> legend{{'g', grey}, {'l', light}, {'r', RedPixel}};
  struct Case {
    RECT bound;
    bool fill;
    const char *want;
  };
  const Case cases[] = {
      {{0, 0, 3, 1}, false, "ggg"},
      {{0, 0, 3, 1}, true, "rgg"},
      // Only the bound rectangle is written back.
      {{1, 0, 3, 1}, false, "lgg"},
      {{1, 0, 3, 1}, true, "lrg"},
  };
  TestDib paint = MakeTestDib(3, 1, light);
  for (const Case &c : cases) {
    dib = MakeTestDib(3, 1, grey);
    width = 3;
    height = 1;
    ASSERT_EQ(target->BindDC(dib.dc, &c.bound), S_OK);
    target->BeginDraw();
    EXPECT_TRUE(BitBlt(dib.dc, 0, 0, 3, 1, paint.dc, 0, 0, SRCCOPY));
    ID2D1SolidColorBrush *red = Solid(RedPixel);
    D2D1_RECT_F first{0, 0, 1, 1};
    if (c.fill) target->FillRectangle(&first, red);
    red->Release();
    GdiFlush();
    ExpectPicture(End(), Picture({c.want}, legend), "case " + std::to_string(&c - cases));
    // Outside a frame nothing is written back: GDI drawing after EndDraw stays.
    EXPECT_TRUE(BitBlt(dib.dc, 0, 0, 3, 1, paint.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(target->EndDraw(nullptr, nullptr), static_cast<HRESULT>(D2DERR_WRONG_STATE));
    GdiFlush();
    EXPECT_EQ(std::vector<uint32_t>(dib.pixels, dib.pixels + 3), std::vector<uint32_t>(3, light));
    FreeTestDib(&dib);
  }
  FreeTestDib(&paint);
}

// ---------------------------------------------------------------------------------------
// Bitmaps and targets that ignore alpha
// ---------------------------------------------------------------------------------------

// A bitmap that ignores alpha is drawn as if its alpha were 255; a target that ignores alpha
// keeps it at 255 whatever is drawn. Each row draws into a 2 x 1 DIB that holds transparent
// black; red at 0.2 is 0x33 over black.
TEST_F(D2dRules, AlphaThatIsIgnoredStaysOpaque) {
  const D2D1_ALPHA_MODE premultiplied = D2D1_ALPHA_MODE_PREMULTIPLIED, ignore = D2D1_ALPHA_MODE_IGNORE;
  const D2D1_RECT_F all{0, 0, 2, 1};
  auto fifthRed = [&](ID2D1RenderTarget *on) {
    D2D1_COLOR_F color{1, 0, 0, 0.2f};
    ID2D1SolidColorBrush *brush = nullptr;
    ASSERT_EQ(on->CreateSolidColorBrush(&color, nullptr, &brush), S_OK);
    on->FillRectangle(&all, brush);
    brush->Release();
  };
  struct Case {
    const char *name;
    D2D1_ALPHA_MODE targetMode;
    std::function<void()> draw;
    uint32_t want[2];
    const char *wineSkip;
  };
  const Case cases[] = {
      {"a bitmap that ignores alpha, on a premultiplied target",
       premultiplied,
       [&] {
         ID2D1Bitmap *bitmap = Bitmap(2, 1, {0x00FF0000, 0x80400000}, 96.0f, ignore);
         target->DrawBitmap(bitmap, &all, 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, nullptr);
         bitmap->Release();
       },
       {0xFFFF0000, 0xFF400000},
       nullptr},
      {"a clear in a translucent colour",
       ignore,
       [&] {
         D2D1_COLOR_F green{0, 1, 0, 0.5f};
         target->Clear(&green);
       },
       {GreenPixel, GreenPixel},
       nullptr},
      {"a translucent fill over the DC's transparent pixels",
       ignore,
       [&] { fifthRed(target); },
       {0xFF330000, 0xFF330000},
       WineIgnoredAlpha},
      {"a compatible target cleared transparent, then filled, drawn",
       ignore,
       [&] {
         ID2D1BitmapRenderTarget *layer = nullptr;
         ASSERT_EQ(target->CreateCompatibleRenderTarget(&layer), S_OK);
         layer->BeginDraw();
         D2D1_COLOR_F clear{0, 0, 0, 0};
         layer->Clear(&clear);
         fifthRed(layer);
         EXPECT_EQ(layer->EndDraw(), S_OK);
         ID2D1Bitmap *bitmap = nullptr;
         layer->GetBitmap(&bitmap);
         target->DrawBitmap(bitmap, &all, 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, nullptr);
         bitmap->Release();
         layer->Release();
       },
       {0xFF330000, 0xFF330000},
       WineIgnoredAlpha},
  };
  WineSkips wine;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    if (wine.Skip(c.wineSkip)) continue;
    NewTarget(c.targetMode);
    EXPECT_EQ(target->GetPixelFormat().alphaMode, c.targetMode);
    dib = MakeTestDib(2, 1, 0);
    width = 2;
    height = 1;
    RECT area{0, 0, 2, 1};
    ASSERT_EQ(target->BindDC(dib.dc, &area), S_OK);
    target->BeginDraw();
    c.draw();
    ExpectPicture(End(), {c.want[0], c.want[1]}, c.name);
    FreeTestDib(&dib);
  }
  if (!wine.reasons.empty()) GTEST_SKIP() << wine.reasons;
}

// ---------------------------------------------------------------------------------------
// Edges at fractional coordinates
// ---------------------------------------------------------------------------------------

// Opaque red or green over transparent black, covering a pixel by coverage / 255.
uint32_t Covered(uint32_t color, uint32_t coverage8) {
  uint32_t out = coverage8 << 24;
  for (int shift = 0; shift < 24; shift += 8)
    if ((color >> shift) & 255) out |= coverage8 << shift;
  return out;
}

// In the default per-primitive mode a pixel on an edge is covered by the share of its area
// inside the rectangle, rounded to the nearest of 255 levels; in aliased mode the pixels
// whose centres are inside are covered whole. Rectangle (0.25, 0.25) - (2.75, 2): columns
// 0 and 2 are three quarters inside, row 0 three quarters: corners 0.5625 (143 of 255),
// edges 0.75 (191).
TEST_F(D2dRules, FillRectangleCoversEdgePixelsByTheirShareOfArea) {
  struct Case {
    D2D1_RECT_F rect;
    D2D1_ANTIALIAS_MODE mode;
    std::initializer_list<const char *> want;
  };
  const Case cases[] = {
      {{0.25f, 0.25f, 2.75f, 2}, D2D1_ANTIALIAS_MODE_PER_PRIMITIVE, {"cec.", "efe."}},
      {{2.75f, 2, 0.25f, 0.25f}, D2D1_ANTIALIAS_MODE_PER_PRIMITIVE, {"cec.", "efe."}},
      // A quarter of one pixel: 64 of 255.
      {{1.25f, 0.25f, 1.75f, 0.75f}, D2D1_ANTIALIAS_MODE_PER_PRIMITIVE, {".q..", "...."}},
      {{0.25f, 0.25f, 2.75f, 2}, D2D1_ANTIALIAS_MODE_ALIASED, {"fff.", "fff."}},
      // Aliased, it covers the pixel whose centre it holds.
      {{1.25f, 0.25f, 1.75f, 0.75f}, D2D1_ANTIALIAS_MODE_ALIASED, {".f..", "...."}},
  };
  WineSkips wine;
  for (uint32_t color : {RedPixel, GreenPixel}) {
    const std::map<char, uint32_t> legend{
        {'c', Covered(color, 143)}, {'e', Covered(color, 191)}, {'f', color}, {'q', Covered(color, 64)}};
    for (const Case &c : cases) {
      if (wine.Skip(c.mode == D2D1_ANTIALIAS_MODE_PER_PRIMITIVE ? WineAntialiasing : nullptr)) continue;
      for (bool bitmapBrush : {false, true}) {
        Begin(4, 2);
        target->SetAntialiasMode(c.mode);
        ID2D1Bitmap *bitmap = Bitmap(2, 2, std::vector<uint32_t>(4, color));
        ID2D1BitmapBrush *tiles = nullptr;
        ASSERT_EQ(target->CreateBitmapBrush(bitmap, nullptr, nullptr, &tiles), S_OK);
        ID2D1SolidColorBrush *solid = Solid(color);
        target->FillRectangle(&c.rect, bitmapBrush ? static_cast<ID2D1Brush *>(tiles) : solid);
        solid->Release();
        tiles->Release();
        bitmap->Release();
        ExpectPicture(End(), Picture(c.want, legend),
                      std::string(bitmapBrush ? "bitmap" : "solid") + " brush, case " + std::to_string(&c - cases));
      }
    }
  }
  if (!wine.reasons.empty()) GTEST_SKIP() << wine.reasons;
}

// DrawBitmap's destination edges are antialiased the same way: the pixels of a partly
// covered column or row take the nearest pixel of the source and are covered by their share.
TEST_F(D2dRules, DrawBitmapCoversItsEdgePixelsByTheirShareOfArea) {
  struct Case {
    D2D1_RECT_F dest;
    D2D1_ANTIALIAS_MODE mode;
    std::initializer_list<const char *> want;
  };
  // The bitmap is red, green; (0.25, 0) - (2.25, 1) covers three quarters of column 0, all
  // of column 1 and a quarter of column 2, which shows the source's last pixel.
  const Case cases[] = {
      {{0.25f, 0, 2.25f, 1}, D2D1_ANTIALIAS_MODE_PER_PRIMITIVE, {"RGq"}},
      {{0.25f, 0, 2.25f, 1}, D2D1_ANTIALIAS_MODE_ALIASED, {"rg."}},
      {{0, 0.25f, 2, 1}, D2D1_ANTIALIAS_MODE_PER_PRIMITIVE, {"RH."}},
  };
  const std::map<char, uint32_t> legend{{'r', RedPixel},
                                        {'g', GreenPixel},
                                        {'R', Covered(RedPixel, 191)},
                                        {'G', GreenPixel},
                                        {'H', Covered(GreenPixel, 191)},
                                        {'q', Covered(GreenPixel, 64)}};
  WineSkips wine;
  for (const Case &c : cases) {
    if (wine.Skip(c.mode == D2D1_ANTIALIAS_MODE_PER_PRIMITIVE ? WineAntialiasing : nullptr)) continue;
    Begin(3, 1);
    target->SetAntialiasMode(c.mode);
    ID2D1Bitmap *bitmap = Bitmap(2, 1, {RedPixel, GreenPixel});
    target->DrawBitmap(bitmap, &c.dest, 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, nullptr);
    bitmap->Release();
    ExpectPicture(End(), Picture(c.want, legend), "case " + std::to_string(&c - cases));
  }
  if (!wine.reasons.empty()) GTEST_SKIP() << wine.reasons;
}

} // namespace
