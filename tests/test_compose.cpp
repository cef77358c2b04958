// The two frame compositions, composed off-screen and presented into a memory device
// context exactly as the benchmark does, checked pixel by pixel against the background
// picture and against values worked out by hand.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app_state.h"
#include "balls.h"
#include "compose.h"
#include "offscreen.h"
#include "paint.h"
#include "picture_files.h"
#include "scene.h"
#include "toolkit.h"
#include "wine.h"

namespace {

// One presented pixel as 8-bit channels.
struct Rgb {
  int r, g, b;
  bool operator==(const Rgb &other) const = default;
};

void PrintTo(const Rgb &p, std::ostream *out) { *out << "(R " << p.r << ", G " << p.g << ", B " << p.b << ")"; }

Rgb FromArgb(uint32_t p) {
  return {static_cast<int>((p >> 16) & 255), static_cast<int>((p >> 8) & 255), static_cast<int>(p & 255)};
}

// A rectangle of frame pixels, right and bottom excluded.
struct Area {
  int left, top, right, bottom;
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// The outer layer's square around a cursor (300 x 300).
Area OuterSquare(POINT cursor) {
  return {static_cast<int>(cursor.x) - 150, static_cast<int>(cursor.y) - 150, static_cast<int>(cursor.x) + 150,
          static_cast<int>(cursor.y) + 150};
}

// Writes 0xAARRGGBB pixels as an opaque PNG, so a failing frame can be looked at.
void WriteArgbPng(const std::string &file, const std::vector<uint32_t> &pixels, int width, int height) {
  std::vector<uint8_t> rgba;
  rgba.reserve(pixels.size() * 4);
  for (uint32_t p : pixels)
    rgba.insert(rgba.end(),
                {static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p), 255});
  WritePngFile(file, width, height, PngRgba, rgba);
}

class Compose : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    // CTest runs the tests in the build folder, where the Icons copy is.
    PrepareOffscreenDemo();
    ASSERT_TRUE(CreateOffscreenTarget(&target_));
    background_ = ReadBackground();
  }
  static void TearDownTestSuite() { FreeOffscreenTarget(&target_); }

  void SetUp() override {
    // Every frame starts from the background picture, copied between targets.
    if (RunningUnderWine()) GTEST_SKIP() << WineCopyFromRenderTarget;
    ASSERT_NE(FrameImage, nullptr);
    ASSERT_NE(BackgroundImage, nullptr);
    ASSERT_EQ(background_.size(), static_cast<size_t>(800 * 600));
    SpawnOffscreenBalls(0, 1);
  }

  void TearDown() override {
    // Every frame leaves the drawing-context stack as it found it.
    EXPECT_EQ(TkListSize(DrawingStack), 0);
  }

  // The top-left 800 x 600 pixels of the background picture as 0xAARRGGBB, read through
  // GDI rather than through the composition.
  static std::vector<uint32_t> ReadBackground() {
    std::vector<uint32_t> pixels;
    HBITMAP bitmap = RenderImageToBitmap(BackgroundImage);
    if (bitmap == nullptr) return pixels;
    std::vector<uint32_t> whole(1024 * 768);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = 1024;
    info.bmiHeader.biHeight = -768;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC dc = CreateCompatibleDC(nullptr);
    const int rows = GetDIBits(dc, bitmap, 0, 768, whole.data(), &info, DIB_RGB_COLORS);
    DeleteDC(dc);
    DeleteObject(bitmap);
    if (rows != 768) return pixels;
    for (int y = 0; y < 600; y++)
      for (int x = 0; x < 800; x++) pixels.push_back(whole[static_cast<size_t>(y) * 1024 + x]);
    return pixels;
  }

  static std::vector<uint32_t> Frame(FrameComposer compose, POINT cursor) {
    ComposeOffscreenFrame(compose, cursor, &target_);
    return std::vector<uint32_t>(target_.pixels, target_.pixels + 800 * 600);
  }

  static Rgb At(const std::vector<uint32_t> &frame, int x, int y) {
    return FromArgb(frame[static_cast<size_t>(y) * 800 + x]);
  }
  static Rgb Background(int x, int y) { return At(background_, x, y); }

  // The pixels outside every excluded area where the two frames differ.
  static int CountDifferencesOutside(const std::vector<uint32_t> &got, const std::vector<uint32_t> &want,
                                     std::initializer_list<Area> excluded) {
    int differences = 0;
    for (int y = 0; y < 600; y++)
      for (int x = 0; x < 800; x++) {
        bool skip = false;
        for (const Area &area : excluded) skip = skip || area.Contains(x, y);
        const size_t i = static_cast<size_t>(y) * 800 + x;
        if (!skip && ((got[i] ^ want[i]) & 0x00FFFFFFu) != 0) differences++;
      }
    return differences;
  }

  // The frames agree outside the excluded areas; when not, both are written into the
  // build folder as test_compose_<name>_got.png and _want.png.
  static void ExpectSameOutside(const std::vector<uint32_t> &got, const std::vector<uint32_t> &want,
                                std::initializer_list<Area> excluded, const std::string &name) {
    const int differences = CountDifferencesOutside(got, want, excluded);
    EXPECT_EQ(differences, 0) << name;
    if (differences > 0) {
      WriteArgbPng("test_compose_" + name + "_got.png", got, 800, 600);
      WriteArgbPng("test_compose_" + name + "_want.png", want, 800, 600);
    }
  }

  // Every pixel of the area is colour composed at 0.8 over the pixel underneath, each
  // channel rounded to the nearest 8-bit value: tolerance 0. The layer's opacity reaches
  // the blender as exactly 204 / 255, and 0.8 * colour + 0.2 * under lies on a fifth, never
  // on a half, for the colours used here (whose 0.8 parts are whole numbers).
  static void ExpectComposedAtEightTenths(const std::vector<uint32_t> &frame, const std::vector<uint32_t> &under,
                                          Area area, Rgb colour) {
    int wrong = 0;
    for (int y = area.top; y < area.bottom; y++)
      for (int x = area.left; x < area.right; x++) {
        const Rgb below = At(under, x, y);
        const Rgb got = At(frame, x, y);
        const Rgb want = {static_cast<int>(std::lround(0.8 * colour.r + 0.2 * below.r)),
                          static_cast<int>(std::lround(0.8 * colour.g + 0.2 * below.g)),
                          static_cast<int>(std::lround(0.8 * colour.b + 0.2 * below.b))};
        const bool ok = got == want;
        if (!ok && wrong++ < 5)
          ADD_FAILURE() << "at (" << x << ", " << y << ") got " << ::testing::PrintToString(got) << " over "
                        << ::testing::PrintToString(below) << ", want " << ::testing::PrintToString(want);
      }
    EXPECT_EQ(wrong, 0);
  }

  static OffscreenTarget target_;
  static std::vector<uint32_t> background_;
};

