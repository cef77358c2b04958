// Colour effects: adjusted and tinted pictures from bitmaps and icons, their alpha and
// opacity, the icon result, releasing the picture passed in, and RGB to HSV.
#include "test_render_fixture.h"

#include <cmath>

namespace {

// A 32-bit bitmap of pixels given as Bgra values, top row first.
HBITMAP MakeBitmap32(int width, int height, const std::vector<Bgra> &pixels) {
  std::vector<uint8_t> bytes;
  for (const Bgra &p : pixels)
    bytes.insert(bytes.end(), {static_cast<uint8_t>(p.b), static_cast<uint8_t>(p.g), static_cast<uint8_t>(p.r),
                               static_cast<uint8_t>(p.a)});
  return MakeBitmap(width, height, 32, bytes);
}

// One pixel picture.
HBITMAP OnePixel(int r, int g, int b, int a) { return MakeBitmap32(1, 1, {{b, g, r, a}}); }

// The single pixel of a 1 x 1 result, which the test then deletes; (-1, ...) when none.
Bgra TakePixel(HANDLE result) {
  if (!result) return {-1, -1, -1, -1};
  EXPECT_EQ(BitmapDepth(result), 32);
  std::vector<Bgra> pixels = ReadBitmap(result, 1, 1);
  DeleteObject(result);
  return pixels.empty() ? Bgra{-1, -1, -1, -1} : pixels[0];
}

// An icon whose colour pixels have alpha 0, transparent (mask bit set) in column 1 of a
// 2 x 2 picture, opaque in column 0.
HICON MaskedIcon(const Bgra &colour) {
  HBITMAP colours = MakeBitmap32(2, 2, {colour, colour, colour, colour});
  const uint8_t maskBits[] = {0x40, 0, 0x40, 0}; // rows are padded to 16 bits
  HBITMAP mask = CreateBitmap(2, 2, 1, 1, maskBits);
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = colours;
  info.hbmMask = mask;
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(colours);
  DeleteObject(mask);
  return icon;
}

// Settings that change nothing but what the test names.
HANDLE Adjust(HANDLE source, float opacity = 255.0f, float contrast = 0.0f, float brightness = 0.0f,
              uint32_t blendColour = 0, float blendAmount = 0.0f, int32_t flags = 0) {
  return CreateAdjustedBitmap(source, opacity, contrast, brightness, blendColour, blendAmount, flags);
}

using AdjustedBitmapTest = RenderTest;
using TintedBitmapTest = RenderTest;
using EffectHandleTest = RenderTest;

// ---------------------------------------------------------------------------------------
// CreateAdjustedBitmap
// ---------------------------------------------------------------------------------------

TEST_F(AdjustedBitmapTest, NeutralSettingsReproduceAPictureUpright) {
  // Three distinct rows, alpha included (also 0 with colour, which nothing may touch).
  std::vector<Bgra> pixels = {{10, 20, 30, 255}, {200, 100, 50, 128},  //
                              {1, 2, 3, 0},      {255, 255, 255, 255}, //
                              {0, 0, 0, 255},    {90, 60, 30, 7}};
  HBITMAP source = MakeBitmap32(2, 3, pixels);
  HANDLE result = Adjust(source);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(BitmapDepth(result), 32);
  EXPECT_EQ(ReadBitmap(result, 2, 3), pixels);
  DeleteObject(result);
  DeleteObject(source);
}

TEST_F(AdjustedBitmapTest, TwentyFourBitPictureTakesItsAlphaFromOpacity) {
  // Width 3 pads each 9-byte row to 12; rows stay in place.
  std::vector<uint8_t> rows = {10, 20, 30, 40, 50, 60, 70, 80, 90, //
                               1,  2,  3,  4,  5,  6,  7,  8,  9};
  HBITMAP source = MakeBitmap(3, 2, 24, rows);
  HANDLE result = Adjust(source, 128.0f);
  ASSERT_NE(result, nullptr);
  std::vector<Bgra> want = {{10, 20, 30, 128}, {40, 50, 60, 128}, {70, 80, 90, 128},
                            {1, 2, 3, 128},    {4, 5, 6, 128},    {7, 8, 9, 128}};
  EXPECT_EQ(ReadBitmap(result, 3, 2), want);
  DeleteObject(result);
  DeleteObject(source);
}

TEST_F(AdjustedBitmapTest, OpacityScalesAlphaAndIsHeldToItsRange) {
  HBITMAP opaque = OnePixel(10, 20, 30, 255);
  HBITMAP half = OnePixel(10, 20, 30, 100);
  // 0.5 and NaN count as 1: 255 / 255 * 1 = 1.
  EXPECT_EQ(TakePixel(Adjust(opaque, 0.5f)), (Bgra{30, 20, 10, 1}));
  EXPECT_EQ(TakePixel(Adjust(opaque, std::nanf(""))), (Bgra{30, 20, 10, 1}));
  // Above 255 counts as 255.
  EXPECT_EQ(TakePixel(Adjust(half, 1000.0f)), (Bgra{30, 20, 10, 100}));
  // 100 / 255 * 128 = 50.2.
  EXPECT_EQ(TakePixel(Adjust(half, 128.0f)), (Bgra{30, 20, 10, 50}));
  // Halves go to the even neighbour: 127.5 up to 128, 126.5 down to 126.
  EXPECT_EQ(TakePixel(Adjust(opaque, 127.5f)).a, 128);
  EXPECT_EQ(TakePixel(Adjust(opaque, 126.5f)).a, 126);
  DeleteObject(opaque);
  DeleteObject(half);
}

TEST_F(AdjustedBitmapTest, GreyWeighsTheChannels) {
  HBITMAP red = OnePixel(255, 0, 0, 255);
  HBITMAP green = OnePixel(0, 255, 0, 200);
  HBITMAP white = OnePixel(255, 255, 255, 255);
  // 0.2989 * 255 = 76.22; 0.587 * 255 = 149.69; the weights sum to 0.9999: 254.97.
  EXPECT_EQ(TakePixel(Adjust(red, 255.0f, 0, 0, 0, 0, RENDER_EFFECT_GREY)), (Bgra{76, 76, 76, 255}));
  EXPECT_EQ(TakePixel(Adjust(green, 255.0f, 0, 0, 0, 0, RENDER_EFFECT_GREY)), (Bgra{150, 150, 150, 200}));
  EXPECT_EQ(TakePixel(Adjust(white, 255.0f, 0, 0, 0, 0, RENDER_EFFECT_GREY)), (Bgra{255, 255, 255, 255}));
  DeleteObject(red);
  DeleteObject(green);
  DeleteObject(white);
}

TEST_F(AdjustedBitmapTest, BlendMovesTowardsTheColourRoundingHalvesToEven) {
  HBITMAP source = OnePixel(0, 2, 100, 255);
  // Towards (R 255, G 0, B 50) by half: R 127.5 -> 128, G 1, B 75.
  EXPECT_EQ(TakePixel(Adjust(source, 255.0f, 0, 0, TkRGB(255, 0, 50), 128.0f)), (Bgra{75, 1, 128, 255}));
  // Towards (R 1, G 1, B 100) by half: R 0.5 -> 0, G 1.5 -> 2, B 100.
  EXPECT_EQ(TakePixel(Adjust(source, 255.0f, 0, 0, TkRGB(1, 1, 100), 128.0f)), (Bgra{100, 2, 0, 255}));
  // All the way gives the colour; a quarter of (200, 100, 0) from (0, 2, 100) is (50, 26.5, 75).
  EXPECT_EQ(TakePixel(Adjust(source, 255.0f, 0, 0, TkRGB(9, 8, 7), 256.0f)), (Bgra{7, 8, 9, 255}));
  EXPECT_EQ(TakePixel(Adjust(source, 255.0f, 0, 0, TkRGB(200, 100, 0), 64.0f)), (Bgra{75, 26, 50, 255}));
  // Beyond 256 the channels are held to a byte instead of spilling into their neighbours.
  EXPECT_EQ(TakePixel(Adjust(source, 255.0f, 0, 0, TkRGB(255, 255, 0), 512.0f)), (Bgra{0, 255, 255, 255}));
  DeleteObject(source);
}

TEST_F(AdjustedBitmapTest, ContrastStretchesAroundMidGrey) {
  HBITMAP source = MakeBitmap32(3, 1, {{127, 128, 129, 255}, {0, 255, 100, 255}, {120, 136, 128, 255}});
  // Contrast 255: k = 510 * 259 / (4 * 255) = 129.5; 127 -> -1.5, 129 -> 257.5.
  HANDLE result = Adjust(source, 255.0f, 255.0f);
  ASSERT_NE(result, nullptr);
  std::vector<Bgra> want = {{0, 128, 255, 255}, {0, 255, 0, 255}, {0, 255, 128, 255}};
  EXPECT_EQ(ReadBitmap(result, 3, 1), want);
  DeleteObject(result);
  // Contrast -128: k = 127 * 259 / (387 * 255) = 0.33330; 120 -> 125.33, 136 -> 130.67, 0 -> 85.34.
  result = Adjust(source, 255.0f, -128.0f);
  ASSERT_NE(result, nullptr);
  want = {{128, 128, 128, 255}, {85, 170, 119, 255}, {125, 131, 128, 255}};
  EXPECT_EQ(ReadBitmap(result, 3, 1), want);
  DeleteObject(result);
  // Contrast 259 divides by zero: the result is still a picture of bytes.
  result = Adjust(source, 255.0f, 259.0f);
  ASSERT_NE(result, nullptr);
  want = {{0, 128, 255, 255}, {0, 255, 0, 255}, {0, 255, 128, 255}};
  EXPECT_EQ(ReadBitmap(result, 3, 1), want);
  DeleteObject(result);
  DeleteObject(source);
}

TEST_F(AdjustedBitmapTest, BrightnessShiftsChannelsButNotAlpha) {
  HBITMAP source = MakeBitmap32(2, 1, {{0, 255, 100, 200}, {101, 50, 240, 255}});
  HANDLE result = Adjust(source, 255.0f, 0.0f, -300.0f);
  ASSERT_NE(result, nullptr);
  std::vector<Bgra> want = {{0, 0, 0, 200}, {0, 0, 0, 255}};
  EXPECT_EQ(ReadBitmap(result, 2, 1), want);
  DeleteObject(result);
  // +20.5: 20.5 -> 20, 120.5 -> 120, 121.5 -> 122 (halves to even), the rest held at 255.
  result = Adjust(source, 255.0f, 0.0f, 20.5f);
  ASSERT_NE(result, nullptr);
  want = {{20, 255, 120, 200}, {122, 70, 255, 255}};
  EXPECT_EQ(ReadBitmap(result, 2, 1), want);
  DeleteObject(result);
  DeleteObject(source);
}

TEST_F(AdjustedBitmapTest, StepsRunGreyBlendContrastBrightnessInThatOrder) {
  HBITMAP source = OnePixel(255, 0, 0, 255);
  // Grey 76; half way to (R 0, G 100, B 200): 38, 88, 138; contrast 255 (k 129.5): 0, 0, 255;
  // brightness +10: 10, 10, 255.
  EXPECT_EQ(TakePixel(Adjust(source, 255.0f, 255.0f, 10.0f, TkRGB(0, 100, 200), 128.0f, RENDER_EFFECT_GREY)),
            (Bgra{255, 10, 10, 255}));
  DeleteObject(source);
}

TEST_F(AdjustedBitmapTest, IconAlphaComesFromItsMask) {
  HICON icon = MaskedIcon({120, 80, 40, 0});
  ASSERT_NE(icon, nullptr);
  // Opaque column: 255 / 255 * 100 = 100; transparent column: 0.
  HANDLE result = Adjust(icon, 100.0f);
  ASSERT_NE(result, nullptr);
  std::vector<Bgra> want = {{120, 80, 40, 100}, {120, 80, 40, 0}, {120, 80, 40, 100}, {120, 80, 40, 0}};
  EXPECT_EQ(ReadBitmap(result, 2, 2), want);
  DeleteObject(result);
  EXPECT_TRUE(DestroyIcon(icon));
}

// ---------------------------------------------------------------------------------------
// CreateTintedBitmap
// ---------------------------------------------------------------------------------------

TEST_F(TintedBitmapTest, LightnessDarkensLightensOrKeepsLuminance) {
  HBITMAP source = MakeBitmap32(3, 1, {{0, 0, 0, 255}, {255, 255, 255, 90}, {30, 200, 70, 0}});
  const uint32_t tints[] = {TkRGB(255, 0, 0), TkRGB(10, 200, 90), TkRGB(128, 128, 128)};
  for (uint32_t tint : tints) {
    SCOPED_TRACE(tint);
    HANDLE black = CreateTintedBitmap(source, 255.0f, tint, 0.0f, 0.0f, 0, 0.0f, 0);
    HANDLE white = CreateTintedBitmap(source, 255.0f, tint, 0.0f, 1.0f, 0, 0.0f, 0);
    HANDLE kept = CreateTintedBitmap(source, 255.0f, tint, 0.0f, 0.5f, 0, 0.0f, 0);
    std::vector<Bgra> want = {{0, 0, 0, 255}, {0, 0, 0, 90}, {0, 0, 0, 0}};
    EXPECT_EQ(ReadBitmap(black, 3, 1), want);
    want = {{255, 255, 255, 255}, {255, 255, 255, 90}, {255, 255, 255, 0}};
    EXPECT_EQ(ReadBitmap(white, 3, 1), want);
    std::vector<Bgra> got = ReadBitmap(kept, 3, 1);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0], (Bgra{0, 0, 0, 255}));
    EXPECT_EQ(got[1], (Bgra{255, 255, 255, 90}));
    DeleteObject(black);
    DeleteObject(white);
    DeleteObject(kept);
  }
  DeleteObject(source);
}

