// Direct2D on Linux: factory, objects and their lifetimes, Clear, FillRectangle, DrawBitmap,
// copies and DC binding. Expected pixels are worked out by hand in the comments.
#include "test_d2d_helpers.h"

#include <cmath>
#include <cstring>
#include <functional>

namespace {

const uint32_t RedPixel = Bgra(0, 0, 255, 255);
const uint32_t GreenPixel = Bgra(0, 255, 0, 255);
const uint32_t BluePixel = Bgra(255, 0, 0, 255);
const uint32_t WhitePixel = Bgra(255, 255, 255, 255);

// ---------------------------------------------------------------------------------------
// Factory, exports, objects
// ---------------------------------------------------------------------------------------

TEST(D2dFactory, ComesFromTheModuleTable) {
  HMODULE module = LoadLibraryW(L"D2D1.DLL");
  ASSERT_NE(module, nullptr);
  typedef HRESULT (*CreateFactory)(D2D1_FACTORY_TYPE, REFIID, const D2D1_FACTORY_OPTIONS *, void **);
  auto create = reinterpret_cast<CreateFactory>(reinterpret_cast<void *>(GetProcAddress(module, "D2D1CreateFactory")));
  ASSERT_NE(create, nullptr);
  ID2D1Factory *factory = nullptr;
  ASSERT_EQ(create(D2D1_FACTORY_TYPE_SINGLE_THREADED, IID_ID2D1Factory, nullptr, reinterpret_cast<void **>(&factory)),
            S_OK);
  ASSERT_NE(factory, nullptr);
  EXPECT_EQ(factory->Release(), 0u);

  // A multi-threaded factory is not made, and the caller's pointer is left null.
  factory = reinterpret_cast<ID2D1Factory *>(0x1);
  EXPECT_LT(create(D2D1_FACTORY_TYPE_MULTI_THREADED, IID_ID2D1Factory, nullptr, reinterpret_cast<void **>(&factory)),
            0);
  EXPECT_EQ(factory, nullptr);
  EXPECT_LT(create(D2D1_FACTORY_TYPE_SINGLE_THREADED, IID_ID2D1Bitmap, nullptr, reinterpret_cast<void **>(&factory)),
            0);
  EXPECT_LT(create(D2D1_FACTORY_TYPE_SINGLE_THREADED, IID_ID2D1Factory, nullptr, nullptr), 0);
}

TEST(D2dMatrix, RotationTurnsClockwiseAboutTheCentre) {
  D2D1_MATRIX_3X2_F m;
  D2D1MakeRotateMatrix(90.0f, D2D1_POINT_2F{10.0f, 10.0f}, &m);
  // (20, 10) is right of the centre; a quarter turn clockwise (y down) puts it below.
  D2D1_POINT_2F p = D2dTransformPoint(m, 20.0f, 10.0f);
  EXPECT_NEAR(p.x, 10.0f, 1e-4);
  EXPECT_NEAR(p.y, 20.0f, 1e-4);
  p = D2dTransformPoint(m, 10.0f, 10.0f);
  EXPECT_NEAR(p.x, 10.0f, 1e-4);
  EXPECT_NEAR(p.y, 10.0f, 1e-4);

  D2D1_MATRIX_3X2_F inverse;
  ASSERT_TRUE(D2dInvert(m, &inverse));
  D2D1_POINT_2F back = D2dTransformPoint(inverse, 10.0f, 20.0f);
  EXPECT_NEAR(back.x, 20.0f, 1e-4);
  EXPECT_NEAR(back.y, 10.0f, 1e-4);

  D2D1_MATRIX_3X2_F singular{0, 0, 0, 0, 5, 5};
  EXPECT_FALSE(D2dInvert(singular, &inverse));
}

TEST_F(D2dTest, ObjectsAnswerForTheirInterfacesAndCountReferences) {
  ID2D1BitmapRenderTarget *target = Target(2, 2);
  void *out = nullptr;
  EXPECT_EQ(target->QueryInterface(IID_ID2D1RenderTarget, &out), S_OK);
  EXPECT_EQ(out, static_cast<ID2D1RenderTarget *>(target));
  static_cast<IUnknown *>(out)->Release();
  EXPECT_EQ(target->QueryInterface(IID_ID2D1Resource, &out), S_OK);
  static_cast<IUnknown *>(out)->Release();
  EXPECT_EQ(target->QueryInterface(IID_ID2D1DCRenderTarget, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(root->QueryInterface(IID_ID2D1DCRenderTarget, &out), S_OK);
  static_cast<IUnknown *>(out)->Release();
  EXPECT_EQ(root->QueryInterface(IID_ID2D1BitmapRenderTarget, &out), E_NOINTERFACE);

  // GetBitmap hands out the target's own bitmap: the target holds one reference, the
  // caller gets another.
  ID2D1Bitmap *bitmap = nullptr;
  ASSERT_EQ(target->GetBitmap(&bitmap), S_OK);
  EXPECT_EQ(bitmap->AddRef(), 3u);
  EXPECT_EQ(bitmap->Release(), 2u);
  ID2D1Bitmap *again = nullptr;
  target->GetBitmap(&again);
  EXPECT_EQ(again, bitmap);
  again->Release();

  ID2D1SolidColorBrush *brush = nullptr;
  D2D1_COLOR_F red{1, 0, 0, 1};
  ASSERT_EQ(target->CreateSolidColorBrush(&red, nullptr, &brush), S_OK);
  EXPECT_EQ(brush->QueryInterface(IID_ID2D1Brush, &out), S_OK);
  static_cast<IUnknown *>(out)->Release();
  EXPECT_EQ(brush->QueryInterface(IID_ID2D1BitmapBrush, &out), E_NOINTERFACE);
  ID2D1Factory *owner = nullptr;
  brush->GetFactory(&owner);
  EXPECT_EQ(owner, factory);
  owner->Release();

  EXPECT_EQ(brush->Release(), 0u);
  EXPECT_EQ(target->Release(), 0u);
  // The bitmap outlives its target and still has its pixels.
  EXPECT_EQ(bitmap->GetPixelSize().width, 2u);
  EXPECT_EQ(bitmap->Release(), 0u);
}

TEST_F(D2dTest, OnlyDcTargetsAreMade) {
  D2D1_RENDER_TARGET_PROPERTIES properties{};
  D2D1_HWND_RENDER_TARGET_PROPERTIES window{nullptr, {100, 200}, D2D1_PRESENT_OPTIONS_NONE};
  ID2D1HwndRenderTarget *hwndTarget = reinterpret_cast<ID2D1HwndRenderTarget *>(0x1);
  EXPECT_LT(factory->CreateHwndRenderTarget(&properties, &window, &hwndTarget), 0);
  EXPECT_EQ(hwndTarget, nullptr);
  ID2D1RenderTarget *dxgiTarget = reinterpret_cast<ID2D1RenderTarget *>(0x1);
  EXPECT_LT(factory->CreateDxgiSurfaceRenderTarget(nullptr, &properties, &dxgiTarget), 0);
  EXPECT_EQ(dxgiTarget, nullptr);
  properties.pixelFormat = {DXGI_FORMAT_A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED};
  ID2D1DCRenderTarget *dc = nullptr;
  EXPECT_LT(factory->CreateDCRenderTarget(&properties, &dc), 0);
  EXPECT_EQ(dc, nullptr);
}

TEST_F(D2dTest, CompatibleTargetsTakeTheirSizeAndFormatFromTheRequest) {
  ID2D1BitmapRenderTarget *target = Target(800, 600);
  EXPECT_EQ(target->GetPixelSize().width, 800u);
  EXPECT_EQ(target->GetPixelSize().height, 600u);
  EXPECT_EQ(target->GetSize().width, 800.0f);
  FLOAT dpiX = 0, dpiY = 0;
  target->GetDpi(&dpiX, &dpiY);
  EXPECT_EQ(dpiX, 96.0f);
  EXPECT_EQ(target->GetPixelFormat().format, DXGI_FORMAT_B8G8R8A8_UNORM);
  EXPECT_EQ(target->GetPixelFormat().alphaMode, D2D1_ALPHA_MODE_PREMULTIPLIED);
  std::vector<uint32_t> pixels = Pixels(target);
  EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0u), 800 * 600);

  // A size in DIPs only rounds up to whole pixels.
  ID2D1BitmapRenderTarget *sized = nullptr;
  ASSERT_EQ(target->CreateCompatibleRenderTarget(D2D1_SIZE_F{10.5f, 3.0f}, &sized), S_OK);
  EXPECT_EQ(sized->GetPixelSize().width, 11u);
  EXPECT_EQ(sized->GetPixelSize().height, 3u);
  sized->Release();

  // Alpha-only targets, negative and oversized requests fail and hand out nothing.
  ID2D1BitmapRenderTarget *failed = reinterpret_cast<ID2D1BitmapRenderTarget *>(0x1);
  D2D1_PIXEL_FORMAT a8{DXGI_FORMAT_A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED};
  EXPECT_LT(target->CreateCompatibleRenderTarget(D2D1_SIZE_F{4, 4}, D2D1_SIZE_U{4, 4}, a8, &failed), 0);
  EXPECT_EQ(failed, nullptr);
  EXPECT_LT(target->CreateCompatibleRenderTarget(D2D1_SIZE_F{-4, 4}, &failed), 0);
  EXPECT_LT(target->CreateCompatibleRenderTarget(D2D1_SIZE_F{4, 4}, D2D1_SIZE_U{100000, 4}, &failed), 0);
  EXPECT_EQ(failed, nullptr);
  target->Release();
}

// ---------------------------------------------------------------------------------------
// Clear and FillRectangle
// ---------------------------------------------------------------------------------------

TEST_F(D2dTest, ClearPremultipliesAndIgnoresTheTransform) {
  ID2D1BitmapRenderTarget *target = Target(3, 2);
  target->BeginDraw();
  D2D1_MATRIX_3X2_F moved{1, 0, 0, 1, 50, 50};
  target->SetTransform(&moved);
  // {r 0, g 0, b 1, a 128/255}: blue 255 times alpha 128/255 is 128.
  D2D1_COLOR_F color{0.0f, 0.0f, 1.0f, 128.0f / 255.0f};
  target->Clear(&color);
  EXPECT_EQ(target->EndDraw(), S_OK);
  std::vector<uint32_t> pixels = Pixels(target);
  for (uint32_t p : pixels) EXPECT_EQ(p, Bgra(128, 0, 0, 128));
  uint8_t bytes[4];
  std::memcpy(bytes, &pixels[0], 4);
  EXPECT_EQ(bytes[0], 128); // blue first in memory
  EXPECT_EQ(bytes[3], 128);

  // A null colour clears to transparent black.
  target->BeginDraw();
  target->Clear(nullptr);
  target->EndDraw();
  for (uint32_t p : Pixels(target)) EXPECT_EQ(p, 0u);
  target->Release();
}

TEST_F(D2dTest, AliasedFillRectangleCoversPixelCentresAndBlendsWithOpacity) {
  ID2D1BitmapRenderTarget *target = Target(5, 4);
  target->BeginDraw();
  target->SetAntialiasMode(D2D1_ANTIALIAS_MODE_ALIASED);
  Fill(target, WhitePixel);
  ID2D1SolidColorBrush *brush = nullptr;
  D2D1_COLOR_F red{1, 0, 0, 1};
  D2D1_BRUSH_PROPERTIES half{0.5f, {1, 0, 0, 1, 0, 0}};
  ASSERT_EQ(target->CreateSolidColorBrush(&red, &half, &brush), S_OK);
  // Centres x + 0.5 in [1.5, 3.5) are columns 1 and 2; y + 0.5 in [0.4, 2.6) rows 0 to 2.
  D2D1_RECT_F rect{1.5f, 0.4f, 3.5f, 2.6f};
  target->FillRectangle(&rect, brush);
  target->EndDraw();
  // Red at opacity 0.5 is (R 128, A 128) premultiplied; over white the rest keeps
  // 255 * 127 / 255 = 127 of each white channel: (B 127, G 127, R 255, A 255).
  const uint32_t blended = Bgra(127, 127, 255, 255);
  std::vector<uint32_t> pixels = Pixels(target);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(pixels[y * 5 + x], (x >= 1 && x <= 2 && y <= 2) ? blended : WhitePixel) << x << "," << y;

  // The brush's colour and opacity are read when painting, not when the brush was made.
  brush->SetOpacity(1.0f);
  D2D1_COLOR_F green{0, 1, 0, 1};
  brush->SetColor(&green);
  EXPECT_EQ(brush->GetColor().g, 1.0f);
  EXPECT_EQ(brush->GetOpacity(), 1.0f);
  target->BeginDraw();
  D2D1_MATRIX_3X2_F moved{1, 0, 0, 1, 4, 3};
  target->SetTransform(&moved); // the transform moves fills
  D2D1_RECT_F one{0, 0, 1, 1};
  target->FillRectangle(&one, brush);
  target->EndDraw();
  EXPECT_EQ(Pixels(target)[3 * 5 + 4], GreenPixel);
  brush->Release();
  target->Release();
}

// ---------------------------------------------------------------------------------------
// DrawBitmap
// ---------------------------------------------------------------------------------------

TEST_F(D2dTest, DrawBitmapScalesNearestNeighbour) {
  const uint32_t a = RedPixel, b = GreenPixel, c = BluePixel, d = Bgra(10, 20, 30, 40);
  ID2D1Bitmap *bitmap = Bitmap(2, 2, {a, b, c, d});
  ID2D1BitmapRenderTarget *target = Target(4, 4);
  target->BeginDraw();
  D2D1_RECT_F dest{0, 0, 4, 4};
  target->DrawBitmap(bitmap, &dest, 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, nullptr);
  target->EndDraw();
  // Each source pixel becomes a 2 x 2 block; over transparent black source-over copies.
  std::vector<uint32_t> want = {a, a, b, b, a, a, b, b, c, c, d, d, c, c, d, d};
  EXPECT_EQ(Pixels(target), want);
  target->Release();
  bitmap->Release();
}

TEST_F(D2dTest, DrawBitmapAppliesOpacityOverTheBackground) {
  ID2D1Bitmap *bitmap = Bitmap(1, 1, {RedPixel});
  ID2D1BitmapRenderTarget *target = Target(2, 1);
  target->BeginDraw();
  Fill(target, Bgra(200, 100, 0, 255));
  D2D1_RECT_F dest{0, 0, 1, 1};
  target->DrawBitmap(bitmap, &dest, 0.5f, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, nullptr);
  target->EndDraw();
  // Opacity 0.5 is 128 of 255: red becomes (R 128, A 128); the background keeps 127/255 of
  // itself: blue 200 -> 100 (99.6), green 100 -> 50 (49.8), alpha 128 + 127.
  std::vector<uint32_t> pixels = Pixels(target);
  EXPECT_EQ(pixels[0], Bgra(100, 50, 128, 255));
  EXPECT_EQ(pixels[1], Bgra(200, 100, 0, 255));
  target->Release();
  bitmap->Release();
}

TEST_F(D2dTest, DrawBitmapTakesTheSourceRectangle) {
  const uint32_t p0 = Bgra(1, 1, 1, 255), p1 = Bgra(2, 2, 2, 255), p2 = Bgra(3, 3, 3, 255), p3 = Bgra(4, 4, 4, 255);
  ID2D1Bitmap *bitmap = Bitmap(4, 1, {p0, p1, p2, p3});
  ID2D1BitmapRenderTarget *target = Target(4, 1);
  target->BeginDraw();
  D2D1_RECT_F source{1, 0, 3, 1}, dest{0, 0, 2, 1};
  target->DrawBitmap(bitmap, &dest, 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, &source);
  // The first draw puts source columns 1 and 2 at x 0 and 1; the second, columns 2 and 3
  // at x 2 and 3.
  D2D1_RECT_F right{2, 0, 4, 1};
  target->DrawBitmap(bitmap, &right, 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, &right);
  target->EndDraw();
  std::vector<uint32_t> want = {p1, p2, p2, p3};
  EXPECT_EQ(Pixels(target), want);
  target->Release();
  bitmap->Release();
}

TEST_F(D2dTest, DrawBitmapClipsAtTheTargetEdges) {
  const uint32_t a = RedPixel, b = GreenPixel, c = BluePixel, d = WhitePixel;
  ID2D1Bitmap *bitmap = Bitmap(2, 2, {a, b, c, d});
  ID2D1BitmapRenderTarget *target = Target(4, 4);
  target->BeginDraw();
  D2D1_RECT_F topLeft{-1, -1, 1, 1}, bottomRight{3, 3, 5, 5}, gone{10, 10, 12, 12};
  target->DrawBitmap(bitmap, &topLeft, 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, nullptr);
  target->DrawBitmap(bitmap, &bottomRight, 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, nullptr);
  target->DrawBitmap(bitmap, &gone, 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, nullptr);
  target->EndDraw();
  std::vector<uint32_t> pixels = Pixels(target);
  // Only the part of each drawing inside the target lands: d at (0, 0), a at (3, 3).
  EXPECT_EQ(pixels[0], d);
  EXPECT_EQ(pixels[15], a);
  EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0u), 14);
  target->Release();
  bitmap->Release();
}

