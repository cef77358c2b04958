// The Direct2D backend: start-up and its messages, render targets, image targets,
// drawing, brush transforms, layers and copies. Pixels are premultiplied BGRA; a pixel is
// written here as 0xAARRGGBB, its value in memory.
#include "d2d_backend.h"
#include "debug_output.h"
#include "dib.h"
#include "wine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Messages;
void CollectMessage(const std::string &message) { Messages.push_back(message); }

// Start-up happens once per process, as in the program; what it printed and returned is
// kept for the start-up tests.
std::vector<std::string> StartMessages;
HRESULT StartResult = E_FAIL;
ID2D1DCRenderTarget *MainTarget = nullptr;

class BackendEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    CaptureDebugOutput(CollectMessage);
    // The toolkit initialises COM on the GUI thread before the backend starts.
    CoInitialize(nullptr);
    StartResult = _D2D_Start();
    MainTarget = static_cast<ID2D1DCRenderTarget *>(_D2D_CreateRenderTarget(1, nullptr, nullptr));
    StartMessages = Messages;
    Messages.clear();
  }
  void TearDown() override { CaptureDebugOutput(nullptr); }
};
const auto *Environment = ::testing::AddGlobalTestEnvironment(new BackendEnvironment);

// An image target holding the given pixels, row by row.
ID2D1BitmapRenderTarget *MakeImage(int width, int height, const std::vector<uint32_t> &pixels) {
  ID2D1BitmapRenderTarget *image = _D2D_CreateBitmapRenderTarget(MainTarget, width, height, 0);
  if (image == nullptr) return nullptr;
  ID2D1Bitmap *bitmap = nullptr;
  image->GetBitmap(&bitmap);
  D2D1_RECT_U all = {0, 0, static_cast<UINT32>(width), static_cast<UINT32>(height)};
  bitmap->CopyFromMemory(&all, pixels.data(), static_cast<UINT32>(width) * 4);
  bitmap->Release();
  return image;
}

std::vector<uint32_t> ReadImage(ID2D1BitmapRenderTarget *image, int width, int height) {
  return ReadTargetPixels(MainTarget, image, width, height);
}

typedef std::vector<uint32_t> Pixels;
const uint32_t Red = 0xFFFF0000, Green = 0xFF00FF00, Blue = 0xFF0000FF, White = 0xFFFFFFFF;
const uint32_t OpaqueBlack = 0xFF000000, Clear = 0x00000000;

} // namespace

// ---------------------------------------------------------------------------------------
// Start-up and debug output
// ---------------------------------------------------------------------------------------

TEST(BackendStart, CreatesFactoriesAndPrintsInOrder) {
  EXPECT_EQ(StartResult, S_OK);
  EXPECT_NE(pWICFactory, nullptr);
  EXPECT_NE(pD2DFactory, nullptr);
  EXPECT_NE(pDWriteFactory, nullptr);
  EXPECT_NE(hD2D1Module, nullptr);
  EXPECT_NE(hDWriteModule, nullptr);
  EXPECT_EQ(bFactoriesLoaded, 1);
  ASSERT_NE(MainTarget, nullptr);
  EXPECT_EQ(StartMessages, (std::vector<std::string>{"*** _D2D_Start ***", "*** _D2D_CreateRenderTarget ***",
                                                     "Created DC Render Target."}));
}

TEST(BackendStart, LoadFactoriesAgainReloadsNothing) {
  ID2D1Factory *d2d = pD2DFactory;
  IDWriteFactory *dwrite = pDWriteFactory;
  HMODULE d2dModule = hD2D1Module, dwriteModule = hDWriteModule;
  EXPECT_EQ(_D2D_LoadFactories(), 1);
  EXPECT_EQ(pD2DFactory, d2d);
  EXPECT_EQ(pDWriteFactory, dwrite);
  EXPECT_EQ(hD2D1Module, d2dModule);
  EXPECT_EQ(hDWriteModule, dwriteModule);
}