TEST_F(TintedBitmapTest, HueAndSaturationComeFromTheTint) {
  HBITMAP black = OnePixel(0, 0, 0, 255);
  HBITMAP white = OnePixel(255, 255, 255, 255);
  // Black at lightness 0.75 and white at 0.25 both reach lightness 0.5: the tint's pure
  // hue at full saturation.
  EXPECT_EQ(TakePixel(CreateTintedBitmap(black, 255.0f, TkRGB(255, 0, 0), 0.0f, 0.75f, 0, 0.0f, 0)),
            (Bgra{0, 0, 255, 255}));
  EXPECT_EQ(TakePixel(CreateTintedBitmap(white, 255.0f, TkRGB(255, 0, 0), 0.0f, 0.25f, 0, 0.0f, 0)),
            (Bgra{0, 0, 255, 255}));
  // (255, 128, 128) has hue 0 and saturation 0.5: shifted by +1 it is held at 1.
  EXPECT_EQ(TakePixel(CreateTintedBitmap(black, 255.0f, TkRGB(255, 128, 128), 1.0f, 0.75f, 0, 0.0f, 0)),
            (Bgra{0, 0, 255, 255}));
  // Shifted by -1 it is held at 0: grey of lightness 0.5 (127.5, truncated by HSLToRGB).
  EXPECT_EQ(TakePixel(CreateTintedBitmap(black, 255.0f, TkRGB(255, 0, 0), -1.0f, 0.75f, 0, 0.0f, 0)),
            (Bgra{127, 127, 127, 255}));
  DeleteObject(black);
  DeleteObject(white);
}

