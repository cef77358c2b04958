// Colour effects: CreateAdjustedBitmap, CreateTintedBitmap and RGBToHSV.
#include "render_internal.h"

#include <commctrl.h>

#include "picture_read.h"

#include <algorithm>
#include <cmath>

namespace {

// ---------------------------------------------------------------------------------------
// Arithmetic
// ---------------------------------------------------------------------------------------

// Nearest integer, ties to the even one. Done by hand so that a caller who changed the
// floating-point rounding mode does not change the pictures.
double RoundHalfEven(double value) {
  double below = std::floor(value);
  double fraction = value - below;
  if (fraction > 0.5) return below + 1.0;
  if (fraction < 0.5) return below;
  return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

// A value rounded and held to one byte. NaN gives 0: nothing undefined reaches the
// integer conversion, and nothing spills into a neighbouring channel.
uint32_t ChannelByte(double value) {
  if (!(value > 0.0)) return 0;
  if (value >= 255.0) return 255;
  return static_cast<uint32_t>(RoundHalfEven(value));
}

// The three channels of a pixel while an effect works on them.
struct Rgb {
  uint32_t r;
  uint32_t g;
  uint32_t b;
};

// Each channel moved towards the colour's by amount / 256 (0 keeps the pixel, 256 gives
// the colour). Amounts outside 0 ... 256 are held to a byte rather than wrapped.
Rgb BlendTowards(Rgb pixel, uint32_t colour, double amount) {
  auto mix = [amount](uint32_t towards, uint32_t channel) {
    return ChannelByte((towards * amount + channel * (256.0 - amount)) / 256.0);
  };
  return {mix(colour & 255, pixel.r), mix((colour >> 8) & 255, pixel.g), mix((colour >> 16) & 255, pixel.b)};
}

// ---------------------------------------------------------------------------------------
// The two effects, one pixel at a time
// ---------------------------------------------------------------------------------------

struct AdjustSettings {
  bool grey;
  uint32_t blendColour;
  double blendAmount;
  float contrastFactor;
  double brightness;
};

Rgb AdjustPixel(const AdjustSettings &settings, Rgb pixel) {
  if (settings.grey) {
    float grey = 0.2989f * static_cast<float>(pixel.r) + 0.587f * static_cast<float>(pixel.g) +
                 0.114f * static_cast<float>(pixel.b);
    uint32_t value = ChannelByte(grey);
    pixel = {value, value, value};
  }
  pixel = BlendTowards(pixel, settings.blendColour, settings.blendAmount);
  auto adjust = [&settings](uint32_t channel) {
    float stretched = (static_cast<float>(channel) - 128.0f) * settings.contrastFactor + 128.0f;
    // An infinite factor (contrast 259) leaves mid-grey as NaN: keep it where it was.
    uint32_t contrasted = std::isnan(stretched) ? channel : ChannelByte(stretched);
    return ChannelByte(contrasted + settings.brightness);
  };
  return {adjust(pixel.r), adjust(pixel.g), adjust(pixel.b)};
}

struct TintSettings {
  HSLColor colour;  // hue and saturation of the tint; lightness set per pixel
  float lightShift; // -1 all black ... 0 the pixel's own luminance ... 1 all white
  uint32_t blendColour;
  double blendAmount;
};

Rgb TintPixel(const TintSettings &settings, Rgb pixel) {
  double luminance = RoundHalfEven(0.299 * pixel.r + 0.587 * pixel.g + 0.114 * pixel.b) / 255.0;
  double shift = settings.lightShift;
  double lightness = shift < 0.0 ? luminance * (shift + 1.0) : luminance * (1.0 - shift) + shift;
  HSLColor colour = settings.colour;
  colour.lightness = static_cast<float>(lightness);
  uint32_t rgb = HSLToRGB(colour);
  return BlendTowards({rgb & 255, (rgb >> 8) & 255, (rgb >> 16) & 255}, settings.blendColour, settings.blendAmount);
}

// ---------------------------------------------------------------------------------------
// The frame both effects share
// ---------------------------------------------------------------------------------------

// Reads the picture, runs the colour step over every pixel into a new 32-bit picture with
// alpha scaled by opacity, and hands it back as a bitmap or an icon.
template <typename ColourStep> HANDLE ApplyEffect(HANDLE handle, float opacity, int32_t flags, ColourStep step) {
  PictureSource picture;
  if (!OpenPicture(handle, &picture)) return nullptr;
  bool isIcon = picture.iconColour || picture.iconMask;
  // NaN counts as too small, like any opacity below 1.
  double scale = !(opacity >= 1.0f) ? 1.0 : opacity > 255.0f ? 255.0 : opacity;

  HANDLE result = ConvertPictureUpright(picture, [&](uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
    Rgb out = step(Rgb{r, g, b});
    return TkRGBA(out.r, out.g, out.b, ChannelByte(a / 255.0 * scale));
  });
  if (result && (flags & RENDER_EFFECT_ICON)) {
    HBITMAP bitmap = static_cast<HBITMAP>(result);
    result = IconFromBitmap(bitmap, picture.width, picture.height);
    DeleteObject(bitmap);
  }
  ClosePicture(&picture);
  // The caller's picture goes only once its replacement exists: when nothing could be
  // made, the caller still has what it passed in.
  if (result && (flags & RENDER_EFFECT_RELEASE_SOURCE)) {
    if (isIcon) {
      DestroyIcon(static_cast<HICON>(handle));
    } else {
      DeleteObject(static_cast<HGDIOBJ>(handle));
    }
  }
  return result;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Procedures
// ---------------------------------------------------------------------------------------

HANDLE CreateAdjustedBitmap(HANDLE handle, float opacity, float contrast, float brightness, uint32_t blendColour,
                            float blendAmount, int32_t flags) {
  AdjustSettings settings;
  settings.grey = (flags & RENDER_EFFECT_GREY) != 0;
  settings.blendColour = blendColour;
  settings.blendAmount = blendAmount;
  settings.contrastFactor = ((contrast + 255.0f) * 259.0f) / ((259.0f - contrast) * 255.0f);
  settings.brightness = brightness;
  return ApplyEffect(handle, opacity, flags, [&settings](Rgb pixel) { return AdjustPixel(settings, pixel); });
}

HANDLE CreateTintedBitmap(HANDLE handle, float opacity, uint32_t tintColour, float saturationShift, float lightness,
                          uint32_t blendColour, float blendAmount, int32_t flags) {
  HSVColor tint;
  RGBToHSV(tintColour, &tint);
  float saturation = tint.saturation + saturationShift;
  saturation = !(saturation > 0.0f) ? 0.0f : saturation > 1.0f ? 1.0f : saturation;
  TintSettings settings;
  settings.colour = {tint.hue, saturation, 0.0f};
  settings.lightShift = lightness * 2.0f - 1.0f;
  settings.blendColour = blendColour;
  settings.blendAmount = blendAmount;
  return ApplyEffect(handle, opacity, flags, [&settings](Rgb pixel) { return TintPixel(settings, pixel); });
}

int RGBToHSV(uint32_t colour, HSVColor *result) {
  if (!result) return 0;
  float r = static_cast<float>(colour & 255) / 255.0f;
  float g = static_cast<float>((colour >> 8) & 255) / 255.0f;
  float b = static_cast<float>((colour >> 16) & 255) / 255.0f;
  float max = std::max({r, g, b});
  float min = std::min({r, g, b});
  float delta = max - min;
  float saturation = max == 0.0f ? 0.0f : delta / max;
  float hue = 0.0f;
  if (saturation != 0.0f) {
    if (r == max) {
      hue = (g - b) * 60.0f / delta;
    } else if (g == max) {
      hue = (b - r) * 60.0f / delta + 120.0f;
    } else {
      hue = (r - g) * 60.0f / delta + 240.0f;
    }
    if (hue < 0.0f) hue += 360.0f;
  }
  result->hue = hue;
  result->saturation = saturation;
  result->value = max;
  return 0;
}