TEST(BackendStart, DebugPrintFormatsAndAddsNothing) {
  Messages.clear();
  _D2D_DebugPrint(L"pTempRenderTarget created!!!! %dx%d", 800, 600);
  _D2D_DebugPrint(L"%d", -7);
  // Text longer than the 512-unit buffer is cut, never written past it.
  std::wstring longFormat(700, L'a');
  _D2D_DebugPrint(longFormat.c_str());
  ASSERT_EQ(Messages.size(), 3u);
  EXPECT_EQ(Messages[0], "pTempRenderTarget created!!!! 800x600");
  EXPECT_EQ(Messages[1], "-7");
  EXPECT_EQ(Messages[2], std::string(511, 'a'));
}

// ---------------------------------------------------------------------------------------
// Render targets
// ---------------------------------------------------------------------------------------

TEST(BackendTargets, OnlyModesZeroAndOneCreateAnything) {
  Messages.clear();
  EXPECT_EQ(_D2D_CreateRenderTarget(2, nullptr, nullptr), nullptr);
  EXPECT_EQ(_D2D_CreateRenderTarget(-1, nullptr, nullptr), nullptr);
  // A window target needs its rectangle; without one nothing is read or made.
  EXPECT_EQ(_D2D_CreateRenderTarget(0, nullptr, nullptr), nullptr);
  EXPECT_EQ(Messages, (std::vector<std::string>(3, "*** _D2D_CreateRenderTarget ***")));
}

TEST(BackendTargets, BindDCDrawsOnlyIntoTheBoundRectangle) {
  TestDib dib = MakeTestDib(120, 70, 0x11223344);
  ASSERT_EQ(_D2D_BindDC(MainTarget, dib.dc, 5, 7, 100, 50), 1);
  EXPECT_EQ(MainTarget->GetPixelSize().width, 100u);
  EXPECT_EQ(MainTarget->GetPixelSize().height, 50u);
  MainTarget->BeginDraw();
  D2D1_COLOR_F green = {0, 1, 0, 1};
  MainTarget->Clear(&green);
  EXPECT_EQ(MainTarget->EndDraw(nullptr, nullptr), S_OK);

  // left 5, top 7, right 105, bottom 57
  auto at = [&](int x, int y) { return dib.pixels[y * dib.width + x]; };
  EXPECT_EQ(at(5, 7), Green);
  EXPECT_EQ(at(104, 56), Green);
  EXPECT_EQ(at(4, 7), 0x11223344u);
  EXPECT_EQ(at(5, 6), 0x11223344u);
  EXPECT_EQ(at(105, 56), 0x11223344u);
  EXPECT_EQ(at(104, 57), 0x11223344u);
  FreeTestDib(&dib);
}

TEST(BackendTargets, LayerBlackBrushAndTestDrawing) {
  ID2D1BitmapRenderTarget *image = _D2D_CreateBitmapRenderTarget(MainTarget, 2, 1, 0);
  ASSERT_NE(image, nullptr);
  intptr_t layer = _D2D_CreateLayer(image);
  ASSERT_GT(layer, 0);
  EXPECT_EQ(reinterpret_cast<ID2D1Layer *>(layer)->Release(), 0u);

  ASSERT_EQ(_D2D_CreateBlackBrush(image), S_OK);
  ASSERT_NE(pBlackBrush, nullptr);
  D2D1_COLOR_F black = pBlackBrush->GetColor();
  EXPECT_EQ(black.r, 0.0f);
  EXPECT_EQ(black.g, 0.0f);
  EXPECT_EQ(black.b, 0.0f);
  EXPECT_EQ(black.a, 1.0f);

  // No text format exists, so the page is only cleared to white.
  D2D1_MATRIX_3X2_F shifted = {1, 0, 0, 1, 3, 4};
  image->SetTransform(&shifted);
  EXPECT_EQ(_D2D_DrawHelloWorld(image), S_OK);
  D2D1_MATRIX_3X2_F now;
  image->GetTransform(&now);
  EXPECT_EQ(now._31, 0.0f);
  EXPECT_EQ(now._32, 0.0f);
  EXPECT_EQ(ReadImage(image, 2, 1), (Pixels{White, White}));
  _D2D_ReleaseBitmapTarget(image);
}

TEST(BackendTargets, NoDxgiSurfaceWithoutADevice) {
  Messages.clear();
  EXPECT_EQ(_D2D_CreateDxgiSurfaceRenderTarget(16, 16), nullptr);
  EXPECT_TRUE(Messages.empty());
}

// ---------------------------------------------------------------------------------------
// Image targets
// ---------------------------------------------------------------------------------------