TEST_F(TintedBitmapTest, BlendAndOpacityFollowTheTint) {
  HBITMAP source = OnePixel(40, 50, 60, 255);
  // Lightness 0 makes black; a quarter of the way to (R 200, G 100, B 0) is (50, 25, 0).
  EXPECT_EQ(TakePixel(CreateTintedBitmap(source, 64.0f, TkRGB(0, 0, 255), 0.0f, 0.0f, TkRGB(200, 100, 0), 64.0f, 0)),
            (Bgra{0, 25, 50, 64}));
  DeleteObject(source);
}

// ---------------------------------------------------------------------------------------
// Results and the picture passed in
// ---------------------------------------------------------------------------------------

TEST_F(EffectHandleTest, IconResultHoldsTheAdjustedPixels) {
  HBITMAP source = MakeBitmap32(2, 1, {{10, 20, 30, 255}, {40, 50, 60, 128}});
  HANDLE result = Adjust(source, 255.0f, 0.0f, 5.0f, 0, 0.0f, RENDER_EFFECT_ICON);
  ASSERT_NE(result, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(static_cast<HICON>(result), &info));
  std::vector<Bgra> want = {{15, 25, 35, 255}, {45, 55, 65, 128}};
  EXPECT_EQ(ReadBitmap(info.hbmColor, 2, 1), want);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  EXPECT_TRUE(DestroyIcon(static_cast<HICON>(result)));

  HANDLE tinted = CreateTintedBitmap(source, 255.0f, 0, 0.0f, 1.0f, 0, 0.0f, RENDER_EFFECT_ICON);
  ASSERT_NE(tinted, nullptr);
  EXPECT_TRUE(DestroyIcon(static_cast<HICON>(tinted)));
  DeleteObject(source);
}