TEST_F(D2dTest, AliasedDrawBitmapFollowsATranslatedTransformAndRoundsByPixelCentre) {
  ID2D1Bitmap *bitmap = Bitmap(1, 1, {RedPixel});
  ID2D1BitmapRenderTarget *target = Target(4, 1);
  target->BeginDraw();
  target->SetAntialiasMode(D2D1_ANTIALIAS_MODE_ALIASED);
  D2D1_MATRIX_3X2_F moved{1, 0, 0, 1, 1.4f, 0};
  target->SetTransform(&moved);
  // [0.3, 1.3) moved by 1.4 is [1.7, 2.7): only column 2 has its centre (2.5) inside.
  D2D1_RECT_F dest{0.3f, 0, 1.3f, 1};
  target->DrawBitmap(bitmap, &dest, 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_LINEAR, nullptr);
  target->EndDraw();
  std::vector<uint32_t> want = {0, 0, RedPixel, 0};
  EXPECT_EQ(Pixels(target), want);
  target->Release();
  bitmap->Release();
}

TEST_F(D2dTest, DrawBitmapRotatedAQuarterTurn) {
  const uint32_t a = RedPixel, b = GreenPixel, c = BluePixel, d = WhitePixel;
  ID2D1Bitmap *bitmap = Bitmap(2, 2, {a, b, c, d});
  ID2D1BitmapRenderTarget *target = Target(2, 2);
  target->BeginDraw();
  // A quarter turn about (1, 1) maps the bitmap onto itself turned clockwise: the left
  // column (a over c) becomes the top row read right to left (c a).
  D2D1_MATRIX_3X2_F turn;
  D2D1MakeRotateMatrix(90.0f, D2D1_POINT_2F{1, 1}, &turn);
  target->SetTransform(&turn);
  D2D1_RECT_F dest{0, 0, 2, 2};
  target->DrawBitmap(bitmap, &dest, 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, nullptr);
  target->EndDraw();
  std::vector<uint32_t> want = {c, a, d, b};
  EXPECT_EQ(Pixels(target), want);
  target->Release();
  bitmap->Release();
}