TEST(BackendBitmaps, NewTargetHasExactSizeAndIsTransparent) {
  ID2D1BitmapRenderTarget *image = _D2D_CreateBitmapRenderTarget(MainTarget, 800, 600, 0);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->GetPixelSize().width, 800u);
  EXPECT_EQ(image->GetPixelSize().height, 600u);
  Pixels pixels = ReadImage(image, 800, 600);
  ASSERT_EQ(pixels.size(), 800u * 600u);
  size_t nonZero = 0;
  for (uint32_t pixel : pixels) nonZero += pixel != 0;
  EXPECT_EQ(nonZero, 0u);
  _D2D_ReleaseBitmapTarget(image);

  EXPECT_EQ(_D2D_CreateBitmapRenderTarget(MainTarget, -1, 10, 0), nullptr);
}

TEST(BackendBitmaps, ClearColourIsRgbaWithRedInTheLowByte) {
  // Alpha 128, blue 255: {0, 0, 1, 128 / 255}, premultiplied to blue 128.
  ID2D1BitmapRenderTarget *image = _D2D_CreateBitmapRenderTarget(MainTarget, 1, 1, 0x80FF0000);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(ReadImage(image, 1, 1), (Pixels{0x80000080}));
  _D2D_ReleaseBitmapTarget(image);
  image = _D2D_CreateBitmapRenderTarget(MainTarget, 1, 1, 0xFF0000FF);
  EXPECT_EQ(ReadImage(image, 1, 1), (Pixels{Red}));
  _D2D_ReleaseBitmapTarget(image);
}

TEST(BackendBitmaps, PremultipliedDibPassesThroughUnchanged) {
  uint8_t *bits = nullptr;
  HBITMAP dib = MakeDibSection(2, 2, 32, &bits); // bottom-up
  ASSERT_NE(dib, nullptr);
  // B 0, G 64, R 128, A 128 at the top left; the bottom row comes first in memory.
  const uint32_t memory[4] = {0x01020304, Clear, 0x80804000, White};
  std::memcpy(bits, memory, sizeof memory);

  ID2D1BitmapRenderTarget *image = _D2D_BitmapRenderTargetFromHBITMAP(MainTarget, dib);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->GetPixelSize().width, 2u);
  EXPECT_EQ(image->GetPixelSize().height, 2u);
  EXPECT_EQ(ReadImage(image, 2, 2), (Pixels{0x80804000, White, 0x01020304, Clear}));
  _D2D_ReleaseBitmapTarget(image);
  DeleteObject(dib);
}

TEST(BackendBitmaps, MissingOrForeignBitmapGivesNull) {
  EXPECT_EQ(_D2D_BitmapRenderTargetFromHBITMAP(MainTarget, nullptr), nullptr);
  EXPECT_EQ(_D2D_BitmapRenderTargetFromHBITMAP(MainTarget, reinterpret_cast<HBITMAP>(0x4321)), nullptr);
  // Without a WIC factory nothing is called through it.
  IWICImagingFactory *factory = pWICFactory;
  pWICFactory = nullptr;
  TestDib dib = MakeTestDib(1, 1, White);
  EXPECT_EQ(_D2D_BitmapRenderTargetFromHBITMAP(MainTarget, dib.bitmap), nullptr);
  pWICFactory = factory;
  FreeTestDib(&dib);
}

TEST(BackendBitmaps, DrawToRenderTargetShowsBlackBehindTransparency) {
  ID2D1BitmapRenderTarget *image = MakeImage(3, 1, {Clear, 0x80804000, White});
  ASSERT_NE(image, nullptr);
  TestDib dib = MakeTestDib(4, 2, 0x11223344);
  ASSERT_EQ(_D2D_BindDC(MainTarget, dib.dc, 0, 0, 4, 2), 1);
  EXPECT_EQ(_D2D_DrawToRenderTarget(image, 0, 0, 3, 1, MainTarget, 0, 0), 1);
  // Half-transparent (0, 64, 128, 128) over black: alpha 128 + 255 * 127 / 255 = 255.
  // The whole bound area is cleared, beyond the image too.
  EXPECT_EQ(Pixels(dib.pixels, dib.pixels + 8),
            (Pixels{OpaqueBlack, 0xFF804000, White, OpaqueBlack, OpaqueBlack, OpaqueBlack, OpaqueBlack, OpaqueBlack}));
  FreeTestDib(&dib);
  _D2D_ReleaseBitmapTarget(image);
}