TEST_F(EffectHandleTest, PassedPictureIsReleasedOnlyWhenAsked) {
  HBITMAP kept = OnePixel(1, 2, 3, 255);
  HBITMAP released = OnePixel(1, 2, 3, 255);
  BITMAP info{};
  EXPECT_EQ(TakePixel(Adjust(kept)), (Bgra{3, 2, 1, 255}));
  EXPECT_NE(GetObjectW(kept, sizeof(BITMAP), &info), 0);
  EXPECT_EQ(TakePixel(Adjust(released, 255.0f, 0, 0, 0, 0, RENDER_EFFECT_RELEASE_SOURCE)), (Bgra{3, 2, 1, 255}));
  EXPECT_EQ(GetObjectW(released, sizeof(BITMAP), &info), 0);

  // An icon is destroyed, also when the result is an icon itself.
  HICON icon = MaskedIcon({1, 2, 3, 0});
  HANDLE result = CreateTintedBitmap(icon, 255.0f, 0, 0.0f, 0.5f, 0, 0.0f, 0);
  ASSERT_NE(result, nullptr);
  DeleteObject(result);
  ICONINFO iconInfo{};
  ASSERT_TRUE(GetIconInfo(icon, &iconInfo));
  DeleteObject(iconInfo.hbmColor);
  DeleteObject(iconInfo.hbmMask);
  result = CreateTintedBitmap(icon, 255.0f, 0, 0.0f, 0.5f, 0, 0.0f, RENDER_EFFECT_ICON | RENDER_EFFECT_RELEASE_SOURCE);
  ASSERT_NE(result, nullptr);
  EXPECT_FALSE(GetIconInfo(icon, &iconInfo));
  EXPECT_FALSE(DestroyIcon(icon));
  EXPECT_TRUE(DestroyIcon(static_cast<HICON>(result)));
  DeleteObject(kept);
}