// ---------------------------------------------------------------------------------------
// Copies
// ---------------------------------------------------------------------------------------

TEST_F(D2dTest, CopyFromRenderTargetIsAPlainClippedCopy) {
  std::vector<uint32_t> values(16);
  for (int i = 0; i < 16; ++i) values[i] = Bgra(i, i, i, i == 5 ? 0 : 255); // one transparent pixel
  ID2D1Bitmap *source = Bitmap(4, 4, values);
  ID2D1BitmapRenderTarget *target = Target(4, 4);
  target->BeginDraw();
  target->DrawBitmap(source, D2D1_RECT_F{0, 0, 4, 4}, 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR);
  target->EndDraw();

  ID2D1Bitmap *copy = Bitmap(3, 3, std::vector<uint32_t>(9, RedPixel));
  D2D1_POINT_2U at{1, 1};
  D2D1_RECT_U rect{2, 2, 4, 4};
  ASSERT_EQ(copy->CopyFromRenderTarget(&at, target, &rect), S_OK);
  // Source (2..3, 2..3) lands at (1..2, 1..2); no blending, the rest untouched.
  std::vector<uint32_t> want = {RedPixel,   RedPixel, RedPixel,   RedPixel,  values[10],
                                values[11], RedPixel, values[14], values[15]};
  EXPECT_EQ(BitmapPixels(copy), want);

  // A source reaching past the target and a point past the bitmap are clipped, not read
  // or written out of bounds; the copy replaces even with a transparent pixel.
  D2D1_POINT_2U origin{0, 0}, far{3, 0};
  D2D1_RECT_U beyond{1, 1, 100, 100};
  ASSERT_EQ(copy->CopyFromRenderTarget(&origin, target, &beyond), S_OK);
  EXPECT_EQ(BitmapPixels(copy)[0], values[5]);
  EXPECT_EQ(BitmapPixels(copy)[8], values[15]);
  ASSERT_EQ(copy->CopyFromRenderTarget(&far, target, nullptr), S_OK);
  EXPECT_EQ(copy->CopyFromRenderTarget(&origin, nullptr, nullptr), E_INVALIDARG);

  // CopyFromBitmap within one bitmap moves rows without smearing.
  ID2D1Bitmap *column = Bitmap(1, 4, {1, 2, 3, 4});
  D2D1_POINT_2U down{0, 1};
  D2D1_RECT_U top{0, 0, 1, 3};
  ASSERT_EQ(column->CopyFromBitmap(&down, column, &top), S_OK);
  std::vector<uint32_t> shifted = {1, 1, 2, 3};
  EXPECT_EQ(BitmapPixels(column), shifted);

  column->Release();
  copy->Release();
  target->Release();
  source->Release();
}

