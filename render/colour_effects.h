// Colour effects: new 32-bit pictures made from an icon or a GDI bitmap by greying,
// blending towards a colour, contrast, brightness, tinting and opacity.
#pragma once

#include <windows.h>

#include <cstdint>

// Hue in degrees (0 up to 360), saturation and value from 0 to 1; laid out as HSLColor.
struct HSVColor {
  float hue;
  float saturation;
  float value;
};

// Flags of the colour effects.
constexpr int32_t RENDER_EFFECT_GREY = 1;           // CreateAdjustedBitmap: grey each pixel first
constexpr int32_t RENDER_EFFECT_ICON = 2;           // return an icon instead of a bitmap
constexpr int32_t RENDER_EFFECT_RELEASE_SOURCE = 4; // destroy or delete the handle passed in

// A new upright 32-bit bitmap (or, with RENDER_EFFECT_ICON, an icon) from a 24/32-bit
// bitmap or an icon: optionally grey, then blended towards blendColour (0x00BBGGRR) by
// blendAmount / 256, then contrast (-255 to 255, 0 none) and brightness added to each
// channel; alpha is the picture's scaled by opacity / 255 (opacity held to 1 ... 255).
// Null for anything else or an empty picture; the source is then left alone.
HANDLE CreateAdjustedBitmap(HANDLE handle, float opacity, float contrast, float brightness, uint32_t blendColour,
                            float blendAmount, int32_t flags);

// A new upright 32-bit bitmap (or icon) re-coloured with the hue and saturation of
// tintColour (saturation moved by saturationShift) and each pixel's own luminance, made
// darker (lightness below 0.5) or lighter (above 0.5); then blended and given opacity as
// CreateAdjustedBitmap does. Null for anything else or an empty picture.
HANDLE CreateTintedBitmap(HANDLE handle, float opacity, uint32_t tintColour, float saturationShift, float lightness,
                          uint32_t blendColour, float blendAmount, int32_t flags);

// Writes the hue, saturation and value of a 24-bit RGB colour (red in the low byte);
// returns 0. A null result is ignored.
int RGBToHSV(uint32_t colour, HSVColor *result);