TEST_F(EffectHandleTest, ForeignValuesGiveNothingAndAreLeftAlone) {
  int value = 0;
  const int32_t all = RENDER_EFFECT_GREY | RENDER_EFFECT_ICON | RENDER_EFFECT_RELEASE_SOURCE;
  EXPECT_EQ(Adjust(nullptr, 255.0f, 0, 0, 0, 0, all), nullptr);
  EXPECT_EQ(Adjust(&value, 255.0f, 0, 0, 0, 0, all), nullptr);
  EXPECT_EQ(CreateTintedBitmap(nullptr, 255.0f, 0, 0.0f, 0.5f, 0, 0.0f, all), nullptr);
  EXPECT_EQ(CreateTintedBitmap(&value, 255.0f, 0, 0.0f, 0.5f, 0, 0.0f, all), nullptr);
  EXPECT_EQ(value, 0);
  // A device context is a GDI object but no picture: it must survive a release request.
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(Adjust(dc, 255.0f, 0, 0, 0, 0, RENDER_EFFECT_RELEASE_SOURCE), nullptr);
  EXPECT_TRUE(DeleteDC(dc));
}

// ---------------------------------------------------------------------------------------
// RGBToHSV
// ---------------------------------------------------------------------------------------

TEST(RGBToHSV, PrimaryMixedAndGreyColours) {
  struct Case {
    uint32_t colour;
    float hue, saturation, value;
  };
  const Case cases[] = {
      {255, 0.0f, 1.0f, 1.0f},                             // red
      {16711680, 240.0f, 1.0f, 1.0f},                      // blue
      {TkRGB(0, 255, 255), 180.0f, 1.0f, 1.0f},            // cyan
      {TkRGB(0, 255, 0), 120.0f, 1.0f, 1.0f},              // green
      {TkRGB(255, 255, 0), 60.0f, 1.0f, 1.0f},             // yellow: red counts as the largest
      {TkRGB(255, 0, 255), 300.0f, 1.0f, 1.0f},            // magenta: -60 wraps round
      {TkRGB(128, 128, 128), 0.0f, 0.0f, 128.0f / 255.0f}, // grey
      {0, 0.0f, 0.0f, 0.0f},                               // black: no division by zero
      {TkRGB(51, 102, 204), 220.0f, 0.75f, 0.8f},          // (0.2, 0.4, 0.8)
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.colour);
    HSVColor hsv{-1.0f, -1.0f, -1.0f};
    EXPECT_EQ(RGBToHSV(c.colour, &hsv), 0);
    EXPECT_NEAR(hsv.hue, c.hue, 1e-3f);
    EXPECT_NEAR(hsv.saturation, c.saturation, 1e-6f);
    EXPECT_NEAR(hsv.value, c.value, 1e-6f);
  }
  // Bits above the 24 colour bits are not part of the colour.
  HSVColor hsv{};
  RGBToHSV(0xFF0000FFu, &hsv);
  EXPECT_EQ(hsv.hue, 0.0f);
  EXPECT_EQ(hsv.saturation, 1.0f);
  EXPECT_EQ(RGBToHSV(255, nullptr), 0);
}

} // namespace