OffscreenTarget Compose::target_;
std::vector<uint32_t> Compose::background_;

const POINT Centre = {400, 300};

// ---------------------------------------------------------------------------------------
// Scene
// ---------------------------------------------------------------------------------------

TEST_F(Compose, TheSceneHoldsThePicturesAtTheirSizesAndTheBorderCutAtItsMargins) {
  EXPECT_EQ(RendererName, "Direct2D");
  EXPECT_EQ(RenderImageWidth(FrameImage), 800);
  EXPECT_EQ(RenderImageHeight(FrameImage), 600);
  EXPECT_EQ(RenderImageWidth(BackgroundImage), 1024);
  EXPECT_EQ(RenderImageHeight(BackgroundImage), 768);
  EXPECT_EQ(RenderImageWidth(LogoImage), 100);
  EXPECT_EQ(RenderImageHeight(LogoImage), 100);
  EXPECT_EQ(BallWidth, 128);
  EXPECT_EQ(BallHeight, 128);
  EXPECT_NE(MaskBrush, nullptr);
  EXPECT_NE(LogoBrush, nullptr);

  // border_new2.png is 90 x 90; lines at 20, 20, 70, 70 leave 20-pixel corners and edges
  // 50 pixels long.
  ASSERT_NE(WindowBorder, nullptr);
  ASSERT_NE(WindowBorder->mask, nullptr);
  for (const RenderBorder *border : {WindowBorder, WindowBorder->mask}) {
    ASSERT_NE(border->piece[BORDER_TOP_LEFT], nullptr);
    ASSERT_NE(border->piece[BORDER_TOP], nullptr);
    ASSERT_NE(border->piece[BORDER_BOTTOM_RIGHT], nullptr);
    EXPECT_EQ(border->piece[BORDER_TOP_LEFT]->width, 20);
    EXPECT_EQ(border->piece[BORDER_TOP]->width, 50);
    EXPECT_EQ(border->piece[BORDER_TOP]->height, 20);
    EXPECT_EQ(border->piece[BORDER_BOTTOM_RIGHT]->width, 20);
    EXPECT_EQ(border->piece[BORDER_BOTTOM_RIGHT]->height, 20);
  }
}