TEST(BackendBitmaps, BrushOutlivesItsTarget) {
  ID2D1BitmapRenderTarget *image = MakeImage(2, 1, {Red, Blue});
  ASSERT_NE(image, nullptr);
  ID2D1BitmapBrush *brush = _D2D_CreateBitmapBrush(image);
  ASSERT_NE(brush, nullptr);
  EXPECT_EQ(brush->GetExtendModeX(), D2D1_EXTEND_MODE_CLAMP);
  EXPECT_EQ(brush->GetOpacity(), 1.0f);
  EXPECT_EQ(_D2D_ReleaseBitmapTarget(image), 1);

  ID2D1BitmapRenderTarget *canvas = _D2D_CreateBitmapRenderTarget(MainTarget, 2, 1, 0);
  D2D1_RECT_F all = {0, 0, 2, 1};
  _D2D_BeginDraw(canvas);
  _D2D_FillRectangle(canvas, brush, &all);
  EXPECT_EQ(_D2D_EndDraw(canvas), S_OK);
  EXPECT_EQ(ReadImage(canvas, 2, 1), (Pixels{Red, Blue}));
  EXPECT_EQ(_D2D_ReleaseBrush(brush), 0u);
  _D2D_ReleaseBitmapTarget(canvas);
}

// ---------------------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------------------

TEST(BackendDrawing, SolidFillSwapsRedAndBlueAndResetsTheTransform) {
  ID2D1BitmapRenderTarget *image = _D2D_CreateBitmapRenderTarget(MainTarget, 4, 1, 0);
  _D2D_BeginDraw(image);
  D2D1_MATRIX_3X2_F shifted = {1, 0, 0, 1, 1, 0};
  image->SetTransform(&shifted);
  EXPECT_EQ(_D2D_FillSolidRectangle(image, 0, 0, 1, 1, 0x0000FF, 1.0f), 1);
  EXPECT_EQ(_D2D_FillSolidRectangle(image, 1, 0, 1, 1, 0xFF0000, 1.0f), 1);
  // The top byte is no part of the colour.
  EXPECT_EQ(_D2D_FillSolidRectangle(image, 2, 0, 1, 1, 0xAB00FF00, 1.0f), 1);
  _D2D_EndDraw(image);
  D2D1_MATRIX_3X2_F now;
  image->GetTransform(&now);
  EXPECT_EQ(now._31, 0.0f);
  EXPECT_EQ(ReadImage(image, 4, 1), (Pixels{Red, Blue, Green, Clear}));
  _D2D_ReleaseBitmapTarget(image);
}

TEST(BackendDrawing, DrawBitmapScalesByNearestNeighbour) {
  ID2D1BitmapRenderTarget *source = MakeImage(2, 1, {Red, Blue});
  ID2D1BitmapRenderTarget *dest = _D2D_CreateBitmapRenderTarget(MainTarget, 5, 1, 0);
  D2D1_RECT_F destRect = {0, 0, 4, 1};
  _D2D_BeginDraw(dest);
  EXPECT_EQ(_D2D_DrawBitmap(source, nullptr, dest, &destRect, 1.0f), 1);
  _D2D_EndDraw(dest);
  // Linear filtering would mix red and blue in the middle two pixels.
  EXPECT_EQ(ReadImage(dest, 5, 1), (Pixels{Red, Red, Blue, Blue, Clear}));
  _D2D_ReleaseBitmapTarget(source);
  _D2D_ReleaseBitmapTarget(dest);
}