TEST_F(D2dTest, DrawingOnATargetShowsThroughItsBitmapTakenEarlier) {
  ID2D1BitmapRenderTarget *target = Target(1, 1);
  ID2D1Bitmap *bitmap = nullptr;
  target->GetBitmap(&bitmap);
  target->BeginDraw();
  Fill(target, BluePixel);
  target->EndDraw();
  EXPECT_EQ(BitmapPixels(bitmap)[0], BluePixel);
  bitmap->Release();
  target->Release();
}

// ---------------------------------------------------------------------------------------
// DC render targets
// ---------------------------------------------------------------------------------------

HBITMAP Dib(int width, int height, int bits, void **pixels) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height; // positive: bottom-up
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = static_cast<WORD>(bits);
  info.bmiHeader.biCompression = BI_RGB;
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, pixels, nullptr, 0);
}

TEST_F(D2dTest, BindDcDrawsIntoABottomUpDib) {
  void *bits = nullptr;
  HBITMAP dib = Dib(4, 3, 32, &bits);
  ASSERT_NE(dib, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, dib);
  RECT area{1, 1, 3, 2};
  ASSERT_EQ(root->BindDC(dc, &area), S_OK);
  EXPECT_EQ(root->GetPixelSize().width, 2u);
  EXPECT_EQ(root->GetPixelSize().height, 1u);
  root->BeginDraw();
  Fill(root, RedPixel);
  EXPECT_EQ(root->EndDraw(), S_OK);
  // Picture row 1 of 3 is memory row 1 in a bottom-up DIB (3 - 1 - 1); columns 1 and 2.
  const uint32_t *pixels = static_cast<const uint32_t *>(bits);
  for (int memoryRow = 0; memoryRow < 3; ++memoryRow)
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(pixels[memoryRow * 4 + x], memoryRow == 1 && x >= 1 && x <= 2 ? RedPixel : 0u) << memoryRow << "," << x;

  // A rectangle past the bitmap is clipped to it: picture (2..3, 2) is memory row 0.
  RECT past{2, 2, 40, 40};
  ASSERT_EQ(root->BindDC(dc, &past), S_OK);
  root->BeginDraw();
  Fill(root, GreenPixel);
  root->EndDraw();
  EXPECT_EQ(pixels[2], GreenPixel);
  EXPECT_EQ(pixels[3], GreenPixel);
  EXPECT_EQ(pixels[1], 0u);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(dib);
}