TEST_F(Compose, TheCallbackCountsTheBackgroundAsErasedAndLeavesOtherMessagesToTheToolkit) {
  EXPECT_EQ(MainWindowCallback(nullptr, WM_ERASEBKGND, 0, 0), 1);
  EXPECT_EQ(MainWindowCallback(nullptr, 0x0200 /* WM_MOUSEMOVE */, 0, 0), TK_DEFAULT_CALLBACK_RESULT);
}

// ---------------------------------------------------------------------------------------
// The plain frame
// ---------------------------------------------------------------------------------------

TEST_F(Compose, PlainFrameOutsideTheCursorSquareIsExactlyTheBackground) {
  const std::vector<uint32_t> frame = Frame(ComposePlainFrame, Centre);
  ExpectSameOutside(frame, background_, {OuterSquare(Centre)}, "plain_outside");
}

TEST_F(Compose, PlainFrameShowsWhiteAtTheOuterLayersOpacityWhereNothingCoversIt) {
  const std::vector<uint32_t> frame = Frame(ComposePlainFrame, Centre);
  // The outer square spans 250 .. 550 x 150 .. 450 with its 20-pixel skin and mask edge;
  // the frame from (220, 200) has its top edge on rows 200 .. 219, the frame from
  // (120, 100), 400 x 300 its right edge on columns 500 .. 519 (rows 120 .. 399) and its
  // bottom on rows 380 .. 399; the inner square spans 350 .. 450 x 250 .. 350. These
  // areas miss them all.
  const Rgb white = {255, 255, 255};
  ExpectComposedAtEightTenths(frame, background_, {275, 225, 345, 375}, white);
  ExpectComposedAtEightTenths(frame, background_, {455, 225, 495, 375}, white);
  ExpectComposedAtEightTenths(frame, background_, {275, 175, 495, 195}, white);
  ExpectComposedAtEightTenths(frame, background_, {275, 405, 525, 425}, white);
}

TEST_F(Compose, PlainFrameShowsTheGreenSquareAtTheOuterLayersOpacity) {
  const std::vector<uint32_t> frame = Frame(ComposePlainFrame, Centre);
  // The outer layer's opacity applies to the inner square it holds too.
  ExpectComposedAtEightTenths(frame, background_, {350, 250, 450, 350}, {0, 255, 0});
  // Just outside the inner square it is white again.
  ExpectComposedAtEightTenths(frame, background_, {340, 250, 349, 350}, {255, 255, 255});
}

TEST_F(Compose, MovingTheCursorChangesNothingOutsideBothSquares) {
  const POINT moved = {437, 261};
  const std::vector<uint32_t> before = Frame(ComposePlainFrame, Centre);
  const std::vector<uint32_t> after = Frame(ComposePlainFrame, moved);
  ExpectSameOutside(after, before, {OuterSquare(Centre), OuterSquare(moved)}, "plain_moved");
  // The green square went with the cursor.
  ExpectComposedAtEightTenths(after, background_, {moved.x - 50, moved.y - 50, moved.x + 50, moved.y + 50},
                              {0, 255, 0});
}