TEST(BackendDrawing, BrushTransformsTranslateThenScaleThenRotate) {
  ID2D1BitmapRenderTarget *image = _D2D_CreateBitmapRenderTarget(MainTarget, 1, 1, 0);
  ID2D1BitmapBrush *brush = _D2D_CreateBitmapBrush(image);
  ASSERT_NE(brush, nullptr);
  D2D1_MATRIX_3X2_F m;

  // (0, 0) -> (5, 0) -> (10 + 2 * (5 - 10), 10 + 2 * (0 - 10)) = (0, -10).
  _D2D_SetBrushTransform(brush, 2, 2, 10, 10, 0, 5, 0);
  brush->GetTransform(&m);
  EXPECT_FLOAT_EQ(m._11, 2);
  EXPECT_NEAR(m._12, 0, 1e-6);
  EXPECT_NEAR(m._21, 0, 1e-6);
  EXPECT_FLOAT_EQ(m._22, 2);
  EXPECT_NEAR(m._31, 0, 1e-5);
  EXPECT_NEAR(m._32, -10, 1e-5);

  // Rotation comes last: (0, 0) -> (1, 0), then a quarter turn about the origin -> (0, 1).
  _D2D_SetBrushTransform(brush, 1, 1, 0, 0, 90, 1, 0);
  brush->GetTransform(&m);
  EXPECT_NEAR(m._31, 0, 1e-5);
  EXPECT_NEAR(m._32, 1, 1e-5);

  _D2D_SetBrushScale(brush, 2, 3, 10, 20);
  brush->GetTransform(&m);
  EXPECT_EQ(m._11, 2);
  EXPECT_EQ(m._22, 3);
  EXPECT_EQ(m._31, -10);
  EXPECT_EQ(m._32, -40);

  _D2D_SetBrushTranslation(brush, 7, -3);
  brush->GetTransform(&m);
  EXPECT_EQ(m._11, 1);
  EXPECT_EQ(m._31, 7);
  EXPECT_EQ(m._32, -3);

  _D2D_SetBrushOpacity(brush, 0.25f);
  EXPECT_EQ(brush->GetOpacity(), 0.25f);
  _D2D_SetBrushExtendMode(brush, D2D1_EXTEND_MODE_WRAP, D2D1_EXTEND_MODE_MIRROR);
  EXPECT_EQ(brush->GetExtendModeX(), D2D1_EXTEND_MODE_WRAP);
  EXPECT_EQ(brush->GetExtendModeY(), D2D1_EXTEND_MODE_MIRROR);
  _D2D_ReleaseBrush(brush);
  _D2D_ReleaseBitmapTarget(image);
}

TEST(BackendDrawing, PushLayerClipsToBoundsAndNeverReadsTheMaskTransform) {
  if (RunningUnderWine()) GTEST_SKIP() << WineLayers;
  ID2D1BitmapRenderTarget *image = _D2D_CreateBitmapRenderTarget(MainTarget, 4, 1, 0);
  D2D1_RECT_F bounds = {1, 0, 3, 1};
  _D2D_BeginDraw(image);
  // The mask-transform argument is a value no one may read through.
  _D2D_PushLayer(image, nullptr, &bounds, nullptr, D2D1_ANTIALIAS_MODE_PER_PRIMITIVE, reinterpret_cast<const void *>(1),
                 1.0f, nullptr, D2D1_LAYER_OPTIONS_NONE);
  _D2D_FillSolidRectangle(image, 0, 0, 4, 1, 0x0000FF, 1.0f);
  _D2D_PopLayer(image);
  EXPECT_EQ(_D2D_EndDraw(image), S_OK);
  EXPECT_EQ(ReadImage(image, 4, 1), (Pixels{Clear, Red, Red, Clear}));

  // No bounds: the layer covers everything.
  _D2D_BeginDraw(image);
  _D2D_PushLayer(image, nullptr, nullptr, nullptr, 0, nullptr, 1.0f, nullptr, 0);
  _D2D_FillSolidRectangle(image, 0, 0, 4, 1, 0xFF0000, 1.0f);
  _D2D_PopLayer(image);
  EXPECT_EQ(_D2D_EndDraw(image), S_OK);
  EXPECT_EQ(ReadImage(image, 4, 1), (Pixels{Blue, Blue, Blue, Blue}));
  _D2D_ReleaseBitmapTarget(image);
}

// ---------------------------------------------------------------------------------------
// Copies
// ---------------------------------------------------------------------------------------