// The DC's bitmap is looked up at each BeginDraw and EndDraw: one deselected and deleted
// after BindDC is never touched again (AddressSanitizer watches), and a smaller one put in
// its place gets the part of the frame that lies inside it.
TEST_F(D2dTest, ADcTargetCopiesFromAndToTheBitmapTheDcHoldsAtEachFrame) {
  void *wideBits = nullptr, *smallBits = nullptr;
  HBITMAP wide = Dib(2, 1, 32, &wideBits), small = Dib(1, 1, 32, &smallBits);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, wide);
  RECT area{0, 0, 2, 1};
  ASSERT_EQ(root->BindDC(dc, &area), S_OK);
  SelectObject(dc, small);
  DeleteObject(wide);
  root->BeginDraw();
  Fill(root, RedPixel);
  EXPECT_EQ(root->EndDraw(), S_OK);
  EXPECT_EQ(*static_cast<const uint32_t *>(smallBits), RedPixel);
  // With no 32-bit bitmap left in the DC the frame goes nowhere.
  SelectObject(dc, old);
  root->BeginDraw();
  Fill(root, GreenPixel);
  EXPECT_EQ(root->EndDraw(), S_OK);
  EXPECT_EQ(*static_cast<const uint32_t *>(smallBits), RedPixel);
  DeleteDC(dc);
  DeleteObject(small);
}