TEST_F(Compose, BallsAreSeenOnlyThroughTheCursorSquare) {
  SpawnOffscreenBalls(300, 5);
  const std::vector<uint32_t> withBalls = Frame(ComposePlainFrame, Centre);
  ExpectSameOutside(withBalls, background_, {OuterSquare(Centre)}, "balls_outside");
  SpawnOffscreenBalls(0, 5);
  const std::vector<uint32_t> empty = Frame(ComposePlainFrame, Centre);
  // With 300 balls spread over the view, some cover the white inside the square.
  EXPECT_GT(CountDifferencesOutside(withBalls, empty, {}), 1000);
}

TEST_F(Compose, EveryBallCarriesTheRedSquareOnceAFrameWasComposed) {
  SpawnOffscreenBalls(1, 3);
  Frame(ComposePlainFrame, Centre);
  // Opaque red, RGBA with red in the low byte.
  EXPECT_EQ(GetRenderImagePixel(BallPicture(), 0, 0), 0xFF0000FFu);
  EXPECT_EQ(GetRenderImagePixel(BallPicture(), 19, 19), 0xFF0000FFu);
  EXPECT_NE(GetRenderImagePixel(BallPicture(), 20, 64), 0xFF0000FFu);
}

TEST_F(Compose, TheSameSeedGivesTheSamePictureAndAnotherSeedAnotherOne) {
  auto framesAfterMoves = [](uint64_t seed) {
    SpawnOffscreenBalls(60, seed);
    for (int i = 0; i < 3; i++) MoveOffscreenBalls();
    return Frame(ComposeCrazyFrame, {330, 280});
  };
  const std::vector<uint32_t> first = framesAfterMoves(11);
  const std::vector<uint32_t> again = framesAfterMoves(11);
  const std::vector<uint32_t> other = framesAfterMoves(12);
  ExpectSameOutside(again, first, {}, "seed_again");
  EXPECT_NE(first, other);
}

// ---------------------------------------------------------------------------------------
// The crazy frame
// ---------------------------------------------------------------------------------------

TEST_F(Compose, CrazyFrameShowsBlueAtTheOuterLayersOpacityAtTheCursor) {
  // What the layers lie on: the background under the 20 % logo pattern.
  ComposeCrazyBackdrop(Centre);
  FinishFrame();
  PresentFrame(target_.dc);
  const std::vector<uint32_t> backdrop(target_.pixels, target_.pixels + 800 * 600);
  // The pattern is drawn: the backdrop differs from the bare background.
  EXPECT_GT(CountDifferencesOutside(backdrop, background_, {}), 10000);

  const std::vector<uint32_t> frame = Frame(ComposeCrazyFrame, Centre);
  ExpectSameOutside(frame, backdrop, {OuterSquare(Centre)}, "crazy_outside");
  // The inner square spans 300 .. 500 x 200 .. 400; its skin and mask edge take 20
  // pixels on each side.
  ExpectComposedAtEightTenths(frame, backdrop, {325, 225, 475, 375}, {0, 50, 255});
}

TEST_F(Compose, CrazyFrameWithTheCursorOnTheTopEdgeComposesWithAZeroLogoScale) {
  const POINT top = {400, 0};
  const std::vector<uint32_t> frame = Frame(ComposeCrazyFrame, top);
  ComposeCrazyBackdrop(top);
  FinishFrame();
  PresentFrame(target_.dc);
  const std::vector<uint32_t> backdrop(target_.pixels, target_.pixels + 800 * 600);
  ExpectSameOutside(frame, backdrop, {OuterSquare(top)}, "crazy_top");
}

// ---------------------------------------------------------------------------------------
// Empty lists and the cursor outside the window
// ---------------------------------------------------------------------------------------

TEST_F(Compose, AnEmptyBallListComposesEverythingButBalls) {
  ASSERT_EQ(TkListSize(BallList), 0);
  for (FrameComposer compose : {ComposePlainFrame, ComposeCrazyFrame}) {
    const std::vector<uint32_t> frame = Frame(compose, Centre);
    // The skin of the outer square sits on the layer's top rows: not the background.
    EXPECT_NE(At(frame, 400, 155), Background(400, 155));
  }
  // Walking an empty list leaves it and its cursor empty.
  EXPECT_EQ(TkCurrentElement(BallList), nullptr);
}