TEST(BackendCopy, TemporaryTargetIsCreatedReusedAndRecreatedAtTheNewSize) {
  if (pTempRenderTarget != nullptr) pTempRenderTarget->Release();
  pTempRenderTarget = nullptr;
  ID2D1BitmapRenderTarget *image = _D2D_CreateBitmapRenderTarget(MainTarget, 200, 100, 0);

  Messages.clear();
  EXPECT_EQ(_D2D_CopyRenderTargetArea(image, 10, 10, 100, 50, image, 20, 20), 1);
  EXPECT_EQ(Messages, (std::vector<std::string>{"*** Fuck ***", "pTempRenderTarget created!!!! 100x50"}));
  ASSERT_NE(pTempRenderTarget, nullptr);
  ID2D1BitmapRenderTarget *first = pTempRenderTarget;
  EXPECT_EQ(first->GetSize().width, 100.0f);
  EXPECT_EQ(first->GetSize().height, 50.0f);

  Messages.clear();
  _D2D_CopyRenderTargetArea(image, 0, 0, 80, 40, image, 5, 5);
  EXPECT_EQ(Messages, (std::vector<std::string>{"*** Fuck ***"}));
  EXPECT_EQ(pTempRenderTarget, first);

  Messages.clear();
  _D2D_CopyRenderTargetArea(image, 0, 0, 120, 10, image, 1, 1);
  EXPECT_EQ(Messages, (std::vector<std::string>{"*** Fuck ***",
                                                "pTempRenderTarget size changed recreated!!!! 100x50 to 120x10"}));
  ASSERT_NE(pTempRenderTarget, nullptr);
  EXPECT_EQ(pTempRenderTarget->GetSize().width, 120.0f);
  EXPECT_EQ(pTempRenderTarget->GetSize().height, 10.0f);

  // A copy between two images prints nothing and needs no temporary target.
  ID2D1BitmapRenderTarget *other = _D2D_CreateBitmapRenderTarget(MainTarget, 200, 100, 0);
  Messages.clear();
  _D2D_CopyRenderTargetArea(image, 0, 0, 150, 90, other, 0, 0);
  EXPECT_TRUE(Messages.empty());
  _D2D_ReleaseBitmapTarget(other);
  _D2D_ReleaseBitmapTarget(image);
}

TEST(BackendCopy, OverlappingSelfCopyReadsTheOriginalPixels) {
  if (RunningUnderWine()) GTEST_SKIP() << WineCopyFromRenderTarget;
  const uint32_t a = 0xFF000001, b = 0xFF000002, c = 0xFF000003, d = 0xFF000004;
  ID2D1BitmapRenderTarget *image = MakeImage(4, 1, {a, b, c, d});
  _D2D_CopyRenderTargetArea(image, 0, 0, 3, 1, image, 1, 0);
  // An in-place copy from left to right would smear a across the row.
  EXPECT_EQ(ReadImage(image, 4, 1), (Pixels{a, a, b, c}));
  // The pixels went through the temporary target's top left corner.
  ASSERT_NE(pTempRenderTarget, nullptr);
  EXPECT_EQ(ReadImage(pTempRenderTarget, 3, 1), (Pixels{a, b, c}));
  _D2D_ReleaseBitmapTarget(image);

  // The second step copies truncated width x height: x 0.5 + 2.6 reads three pixels,
  // but only the two of width 2.6 arrive.
  image = MakeImage(4, 1, {a, b, c, d});
  _D2D_CopyRenderTargetArea(image, 0.5f, 0, 2.6f, 1, image, 1, 0);
  EXPECT_EQ(ReadImage(image, 4, 1), (Pixels{a, a, b, d}));
  _D2D_ReleaseBitmapTarget(image);
}

TEST(BackendCopy, RectanglesTruncateTowardZeroAfterFloatSums) {
  if (RunningUnderWine()) GTEST_SKIP() << WineCopyFromRenderTarget;
  const uint32_t a = 0xFF000001, b = 0xFF000002, c = 0xFF000003, d = 0xFF000004;
  ID2D1BitmapRenderTarget *source = MakeImage(4, 1, {a, b, c, d});
  ID2D1BitmapRenderTarget *dest = _D2D_CreateBitmapRenderTarget(MainTarget, 4, 1, 0);
  // {1, 0, 1.7 + 1.6 = 3.3 -> 3, 0.4 + 0.7 = 1.1 -> 1} to {0.9 -> 0, 0}: pixels b and c.
  _D2D_CopyRenderTargetArea(source, 1.7f, 0.4f, 1.6f, 0.7f, dest, 0.9f, 0.0f);
  EXPECT_EQ(ReadImage(dest, 4, 1), (Pixels{b, c, Clear, Clear}));
  // -0.5 truncates to 0 (flooring would give -1 and no copy): one pixel, a, to x 3.
  _D2D_CopyRenderTargetArea(source, -0.5f, 0.0f, 2.0f, 1.0f, dest, 3.5f, 0.0f);
  EXPECT_EQ(ReadImage(dest, 4, 1), (Pixels{b, c, Clear, a}));
  _D2D_ReleaseBitmapTarget(source);
  _D2D_ReleaseBitmapTarget(dest);
}