// Every refusal keeps the binding before it: the frame after them still reaches the DIB.
TEST_F(D2dTest, BindDcRefusesADcWithoutA32BitBitmapAndKeepsTheBindingBefore) {
  void *bits32 = nullptr, *bits24 = nullptr;
  HBITMAP dib32 = Dib(1, 1, 32, &bits32), dib24 = Dib(2, 2, 24, &bits24);
  HDC good = CreateCompatibleDC(nullptr), mono = CreateCompatibleDC(nullptr); // mono: a 1 x 1 monochrome bitmap
  HDC deep = CreateCompatibleDC(nullptr);
  HGDIOBJ oldGood = SelectObject(good, dib32), oldDeep = SelectObject(deep, dib24);
  RECT area{0, 0, 1, 1}, inverted{1, 0, 0, 1};
  ASSERT_EQ(root->BindDC(good, &area), S_OK);
  EXPECT_LT(root->BindDC(mono, &area), 0);
  EXPECT_LT(root->BindDC(deep, &area), 0);
  EXPECT_LT(root->BindDC(reinterpret_cast<HDC>(0x1234), &area), 0);
  EXPECT_LT(root->BindDC(nullptr, &area), 0);
  EXPECT_LT(root->BindDC(good, nullptr), 0);
  EXPECT_LT(root->BindDC(good, &inverted), 0);
  root->BeginDraw();
  Fill(root, RedPixel);
  EXPECT_EQ(root->EndDraw(), S_OK);
  EXPECT_EQ(*static_cast<const uint32_t *>(bits32), RedPixel);
  SelectObject(good, oldGood);
  SelectObject(deep, oldDeep);
  DeleteDC(good);
  DeleteDC(mono);
  DeleteDC(deep);
  DeleteObject(dib32);
  DeleteObject(dib24);
}

