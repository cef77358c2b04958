// Layers: clipping and opacity, the caller's opacity brush, a border's mask in its place,
// the visible border drawn after the pop, nesting, the list counts, odd calls, and one
// small frame composed the way the program composes its frames.
#include "test_render_fixture.h"

namespace {

const Bgra ClearPixel = {0, 0, 0, 0};
const Bgra RedPixel = {0, 0, 255, 255};
const Bgra BluePixel = {255, 0, 0, 255};
const Bgra GreenPixel = {0, 255, 0, 255};
const Bgra GreyPixel = {100, 100, 100, 255};

// A 6 x 6 image with the given 2 x 2 cells (column, row in 0..2) filled opaque.
RenderImage *CellImage(uint32_t colour, std::initializer_list<std::pair<int, int>> cells) {
  RenderImage *image = CreateRenderImage(6, 6, 0);
  StartRenderDrawing(image);
  for (auto [column, row] : cells)
    DrawRenderBox(static_cast<float>(column * 2), static_cast<float>(row * 2), 2, 2, colour, 1.0f);
  StopRenderDrawing();
  return image;
}

// A width x 12 mask image whose left `opaque` columns are opaque black.
RenderImage *StripMask(int width, int opaque) {
  RenderImage *image = CreateRenderImage(width, 12, 0);
  StartRenderDrawing(image);
  DrawRenderBox(0, 0, static_cast<float>(opaque), 12, 0, 1.0f);
  StopRenderDrawing();
  return image;
}

// The test border, cut at 2 and 4 both ways: its visible picture has green top-left and
// bottom-right corners; its mask is opaque all round except the two top corners.
struct TestBorder {
  RenderImage *picture;
  RenderImage *maskPicture;
  RenderBorder *border;
};

TestBorder MakeTestBorder(bool withMask) {
  TestBorder made{};
  made.picture = CellImage(0x00FF00, {{0, 0}, {2, 2}});
  if (withMask) made.maskPicture = CellImage(0, {{1, 0}, {0, 1}, {2, 1}, {0, 2}, {1, 2}, {2, 2}});
  BorderMargins margins = {2, 2, 4, 4};
  made.border = CreateRenderBorder(made.picture, made.maskPicture, &margins);
  return made;
}

void FreeTestBorder(TestBorder &made) {
  for (RenderBorder *border = made.border; border; border = border->mask)
    for (RenderBrush *piece : border->piece) FreeRenderBrush(piece);
  FreeRenderImage(made.picture);
  if (made.maskPicture) FreeRenderImage(made.maskPicture);
}

using LayerTest = RenderTest;

TEST_F(LayerTest, PlainLayerClipsAndAppliesItsOpacity) {
  if (RunningUnderWine()) GTEST_SKIP() << WineLayers;
  RenderImage *target = CreateRenderImage(6, 2, 0);
  RenderRect clip = {1, 0, 4, 1};
  RenderRect faint = {0, 1, 6, 2};
  StartRenderDrawing(target);
  StartRenderLayer(&clip, 1.0f, nullptr, nullptr);
  DrawRenderBox(0, 0, 6, 2, 0x0000FF, 1.0f);
  StopRenderLayer();
  StartRenderLayer(&faint, 0.5f, nullptr, nullptr);
  DrawRenderBox(0, 0, 6, 2, 0xFF0000, 1.0f);
  StopRenderLayer();
  StopRenderDrawing();
  EXPECT_EQ(Pixel(target, 0, 0), ClearPixel);
  EXPECT_EQ(Pixel(target, 1, 0), RedPixel);
  EXPECT_EQ(Pixel(target, 3, 0), RedPixel);
  EXPECT_EQ(Pixel(target, 4, 0), ClearPixel);
  // Half of opaque blue: 127.5 either way.
  Bgra half = Pixel(target, 2, 1);
  EXPECT_NEAR(half.b, 127.5, 0.5);
  EXPECT_EQ(half.b, half.a);
  EXPECT_EQ(half.r, 0);
  FreeRenderImage(target);
}

TEST_F(LayerTest, CallersOpacityBrushMasksAndIsLeftToTheCaller) {
  if (RunningUnderWine()) GTEST_SKIP() << WineLayers;
  RenderImage *mask = StripMask(4, 2);
  RenderBrush *brush = CreateRenderBrush(mask);
  ASSERT_NE(brush, nullptr);
  TestBorder plain = MakeTestBorder(false); // a border without a mask border
  RenderImage *target = CreateRenderImage(8, 8, 0);
  int64_t brushes = TkListSize(BrushList);
  int64_t images = TkListSize(ImageList);
  RenderRect rect = {0, 0, 4, 6};
  StartRenderDrawing(target);
  StartRenderLayer(&rect, 1.0f, brush, plain.border);
  DrawRenderBox(0, 0, 8, 8, 0xFF0000, 1.0f);
  StopRenderLayer();
  StopRenderDrawing();
  EXPECT_EQ(Pixel(target, 1, 4), BluePixel);
  EXPECT_EQ(Pixel(target, 2, 3), ClearPixel);
  EXPECT_EQ(Pixel(target, 5, 4), ClearPixel);
  // The border is still drawn: its green corners at (0, 0) and (2, 4) of the rectangle.
  EXPECT_EQ(Pixel(target, 0, 0), GreenPixel);
  EXPECT_EQ(Pixel(target, 3, 5), GreenPixel);
  EXPECT_EQ(TkListSize(BrushList), brushes);
  EXPECT_EQ(TkListSize(ImageList), images);
  EXPECT_TRUE(TkListContains(BrushList, brush));
  FreeTestBorder(plain);
  FreeRenderBrush(brush);
  FreeRenderImage(mask);
  FreeRenderImage(target);
}

TEST_F(LayerTest, BorderMaskReplacesTheBrushAndTheBorderIsDrawnAfterThePop) {
  if (RunningUnderWine()) GTEST_SKIP() << WineLayers;
  TestBorder framed = MakeTestBorder(true);
  ASSERT_NE(framed.border->mask, nullptr);
  RenderImage *hidden = StripMask(4, 0); // fully transparent: would hide everything
  RenderBrush *brush = CreateRenderBrush(hidden);
  RenderImage *target = CreateRenderImage(12, 12, 0);
  int64_t brushes = TkListSize(BrushList);
  int64_t images = TkListSize(ImageList);
  RenderRect rect = {2, 2, 10, 10};
  StartRenderDrawing(target);
  StartRenderLayer(&rect, 1.0f, brush, framed.border);
  // While the layer is pushed its mask image and brush exist.
  EXPECT_EQ(TkListSize(ImageList), images + 1);
  EXPECT_EQ(TkListSize(BrushList), brushes + 1);
  DrawRenderBox(0, 0, 12, 12, 0x0000FF, 1.0f);
  StopRenderLayer();
  StopRenderDrawing();
  EXPECT_EQ(TkListSize(ImageList), images);
  EXPECT_EQ(TkListSize(BrushList), brushes);

  EXPECT_EQ(Pixel(target, 1, 1), ClearPixel); // outside the layer
  EXPECT_EQ(Pixel(target, 11, 5), ClearPixel);
  EXPECT_EQ(Pixel(target, 4, 2), RedPixel);   // the mask's opaque top edge
  EXPECT_EQ(Pixel(target, 6, 6), RedPixel);   // inside the mask border: opaque black
  EXPECT_EQ(Pixel(target, 9, 2), ClearPixel); // transparent mask corner, no border there
  // The mask hides the content at the top-left corner, but the border drawn after the
  // pop is neither clipped nor masked.
  EXPECT_EQ(Pixel(target, 2, 2), GreenPixel);
  EXPECT_EQ(Pixel(target, 9, 9), GreenPixel);
  FreeRenderBrush(brush);
  FreeRenderImage(hidden);
  FreeTestBorder(framed);
  FreeRenderImage(target);
}

// A mask picture smaller than the slice lines leaves pieces uncut; the layer is still
// shaped by the pieces there are, never by the caller's brush, which would hide it here.
TEST_F(LayerTest, MaskTooSmallForItsSliceLinesStillShowsTheLayer) {
  if (RunningUnderWine()) GTEST_SKIP() << WineLayers;
  TestBorder made{CellImage(0x00FF00, {{0, 0}, {2, 2}}), CreateRenderImage(3, 3, TkRGBA(0, 0, 0, 255)), nullptr};
  BorderMargins margins = {2, 2, 4, 4};
  made.border = CreateRenderBorder(made.picture, made.maskPicture, &margins);
  ASSERT_EQ(made.border->mask->piece[BORDER_TOP_RIGHT], nullptr);
  RenderImage *hidden = StripMask(4, 0);
  RenderBrush *brush = CreateRenderBrush(hidden);
  RenderImage *target = CreateRenderImage(12, 12, 0);
  RenderRect rect = {2, 2, 10, 10};
  StartRenderDrawing(target);
  StartRenderLayer(&rect, 1.0f, brush, made.border);
  DrawRenderBox(0, 0, 12, 12, 0x0000FF, 1.0f);
  StopRenderLayer();
  StopRenderDrawing();
  EXPECT_EQ(Pixel(target, 6, 6), RedPixel); // inside the mask's pieces: opaque
  // The top piece is cut partly from the 3 x 3 (opaque) and partly beyond it (clear).
  EXPECT_EQ(Pixel(target, 4, 3), RedPixel);
  EXPECT_EQ(Pixel(target, 5, 3), ClearPixel);
  FreeTestBorder(made);
  FreeRenderBrush(brush);
  FreeRenderImage(hidden);
  FreeRenderImage(target);
}

TEST_F(LayerTest, NestedLayersPopInReverseAndTheOuterMasksTheInnerBorder) {
  if (RunningUnderWine()) GTEST_SKIP() << WineLayers;
  TestBorder framed = MakeTestBorder(true);
  RenderImage *half = StripMask(12, 6);
  RenderBrush *outerBrush = CreateRenderBrush(half);
  RenderImage *target = CreateRenderImage(12, 12, 0);
  int64_t brushes = TkListSize(BrushList);
  int64_t images = TkListSize(ImageList);
  RenderRect outer = {0, 0, 12, 12};
  RenderRect inner = {2, 2, 10, 10};
  StartRenderDrawing(target);
  StartRenderLayer(&outer, 1.0f, outerBrush, nullptr);
  StartRenderLayer(&inner, 1.0f, nullptr, framed.border);
  DrawRenderBox(0, 0, 12, 12, 0x0000FF, 1.0f);
  StopRenderLayer();
  EXPECT_EQ(TkListSize(ImageList), images);
  DrawRenderBox(0, 11, 12, 1, 0xFF0000, 1.0f); // back in the outer layer only
  StopRenderLayer();
  StopRenderDrawing();
  EXPECT_EQ(TkListSize(BrushList), brushes);

  EXPECT_EQ(Pixel(target, 1, 1), ClearPixel); // outside the inner layer
  EXPECT_EQ(Pixel(target, 5, 5), RedPixel);
  EXPECT_EQ(Pixel(target, 7, 5), ClearPixel); // the outer mask is transparent from x = 6
  EXPECT_EQ(Pixel(target, 3, 3), GreenPixel); // inner border, where the outer mask is opaque
  EXPECT_EQ(Pixel(target, 9, 9), ClearPixel); // inner border, masked by the outer layer
  EXPECT_EQ(Pixel(target, 0, 11), BluePixel);
  EXPECT_EQ(Pixel(target, 11, 11), ClearPixel);
  FreeRenderBrush(outerBrush);
  FreeRenderImage(half);
  FreeTestBorder(framed);
  FreeRenderImage(target);
}

TEST_F(LayerTest, EmptyRectanglesAndUnpairedStopsAreHarmless) {
  if (RunningUnderWine()) GTEST_SKIP() << WineLayers;
  TestBorder framed = MakeTestBorder(true);
  RenderImage *target = CreateRenderImage(4, 4, 0);
  int64_t images = TkListSize(ImageList);
  EXPECT_EQ(StopRenderLayer(), 0); // no context at all
  StartRenderDrawing(target);
  EXPECT_EQ(StopRenderLayer(), 0); // no layer in this context
  RenderRect empty = {3, 3, 3, 1};
  StartRenderLayer(&empty, 1.0f, nullptr, framed.border);
  EXPECT_EQ(TkListSize(ImageList), images); // no mask for an empty layer
  DrawRenderBox(0, 0, 4, 4, 0x0000FF, 1.0f);
  StopRenderLayer();
  DrawRenderBox(0, 0, 1, 1, 0xFF0000, 1.0f);
  StopRenderDrawing();
  EXPECT_EQ(Pixel(target, 2, 2), ClearPixel);
  EXPECT_EQ(Pixel(target, 0, 0), BluePixel);

  // Without Direct2D the pieces were never made: the layer is bookkeeping only.
  RenderBackend = 0;
  BorderMargins margins = {2, 2, 4, 4};
  RenderBorder *bare = CreateRenderBorder(framed.picture, framed.maskPicture, &margins);
  RenderRect rect = {0, 0, 4, 4};
  StartRenderDrawing(target);
  StartRenderLayer(&rect, 1.0f, nullptr, bare);
  StopRenderLayer();
  StopRenderDrawing();
  RenderBackend = 1;
  EXPECT_EQ(TkListSize(ImageList), images);
  FreeTestBorder(framed);
  FreeRenderImage(target);
}

TEST_F(LayerTest, ComposesASmallFrame) {
  if (RunningUnderWine()) GTEST_SKIP() << WineLayers;
  TestBorder framed = MakeTestBorder(true);
  // A 2 x 1 tile, red then blue, repeated across the layer.
  RenderImage *tile = CreateRenderImage(2, 1, 0);
  StartRenderDrawing(tile);
  DrawRenderBox(0, 0, 1, 1, 0x0000FF, 1.0f);
  DrawRenderBox(1, 0, 1, 1, 0xFF0000, 1.0f);
  StopRenderDrawing();
  RenderBrush *tiles = CreateRenderBrush(tile);
  SetRenderBrushExtendMode(tiles, 1, 1);
  RenderImage *ball = SolidImage(2, 2, 0, 0, 255, 128); // stores blue 128, alpha 128
  RenderImage *background = SolidImage(12, 12, 100, 100, 100, 255);
  RenderImage *frame = CreateRenderImage(12, 12, 0);
  int64_t images = TkListSize(ImageList);
  int64_t brushes = TkListSize(BrushList);

  RenderRect window = {2, 2, 10, 10};
  StartRenderDrawing(frame);
  CopyRenderImageArea(background, 0, 0, 12, 12, 0, 0);
  StartRenderLayer(&window, 1.0f, nullptr, framed.border);
  SetRenderBrushOrigin(tiles, 0, 0);
  DrawRenderBrushBox(0, 0, 12, 12, tiles);
  DrawRenderImage(ball, 4, 6, -1, -1, 1.0f);
  StopRenderLayer();
  StopRenderDrawing();
  EXPECT_EQ(TkListSize(ImageList), images);
  EXPECT_EQ(TkListSize(BrushList), brushes);

  EXPECT_EQ(Pixel(frame, 0, 0), GreyPixel); // background outside the layer
  EXPECT_EQ(Pixel(frame, 11, 6), GreyPixel);
  EXPECT_EQ(Pixel(frame, 9, 3), GreyPixel);  // through the mask's transparent corner
  EXPECT_EQ(Pixel(frame, 2, 3), GreenPixel); // the border's corner over everything
  EXPECT_EQ(Pixel(frame, 8, 9), GreenPixel);
  EXPECT_EQ(Pixel(frame, 4, 2), RedPixel); // tiles where the mask is opaque
  EXPECT_EQ(Pixel(frame, 5, 2), BluePixel);
  EXPECT_EQ(Pixel(frame, 6, 4), RedPixel);
  EXPECT_EQ(Pixel(frame, 7, 4), BluePixel);
  // The ball over the tiles: blue 128 + tile * (255 - 128) / 255.
  Bgra overRed = Pixel(frame, 4, 6);
  Bgra overBlue = Pixel(frame, 5, 7);
  EXPECT_EQ(overRed.b, 128);
  EXPECT_NEAR(overRed.r, 127, 1);
  EXPECT_EQ(overRed.a, 255);
  EXPECT_NEAR(overBlue.b, 255, 1);
  EXPECT_EQ(overBlue.r, 0);
  EXPECT_EQ(overBlue.a, 255);
  EXPECT_EQ(Pixel(frame, 6, 6), RedPixel); // right of the ball

  FreeRenderBrush(tiles);
  FreeRenderImage(tile);
  FreeRenderImage(ball);
  FreeRenderImage(background);
  FreeRenderImage(frame);
  FreeTestBorder(framed);
}

} // namespace