// ---------------------------------------------------------------------------------------
// Null interface pointers
// ---------------------------------------------------------------------------------------

TEST(BackendNulls, NothingIsCalledThroughANullPointer) {
  D2D1_RECT_F rect = {0, 0, 1, 1};
  Messages.clear();
  EXPECT_EQ(_D2D_BindDC(nullptr, nullptr, 0, 0, 1, 1), 0);
  EXPECT_LT(_D2D_CreateLayer(nullptr), 0);
  EXPECT_LT(_D2D_CreateBlackBrush(nullptr), 0);
  EXPECT_LT(_D2D_DrawHelloWorld(nullptr), 0);
  EXPECT_EQ(_D2D_CreateBitmapRenderTarget(nullptr, 1, 1, 0), nullptr);
  EXPECT_EQ(_D2D_CreateMaskRenderTarget(nullptr, 1, 1), nullptr);
  EXPECT_EQ(_D2D_BitmapRenderTargetFromHBITMAP(nullptr, reinterpret_cast<HBITMAP>(1)), nullptr);
  EXPECT_EQ(_D2D_CreateBitmapBrush(nullptr), nullptr);
  EXPECT_EQ(_D2D_DrawToRenderTarget(nullptr, 0, 0, 1, 1, nullptr, 0, 0), 1);
  EXPECT_EQ(_D2D_ReleaseBitmapTarget(nullptr), 1);
  _D2D_BeginDraw(nullptr);
  EXPECT_LT(_D2D_EndDraw(nullptr), 0);
  _D2D_FillRectangle(nullptr, nullptr, &rect);
  EXPECT_EQ(_D2D_FillSolidRectangle(nullptr, 0, 0, 1, 1, 0, 1), 1);
  EXPECT_EQ(_D2D_DrawBitmap(nullptr, nullptr, nullptr, &rect, 1), 1);
  _D2D_SetBrushOpacity(nullptr, 1);
  _D2D_SetBrushExtendMode(nullptr, D2D1_EXTEND_MODE_WRAP, D2D1_EXTEND_MODE_WRAP);
  _D2D_SetBrushTranslation(nullptr, 1, 1);
  _D2D_SetBrushScale(nullptr, 1, 1, 0, 0);
  _D2D_SetBrushTransform(nullptr, 1, 1, 0, 0, 0, 0, 0);
  _D2D_PushLayer(nullptr, nullptr, &rect, nullptr, 0, nullptr, 1, nullptr, 0);
  _D2D_PopLayer(nullptr);
  EXPECT_EQ(_D2D_CopyRenderTargetArea(nullptr, 0, 0, 1, 1, nullptr, 0, 0), 1);
  _D2D_PrepareTempRenderTarget(nullptr, 1, 1);
  _D2D_FillOpacityMask(nullptr, nullptr, nullptr, &rect, &rect);
  EXPECT_LT(_D2D_Flush(nullptr), 0);
  EXPECT_EQ(_D2D_ReleaseBrush(nullptr), 0u);
  EXPECT_EQ(_D2D_ReleaseObject(nullptr), 0u);
  EXPECT_TRUE(Messages.empty());

  // An image with no temporary target to copy through still returns as usual.
  ID2D1BitmapRenderTarget *image = _D2D_CreateBitmapRenderTarget(MainTarget, 2, 1, 0);
  ID2D1Brush *noBrush = nullptr;
  _D2D_FillRectangle(image, noBrush, &rect);
  EXPECT_EQ(_D2D_DrawBitmap(image, nullptr, nullptr, &rect, 1), 1);
  EXPECT_EQ(_D2D_CopyRenderTargetArea(image, 0, 0, 0.5f, 1, image, 1, 0), 1);
  _D2D_ReleaseBitmapTarget(image);
}