// ---------------------------------------------------------------------------------------
// Robustness
// ---------------------------------------------------------------------------------------

// Each call in its own frame: what EndDraw reports, and that nothing was drawn. Missing
// objects are invalid arguments (Windows itself would fault on most of them); NaN and
// rectangles that hold no pixel of their bitmap are valid and draw nothing.
TEST_F(D2dTest, BadArgumentsDrawNothing) {
  ID2D1BitmapRenderTarget *target = Target(2, 2);
  ID2D1SolidColorBrush *brush = nullptr;
  D2D1_COLOR_F red{1, 0, 0, 1};
  target->CreateSolidColorBrush(&red, nullptr, &brush);
  ID2D1Bitmap *bitmap = Bitmap(1, 1, {RedPixel});
  const D2D1_RECT_F all{0, 0, 2, 2}, nan{NAN, 0, 2, 2};
  const D2D1_RECT_F beyondSource{5, 5, 9, 9}, nanSource{NAN, 0, 1, 1}, farSource{-1e30f, -1e30f, -1e29f, -1e29f};
  const D2D1_LAYER_PARAMETERS badMode{
      all, nullptr, static_cast<D2D1_ANTIALIAS_MODE>(3), {1, 0, 0, 1, 0, 0}, 1.0f, nullptr, D2D1_LAYER_OPTIONS_NONE};
  const D2D1_LAYER_PARAMETERS badOptions{all,  nullptr, D2D1_ANTIALIAS_MODE_PER_PRIMITIVE, {1, 0, 0, 1, 0, 0},
                                         1.0f, nullptr, static_cast<D2D1_LAYER_OPTIONS>(4)};
  struct Case {
    const char *name;
    std::function<void()> call;
    HRESULT result;
  };
  const Case cases[] = {
      {"FillRectangle without a rectangle", [&] { target->FillRectangle(nullptr, brush); }, E_INVALIDARG},
      {"FillRectangle without a brush", [&] { target->FillRectangle(&all, nullptr); }, E_INVALIDARG},
      {"DrawBitmap without a bitmap", [&] { target->DrawBitmap(nullptr, &all); }, E_INVALIDARG},
      {"FillOpacityMask without a mask",
       [&] { target->FillOpacityMask(nullptr, brush, D2D1_OPACITY_MASK_CONTENT_GRAPHICS); }, E_INVALIDARG},
      {"FillOpacityMask with a content outside the enumeration",
       [&] {
         target->SetAntialiasMode(D2D1_ANTIALIAS_MODE_ALIASED);
         target->FillOpacityMask(bitmap, brush, static_cast<D2D1_OPACITY_MASK_CONTENT>(3), &all, nullptr);
         target->SetAntialiasMode(D2D1_ANTIALIAS_MODE_PER_PRIMITIVE);
       },
       E_INVALIDARG},
      {"PushLayer without parameters", [&] { target->PushLayer(nullptr, nullptr); }, E_INVALIDARG},
      {"PushLayer with a mask antialias mode outside the enumeration", [&] { target->PushLayer(&badMode, nullptr); },
       E_INVALIDARG},
      {"PushLayer with layer options outside the enumeration", [&] { target->PushLayer(&badOptions, nullptr); },
       E_INVALIDARG},
      {"FillRectangle of a NaN rectangle", [&] { target->FillRectangle(&nan, brush); }, S_OK},
      {"DrawBitmap at NaN opacity", [&] { target->DrawBitmap(bitmap, &all, NAN); }, S_OK},
      {"DrawBitmap at opacity 0", [&] { target->DrawBitmap(bitmap, &all, 0.0f); }, S_OK},
      {"DrawBitmap of a source beside the bitmap",
       [&] { target->DrawBitmap(bitmap, &all, 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, &beyondSource); },
       S_OK},
      {"DrawBitmap of a NaN source",
       [&] { target->DrawBitmap(bitmap, &all, 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, &nanSource); },
       S_OK},
      {"DrawBitmap of a source far away",
       [&] { target->DrawBitmap(bitmap, &all, 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, &farSource); },
       S_OK},
      {"SetTransform without a matrix", [&] { target->SetTransform(nullptr); }, S_OK},
  };
  for (const Case &c : cases) {
    target->BeginDraw();
    c.call();
    EXPECT_EQ(target->EndDraw(), c.result) << c.name;
    for (uint32_t p : Pixels(target)) EXPECT_EQ(p, 0u) << c.name;
  }

  // A huge rectangle is clipped to the target.
  target->BeginDraw();
  D2D1_RECT_F huge{-1e30f, -1e30f, 1e30f, 1e30f};
  target->FillRectangle(&huge, brush);
  target->EndDraw();
  for (uint32_t p : Pixels(target)) EXPECT_EQ(p, RedPixel);

  ID2D1SolidColorBrush *none = reinterpret_cast<ID2D1SolidColorBrush *>(0x1);
  EXPECT_EQ(target->CreateSolidColorBrush(nullptr, nullptr, &none), E_INVALIDARG);
  EXPECT_EQ(none, nullptr);
  bitmap->Release();
  brush->Release();
  target->Release();
}

TEST_F(D2dTest, ZeroSizedTargetsDrawNothing) {
  ID2D1BitmapRenderTarget *empty = Target(0, 0);
  ASSERT_NE(empty, nullptr);
  ID2D1SolidColorBrush *brush = nullptr;
  D2D1_COLOR_F red{1, 0, 0, 1};
  empty->CreateSolidColorBrush(&red, nullptr, &brush);
  empty->BeginDraw();
  empty->Clear(&red);
  D2D1_RECT_F rect{0, 0, 10, 10};
  empty->FillRectangle(&rect, brush);
  D2D1_LAYER_PARAMETERS layer{
      rect, nullptr, D2D1_ANTIALIAS_MODE_PER_PRIMITIVE, {1, 0, 0, 1, 0, 0}, 1.0f, nullptr, D2D1_LAYER_OPTIONS_NONE};
  empty->PushLayer(&layer, nullptr);
  empty->FillRectangle(&rect, brush);
  empty->PopLayer();
  EXPECT_EQ(empty->EndDraw(), S_OK);
  brush->Release();
  empty->Release();
}

} // namespace