TEST_F(Compose, ACursorOutsideTheWindowComposesWithoutFault) {
  SpawnOffscreenBalls(50, 9);
  const POINT corner = {-40, -70};
  for (FrameComposer compose : {ComposePlainFrame, ComposeCrazyFrame}) {
    // The second border frame gets the negative cursor as its size.
    const std::vector<uint32_t> frame = Frame(compose, corner);
    EXPECT_EQ(frame.size(), 800u * 600u);
  }
  // The plain frame shows the part of the square still inside, and nothing elsewhere.
  const std::vector<uint32_t> plain = Frame(ComposePlainFrame, corner);
  ExpectSameOutside(plain, background_, {OuterSquare(corner)}, "corner_outside");
  EXPECT_NE(At(plain, 50, 30), Background(50, 30));

  // Far away, both squares and every ball are out of sight.
  const std::vector<uint32_t> gone = Frame(ComposePlainFrame, {-5000, -5000});
  ExpectSameOutside(gone, background_, {}, "cursor_far");
  const std::vector<uint32_t> beyond = Frame(ComposePlainFrame, {5000, 4000});
  ExpectSameOutside(beyond, background_, {}, "cursor_beyond");
}

TEST_F(Compose, ACursorLeftOfAndAboveTheWindowDrawsTheSecondBorderFrameBackwards) {
  // The second frame, from (120, 100), takes the cursor (-10, -10) as its size: its pieces
  // lie backwards from that corner, inside the layer around the cursor. Its top edge runs
  // from x 140 back to 90 on rows 100 .. 119, and alone covers (115, 110), where the layer
  // would otherwise show its white fill.
  const POINT corner = {-10, -10};
  const std::vector<uint32_t> frame = Frame(ComposePlainFrame, corner);
  const Rgb below = Background(115, 110);
  const Rgb white = {static_cast<int>(std::lround(0.8 * 255 + 0.2 * below.r)),
                     static_cast<int>(std::lround(0.8 * 255 + 0.2 * below.g)),
                     static_cast<int>(std::lround(0.8 * 255 + 0.2 * below.b))};
  EXPECT_NE(At(frame, 115, 110), white);
  ExpectComposedAtEightTenths(frame, background_, {45, 5, 85, 60}, {255, 255, 255}); // the layer's fill
}

// ---------------------------------------------------------------------------------------
// Missing pictures (in a fresh process: the scene is set up once per process)
// ---------------------------------------------------------------------------------------

TEST(ComposeWithoutPictures, TheSceneAndBothFramesWorkWithNoIconsFolder) {
  // The corner stays black only where the layers clip the green fill.
  if (RunningUnderWine()) GTEST_SKIP() << WineLayers;
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::filesystem::path empty =
      std::filesystem::temp_directory_path() / ("compose_no_icons_" + std::to_string(GetCurrentProcessId()));
  std::filesystem::create_directories(empty);
  EXPECT_EXIT(
      {
        std::filesystem::current_path(empty);
        PrepareOffscreenDemo();
        SpawnOffscreenBalls(20, 1);
        OffscreenTarget target;
        if (!CreateOffscreenTarget(&target)) std::exit(3);
        for (FrameComposer compose : {ComposePlainFrame, ComposeCrazyFrame}) {
          MoveOffscreenBalls();
          ComposeOffscreenFrame(compose, {400, 300}, &target);
        }
        // No background: the frame image stays empty and is presented over black, but
        // the white layer and the green square are still drawn.
        const bool blackCorner = (OffscreenPixel(&target, 5, 5) & 0x00FFFFFFu) == 0;
        const bool ok = RendererName == "Direct2D" && BallWidth == 0 && FrameImage != nullptr &&
                        BackgroundImage == nullptr && blackCorner && TkListSize(DrawingStack) == 0;
        FreeOffscreenTarget(&target);
        std::fprintf(stderr, ok ? "frames composed\n" : "unexpected scene\n");
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "frames composed");
  std::filesystem::remove_all(empty);
}

} // namespace
